// tarvikctl where the world fails around it in POSIX ways: files that never
// end, full disks, a lock directory that cannot be used, signals. Each case
// once made it crash, hang or report a success that did not happen.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "ctl/ctl_fixture.h"
#include "exit_codes.h"
#include "support/firmware_images.h"
#include "temporary_file.h"

namespace tarvik {
namespace {

using CtlHardening = testing::CtlOnStandIn;
using testing::Write;

// POSIX file names are bytes; Windows ones are UTF-16 and always convert.
TEST_F(CtlHardening, AFileNameThatIsNotUtf8StillNamesTheFile) {
  const std::string name = File("fw\xff.bin");
  Write(name, testing::Package(testing::Payload(100)));
  ASSERT_EQ(Invoke({"--json", "--yes", "firmware", "update", name, "--target", "1"}), ctl::kExitOk)
      << err.str();
  EXPECT_EQ(Json()["result"], "OK");
  ASSERT_EQ(Invoke({"--yes", "firmware", "update", name, "--target", "1"}), ctl::kExitOk);
  EXPECT_EQ(out.str().find("schemaVersion"), std::string::npos) << out.str();
}

TEST_F(CtlHardening, InputFilesAreReadWithAHardLimitWhateverTheyAre) {
  ASSERT_EQ(mkfifo(File("pipe").c_str(), 0600), 0);
  std::thread writer([&] { Write(File("pipe"), testing::Package(testing::Payload(5000))); });
  EXPECT_EQ(Invoke({"--yes", "firmware", "update", File("pipe"), "--target", "1"}), ctl::kExitOk)
      << err.str();
  writer.join();
  device.ClearRequests();

  Write(File("big.bin"), std::vector<uint8_t>(65530));  // one byte more than a block holds
  struct Case {
    std::vector<std::string> args;
    const char* says;
  } const cases[] = {
      {{"op", "SetCmd0800", "target=1", "--in", "/dev/zero"}, "larger than 65529 bytes"},
      {{"op", "SetCmd0800", "target=1", "--in", File("big.bin")}, "larger than 65529 bytes"},
      {{"op", "SetCmd0800", "target=1", "--in", directory}, "is a directory"},
      {{"--yes", "firmware", "update", directory, "--target", "1"}, "is a directory"},
      {{"--yes", "firmware", "update", "/dev/zero", "--target", "1"}, "larger than 67108864 bytes"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Invoke(c.args), ctl::kExitNoInput) << c.says;
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
  }
  EXPECT_EQ(Invoke({"op", "SetCmd0800", "target=1", "count=65535"}), ctl::kExitUsage);
  EXPECT_NE(err.str().find("at most 65529 bytes"), std::string::npos) << err.str();
  EXPECT_EQ(device.RequestCount(), 0u);
}

// A pipe can be read only once: under --all, a second read for the second
// device would find it empty, or wait for a writer that never comes.
TEST_F(CtlHardening, UnderAllAFileFromAPipeIsReadOnceForEveryDevice) {
  sim::SimDevice second{sim::SimOptions{.topology = "2-1"}};
  const std::string room = R"({"schemaVersion": 1, "settings": {"gain-l": "+3dB"}})";
  const struct {
    std::vector<uint8_t> file;
    std::vector<std::string> args;  // PIPE: the pipe's name
  } cases[] = {
      {testing::Package(testing::Payload(5000)),
       {"--json", "--yes", "--all", "firmware", "update", "PIPE", "--target", "1"}},
      {testing::Type0(), {"--json", "--yes", "--all", "firmware", "section", "PIPE"}},
      {{room.begin(), room.end()}, {"--all", "apply", "PIPE"}},
  };
  for (const auto& c : cases) {
    const std::string pipe = File("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { Write(pipe, c.file); });
    std::vector<std::string> args;
    for (const std::string& word : c.args) args.push_back(word == "PIPE" ? pipe : word);
    EXPECT_EQ(Invoke(args), ctl::kExitOk) << ::testing::PrintToString(c.args) << err.str();
    writer.join();
    std::filesystem::remove(Path("pipe"));
    if (args[0] == "--json") {
      EXPECT_EQ(Json()["succeeded"], 2) << out.str();
    }
  }
  EXPECT_EQ(device.Setting(0, 0x0103, 0x71), (std::vector<uint8_t>{0x00, 0x03}));
  EXPECT_EQ(second.Setting(0, 0x0103, 0x71), (std::vector<uint8_t>{0x00, 0x03}));
}

TEST_F(CtlHardening, SaveKeepsAFilesPermissionsAndRefusesOneItMayNotChange) {
  const struct {
    const char* name;
    mode_t mode;
    int code;
  } cases[] = {
      {"private.json", 0600, ctl::kExitOk},
      {"shared.json", 0664, ctl::kExitOk},
      {"read-only.json", 0444, ctl::kExitCannotWrite},
      {"no-one.json", 0000, ctl::kExitCannotWrite},
  };
  for (const auto& c : cases) {
    const std::string file = File(c.name);
    Write(file, {'x'});
    ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
    EXPECT_EQ(Invoke({"save", file}), c.code) << c.name << ": " << err.str();
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, c.mode) << c.name;
    EXPECT_EQ(std::filesystem::file_size(Path(c.name)) == 1, c.code != ctl::kExitOk) << c.name;
  }
  EXPECT_NE(err.str().find("may not change it"), std::string::npos) << err.str();
}

// The temporary file must fit beside any name the folder can hold.
TEST_F(CtlHardening, SaveWritesFilesWithTheLongestNamesAndLeavesNothingElse) {
  for (const std::size_t length : {241u, 250u, 255u}) {
    const std::string name = std::string(length - 5, 'a') + ".json";
    EXPECT_EQ(Invoke({"save", File(name)}), ctl::kExitOk) << length << ": " << err.str();
    EXPECT_TRUE(std::filesystem::exists(Path(name))) << length;
  }
  for (const auto& entry : std::filesystem::directory_iterator(Path("")))
    EXPECT_NE(entry.path().filename().string()[0], '.') << "a temporary file: " << entry.path();
}

using CtlHardeningDeathTest = CtlHardening;

TEST_F(CtlHardeningDeathTest, ASignalDuringASaveTakesItsTemporaryFileAlong) {
  for (const int signal : {SIGINT, SIGTERM}) {
    const std::filesystem::path target = Path("room.json");
    EXPECT_EXIT(
        {
          ctl::TemporaryFile temporary(target);
          std::ofstream(temporary.path()) << "{";
          raise(signal);
        },
        ::testing::KilledBySignal(signal), "");
    EXPECT_TRUE(std::filesystem::is_empty(Path(""))) << signal;
  }
}

TEST_F(CtlHardening, FailedWritesAreNeverASuccess) {
  for (const std::string& to : {std::string("/dev/full"), directory + "/no/such/dir"})
    EXPECT_EQ(Invoke({"op", "GetCmd0800", "target=1", "count=16", "--out", to}),
              ctl::kExitCannotWrite)
        << to;

  std::ostream closed(nullptr);  // every write fails, as to a full disk or a closed pipe
  output = &closed;
  EXPECT_EQ(Invoke({"--json", "show"}), ctl::kExitOutput);
  EXPECT_NE(err.str().find("cannot write to standard output"), std::string::npos);
}

TEST_F(CtlHardening, ALockThatCannotBeTakenStopsAllButForcedRuns) {
  ctlOptions.lockDirectory = directory + "/missing";
  EXPECT_EQ(Invoke({"show"}), ctl::kExitBusy);
  EXPECT_NE(err.str().find("--force"), std::string::npos) << err.str();
  EXPECT_EQ(device.RequestCount(), 0u);
  EXPECT_EQ(Invoke({"show", "--force"}), ctl::kExitOk);
}

TEST_F(CtlHardening, ASignalStopsATransferBetweenBlocksAndSaysSo) {
  const testing::Image package = testing::Package(testing::Payload(20 * 4096));
  Write(File("fw.bin"), package);
  device.SetReplyLatency(50);
  // Should the signal come only after the transfer, it must not end the tests.
  const auto before = signal(SIGTERM, SIG_IGN);
  std::thread sender([&] {
    // The third request is a block: the transfer, and its handler, are under way.
    if (device.WaitForRequests(3, 10000)) kill(getpid(), SIGTERM);
  });
  EXPECT_EQ(Invoke({"--yes", "firmware", "update", File("fw.bin"), "--target", "1"}),
            ctl::kExitTerminated);
  sender.join();
  signal(SIGTERM, before);
  EXPECT_NE(err.str().find("incomplete firmware"), std::string::npos) << err.str();
  EXPECT_LT(device.RequestCount(), 22u);  // start, 20 blocks, programming
  EXPECT_TRUE(device.Firmware().programmed.empty());

  device.SetReplyLatency(0);
  EXPECT_EQ(Invoke({"--yes", "firmware", "update", File("fw.bin"), "--target", "1"}), ctl::kExitOk)
      << err.str();
  EXPECT_EQ(device.Firmware().programmed, std::vector<uint8_t>{1});
}

}  // namespace
}  // namespace tarvik
