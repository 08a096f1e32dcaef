#include "platform/posix/port_names.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>

namespace ravix {

namespace {

// The device families, in the order in which they receive COM numbers: the
// on-board ports first (they keep their numbers when adapters are plugged in).
constexpr std::array<std::string_view, 3> kFamilies = {"ttyS", "ttyUSB", "ttyACM"};

struct Candidate {
  size_t family;
  unsigned long number;
  std::string name;
};

// "ttyUSB12" -> 12 when name is the family prefix followed by digits only.
bool ParseNumber(std::string_view name, std::string_view family, unsigned long& number) {
  if (name.size() <= family.size() || name.substr(0, family.size()) != family) return false;
  const std::string_view digits = name.substr(family.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size();
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

}  // namespace

PortNames::PortNames(PortNameRoots roots) : roots_(std::move(roots)) {}

// The kernel creates ttyS0 to ttyS3 (or more) whether or not a UART answers at
// their addresses; sysfs tells the UART type, 0 where there is none.
bool PortNames::HasUart(const std::string& ttyName) const {
  std::ifstream typeFile(std::filesystem::path(roots_.sysClassTty) / ttyName / "type");
  long type = 0;
  if (!(typeFile >> type)) return false;
  return type != 0;
}

void PortNames::Hold(const std::string& ttyName, bool held) {
  std::erase(held_, ttyName);
  if (held) held_.push_back(ttyName);
}

std::vector<std::string> PortNames::SerialDevices() const {
  std::vector<Candidate> found;
  std::error_code error;
  std::filesystem::directory_iterator entries(roots_.dev, error);
  if (error) return {};
  std::vector<std::string> names = held_;
  for (const auto& entry : entries) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (const std::string& name : names) {
    for (size_t family = 0; family < kFamilies.size(); ++family) {
      unsigned long number = 0;
      if (!ParseNumber(name, kFamilies[family], number)) continue;
      if (family == 0 && !HasUart(name)) break;
      found.push_back({family, number, name});
      break;
    }
  }
  std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.family, a.number, a.name) < std::tie(b.family, b.number, b.name);
  });
  std::vector<std::string> devices;
  for (const auto& candidate : found) {
    if (devices.size() == static_cast<size_t>(kMaxPorts)) break;
    devices.push_back((std::filesystem::path(roots_.dev) / candidate.name).string());
  }
  return devices;
}

std::string PortNames::DeviceBehind(const std::string& portName) const {
  if (!portName.empty() && portName.front() == '/') return portName;
  // Device names are not case-sensitive on the tool's home platform either.
  if (portName.size() < 4 || !EqualsNoCase(std::string_view(portName).substr(0, 3), "COM")) return "";
  unsigned long number = 0;
  if (portName[3] == '0' || !ParseNumber(std::string_view(portName).substr(3), "", number) || number == 0 ||
      number > static_cast<unsigned long>(kMaxPorts))
    return "";
  const auto devices = SerialDevices();
  return number <= devices.size() ? devices[number - 1] : "";
}

}  // namespace ravix
