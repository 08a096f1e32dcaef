// A stand-in for FTDI's ftd2xx.dll, built by the tests: the calls the tool loads at run
// time, passed on to the simulated FT232R of the program that loaded it (which hands
// it over through RavixStandInConnect). Without that the library sees no chips.
#include <windows.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/ftdi_device.h"

namespace {

using FtStatus = ULONG;
constexpr FtStatus kOk = 0, kInvalidHandle = 1, kDeviceNotFound = 2, kDeviceNotOpened = 3, kIoError = 4,
                   kInvalidParameter = 6;

// The chips of the program that loaded the library.
ravix::FtdiChips* host = nullptr;

struct Open {
  std::unique_ptr<ravix::FtdiDevice> device;
  std::deque<uint8_t> samples;  // read from the chip, not yet taken
};
std::vector<std::unique_ptr<Open>> opened;

Open* Find(void* handle) {
  for (const auto& open : opened)
    if (open.get() == handle) return open.get();
  return nullptr;
}

// What has come back from the chip so far.
bool Fetch(Open& open) {
  uint8_t buffer[256];
  const int n = open.device->Read(buffer);
  if (n < 0) return false;
  open.samples.insert(open.samples.end(), buffer, buffer + n);
  return true;
}

}  // namespace

extern "C" {

__declspec(dllexport) void RavixStandInConnect(ravix::FtdiChips* chips) { host = chips; }

__declspec(dllexport) FtStatus WINAPI FT_CreateDeviceInfoList(DWORD* count) {
  if (!count) return kInvalidParameter;
  *count = host ? static_cast<DWORD>(host->List().size()) : 0;
  return kOk;
}

__declspec(dllexport) FtStatus WINAPI FT_GetDeviceInfoDetail(DWORD index, DWORD* flags, DWORD* type, DWORD* id,
                                                             DWORD* locId, void* serial, void* description,
                                                             void** handle) {
  const std::vector<ravix::FtdiChipInfo> chips = host ? host->List() : std::vector<ravix::FtdiChipInfo>{};
  if (index >= chips.size()) return kDeviceNotFound;
  *flags = opened.empty() ? 0 : 1;
  *type = 5;  // an FT232R, as the guide numbers the chips
  *id = 0x04036001;
  *locId = index + 1;
  std::strncpy(static_cast<char*>(serial), chips[index].serial.c_str(), 15);
  std::strncpy(static_cast<char*>(description), chips[index].description.c_str(), 63);
  *handle = opened.empty() ? nullptr : opened.front().get();
  return kOk;
}

__declspec(dllexport) FtStatus WINAPI FT_OpenEx(void* arg, DWORD flags, void** handle) {
  if (!host || flags != 1 || !arg || !handle) return kInvalidParameter;
  ravix::FtdiOpenFailure failure = ravix::FtdiOpenFailure::None;
  std::string why;
  auto open = std::make_unique<Open>();
  open->device = host->Open(static_cast<const char*>(arg), failure, why);
  if (!open->device) return failure == ravix::FtdiOpenFailure::NoSuchDevice ? kDeviceNotFound : kDeviceNotOpened;
  *handle = open.get();
  opened.push_back(std::move(open));
  return kOk;
}

__declspec(dllexport) FtStatus WINAPI FT_Close(void* handle) {
  for (auto it = opened.begin(); it != opened.end(); ++it)
    if (it->get() == handle) {
      opened.erase(it);
      return kOk;
    }
  return kInvalidHandle;
}

__declspec(dllexport) FtStatus WINAPI FT_SetBitMode(void* handle, UCHAR mask, UCHAR mode) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  if (mode == 0) return kOk;  // back to the UART
  return mode == 0x04 && open->device->SetSyncBitBang(mask) ? kOk : kIoError;
}

// The chip clocks bit-bang states at 16 times the baud rate.
__declspec(dllexport) FtStatus WINAPI FT_SetBaudRate(void* handle, ULONG rate) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  return open->device->SetStateRate(rate * 16) ? kOk : kIoError;
}

__declspec(dllexport) FtStatus WINAPI FT_SetLatencyTimer(void* handle, UCHAR ms) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  // FTDI's library takes 2 ms at the shortest.
  if (ms < 2) return kInvalidParameter;
  return open->device->SetLatencyTimer(ms) ? kOk : kIoError;
}

__declspec(dllexport) FtStatus WINAPI FT_Purge(void* handle, ULONG mask) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  if (mask & 1) open->samples.clear();
  return open->device->Purge() ? kOk : kIoError;
}

__declspec(dllexport) FtStatus WINAPI FT_Write(void* handle, void* buffer, DWORD count, DWORD* written) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  *written = 0;
  const bool taken = open->device->Write(std::span<const uint8_t>(static_cast<const uint8_t*>(buffer), count));
  if (!taken) return kIoError;
  *written = count;
  return kOk;
}

__declspec(dllexport) FtStatus WINAPI FT_GetQueueStatus(void* handle, DWORD* waiting) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  if (!Fetch(*open)) return kIoError;
  *waiting = static_cast<DWORD>(open->samples.size());
  return kOk;
}

// As the library's: waits for as many bytes as asked; the tool asks only for what waits.
__declspec(dllexport) FtStatus WINAPI FT_Read(void* handle, void* buffer, DWORD count, DWORD* got) {
  Open* open = Find(handle);
  if (!open) return kInvalidHandle;
  if (open->samples.size() < count && !Fetch(*open)) return kIoError;
  if (open->samples.size() < count) return kIoError;  // the stand-in cannot wait: a read of what is not there
  for (DWORD i = 0; i < count; ++i) {
    static_cast<uint8_t*>(buffer)[i] = open->samples.front();
    open->samples.pop_front();
  }
  *got = count;
  return kOk;
}

}  // extern "C"
