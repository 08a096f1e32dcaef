#include "platform/win32/ftd2xx_chips.h"

#include <cstring>

#include "platform/win32/windows_api.h"  // last

namespace ravix {

namespace {

// The library's types and values, as its programming guide gives them.
using FtStatus = ULONG;
using FtHandle = void*;
constexpr FtStatus kFtOk = 0;
constexpr FtStatus kFtDeviceNotFound = 2;
constexpr DWORD kFtOpenBySerialNumber = 1;
constexpr DWORD kFtFlagOpened = 1;  // another program has the device open
constexpr UCHAR kFtBitModeReset = 0x00;
constexpr UCHAR kFtBitModeSyncBitBang = 0x04;
constexpr ULONG kFtPurgeRx = 1, kFtPurgeTx = 2;

// GetProcAddress hands back a generic function pointer; void(*)() converts to any
// other function type without a cast warning.
template <typename Fn>
bool FindExport(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
  return fn != nullptr;
}

}  // namespace

struct Ftd2xxChips::Calls {
  FtStatus(WINAPI* createDeviceInfoList)(DWORD* count);
  FtStatus(WINAPI* getDeviceInfoDetail)(DWORD index, DWORD* flags, DWORD* type, DWORD* id, DWORD* locId,
                                        void* serial, void* description, FtHandle* handle);
  FtStatus(WINAPI* openEx)(void* arg, DWORD flags, FtHandle* handle);
  FtStatus(WINAPI* close)(FtHandle handle);
  FtStatus(WINAPI* setBitMode)(FtHandle handle, UCHAR mask, UCHAR mode);
  FtStatus(WINAPI* setBaudRate)(FtHandle handle, ULONG rate);
  FtStatus(WINAPI* setLatencyTimer)(FtHandle handle, UCHAR ms);
  FtStatus(WINAPI* purge)(FtHandle handle, ULONG mask);
  FtStatus(WINAPI* write)(FtHandle handle, void* buffer, DWORD count, DWORD* written);
  FtStatus(WINAPI* read)(FtHandle handle, void* buffer, DWORD count, DWORD* got);
  FtStatus(WINAPI* getQueueStatus)(FtHandle handle, DWORD* waiting);
};

namespace {

// One chip opened in synchronous bit-bang mode through the library.
class Ftd2xxDevice : public FtdiDevice {
 public:
  Ftd2xxDevice(const Ftd2xxChips::Calls& calls, FtHandle handle) : calls_(calls), handle_(handle) {}
  ~Ftd2xxDevice() override {
    calls_.setBitMode(handle_, 0, kFtBitModeReset);
    calls_.close(handle_);
  }
  bool SetSyncBitBang(uint8_t outputMask) override {
    return Ok(calls_.setBitMode(handle_, outputMask, kFtBitModeSyncBitBang));
  }
  // The FT232R clocks its bit-bang states at 16 times the baud rate set (FTDI's note on
  // the bit-bang modes); rounded down, so a state is never shorter than asked.
  bool SetStateRate(uint32_t statesPerSecond) override {
    return Ok(calls_.setBaudRate(handle_, statesPerSecond / 16 > 0 ? statesPerSecond / 16 : 1));
  }
  bool SetLatencyTimer(uint8_t ms) override { return Ok(calls_.setLatencyTimer(handle_, ms)); }
  uint8_t ShortestLatencyMs() const override { return 2; }
  bool Purge() override { return Ok(calls_.purge(handle_, kFtPurgeRx | kFtPurgeTx)); }
  bool Write(std::span<const uint8_t> states) override {
    if (states.size() > kFtdiMaxWrite) return false;
    uint8_t buffer[kFtdiMaxWrite];
    std::memcpy(buffer, states.data(), states.size());
    DWORD written = 0;
    return Ok(calls_.write(handle_, buffer, static_cast<DWORD>(states.size()), &written)) &&
           written == states.size();
  }
  // The library's read waits for as many bytes as asked: only what has come is asked
  // for, and nothing yet is 0 (the adapter loops with its own deadline).
  int Read(std::span<uint8_t> samples) override {
    DWORD waiting = 0;
    if (!Ok(calls_.getQueueStatus(handle_, &waiting))) return -1;
    if (waiting == 0) return 0;
    if (waiting > samples.size()) waiting = static_cast<DWORD>(samples.size());
    DWORD got = 0;
    if (!Ok(calls_.read(handle_, samples.data(), waiting, &got))) return -1;
    return static_cast<int>(got);
  }
  std::string LastError() override { return last_ == kFtOk ? "" : "FTDI library status " + std::to_string(last_); }

