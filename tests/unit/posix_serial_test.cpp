#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "link/link.h"
#include "platform/headless/headless_ui.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_os.h"
#include "platform/posix/posix_serial.h"
#include "posix_fake_tree.h"

namespace ravix::test {
namespace {

// A pseudo-terminal: a terminal device with termios but no modem lines.
struct PseudoTerminal {
  PseudoTerminal() : master(::posix_openpt(O_RDWR | O_NOCTTY)) {
    if (master.Valid() && ::grantpt(master.Get()) == 0 && ::unlockpt(master.Get()) == 0) {
      if (const char* name = ::ptsname(master.Get())) device = name;
    }
  }
  UniqueFd master;
  std::string device;  // the terminal side, "/dev/pts/N"
};

TEST(PosixSerialTest, OpensATerminalExclusively) {
  PseudoTerminal pty;
  ASSERT_FALSE(pty.device.empty());
  auto first = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(PosixSerialDevice::Open(pty.device), nullptr) << "a second open beside the first";
  first.reset();
  EXPECT_NE(PosixSerialDevice::Open(pty.device), nullptr) << "free again once closed";
}

TEST(PosixSerialTest, DoesNotOpenWhatIsNoTerminal) {
  FakeTree tree;
  ASSERT_TRUE(tree.Ok());
  tree.File("plain-file");
  for (const std::string& path : {std::string("/dev/null"), tree.Path("plain-file"), tree.Path("missing"),
                                 tree.Path()})
    EXPECT_EQ(PosixSerialDevice::Open(path), nullptr) << path;
}

TEST(PosixSerialTest, LineSettingsRoundTrip) {
  PseudoTerminal pty;
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  const LineSettings cases[] = {{9600, 8, NOPARITY, ONESTOPBIT},
                                {19200, 8, NOPARITY, 2},
                                {115200, 8, NOPARITY, ONESTOPBIT},
                                {1200, 8, NOPARITY, 2}};
  for (const auto& wanted : cases) {
    ASSERT_TRUE(device->SetLineSettings(wanted)) << wanted.BaudRate;
    LineSettings read;
    ASSERT_TRUE(device->GetLineSettings(read));
    EXPECT_EQ(read.BaudRate, wanted.BaudRate);
    EXPECT_EQ(read.ByteSize, wanted.ByteSize);
    EXPECT_EQ(read.Parity, wanted.Parity);
    EXPECT_EQ(read.StopBits, wanted.StopBits);
  }
}

TEST(PosixSerialTest, RefusesSettingsTheDeviceDoesNotTake) {
  PseudoTerminal pty;
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  const struct {
    LineSettings settings;
    const char* why;
  } cases[] = {
      {{12345, 8, NOPARITY, ONESTOPBIT}, "no such speed"},
      {{0, 8, NOPARITY, ONESTOPBIT}, "speed 0 would hang up"},
      {{9600, 9, NOPARITY, ONESTOPBIT}, "nine data bits"},
      {{9600, 8, NOPARITY, 1}, "one and a half stop bits"},
      {{9600, 8, 9, ONESTOPBIT}, "unknown parity"},
      // A pseudo-terminal keeps 8 bits without parity whatever it is told:
      // tcsetattr succeeds, the read-back shows the change did not hold.
      {{9600, 7, 2, ONESTOPBIT}, "accepted only in part"},
  };
  for (const auto& c : cases) EXPECT_FALSE(device->SetLineSettings(c.settings)) << c.why;
}

TEST(PosixSerialTest, SetsReadTimeouts) {
  PseudoTerminal pty;
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  const ReadTimeouts cases[] = {{3, 0, 5}, {0xFFFFFFFF, 0, 0}, {0, 0, 0}, {50, 0, 0}, {0, 10, 100000}};
  for (const auto& timeouts : cases) EXPECT_TRUE(device->SetTimeouts(timeouts)) << timeouts.ReadIntervalTimeout;
}

// A pseudo-terminal has no modem lines: the line operations fail and the modem
// status is left as it was, the way the link expects of a failing port.
TEST(PosixSerialTest, ModemLinesFailOnAPseudoTerminal) {
  PseudoTerminal pty;
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  for (EscapeCode code : {EscapeCode::SetRts, EscapeCode::ClearRts, EscapeCode::SetDtr, EscapeCode::ClearDtr})
    EXPECT_FALSE(device->Escape(code)) << static_cast<int>(code);
  uint32_t status = 0xABCD;
  EXPECT_FALSE(device->GetModemStatus(status));
  EXPECT_EQ(status, 0xABCDu);
}

// The link on a real clock, the terminal backend and a headless window system.
struct PosixBench {
  FakeTree tree;  // no serial devices: "COMn" names nothing
  MonotonicClock clock;
  PosixSerialPorts serial{PortNameRoots{tree.Path("sys"), tree.Path("dev")}};
  PosixOs os{ParallelPortRoots{tree.Path("dev"), tree.Path("proc")}};
  HeadlessUi ui;
  Platform platform{clock, serial, os, ui};
  Status status{ui};
  Link link{platform, status};

  explicit PosixBench(const std::string& device) {
    link.SerialPortSelected = true;
    link.PortName = "COM3";
    link.ComDeviceName = device;
  }
};

TEST(PosixSerialLinkTest, FindsNoAdapterOnATerminalWithoutModemLines) {
  PseudoTerminal pty;
  ASSERT_FALSE(pty.device.empty());
  PosixBench bench(pty.device);
  EXPECT_EQ(bench.link.DetectSerialAdapter(), 1);
  EXPECT_EQ(bench.status.ErrorText, "No Adaptor found at COM3\n");
  EXPECT_TRUE(bench.link.ComPortOpen);
  EXPECT_EQ(bench.link.OpenComPort(), 0) << "the port stays open";
  EXPECT_TRUE(bench.ui.messages.empty());
  // The open port is held: no other program gets it until the tool lets it go.
  EXPECT_EQ(PosixSerialDevice::Open(pty.device), nullptr);
  bench.link.CloseComPort();
  EXPECT_NE(PosixSerialDevice::Open(pty.device), nullptr);
}

TEST(PosixSerialLinkTest, APortThatDoesNotExistFailsToOpen) {
  FakeTree scratch;
  for (const std::string& name : {scratch.Path("no-such-tty"), std::string("COM1"), std::string("COM9")}) {
    PosixBench bench(name);
    EXPECT_EQ(bench.link.OpenComPort(), 1) << name;
    EXPECT_EQ(bench.status.ErrorText, "COM-Init-Error!") << name;
    EXPECT_FALSE(bench.link.ComPortOpen) << name;
    EXPECT_EQ(bench.link.DetectSerialAdapter(), 1) << name;
    EXPECT_EQ(bench.status.ErrorText, "COM-Init-Error!") << name;
  }
}

}  // namespace
}  // namespace ravix::test
#endif
