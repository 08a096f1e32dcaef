#pragma once
#include <span>
#include <string>
#include <string_view>

namespace ravix {

// The kinds of adapter the tool drives. One row each: what the kind is called, how it
// reaches the controller's lines, and which of the tool's jobs travel over it. The Port
// menu, --port, the setup file and the commands all ask this table; none of them asks
// which adapter is in use.
enum class AdapterKindId { Serial, Parallel, Ftdi };

struct AdapterKind {
  AdapterKindId id;
  std::string_view name;   // as ravix-cli port-check and the session log write it
  std::string_view lines;  // how the roles lie on the port, for people
  // The firmware's setup commands: Read, Write, the update, the lock and RPM dialogs.
  bool setupCommands;
  // The AVR's serial programming interface: calibration, controller info.
  bool programmingInterface;
  // The motor release and the pulse count of the rev counter.
  bool revCounter;
  // Whether a port name stands for a port of this kind. The rows are asked in order;
  // the last one takes every name.
  bool (*namesPort)(std::string_view portName);
};

std::span<const AdapterKind> AdapterKinds();
const AdapterKind& KindOf(AdapterKindId id);
// The kind of adapter behind a port name ("0378" parallel, "ftdi:A50285BI" an FTDI cable
// in bit-bang mode, "COM12" or "/dev/ttyUSB0" serial).
const AdapterKind& KindOfPort(std::string_view portName);
// "setup commands, programming interface, rev counter": what a kind carries, in words.
std::string CarriedJobs(const AdapterKind& kind);

// The port names of FTDI cables: "ftdi:" and the chip's serial number ("ftdi:" alone
// for the only one there is), at most 25 bytes like every long port name.
inline constexpr std::string_view kFtdiPortPrefix = "ftdi:";
// The serial number in an FTDI port name ("" for the only cable); the name must be one.
std::string_view FtdiSerialOfPort(std::string_view portName);

}  // namespace ravix
