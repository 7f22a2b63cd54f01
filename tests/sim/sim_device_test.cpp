// The stand-in device, driven through HidDevice and its backend as the
// program drives a real one.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "link/hid_device.h"
#include "sim/sim_backend.h"
#include "sim/sim_device.h"
#include "sim/sim_firmware.h"
#include "sim/sim_memory.h"
#include "sim/sim_protocol.h"

namespace {

using namespace tarvik::sim;
using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;
using Report64 = std::array<uint8_t, 64>;

constexpr uint16_t kPid = 0x4E21;

Report64 RequestReport(uint8_t kind, uint16_t command, uint8_t target = 0, uint8_t selector = 0,
                       const Bytes& payload = {}) {
  Report64 r{0x80,
             kind,
             static_cast<uint8_t>(command),
             static_cast<uint8_t>(command >> 8),
             target,
             selector,
             0,
             static_cast<uint8_t>(payload.size()),
             0};
  std::copy_n(payload.begin(), std::min<std::size_t>(payload.size(), 55), r.begin() + 9);
  return r;
}

Bytes PayloadOf(const Report64& r) {
  const std::size_t length = std::min<std::size_t>(r[7] | (r[8] << 8), 55);
  return Bytes(r.begin() + 9, r.begin() + 9 + static_cast<std::ptrdiff_t>(length));
}

// A USB speed read on `dev`: true when it is written and answered.
bool SpeedReadAnswered(tarvik::HidDevice& dev, uint8_t* speed = nullptr) {
  Report64 r{};
  if (!dev.Write(RequestReport(2, 0x001A), 500) || !dev.Read(r, 2000) || r[0] != 0x83) return false;
  if (speed != nullptr) *speed = r[4];
  return true;
}

bool WaitFor(const std::function<bool()>& condition, int ms) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!condition()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

bool PresentAs(uint16_t pid) {
  SimBackend backend;
  for (const std::string& id : backend.ListInterfaces()) {
    tarvik::HidIdentity identity;
    if (backend.ReadIdentity(id, &identity) && identity.productId == pid) return true;
  }
  return false;
}

class SimTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(dev.Open(kVendorId, kPid, 64, 64, 0), nullptr); }

  Report64 Exchange(uint8_t kind, uint16_t command, uint8_t target, uint8_t selector,
                    const Bytes& payload = {}) {
    EXPECT_EQ(dev.Write(RequestReport(kind, command, target, selector, payload), 500), 1);
    Report64 reply{};
    EXPECT_EQ(dev.Read(reply, 2000), 1);
    EXPECT_EQ(reply[0], 0x83);
    return reply;
  }

  // A request of any size in 0x80 / 0x81... / 0x82 reports; returns the
  // reply message (header and payload) put together from its reports.
  Bytes Transact(uint8_t kind, uint16_t command, uint8_t target, uint8_t selector,
                 const Bytes& payload = {}) {
    Bytes message{kind,
                  static_cast<uint8_t>(command),
                  static_cast<uint8_t>(command >> 8),
                  target,
                  selector,
                  0,
                  static_cast<uint8_t>(payload.size()),
                  static_cast<uint8_t>(payload.size() >> 8)};
    message.insert(message.end(), payload.begin(), payload.end());
    for (std::size_t at = 0; at < message.size(); at += 63) {
      const std::size_t chunk = std::min<std::size_t>(63, message.size() - at);
      const uint8_t marker = at == 0 ? 0x80 : at + chunk == message.size() ? 0x82 : 0x81;
      Report64 r{marker};
      std::copy_n(message.begin() + static_cast<std::ptrdiff_t>(at), chunk, r.begin() + 1);
      EXPECT_EQ(dev.Write(r, 500), 1);
    }
    Bytes reply;
    std::size_t total = 8;
    while (reply.size() < total) {
      Report64 r{};
      if (dev.Read(r, 2000) != 1) return {};
      const bool last = !reply.empty() && reply.size() + 63 >= total;
      EXPECT_EQ(r[0], reply.empty() ? 0x83 : last ? 0x85 : 0x84);
      reply.insert(reply.end(), r.begin() + 1, r.end());
      total = 8 + (reply[6] | (reply[7] << 8));
    }
    reply.resize(total);
    return reply;
  }

  SimDevice sim{SimOptions{.productId = kPid}};
  tarvik::HidDevice dev{DefaultSimBackend()};
};

using SimWireTest = SimTest;
using SimHandleTest = SimTest;
using SimFaultTest = SimTest;
using SimVocabularyTest = SimTest;
using SimFirmwareTest = SimTest;

// A reply's kind, command, status pair and length, for comparison with Expected().
Bytes HeaderFields(const Bytes& reply) {
  if (reply.size() < 8) return {};
  return {reply[0], reply[1], reply[2], reply[4], reply[5], reply[6], reply[7]};
}

Bytes Expected(uint8_t kind, uint16_t command, std::size_t length, uint8_t status = 0) {
  return {kind, static_cast<uint8_t>(command), static_cast<uint8_t>(command >> 8), status,
          0,    static_cast<uint8_t>(length),  static_cast<uint8_t>(length >> 8)};
}

Bytes PayloadOf(const Bytes& reply) {
  return reply.size() < 8 ? Bytes{} : Bytes(reply.begin() + 8, reply.end());
}

