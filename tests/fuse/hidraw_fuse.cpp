#include "fuse/hidraw_fuse.h"

#include <cstdio>
#include <cstring>
#include <utility>

#if TARVIK_HAVE_FUSE3

#define FUSE_USE_VERSION 312
#include <fcntl.h>
#include <fuse.h>
#include <linux/hidraw.h>
#include <linux/input.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string_view>
#include <thread>

#include "fake_hidraw/fake_hidraw_tree.h"
#include "link/hid_backend.h"
#include "sim/sim_backend.h"

namespace tarvik::fusetest {

namespace {

constexpr std::size_t kNodeQueueDepth = 64;   // reports hidraw keeps per open node
constexpr std::size_t kAttributeSize = 4096;  // the size sysfs shows for every attribute
constexpr int kNodeWriteTimeoutMs = 1000;
constexpr auto kReleaseGrace = std::chrono::seconds(1);  // releases arrive after close() returns
constexpr auto kLoopEndWait = std::chrono::seconds(5);

// ---- libfuse's messages -----------------------------------------------------

// Kept for the error texts of Mount, and passed on to stderr.
std::mutex gLogMutex;
std::string gLog;

void CaptureLog(enum fuse_log_level, const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  std::fputs(text, stderr);
  std::lock_guard lock(gLogMutex);
  gLog += text;
}

void ClearLog() {
  std::lock_guard lock(gLogMutex);
  gLog.clear();
}

// libfuse's messages since the last ClearLog.
std::string TakeLog() {
  std::lock_guard lock(gLogMutex);
  return std::exchange(gLog, {});
}

std::string ErrnoText(int error) { return std::strerror(error); }

// Catches what is written to stderr meanwhile, fusermount3's complaints
// included (it is a child process and writes there itself), and passes it
// on when done.
class StderrCapture {
 public:
  StderrCapture() {
    std::fflush(stderr);
    file_ = std::tmpfile();
    saved_ = file_ != nullptr ? dup(STDERR_FILENO) : -1;
    if (saved_ >= 0) dup2(fileno(file_), STDERR_FILENO);
  }
  ~StderrCapture() { Finish(); }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Ends the capture and returns the text caught.
  std::string Finish() {
    if (saved_ < 0) {
      if (file_ != nullptr) std::fclose(file_);
      file_ = nullptr;
      return {};
    }
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
    saved_ = -1;
    std::string text;
    std::rewind(file_);
    char buffer[512];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
    std::fclose(file_);
    file_ = nullptr;
    std::fputs(text.c_str(), stderr);
    return text;
  }

 private:
  std::FILE* file_ = nullptr;
  int saved_ = -1;
};

// One line of text for an error message.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  for (char& c : text)
    if (c == '\n') c = ';';
  return text;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':'))
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

// ---- The mount table --------------------------------------------------------

// The device field of this process's mountinfo line for `dir`, "major:minor",
// or empty when nothing is mounted there.
std::string MountedDevice(const std::string& dir) {
  std::ifstream mountinfo("/proc/self/mountinfo");
  std::string line;
  std::string found;
  while (std::getline(mountinfo, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, point;
    if (!(fields >> id >> parent >> device >> root >> point)) continue;
    if (point == dir) found = device;  // the last one is on top
  }
  return found;
}

// The name of the connection under /sys/fs/fuse/connections: the mount's
// device number as the kernel keeps it.
std::string ConnectionName(const std::string& device) {
  unsigned major = 0;
  unsigned minor = 0;
  if (std::sscanf(device.c_str(), "%u:%u", &major, &minor) != 2) return {};
  return std::to_string((major << 20) | minor);
}

// Unmounts `dir` lazily without touching the session's /dev/fuse descriptor:
// once nothing on the mount is open the kernel ends the connection, and the
// serving threads' reads of the descriptor fail, which ends the loop. (Letting
// libfuse unmount instead closes the descriptor while those threads still
// read it.)
bool DetachMount(const std::string& dir) {
  if (geteuid() == 0) return umount2(dir.c_str(), MNT_DETACH) == 0;
  const char* argv[] = {"fusermount3", "-u", "-z", "--", dir.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "fusermount3", nullptr, nullptr, const_cast<char* const*>(argv),
                   environ) != 0)
    return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- What the filesystem shows ----------------------------------------------

enum class Kind { kNone, kDir, kUevent, kDescriptor, kNode };

struct Entry {
  Kind kind = Kind::kNone;
  std::string simId;  // the device behind an attribute or node
};

std::vector<std::string_view> Split(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t start = path.find_first_not_of('/');
    if (start == std::string_view::npos) break;
    path.remove_prefix(start);
    const std::size_t end = path.find('/');
    parts.push_back(path.substr(0, end));
    path = end == std::string_view::npos ? std::string_view() : path.substr(end);
  }
  return parts;
}

