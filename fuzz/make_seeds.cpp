// Writes the seed corpora of the fuzz targets into DIR/<target>/:
//   tarvik_fuzz_make_seeds DIR      (the committed ones: DIR = fuzz/corpus)
// Operation seeds are the stand-in device's real replies, recorded while a
// session runs each operation on it; reassembly seeds are the reports it
// sends; firmware seeds are valid images of every layout; version seeds are
// version texts good and bad.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "commands/operation_table.h"
#include "fuzz_images.h"
#include "link/link_errors.h"
#include "link/report_framing.h"
#include "scripted_device.h"
#include "session/hid_dev_comm_app.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "sim/sim_protocol.h"
#include "stand_in_state.h"

namespace {

using namespace tarvik;
using tarvik::fuzzing::Report;
using Bytes = std::vector<uint8_t>;

// What the host wrote and read, with the reports read cut into one group per
// request (the reports that came after the request's last fragment).
class Recorder {
 public:
  void Sent(std::span<const uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint8_t* r = report.data() + 1;
    bool ends = false;
    if (r[0] == kMarkerRequestFirst) {
      fragmentsLeft_ = FragmentCount(kHeaderSize + DecodeHeader(r + 1).length) - 1;
      ends = fragmentsLeft_ == 0;
    } else if ((r[0] == kMarkerRequestMiddle || r[0] == kMarkerRequestLast) && fragmentsLeft_ > 0) {
      ends = --fragmentsLeft_ == 0;
    }
    if (ends) groups_.emplace_back();
  }
  void Received(std::span<const uint8_t> report) {
    std::lock_guard<std::mutex> lock(mutex_);
    Report r{};
    std::copy_n(report.begin() + 1, kReportSize, r.begin());
    all_.push_back(r);
    if (!groups_.empty()) groups_.back().push_back(r);
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    groups_.clear();
    all_.clear();
  }
  std::vector<std::vector<Report>> Groups() {
    std::lock_guard<std::mutex> lock(mutex_);
    return groups_;
  }
  std::vector<Report> All() {
    std::lock_guard<std::mutex> lock(mutex_);
    return all_;
  }

 private:
  std::mutex mutex_;
  std::size_t fragmentsLeft_ = 0;
  std::vector<std::vector<Report>> groups_;
  std::vector<Report> all_;
};

class RecordingHandle final : public HidHandle {
 public:
  RecordingHandle(std::unique_ptr<HidHandle> inner, Recorder* recorder)
      : inner_(std::move(inner)), recorder_(recorder) {}
  bool Read(std::span<uint8_t> report, int timeoutMs) override {
    const bool ok = inner_->Read(report, timeoutMs);
    if (ok) recorder_->Received(report);
    return ok;
  }
  bool Write(std::span<const uint8_t> report, int timeoutMs) override {
    recorder_->Sent(report);
    return inner_->Write(report, timeoutMs);
  }
  void AbortRead() override { inner_->AbortRead(); }
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const override {
    return inner_->Describe(identity, lengths);
  }

 private:
  std::unique_ptr<HidHandle> inner_;
  Recorder* recorder_;
};

class RecordingBackend final : public HidBackend {
 public:
  explicit RecordingBackend(Recorder* recorder) : recorder_(recorder) {}
  std::vector<std::string> ListInterfaces() override { return inner_.ListInterfaces(); }
  bool ReadIdentity(const std::string& id, HidIdentity* out) override {
    return inner_.ReadIdentity(id, out);
  }
  bool ReadReportLengths(const std::string& id, HidReportLengths* out) override {
    return inner_.ReadReportLengths(id, out);
  }
  std::unique_ptr<HidHandle> OpenInterface(const std::string& id) override {
    std::unique_ptr<HidHandle> inner = inner_.OpenInterface(id);
    return inner ? std::make_unique<RecordingHandle>(std::move(inner), recorder_) : nullptr;
  }

