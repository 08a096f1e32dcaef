#pragma once
#include <ftdi.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ftdi_device.h"

namespace ravix {

// The calls into libftdi (and the two into libusb for the device's node) that the
// FTDI backend makes, one pointer each, so that tests can stand in for the library.
struct LibftdiCalls {
  ftdi_context* (*newContext)();
  void (*freeContext)(ftdi_context*);
  int (*findAll)(ftdi_context*, ftdi_device_list**, int vendor, int product);
  void (*freeList)(ftdi_device_list**);
  int (*getStrings)(ftdi_context*, libusb_device*, char* manufacturer, int, char* description, int, char* serial,
                    int);
  int (*openDevice)(ftdi_context*, libusb_device*);
  int (*closeDevice)(ftdi_context*);
  int (*setBitmode)(ftdi_context*, unsigned char mask, unsigned char mode);
  int (*setBaudrate)(ftdi_context*, int);
  int (*setLatencyTimer)(ftdi_context*, unsigned char);
  int (*flush)(ftdi_context*);
  int (*write)(ftdi_context*, const unsigned char*, int);
  int (*read)(ftdi_context*, unsigned char*, int);
  const char* (*errorString)(ftdi_context*);
  // Our own: whether this user may open the device's USB node (/dev/bus/usb/BBB/DDD).
  bool (*nodeAccessible)(libusb_device*);
  // Our own: the serial device the kernel's driver gives the chip ("ttyUSB0"), "" when
  // none (the driver is detached, or not loaded).
  std::string (*ttyOf)(libusb_device*);
  // Our own: gives the chip back to the kernel's serial driver when no driver holds it
  // (a run of the tool that crashed left it detached).
  void (*reattachDriver)(libusb_device*);
};
LibftdiCalls RealLibftdiCalls();

// The rate argument that makes libftdi set a state rate of at most statesPerSecond:
// in bit-bang mode libftdi sets the baud-rate divisor for four times the rate given,
// and the FT232R clocks its bit-bang states at 16 times the divisor's baud rate
// (FTDI's application note on the FT232R's bit-bang modes). Rounded down, so that a
// state is never shorter than asked; should one of the two factors not hold on a
// chip, its states come slower, never faster.
int LibftdiRateArgument(uint32_t statesPerSecond);

// The FTDI chips on USB through libftdi. While the tool holds a chip in bit-bang mode
// its kernel serial driver is detached (libftdi does that at the open) and re-attached
// at the close; held tells the serial port names, so that the COM numbers of the other
// serial devices do not shift while the chip's own serial device is gone.
class LibftdiChips : public FtdiChips {
 public:
  using HoldTty = std::function<void(const std::string& ttyName, bool held)>;
  LibftdiChips(LibftdiCalls calls, HoldTty held, std::function<std::string(const std::string&)> deviceBehind);

  std::vector<FtdiChipInfo> List() override;
  std::unique_ptr<FtdiDevice> Open(const std::string& serial, FtdiOpenFailure& failure, std::string& why) override;
  // The chip whose serial device a port name stands for.
  std::string ChipBehindPort(const std::string& portName) override;

 private:
  LibftdiCalls calls_;
  HoldTty held_;
  std::function<std::string(const std::string&)> deviceBehind_;
  bool reattached_ = false;  // the chips a crashed run left detached went back at the first look
};

}  // namespace ravix