// The report descriptor of a device with these report lengths, in sysfs and
// through HIDIOCGRDESC alike.
std::vector<uint8_t> DescriptorOf(const HidReportLengths& lengths) {
  return sim::FakeHidrawTree::VendorDescriptor(
      std::max(lengths.input - 1, 0), std::max(lengths.output - 1, 0), lengths.outputReportId);
}

// The sysfs attributes of a device as the kernel writes them.
bool AttributeContent(Kind kind, const std::string& simId, std::vector<uint8_t>* out) {
  sim::SimBackend& backend = sim::DefaultSimBackend();
  HidIdentity identity;
  HidReportLengths lengths;
  if (!backend.ReadIdentity(simId, &identity) || !backend.ReadReportLengths(simId, &lengths))
    return false;
  if (kind == Kind::kDescriptor) {
    *out = DescriptorOf(lengths);
    return true;
  }
  char text[256];
  const int n =
      std::snprintf(text, sizeof text,
                    "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\nHID_NAME=Stand-in %04X:%04X\n"
                    "HID_PHYS=usb-fuse-1/input0\nHID_UNIQ=\nMODALIAS=hid:b0003g0001v%08Xp%08X\n",
                    identity.vendorId, identity.productId, identity.vendorId, identity.productId,
                    identity.vendorId, identity.productId);
  out->assign(text, text + std::max(n, 0));
  return true;
}

class OpenNode;

}  // namespace

struct HidrawFuse::Impl {
  std::string dir;
  std::string connection;
  fuse* session = nullptr;
  std::thread loop;

  std::mutex loopMu;
  std::condition_variable loopCv;
  bool loopEnded = false;

  std::mutex watchMu;
  std::condition_variable watchCv;
  bool watchStop = false;
  std::atomic<bool> watchFired{false};
  std::thread watchdog;

  // Interface numbers and open files; taken by the FUSE threads.
  std::mutex mu;
  std::condition_variable releasedCv;
  std::map<std::string, int> numbers;  // sim id -> N of hidrawN
  struct OpenFile;
  std::set<OpenFile*> files;
  int openDirs = 0;

  mutable std::mutex statsMu;
  NodeStats stats;

  mutable std::mutex answersMu;
  NodeAnswers answers;

  template <typename F>
  void Count(F&& change) {
    std::lock_guard lock(statsMu);
    change(stats);
  }

  // hidraw number -> sim id of every device plugged in now. As with the
  // kernel's minors, a device keeps its number while present and a new one
  // takes the lowest free number.
  std::map<int, std::string> Present();
  Entry Resolve(const char* path);
  bool List(const char* path, std::vector<std::string>* names);

  bool WaitLoopEnd(std::chrono::milliseconds limit);
  bool AbortConnection();
  void StopWatchdog();
};

namespace {

// One open of a node: a SimBackend handle and the thread that moves what the
// device sends into the node's queue, waking a waiting poller.
class OpenNode {
 public:
  OpenNode(HidrawFuse::Impl* fs, std::unique_ptr<HidHandle> handle, std::size_t inputLength)
      : fs_(fs), handle_(std::move(handle)), inputLength_(inputLength) {}
  ~OpenNode() {
    Stop();
    if (poll_ != nullptr) fuse_pollhandle_destroy(poll_);
  }
  OpenNode(const OpenNode&) = delete;
  OpenNode& operator=(const OpenNode&) = delete;

  void Start() { pump_ = std::thread(&OpenNode::Pump, this); }

