// Both firmware transfers with every fault the stand-in offers at every
// exchange: each ends in success (where the transfer's tries absorb the
// fault) or in a link error code, and a clean transfer works again
// afterwards. The waits run on a manual clock: the wait for a reply that is
// withheld times out at once, and no other wait can time out.
#include <gtest/gtest.h>

#include <string>

#include "commands/operation_fields.h"
#include "support/firmware_images.h"
#include "session/hid_dev_comm_app.h"
#include "link/link_errors.h"
#include "support/manual_clock.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "support/test_support.h"

namespace tarvik {
namespace {

using sim::Fault;
using sim::FaultKind;

// On the stand-in's own real-time clock: a late reply mostly lands in a
// later exchange of the same transfer, whose waits stand still meanwhile.
constexpr int kLateReplyMs = 2;

void NoProgress(int, int) {}

class FirmwareFaultMatrix : public ::testing::Test {
 protected:
  int Transfer(bool package) {
    std::lock_guard<std::recursive_mutex> guard(session.lock);
    CommandParams& p = session.params;
    p = {};
    if (package) {
      using F = fields::UpdateFirmware;
      SetField(p, F::image, static_cast<const uint8_t*>(packageFile.data()));
      SetField(p, F::imageSize, static_cast<uint32_t>(packageFile.size()));
      p.data[F::targets.offset] = 1;
      SetField(p, F::targetCount, uint32_t{1});
      SetField(p, F::progress, &NoProgress);
      return session.Execute(ToInt(CommandId::UpdateFirmware));
    }
    using F = fields::UpdateFirmwareSection;
    SetField(p, F::image, static_cast<const uint8_t*>(sectionFile.data()));
    SetField(p, F::imageSize, static_cast<uint32_t>(sectionFile.size()));
    SetField(p, F::progress, &NoProgress);
    return session.Execute(ToInt(CommandId::UpdateFirmwareSection));
  }

  void RunMatrix(bool package) {
    ASSERT_TRUE(session.Open());
    device.ClearRequests();
    ASSERT_EQ(Transfer(package), LINK_OK);
    const int exchanges = static_cast<int>(device.RequestCount());
    const Fault faults[] = {{FaultKind::NoReply},      {FaultKind::LateReply, kLateReplyMs},
                            {FaultKind::WrongLength},  {FaultKind::WrongKind},
                            {FaultKind::WrongCommand}, {FaultKind::BadStatus},
                            {FaultKind::FailedWrite},  {FaultKind::Unplug},
                            {FaultKind::DropOff, 50},  {FaultKind::StatusFE},
                            {FaultKind::SplitReply, 3}};
    for (int at = 0; at < exchanges; ++at) {
      for (const Fault& fault : faults) {
        const std::string where = std::string(package ? "package" : "section") + ", exchange " +
                                  std::to_string(at) + ", fault " +
                                  std::to_string(static_cast<int>(fault.kind));
        device.InjectFault(fault, at);
        // Every exchange before the faulty one waited once for its reply.
        if (fault.kind == FaultKind::NoReply || fault.kind == FaultKind::LateReply)
          clock.ExpireWait(clock.Waits() + at + 1);
        const int result = Transfer(package);
        EXPECT_TRUE(result == LINK_OK || (result <= LINK_ERR_EMPTY && result >= LINK_ERR_PROGRAM))
            << where;
        if (fault.kind == FaultKind::StatusFE || fault.kind == FaultKind::SplitReply) {
          EXPECT_EQ(result, LINK_OK) << where;
        }

        // The fault is gone: with the device back, a clean transfer succeeds.
        // A late reply still on its way is lost with the connection, so it
        // cannot spoil the next run.
        device.InjectFault(Fault{});
        if (fault.kind == FaultKind::LateReply) {
          session.Close();
          device.Unplug();
        }
        if (fault.kind == FaultKind::DropOff) {
          EXPECT_TRUE(testing::Eventually([&] { return device.IsPlugged(); })) << where;
        }
        device.Plug();
        if (session.link == nullptr || session.link->Stopped() || !session.isOpen) {
          session.Close();
          ASSERT_TRUE(session.Open()) << where;
        }
        int clean = Transfer(package);
        if (clean != LINK_OK) {  // a link lost only now is noticed by this transfer
          session.Close();
          ASSERT_TRUE(session.Open()) << where;
          clean = Transfer(package);
        }
        EXPECT_EQ(clean, LINK_OK) << where;
      }
    }
  }

  testing::ManualClock clock;
  sim::SimDevice device;
  CHidDevCommApp session{sim::DefaultSimBackend(), 0, clock};
  const testing::Image packageFile = testing::Package(testing::Payload(9000));
  const testing::Image sectionFile = testing::Sealed("UAMC");
};

TEST_F(FirmwareFaultMatrix, Package) { RunMatrix(true); }
TEST_F(FirmwareFaultMatrix, SectionImage) { RunMatrix(false); }

}  // namespace
}  // namespace tarvik
