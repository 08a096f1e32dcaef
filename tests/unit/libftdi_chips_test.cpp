#ifdef RAVIX_HAVE_LIBFTDI
#include "platform/libftdi/libftdi_chips.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace ravix {
namespace {

// A stand-in for libftdi and the USB bus: the chips plugged in, what each call did.
struct FakeChip {
  std::string description, serial, tty;
  bool readable = true;    // its strings can be read (the user may open it)
  bool accessible = true;  // its USB node may be opened
  int openResult = 0;
  bool detachedByCrash = false;  // its driver is detached and nobody holds it
};
struct FakeBus {
  std::vector<FakeChip> chips;
  std::vector<std::string> calls;
  std::map<ftdi_context*, int> openChip;
  std::vector<ftdi_device_list> list;
  int reattached = 0;
  int contexts = 0;
};
// The calls are plain function pointers, as libftdi's are: the bus of the test running.
FakeBus* bus = nullptr;

FakeChip& ChipOf(libusb_device* device) { return bus->chips.at(reinterpret_cast<uintptr_t>(device) - 1); }
libusb_device* DeviceOf(size_t index) { return reinterpret_cast<libusb_device*>(index + 1); }

LibftdiCalls FakeCalls() {
  LibftdiCalls calls{};
  calls.newContext = [] {
    ++bus->contexts;
    return new ftdi_context{};
  };
  calls.freeContext = [](ftdi_context* context) {
    --bus->contexts;
    delete context;
  };
  calls.findAll = [](ftdi_context*, ftdi_device_list** list, int vendor, int product) {
    EXPECT_EQ(vendor, 0) << "libftdi's own list of FTDI's serial chips";
    EXPECT_EQ(product, 0);
    bus->list.assign(bus->chips.size(), ftdi_device_list{});
    for (size_t i = 0; i < bus->list.size(); ++i)
      bus->list[i] = {i + 1 < bus->list.size() ? &bus->list[i + 1] : nullptr, DeviceOf(i)};
    *list = bus->list.empty() ? nullptr : bus->list.data();
    return static_cast<int>(bus->list.size());
  };
  calls.freeList = [](ftdi_device_list** list) { *list = nullptr; };
  calls.getStrings = [](ftdi_context*, libusb_device* device, char*, int, char* description, int dl, char* serial,
                        int sl) {
    const FakeChip& chip = ChipOf(device);
    if (!chip.readable) return -4;
    std::snprintf(description, static_cast<size_t>(dl), "%s", chip.description.c_str());
    std::snprintf(serial, static_cast<size_t>(sl), "%s", chip.serial.c_str());
    return 0;
  };
  calls.openDevice = [](ftdi_context* context, libusb_device* device) {
    const FakeChip& chip = ChipOf(device);
    bus->calls.push_back("open " + chip.serial +
                         (context->module_detach_mode == AUTO_DETACH_REATACH_SIO_MODULE ? " detach+reattach" : ""));
    if (chip.openResult == 0) bus->openChip[context] = static_cast<int>(reinterpret_cast<uintptr_t>(device) - 1);
    return chip.openResult;
  };
  calls.closeDevice = [](ftdi_context*) {
    bus->calls.push_back("close");
    return 0;
  };
  calls.setBitmode = [](ftdi_context*, unsigned char mask, unsigned char mode) {
    char text[48];
    std::snprintf(text, sizeof text, "bitmode 0x%02X %s", mask,
                  mode == BITMODE_SYNCBB ? "sync" : mode == BITMODE_RESET ? "reset" : "other");
    bus->calls.push_back(text);
    return 0;
  };
  calls.setBaudrate = [](ftdi_context*, int rate) {
    bus->calls.push_back("rate " + std::to_string(rate));
    return 0;
  };
  calls.setLatencyTimer = [](ftdi_context*, unsigned char ms) {
    bus->calls.push_back("latency " + std::to_string(ms));
    return 0;
  };
  calls.flush = [](ftdi_context*) { return 0; };
  calls.write = [](ftdi_context*, const unsigned char*, int n) {
    bus->calls.push_back("write " + std::to_string(n));
    return n;
  };
  calls.read = [](ftdi_context*, unsigned char* samples, int max) {
    if (max > 0) samples[0] = 0x5A;
    return bus->chips.empty() ? -1 : 1;
  };
  calls.errorString = [](ftdi_context*) { return "libusb_open() failed"; };
  calls.nodeAccessible = [](libusb_device* device) { return ChipOf(device).accessible; };
  calls.ttyOf = [](libusb_device* device) { return ChipOf(device).detachedByCrash ? std::string() : ChipOf(device).tty; };
  calls.reattachDriver = [](libusb_device* device) {
    ++bus->reattached;
    ChipOf(device).detachedByCrash = false;
  };
  return calls;
}

class LibftdiChipsTest : public ::testing::Test {
 protected:
  LibftdiChipsTest() { bus = &fake; }
  ~LibftdiChipsTest() override {
    EXPECT_EQ(fake.contexts, 0) << "every context is freed";
    bus = nullptr;
  }
  LibftdiChips Chips() {
    return LibftdiChips(
        FakeCalls(), [this](const std::string& tty, bool held) { this->held.push_back(tty + (held ? " held" : " let go")); },
        [](const std::string& portName) { return portName == "COM3" ? std::string("/dev/ttyUSB1") : std::string(); });
  }
  FakeBus fake;
  std::vector<std::string> held;
};

// The chips with their strings and serial devices; one the user may not read is left
// out; one a crashed run left detached goes back to its driver at the first look only.
TEST_F(LibftdiChipsTest, ListsTheChipsAndGivesBackOnesACrashLeftDetached) {
  fake.chips = {{"FT232R USB UART", "A50285BI", "ttyUSB1"},
                {"secret", "X", "ttyUSB2", false},
                {"FT231X USB UART", "D30DF2", "ttyUSB3", true, true, 0, true}};
  LibftdiChips chips = Chips();
  const std::vector<FtdiChipInfo> listed = chips.List();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].serial, "A50285BI");
  EXPECT_EQ(listed[0].description, "FT232R USB UART");
  EXPECT_EQ(listed[0].serialPort, "/dev/ttyUSB1");
  EXPECT_EQ(listed[1].serialPort, "/dev/ttyUSB3") << "re-attached, it has its serial device again";
  EXPECT_EQ(fake.reattached, 1);
  fake.chips[2].detachedByCrash = true;  // another run of the tool holds it now
  EXPECT_EQ(chips.List()[1].serialPort, "");
  EXPECT_EQ(fake.reattached, 1) << "only at the first look";
  EXPECT_EQ(chips.ChipBehindPort("COM3"), "A50285BI");
  EXPECT_EQ(chips.ChipBehindPort("COM4"), "");
}

