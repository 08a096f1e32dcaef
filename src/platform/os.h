#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ravix {

// Platform ids of the operating-system version query.
inline constexpr uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;  // the 9x line: direct port instructions allowed
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

// The loaded port-I/O driver library. Its exports are looked up by name at every
// access, as a library that may lack one of them requires.
class PortDriver {
 public:
  virtual ~PortDriver() = default;
  virtual bool HasExport(std::string_view exportName) = 0;
  // DlPortWritePortUshort: a 16-bit write (low byte to port, high byte to port + 1).
  virtual void WritePortUshort(uint16_t port, uint16_t value) = 0;
  // DlPortReadPortUlong: a 32-bit read starting at port.
  virtual uint32_t ReadPortUlong(uint16_t port) = 0;
};

// The full path of this process's program file; "" when the system does not tell.
std::string RunningProgramPath();

class Os {
 public:
  virtual ~Os() = default;
  // The version query with a version structure of structSize bytes; the platform id, or
  // nothing when the call fails.
  virtual std::optional<uint32_t> GetVersionPlatform(uint32_t structSize) = 0;
  // Loads a library by name; null when it is missing.
  virtual std::unique_ptr<PortDriver> LoadLibrary(const std::string& name) = 0;
  // Direct x86 port instructions (the 9x line only).
  virtual void PortOut8(uint16_t port, uint8_t value) = 0;
  virtual uint16_t PortIn16(uint16_t port) = 0;
  // The full path of the running program (the files it brings lie beside it or in
  // its data directory); "" when the system does not tell.
  virtual std::string ProgramPath() { return RunningProgramPath(); }
};

}  // namespace ravix