 private:
  bool Ok(FtStatus status) {
    last_ = status;
    return status == kFtOk;
  }
  const Ftd2xxChips::Calls& calls_;
  FtHandle handle_;
  FtStatus last_ = kFtOk;
};

}  // namespace

std::unique_ptr<Ftd2xxChips> Ftd2xxChips::Load(const char* fileName) {
  HMODULE module = LoadLibraryA(fileName);
  if (!module) return nullptr;
  auto calls = std::make_unique<Calls>();
  const bool complete =
      FindExport(module, "FT_CreateDeviceInfoList", calls->createDeviceInfoList) &&
      FindExport(module, "FT_GetDeviceInfoDetail", calls->getDeviceInfoDetail) &&
      FindExport(module, "FT_OpenEx", calls->openEx) && FindExport(module, "FT_Close", calls->close) &&
      FindExport(module, "FT_SetBitMode", calls->setBitMode) && FindExport(module, "FT_SetBaudRate", calls->setBaudRate) &&
      FindExport(module, "FT_SetLatencyTimer", calls->setLatencyTimer) && FindExport(module, "FT_Purge", calls->purge) &&
      FindExport(module, "FT_Write", calls->write) && FindExport(module, "FT_Read", calls->read) &&
      FindExport(module, "FT_GetQueueStatus", calls->getQueueStatus);
  if (!complete) {
    FreeLibrary(module);
    return nullptr;
  }
  return std::unique_ptr<Ftd2xxChips>(new Ftd2xxChips(module, std::move(calls)));
}

Ftd2xxChips::Ftd2xxChips(void* module, std::unique_ptr<Calls> calls) : module_(module), calls_(std::move(calls)) {}

Ftd2xxChips::~Ftd2xxChips() { FreeLibrary(static_cast<HMODULE>(module_)); }

void (*Ftd2xxChips::Export(const char* name) const)() {
  return reinterpret_cast<void (*)()>(GetProcAddress(static_cast<HMODULE>(module_), name));
}

std::vector<FtdiChipInfo> Ftd2xxChips::List() {
  std::vector<FtdiChipInfo> chips;
  DWORD count = 0;
  if (calls_->createDeviceInfoList(&count) != kFtOk) return chips;
  for (DWORD i = 0; i < count; ++i) {
    DWORD flags = 0, type = 0, id = 0, locId = 0;
    char serial[16] = {}, description[64] = {};
    FtHandle handle = nullptr;
    if (calls_->getDeviceInfoDetail(i, &flags, &type, &id, &locId, serial, description, &handle) != kFtOk) continue;
    serial[sizeof serial - 1] = description[sizeof description - 1] = '\0';
    if (serial[0] == '\0') continue;  // a chip without a serial number cannot be chosen by one
    chips.push_back({serial, description, ""});
  }
  return chips;
}

std::unique_ptr<FtdiDevice> Ftd2xxChips::Open(const std::string& serial, FtdiOpenFailure& failure,
                                              std::string& why) {
  failure = FtdiOpenFailure::None;
  why.clear();
  bool listed = false, openedElsewhere = false;
  DWORD count = 0;
  if (calls_->createDeviceInfoList(&count) == kFtOk) {
    for (DWORD i = 0; i < count; ++i) {
      DWORD flags = 0, type = 0, id = 0, locId = 0;
      char found[16] = {}, description[64] = {};
      FtHandle handle = nullptr;
      if (calls_->getDeviceInfoDetail(i, &flags, &type, &id, &locId, found, description, &handle) != kFtOk) continue;
      found[sizeof found - 1] = '\0';
      if (serial != found) continue;
      listed = true;
      openedElsewhere = (flags & kFtFlagOpened) != 0;
    }
  }
  std::string arg = serial;
  FtHandle handle = nullptr;
  const FtStatus status = calls_->openEx(arg.data(), kFtOpenBySerialNumber, &handle);
  if (status == kFtOk && handle) return std::make_unique<Ftd2xxDevice>(*calls_, handle);
  why = "FTDI library status " + std::to_string(status);
  failure = !listed || status == kFtDeviceNotFound ? FtdiOpenFailure::NoSuchDevice
            : openedElsewhere                      ? FtdiOpenFailure::Busy
                                                   : FtdiOpenFailure::Other;
  return nullptr;
}

}  // namespace ravix
