// The pages run on nothing but their host: the session, the boxes and the
// texts come from it, and a failed exchange comes back as the page's signal.
#include <gtest/gtest.h>

#include <vector>

#include "settings/firmware_version.h"
#include "gui/gui_fixture.h"
#include "pages/page_host.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;

// Answers every box with `answer` and gives each text as its id.
class FakeHost : public PageHost {
 public:
  CHidDevCommApp& Session() override { return session; }
  int ShowMessageBox(QWidget* owner, const QString& text, BoxIcon, BoxButtons) override {
    boxes.push_back({owner, text});
    return answer;
  }
  QString LoadText(TextId id) const override { return QString::number(id); }

  struct Box {
    QWidget* owner;
    QString text;
  };
  CHidDevCommApp session{sim::DefaultSimBackend()};
  std::vector<Box> boxes;
  int answer = kAnswerOk;
};

class PagesOnAHost : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host.session.Open()); }
  void TearDown() override { host.session.Close(); }

  // Counts the page's failure signals; each finds the session still open,
  // then closes it as the window does.
  void Watch(PageFrame& page) {
    QObject::connect(&page, &PageFrame::CommunicationFailed, [this] {
      openWhenSignalled.push_back(host.session.isOpen);
      host.session.Close();
    });
  }

  sim::SimDevice device;
  FakeHost host;
  QWidget window;
  std::vector<bool> openWhenSignalled;
};

TEST_F(PagesOnAHost, AFailedWriteIsSignalledOnceBeforeTheHandlerReturns) {
  CTabViewAudOut page(host);
  ASSERT_TRUE(page.CreateView(&window));
  Watch(page);
  page.OnOutputVolumeChange(3);
  EXPECT_TRUE(openWhenSignalled.empty());
  device.InjectFault(Fault{FaultKind::BadStatus});
  page.OnOutputVolumeChange(4);
  EXPECT_EQ(openWhenSignalled, std::vector<bool>{true});
  EXPECT_TRUE(host.boxes.empty());  // the page shows no box of its own
}

TEST_F(PagesOnAHost, TheUsbPageAsksTheHostOnItsWindowAndRestartsOnlyAfterReturning) {
  CTabViewUsb page(host);
  ASSERT_TRUE(page.CreateView(&window));
  Watch(page);
  page.ShowConnectState(true, ParseFirmwareVersion("2.10"));
  page.ShowUsbSpeed(0);

  host.answer = kAnswerCancel;
  page.OnUsbSpeedClick(CTabViewUsb::kFullSpeed);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].owner, &window);
  EXPECT_EQ(host.boxes[0].text, QString::number(kTextRestartQuestion));
  EXPECT_EQ(page.HiSpeedButton().checked, 1);

  host.answer = kAnswerOk;
  device.SetRestartPlan(500);
  page.OnUsbSpeedClick(CTabViewUsb::kFullSpeed);
  EXPECT_TRUE(device.IsPlugged());  // the restart is queued, not run
  testing::RunQueuedCalls(&page);
  EXPECT_FALSE(device.IsPlugged());
  EXPECT_TRUE(openWhenSignalled.empty());
}

}  // namespace
}  // namespace tarvik