 private:
  sim::SimBackend inner_;
  Recorder* recorder_;
};

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

void Append(Bytes& out, const Report& report) {
  out.insert(out.end(), report.begin(), report.end());
}

// An operation input: number, knob, then the groups.
Bytes OperationInput(int op, uint16_t knob, const std::vector<std::vector<Report>>& groups) {
  Bytes input{static_cast<uint8_t>(op), static_cast<uint8_t>(knob),
              static_cast<uint8_t>(knob >> 8)};
  for (const auto& group : groups) {
    if (group.size() >= fuzzing::kLongGroup) {
      std::fprintf(stderr, "operation %d: group of %zu reports too long for a seed\n", op,
                   group.size());
      std::exit(1);
    }
    input.push_back(static_cast<uint8_t>(group.size()));
    for (const Report& report : group) Append(input, report);
  }
  return input;
}

Report MakeReport(uint8_t marker, std::initializer_list<uint8_t> payload) {
  Report report{};
  report[0] = marker;
  std::size_t i = 1;
  for (uint8_t b : payload) report[i++] = b;
  return report;
}

Bytes ReplyMessage(uint8_t kind, uint16_t command, Bytes payload) {
  Bytes message(kHeaderSize);
  EncodeHeader(message.data(), kind, command, 0, 0, static_cast<uint16_t>(payload.size()));
  message.insert(message.end(), payload.begin(), payload.end());
  return message;
}

// Knobs worth a seed of their own for an operation.
std::vector<uint16_t> Knobs(int op) {
  switch (op) {
    case 37:
      return {1};  // stream switched on
    case 120:
    case 121:
      return {16, 200};  // one report, and four
    case 138:
      return {0, 3};  // plain and sealed sections
    case 166:
      return {1};  // a write of command 1
    case 161:
      return {0, 0x0201};  // one block; two blocks and two targets
    default:
      return {0};
  }
}

// Operations that run the same code on replies of the same shape share a seed.
auto Shape(const OperationRow& row) {
  return std::make_tuple(reinterpret_cast<std::uintptr_t>(row.handler),
                         static_cast<int>(row.layout), row.kind, row.replyLength,
                         row.replyTargetField >= 0, row.replyCount);
}

void OperationSeeds(const std::filesystem::path& dir, std::map<std::string, Bytes>* replySamples) {
  sim::SimDevice device;
  device.SetRestartPlan(-1);
  device.Plug();
  Recorder recorder;
  RecordingBackend backend(&recorder);
  CHidDevCommApp session(backend);
  if (!session.Open()) {
    std::fprintf(stderr, "the stand-in does not open\n");
    std::exit(1);
  }
  const auto packages = fuzzing::PackageImages();
  const auto sections = fuzzing::SectionImages();
  std::unique_ptr<uint8_t[]> buffer;

  std::set<decltype(Shape(OperationRow{}))> seen;
  for (int op = 0; op < kOperationCount; ++op) {
    const OperationRow* row = FindOperation(op);
    if (!row || row->id == 130 || !seen.insert(Shape(*row)).second) continue;
    for (uint16_t knob : Knobs(op)) {
      // The same record the harness builds, on the stand-in.
      fuzzing::OperationHarness::FillRecord(session.params, *row, knob, packages, sections, buffer);
      recorder.Clear();
      int result;
      {
        std::lock_guard<std::recursive_mutex> guard(session.lock);
        result = session.Execute(op);
      }
      char name[64];
      std::snprintf(name, sizeof name, "op%03d_%s_%u", op, row->name, knob);
      std::printf("%-40s %s\n", name, LinkErrorName(result));
      const auto groups = recorder.Groups();
      WriteFile(dir / "operation_replies" / name, OperationInput(op, knob, groups));
      if (!groups.empty() && !groups[0].empty()) {
        Bytes sample;
        for (const Report& report : groups[0]) Append(sample, report);
        (*replySamples)[row->name] = sample;
      }
      if (op == 138 && knob == 3) {
        // The first start request of a sealed section goes unanswered, the retry gets the answer.
        Bytes input = OperationInput(op, knob, groups);
        input.insert(input.begin() + 3, {fuzzing::kSpecialGroup, fuzzing::kSilentMark});
        WriteFile(dir / "operation_replies" / "op138_start_unanswered_then_retried", input);
      }
      if (op == 161 && knob == 0 && groups.size() > 1) {
        // The device leaves the bus after acknowledging the start of a package.
        Bytes input = OperationInput(op, knob, {groups[0]});
        input.insert(input.end(), {fuzzing::kSpecialGroup, fuzzing::kUnplugMark});
        WriteFile(dir / "operation_replies" / "op161_unplugged_after_start", input);
      }
    }
  }

  // The stand-in's unsolicited reports, for the reassembly seeds.
  recorder.Clear();
  for (int type : {1, 2, 3, 5, 7}) device.SendNotification(type, type == 3 ? 0x1234 : 1);
  Bytes text(150);
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>('a' + i % 26);
  device.SendStreamMessage(0x31, text);
  device.SendStreamMessage(0x32, {});
  for (int tries = 0; tries < 200 && recorder.All().size() < 5 + 3 + 1; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  Bytes unsolicited;
  for (const Report& report : recorder.All()) Append(unsolicited, report);
  (*replySamples)["unsolicited"] = unsolicited;
  session.Close();
}

// Hand-made operation inputs for the paths the stand-in never takes.
void HandMadeOperationSeeds(const std::filesystem::path& dir) {
  const auto path = [&](const char* name) { return dir / "operation_replies" / name; };
  // GetCmd0005: the first fragment of its reply, a completion notice, then the whole reply.
  {
    const auto reply = sim::CutReply(ReplyMessage(kKindReadReply, 0x0005, Bytes(76, 'x')));
    std::vector<Report> group{reply[0], MakeReport(kMarkerNotify, {kNoticeCompletion, 0})};
    group.insert(group.end(), reply.begin(), reply.end());
    WriteFile(path("op010_notice_inside_reply"), OperationInput(10, 0, {group}));
  }
  // GetCmd0800 for 16 bytes: a reply past the reassembly limit, then the right one.
  {
    Bytes input{121, 16, 0, fuzzing::kLongGroup, 0x12, 0x04};  // 1042 reports
    Report first = MakeReport(kMarkerReplyFirst, {kKindReadReply, 0x00, 0x08, 0, 0, 0, 0xFF, 0xFF});
    Append(input, first);
    Append(input, MakeReport(kMarkerReplyMiddle, {}));
    Append(input, MakeReport(kMarkerReplyLast, {}));
    const auto reply = sim::CutReply(ReplyMessage(kKindReadReply, 0x0800, Bytes(6 + 16, 7)));
    input.push_back(static_cast<uint8_t>(reply.size()));
    for (const Report& report : reply) Append(input, report);
    WriteFile(path("op121_oversized_then_valid"), input);
  }
  // SetDataStream on: a stream message in three reports ahead of the acknowledgement.
  {
    Bytes stream{150, 0, 0x31};
    for (int i = 0; i < 149; ++i) stream.push_back(static_cast<uint8_t>('A' + i % 26));
    std::vector<Report> group;
    for (std::size_t offset = 0; offset < stream.size(); offset += kReportPayloadSize) {
      Report report{};
      report[0] = offset == 0                                    ? kMarkerStreamFirst
                  : offset + kReportPayloadSize >= stream.size() ? kMarkerStreamLast
                                                                 : kMarkerStreamMiddle;
      std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(offset),
                  std::min(kReportPayloadSize, stream.size() - offset), report.begin() + 1);
      group.push_back(report);
    }
    for (const Report& report : sim::CutReply(ReplyMessage(kKindWriteAck, 0x0016, {})))
      group.push_back(report);
    WriteFile(path("op037_stream_before_ack"), OperationInput(37, 1, {group}));
  }
  // GetCmd0018: the wait for the reply runs out.
  WriteFile(path("op006_silent"), Bytes{6, 0, 0, fuzzing::kSpecialGroup, fuzzing::kSilentMark});
}

void ReassemblySeeds(const std::filesystem::path& dir,
                     const std::map<std::string, Bytes>& samples) {
  const auto path = [&](const std::string& name) { return dir / "reassembly" / name; };
  for (const char* name : {"GetCmd0005", "GetCmd001B", "GetCmd0000", "SetCmd0001", "unsolicited"}) {
    const auto it = samples.find(name);
    if (it != samples.end()) WriteFile(path(name), it->second);
  }
  // A reply cut short by a completion notice, then another reply whole.
  {
    const auto reply = sim::CutReply(ReplyMessage(kKindReadReply, 0x0005, Bytes(76, 'x')));
    Bytes input;
    Append(input, reply[0]);
    Append(input, MakeReport(kMarkerNotify, {kNoticeCompletion, 0}));
    for (const Report& report : reply) Append(input, report);
    WriteFile(path("notice_inside_reply"), input);
  }
  // A last fragment before the announced length, and a reply past the limit.
  {
    Bytes input;
    Append(input, MakeReport(kMarkerReplyFirst, {3, 0, 0, 0, 0, 0, 200, 0}));
    Append(input, MakeReport(kMarkerReplyLast, {}));
    WriteFile(path("reply_cut_short"), input);
    input.clear();
    Append(input, MakeReport(kMarkerReplyFirst, {3, 0, 0, 0, 0, 0, 0xFF, 0xFF}));
    for (int i = 0; i < 1041; ++i) Append(input, MakeReport(kMarkerReplyMiddle, {}));
    Append(input, MakeReport(kMarkerReplyLast, {}));
    WriteFile(path("reply_past_limit"), input);
  }
}

void FirmFileSeeds(const std::filesystem::path& dir) {
  using namespace tarvik::testing;
  const auto path = [&](const char* name) { return dir / "firm_file" / name; };
  WriteFile(path("package"), Package(Payload(100)));
  WriteFile(path("type0"), Type0());
  WriteFile(path("type0_shifted"), Type0(0x400, 3));
  WriteFile(path("agpf2"), Agpf(2));
  WriteFile(path("agpf3"), Agpf(3));
  WriteFile(path("uamc"), Trailing("UAMC"));
  WriteFile(path("fwup"), Trailing("FWUP"));
  WriteFile(path("fqi"), Trailing("FQI "));
  WriteFile(path("uamc_sealed"), Sealed("UAMC"));
  WriteFile(path("fwup_sealed"), Sealed("FWUP", 0x240));
  WriteFile(path("fqi_sealed"), Sealed("FQI ", 0x500));
}

void VersionSeeds(const std::filesystem::path& dir) {
  int n = 0;
  for (const char* text : {"2.10", "200A", "2.00", "1.99", "210b", "2.0", "12345", "2,10", ""}) {
    char name[32];
    std::snprintf(name, sizeof name, "version%02d", n++);
    WriteFile(dir / "firmware_version" / name, Bytes(text, text + std::strlen(text)));
  }
}

Bytes TextBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Documents as save writes them and as people cut them down, and the state
// of two stand-ins, one of them changed.
void SettingsFileSeeds(const std::filesystem::path& dir) {
  const auto path = [&](const char* name) { return dir / "settings_files" / name; };
  WriteFile(path("document"), TextBytes(R"({"schemaVersion": 1,
  "device": {"productId": "0x4021", "firmware": "2.10"},
  "settings": {"mode-l": "conference-system", "gain-l": "0dB", "eq-l": "thru",
    "signal-level-l": "microphone", "mode-r": "pa-microphone", "gain-r": "+9dB",
    "eq-r": "low-cut", "signal-level-r": "line", "pa-output": "off",
    "output-volume": "-6dB", "usb-speed": "hi-speed"}}
)"));
  WriteFile(path("document_partial"),
            TextBytes(R"({"schemaVersion": 1, "settings": {"gain-l": "+3dB"}})"));
  sim::SimDevice changed;
  changed.SetSetting(0, 0x0103, 0x71, 0, {0x00, 0x03});
  const tarvik::ctl::StandInState state = {sim::SimDevice().StoredSettings(),
                                           changed.StoredSettings()};
  WriteFile(path("state"), TextBytes(tarvik::ctl::StateText(state)));
  WriteFile(path("state_empty"), TextBytes(R"({"schemaVersion": 1, "standIns": [{"settings": []}]})"));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::map<std::string, Bytes> samples;
  OperationSeeds(dir, &samples);
  HandMadeOperationSeeds(dir);
  ReassemblySeeds(dir, samples);
  FirmFileSeeds(dir);
  VersionSeeds(dir);
  SettingsFileSeeds(dir);
  return 0;
}
