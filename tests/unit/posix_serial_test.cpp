#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include <gtest/gtest.h>

#include "link/link.h"
#include "platform/headless/headless_ui.h"
#include "platform/posix/posix_clock.h"
#include "platform/posix/posix_os.h"
#include "platform/posix/posix_serial.h"
#include "posix_fake_tree.h"
#include "sim/sim_adapter.h"

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

// What a pseudo-terminal takes is read back as set; what it does not take is refused,
// also when tcsetattr succeeds and only the read-back shows the change did not hold
// (it keeps 8 bits without parity whatever it is told).
TEST(PosixSerialTest, LineSettingsHoldOrAreRefused) {
  PseudoTerminal pty;
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  const struct {
    LineSettings settings;
    bool taken;
  } cases[] = {
      {{9600, 8, NOPARITY, ONESTOPBIT}, true}, {{115200, 8, NOPARITY, ONESTOPBIT}, true},
      {{1200, 8, NOPARITY, 2}, true},          {{12345, 8, NOPARITY, ONESTOPBIT}, false},
      {{0, 8, NOPARITY, ONESTOPBIT}, false},   {{9600, 9, NOPARITY, ONESTOPBIT}, false},
      {{9600, 8, NOPARITY, 1}, false},         {{9600, 8, 9, ONESTOPBIT}, false},
      {{9600, 7, 2, ONESTOPBIT}, false},
  };
  for (const auto& c : cases) {
    const auto& w = c.settings;
    SCOPED_TRACE(std::to_string(w.BaudRate) + " " + std::to_string(w.ByteSize) + " " + std::to_string(w.Parity) +
                 " " + std::to_string(w.StopBits));
    ASSERT_EQ(device->SetLineSettings(w), c.taken);
    if (!c.taken) continue;
    LineSettings read;
    ASSERT_TRUE(device->GetLineSettings(read));
    EXPECT_EQ(std::vector<int>({static_cast<int>(read.BaudRate), read.ByteSize, read.Parity, read.StopBits}),
              std::vector<int>({static_cast<int>(w.BaudRate), w.ByteSize, w.Parity, w.StopBits}));
  }
}

// The read time-outs become the terminal's VMIN and VTIME (tenths of a second, at most
// 255): return at once, a total time-out, a gap time-out alone, or wait for a byte.
TEST(PosixSerialTest, ReadTimeoutsBecomeMinAndTime) {
  PseudoTerminal pty;
  auto device = PosixSerialDevice::Open(pty.device);
  ASSERT_NE(device, nullptr);
  const struct {
    ReadTimeouts timeouts;
    int vmin, vtime;
  } cases[] = {{{3, 0, 5}, 0, 1},   {{0xFFFFFFFF, 0, 0}, 0, 0}, {{0, 0, 0}, 1, 0},
               {{50, 0, 0}, 1, 1}, {{250, 0, 0}, 1, 3},       {{0, 10, 100000}, 0, 255}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.timeouts.ReadIntervalTimeout) + " " +
                 std::to_string(c.timeouts.ReadTotalTimeoutConstant));
    ASSERT_TRUE(device->SetTimeouts(c.timeouts));
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.master.Get(), &t), 0);
    EXPECT_EQ(t.c_cc[VMIN], c.vmin);
    EXPECT_EQ(t.c_cc[VTIME], c.vtime);
  }
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

