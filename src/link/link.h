#pragma once
#include <cstdint>
#include <string>

#include "link/adapter.h"
#include "link/adapter_kinds.h"
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

  // The adapter kind of the port chosen (start-up and port selection set it).
  void SelectAdapter(AdapterKindId kind) { selected_ = kind; }
  bool SerialPortSelected() const { return selected_ == AdapterKindId::Serial; }
  // The line work of the adapter on the chosen port.
  Adapter& Lines() { return SerialPortSelected() ? static_cast<Adapter&>(serial_) : parallel_; }
  const Adapter& Lines() const { return SerialPortSelected() ? static_cast<const Adapter&>(serial_) : parallel_; }
  const AdapterKind& Kind() const { return Lines().Kind(); }
  // Each adapter with its own state, whichever is chosen.
  SerialAdapter& Serial() { return serial_; }
  ParallelAdapter& Parallel() { return parallel_; }

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

 private:
  AdapterKindId selected_ = AdapterKindId::Parallel;
  SerialAdapter serial_{*this};
  ParallelAdapter parallel_{*this};
};

}  // namespace ravix
