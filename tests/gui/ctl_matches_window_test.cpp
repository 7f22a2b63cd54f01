// tarvikctl's `set` makes the exchanges the window's handlers make for the
// same change: the device cannot tell the two programs apart.
#include <gtest/gtest.h>

#include <QComboBox>
#include <functional>
#include <sstream>

#include "ctl_main.h"
#include "gui/gui_fixture.h"
#include "pages/tab_view_aud_in.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"

namespace tarvik {
namespace {

using testing::Step;

class CtlMatchesWindow : public testing::ConfiguratorOnStandIn {
 protected:
  static void Choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
  }

  // The steps of the window's handler, then those of `set NAME VALUE` on a
  // device in the same starting state; the command's own reads come first.
  void Compare(const std::string& name, const std::string& value,
               const std::function<void()>& handler) {
    const std::vector<uint8_t> modes = device.Setting(0, 0x0116, 0);
    const std::vector<uint8_t> routing = device.Setting(0, 0x0108, 0);
    Connect();
    ASSERT_TRUE(Connected());
    device.ClearRequests();
    handler();
    const std::vector<Step> window = Steps();
    ASSERT_FALSE(window.empty()) << name;
    CloseWindow();  // the window lets the device go
    device.SetSetting(0, 0x0116, 0, 0, modes);
    device.SetSetting(0, 0x0108, 0, 0, routing);
    device.ClearRequests();

    const testing::TemporaryDirectory lockDirectory;
    ASSERT_FALSE(lockDirectory.Path().empty());
    std::ostringstream out, err;
    std::istringstream in;
    ctl::Context context(out, err, in);
    context.lockDirectory = lockDirectory.Path();
    context.systemBackend = &sim::DefaultSimBackend();
    EXPECT_EQ(ctl::Run({"set", name, value}, context), 0) << err.str();
    const std::vector<Step> command = Steps();
    ASSERT_GE(command.size(), window.size()) << name;
    EXPECT_EQ(std::vector<Step>(command.end() - static_cast<std::ptrdiff_t>(window.size()),
                                command.end()),
              window)
        << name;
    MakeWindow(0x0409);
    device.Unplug();
  }
};

TEST_F(CtlMatchesWindow, EveryListWritesAlike) {
  device.SetSetting(0, 0x0116, 0, 0, {0x03});
  Compare("gain-l", "+9dB", [&] { Choose(window->AudioInPage().ChannelControls(0).gain, 7); });
  Compare("signal-level-r", "microphone",
          [&] { Choose(window->AudioInPage().ChannelControls(1).level, 1); });
  Compare("eq-r", "low-cut", [&] { Choose(window->AudioInPage().ChannelControls(1).eq, 2); });
  Compare("pa-output", "off", [&] { Choose(window->AudioInPage().PaOutputList(), 1); });
  Compare("output-volume", "-3dB", [&] { Choose(window->AudioOutPage().VolumeList(), 3); });
  Compare("mode-l", "conference-system",
          [&] { Choose(window->AudioInPage().ChannelControls(0).mode, 0); });
  device.SetSetting(0, 0x0116, 0, 0, {0x00});
  Compare("mode-r", "pa-microphone",
          [&] { Choose(window->AudioInPage().ChannelControls(1).mode, 1); });
  device.SetFirmwareVersion("3.00");
  Compare("mic-mute-sync", "sync-with-pcs", [&] { Choose(window->UsbPage().MuteSyncList(), 1); });
}

}  // namespace
}  // namespace tarvik
