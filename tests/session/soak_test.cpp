// Long runs against the stand-in: many exchanges with notifications and
// stream messages arriving at random in between, and many unplug and replug
// cycles of a connected session. Nothing may be lost or mismatched, and
// threads and memory must stay where they were.
#include <gtest/gtest.h>

#include <dirent.h>
#include <atomic>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "commands/operation_fields.h"
#include "link/link_errors.h"
#include "support/session_fixture.h"

namespace tarvik {
namespace {

// AddressSanitizer holds freed memory back in quarantine, so resident
// memory says nothing there; LeakSanitizer checks that build instead.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryMeasurable = false;
#else
constexpr bool kMemoryMeasurable = true;
#endif

int ThreadCount() {
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks))
      if (entry->d_name[0] != '.') ++count;
    closedir(tasks);
  }
  return count;
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

std::atomic<int> g_streamMessages{0};
void CountStream(int, const uint8_t*, int) { ++g_streamMessages; }

// The exchanges wait on the program's own steady clock, as they do in use.
class Soak : public testing::SessionOnStandIn {
 protected:
  Soak() : SessionOnStandIn(&DefaultLinkClock()) {}
};

TEST_F(Soak, HundredThousandExchangesAmidNotificationsAndStreamMessages) {
  constexpr int kPairs = 50000;  // a write and a read each
  testing::NotifyRecorder::Instance().Clear();
  session.link->SetNotifyCallback(&testing::NotifyRecorder::Callback);
  session.link->SetStreamCallback(&CountStream);
  g_streamMessages = 0;

  std::atomic<bool> done{false};
  std::atomic<int> notificationsSent{0}, streamsSent{0};
  std::thread noise([&] {
    std::mt19937 random(7);
    const std::vector<uint8_t> text = {'l', 'e', 'v', 'e', 'l'};
    while (!done.load()) {
      if (random() % 2) {
        device.SendNotification(1 + static_cast<int>(random() % 2),
                                static_cast<int>(random() % 200));
        ++notificationsSent;
      } else {
        device.SendStreamMessage(0x20, text);
        ++streamsSent;
      }
      std::this_thread::sleep_for(std::chrono::microseconds(200 + random() % 300));
    }
  });

  long residentAtStart = 0;
  int mismatches = 0, failures = 0;
  for (int i = 0; i < kPairs; ++i) {
    if (i == kPairs / 10) residentAtStart = ResidentKiB();
    if (i % 1000 == 0) device.ClearRequests();  // the stand-in's own log stays small
    const int16_t gain = static_cast<int16_t>((i % 512) * 12 - 3072);
    const uint8_t target = i % 2 ? TARGET_INPUT_R : TARGET_INPUT_L;
    std::lock_guard<std::recursive_mutex> guard(session.lock);
    SetField(p(), fields::ChannelGain::target, target);
    SetField(p(), fields::ChannelGain::gain, gain);
    p().selector = 0;
    if (session.Execute(ToInt(CommandId::SetChannelGain)) != LINK_OK) ++failures;
    SetField(p(), fields::ChannelGain::gain, int16_t{0x5555});
    if (session.Execute(ToInt(CommandId::GetChannelGain)) != LINK_OK) ++failures;
    if (GetField(p(), fields::ChannelGain::gain) != gain) ++mismatches;
  }
  done = true;
  noise.join();

  EXPECT_EQ(failures, 0);
  EXPECT_EQ(mismatches, 0);
  EXPECT_TRUE(testing::NotifyRecorder::Instance().WaitFor(
      static_cast<std::size_t>(notificationsSent.load())));
  EXPECT_EQ(testing::NotifyRecorder::Instance().Calls().size(),
            static_cast<std::size_t>(notificationsSent.load()));
  EXPECT_TRUE(testing::Eventually([&] { return g_streamMessages.load() == streamsSent.load(); }));
  EXPECT_GT(notificationsSent.load(), 100);
  // Buffers are allocated once: the second 90 % of the run needs no more memory.
  if (kMemoryMeasurable) {
    EXPECT_LT(ResidentKiB() - residentAtStart, 2048);
  }
}

TEST_F(Soak, ThousandUnplugAndReplugCyclesLeaveNoThreadOrMemoryBehind) {
  constexpr int kCycles = 1000;
  testing::NotifyRecorder::Instance().Clear();
  session.SetNotifyCallback(&testing::NotifyRecorder::Callback);
  session.Close();
  const int threadsAtStart = ThreadCount();
  long residentAtStart = 0;
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    if (cycle == kCycles / 10) residentAtStart = ResidentKiB();
    ASSERT_TRUE(session.Open()) << cycle;
    {
      std::lock_guard<std::recursive_mutex> guard(session.lock);
      ASSERT_EQ(session.Execute(ToInt(CommandId::GetUsbSpeed)), LINK_OK) << cycle;
    }
    const std::size_t lost = testing::NotifyRecorder::Instance().Calls().size();
    device.Unplug();
    ASSERT_TRUE(testing::NotifyRecorder::Instance().WaitFor(lost + 1))
        << "no link loss at cycle " << cycle;
    session.Close();
    device.ClearRequests();
    device.Plug();
  }
  EXPECT_EQ(ThreadCount(), threadsAtStart);
  if (kMemoryMeasurable) {
    EXPECT_LT(ResidentKiB() - residentAtStart, 2048);
  }
  for (const auto& [code, value] : testing::NotifyRecorder::Instance().Calls())
    EXPECT_EQ(code, NOTIFY_LINK_LOST);
}

}  // namespace
}  // namespace tarvik
