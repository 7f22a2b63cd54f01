#include "scripted_device.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "commands/operation_codec.h"
#include "fuzz_check.h"
#include "link/link_errors.h"

namespace tarvik::fuzzing {

namespace {

// Enough for a reply past the reassembly limit (1042 reports) and a little more.
constexpr std::size_t kLongGroupMax = 1100;
constexpr uint16_t kProgramCommand = 0x0D0B;  // answered by a completion notice

// What the device sends once the script is used up: a completion notice
// whose status byte (payload byte 4) and result byte (byte 1) say failure.
Report ClosingNotice() {
  Report notice{};
  notice[0] = kMarkerNotify;
  notice[1] = kNoticeCompletion;
  notice[2] = 0x01;
  notice[5] = 0x01;
  return notice;
}

Report TakeReport(const uint8_t*& data, std::size_t& size) {
  Report report{};
  const std::size_t n = size < kReportSize ? size : kReportSize;
  if (n) std::memcpy(report.data(), data, n);
  data += n;
  size -= n;
  return report;
}

std::vector<ReplyGroup> ParseReplyScript(const uint8_t* data, std::size_t size) {
  std::vector<ReplyGroup> groups;
  bool specialUsed = false;
  while (size > 0) {
    const uint8_t h = *data++;
    --size;
    ReplyGroup group;
    if (h == kSpecialGroup) {
      const uint8_t mark = size > 0 ? *data : 0;
      if (size > 0) ++data, --size;
      if ((mark == kSilentMark || mark == kUnplugMark) && !specialUsed) {
        group.kind = mark == kSilentMark ? ReplyGroup::Kind::Silent : ReplyGroup::Kind::Unplug;
        specialUsed = true;
      }
    } else if (h == kLongGroup) {
      std::size_t count = 0;
      for (int i = 0; i < 2 && size > 0; ++i, ++data, --size)
        count |= std::size_t{*data} << (8 * i);
      if (count > kLongGroupMax) count = kLongGroupMax;
      const Report first = TakeReport(data, size);
      const Report middle = TakeReport(data, size);
      const Report last = TakeReport(data, size);
      if (count >= 1) group.runs.push_back({first, 1});
      if (count >= 3) group.runs.push_back({middle, count - 2});
      if (count >= 2) group.runs.push_back({last, 1});
    } else {
      for (int i = 0; i < h && size > 0; ++i) group.runs.push_back({TakeReport(data, size), 1});
    }
    groups.push_back(std::move(group));
  }
  return groups;
}

class ScriptedHandle final : public HidHandle {
 public:
  explicit ScriptedHandle(std::shared_ptr<ScriptedChannel> channel)
      : channel_(std::move(channel)) {}
  bool Read(std::span<uint8_t> report, int) override { return channel_->Read(report); }
  bool Write(std::span<const uint8_t> report, int) override { return channel_->Write(report); }
  void AbortRead() override { channel_->Abort(); }
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    *identity = ScriptedBackend::kIdentity;
    *lengths = ScriptedBackend::kLengths;
    return true;
  }

 private:
  std::shared_ptr<ScriptedChannel> channel_;
};

// Callbacks an operation may install; they check what they are handed.

volatile unsigned g_streamSink = 0;

// A stream message of L bytes is its lead byte and L - 1 text bytes, the
// text terminated right after them (and an empty one at once).
void CheckStream(int, const uint8_t* text, int length) {
  if (length < 0 || length > 0xFFFF) Fail("stream length out of range");
  const int terminator = length > 0 ? length - 1 : 0;
  unsigned sum = 0;
  for (int i = 0; i < terminator; ++i) sum += text[i];  // every byte must be readable
  if (text[terminator] != 0) Fail("stream text not terminated");
  g_streamSink = sum;
}

int g_lastPercent = 0;
void CheckProgress(int percent, int) {
  if (percent <= g_lastPercent || percent > 100) Fail("progress not rising within 0..100");
  g_lastPercent = percent;
}

void IgnoreNotification(int, int) {}

}  // namespace

ScriptedChannel::ScriptedChannel() : mirrorBuffer_(kReassemblyBufferSize) {}

bool ScriptedChannel::Read(std::span<uint8_t> report) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (aborted_ || gone_) return false;
    if (!pending_.empty()) {
      const Report next = pending_.front().report;
      if (--pending_.front().repeat == 0) pending_.pop_front();
      Predict(next);
      idle_ = false;
      report[0] = 0;  // unnumbered reports
      std::memcpy(report.data() + 1, next.data(), std::min(report.size() - 1, next.size()));
      return true;
    }
    if (awaiting_) {
      // The request is still unanswered: the device keeps talking.
      NextGroup();
      continue;
    }
    idle_ = true;
    cv_.notify_all();
    cv_.wait(lock);
  }
}

