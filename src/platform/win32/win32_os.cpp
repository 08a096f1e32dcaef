#include "platform/win32/win32_os.h"

#include <string>

#include "platform/win32/win32_text.h"
#include "platform/win32/windows_api.h"  // last

#if defined(_M_IX86) || defined(_M_X64) || defined(__i386__) || defined(__x86_64__)
#include <intrin.h>
#define RAVIX_X86_PORT_INSTRUCTIONS 1
#endif

namespace ravix {

std::string RunningProgramPath() {
  std::wstring path(32768, L'\0');  // room for the longest path the system takes
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return FromWide(path);
}

namespace {

// The driver's exports as it declares them.
using WritePortUshortFn = void(WINAPI*)(ULONG port, USHORT value);
using ReadPortUlongFn = ULONG(WINAPI*)(ULONG port);

// GetProcAddress hands back a generic function pointer; void(*)() is the one type
// that converts to any other function type without a cast warning.
template <typename Fn>
Fn FindExport(void* module, const char* name) {
  const FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

Win32PortDriver::~Win32PortDriver() { FreeLibrary(static_cast<HMODULE>(module_)); }

bool Win32PortDriver::HasExport(std::string_view exportName) {
  const std::string name(exportName);
  return GetProcAddress(static_cast<HMODULE>(module_), name.c_str()) != nullptr;
}

void Win32PortDriver::WritePortUshort(uint16_t port, uint16_t value) {
  if (auto write = FindExport<WritePortUshortFn>(module_, "DlPortWritePortUshort")) write(port, value);
}

uint32_t Win32PortDriver::ReadPortUlong(uint16_t port) {
  auto read = FindExport<ReadPortUlongFn>(module_, "DlPortReadPortUlong");
  return read ? static_cast<uint32_t>(read(port)) : 0xFFFFFFFFu;
}

std::optional<uint32_t> Win32Os::GetVersionPlatform(uint32_t structSize) {
  // Only the two sizes the system knows: a larger size field would let it write
  // past the structure.
  if (structSize != sizeof(OSVERSIONINFOEXA) && structSize != sizeof(OSVERSIONINFOA)) return std::nullopt;
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = structSize;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)  // deprecated, yet the platform id it gives is all that is asked
#endif
  if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) return std::nullopt;
  return static_cast<uint32_t>(info.dwPlatformId);
}

std::unique_ptr<PortDriver> Win32Os::LoadLibrary(const std::string& name) {
  HMODULE module = LoadLibraryA(ToAnsi(name).c_str());
  if (module == nullptr) return nullptr;
  return std::make_unique<Win32PortDriver>(module);
}

#ifdef RAVIX_X86_PORT_INSTRUCTIONS
void Win32Os::PortOut8(uint16_t port, uint8_t value) { __outbyte(port, value); }
uint16_t Win32Os::PortIn16(uint16_t port) { return __inword(port); }
#else
// No port instructions on this processor: the bus answers as if empty.
void Win32Os::PortOut8(uint16_t port, uint8_t value) { (void)port, (void)value; }
uint16_t Win32Os::PortIn16(uint16_t port) {
  (void)port;
  return 0xFFFF;
}
#endif

}  // namespace ravix
