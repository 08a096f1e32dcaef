#pragma once
#include <memory>
#include <string>

#include "platform/os.h"

namespace ravix {

// The port-I/O driver library, loaded by name. It is a separate product: of it the
// tool relies only on its two exports DlPortWritePortUshort and DlPortReadPortUlong,
// looked up by name at every access (a library of another version may lack one).
class Win32PortDriver : public PortDriver {
 public:
  // module: the loaded library, freed with the driver.
  explicit Win32PortDriver(void* module) : module_(module) {}
  ~Win32PortDriver() override;
  Win32PortDriver(const Win32PortDriver&) = delete;
  Win32PortDriver& operator=(const Win32PortDriver&) = delete;

  bool HasExport(std::string_view exportName) override;
  // Each call looks its export up again and does nothing when it is missing.
  void WritePortUshort(uint16_t port, uint16_t value) override;
  uint32_t ReadPortUlong(uint16_t port) override;

 private:
  void* module_;
};

// The operating system as start-up sees it on Windows.
class Win32Os : public Os {
 public:
  // GetVersionExA with the version structure's size field set to structSize (156
  // for the extended structure, 148 for the basic one; other sizes fail).
  std::optional<uint32_t> GetVersionPlatform(uint32_t structSize) override;
  std::unique_ptr<PortDriver> LoadLibrary(const std::string& name) override;
  // Port instructions run in user mode only on the 9x line, which the link checks
  // before using them; on the NT line they would raise a privileged-instruction fault.
  void PortOut8(uint16_t port, uint8_t value) override;
  uint16_t PortIn16(uint16_t port) override;
};

}  // namespace ravix
