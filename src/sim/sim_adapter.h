#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "platform/os.h"
#include "platform/serial_port.h"
#include "sim/adapter_models.h"
#include "sim/sim_clock.h"
#include "sim/sim_controller.h"
#include "sim/sim_ftdi.h"

namespace ravix::sim {

// Platform calls made on the simulated adapter, by kind (the benchmark counts them).
// lptWrite/lptRead are the driver library's two exports, directOut/directIn the port
// instructions (the control register included), open/config the serial port's set-up.
struct CallCounts {
  uint64_t escape = 0, modem = 0, lptWrite = 0, lptRead = 0, exportLookup = 0, directOut = 0, directIn = 0;
  uint64_t open = 0, config = 0;
  uint64_t Total() const {
    return escape + modem + lptWrite + lptRead + exportLookup + directOut + directIn + open + config;
  }
};

// The one simulated adapter with its controller. It answers on every port name,
// serial and parallel, and stands in for the serial ports, the port-I/O driver
// library and the direct port instructions.
class SimAdapter : public SerialPorts, public Os {
 public:
  explicit SimAdapter(SimClock& clock);

  // Knobs.
  bool plugged = true;  // the adapter's loop-back answers
  bool dsrStuckHigh = false;  // a broken adapter whose DSR stays high whatever DTR does
  // Serial port faults: the device is missing, or one step of its set-up fails.
  bool portMissing = false;
  bool failGetLineSettings = false, failSetLineSettings = false, failSetTimeouts = false;
  bool failModemStatus = false;  // the modem-status read fails (and reports nothing)
  bool driverExports = true;     // the driver library has its two exports
  // The serial port's line settings and read time-outs as the tool last set them
  // (before that, what a port left by another program might hold).
  LineSettings lineSettings{115200, 7, 2, 2};
  ReadTimeouts readTimeouts{};
  // How start-up sees the machine: the version query's platform and whether the
  // driver library loads.
  uint32_t platformId = VER_PLATFORM_WIN32_NT;
  bool driverPresent = true;
  // Where the simulated machine's program lies (its manual beside it or in its data
  // directory): the running program unless a script says otherwise.
  std::string programPath = RunningProgramPath();

  SimController controller;
  // The FTDI cable in bit-bang mode, offered on the ft232r model (behind every port
  // name) and on the ftdi model (the chip behind its serial driver's COM ports).
  SimFtdi ftdi;
  CallCounts calls;
  // The serial adapter's chip: its call costs and status reports (default: uart).
  void SetModel(const AdapterModel& model);
  const AdapterModel& Model() const { return *model_; }
  // Every line operation, in the transcript's words ("wire rts 1"), when set.
  std::function<void(const std::string&)> onWire;

  // SerialPorts
  std::unique_ptr<SerialDevice> Open(const std::string& portName) override;
  std::string DeviceBehind(const std::string& portName) override;
  FtdiChips* Ftdi() override;
  // Os
  std::optional<uint32_t> GetVersionPlatform(uint32_t structSize) override;
  std::unique_ptr<PortDriver> LoadLibrary(const std::string& name) override;
  void PortOut8(uint16_t port, uint8_t value) override;
  uint16_t PortIn16(uint16_t port) override;
  std::string ProgramPath() override { return programPath; }

  // Serial devices open now, by port name: a port is opened for exclusive access.
  const std::set<std::string>& OpenPorts() const { return openPorts_; }
  // The data and control registers as the parallel port holds them.
  uint8_t LptData() const { return lptData_; }
  uint8_t LptControl() const { return lptControl_; }

  // Line operations from the simulated serial device and parallel port.
  bool SerialEscape(EscapeCode code);
  uint32_t SerialModemStatus();
  void LptWrite(uint16_t port, uint16_t value, bool wide);
  uint16_t LptRead(uint16_t port);
  void SerialClosed(const std::string& portName) { openPorts_.erase(portName); }
  // The FTDI chip's outputs from time atUs on (the transceiver inverts them: 0 is an
  // asserted RTS or DTR, and TXD at space, the break state), and its inputs then.
  void FtdiPins(uint8_t pins, uint64_t atUs);
  uint8_t FtdiInputs(uint64_t atUs);

  // Time each parallel-port call costs in virtual time (the serial calls cost what the
  // model says).
  static constexpr uint64_t kLptCallUs = 2;
  // The jitter's seed: fixed, so that every run of a script sees the same costs.
  static constexpr uint32_t kJitterSeed = 2026;

 private:
  void Wire(const std::string& line) {
    if (onWire) onWire(line);
  }
  void UpdateController(uint64_t atUs);
  void UpdateController() { UpdateController(clock_.NowUs()); }
  // A call's cost by the model, with the jitter of a USB chip.
  uint64_t CallCost(uint32_t us);
  // The modem status as the lines were at time us (the chip's last report).
  uint32_t StatusAt(uint64_t us);
  uint32_t LiveStatus(bool dtr, bool dataOut) const;
  bool IsLptPort(uint16_t port) const { return port == 0x278 || port == 0x378 || port == 0x3BC; }

  SimClock& clock_;
  bool rts_ = false, dtr_ = false, break_ = false;
  uint8_t lptData_ = 0;
  uint8_t lptControl_ = 0x0C;
  bool lptActive_ = false;  // the last line change came through the parallel port
  std::set<std::string> openPorts_;
  const AdapterModel* model_;
  // On Windows the simulated chip is reached through ftd2xx.dll when the tests' stand-in
  // for it is found, so that the library's run-time loading is exercised.
#ifdef _WIN32
  std::unique_ptr<FtdiChips> throughLibrary_;
  bool libraryLooked_ = false;
#endif
  std::mt19937 jitter_{kJitterSeed};
  // The lines after each change, oldest first, for a chip that reports them late; only
  // what a read may still see is kept.
  struct LineState {
    uint64_t us;
    bool dtr;
    bool dataOut;
    bool testProgram;  // the data line then followed the motor, by time
  };
  std::deque<LineState> history_;
};

}  // namespace ravix::sim
