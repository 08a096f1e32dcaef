#ifndef _WIN32
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

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

// Another program that holds the terminal: it opens it, takes the advisory lock and,
// if asked, the exclusive flag, and keeps all of it until it is told to let go.
class Holder {
 public:
  Holder(const std::string& device, bool exclusive) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]), ::close(release[1]);
      const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY);
      const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && (!exclusive || ::ioctl(fd, TIOCEXCL) == 0);
      const char answer = held ? '1' : '0';
      if (::write(ready[1], &answer, 1) != 1) ::_exit(1);
      char done;
      while (::read(release[0], &done, 1) < 0 && errno == EINTR) {
      }
      ::_exit(0);
    }
    ::close(ready[1]), ::close(release[0]);
    release_ = release[1];
    char answer = '0';
    held_ = pid_ > 0 && ::read(ready[0], &answer, 1) == 1 && answer == '1';
    ::close(ready[0]);
  }
  ~Holder() { LetGo(); }
  bool Held() const { return held_; }
  void LetGo() {
    if (release_ >= 0) ::close(release_), release_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0), pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

// Whether a program that is not the tool can open the terminal now, and the terminal's
// exclusive flag as it then sees it (-1 where the system cannot tell).
std::pair<bool, int> OpenedByAnother(const std::string& device) {
  UniqueFd fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
  if (!fd.Valid()) return {false, -1};
  int exclusive = -1;
#ifdef TIOCGEXCL
  if (::ioctl(fd.Get(), TIOCGEXCL, &exclusive) != 0) exclusive = -1;
#endif
  return {true, exclusive};
}

// A port that another program holds is refused with the reason, and the refusal takes
// nothing: the holder keeps what it had, and no flag of the tool's keeps the next
// program out.
TEST(PosixSerialTest, ARefusedOpenLeavesThePortAsItWasFound) {
  for (bool exclusive : {false, true}) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.device.empty());
    Holder holder(pty.device, exclusive);
    ASSERT_TRUE(holder.Held());
    std::string why;
    EXPECT_EQ(PosixSerialDevice::Open(pty.device, &why), nullptr) << "exclusive " << exclusive;
    EXPECT_NE(why.find("another program is using the port"), std::string::npos) << why;
    if (!exclusive || ::geteuid() == 0) {
      // Root passes the exclusive flag, so it sees the flag as the holder left it.
      const auto [opened, flag] = OpenedByAnother(pty.device);
      EXPECT_TRUE(opened) << "exclusive " << exclusive;
      if (flag >= 0) {
        EXPECT_EQ(flag, exclusive ? 1 : 0) << "the flag is the holder's alone";
      }
    }
    holder.LetGo();
    if (!exclusive) {
      EXPECT_NE(PosixSerialDevice::Open(pty.device), nullptr) << "free once the holder lets go";
    }
  }
}

// The reason for a refused open, in words the user can act on.
TEST(PosixSerialTest, ARefusedOpenSaysWhy) {
  FakeTree tree;
  ASSERT_TRUE(tree.Ok());
  tree.File("plain-file");
  const struct {
    std::string path;
    std::string why;
  } cases[] = {
      {tree.Path("missing"), std::strerror(ENOENT)},
      {"/dev/null", "(the device is no serial port)"},
      {tree.Path("plain-file"), "(the device is no serial port)"},
      {tree.Path(), std::strerror(EISDIR)},
  };
  for (const auto& c : cases) {
    std::string why;
    EXPECT_EQ(PosixSerialDevice::Open(c.path, &why), nullptr) << c.path;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.path << ": " << why;
  }
}

// Whatever the tool set while it had the port, the next program finds the line
// settings that were there before: speed, raw mode and read time-outs alike.
TEST(PosixSerialTest, CloseRestoresTheLineSettingsFound) {
  PseudoTerminal pty;
  ASSERT_FALSE(pty.device.empty());
  termios before{};
  {
    UniqueFd other(::open(pty.device.c_str(), O_RDWR | O_NOCTTY));
    ASSERT_TRUE(other.Valid());
    ASSERT_EQ(::tcgetattr(other.Get(), &before), 0);
    before.c_lflag |= ICANON | ECHO | ISIG;
    before.c_iflag |= IXON | ICRNL;
    before.c_oflag |= OPOST;
    before.c_cc[VMIN] = 4, before.c_cc[VTIME] = 7;
    ASSERT_EQ(::cfsetispeed(&before, B1200), 0);
    ASSERT_EQ(::cfsetospeed(&before, B1200), 0);
    ASSERT_EQ(::tcsetattr(other.Get(), TCSANOW, &before), 0);
    ASSERT_EQ(::tcgetattr(other.Get(), &before), 0);
  }
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  ASSERT_TRUE(device->SetLineSettings({9600, 8, NOPARITY, ONESTOPBIT}));
  ASSERT_TRUE(device->SetTimeouts({3, 0, 5}));
  termios during{};
  ASSERT_EQ(::tcgetattr(pty.master.Get(), &during), 0);
  EXPECT_EQ(::cfgetospeed(&during), static_cast<speed_t>(B9600)) << "the tool's settings hold while it has the port";
  device.reset();

  termios after{};
  ASSERT_EQ(::tcgetattr(pty.master.Get(), &after), 0);
  EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&before));
  EXPECT_EQ(::cfgetispeed(&after), ::cfgetispeed(&before));
  EXPECT_EQ(after.c_iflag, before.c_iflag);
  EXPECT_EQ(after.c_oflag, before.c_oflag);
  EXPECT_EQ(after.c_cflag, before.c_cflag);
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  for (int i : {VMIN, VTIME, VINTR, VEOF}) EXPECT_EQ(after.c_cc[i], before.c_cc[i]) << "c_cc[" << i << "]";
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

// Choosing a port that will not open: the box keeps the tool's own text, and the
// system's reason comes beside it as the box's details.
TEST(PosixSerialLinkTest, TheReasonForCOMInitErrorReachesTheBox) {
  FakeTree scratch;
  PosixBench bench(scratch.Path("no-such-tty"));
  ASSERT_EQ(bench.link.DetectSerialAdapter(), 1);
  bench.status.ReportCommandError();
  ASSERT_EQ(bench.ui.messages.size(), 1u);
  EXPECT_EQ(bench.ui.messages[0].caption, "Error");
  EXPECT_EQ(bench.ui.messages[0].text, "COM-Init-Error!");
  EXPECT_NE(bench.ui.messages[0].details.find(std::strerror(ENOENT)), std::string::npos)
      << bench.ui.messages[0].details;
}

TEST(PosixSerialLinkTest, APortThatDoesNotExistFailsToOpen) {
  FakeTree scratch;
  for (const std::string& name : {scratch.Path("no-such-tty"), std::string("COM1"), std::string("COM9")}) {
    PosixBench bench(name);
    EXPECT_EQ(bench.link.OpenComPort(), 1) << name;
    EXPECT_EQ(bench.status.ErrorText, "COM-Init-Error!") << name;
    EXPECT_FALSE(bench.status.ErrorDetail().empty()) << name << ": the system's reason goes with the text";
    EXPECT_FALSE(bench.link.ComPortOpen) << name;
    EXPECT_EQ(bench.link.DetectSerialAdapter(), 1) << name;
    EXPECT_EQ(bench.status.ErrorText, "COM-Init-Error!") << name;
  }
}

}  // namespace
}  // namespace ravix::test
#endif