  // Ends the pump: nothing is queued and no poller woken after this returns.
  // Calls are serialised by the filesystem's lock.
  void Stop() {
    {
      std::lock_guard lock(mu_);
      closing_ = true;
      cv_.notify_all();
    }
    handle_->AbortRead();
    if (pump_.joinable()) pump_.join();
  }

  int Read(char* buffer, std::size_t size, bool nonBlocking) {
    std::unique_lock lock(mu_);
    if (!nonBlocking) cv_.wait(lock, [&] { return !queue_.empty() || gone_ || closing_; });
    if (!queue_.empty()) {
      // A short buffer takes the start of the report; the rest is dropped.
      const std::vector<uint8_t>& report = queue_.front();
      const std::size_t n = std::min(size, report.size());
      std::memcpy(buffer, report.data(), n);
      queue_.pop_front();
      lock.unlock();
      fs_->Count([n](NodeStats& s) { s.readSizes.push_back(n); });
      return static_cast<int>(n);
    }
    if (gone_ || closing_) {
      lock.unlock();
      fs_->Count([](NodeStats& s) { ++s.readsFailed; });
      return -EIO;
    }
    lock.unlock();
    fs_->Count([](NodeStats& s) { ++s.readsAgain; });
    return -EAGAIN;
  }

  int Write(const char* buffer, std::size_t size) {
    fs_->Count([size](NodeStats& s) { s.writeSizes.push_back(size); });
    {
      std::lock_guard lock(mu_);
      if (gone_) return -ENODEV;
    }
    if (size < 2) return -EINVAL;  // the report ID byte and at least one data byte
    const std::span<const uint8_t> report(reinterpret_cast<const uint8_t*>(buffer), size);
    if (!handle_->Write(report, kNodeWriteTimeoutMs)) {
      std::lock_guard lock(mu_);
      return gone_ ? -ENODEV : -EIO;
    }
    return static_cast<int>(size);
  }

  // What the device behind the node is now; false once it has gone.
  bool Describe(HidIdentity* identity, HidReportLengths* lengths) const {
    return handle_->Describe(identity, lengths);
  }

  // The ready mask now; `handle`, when given, is kept to wake the poller at
  // the next report or at the device's loss.
  unsigned Poll(fuse_pollhandle* handle) {
    std::lock_guard lock(mu_);
    unsigned mask = POLLOUT | POLLWRNORM;
    if (!queue_.empty()) mask |= POLLIN | POLLRDNORM;
    if (gone_) mask |= POLLERR | POLLHUP;
    if (handle != nullptr) {
      if (poll_ != nullptr) fuse_pollhandle_destroy(poll_);
      poll_ = handle;
    }
    return mask;
  }

 private:
  void Pump() {
    std::vector<uint8_t> report(inputLength_);
    for (;;) {
      const bool received = handle_->Read(report, -1);
      fuse_pollhandle* waiting = nullptr;
      {
        std::lock_guard lock(mu_);
        if (!received) {
          if (!closing_) gone_ = true;  // the device left, not our own abort
        } else if (queue_.size() < kNodeQueueDepth) {
          // Unnumbered reports: hidraw hands them over without the ID byte.
          queue_.emplace_back(report.begin() + 1, report.end());
        } else {
          fs_->Count([](NodeStats& s) { ++s.reportsDropped; });
        }
        waiting = std::exchange(poll_, nullptr);
        cv_.notify_all();
      }
      if (waiting != nullptr) {
        // Counted first, so the count is in before the poller can see the report.
        fs_->Count([](NodeStats& s) { ++s.pollWakeups; });
        fuse_notify_poll(waiting);
        fuse_pollhandle_destroy(waiting);
      }
      if (!received) return;
    }
  }

  HidrawFuse::Impl* const fs_;
  const std::unique_ptr<HidHandle> handle_;
  const std::size_t inputLength_;
  std::thread pump_;

  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::vector<uint8_t>> queue_;
  bool gone_ = false;
  bool closing_ = false;
  fuse_pollhandle* poll_ = nullptr;
};

}  // namespace

struct HidrawFuse::Impl::OpenFile {
  Kind kind = Kind::kNone;
  std::string simId;
  std::unique_ptr<OpenNode> node;
};