// A device the user may not open: root makes it belong to group (mode 0660) and looks
// at it as "nobody", who is in no such group; any other user takes its own group and
// mode 0, which it may not open either. Returns the name of the group the device has.
std::string LockOut(const std::string& path, const char* group) {
  if (::geteuid() != 0) {
    ::chmod(path.c_str(), 0);
    struct stat st {};
    const struct group* own = ::stat(path.c_str(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
    return own && st.st_gid != 0 ? own->gr_name : "dialout";
  }
  const struct group* wanted = ::getgrnam(group);
  if (!wanted || ::chown(path.c_str(), 0, wanted->gr_gid) != 0 || ::chmod(path.c_str(), 0660) != 0) return "";
  return group;
}

// What work() returns when run by a user who is not root: root runs it in a child
// process as "nobody", without groups.
std::string AsAnOrdinaryUser(const std::function<std::string()>& work) {
  if (::geteuid() != 0) return work();
  int pipe[2];
  if (::pipe(pipe) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe[0]);
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(1);
    const std::string result = work();
    const bool written = ::write(pipe[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
    ::_exit(written ? 0 : 1);
  }
  ::close(pipe[1]);
  std::string result;
  char chunk[256];
  for (ssize_t n; (n = ::read(pipe[0], chunk, sizeof chunk)) > 0;) result.append(chunk, static_cast<size_t>(n));
  ::close(pipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? result : "the child failed";
}

// A user who may not open the port is told which group to join, as a command to type,
// and that it takes a new login; the group is the device's own where it has one.
TEST(PosixSerialTest, APortTheUserMayNotOpenSaysHowToJoinItsGroup) {
  for (const char* group : {"dialout", "uucp"}) {
    FakeTree tree;
    ASSERT_TRUE(tree.Ok());
    ::chmod(tree.Path().c_str(), 0755);
    tree.File("ttyS7");
    const std::string path = tree.Path("ttyS7");
    const std::string expected = LockOut(path, group);
    ASSERT_FALSE(expected.empty()) << "cannot give the device to the group " << group;
    const std::string why = AsAnOrdinaryUser([&] {
      std::string reason;
      return PosixSerialDevice::Open(path, &reason) ? std::string("opened") : reason;
    });
    EXPECT_EQ(why, std::string(std::strerror(EACCES)) + " (serial ports belong to the group \"" + expected +
                       "\": join it with \"sudo usermod -aG " + expected + " $USER\", then log out and in again)");
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
    link.SelectAdapter(AdapterKindId::Serial);
    link.PortName = "COM3";
    link.Serial().ComDeviceName = device;
  }
};

TEST(PosixSerialLinkTest, FindsNoAdapterOnATerminalWithoutModemLines) {
  PseudoTerminal pty;
  ASSERT_FALSE(pty.device.empty());
  PosixBench bench(pty.device);
  EXPECT_EQ(bench.link.DetectSerialAdapter(), 1);
  EXPECT_EQ(bench.status.ErrorText, "No Adaptor found at COM3\n");
  // Its calls are timed, and a terminal's are a built-in port's: nothing is measured.
  const PortFigures& figures = bench.link.Lines().Figures();
  EXPECT_EQ(figures.lineOps.count, 1u);
  EXPECT_EQ(figures.statusReads.count, 1u);
  EXPECT_FALSE(figures.SlowLineOps());
  EXPECT_EQ(figures.measuringReads, 0);
  EXPECT_TRUE(bench.link.Serial().ComPortOpen);
  EXPECT_EQ(bench.link.Serial().OpenComPort(), 0) << "the port stays open";
  EXPECT_TRUE(bench.ui.messages.empty());
  // The open port is held: no other program gets it until the tool lets it go.
  EXPECT_EQ(PosixSerialDevice::Open(pty.device), nullptr);
  bench.link.Serial().CloseComPort();
  EXPECT_NE(PosixSerialDevice::Open(pty.device), nullptr);
}

// A USB cable on the real clock, where a pseudo-terminal cannot serve (it has no
// modem lines): the simulated chip, which reports its status 2 ms late by the steady
// clock, behind calls that take a USB transfer's real time.
class CablePorts : public SerialPorts {
 public:
  CablePorts(SerialPorts& chip, Clock& clock, uint32_t callUs) : chip_(chip), clock_(clock), callUs_(callUs) {}
  std::unique_ptr<SerialDevice> Open(const std::string& name) override {
    auto inner = chip_.Open(name);
    return inner ? std::make_unique<Device>(std::move(inner), *this) : nullptr;
  }
  std::string DeviceBehind(const std::string&) override { return "usb"; }

 private:
  class Device : public SerialDevice {
   public:
    Device(std::unique_ptr<SerialDevice> inner, CablePorts& ports) : inner_(std::move(inner)), ports_(ports) {}
    bool GetLineSettings(LineSettings& s) override { return inner_->GetLineSettings(s); }
    bool SetLineSettings(const LineSettings& s) override { return inner_->SetLineSettings(s); }
    bool SetTimeouts(const ReadTimeouts& t) override { return inner_->SetTimeouts(t); }
    bool Escape(EscapeCode code) override {
      ports_.clock_.BusyWaitUs(ports_.callUs_);
      return inner_->Escape(code);
    }
    bool GetModemStatus(uint32_t& status) override { return inner_->GetModemStatus(status); }

   private:
    std::unique_ptr<SerialDevice> inner_;
    CablePorts& ports_;
  };
  SerialPorts& chip_;
  Clock& clock_;
  uint32_t callUs_;
};

TEST(PosixSerialLinkTest, MeasuresACableOnTheRealClock) {
  MonotonicClock clock;
  sim::SimClock simClock(false);
  sim::SimAdapter chip(simClock);
  chip.SetModel(*sim::FindAdapterModel("ch340"));
  CablePorts ports(chip, clock, 300);
  HeadlessUi ui;
  Platform platform{clock, ports, chip, ui};
  Status status(ui);
  Link link(platform, status);
  link.SelectAdapter(AdapterKindId::Serial);
  link.PortName = link.Serial().ComDeviceName = "COM1";
  for (int check = 0; check < 2; ++check) {
    const uint64_t t0 = clock.MicrosecondCount();
    ASSERT_EQ(link.DetectSerialAdapter(), 0) << status.ErrorText;
    EXPECT_GE(clock.MicrosecondCount() - t0, 298000u) << "the check's waits, each ending on its 150th tick";
  }
  const PortFigures& figures = link.Lines().Figures();
  EXPECT_GE(figures.LineOpUs(), 300);
  EXPECT_TRUE(figures.showMeasured);
  EXPECT_GE(figures.showUs, 2000u) << "never less than the chip needs";
  EXPECT_LT(figures.showUs, 40000u);
  EXPECT_LE(figures.measuringReads, 16);
  EXPECT_GE(link.Lines().Rules().SampleAfterRiseUs(), figures.showUs);
}

// A port that will not open: COM-Init-Error!, with the system's reason beside it as
// the box's details, and nothing held open.
TEST(PosixSerialLinkTest, APortThatDoesNotExistFailsToOpen) {
  FakeTree scratch;
  const struct {
    std::string name, why;
  } cases[] = {{scratch.Path("no-such-tty"), std::strerror(ENOENT)}, {"COM1", "no serial device stands for COM1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PosixBench bench(c.name);
    EXPECT_EQ(bench.link.Serial().OpenComPort(), 1);
    EXPECT_FALSE(bench.link.Serial().ComPortOpen);
    ASSERT_EQ(bench.link.DetectSerialAdapter(), 1);
    bench.status.ReportCommandError();
    ASSERT_EQ(bench.ui.messages.size(), 1u);
    EXPECT_EQ(bench.ui.messages[0].text, "COM-Init-Error!");
    EXPECT_NE(bench.ui.messages[0].details.find(c.why), std::string::npos) << bench.ui.messages[0].details;
  }
}

// COM-Init-Error! on a port the user may not open carries the advice in its details,
// which the desktop's box shows and ravix-cli prints on standard error.
TEST(PosixSerialLinkTest, APortTheUserMayNotOpenNamesTheGroupInTheDetails) {
  FakeTree scratch;
  ASSERT_TRUE(scratch.Ok());
  ::chmod(scratch.Path().c_str(), 0755);
  scratch.File("ttyUSB3");
  const std::string group = LockOut(scratch.Path("ttyUSB3"), "dialout");
  ASSERT_FALSE(group.empty());
  const std::string box = AsAnOrdinaryUser([&] {
    PosixBench bench(scratch.Path("ttyUSB3"));
    if (bench.link.DetectSerialAdapter() != 1 || bench.link.Serial().ComPortOpen) return std::string("no failure");
    bench.status.ReportCommandError();
    if (bench.ui.messages.size() != 1) return std::string("no message box");
    return bench.ui.messages[0].text + "|" + bench.ui.messages[0].details;
  });
  EXPECT_EQ(box.substr(0, box.find('|')), "COM-Init-Error!");
  EXPECT_NE(box.find("sudo usermod -aG " + group + " $USER"), std::string::npos) << box;
}

}  // namespace
}  // namespace ravix::test
#endif