// Opening detaches the serial driver and re-attaches it at the close; meanwhile the
// chip's serial device is held for the COM numbering; the close leaves bit-bang mode.
TEST_F(LibftdiChipsTest, OpensByTheSerialNumberAndLetsGoCleanly) {
  fake.chips = {{"FT232R USB UART", "A50285BI", "ttyUSB1"}, {"FT232R USB UART", "B7", "ttyUSB2"}};
  LibftdiChips chips = Chips();
  FtdiOpenFailure failure = FtdiOpenFailure::Other;
  std::string why;
  {
    std::unique_ptr<FtdiDevice> device = chips.Open("B7", failure, why);
    ASSERT_TRUE(device);
    EXPECT_EQ(failure, FtdiOpenFailure::None);
    EXPECT_EQ(held, std::vector<std::string>{"ttyUSB2 held"});
    EXPECT_TRUE(device->SetSyncBitBang(ftdi_pin::kOutputs));
    EXPECT_TRUE(device->SetStateRate(100000));
    EXPECT_TRUE(device->SetLatencyTimer(1));
    const std::vector<uint8_t> states(kFtdiMaxWrite + 1, 0xFF);
    EXPECT_TRUE(device->Write(std::span(states).first(kFtdiMaxWrite)));
    EXPECT_FALSE(device->Write(states)) << "a write the chip could hang on is refused";
    uint8_t sample[4];
    EXPECT_EQ(device->Read(sample), 1);
    EXPECT_EQ(sample[0], 0x5A);
  }
  EXPECT_EQ(fake.calls, (std::vector<std::string>{"open B7 detach+reattach", "bitmode 0x15 sync", "rate 1562",
                                                  "latency 1", "write 64", "bitmode 0x00 reset", "close"}));
  EXPECT_EQ(held, (std::vector<std::string>{"ttyUSB2 held", "ttyUSB2 let go"}));
}

// Why a chip could not be opened, so that the message can say what to do.
TEST_F(LibftdiChipsTest, TellsPermissionBusyAndNoSuchDeviceApart) {
  struct Case {
    const char* what;
    FakeChip chip;
    const char* serial;
    FtdiOpenFailure failure;
  } const cases[] = {
      {"not plugged in", {"FT232R", "A5", "ttyUSB0"}, "B7", FtdiOpenFailure::NoSuchDevice},
      {"node not ours", {"FT232R", "A5", "ttyUSB0", true, false, -4}, "A5", FtdiOpenFailure::Permission},
      {"strings unreadable: could be it", {"", "", "ttyUSB0", false, false}, "A5", FtdiOpenFailure::Permission},
      {"claimed by another program", {"FT232R", "A5", "", true, true, -5}, "A5", FtdiOpenFailure::Busy},
      {"another fault", {"FT232R", "A5", "", true, true, -4}, "A5", FtdiOpenFailure::Other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake.chips = {c.chip};
    LibftdiChips chips = Chips();
    FtdiOpenFailure failure = FtdiOpenFailure::None;
    std::string why;
    EXPECT_FALSE(chips.Open(c.serial, failure, why));
    EXPECT_EQ(failure, c.failure);
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(held.empty());
  }
}

// The rate given to libftdi never makes states shorter than asked.
TEST(LibftdiRate, NeverFasterThanAsked) {
  for (const uint32_t rate : {50000u, 100000u, 142857u, 64u})
    EXPECT_LE(static_cast<uint32_t>(LibftdiRateArgument(rate)) * 4 * 16, rate) << rate;
  EXPECT_EQ(LibftdiRateArgument(100000), 1562);
}

}  // namespace
}  // namespace ravix
#endif
