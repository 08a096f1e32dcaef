#include "platform/posix/posix_serial.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <array>
#include <utility>

namespace ravix {

namespace {

// The modem-status bits beside CTS and DSR, as the modem-status word carries them.
constexpr uint32_t MS_RING_ON = 0x40;
constexpr uint32_t MS_RLSD_ON = 0x80;

constexpr uint8_t ODDPARITY = 1;
constexpr uint8_t EVENPARITY = 2;
constexpr uint8_t MARKPARITY = 3;
constexpr uint8_t SPACEPARITY = 4;
constexpr uint8_t TWOSTOPBITS = 2;

// Flags that not every POSIX system has.
#ifdef CRTSCTS
constexpr tcflag_t kHardwareFlowControl = CRTSCTS;
#else
constexpr tcflag_t kHardwareFlowControl = 0;
#endif
#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif

struct Speed {
  uint32_t baud;
  speed_t code;
};

constexpr std::array kSpeeds = {
    Speed{50, B50},         Speed{75, B75},         Speed{110, B110},       Speed{134, B134},
    Speed{150, B150},       Speed{200, B200},       Speed{300, B300},       Speed{600, B600},
    Speed{1200, B1200},     Speed{1800, B1800},     Speed{2400, B2400},     Speed{4800, B4800},
    Speed{9600, B9600},     Speed{19200, B19200},   Speed{38400, B38400},   Speed{57600, B57600},
    Speed{115200, B115200}, Speed{230400, B230400},
#ifdef B460800
    Speed{460800, B460800}, Speed{921600, B921600},
#endif
};

bool SpeedCode(uint32_t baud, speed_t& code) {
  const auto* found = std::find_if(kSpeeds.begin(), kSpeeds.end(), [&](const Speed& s) { return s.baud == baud; });
  if (found == kSpeeds.end()) return false;
  code = found->code;
  return true;
}

uint32_t BaudOf(speed_t code) {
  const auto* found = std::find_if(kSpeeds.begin(), kSpeeds.end(), [&](const Speed& s) { return s.code == code; });
  return found == kSpeeds.end() ? 0 : found->baud;
}

bool SizeFlag(uint8_t byteSize, tcflag_t& flag) {
  switch (byteSize) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
  }
}

bool ParityFlags(uint8_t parity, tcflag_t& flags) {
  switch (parity) {
    case NOPARITY: flags = 0; return true;
    case ODDPARITY: flags = PARENB | PARODD; return true;
    case EVENPARITY: flags = PARENB; return true;
    case MARKPARITY: flags = PARENB | PARODD | kStickParity; return kStickParity != 0;
    case SPACEPARITY: flags = PARENB | kStickParity; return kStickParity != 0;
    default: return false;
  }
}

// The bits of c_cflag that SetLineSettings decides; a device that keeps others
// than asked has not taken the settings.
constexpr tcflag_t kFrameBits = CSIZE | PARENB | PARODD | CSTOPB | kStickParity;

}  // namespace

namespace {

// The group whose members may open the device: its own group, which on Debian is
// "dialout" for every serial port (other systems use "uucp" or "lock"). A device that
// belongs to root's group, or one the user may not even look at, gets the usual name.
std::string PortGroup(const std::string& path) {
  struct stat device {};
  if (::stat(path.c_str(), &device) != 0 || device.st_gid == 0) return "dialout";
  group entry{};
  group* found = nullptr;
  std::array<char, 4096> buffer{};
  if (::getgrgid_r(device.st_gid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return "dialout";
  return found->gr_name;
}

// The reason for a failed open as the user can act on it. Permission is what a new
// user meets first, so its reason says exactly how to get it: the group takes effect
// only in a session started after joining.
std::string OpenFailure(int error, const std::string& path) {
  std::string why = std::strerror(error);
  if (error == EACCES || error == EPERM) {
    const std::string group = PortGroup(path);
    why += " (serial ports belong to the group \"" + group + "\": join it with \"sudo usermod -aG " + group +
           " $USER\", then log out and in again)";
  } else if (error == EBUSY) {
    why += " (another program is using the port)";
  } else if (error == ENOTTY) {
    why += " (the device is no serial port)";
  }
  return why;
}

std::unique_ptr<PosixSerialDevice> Refused(std::string* why, std::string text) {
  if (why) *why = std::move(text);
  return nullptr;
}

}  // namespace

std::unique_ptr<PosixSerialDevice> PosixSerialDevice::Open(const std::string& path, std::string* why) {
  // Non-blocking for the open itself: a port without CLOCAL would otherwise wait for
  // a carrier that the adapter never raises.
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return Refused(why, OpenFailure(errno, path));
  // The advisory lock first: it finds a program that already holds the port (terminal
  // programs and serial libraries take it) and, unlike the exclusive flag, it goes
  // with this descriptor, so a refusal here leaves the port exactly as it was.
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    return Refused(why, OpenFailure(error == EWOULDBLOCK ? EBUSY : error, path));
  }
  termios found{};
  if (::tcgetattr(fd.Get(), &found) != 0) return Refused(why, OpenFailure(errno, path));
  // TIOCEXCL keeps every later open out. It belongs to the terminal, not to this
  // descriptor: from here on a failure must clear it again.
  if (::ioctl(fd.Get(), TIOCEXCL) != 0) return Refused(why, OpenFailure(errno, path));
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    const int error = errno;
    ::ioctl(fd.Get(), TIOCNXCL);
    return Refused(why, OpenFailure(error, path));
  }
  auto device = std::make_unique<PosixSerialDevice>(std::move(fd));
  device->found_ = found;
  // A pseudo-terminal has no modem lines; there is nothing to put back then.
  int lines = 0;
  if (::ioctl(device->fd_.Get(), TIOCMGET, &lines) == 0) device->foundLines_ = lines & (TIOCM_DTR | TIOCM_RTS);
  return device;
}

