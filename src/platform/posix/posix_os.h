#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/os.h"
#include "platform/posix/unique_fd.h"

namespace ravix {

// Where the parallel ports are looked for; tests point these at a fake tree.
struct ParallelPortRoots {
  std::string dev = "/dev";
  std::string procParport = "/proc/sys/dev/parport";
};

// The parallel-port devices (/dev/parportN), by number, and the one at a base address.
class ParallelPorts {
 public:
  explicit ParallelPorts(ParallelPortRoots roots = {}) : roots_(std::move(roots)) {}

  std::vector<std::string> Devices() const;
  // The device whose base-addr file begins with base, or "".
  std::string DeviceAt(uint16_t base) const;

 private:
  ParallelPortRoots roots_;
};

// The port-I/O driver's two exports carried out through ppdev. A user program may
// not touch I/O ports on Linux; ppdev hands it the port's registers after a claim.
// A port that cannot be opened or claimed (no such base, no permission, the
// printer driver holds it) makes writes do nothing and reads return 0xFFFF, the
// value of a floating bus.
class PpdevPortDriver : public PortDriver {
 public:
  explicit PpdevPortDriver(ParallelPorts ports) : ports_(std::move(ports)) {}
  ~PpdevPortDriver() override;

  bool HasExport(std::string_view exportName) override;
  // The low byte goes to the data register; the high byte would go to the status
  // register, which is read-only.
  void WritePortUshort(uint16_t port, uint16_t value) override;
  // Data register in the low byte, status register in the high byte.
  uint32_t ReadPortUlong(uint16_t port) override;

 private:
  struct Claim {
    uint16_t base;
    UniqueFd fd;  // invalid when the open or the claim failed
  };
  // The claimed device at base; opened and claimed on first use, -1 when that failed.
  int Channel(uint16_t base);

  ParallelPorts ports_;
  std::vector<Claim> claims_;
};

// The operating system as start-up sees it on Linux.
class PosixOs : public Os {
 public:
  // Neither the 9x line nor the NT line: no direct port instructions.
  static constexpr uint32_t kPlatformPosix = 3;

  explicit PosixOs(ParallelPortRoots roots = {}) : ports_(std::move(roots)) {}

  std::optional<uint32_t> GetVersionPlatform(uint32_t structSize) override;
  // "DLPORTIO.dll" loads (as ppdev) only where the machine has a parallel port, so
  // that a machine without one starts on a serial port as it would without the driver.
  std::unique_ptr<PortDriver> LoadLibrary(const std::string& name) override;
  // Port instructions would fault in a user program; the platform id above keeps
  // the link from using them, and these only answer like an empty bus if called.
  void PortOut8(uint16_t port, uint8_t value) override;
  uint16_t PortIn16(uint16_t port) override;

 private:
  ParallelPorts ports_;
};

}  // namespace ravix