bool ScriptedChannel::Write(std::span<const uint8_t> report) {
  std::unique_lock<std::mutex> lock(mutex_);
  // Everything the device sent before has been taken in, so the order of
  // replies and requests is the same on every run of an input.
  cv_.wait(lock, [this] { return idle_ || aborted_ || gone_; });
  if (aborted_ || gone_ || report.size() < 1 + kReportSize) return false;
  if (RequestEnds(report.data() + 1)) {
    NextGroup();
    cv_.notify_all();
  }
  return true;
}

void ScriptedChannel::Abort() {
  std::lock_guard<std::mutex> lock(mutex_);
  aborted_ = true;
  cv_.notify_all();
}

bool ScriptedChannel::Gone() {
  std::lock_guard<std::mutex> lock(mutex_);
  return gone_ || aborted_;
}

void ScriptedChannel::Load(const std::vector<ReplyGroup>* groups) {
  std::lock_guard<std::mutex> lock(mutex_);
  groups_ = groups;
  nextGroup_ = 0;
}

// Waits until the host has taken in all the device sent, then forgets the
// script and, where the host is half-way through a message, puts its
// reassembly back at rest (a completion notice drops a half-built reply,
// an empty stream message a half-built stream), so nothing of this input
// reaches the next. False when the device is gone.
bool ScriptedChannel::Quiesce() {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait(lock, [this] { return idle_ || aborted_ || gone_; });
  groups_ = nullptr;
  nextGroup_ = 0;
  awaiting_ = false;
  fragmentsLeft_ = 0;
  if (aborted_ || gone_) return false;
  if (!replyMirror_.InProgress() && !streamMirror_.InProgress()) return true;
  Report notice{};
  notice[0] = kMarkerNotify;
  notice[1] = kNoticeCompletion;
  Report stream{};
  stream[0] = kMarkerStreamFirst;
  pending_.push_back({notice, 1});
  pending_.push_back({stream, 1});
  idle_ = false;
  cv_.notify_all();
  cv_.wait(lock, [this] { return idle_ || aborted_ || gone_; });
  return !(aborted_ || gone_);
}

// Follows the request fragments; true at the last one of a request.
bool ScriptedChannel::RequestEnds(const uint8_t* report) {
  const uint8_t marker = report[0];
  if (marker == kMarkerRequestFirst) {
    const MessageHeader header = DecodeHeader(report + 1);
    requestCommand_ = header.command;
    fragmentsLeft_ = FragmentCount(kHeaderSize + header.length) - 1;
    return fragmentsLeft_ == 0;
  }
  if ((marker == kMarkerRequestMiddle || marker == kMarkerRequestLast) && fragmentsLeft_ > 0)
    return --fragmentsLeft_ == 0;
  return false;
}

// Starts the next group of the script, or the closing notice past its end.
void ScriptedChannel::NextGroup() {
  wantNotice_ = requestCommand_ == kProgramCommand;
  if (!groups_ || nextGroup_ >= groups_->size()) {
    pending_.push_back({ClosingNotice(), 1});
    awaiting_ = true;
    idle_ = false;
    return;
  }
  const ReplyGroup& group = (*groups_)[nextGroup_++];
  switch (group.kind) {
    case ReplyGroup::Kind::Silent:
      awaiting_ = false;
      break;
    case ReplyGroup::Kind::Unplug:
      awaiting_ = false;
      gone_ = true;
      cv_.notify_all();  // a write may be waiting for the host to take in what came before
      break;
    case ReplyGroup::Kind::Reports:
      awaiting_ = true;
      pending_.insert(pending_.end(), group.runs.begin(), group.runs.end());
      idle_ = false;
      break;
  }
}

// Mirrors the host's receive loop, to tell when the request is answered
// and whether a message is half-way through.
void ScriptedChannel::Predict(const Report& report) {
  switch (report[0] >> 4) {
    case 0x8:
      if (replyMirror_.Feed(report.data(), mirrorBuffer_.data()) == Reassembler::Result::Complete &&
          !wantNotice_)
        awaiting_ = false;
      break;
    case 0x9: {
      Notification notification;
      if (DecodeNotification(report.data(), &notification) == NotificationKind::CompletionNotice) {
        replyMirror_.Reset();
        awaiting_ = false;
      }
      break;
    }
    case 0xA:
      streamMirror_.Feed(report.data(), mirrorBuffer_.data());
      break;
    default:
      break;
  }
}

bool ScriptedBackend::ReadIdentity(const std::string&, HidIdentity* out) {
  *out = kIdentity;
  return true;
}

bool ScriptedBackend::ReadReportLengths(const std::string&, HidReportLengths* out) {
  *out = kLengths;
  return true;
}