TEST_F(SimWireTest, UsbSpeedReadGetsExactReplyBytes) {
  const Report64 reply = Exchange(2, 0x001A, 0, 0);
  const Report64 expected{0x83, 0x03, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(reply, expected);
}

TEST_F(SimWireTest, SetThenGetEachLayoutInBothSets) {
  struct Case {
    uint16_t command;
    uint8_t target;
    Bytes index;
    Bytes value;
    bool inHeader;
  };
  Bytes band(17);
  for (std::size_t i = 0; i < band.size(); ++i) band[i] = static_cast<uint8_t>(0xB0 + i);
  const std::vector<Case> cases{
      {0x001A, 0x00, {}, {0x01}, true},         // H
      {0x0108, 0x00, {}, {0x5A}, false},        // T8
      {0x0103, 0x92, {}, {0x00, 0xFD}, false},  // T16
      {0x001D, 0x00, {}, {0x01, 0x00}, false},  // P(2)
      {0x0106, 0x72, {0x02}, band, false},      // TI(17)
  };
  for (uint8_t set : {0, 1}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "set " << int{set} << " command " << c.command);
      const uint8_t index = c.index.empty() ? 0 : c.index[0];
      const Bytes other = sim.Setting(1 - set, c.command, c.target, index);
      Bytes value = c.value;
      value[0] = static_cast<uint8_t>(value[0] + set);  // each set its own value
      Bytes written = c.index;
      written.insert(written.end(), value.begin(), value.end());

      const Report64 ack = c.inHeader ? Exchange(0, c.command, value[0], set)
                                      : Exchange(0, c.command, c.target, set, written);
      EXPECT_EQ(ack[1], 1);
      EXPECT_EQ(ack[2] | (ack[3] << 8), c.command);
      EXPECT_EQ(ack[4], c.inHeader ? value[0] : c.target);
      EXPECT_EQ(ack[5], 0);
      EXPECT_TRUE(PayloadOf(ack).empty());

      const Report64 got = Exchange(2, c.command, c.inHeader ? 0 : c.target, set, c.index);
      EXPECT_EQ(got[1], 3);
      EXPECT_EQ(got[5], 0);
      if (c.inHeader) {
        EXPECT_EQ(got[4], value[0]);
        EXPECT_TRUE(PayloadOf(got).empty());
      } else {
        EXPECT_EQ(got[4], c.target);
        EXPECT_EQ(PayloadOf(got), written);
      }
      EXPECT_EQ(sim.Setting(1 - set, c.command, c.target, index), other);
    }
  }
}

