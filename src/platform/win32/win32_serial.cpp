#include "platform/win32/win32_serial.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last
#include <setupapi.h>

namespace ravix {

namespace {

static_assert(sizeof(DCB) <= 64, "the DCB must fit the device's buffer");

// The device namespace reaches every COM port, including those above COM9.
std::string DevicePath(const std::string& portName) {
  if (portName.rfind("\\\\", 0) == 0) return portName;
  return "\\\\.\\" + portName;
}

// "COM12" -> 12; 0 for any other name.
int ComNumber(const std::string& name) {
  if (name.size() < 4 || name.size() > 6 || _strnicmp(name.c_str(), "COM", 3) != 0 || name[3] == '0') return 0;
  int number = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number <= 256 ? number : 0;
}

// The class of serial and parallel ports in the device manager.
const GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The device manager's names of the ports present, by COM name: "USB Serial Port" for
// COM12, its " (COM12)" left out. Windows gives no name to some ports (Wine to none).
std::map<int, std::string> FriendlyNames() {
  std::map<int, std::string> names;
  HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return names;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) continue;
    wchar_t port[32] = {};
    DWORD size = sizeof port - sizeof(wchar_t);
    DWORD type = 0;
    const bool named = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &size) ==
                           ERROR_SUCCESS && type == REG_SZ;
    RegCloseKey(key);
    const int number = named ? ComNumber(FromWide(port)) : 0;
    wchar_t friendly[256] = {};
    if (number == 0 || !SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                          reinterpret_cast<BYTE*>(friendly),
                                                          sizeof friendly - sizeof(wchar_t), nullptr))
      continue;
    std::string name = FromWide(friendly);
    const std::string suffix = " (" + FromWide(port) + ")";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
      name.resize(name.size() - suffix.size());
    names[number] = name;
  }
  SetupDiDestroyDeviceInfoList(set);
  return names;
}

}  // namespace

Win32SerialDevice::~Win32SerialDevice() { CloseHandle(static_cast<HANDLE>(handle_)); }

bool Win32SerialDevice::GetLineSettings(LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!GetCommState(static_cast<HANDLE>(handle_), &dcb)) return false;
  std::memcpy(dcb_.data(), &dcb, sizeof(DCB));
  dcbRead_ = true;
  settings.BaudRate = dcb.BaudRate;
  settings.ByteSize = dcb.ByteSize;
  settings.Parity = dcb.Parity;
  settings.StopBits = dcb.StopBits;
  return true;
}

bool Win32SerialDevice::SetLineSettings(const LineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (dcbRead_)
    std::memcpy(&dcb, dcb_.data(), sizeof(DCB));
  else if (!GetCommState(static_cast<HANDLE>(handle_), &dcb))
    return false;
  dcb.BaudRate = settings.BaudRate;
  dcb.ByteSize = settings.ByteSize;
  dcb.Parity = settings.Parity;
  dcb.StopBits = settings.StopBits;
  return SetCommState(static_cast<HANDLE>(handle_), &dcb) != 0;
}

bool Win32SerialDevice::SetTimeouts(const ReadTimeouts& timeouts) {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
  t.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
  t.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
  // The tool writes no character through the UART: no write time-out is needed.
  t.WriteTotalTimeoutMultiplier = 0;
  t.WriteTotalTimeoutConstant = 0;
  return SetCommTimeouts(static_cast<HANDLE>(handle_), &t) != 0;
}

bool Win32SerialDevice::Escape(EscapeCode code) {
  DWORD function = 0;
  switch (code) {
    case EscapeCode::SetRts: function = SETRTS; break;
    case EscapeCode::ClearRts: function = CLRRTS; break;
    case EscapeCode::SetDtr: function = SETDTR; break;
    case EscapeCode::ClearDtr: function = CLRDTR; break;
    case EscapeCode::SetBreak: function = SETBREAK; break;
    case EscapeCode::ClearBreak: function = CLRBREAK; break;
  }
  return EscapeCommFunction(static_cast<HANDLE>(handle_), function) != 0;
}

bool Win32SerialDevice::GetModemStatus(uint32_t& status) {
  DWORD lines = 0;
  if (!GetCommModemStatus(static_cast<HANDLE>(handle_), &lines)) return false;
  status = lines;
  return true;
}

std::unique_ptr<SerialDevice> Win32SerialPorts::Open(const std::string& portName) {
  std::string why;
  return OpenWithReason(portName, why);
}

std::unique_ptr<SerialDevice> Win32SerialPorts::OpenWithReason(const std::string& portName, std::string& why) {
  why.clear();
  if (portName.empty()) return nullptr;
  // No sharing: the port is the tool's alone while it is open.
  HANDLE handle = CreateFileA(ToAnsi(DevicePath(portName)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (handle != INVALID_HANDLE_VALUE) return std::make_unique<Win32SerialDevice>(handle);
  const DWORD error = GetLastError();
  why = SystemReason(error);
  // Windows says "access denied" for a port that another program holds open.
  if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
    why += " (is another program using the port?)";
  return nullptr;
}

std::string Win32SerialPorts::DeviceBehind(const std::string& portName) {
  if (portName.rfind("\\\\", 0) == 0) return portName;
  if (portName.empty()) return "";
  // The answer is a list of strings; the first is the current target.
  std::vector<char> target(1024);
  if (QueryDosDeviceA(ToAnsi(portName).c_str(), target.data(), static_cast<DWORD>(target.size())) == 0) return "";
  return FromAnsi(target.data());
}

}  // namespace ravix

namespace ravix {

std::vector<SerialPortInfo> Win32SerialPorts::ListPorts() {
  // Every DOS device name, each ended by a zero and the list by one more; the buffer
  // grows until the list fits.
  std::vector<char> list(16384);
  DWORD length = 0;
  while ((length = QueryDosDeviceA(nullptr, list.data(), static_cast<DWORD>(list.size()))) == 0 &&
         GetLastError() == ERROR_INSUFFICIENT_BUFFER && list.size() < (1u << 24))
    list.resize(list.size() * 2);
  std::vector<int> numbers;
  for (size_t at = 0; at < length && list[at] != '\0';) {
    const std::string name(list.data() + at);
    if (const int number = ComNumber(name); number > 0) numbers.push_back(number);
    at += name.size() + 1;
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  const std::map<int, std::string> friendly = FriendlyNames();
  std::vector<SerialPortInfo> ports;
  for (const int number : numbers) {
    const auto named = friendly.find(number);
    ports.push_back({"COM" + std::to_string(number), named == friendly.end() ? std::string() : named->second});
  }
  return ports;
}

FtdiChips* Win32SerialPorts::Ftdi() {
  if (!ftdiLooked_) {
    ftdiLooked_ = true;
    ftdi_ = Ftd2xxChips::Load();
  }
  return ftdi_.get();
}

}  // namespace ravix