std::map<int, std::string> HidrawFuse::Impl::Present() {
  const std::vector<std::string> ids = sim::DefaultSimBackend().ListInterfaces();
  std::lock_guard lock(mu);
  std::erase_if(numbers, [&](const auto& entry) {
    return std::find(ids.begin(), ids.end(), entry.first) == ids.end();
  });
  for (const std::string& id : ids) {
    if (numbers.contains(id)) continue;
    int number = 0;
    while (std::any_of(numbers.begin(), numbers.end(),
                       [number](const auto& entry) { return entry.second == number; }))
      ++number;
    numbers[id] = number;
  }
  std::map<int, std::string> present;
  for (const auto& [id, number] : numbers) present[number] = id;
  return present;
}

Entry HidrawFuse::Impl::Resolve(const char* path) {
  if (path == nullptr) return {};
  const std::vector<std::string_view> p = Split(path);
  const std::size_t n = p.size();
  if (n == 0) return {Kind::kDir, {}};
  if (p[0] == "dev") {
    if (n == 1) return {Kind::kDir, {}};
    if (n > 2) return {};
  } else if (p[0] == "sys") {
    if (n == 1 || (n >= 2 && p[1] != "class")) return {n == 1 ? Kind::kDir : Kind::kNone, {}};
    if (n == 2) return {Kind::kDir, {}};
    if (p[2] != "hidraw") return {};
    if (n == 3) return {Kind::kDir, {}};
    if (n > 6 || (n >= 5 && p[4] != "device")) return {};
  } else {
    return {};
  }
  // The name of an interface, at p[1] under /dev and at p[3] under sysfs.
  const std::string_view name = p[0] == "dev" ? p[1] : p[3];
  std::string simId;
  for (const auto& [number, id] : Present())
    if (name == "hidraw" + std::to_string(number)) simId = id;
  if (simId.empty()) return {};
  if (p[0] == "dev") return {Kind::kNode, simId};
  if (n <= 5) return {Kind::kDir, simId};
  if (p[5] == "uevent") return {Kind::kUevent, simId};
  if (p[5] == "report_descriptor") return {Kind::kDescriptor, simId};
  return {};
}

bool HidrawFuse::Impl::List(const char* path, std::vector<std::string>* names) {
  const Entry entry = Resolve(path);
  if (entry.kind != Kind::kDir) return false;
  const std::vector<std::string_view> p = Split(path);
  auto interfaces = [&] {
    for (const auto& [number, id] : Present()) names->push_back("hidraw" + std::to_string(number));
  };
  switch (p.size()) {
    case 0:
      *names = {"sys", "dev"};
      break;
    case 1:
      if (p[0] == "sys")
        *names = {"class"};
      else
        interfaces();
      break;
    case 2:
      *names = {"hidraw"};
      break;
    case 3:
      interfaces();
      break;
    case 4:
      *names = {"device"};
      break;
    case 5:
      *names = {"uevent", "report_descriptor"};
      break;
    default:
      return false;
  }
  return true;
}

bool HidrawFuse::Impl::WaitLoopEnd(std::chrono::milliseconds limit) {
  std::unique_lock lock(loopMu);
  return loopCv.wait_for(lock, limit, [this] { return loopEnded; });
}

// Makes every request on the mount fail at once: through the connection's
// abort file when the FUSE control filesystem is mounted, else (root only)
// through a forced unmount, which aborts the connection first.
bool HidrawFuse::Impl::AbortConnection() {
  if (!connection.empty()) {
    std::ofstream abort("/sys/fs/fuse/connections/" + connection + "/abort");
    if (abort) {
      abort << "1";
      abort.close();
      if (abort) return true;
    }
  }
  if (geteuid() == 0 && !MountedDevice(dir).empty()) {
    umount2(dir.c_str(), MNT_FORCE);  // EBUSY with files open, but the connection is gone
    return true;
  }
  std::fprintf(stderr, "hidraw FUSE: no way to abort the connection of %s\n", dir.c_str());
  return false;
}

void HidrawFuse::Impl::StopWatchdog() {
  {
    std::lock_guard lock(watchMu);
    watchStop = true;
    watchCv.notify_all();
  }
  if (watchdog.joinable()) watchdog.join();
}

