#include "sim/sim_adapter.h"

#ifdef _WIN32
#include "platform/win32/ftd2xx_chips.h"
#endif

#include <algorithm>
#include <cstdio>

namespace ravix::sim {

namespace {

std::string Hex(const char* format, unsigned value) {
  char text[24];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

class SimSerialDevice : public SerialDevice {
 public:
  SimSerialDevice(SimAdapter& adapter, std::string portName) : adapter_(adapter), portName_(std::move(portName)) {}
  ~SimSerialDevice() override { adapter_.SerialClosed(portName_); }
  bool GetLineSettings(LineSettings& settings) override {
    ++adapter_.calls.config;
    if (adapter_.failGetLineSettings) return false;
    settings = adapter_.lineSettings;
    return true;
  }
  bool SetLineSettings(const LineSettings& settings) override {
    ++adapter_.calls.config;
    if (adapter_.failSetLineSettings) return false;
    adapter_.lineSettings = settings;
    return true;
  }
  bool SetTimeouts(const ReadTimeouts& timeouts) override {
    ++adapter_.calls.config;
    if (adapter_.failSetTimeouts) return false;
    adapter_.readTimeouts = timeouts;
    return true;
  }
  bool Escape(EscapeCode code) override { return adapter_.SerialEscape(code); }
  bool GetModemStatus(uint32_t& status) override {
    const uint32_t lines = adapter_.SerialModemStatus();
    if (adapter_.failModemStatus) return false;
    status = lines;
    return true;
  }

 private:
  SimAdapter& adapter_;
  std::string portName_;
};

class SimPortDriver : public PortDriver {
 public:
  explicit SimPortDriver(SimAdapter& adapter) : adapter_(adapter) {}
  bool HasExport(std::string_view name) override {
    ++adapter_.calls.exportLookup;
    return adapter_.driverExports && (name == "DlPortWritePortUshort" || name == "DlPortReadPortUlong");
  }
  void WritePortUshort(uint16_t port, uint16_t value) override { adapter_.LptWrite(port, value, true); }
  uint32_t ReadPortUlong(uint16_t port) override { return adapter_.LptRead(port); }

 private:
  SimAdapter& adapter_;
};

}  // namespace

SimAdapter::SimAdapter(SimClock& clock)
    : controller(clock), ftdi(*this, clock), clock_(clock), model_(&AdapterModels().front()) {}

void SimAdapter::SetModel(const AdapterModel& model) {
  model_ = &model;
  jitter_.seed(kJitterSeed);
  history_.clear();
  // The chip has reported the lines as they are when the model is chosen.
  if (model_->reportDelayUs > 0) history_.push_back({0, dtr_, controller.DataOut(), controller.TestProgramRunning()});
}

uint64_t SimAdapter::CallCost(uint32_t us) {
  if (!model_->jitter) return us;
  // 0.8 to 1.2 times the figure, from the top bits of the generator (its sequence is
  // the same on every platform; the standard distributions are not).
  const double factor = 0.8 + 0.4 * static_cast<double>(jitter_() >> 8) / static_cast<double>(1u << 24);
  return static_cast<uint64_t>(us * factor + 0.5);
}

uint32_t SimAdapter::LiveStatus(bool dtr, bool dataOut) const {
  uint32_t status = 0;
  if (plugged) {
    if (dtr || dsrStuckHigh) status |= MS_DSR_ON;  // the loop-back inside the adapter
    if (dataOut) status |= MS_CTS_ON;
  }
  return status;
}

uint32_t SimAdapter::StatusAt(uint64_t us) {
  // The last change the chip has reported by time us.
  while (history_.size() > 1 && history_[1].us <= us) history_.pop_front();
  if (history_.empty()) return LiveStatus(dtr_, controller.DataOut());
  const LineState& seen = history_.front();
  return LiveStatus(seen.dtr, seen.testProgram ? controller.motor.DataLine(us) : seen.dataOut);
}

std::unique_ptr<SerialDevice> SimAdapter::Open(const std::string& portName) {
  ++calls.open;
  if (portMissing || openPorts_.count(portName) != 0) return nullptr;
  openPorts_.insert(portName);
  return std::make_unique<SimSerialDevice>(*this, portName);
}

std::string SimAdapter::DeviceBehind(const std::string&) { return "simulated adapter"; }

std::optional<uint32_t> SimAdapter::GetVersionPlatform(uint32_t) { return platformId; }

std::unique_ptr<PortDriver> SimAdapter::LoadLibrary(const std::string&) {
  if (!driverPresent) return nullptr;
  return std::make_unique<SimPortDriver>(*this);
}

void SimAdapter::PortOut8(uint16_t port, uint8_t value) {
  ++calls.directOut;
  if (port == 0x27A || port == 0x37A || port == 0x3BE) {
    lptControl_ = value;
    clock_.Advance(kLptCallUs);
    return;
  }
  LptWrite(port, value, false);
  --calls.lptWrite;
}

uint16_t SimAdapter::PortIn16(uint16_t port) {
  ++calls.directIn;
  if (port == 0x27A || port == 0x37A || port == 0x3BE) {
    clock_.Advance(kLptCallUs);
    return lptControl_;
  }
  const uint16_t value = LptRead(port);
  --calls.lptRead;
  return value;
}

bool SimAdapter::SerialEscape(EscapeCode code) {
  ++calls.escape;
  clock_.Advance(CallCost(model_->lineOpUs));
  switch (code) {
    case EscapeCode::SetRts: rts_ = true, Wire("wire rts 1"); break;
    case EscapeCode::ClearRts: rts_ = false, Wire("wire rts 0"); break;
    case EscapeCode::SetDtr: dtr_ = true, Wire("wire dtr 1"); break;
    case EscapeCode::ClearDtr: dtr_ = false, Wire("wire dtr 0"); break;
    case EscapeCode::SetBreak: break_ = true, Wire("wire break 1"); break;
    case EscapeCode::ClearBreak: break_ = false, Wire("wire break 0"); break;
  }
  lptActive_ = false;
  UpdateController();
  if (model_->reportDelayUs > 0)
    history_.push_back({clock_.NowUs(), dtr_, controller.DataOut(), controller.TestProgramRunning()});
  return true;
}

uint32_t SimAdapter::SerialModemStatus() {
  ++calls.modem;
  clock_.Advance(CallCost(model_->statusReadUs));
  const uint32_t status = model_->reportDelayUs == 0
                              ? LiveStatus(dtr_, controller.DataOut())
                              : StatusAt(clock_.NowUs() - std::min<uint64_t>(clock_.NowUs(), model_->reportDelayUs));
  Wire(Hex("wire modem 0x%02X", status));
  return status;
}

void SimAdapter::LptWrite(uint16_t port, uint16_t value, bool wide) {
  ++calls.lptWrite;
  clock_.Advance(kLptCallUs);
  (void)wide;
  if (!IsLptPort(port)) return;
  lptData_ = static_cast<uint8_t>(value & 0xFF);
  Wire(Hex("wire lpt-out 0x%02X", lptData_));
  lptActive_ = true;
  UpdateController();
}

uint16_t SimAdapter::LptRead(uint16_t port) {
  ++calls.lptRead;
  clock_.Advance(kLptCallUs);
  if (!IsLptPort(port)) return 0xFFFF;
  // Status register: bit 6 (ACK) carries the controller's data; bits 3 to 5 idle high.
  uint8_t status = 0x38;
  if (plugged && controller.DataOut()) status |= 0x40;
  const uint16_t value = static_cast<uint16_t>(lptData_ | (status << 8));
  Wire(Hex("wire lpt-in 0x%04X", value));
  return value;
}

// Both adapters drive the one controller; the adapter whose lines changed last is the
// one it listens to.
void SimAdapter::UpdateController(uint64_t atUs) {
  if (!plugged) return;
  controller.timing.watching = !lptActive_;
  if (lptActive_)
    controller.SetLinesAt(atUs, (lptData_ & 0x08) != 0, (lptData_ & 0x02) != 0, (lptData_ & 0x01) != 0);
  else
    controller.SetLinesAt(atUs, break_, rts_, dtr_);
}

void SimAdapter::FtdiPins(uint8_t pins, uint64_t atUs) {
  const bool rts = (pins & ftdi_pin::kRts) == 0;
  const bool dtr = (pins & ftdi_pin::kDtr) == 0;
  const bool brk = (pins & ftdi_pin::kTxd) == 0;
  if (rts != rts_) rts_ = rts, Wire(rts ? "wire rts 1" : "wire rts 0");
  if (dtr != dtr_) dtr_ = dtr, Wire(dtr ? "wire dtr 1" : "wire dtr 0");
  if (brk != break_) break_ = brk, Wire(brk ? "wire break 1" : "wire break 0");
  lptActive_ = false;
  UpdateController(atUs);
}

uint8_t SimAdapter::FtdiInputs(uint64_t atUs) {
  // Idle receivers read high; an asserted CTS or DSR reads 0.
  uint8_t pins = ftdi_pin::kRxd | ftdi_pin::kCts | ftdi_pin::kDsr | ftdi_pin::kDcd | ftdi_pin::kRi;
  if (plugged) {
    if (dtr_ || dsrStuckHigh) pins &= static_cast<uint8_t>(~ftdi_pin::kDsr);
    if (controller.DataOutAt(atUs)) pins &= static_cast<uint8_t>(~ftdi_pin::kCts);
  }
  return pins;
}

#ifdef _WIN32
namespace {

// The simulated chip as ftd2xx.dll (the tests' stand-in, connected to it) shows it; the
// port names are the simulator's.
class SimFtdiThroughLibrary : public FtdiChips {
 public:
  SimFtdiThroughLibrary(SimFtdi& sim, std::unique_ptr<Ftd2xxChips> library) : sim_(sim), library_(std::move(library)) {}
  std::vector<FtdiChipInfo> List() override { return library_->List(); }
  std::unique_ptr<FtdiDevice> Open(const std::string& serial, FtdiOpenFailure& failure, std::string& why) override {
    return library_->Open(serial, failure, why);
  }
  std::string ChipBehindPort(const std::string& portName) override { return sim_.ChipBehindPort(portName); }
  std::string BitBangChipFor(const std::string& portName) override { return sim_.BitBangChipFor(portName); }

 private:
  SimFtdi& sim_;
  std::unique_ptr<Ftd2xxChips> library_;
};

}  // namespace
#endif

FtdiChips* SimAdapter::Ftdi() {
  if (!model_->ftdiChip) return nullptr;
#ifdef _WIN32
  if (!libraryLooked_) {
    libraryLooked_ = true;
    if (std::unique_ptr<Ftd2xxChips> library = Ftd2xxChips::Load()) {
      using Connect = void (*)(FtdiChips*);
      if (auto connect = reinterpret_cast<Connect>(library->Export("RavixStandInConnect"))) {
        connect(&ftdi);
        throughLibrary_ = std::make_unique<SimFtdiThroughLibrary>(ftdi, std::move(library));
      }
    }
  }
  if (throughLibrary_) return throughLibrary_.get();
#endif
  return &ftdi;
}

}  // namespace ravix::sim
