#include "platform/win32/win32_serial.h"

#include <cstring>
#include <vector>

#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last

namespace ravix {

namespace {

static_assert(sizeof(DCB) <= 64, "the DCB must fit the device's buffer");

// The device namespace reaches every COM port, including those above COM9.
std::string DevicePath(const std::string& portName) {
  if (portName.rfind("\\\\", 0) == 0) return portName;
  return "\\\\.\\" + portName;
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