namespace {

HidrawFuse::Impl& Self() {
  return *static_cast<HidrawFuse::Impl*>(fuse_get_context()->private_data);
}

HidrawFuse::Impl::OpenFile* FileOf(const fuse_file_info* fi) {
  return reinterpret_cast<HidrawFuse::Impl::OpenFile*>(static_cast<uintptr_t>(fi->fh));
}

void* OpInit(fuse_conn_info*, fuse_config* config) {
  // Nothing cached in the kernel: an unplugged device's entries must vanish
  // at once, and each read or write on a node must reach us as it is.
  config->entry_timeout = 0;
  config->attr_timeout = 0;
  config->negative_timeout = 0;
  config->direct_io = 1;
  return fuse_get_context()->private_data;
}

int OpGetattr(const char* path, struct stat* st, fuse_file_info* fi) {
  std::memset(st, 0, sizeof *st);
  const Kind kind = fi != nullptr ? FileOf(fi)->kind : Self().Resolve(path).kind;
  st->st_uid = getuid();
  st->st_gid = getgid();
  switch (kind) {
    case Kind::kNone:
      return -ENOENT;
    case Kind::kDir:
      st->st_mode = S_IFDIR | 0755;
      st->st_nlink = 2;
      return 0;
    case Kind::kUevent:
    case Kind::kDescriptor:
      st->st_mode = S_IFREG | 0444;
      st->st_nlink = 1;
      st->st_size = kAttributeSize;
      return 0;
    case Kind::kNode:
      // A character device on a FUSE mount would open the kernel's driver for
      // its number, so the node is a regular file of size 0.
      st->st_mode = S_IFREG | 0600;
      st->st_nlink = 1;
      return 0;
  }
  return -ENOENT;
}

int OpReaddir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
              fuse_readdir_flags) {
  std::vector<std::string> names;
  if (!Self().List(path, &names)) return -ENOENT;
  const auto flags = static_cast<fuse_fill_dir_flags>(0);
  fill(buffer, ".", nullptr, 0, flags);
  fill(buffer, "..", nullptr, 0, flags);
  for (const std::string& name : names) fill(buffer, name.c_str(), nullptr, 0, flags);
  return 0;
}

int OpOpen(const char* path, fuse_file_info* fi) {
  HidrawFuse::Impl& fs = Self();
  const Entry entry = fs.Resolve(path);
  if (entry.kind == Kind::kNone) return -ENOENT;
  if (entry.kind == Kind::kDir) return -EISDIR;
  auto file = std::make_unique<HidrawFuse::Impl::OpenFile>();
  file->kind = entry.kind;
  file->simId = entry.simId;
  if (entry.kind == Kind::kNode) {
    HidReportLengths lengths;
    if (!sim::DefaultSimBackend().ReadReportLengths(entry.simId, &lengths) || lengths.input < 2)
      return -ENODEV;
    std::unique_ptr<HidHandle> handle = sim::DefaultSimBackend().OpenInterface(entry.simId);
    if (!handle) return -ENODEV;
    file->node =
        std::make_unique<OpenNode>(&fs, std::move(handle), static_cast<std::size_t>(lengths.input));
    file->node->Start();
    fi->nonseekable = 1;
    fs.Count([](NodeStats& s) { ++s.opens; });
  } else if ((fi->flags & O_ACCMODE) != O_RDONLY) {
    return -EACCES;
  }
  fi->direct_io = 1;
  fi->fh = reinterpret_cast<uintptr_t>(file.get());
  std::lock_guard lock(fs.mu);
  fs.files.insert(file.release());
  return 0;
}

int OpRead(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* fi) {
  HidrawFuse::Impl::OpenFile* file = FileOf(fi);
  if (file->node) return file->node->Read(buffer, size, (fi->flags & O_NONBLOCK) != 0);
  std::vector<uint8_t> content;
  if (!AttributeContent(file->kind, file->simId, &content)) return -ENODEV;
  if (offset < 0 || static_cast<std::size_t>(offset) >= content.size()) return 0;
  const std::size_t n = std::min(size, content.size() - static_cast<std::size_t>(offset));
  std::memcpy(buffer, content.data() + offset, n);
  return static_cast<int>(n);
}

int OpWrite(const char*, const char* buffer, size_t size, off_t, fuse_file_info* fi) {
  HidrawFuse::Impl::OpenFile* file = FileOf(fi);
  if (!file->node) return -EBADF;
  return file->node->Write(buffer, size);
}