TEST_F(SimWireTest, DefaultsDifferBetweenSetsAndInfoIsSixteenTextBytes) {
  struct Case {
    uint16_t command;
    uint8_t target;
    uint8_t set;
    Bytes index;
    Bytes expected;
  };
  const std::vector<Case> cases{
      {0x0103, 0x71, 0, {}, {0x00, 0x00}},
      {0x0103, 0x72, 1, {}, {0x00, 0x06}},
      {0x0103, 0x92, 1, {}, {0x00, 0x00}},
      {0x0108, 0x00, 1, {}, {0x11}},
      {0x0109, 0x93, 1, {}, {0x03}},
      {0x0109, 0x93, 0, {}, {0x00}},
      {0x0118, 0x72, 0, {}, {0x01}},
      {0x0118, 0x72, 1, {}, {0x00}},
      {0x001D, 0x00, 1, {}, {0x00, 0x00}},
      {0x0106,
       0x71,
       0,
       {0x00},
       {0x00, 0x00, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x00, 0x00, 0x00, 0xF4,
        0xFD, 0x34, 0x3F}},
      {0x0106,
       0x72,
       1,
       {0x03},
       {0x03, 0x00, 0x00, 0x00, 0xFA, 0x44, 0x00, 0x00, 0xFA, 0x44, 0x00, 0x00, 0x00, 0x00, 0xF4,
        0xFD, 0x34, 0x3F}},
      {0x0006, 0x21, 1, {}, {'2', '.', '1', '0', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {0x0006,
       0x10,
       0,
       {},
       {'T', 'A', 'R', 'V', 'I', 'K', ' ', 'S', 'T', 'A', 'N', 'D', '-', 'I', 'N', 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command << " set " << int{c.set});
    EXPECT_EQ(PayloadOf(Exchange(2, c.command, c.target, c.set, c.index)), c.expected);
  }
  sim.SetFirmwareVersion("3.02");
  EXPECT_EQ(PayloadOf(Exchange(2, 0x0006, 0x21, 0)),
            (Bytes{'3', '.', '0', '2', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(SimWireTest, RefusesUnknownWrongKindAndMalformedRequests) {
  struct Case {
    uint8_t kind;
    uint16_t command;
    uint8_t target;
    uint8_t selector;
    Bytes payload;
  };
  const std::vector<Case> cases{
      {2, 0x7777, 0x05, 0, {}},      // unknown command
      {0, 0x0006, 0x21, 0, {}},      // writing a read-only item
      {2, 0x0003, 0x00, 0, {}},      // reading an action
      {0, 0x0103, 0x71, 0, {0x01}},  // T16 with one byte
      {2, 0x0108, 0x00, 0, {0x00}},  // read with a payload
      {2, 0x0106, 0x71, 0, {}},      // indexed read without index
      {0, 0x001A, 0x01, 0, {0x01}},  // header value with a payload
      {0, 0x0108, 0x00, 2, {0x22}},  // no third set
      {5, 0x0108, 0x00, 0, {}},      // no such kind
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command << " kind " << int{c.kind});
    const Report64 reply = Exchange(c.kind, c.command, c.target, c.selector, c.payload);
    EXPECT_EQ(reply[1], c.kind + 1);
    EXPECT_EQ(reply[2] | (reply[3] << 8), c.command);
    EXPECT_EQ(reply[4], c.target);
    EXPECT_EQ(reply[5], 0x01);
    EXPECT_TRUE(PayloadOf(reply).empty());
  }
  EXPECT_EQ(sim.Setting(0, 0x0108, 0), Bytes{0x00});
  EXPECT_EQ(sim.Setting(1, 0x0108, 0), Bytes{0x11});
}

TEST_F(SimWireTest, ReassemblesRequestSplitOverFirstAndLastReports) {
  Bytes payload(60);
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i + 1);
  Report64 first{0x80, 0x00, 0x06, 0x01, 0x71, 0x00, 0x00, 60, 0x00};
  std::copy_n(payload.begin(), 55, first.begin() + 9);
  Report64 last{0x82};
  std::copy(payload.begin() + 55, payload.end(), last.begin() + 1);

  Exchange(2, 0x001A, 0, 0);
  const Report64 stray{0x82, 0x02, 0x1A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
  ASSERT_EQ(dev.Write(stray, 500), 1);  // no first report before it: ignored
  ASSERT_EQ(dev.Write(first, 500), 1);
  EXPECT_FALSE(sim.WaitForRequests(2, 20));
  ASSERT_EQ(dev.Write(last, 500), 1);
  ASSERT_TRUE(sim.WaitForRequests(2, 0));

  const RequestRecord request = sim.Requests().at(1);
  EXPECT_EQ(request.command, 0x0106);
  EXPECT_EQ(request.target, 0x71);
  EXPECT_EQ(request.payload, payload);
  EXPECT_EQ(request.message.size(), 68u);
  Report64 reply{};
  ASSERT_EQ(dev.Read(reply, 2000), 1);
  EXPECT_EQ(reply[5], 0x01);  // 60 bytes is no band value
  EXPECT_EQ(sim.RequestCount(), 2u);
}

TEST(SimProtocolTest, CutsRepliesIntoFirstMiddleAndLastReports) {
  const std::vector<std::pair<std::size_t, Bytes>> cases{
      {63, {0x83}}, {64, {0x83, 0x85}}, {126, {0x83, 0x85}}, {127, {0x83, 0x84, 0x85}}};
  for (const auto& [size, markers] : cases) {
    Bytes message(size);
    for (std::size_t i = 0; i < size; ++i) message[i] = static_cast<uint8_t>(i);
    const std::vector<Report> reports = CutReply(message);
    ASSERT_EQ(reports.size(), markers.size()) << size;
    for (std::size_t i = 0; i < reports.size(); ++i) EXPECT_EQ(reports[i][0], markers[i]);
    const Report& tail = reports.back();
    const std::size_t used = size - 63 * (reports.size() - 1);
    EXPECT_EQ(tail[used], message.back()) << size;
    EXPECT_TRUE(std::all_of(tail.begin() + 1 + static_cast<std::ptrdiff_t>(used), tail.end(),
                            [](uint8_t b) { return b == 0; }));
  }
}

TEST_F(SimHandleTest, EveryOpenHandleGetsRepliesAndNotifications) {
  tarvik::HidDevice second{DefaultSimBackend()};
  ASSERT_NE(second.Open(kVendorId, kPid, 64, 64, 0), nullptr);
  EXPECT_EQ(sim.OpenHandleCount(), 2);

  EXPECT_TRUE(SpeedReadAnswered(dev));
  Report64 seen{};
  ASSERT_EQ(second.Read(seen, 2000), 1);
  EXPECT_EQ(seen[0], 0x83);  // the reply to the other handle's request

  sim.SendNotification(3, 0x1234);
  sim.SendNotification(1, 0x1FF);
  for (tarvik::HidDevice* d : {&dev, &second}) {
    Report64 r{};
    ASSERT_EQ(d->Read(r, 2000), 1);
    EXPECT_EQ((Bytes{r[0], r[1], r[2], r[3]}), (Bytes{0x90, 0x03, 0x12, 0x34}));
    ASSERT_EQ(d->Read(r, 2000), 1);
    EXPECT_EQ((Bytes{r[0], r[1], r[2], r[3]}), (Bytes{0x90, 0x01, 0xFF, 0x00}));
  }
  second.Close();
  EXPECT_EQ(sim.OpenHandleCount(), 1);
}

TEST_F(SimHandleTest, UnplugFailsWaitingReadAndOldHandleStaysDead) {
  int result = -1;
  std::thread reader([&] {
    Report64 r{};
    result = dev.Read(r, -1);
  });
  sim.Unplug();
  reader.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(PresentAs(kPid));
  EXPECT_EQ(dev.Write(RequestReport(2, 0x001A), 500), 0);

  sim.Plug();
  EXPECT_EQ(dev.Write(RequestReport(2, 0x001A), 500), 0);
  tarvik::HidDevice fresh{DefaultSimBackend()};
  ASSERT_NE(fresh.Open(kVendorId, kPid, 64, 64, 0), nullptr);
  EXPECT_TRUE(SpeedReadAnswered(fresh));
}

TEST_F(SimHandleTest, RawHandleChecksLengthsAndAbort) {
  SimBackend backend;
  const std::vector<std::string> ids = backend.ListInterfaces();
  ASSERT_FALSE(ids.empty());
  tarvik::HidReportLengths lengths;
  ASSERT_TRUE(backend.ReadReportLengths(ids.back(), &lengths));
  EXPECT_EQ(lengths, (tarvik::HidReportLengths{65, 65, 0}));
  std::unique_ptr<tarvik::HidHandle> handle = backend.OpenInterface(ids.back());
  ASSERT_NE(handle, nullptr);

  std::array<uint8_t, 65> out{0x00, 0x80, 0x02, 0x1A};
  std::array<uint8_t, 64> shortOut{0x00, 0x80, 0x02, 0x1A};
  std::array<uint8_t, 65> numbered{0x01, 0x80, 0x02, 0x1A};
  EXPECT_FALSE(handle->Write(shortOut, 500));
  EXPECT_FALSE(handle->Write(numbered, 500));
  EXPECT_EQ(sim.RequestCount(), 0u);
  ASSERT_TRUE(handle->Write(out, 500));
  std::array<uint8_t, 65> in{};
  ASSERT_TRUE(handle->Read(in, 2000));
  EXPECT_EQ((Bytes{in[0], in[1], in[2]}), (Bytes{0x00, 0x83, 0x03}));

  std::thread reader([&] {
    std::array<uint8_t, 65> r{};
    EXPECT_FALSE(handle->Read(r, -1));
  });
  handle->AbortRead();
  reader.join();
  sim.SendNotification(2, 1);
  EXPECT_FALSE(handle->Read(in, 0));
}

TEST(SimLifetimeTest, HandleOutlivesDeviceWithWorkPending) {
  auto sim = std::make_unique<SimDevice>(SimOptions{.productId = 0x4E30});
  tarvik::HidDevice dev{DefaultSimBackend()};
  ASSERT_NE(dev.Open(kVendorId, 0x4E30, 64, 64, 0), nullptr);
  sim->InjectFault({FaultKind::LateReply, 10000});
  ASSERT_EQ(dev.Write(RequestReport(2, 0x001A), 500), 1);
  sim->DropOff(10000);

  sim.reset();
  EXPECT_FALSE(SpeedReadAnswered(dev));
  EXPECT_FALSE(PresentAs(0x4E30));
}

TEST_F(SimHandleTest, RestartComesBackUnderInterimThenFinalProductId) {
  Exchange(0, 0x001A, 0x01, 0);  // full speed, effective after the restart
  sim.SetRestartPlan(30, 0x4E41, 200, 0x4E42);
  const Report64 ack = Exchange(0, 0x0003, 0x00, 0);
  EXPECT_EQ((Bytes{ack[1], ack[5], ack[7]}), (Bytes{0x01, 0x00, 0x00}));

  EXPECT_TRUE(WaitFor([] { return PresentAs(0x4E41); }, 5000));
  EXPECT_TRUE(WaitFor([] { return PresentAs(0x4E42); }, 5000));
  EXPECT_FALSE(PresentAs(0x4E41));
  Report64 r{};
  EXPECT_EQ(dev.Read(r, 0), 0);

  tarvik::HidDevice again{DefaultSimBackend()};
  ASSERT_NE(again.Open(kVendorId, 0x4E42, 64, 64, 0), nullptr);
  uint8_t speed = 0;
  EXPECT_TRUE(SpeedReadAnswered(again, &speed));
  EXPECT_EQ(speed, 0x01);
}

TEST_F(SimHandleTest, DropOffReturnsUnderGivenProductId) {
  sim.DropOff(30, 0x4E50);
  Report64 r{};
  EXPECT_EQ(dev.Read(r, 0), 0);
  EXPECT_TRUE(WaitFor([] { return PresentAs(0x4E50); }, 5000));
  EXPECT_EQ(sim.ProductId(), 0x4E50);
}

TEST_F(SimFaultTest, ReplyFaultsChangeOneReplyThenClear) {
  struct Case {
    Fault fault;
    uint8_t kind;
    Report64 faulty;
  };
  // Routing flags, working set: a read answers 03 08 01 00 00 00 01 00 | 00.
  const std::vector<Case> cases{
      {{FaultKind::WrongLength}, 2, {0x83, 0x03, 0x08, 0x01, 0x00, 0x00, 0x00, 0x02}},
      {{FaultKind::WrongKind}, 2, {0x83, 0x01, 0x08, 0x01, 0x00, 0x00, 0x00, 0x01}},
      {{FaultKind::WrongKind}, 0, {0x83, 0x00, 0x08, 0x01, 0x00, 0x00, 0x00, 0x00}},
      {{FaultKind::WrongCommand}, 2, {0x83, 0x03, 0x09, 0x01, 0x00, 0x00, 0x00, 0x01}},
      {{FaultKind::BadStatus, 0, 0x42}, 2, {0x83, 0x03, 0x08, 0x01, 0x00, 0x42, 0x00, 0x01}},
      {{FaultKind::StatusFE}, 2, {0x83, 0x03, 0x08, 0x01, 0x00, 0xFE, 0x00, 0x01}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(c.fault.kind));
    sim.InjectFault(c.fault);
    const Bytes value = c.kind == 0 ? Bytes{0x00} : Bytes{};
    EXPECT_EQ(Exchange(c.kind, 0x0108, 0x00, 0, value), c.faulty);
    const Report64 clean = Exchange(c.kind, 0x0108, 0x00, 0, value);
    EXPECT_EQ(clean[1], c.kind + 1);
    EXPECT_EQ((Bytes{clean[2], clean[5]}), (Bytes{0x08, 0x00}));
  }
}

TEST_F(SimFaultTest, NoReplyAndFailedWriteLoseOneExchange) {
  sim.InjectFault({FaultKind::NoReply});
  ASSERT_EQ(dev.Write(RequestReport(2, 0x001A), 500), 1);
  Report64 r{};
  EXPECT_EQ(dev.Read(r, 50), 0);
  EXPECT_EQ(sim.RequestCount(), 1u);

  sim.InjectFault({FaultKind::FailedWrite});
  EXPECT_EQ(dev.Write(RequestReport(2, 0x001A), 500), 0);
  EXPECT_EQ(sim.RequestCount(), 1u);
  EXPECT_TRUE(SpeedReadAnswered(dev));
}

TEST_F(SimFaultTest, SwallowedRestartKeepsTheDeviceOnTheBus) {
  sim.SetRestartPlan(0);
  sim.InjectFault({FaultKind::NoReply});
  ASSERT_EQ(dev.Write(RequestReport(0, 0x0003), 500), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(SpeedReadAnswered(dev));
}

TEST_F(SimFaultTest, FaultCanWaitForLaterRequests) {
  sim.InjectFault({FaultKind::BadStatus, 0, 0x42}, 2);
  for (uint8_t status : {0x00, 0x00, 0x42, 0x00}) EXPECT_EQ(Exchange(2, 0x001A, 0, 0)[5], status);

  sim.InjectFault({FaultKind::FailedWrite}, 1);
  EXPECT_TRUE(SpeedReadAnswered(dev));
  EXPECT_FALSE(SpeedReadAnswered(dev));
  EXPECT_TRUE(SpeedReadAnswered(dev));

  sim.InjectFault({FaultKind::BadStatus, 0, 0x42}, 1, 3);
  for (uint8_t status : {0x00, 0x42, 0x42, 0x42, 0x00})
    EXPECT_EQ(Exchange(2, 0x001A, 0, 0)[5], status);
}

TEST_F(SimFaultTest, DelaysHoldTheReplyBack) {
  const std::vector<std::pair<Fault, int>> cases{
      {{FaultKind::LateReply, 120}, 0}, {{FaultKind::SplitReply, 120}, 0}, {{}, 120}};
  for (const auto& [fault, latency] : cases) {
    SCOPED_TRACE(testing::Message() << "fault " << static_cast<int>(fault.kind));
    sim.InjectFault(fault);
    sim.SetReplyLatency(latency);
    const auto start = Clock::now();
    ASSERT_EQ(dev.Write(RequestReport(2, 0x0108, 0, 1), 500), 1);
    Report64 r{};
    EXPECT_EQ(dev.Read(r, 0), 0);
    ASSERT_EQ(dev.Read(r, 5000), 1);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(120));
    EXPECT_EQ(PayloadOf(r), Bytes{0x11});
  }
}

TEST_F(SimVocabularyTest, EveryReadWritePairRoundTripsInBothSets) {
  enum Form { kH, kT, kP, kI };
  struct Group {
    Form form;
    std::size_t size;
    std::vector<uint16_t> commands;
  };
  const std::vector<Group> groups{
      {kH, 1, {0x0001, 0x0002, 0x000A, 0x000D, 0x0010, 0x0011, 0x0012, 0x0014, 0x0015,
               0x0016, 0x001A, 0x0101, 0x010A, 0x010B, 0x010D, 0x010E, 0x010F, 0x0110,
               0x0111, 0x0112, 0x0114, 0x0115, 0x0116, 0x0117, 0x0B06}},
      {kT,
       1,
       {0x0013, 0x0104, 0x0107, 0x0108, 0x0109, 0x0118, 0x011A, 0x0303, 0x0D00, 0x0E00, 0x0E01}},
      {kT, 2, {0x0017, 0x0102, 0x0103, 0x0105, 0x0808, 0x0809, 0x0A04}},
      {kT, 16, {0x0A01}},
      {kT, 181, {0x001B, 0x0119}},
      {kP, 1, {0x000F, 0x080A}},
      {kP, 2, {0x001D, 0x010C}},
      {kP, 4, {0x0018, 0x0A02}},
      {kP, 20, {0x001C}},
      {kI, 1, {0x000B, 0x0801, 0x0803}},
      {kI, 2, {0x0A03, 0x0B03}},
      {kI, 17, {0x0106, 0x0113}},
  };
  const uint8_t target = 0x5D;
  const Bytes index{0x02};
  for (const Group& g : groups) {
    for (uint16_t command : g.commands) {
      SCOPED_TRACE(testing::Message() << "command " << std::hex << command);
      const uint8_t sent = g.form == kT || g.form == kI ? target : 0;
      const Bytes asked = g.form == kI ? index : Bytes{};
      std::array<Bytes, 2> values;
      for (uint8_t set : {0, 1}) {
        Bytes& v = values[set];
        for (std::size_t i = 0; i < g.size; ++i)
          v.push_back(static_cast<uint8_t>(command + 0x40 * set + i + 1));
        Bytes written = asked;
        written.insert(written.end(), v.begin(), v.end());
        const Bytes ack = g.form == kH ? Transact(0, command, v[0], set)
                                       : Transact(0, command, sent, set, written);
        EXPECT_EQ(HeaderFields(ack), Expected(1, command, 0));
      }
      for (uint8_t set : {0, 1}) {
        const Bytes got = Transact(2, command, sent, set, asked);
        Bytes expected = asked;
        expected.insert(expected.end(), values[set].begin(), values[set].end());
        if (g.form == kH) {
          EXPECT_EQ(HeaderFields(got), Expected(3, command, 0));
          ASSERT_EQ(got.size(), 8u);
          EXPECT_EQ(got[3], values[set][0]);
        } else {
          EXPECT_EQ(HeaderFields(got), Expected(3, command, expected.size()));
          EXPECT_EQ(PayloadOf(got), expected);
        }
        if (g.form == kT || g.form == kI) {  // each target keeps its own value
          EXPECT_NE(PayloadOf(Transact(2, command, target + 1, set, asked)), expected);
        }
      }
    }
  }
}

TEST_F(SimVocabularyTest, ReadsAndActionsAnswerWithTheirLengthAndRefuseOneByteMore) {
  struct Case {
    uint8_t kind;
    uint16_t command;
    uint8_t target;
    Bytes payload;
    std::size_t length;
  };
  const std::vector<Case> cases{
      {2, 0x0000, 7, {5, 1, 0x0F}, 3}, {2, 0x0005, 0, {}, 76},
      {2, 0x0006, 0x21, {}, 16},       {2, 0x0007, 0, {}, 8},
      {2, 0x0008, 0, {}, 1},           {2, 0x0009, 3, {}, 1},
      {2, 0x0200, 1, {}, 2},           {2, 0x0201, 1, {}, 2},
      {2, 0x0202, 0, {}, 0},           {2, 0x0203, 1, {}, 1},
      {2, 0x0204, 5, {}, 1024},        {2, 0x0205, 5, {}, 1024},
      {2, 0x0206, 1, {}, 2},           {2, 0x0207, 0, {}, 5},
      {2, 0x0300, 0, {}, 4},           {2, 0x0301, 0, {1, 2, 3, 4}, 180},
      {2, 0x0401, 0, {}, 1},           {2, 0x0402, 0, {}, 59},
      {2, 0x0700, 0, {}, 160},         {2, 0x0A05, 0, {}, 16},
      {2, 0x0B07, 0, {}, 0},           {0, 0x0004, 1, {}, 0},
      {0, 0x000C, 1, {9}, 0},          {0, 0x000E, 1, {9}, 0},
      {0, 0x0019, 0, {}, 0},           {0, 0x0100, 0, {}, 0},
      {0, 0x0302, 0, {}, 0},           {0, 0x0400, 1, {}, 0},
      {0, 0x0701, 1, {}, 0},           {0, 0x0804, 1, {1, 2, 3, 4}, 0},
      {0, 0x0805, 1, {1, 2, 3, 4}, 0}, {0, 0x0807, 0, Bytes(16, 7), 0},
      {0, 0x0A00, 0, {}, 0},           {0, 0x0B00, 0, {1, 2}, 0},
      {0, 0x0B01, 1, {1, 2, 3}, 0},    {0, 0x0B02, 1, {1, 2, 3, 4, 5, 6}, 0},
      {0, 0x0B04, 2, {}, 1},           {0, 0x0B05, 2, {}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << std::hex << c.command);
    EXPECT_EQ(HeaderFields(Transact(c.kind, c.command, c.target, 1, c.payload)),
              Expected(c.kind + 1, c.command, c.length));
    Bytes longer = c.payload;
    longer.push_back(0);
    EXPECT_EQ(HeaderFields(Transact(c.kind, c.command, c.target, 0, longer)),
              Expected(c.kind + 1, c.command, 0, 0x01));
  }
}

TEST_F(SimVocabularyTest, IrregularAnswersCarryTheirValues) {
  // 0x0000: argument 0x0105 + target 7, and the third byte inverted.
  EXPECT_EQ(PayloadOf(Transact(2, 0x0000, 7, 0, {0x05, 0x01, 0x0F})), (Bytes{0x0C, 0x01, 0xF0}));

  // 0x0301: the key, then text that depends on it.
  const Bytes a = PayloadOf(Transact(2, 0x0301, 0, 0, {0xDE, 0xAD, 0xBE, 0xEF}));
  const Bytes b = PayloadOf(Transact(2, 0x0301, 0, 0, {0x00, 0x00, 0x00, 0x01}));
  ASSERT_EQ(a.size(), 180u);
  ASSERT_EQ(b.size(), 180u);
  EXPECT_EQ(Bytes(a.begin(), a.begin() + 4), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
  EXPECT_NE(a[4], 0);
  EXPECT_NE(Bytes(a.begin() + 4, a.end()), Bytes(b.begin() + 4, b.end()));

  // 0x0B04 / 0x0B05: one result byte, as set on the device.
  sim.SetSetting(0, 0x0B04, 0, 0, {0x07});
  EXPECT_EQ(PayloadOf(Transact(0, 0x0B04, 2, 1)), Bytes{0x07});
  EXPECT_EQ(PayloadOf(Transact(0, 0x0B05, 2, 0)), Bytes{0x00});

  // 0x0005: four texts; 0x0204/0x0205: a block per command and target.
  const Bytes info = PayloadOf(Transact(2, 0x0005, 0, 0));
  ASSERT_EQ(info.size(), 76u);
  EXPECT_EQ(std::string(info.begin(), info.begin() + 15), "TARVIK STAND-IN");
  EXPECT_EQ(std::string(info.begin() + 40, info.begin() + 44), "2.10");
  const Bytes block = PayloadOf(Transact(2, 0x0204, 5, 0));
  EXPECT_NE(block, PayloadOf(Transact(2, 0x0204, 6, 0)));
  EXPECT_NE(block, PayloadOf(Transact(2, 0x0205, 5, 0)));
}

TEST_F(SimVocabularyTest, BlockMemoryKeepsWritesPerCommandAndTarget) {
  auto blockHead = [](uint32_t address, std::size_t count) {
    return Bytes{static_cast<uint8_t>(address),       static_cast<uint8_t>(address >> 8),
                 static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 24),
                 static_cast<uint8_t>(count),         static_cast<uint8_t>(count >> 8)};
  };
  Bytes data(200);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i + 1);
  Bytes write = blockHead(0x0FFC, data.size());  // across a page boundary
  write.insert(write.end(), data.begin(), data.end());
  EXPECT_EQ(HeaderFields(Transact(0, 0x0800, 1, 0, write)), Expected(1, 0x0800, 0));

  Bytes expected = blockHead(0x0FF0, 220);
  expected.resize(6 + 12, 0);
  expected.insert(expected.end(), data.begin(), data.end());
  expected.resize(6 + 220, 0);
  EXPECT_EQ(PayloadOf(Transact(2, 0x0800, 1, 0, blockHead(0x0FF0, 220))), expected);
  for (const auto& [command, target] : {std::pair{0x0802, 1}, std::pair{0x0800, 2}}) {
    const Bytes other = PayloadOf(Transact(2, command, target, 0, blockHead(0x0FF0, 220)));
    ASSERT_EQ(other.size(), 226u);
    EXPECT_TRUE(std::all_of(other.begin() + 6, other.end(), [](uint8_t x) { return x == 0; }));
  }
  const Bytes largest = Transact(2, 0x0802, 0, 0, blockHead(0, 65529));
  EXPECT_EQ(HeaderFields(largest), Expected(3, 0x0802, 65535));

  Bytes shortWrite = blockHead(0x0FFC, 10);
  shortWrite.resize(6 + 9, 0xEE);
  Bytes longWrite = shortWrite;
  longWrite.resize(6 + 11, 0xEE);
  Bytes pastEnd = blockHead(0xFFFFFFF0, 32);
  pastEnd.resize(6 + 32, 0xEE);
  const std::vector<std::pair<uint8_t, Bytes>> refused{{0, shortWrite},
                                                       {0, longWrite},
                                                       {0, pastEnd},
                                                       {0, {1, 2, 3, 4, 5}},
                                                       {2, blockHead(0, 65530)},
                                                       {2, {0, 0, 0, 0, 1}},
                                                       {2, blockHead(0xFFFFFFFF, 2)}};
  for (const auto& [kind, payload] : refused) {
    SCOPED_TRACE(testing::Message() << "kind " << int{kind} << " length " << payload.size());
    EXPECT_EQ(HeaderFields(Transact(kind, 0x0800, 1, 0, payload)),
              Expected(kind + 1, 0x0800, 0, 0x01));
  }
  EXPECT_EQ(PayloadOf(Transact(2, 0x0800, 1, 0, blockHead(0x0FFC, 4))),
            (Bytes{0xFC, 0x0F, 0, 0, 4, 0, 1, 2, 3, 4}));
}

TEST(SimBlockMemoryTest, WriteThatWouldPassTheLimitStoresNothing) {
  constexpr std::size_t kPage = BlockMemory::kPageSize;
  BlockMemory memory(2 * kPage);
  const Bytes two{0xAB, 0xCD};
  EXPECT_TRUE(memory.Write(0x0800, 0, kPage - 1, two));  // takes two pages
  EXPECT_FALSE(memory.Write(0x0800, 1, 0, two));
  EXPECT_TRUE(memory.Write(0x0800, 0, 7, two));
  EXPECT_EQ(memory.StoredBytes(), 2 * kPage);
  Bytes out(2, 0xFF);
  ASSERT_TRUE(memory.Read(0x0800, 1, 0, out));
  EXPECT_EQ(out, (Bytes{0, 0}));
  ASSERT_TRUE(memory.Read(0x0800, 0, kPage - 1, out));
  EXPECT_EQ(out, two);
}

TEST_F(SimWireTest, StreamMessagesAreCutIntoA0A1A2Reports) {
  const std::vector<std::pair<std::size_t, Bytes>> cases{
      {61, {0xA0}}, {62, {0xA0, 0xA2}}, {200, {0xA0, 0xA1, 0xA1, 0xA2}}};
  for (const auto& [length, markers] : cases) {
    SCOPED_TRACE(testing::Message() << "L " << length);
    Bytes text(length - 1);
    for (std::size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>(i + 1);
    sim.SendStreamMessage(0x42, text);
    Bytes joined;
    for (uint8_t marker : markers) {
      Report64 r{};
      ASSERT_EQ(dev.Read(r, 2000), 1);
      EXPECT_EQ(r[0], marker);
      joined.insert(joined.end(), r.begin() + 1, r.end());
    }
    Bytes expected{static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8), 0x42};
    expected.insert(expected.end(), text.begin(), text.end());
    expected.resize(joined.size(), 0);
    EXPECT_EQ(joined, expected);
  }
  Report64 r{};
  EXPECT_EQ(dev.Read(r, 0), 0);
}

}  // namespace

namespace {

Bytes Le(uint32_t value, int size) {
  Bytes bytes;
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return bytes;
}

// A start payload: size u32 and CRC u16.
Bytes StartPayload(uint32_t size, uint16_t crc) {
  Bytes p = Le(size, 4);
  for (uint8_t b : Le(crc, 2)) p.push_back(b);
  return p;
}

// A block payload: offset u32, the bytes' CRC (spoilt by crcXor), the bytes.
Bytes BlockPayload(uint32_t offset, const Bytes& bytes, uint16_t crcXor = 0) {
  Bytes p = StartPayload(offset, static_cast<uint16_t>(FirmwareCrc(bytes) ^ crcXor));
  p.insert(p.end(), bytes.begin(), bytes.end());
  return p;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(to));
}

}  // namespace

TEST_F(SimFirmwareTest, PackageIsProgrammedWithNoticeAndSectionIsFinished) {
  const Bytes check{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(FirmwareCrc(check), 0xD64E);
  EXPECT_EQ(FirmwareCrc(Bytes{'a', 'b', 'c'}), 0xAEB5);

  Bytes image(150);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
  EXPECT_EQ(HeaderFields(Transact(0, 0x0D08, 0, 0, StartPayload(150, FirmwareCrc(image)))),
            Expected(1, 0x0D08, 0));
  for (auto [from, to] : {std::pair{0u, 100u}, std::pair{100u, 150u}}) {
    const Bytes reply = Transact(0, 0x0D09, 0, 0, BlockPayload(from, Slice(image, from, to)));
    EXPECT_EQ(HeaderFields(reply), Expected(1, 0x0D09, 1));
    EXPECT_EQ(PayloadOf(reply), Bytes{0});
  }
  EXPECT_EQ(HeaderFields(Transact(0, 0x0D0B, 2, 0)), Expected(1, 0x0D0B, 0));
  Report64 notice{};
  ASSERT_EQ(dev.Read(notice, 2000), 1);
  EXPECT_EQ((Bytes{notice[0], notice[1], notice[2]}), (Bytes{0x90, 4, 0}));

  const FirmwareRecord record = sim.Firmware();
  EXPECT_EQ(record.image, image);
  EXPECT_EQ(record.programmed, Bytes{2});
  EXPECT_FALSE(record.section);

  const Bytes section{9, 8, 7};
  Bytes start{0x05};
  for (uint8_t byte : StartPayload(3, FirmwareCrc(section))) start.push_back(byte);
  EXPECT_EQ(HeaderFields(Transact(0, 0x0900, 0, 0, start)), Expected(1, 0x0900, 0));
  EXPECT_EQ(PayloadOf(Transact(0, 0x0901, 0, 0, BlockPayload(0, section))), Bytes{0});
  EXPECT_EQ(HeaderFields(Transact(0, 0x0903, 0, 0)), Expected(1, 0x0903, 0));
  const FirmwareRecord after = sim.Firmware();
  EXPECT_EQ(after.image, section);
  EXPECT_TRUE(after.section);
  EXPECT_EQ(after.sectionCode, 0x05);
  EXPECT_EQ(after.finishes, 1);
}

TEST_F(SimFirmwareTest, CorruptOrMisplacedBlocksGetResultOneAndStoreNothing) {
  const Bytes image{1, 2, 3, 4, 5, 6, 7, 8};
  auto block = [&](uint16_t command, uint32_t from, uint32_t to, uint16_t crcXor = 0) {
    return PayloadOf(
        Transact(0, command, 0, 0, BlockPayload(from, Slice(image, from, to), crcXor)));
  };
  EXPECT_EQ(block(0x0D09, 0, 4), Bytes{1});  // no start yet
  EXPECT_EQ(Transact(0, 0x0D0B, 0, 0)[4], 0x01);
  EXPECT_EQ(Transact(0, 0x0903, 0, 0)[4], 0x01);

  // The whole CRC announced is off, so only the last block notices.
  Transact(0, 0x0D08, 0, 0, StartPayload(8, FirmwareCrc(image) ^ 1));
  EXPECT_EQ(block(0x0D09, 0, 4), Bytes{0});
  EXPECT_EQ(block(0x0D09, 0, 4), Bytes{0});  // a resend replaces
  EXPECT_EQ(block(0x0D09, 4, 8, 0x0100), Bytes{1});
  EXPECT_EQ(block(0x0D09, 6, 8), Bytes{1});
  EXPECT_EQ(block(0x0901, 4, 8), Bytes{1});  // a section block in a package transfer
  EXPECT_EQ(sim.Firmware().image, Slice(image, 0, 4));
  EXPECT_EQ(block(0x0D09, 4, 8), Bytes{1});
  EXPECT_EQ(sim.Firmware().image, image);
}

// A refused programming request programs nothing, so no completion notice
// follows it; a stray one would stand in for the reply to the next request.
TEST_F(SimFirmwareTest, RefusedProgrammingSendsNoNotice) {
  sim.SetFirmwareBehaviour({.noticeDelayMs = 0});
  const Bytes image{1, 2, 3, 4};
  Transact(0, 0x0D08, 0, 0, StartPayload(4, FirmwareCrc(image)));
  ASSERT_EQ(PayloadOf(Transact(0, 0x0D09, 0, 0, BlockPayload(0, image))), Bytes{0});
  sim.InjectFault({FaultKind::BadStatus, 0, 0x42});
  EXPECT_EQ(Transact(0, 0x0D0B, 3, 0)[4], 0x42);
  Report64 r{};
  EXPECT_EQ(dev.Read(r, 300), 0);

  EXPECT_EQ(HeaderFields(Transact(0, 0x0D0B, 3, 0)), Expected(1, 0x0D0B, 0));
  ASSERT_EQ(dev.Read(r, 2000), 1);
  EXPECT_EQ((Bytes{r[0], r[1], r[2]}), (Bytes{0x90, 4, 0}));
}

TEST_F(SimFirmwareTest, DropsOffRightAfterTheGivenBlockCount) {
  sim.SetFirmwareBehaviour({.dropOffAfterBlocks = 1, .dropOffMs = 30});
  const Bytes image{1, 2, 3, 4};
  Transact(0, 0x0D08, 0, 0, StartPayload(4, FirmwareCrc(image)));
  EXPECT_EQ(PayloadOf(Transact(0, 0x0D09, 0, 0, BlockPayload(0, Slice(image, 0, 2)))), Bytes{0});
  ASSERT_EQ(dev.Write(RequestReport(0, 0x0D09, 0, 0, BlockPayload(2, Slice(image, 2, 4))), 500), 1);
  Report64 r{};
  EXPECT_EQ(dev.Read(r, 2000), 0);
  EXPECT_TRUE(WaitFor([] { return PresentAs(kPid); }, 5000));
  EXPECT_EQ(sim.Firmware().image, Slice(image, 0, 2));
}

TEST_F(SimWireTest, ReportIntervalPacesEachDirection) {
  sim.SetReportInterval(std::chrono::milliseconds(1));
  const auto start = Clock::now();
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(SpeedReadAnswered(dev));
  // Two frames per exchange; the first frame may already be under way.
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(39));
}

// What one stand-in stored is what another restores, and a list with one
// value no writable setting takes is refused whole.
TEST(SimStoredSettings, RestoreTakesBackWhatWasStoredAndRefusesAnyListWithOneBadValue) {
  SimDevice first;
  first.SetSetting(0, 0x0103, 0x71, 0, {0x00, 0x03});
  first.SetSetting(1, 0x0108, 0x00, 0, {0x22});
  const std::vector<StoredValue> stored = first.StoredSettings();
  for (const StoredValue& v : stored) EXPECT_NE(v.command, 0x0005) << "read-only";

  SimDevice second;
  ASSERT_TRUE(second.RestoreSettings(stored));
  EXPECT_EQ(second.StoredSettings(), stored);

  SimDevice third;
  for (const StoredValue& bad : {StoredValue{0, 0x0103, 0x72, 0, {0x00}},
                                 StoredValue{2, 0x0103, 0x72, 0, {0x00, 0x03}},
                                 StoredValue{0, 0x0005, 0, 0, Bytes(76, 0)},
                                 StoredValue{0, 0xFFFF, 0, 0, {}}}) {
    std::vector<StoredValue> values = {StoredValue{0, 0x0103, 0x71, 0, {0x00, 0x03}}, bad};
    EXPECT_FALSE(third.RestoreSettings(values)) << bad.command;
  }
  EXPECT_EQ(third.StoredSettings(), SimDevice().StoredSettings());
}
