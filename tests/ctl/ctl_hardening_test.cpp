// tarvikctl when input is hostile or the world fails around it: bytes that
// are not text, a stream that fails, an exception from below. Each case once
// made it crash, hang or report a success that did not happen. The cases that
// need POSIX files and signals are in ctl_hardening_posix_test.cpp.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "ctl/ctl_fixture.h"
#include "device_names.h"
#include "exit_codes.h"
#include "support/firmware_images.h"

namespace tarvik {
namespace {

using CtlHardening = testing::CtlOnStandIn;
using testing::Write;

TEST_F(CtlHardening, TextThatIsNotUtf8StaysValidJsonAndHarmlessOnATerminal) {
  ASSERT_EQ(Invoke({"op", "SetCmd001C", "text=\xff\xfe\x1b[2J"}), ctl::kExitOk) << err.str();
  ASSERT_EQ(Invoke({"--json", "op", "GetCmd001C"}), ctl::kExitOk) << err.str();
  EXPECT_EQ(Json()["fields"]["text"], "\xEF\xBF\xBD\xEF\xBF\xBD\x1b[2J");  // parses: valid UTF-8
  ASSERT_EQ(Invoke({"op", "GetCmd001C"}), ctl::kExitOk);
  EXPECT_NE(out.str().find("\\xff\\xfe\\x1b[2J"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find('\x1b'), std::string::npos);
}

TEST_F(CtlHardening, FileNamesAndArgumentsInMessagesCannotReachTheTerminal) {
  const std::string hostile = "\x1b]0;owned\x07";
  const std::string name = File(hostile);
  const struct {
    std::vector<std::string> args;
    int code;
  } cases[] = {
      {{"op", "SetCmd0800", "target=1", "--in", name}, ctl::kExitNoInput},
      {{"--yes", "firmware", "update", name, "--target", "1"}, ctl::kExitNoInput},
      {{"--yes", "firmware", "section", name}, ctl::kExitNoInput},
      {{"apply", name}, ctl::kExitNoInput},
      {{"save", name + "/room.json"}, ctl::kExitCannotWrite},
      {{"op", "GetCmd0800", "target=1", "count=16", "--out", name + "/out.bin"},
       ctl::kExitCannotWrite},
      {{"set", hostile, "1"}, ctl::kExitUsage},
      {{"set", "gain-l", hostile}, ctl::kExitUsage},
      {{"op", "SetCmd0800", hostile}, ctl::kExitUsage},
      {{"op", "SetCmd0800", hostile + "=1"}, ctl::kExitUsage},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Invoke(c.args), c.code) << c.args[0];
    EXPECT_NE(err.str().find("\\x1b]0;owned\\x07"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find('\x1b'), std::string::npos) << err.str();
  }
}

TEST(WindowsDeviceNames, AreKnownInAnyCaseWithAnyExtensionInTheLastComponentOnly) {
  for (const char* name : {"NUL", "nul", "con.txt", "aux.json", "COM1", "lpt9.bin", "Com\xC2\xB9",
                           "C:/rooms/prn", "C:\\rooms\\Nul.tar.gz", "nul .txt", "C:NUL", "conin$"})
    EXPECT_TRUE(ctl::IsWindowsDeviceName(name)) << name;
  for (const char* name : {"COM0", "COM10", "null", "console.json", "nul/room.json",
                           "auxiliary.bin", "", "rooms/", "LPT"})
    EXPECT_FALSE(ctl::IsWindowsDeviceName(name)) << name;
}

TEST_F(CtlHardening, EveryCommandLineOfTheReadmeWorks) {
  Write(File("PACKAGE"), testing::Package(testing::Payload(100)));
  Write(File("IMAGE"), testing::Type0());
  device.SetRestartPlan(200);
  std::ifstream readme(TARVIK_SOURCE_DIR "/README.md");
  const std::regex command(R"(^tarvikctl ([^#]*?)\s*(#.*)?$)");
  int run = 0;
  for (std::string line; std::getline(readme, line);) {
    std::smatch match;
    if (!std::regex_match(line, match, command)) continue;
    std::istringstream words(match[1].str());
    std::vector<std::string> args;
    for (std::string word; words >> word;) {
      if (word.front() == '[' && word.back() == ']')
        word = word.substr(1, word.size() - 2);  // optional: given
      // Files and folders the examples name go in the test's own directory.
      const bool file =
          word == "PACKAGE" || word == "IMAGE" || word.ends_with(".json") || word.ends_with('/');
      args.push_back(file ? File(word) : word);
    }
    EXPECT_EQ(Invoke(args, "y\n"), ctl::kExitOk) << line << "\n" << err.str();
    ++run;
  }
  EXPECT_GE(run, 9);
}

TEST_F(CtlHardening, AnUnexpectedExceptionIsAnInternalError) {
  class Throwing : public HidBackend {
   public:
    std::vector<std::string> ListInterfaces() override { throw std::runtime_error("boom"); }
    bool ReadIdentity(const std::string&, HidIdentity*) override { return false; }
    bool ReadReportLengths(const std::string&, HidReportLengths*) override { return false; }
    std::unique_ptr<HidHandle> OpenInterface(const std::string&) override { return nullptr; }
  } throwing;
  ctlOptions.systemBackend = &throwing;
  EXPECT_EQ(Invoke({"list"}), ctl::kExitInternal);
  EXPECT_NE(err.str().find("internal error: boom"), std::string::npos);
}

}  // namespace
}  // namespace tarvik