int OpPoll(const char*, fuse_file_info* fi, fuse_pollhandle* handle, unsigned* revents) {
  HidrawFuse::Impl::OpenFile* file = FileOf(fi);
  if (!file->node) {
    if (handle != nullptr) fuse_pollhandle_destroy(handle);
    *revents = POLLIN | POLLRDNORM;
    return 0;
  }
  *revents = file->node->Poll(handle);
  return 0;
}

// hidraw's ioctls on a node. FUSE passes on only ioctls whose argument size
// is in the command number, and gives the server no input for read-only ones:
// HIDIOCGRDESC never sees the size the caller asked for and hands out the
// whole descriptor, size field included.
int OpIoctl(const char*, unsigned int cmd, void*, fuse_file_info* fi, unsigned int flags,
            void* data) {
  HidrawFuse::Impl& fs = Self();
  HidrawFuse::Impl::OpenFile* file = FileOf(fi);
  if ((flags & FUSE_IOCTL_DIR) != 0 || !file->node) return -ENOTTY;
  NodeAnswers answers;
  {
    std::lock_guard lock(fs.answersMu);
    answers = fs.answers;
  }
  if (answers.refused) return -ENOTTY;
  HidIdentity identity;
  HidReportLengths lengths;
  if (!file->node->Describe(&identity, &lengths)) return -ENODEV;
  if (answers.productId) identity.productId = *answers.productId;
  const std::vector<uint8_t> descriptor = answers.descriptor.value_or(DescriptorOf(lengths));
  const int size = answers.descriptorSize.value_or(static_cast<int>(descriptor.size()));
  switch (cmd) {
    case HIDIOCGRAWINFO: {
      hidraw_devinfo info{};
      info.bustype = BUS_USB;
      info.vendor = static_cast<int16_t>(identity.vendorId);
      info.product = static_cast<int16_t>(identity.productId);
      std::memcpy(data, &info, sizeof info);
      return 0;
    }
    case HIDIOCGRDESCSIZE:
      std::memcpy(data, &size, sizeof size);
      return 0;
    case HIDIOCGRDESC: {
      fs.Count([](NodeStats& s) { ++s.descriptorReads; });
      hidraw_report_descriptor out{};
      const std::size_t n = std::min(descriptor.size(), sizeof out.value);
      out.size = static_cast<uint32_t>(n);
      std::memcpy(out.value, descriptor.data(), n);
      std::memcpy(data, &out, sizeof out);
      return 0;
    }
    default:
      return -ENOTTY;
  }
}

int OpRelease(const char*, fuse_file_info* fi) {
  HidrawFuse::Impl& fs = Self();
  HidrawFuse::Impl::OpenFile* file = FileOf(fi);
  {
    std::lock_guard lock(fs.mu);
    fs.files.erase(file);
  }
  const bool node = file->node != nullptr;
  delete file;  // a node's pump is joined here
  if (node) fs.Count([](NodeStats& s) { ++s.releases; });
  std::lock_guard lock(fs.mu);
  fs.releasedCv.notify_all();
  return 0;
}

// Open directories are counted so that unmounting can wait for their
// releases too: libfuse frees its state of a directory only then.
int OpOpendir(const char* path, fuse_file_info*) {
  HidrawFuse::Impl& fs = Self();
  if (fs.Resolve(path).kind != Kind::kDir) return -ENOTDIR;
  std::lock_guard lock(fs.mu);
  ++fs.openDirs;
  return 0;
}

int OpReleasedir(const char*, fuse_file_info*) {
  HidrawFuse::Impl& fs = Self();
  std::lock_guard lock(fs.mu);
  --fs.openDirs;
  fs.releasedCv.notify_all();
  return 0;
}

fuse_operations Operations() {
  fuse_operations ops{};
  ops.init = OpInit;
  ops.getattr = OpGetattr;
  ops.readdir = OpReaddir;
  ops.open = OpOpen;
  ops.read = OpRead;
  ops.write = OpWrite;
  ops.poll = OpPoll;
  ops.ioctl = OpIoctl;
  ops.release = OpRelease;
  ops.opendir = OpOpendir;
  ops.releasedir = OpReleasedir;
  return ops;
}

