#pragma once
#include <cstdint>
#include <string>

#include "link/adapter.h"
#include "link/adapter_kinds.h"
#include "link/ftdi_adapter.h"
#include "link/link_state.h"
#include "link/parallel_adapter.h"
#include "link/serial_adapter.h"
#include "platform/platform.h"
#include "status/status.h"

namespace ravix {

// The link to the controller: the adapter of the port chosen, the waits, adapter
// detection and the bit, byte and word exchange.
//
// Line roles (the same on every adapter):
//   clock to the controller    RTS            data bit 1 (pin 3)
//   data to the controller     DTR            data bit 0 (pin 2)
//   controller RESET           break of TXD   data bit 3 (pin 5)
//   data from the controller   CTS            status bit 6, ACK (pin 10)
//   loop-back for detection    DSR follows DTR inside the adapter
class Link : public LinkState {
 public:
  Link(Platform& platform, Status& status) : LinkState(platform, status) {}

  // The adapter kind of the port chosen (start-up and port selection set it, after
  // PortName). An FTDI port name names its chip; a serial port name that the machine
  // puts an FTDI chip in bit-bang mode behind (the simulated FT232R stands behind every
  // name) selects that chip.
  void SelectAdapter(AdapterKindId kind);
  bool SerialPortSelected() const { return selected_ == AdapterKindId::Serial; }
  // The line work of the adapter on the chosen port.
  Adapter& Lines();
  const Adapter& Lines() const { return const_cast<Link&>(*this).Lines(); }
  const AdapterKind& Kind() const { return Lines().Kind(); }
  // Each adapter with its own state, whichever is chosen.
  SerialAdapter& Serial() { return serial_; }
  ParallelAdapter& Parallel() { return parallel_; }
  FtdiAdapter& Ftdi() { return ftdi_; }
  // The serial number of the FTDI chip behind the chosen serial port ("" when the port
  // is no serial port or its chip is no FTDI one): chosen as ftdi:SERIAL it is fast.
  std::string FtdiChipBehindPort();
  // Lets go of the device of every adapter (the port is chosen anew, the tool ends).
  void ClosePort();

  // 0 when the serial adapter answers its loop-back (or another kind is chosen).
  int DetectSerialAdapter() { return Lines().Detect(); }
  // Drives the parallel adapter's outputs low; nothing on another kind.
  void InitParallelAdapter() { Lines().Prepare(); }
  void TransferBit(uint32_t bit) { Lines().TransferBit(bit); }
  void TransferByte() { Lines().TransferByte(); }
  void TransferWord() { Lines().TransferWord(); }
  void ShortDelay(int n) { Lines().ShortDelay(n); }
  void CalibrateDelay() { Lines().CalibrateDelay(); }
  void ReadInput() { Lines().ReadInput(); }

 protected:
  void TakeInBits() override { Lines().TakeInBits(); }
  void ForgetBits() override { Lines().ForgetBits(); }
  void SettleLines() override { Lines().SettleLines(); }

 private:
  AdapterKindId selected_ = AdapterKindId::Parallel;
  SerialAdapter serial_{*this};
  ParallelAdapter parallel_{*this};
  FtdiAdapter ftdi_{*this};
};

}  // namespace ravix
