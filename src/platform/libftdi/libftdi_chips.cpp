#include "platform/libftdi/libftdi_chips.h"

#include <libusb.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace ravix {

namespace {

// A context of libftdi, freed with it.
struct ContextFree {
  void (*freeContext)(ftdi_context*);
  void operator()(ftdi_context* context) const {
    if (context) freeContext(context);
  }
};
using Context = std::unique_ptr<ftdi_context, ContextFree>;

// One chip held in synchronous bit-bang mode.
class LibftdiDevice : public FtdiDevice {
 public:
  LibftdiDevice(const LibftdiCalls& calls, Context context, std::function<void()> released)
      : calls_(calls), context_(std::move(context)), released_(std::move(released)) {}
  ~LibftdiDevice() override {
    // Back to the serial UART and to the kernel's driver (the detach mode re-attaches it).
    calls_.setBitmode(context_.get(), 0, BITMODE_RESET);
    calls_.closeDevice(context_.get());
    if (released_) released_();
  }
  bool SetSyncBitBang(uint8_t outputMask) override {
    return calls_.setBitmode(context_.get(), outputMask, BITMODE_SYNCBB) == 0;
  }
  bool SetStateRate(uint32_t statesPerSecond) override {
    return calls_.setBaudrate(context_.get(), LibftdiRateArgument(statesPerSecond)) == 0;
  }
  bool SetLatencyTimer(uint8_t ms) override { return calls_.setLatencyTimer(context_.get(), ms) == 0; }
  bool Purge() override { return calls_.flush(context_.get()) == 0; }
  bool Write(std::span<const uint8_t> states) override {
    if (states.size() > kFtdiMaxWrite) return false;
    const int n = static_cast<int>(states.size());
    return calls_.write(context_.get(), states.data(), n) == n;
  }
  int Read(std::span<uint8_t> samples) override {
    const int n = calls_.read(context_.get(), samples.data(), static_cast<int>(samples.size()));
    return n < 0 ? -1 : n;
  }
  std::string LastError() override { return calls_.errorString(context_.get()); }

 private:
  LibftdiCalls calls_;
  Context context_;
  std::function<void()> released_;
};

// Walks the FTDI chips libftdi finds (FTDI's vendor ID with the product IDs of its
// serial chips) with their strings; a chip whose strings cannot be read (the user may
// not open it) comes with readable false.
template <typename Each>
int ForEachChip(const LibftdiCalls& calls, ftdi_context* context, Each each) {
  ftdi_device_list* list = nullptr;
  const int found = calls.findAll(context, &list, 0, 0);
  if (found < 0) return found;
  for (ftdi_device_list* at = list; at; at = at->next) {
    char description[128] = "", serial[64] = "";
    const bool readable =
        calls.getStrings(context, at->dev, nullptr, 0, description, sizeof description, serial, sizeof serial) == 0;
    if (!each(at->dev, std::string(description), std::string(serial), readable)) break;
  }
  calls.freeList(&list);
  return 0;
}

bool RealNodeAccessible(libusb_device* device) {
  char node[64];
  std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                libusb_get_device_address(device));
  return access(node, R_OK | W_OK) == 0;
}

std::string RealTtyOf(libusb_device* device) {
  // The kernel's name for the device: bus-port.port..., its first interface ":1.0".
  uint8_t ports[8];
  const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
  if (depth <= 0) return {};
  std::string name = std::to_string(libusb_get_bus_number(device)) + "-";
  for (int i = 0; i < depth; ++i) name += (i ? "." : "") + std::to_string(ports[i]);
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/sys/bus/usb/devices/" + name + "/" + name + ":1.0", error)) {
    const std::string tty = entry.path().filename().string();
    if (tty.rfind("ttyUSB", 0) == 0) return tty;
  }
  return {};
}

void RealReattachDriver(libusb_device* device) {
  libusb_device_handle* handle = nullptr;
  if (libusb_open(device, &handle) != 0) return;
  if (libusb_kernel_driver_active(handle, 0) == 0) libusb_attach_kernel_driver(handle, 0);
  libusb_close(handle);
}

}  // namespace