std::once_flag gLogOnce;

}  // namespace

HidrawFuse::HidrawFuse() : impl_(std::make_unique<Impl>()) {}

HidrawFuse::~HidrawFuse() { Unmount(); }

const std::string& HidrawFuse::UnavailableReason() {
  static const std::string reason = []() -> std::string {
    const std::string prefix = "FUSE unavailable: ";
    struct stat st {};
    if (stat("/dev/fuse", &st) != 0)
      return prefix + "/dev/fuse does not exist (" + ErrnoText(errno) +
             "); a container has to be given the device";
    if (!S_ISCHR(st.st_mode)) return prefix + "/dev/fuse is not a character device";
    const int fd = open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0) return prefix + "cannot open /dev/fuse: " + ErrnoText(errno);
    close(fd);
    if (geteuid() != 0 && !OnPath("fusermount3"))
      return prefix +
             "not root and fusermount3 (package fuse3) is not on PATH, so nothing can be mounted";
    HidrawFuse trial;
    std::string error;
    if (!trial.Mount(&error, std::chrono::seconds(30))) return prefix + error;
    trial.Unmount();
    return {};
  }();
  return reason;
}

bool HidrawFuse::Mount(std::string* error, std::chrono::milliseconds watchdog) {
  Impl& s = *impl_;
  if (s.session != nullptr) {
    *error = "already mounted on " + s.dir;
    return false;
  }
  std::call_once(gLogOnce, [] { fuse_set_log_func(&CaptureLog); });
  ClearLog();

  const char* tmp = std::getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/tarvik-fuse-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    *error = "cannot make a mount point from " + pattern + ": " + ErrnoText(errno);
    return false;
  }
  std::error_code ec;
  const std::filesystem::path canonical = std::filesystem::canonical(pattern, ec);
  s.dir = ec ? pattern : canonical.string();

  static const fuse_operations ops = Operations();
  fuse_args args = FUSE_ARGS_INIT(0, nullptr);
  fuse_opt_add_arg(&args, "tarvik_fuse_tests");
  fuse_opt_add_arg(&args, "-o");
  fuse_opt_add_arg(&args, "fsname=tarvik-hidraw,subtype=tarvik-hidraw");
  s.session = fuse_new(&args, &ops, sizeof ops, &s);
  fuse_opt_free_args(&args);
  if (s.session == nullptr) {
    *error = "fuse_new failed: " + OneLine(TakeLog());
    rmdir(s.dir.c_str());
    return false;
  }
  StderrCapture capture;
  const int mounted = fuse_mount(s.session, s.dir.c_str());
  const std::string printed = capture.Finish();
  if (mounted != 0) {
    std::string why = OneLine(TakeLog());
    if (why.empty()) why = OneLine(printed);  // unprivileged: fusermount3's own words
    if (why.empty()) why = "libfuse gave no reason";
    *error = "mounting a FUSE filesystem on " + s.dir + " failed: " + why;
    fuse_destroy(s.session);
    s.session = nullptr;
    rmdir(s.dir.c_str());
    return false;
  }
  s.connection = ConnectionName(MountedDevice(s.dir));
  {
    std::lock_guard lock(s.loopMu);
    s.loopEnded = false;
  }
  s.loop = std::thread([&s] {
    fuse_loop_config* config = fuse_loop_cfg_create();
    fuse_loop_mt(s.session, config);
    fuse_loop_cfg_destroy(config);
    std::lock_guard lock(s.loopMu);
    s.loopEnded = true;
    s.loopCv.notify_all();
  });
  {
    std::lock_guard lock(s.watchMu);
    s.watchStop = false;
  }
  s.watchFired = false;
  s.watchdog = std::thread([&s, watchdog] {
    std::unique_lock lock(s.watchMu);
    if (s.watchCv.wait_for(lock, watchdog, [&s] { return s.watchStop; })) return;
    lock.unlock();
    s.watchFired = true;
    std::fprintf(stderr, "hidraw FUSE: still mounted after %lld ms; aborting the connection\n",
                 static_cast<long long>(watchdog.count()));
    s.AbortConnection();
  });
  return true;
}

