#include "link/adapter_kinds.h"

#include <array>
#include <utility>

namespace ravix {

namespace {

// The parallel port's three base addresses, by their names.
bool NamesParallelPort(std::string_view name) { return name == "0278" || name == "0378" || name == "03BC"; }
// "ftdi:SERIAL", in any case.
bool NamesFtdiPort(std::string_view name) {
  if (name.size() < kFtdiPortPrefix.size()) return false;
  for (size_t i = 0; i < kFtdiPortPrefix.size(); ++i)
    if ((name[i] | 0x20) != kFtdiPortPrefix[i]) return false;
  return true;
}
// A COM port of any number, or a device path: the serial port is the fallback.
bool NamesAnyPort(std::string_view) { return true; }

constexpr std::array<AdapterKind, 3> kKinds{{
    {AdapterKindId::Parallel, "parallel", "data bits 0, 1 and 3 out, ACK (status bit 6) in", false, true, false,
     NamesParallelPort},
    {AdapterKindId::Ftdi, "FTDI synchronous bit-bang",
     "RTS clock, DTR data, break RESET, CTS data in, DSR loop-back, as pin states of the chip", true, true, true,
     NamesFtdiPort},
    {AdapterKindId::Serial, "serial", "RTS clock, DTR data, break RESET, CTS data in, DSR loop-back", true, true, true,
     NamesAnyPort},
}};

}  // namespace

std::span<const AdapterKind> AdapterKinds() { return kKinds; }

const AdapterKind& KindOf(AdapterKindId id) {
  for (const AdapterKind& kind : kKinds)
    if (kind.id == id) return kind;
  return kKinds.back();
}

const AdapterKind& KindOfPort(std::string_view portName) {
  for (const AdapterKind& kind : kKinds)
    if (kind.namesPort(portName)) return kind;
  return kKinds.back();
}

std::string CarriedJobs(const AdapterKind& kind) {
  std::string jobs;
  for (const auto& [carried, job] : {std::pair{kind.setupCommands, "setup commands"},
                                     std::pair{kind.programmingInterface, "programming interface"},
                                     std::pair{kind.revCounter, "rev counter"}})
    if (carried) jobs += (jobs.empty() ? "" : ", ") + std::string(job);
  return jobs;
}

std::string_view FtdiSerialOfPort(std::string_view portName) {
  return portName.size() > kFtdiPortPrefix.size() ? portName.substr(kFtdiPortPrefix.size()) : std::string_view();
}

}  // namespace ravix