std::unique_ptr<HidHandle> ScriptedBackend::OpenInterface(const std::string&) {
  std::lock_guard<std::mutex> lock(mutex_);
  channel_ = std::make_shared<ScriptedChannel>();
  return std::make_unique<ScriptedHandle>(channel_);
}

std::shared_ptr<ScriptedChannel> ScriptedBackend::Channel() {
  std::lock_guard<std::mutex> lock(mutex_);
  return channel_;
}

OperationHarness::OperationHarness(std::vector<std::vector<uint8_t>> packages,
                                   std::vector<std::vector<uint8_t>> sections, int waitCapMs)
    : session_(backend_, waitCapMs),
      packages_(std::move(packages)),
      sections_(std::move(sections)) {
  session_.SetNotifyCallback(IgnoreNotification);
}

OperationHarness::~OperationHarness() { session_.Close(); }

int OperationHarness::Run(const uint8_t* data, std::size_t size) {
  const int op = size > 0 ? data[0] % kOperationCount : 0;
  const uint16_t knob =
      static_cast<uint16_t>((size > 1 ? data[1] : 0) | (size > 2 ? data[2] << 8 : 0));
  const std::size_t skip = size < 3 ? size : 3;
  const std::vector<ReplyGroup> groups = ParseReplyScript(data + skip, size - skip);

  std::lock_guard<std::recursive_mutex> guard(session_.lock);
  // A device that left the bus takes a new link; the old one's receive
  // thread is joined first, so it cannot act on this input.
  if (!session_.link || session_.link->Stopped() || backend_.Channel()->Gone()) {
    session_.Close();
    if (!session_.Open()) Fail("scripted device does not open");
  }
  const std::shared_ptr<ScriptedChannel> channel = backend_.Channel();
  channel->Load(&groups);
  Fill(op, knob);
  const int result = session_.Execute(op);
  if (std::string_view(LinkErrorName(result)) == "UNKNOWN")
    Fail("result code outside the known set");

  session_.link->SetStreamCallback(nullptr);
  channel->Quiesce();
  return result;
}

void OperationHarness::FillRecord(CommandParams& params, const OperationRow& row, uint16_t knob,
                                  const std::vector<std::vector<uint8_t>>& packages,
                                  const std::vector<std::vector<uint8_t>>& sections,
                                  std::unique_ptr<uint8_t[]>& buffer) {
  params = {};
  params.selector = knob & 1;
  g_lastPercent = 0;
  const std::vector<uint8_t>* image = nullptr;
  if (row.id == 161) image = &packages[knob % packages.size()];
  if (row.id == 138) image = &sections[knob % sections.size()];
  buffer.reset();
  for (std::size_t i = 0; i < row.fields.size(); ++i) {
    const FieldSpec& field = row.fields[i];
    const std::string_view name = field.name;
    const uint16_t offset = static_cast<uint16_t>(FieldOffset(row.fields, i));
    if (field.type == FieldType::Pointer) {
      if (name == "handler") {
        SetField(params, FieldRef<StreamCallback>{offset}, &CheckStream);
      } else if (name == "progress") {
        SetField(params, FieldRef<ProgressCallback>{offset}, &CheckProgress);
      } else if (name == "image") {
        SetField(params, FieldRef<const uint8_t*>{offset}, image->data());
      } else {
        const std::size_t bytes = field.count     ? field.count
                                  : row.id == 166 ? kHeaderSize + knob
                                                  : std::size_t{knob};
        buffer = std::make_unique<uint8_t[]>(bytes ? bytes : 1);
        // A raw message: a write of command `knob` with an empty payload.
        if (row.id == 166) EncodeHeader(buffer.get(), kKindWrite, knob, 0, 0, 0);
        SetField(params, FieldRef<uint8_t*>{offset}, buffer.get());
      }
    } else if (name == "count") {
      SetField(params, FieldRef<uint16_t>{offset}, knob);
    } else if (name == "size") {
      SetField(params, FieldRef<uint32_t>{offset}, static_cast<uint32_t>(kHeaderSize + knob));
    } else if (name == "imageSize") {
      SetField(params, FieldRef<uint32_t>{offset}, static_cast<uint32_t>(image->size()));
    } else if (name == "targetCount") {
      // Up to one past the largest count, to reach the refusal too.
      SetField(params, FieldRef<uint32_t>{offset},
               static_cast<uint32_t>((knob >> 8) % (kMaxTargets + 2)));
    } else if (name == "value" && row.id == 37) {
      SetField(params, FieldRef<uint8_t>{offset}, static_cast<uint8_t>(knob & 1));
    }
  }
}

void OperationHarness::Fill(int op, uint16_t knob) {
  session_.params = {};
  if (const OperationRow* row = FindOperation(op))
    FillRecord(session_.params, *row, knob, packages_, sections_, buffer_);
}

}  // namespace tarvik::fuzzing
