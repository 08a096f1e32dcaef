#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/ftdi_device.h"

namespace ravix {

// The FTDI chips through FTDI's own Windows library, ftd2xx.dll, which FTDI's standard
// driver installs. It is loaded at run time: without it the FTDI cables are simply not
// offered. Nothing of FTDI's is built against: the declarations of the calls are our
// own, written from FTDI's public programming guide of the library.
class Ftd2xxChips : public FtdiChips {
 public:
  // The library from the system's search path; null when it is not there or lacks a
  // call the tool needs.
  static std::unique_ptr<Ftd2xxChips> Load(const char* fileName = "ftd2xx.dll");
  ~Ftd2xxChips() override;
  Ftd2xxChips(const Ftd2xxChips&) = delete;
  Ftd2xxChips& operator=(const Ftd2xxChips&) = delete;

  std::vector<FtdiChipInfo> List() override;
  std::unique_ptr<FtdiDevice> Open(const std::string& serial, FtdiOpenFailure& failure, std::string& why) override;
  // Another export of the library, or null (the test's stand-in has one of its own).
  void (*Export(const char* name) const)();

  struct Calls;

 private:
  Ftd2xxChips(void* module, std::unique_ptr<Calls> calls);
  void* module_;
  std::unique_ptr<Calls> calls_;
};

}  // namespace ravix
