#include "platform/posix/posix_os.h"

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "platform/text.h"

namespace ravix {

std::string RunningProgramPath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.string();
}

namespace {

constexpr std::string_view kParport = "parport";
constexpr uint32_t kFloatingBus = 0xFFFF;

// "parport12" -> 12.
bool ParportNumber(std::string_view name, unsigned long& number) {
  if (name.size() <= kParport.size() || name.substr(0, kParport.size()) != kParport) return false;
  const std::string_view digits = name.substr(kParport.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size();
}

}  // namespace

std::vector<std::string> ParallelPorts::Devices() const {
  std::vector<std::pair<unsigned long, std::string>> found;
  std::error_code error;
  std::filesystem::directory_iterator entries(roots_.dev, error);
  if (error) return {};
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    unsigned long number = 0;
    if (ParportNumber(name, number)) found.emplace_back(number, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> devices;
  for (const auto& [number, name] : found) devices.push_back((std::filesystem::path(roots_.dev) / name).string());
  return devices;
}

// base-addr holds the port's I/O base and its ECP registers' base ("888\t1912").
std::string ParallelPorts::DeviceAt(uint16_t base) const {
  for (const auto& device : Devices()) {
    const std::string name = std::filesystem::path(device).filename().string();
    std::ifstream baseFile(std::filesystem::path(roots_.procParport) / name / "base-addr");
    unsigned long address = 0;
    if (baseFile >> address && address == base) return device;
  }
  return "";
}

PpdevPortDriver::~PpdevPortDriver() {
  for (auto& claim : claims_)
    if (claim.fd.Valid()) ::ioctl(claim.fd.Get(), PPRELEASE);
}

bool PpdevPortDriver::HasExport(std::string_view exportName) {
  return exportName == "DlPortWritePortUshort" || exportName == "DlPortReadPortUlong";
}

int PpdevPortDriver::Channel(uint16_t base) {
  for (const auto& claim : claims_)
    if (claim.base == base) return claim.fd.Get();
  // Looked up once per base: a failure is remembered, so that every bit of a
  // transfer does not search /proc and show the same failure again.
  UniqueFd fd;
  const std::string device = ports_.DeviceAt(base);
  if (!device.empty()) {
    fd = UniqueFd(::open(device.c_str(), O_RDWR | O_CLOEXEC));
    if (fd.Valid() && ::ioctl(fd.Get(), PPCLAIM) != 0) fd.Reset();
    if (fd.Valid()) {
      // Forward: the data pins drive the adapter's clock, data and RESET lines.
      int forward = 0;
      ::ioctl(fd.Get(), PPDATADIR, &forward);
    }
  }
  claims_.push_back({base, std::move(fd)});
  return claims_.back().fd.Get();
}

void PpdevPortDriver::WritePortUshort(uint16_t port, uint16_t value) {
  const int fd = Channel(port);
  if (fd < 0) return;
  unsigned char data = static_cast<unsigned char>(value & 0xFF);
  ::ioctl(fd, PPWDATA, &data);
}

uint32_t PpdevPortDriver::ReadPortUlong(uint16_t port) {
  const int fd = Channel(port);
  if (fd < 0) return kFloatingBus;
  unsigned char data = 0, status = 0;
  if (::ioctl(fd, PPRDATA, &data) != 0 || ::ioctl(fd, PPRSTATUS, &status) != 0) return kFloatingBus;
  return static_cast<uint32_t>(data) | (static_cast<uint32_t>(status) << 8);
}

std::optional<uint32_t> PosixOs::GetVersionPlatform(uint32_t structSize) {
  (void)structSize;
  return kPlatformPosix;
}

std::unique_ptr<PortDriver> PosixOs::LoadLibrary(const std::string& name) {
  // Library names are not case-sensitive where the driver comes from.
  if (!EqualsIgnoringCase(name, "DLPORTIO.dll") || ports_.Devices().empty()) return nullptr;
  return std::make_unique<PpdevPortDriver>(ports_);
}

void PosixOs::PortOut8(uint16_t port, uint8_t value) { (void)port, (void)value; }

uint16_t PosixOs::PortIn16(uint16_t port) {
  (void)port;
  return static_cast<uint16_t>(kFloatingBus);
}

}  // namespace ravix
