// The pages run on nothing but their host: the session, the boxes and the
// texts come from it, and a failed exchange comes back as the page's signal.
#include <gtest/gtest.h>

#include <vector>

#include "gui/gui_fixture.h"
#include "pages/page_host.h"
#include "pages/tab_view_aud_out.h"
#include "pages/tab_view_usb.h"
#include "settings/firmware_version.h"

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

  // Records, for each of the page's failure signals, whether the session
  // was still open: the page leaves the recovery to the receiver.
  void Watch(PageFrame& page) {
    QObject::connect(&page, &PageFrame::CommunicationFailed,
                     [this] { openWhenSignalled.push_back(host.session.isOpen); });
  }

  sim::SimDevice device;
  FakeHost host;
  QWidget window;
  std::vector<bool> openWhenSignalled;
};

TEST_F(PagesOnAHost, AFailedWriteIsSignalledOnceAndEndsTheHandler) {
  CTabViewAudOut page(host);
  ASSERT_TRUE(page.CreateView(&window));
  Watch(page);
  page.OnOutputVolumeChange(3);
  EXPECT_TRUE(openWhenSignalled.empty());
  device.InjectFault(Fault{FaultKind::BadStatus});
  device.ClearRequests();
  page.OnOutputVolumeChange(4);
  EXPECT_EQ(openWhenSignalled, std::vector<bool>{true});
  EXPECT_EQ(device.RequestCount(), 1u);  // nothing after the failed exchange
  EXPECT_TRUE(host.session.isOpen);
  EXPECT_TRUE(host.boxes.empty());  // the page shows no box of its own
}

TEST_F(PagesOnAHost, TheUsbPageAsksTheHostOnItsWindowAndRestartsOnlyAfterReturning) {
  CTabViewUsb page(host);
  ASSERT_TRUE(page.CreateView(&window));
  Watch(page);
  page.ShowConnectState(true, FeaturesOf(kProductIds[0], ParseFirmwareVersion("2.10")));
  page.ShowUsbSpeed(0);

  host.answer = kAnswerCancel;
  page.OnUsbSpeedClick(CTabViewUsb::kFullSpeed);
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].owner, &window);
  EXPECT_EQ(host.boxes[0].text, QString::number(kTextRestartQuestion));
  EXPECT_TRUE(page.HiSpeedButton().isChecked());

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