LibftdiCalls RealLibftdiCalls() {
  return {ftdi_new,           ftdi_free,           ftdi_usb_find_all,     ftdi_list_free, ftdi_usb_get_strings,
          ftdi_usb_open_dev,  ftdi_usb_close,      ftdi_set_bitmode,      ftdi_set_baudrate,
          ftdi_set_latency_timer, ftdi_tcioflush,  ftdi_write_data,       ftdi_read_data, ftdi_get_error_string,
          RealNodeAccessible, RealTtyOf,           RealReattachDriver};
}

int LibftdiRateArgument(uint32_t statesPerSecond) { return static_cast<int>(statesPerSecond / (4 * 16)); }

LibftdiChips::LibftdiChips(LibftdiCalls calls, HoldTty held,
                           std::function<std::string(const std::string&)> deviceBehind)
    : calls_(calls), held_(std::move(held)), deviceBehind_(std::move(deviceBehind)) {}

std::vector<FtdiChipInfo> LibftdiChips::List() {
  std::vector<FtdiChipInfo> chips;
  Context context(calls_.newContext(), ContextFree{calls_.freeContext});
  if (!context) return chips;
  const bool reattach = !reattached_;
  reattached_ = true;
  ForEachChip(calls_, context.get(), [&](libusb_device* device, const std::string& description,
                                        const std::string& serial, bool readable) {
    if (!readable) return true;
    std::string tty = calls_.ttyOf(device);
    if (tty.empty() && reattach) {
      calls_.reattachDriver(device);
      tty = calls_.ttyOf(device);
    }
    chips.push_back({serial, description, tty.empty() ? std::string() : "/dev/" + tty});
    return true;
  });
  return chips;
}

std::string LibftdiChips::ChipBehindPort(const std::string& portName) {
  const std::string device = deviceBehind_ ? deviceBehind_(portName) : portName;
  if (device.empty()) return {};
  for (const FtdiChipInfo& chip : List())
    if (!chip.serialPort.empty() && chip.serialPort == device) return chip.serial;
  return {};
}

std::unique_ptr<FtdiDevice> LibftdiChips::Open(const std::string& serial, FtdiOpenFailure& failure,
                                               std::string& why) {
  failure = FtdiOpenFailure::NoSuchDevice;
  why = "no such device";
  Context context(calls_.newContext(), ContextFree{calls_.freeContext});
  if (!context) {
    failure = FtdiOpenFailure::Other;
    why = "libftdi could not start";
    return nullptr;
  }
  // The serial driver is detached at the open and re-attached at the close.
  context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
  std::string tty;
  bool opened = false;
  bool unreadable = false;
  ForEachChip(calls_, context.get(), [&](libusb_device* device, const std::string&, const std::string& found,
                                        bool readable) {
    if (!readable) {
      unreadable = unreadable || !calls_.nodeAccessible(device);
      return true;
    }
    if (found != serial) return true;
    tty = calls_.ttyOf(device);
    const int result = calls_.openDevice(context.get(), device);
    if (result == 0) {
      opened = true;
    } else {
      why = calls_.errorString(context.get());
      // libusb_open fails alike for a node the user may not open and other faults:
      // the node's mode tells them apart. Claiming fails where another program has it.
      if (!calls_.nodeAccessible(device))
        failure = FtdiOpenFailure::Permission;
      else if (result == -5)
        failure = FtdiOpenFailure::Busy;
      else
        failure = FtdiOpenFailure::Other;
    }
    return false;
  });
  if (!opened) {
    // Not found, but a chip the user may not open could be the one.
    if (failure == FtdiOpenFailure::NoSuchDevice && unreadable) {
      failure = FtdiOpenFailure::Permission;
      why = "no permission to open an FTDI chip";
    }
    return nullptr;
  }
  failure = FtdiOpenFailure::None;
  why.clear();
  std::function<void()> released;
  if (!tty.empty() && held_) {
    held_(tty, true);
    released = [held = held_, tty] { held(tty, false); };
  }
  return std::make_unique<LibftdiDevice>(calls_, std::move(context), std::move(released));
}

}  // namespace ravix
