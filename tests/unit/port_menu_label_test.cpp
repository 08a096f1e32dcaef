#include <gtest/gtest.h>

#include <string>

#include "app/main_window.h"

namespace ravix {
namespace {

TEST(PortMenuLabel, NamesTheDeviceBehindASerialPort) {
  struct Case {
    const char* name;
    std::string device;
    const char* label;
  } const cases[] = {
      {"COM1", "/dev/ttyUSB0", "COM1  /dev/ttyUSB0"},
      {"COM2", "", "COM2  (none)"},
      {"COM3", "\\Device\\Serial2", "COM3  \\Device\\Serial2"},
      // A name that is the device itself is not repeated.
      {"COM4", "COM4", "COM4"},
  };
  for (const auto& c : cases) EXPECT_EQ(PortMenuLabel(c.name, c.device), c.label) << c.name;
}

}  // namespace
}  // namespace ravix