void HidrawFuse::Unmount() {
  Impl& s = *impl_;
  if (s.session == nullptr) return;

  // Closing a file or directory sends its release after close() has
  // returned: give the last ones a moment. Anything still open after that
  // would keep the detached mount, and so the serving threads, alive: then
  // the connection is aborted instead.
  bool leftOpen = false;
  {
    std::unique_lock lock(s.mu);
    leftOpen = !s.releasedCv.wait_for(lock, kReleaseGrace,
                                      [&s] { return s.files.empty() && s.openDirs == 0; });
    // No poller may be woken once the session's device is closed.
    for (Impl::OpenFile* file : s.files)
      if (file->node) file->node->Stop();
  }
  fuse_exit(s.session);
  if (leftOpen) {
    std::fprintf(stderr, "hidraw FUSE: files still open at unmount; aborting the connection\n");
    s.AbortConnection();
  }
  if (!DetachMount(s.dir))
    std::fprintf(stderr, "hidraw FUSE: cannot unmount %s: %s\n", s.dir.c_str(),
                 std::strerror(errno));

  if (!s.WaitLoopEnd(kLoopEndWait)) {
    std::fprintf(stderr, "hidraw FUSE: serving thread still running after unmount; aborting\n");
    s.AbortConnection();
    if (!s.WaitLoopEnd(kLoopEndWait)) {
      // Joining would hang the test; leave the thread and its session behind.
      std::fprintf(stderr, "hidraw FUSE: giving up on the serving thread of %s\n", s.dir.c_str());
      s.loop.detach();
      s.StopWatchdog();
      s.session = nullptr;
      return;
    }
  }
  s.loop.join();
  s.StopWatchdog();
  fuse_unmount(s.session);  // closes the device; the mount is gone already

  std::set<Impl::OpenFile*> left;
  {
    std::lock_guard lock(s.mu);
    left.swap(s.files);
  }
  for (Impl::OpenFile* file : left) delete file;
  fuse_destroy(s.session);
  s.session = nullptr;
  if (rmdir(s.dir.c_str()) != 0)
    std::fprintf(stderr, "hidraw FUSE: cannot remove %s: %s\n", s.dir.c_str(),
                 std::strerror(errno));
}

bool HidrawFuse::IsMounted() const { return impl_->session != nullptr; }
std::string HidrawFuse::MountPoint() const { return impl_->dir; }
std::string HidrawFuse::SysRoot() const { return impl_->dir + "/sys"; }
std::string HidrawFuse::DevRoot() const { return impl_->dir + "/dev"; }

NodeStats HidrawFuse::Stats() const {
  std::lock_guard lock(impl_->statsMu);
  return impl_->stats;
}

void HidrawFuse::ClearStats() {
  std::lock_guard lock(impl_->statsMu);
  impl_->stats = {};
}

void HidrawFuse::SetNodeAnswers(NodeAnswers answers) {
  std::lock_guard lock(impl_->answersMu);
  impl_->answers = std::move(answers);
}

bool HidrawFuse::WatchdogFired() const { return impl_->watchFired; }

}  // namespace tarvik::fusetest

#else  // built without libfuse3

namespace tarvik::fusetest {

namespace {
const char kNotBuilt[] =
    "FUSE unavailable: tarvik_fuse_tests was built without libfuse3 "
    "(install libfuse3-dev and configure again)";
}  // namespace

struct HidrawFuse::Impl {};

HidrawFuse::HidrawFuse() = default;
HidrawFuse::~HidrawFuse() = default;

const std::string& HidrawFuse::UnavailableReason() {
  static const std::string reason = kNotBuilt;
  return reason;
}

bool HidrawFuse::Mount(std::string* error, std::chrono::milliseconds) {
  *error = kNotBuilt;
  return false;
}
void HidrawFuse::Unmount() {}
bool HidrawFuse::IsMounted() const { return false; }
std::string HidrawFuse::MountPoint() const { return {}; }
std::string HidrawFuse::SysRoot() const { return {}; }
std::string HidrawFuse::DevRoot() const { return {}; }
NodeStats HidrawFuse::Stats() const { return {}; }
void HidrawFuse::ClearStats() {}
void HidrawFuse::SetNodeAnswers(NodeAnswers) {}
bool HidrawFuse::WatchdogFired() const { return false; }

}  // namespace tarvik::fusetest

#endif