PosixSerialDevice::~PosixSerialDevice() {
  if (!fd_.Valid()) return;
  // The port goes back as the tool found it: line settings, the two output lines it
  // clocks with, and no break held (the tool's last restart leaves one set).
  if (found_) ::tcsetattr(fd_.Get(), TCSANOW, &*found_);
  if (foundLines_) {
    int set = *foundLines_, clear = (TIOCM_DTR | TIOCM_RTS) & ~*foundLines_;
    if (set) ::ioctl(fd_.Get(), TIOCMBIS, &set);
    if (clear) ::ioctl(fd_.Get(), TIOCMBIC, &clear);
  }
  ::ioctl(fd_.Get(), TIOCCBRK);
  // Let the next program in: the exclusive flag outlives this descriptor when
  // another one is still open on the device.
  ::ioctl(fd_.Get(), TIOCNXCL);
}

bool PosixSerialDevice::GetLineSettings(LineSettings& settings) {
  termios t{};
  if (::tcgetattr(fd_.Get(), &t) != 0) return false;
  settings.BaudRate = BaudOf(::cfgetospeed(&t));
  switch (t.c_cflag & CSIZE) {
    case CS5: settings.ByteSize = 5; break;
    case CS6: settings.ByteSize = 6; break;
    case CS7: settings.ByteSize = 7; break;
    default: settings.ByteSize = 8; break;
  }
  if (!(t.c_cflag & PARENB))
    settings.Parity = NOPARITY;
  else if (t.c_cflag & kStickParity)
    settings.Parity = (t.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  else
    settings.Parity = (t.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  settings.StopBits = (t.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
  return true;
}

bool PosixSerialDevice::SetLineSettings(const LineSettings& settings) {
  speed_t speed{};
  tcflag_t size = 0, parity = 0;
  if (!SpeedCode(settings.BaudRate, speed) || !SizeFlag(settings.ByteSize, size) ||
      !ParityFlags(settings.Parity, parity))
    return false;
  // One and a half stop bits (1) has no termios flag.
  if (settings.StopBits != ONESTOPBIT && settings.StopBits != TWOSTOPBITS) return false;

  termios t{};
  if (::tcgetattr(fd_.Get(), &t) != 0) return false;
  // Raw: no line editing, no character translation, no software or hardware flow
  // control (RTS is the adapter's clock line and must follow only the tool).
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(kFrameBits | kHardwareFlowControl);
  t.c_cflag |= size | parity | (settings.StopBits == TWOSTOPBITS ? CSTOPB : 0) | CREAD | CLOCAL;
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return false;
  if (::tcsetattr(fd_.Get(), TCSANOW, &t) != 0) return false;

  // tcsetattr succeeds when any part of the change was made: read back what holds.
  termios now{};
  if (::tcgetattr(fd_.Get(), &now) != 0) return false;
  return (now.c_cflag & kFrameBits) == (t.c_cflag & kFrameBits) && ::cfgetospeed(&now) == speed &&
         ::cfgetispeed(&now) == speed;
}

// Read time-outs in milliseconds become VMIN/VTIME, whose unit is a tenth of a
// second. The tool never reads through the UART, so the coarser unit changes nothing.
bool PosixSerialDevice::SetTimeouts(const ReadTimeouts& timeouts) {
  termios t{};
  if (::tcgetattr(fd_.Get(), &t) != 0) return false;
  auto tenths = [](uint32_t ms) { return static_cast<cc_t>(std::min<uint32_t>((ms + 99) / 100, 255)); };
  constexpr uint32_t kReturnAtOnce = 0xFFFFFFFF;  // interval time-out MAXDWORD alone
  if (timeouts.ReadIntervalTimeout == kReturnAtOnce && timeouts.ReadTotalTimeoutConstant == 0 &&
      timeouts.ReadTotalTimeoutMultiplier == 0) {
    t.c_cc[VMIN] = 0, t.c_cc[VTIME] = 0;
  } else if (timeouts.ReadTotalTimeoutConstant != 0) {
    // A total time-out: a read returns what has come when it runs out.
    t.c_cc[VMIN] = 0, t.c_cc[VTIME] = tenths(timeouts.ReadTotalTimeoutConstant);
  } else if (timeouts.ReadIntervalTimeout != 0) {
    // Only a gap time-out: wait for the first byte, then stop at the first gap.
    t.c_cc[VMIN] = 1, t.c_cc[VTIME] = tenths(timeouts.ReadIntervalTimeout);
  } else {
    t.c_cc[VMIN] = 1, t.c_cc[VTIME] = 0;
  }
  return ::tcsetattr(fd_.Get(), TCSANOW, &t) == 0;
}

bool PosixSerialDevice::Escape(EscapeCode code) {
  int rts = TIOCM_RTS, dtr = TIOCM_DTR;
  switch (code) {
    case EscapeCode::SetRts: return ::ioctl(fd_.Get(), TIOCMBIS, &rts) == 0;
    case EscapeCode::ClearRts: return ::ioctl(fd_.Get(), TIOCMBIC, &rts) == 0;
    case EscapeCode::SetDtr: return ::ioctl(fd_.Get(), TIOCMBIS, &dtr) == 0;
    case EscapeCode::ClearDtr: return ::ioctl(fd_.Get(), TIOCMBIC, &dtr) == 0;
    case EscapeCode::SetBreak: return ::ioctl(fd_.Get(), TIOCSBRK) == 0;
    case EscapeCode::ClearBreak: return ::ioctl(fd_.Get(), TIOCCBRK) == 0;
  }
  return false;
}

bool PosixSerialDevice::GetModemStatus(uint32_t& status) {
  int lines = 0;
  if (::ioctl(fd_.Get(), TIOCMGET, &lines) != 0) return false;
  status = ((lines & TIOCM_CTS) ? MS_CTS_ON : 0) | ((lines & TIOCM_DSR) ? MS_DSR_ON : 0) |
           ((lines & TIOCM_RNG) ? MS_RING_ON : 0) | ((lines & TIOCM_CAR) ? MS_RLSD_ON : 0);
  return true;
}

std::unique_ptr<SerialDevice> PosixSerialPorts::Open(const std::string& portName) {
  std::string why;
  return OpenWithReason(portName, why);
}

std::unique_ptr<SerialDevice> PosixSerialPorts::OpenWithReason(const std::string& portName, std::string& why) {
  const std::string path = names_.DeviceBehind(portName);
  if (path.empty()) {
    why = "no serial device stands for " + portName;
    return nullptr;
  }
  return PosixSerialDevice::Open(path, &why);
}

#ifdef RAVIX_HAVE_LIBFTDI
PosixSerialPorts::PosixSerialPorts(PortNameRoots roots)
    : names_(std::move(roots)),
      ftdi_(RealLibftdiCalls(), [this](const std::string& tty, bool held) { names_.Hold(tty, held); },
            [this](const std::string& portName) { return names_.DeviceBehind(portName); }) {}
FtdiChips* PosixSerialPorts::Ftdi() { return &ftdi_; }
#else
PosixSerialPorts::PosixSerialPorts(PortNameRoots roots) : names_(std::move(roots)) {}
FtdiChips* PosixSerialPorts::Ftdi() { return nullptr; }
#endif

std::string PosixSerialPorts::DeviceBehind(const std::string& portName) { return names_.DeviceBehind(portName); }

std::vector<SerialPortInfo> PosixSerialPorts::ListPorts() {
  std::vector<SerialPortInfo> ports;
  for (const std::string& device : names_.SerialDevices())
    ports.push_back({"COM" + std::to_string(ports.size() + 1), device});
  return ports;
}

}  // namespace ravix
