#pragma once
#include <cstdint>

#include "link/adapter_kinds.h"
#include "link/link_state.h"
#include "link/port_figures.h"

namespace ravix {

// The line work of one adapter kind, with the adapter's own state. Every adapter
// carries the same roles (clock and data to the controller, its RESET, data back from
// it); how a role maps onto a port, and the few steps whose timing or existence differs
// between kinds, live in the adapter, so that the link, protocol and programming-
// interface algorithms never ask which adapter is in use.
//
// The bit, byte and word exchange and the short delay are the adapter's too. Their
// shared default is the specified loop over the roles: one port call per line change,
// in order, nothing cached or batched. An adapter that queues its line changes and
// sends them in batches replaces them whole.
class Adapter {
 public:
  Adapter(const AdapterKind& kind, LinkState& link) : kind_(kind), link_(link) {}
  virtual ~Adapter() = default;
  Adapter(const Adapter&) = delete;
  Adapter& operator=(const Adapter&) = delete;

  const AdapterKind& Kind() const { return kind_; }
  const PortFigures& Figures() const { return figures_; }
  PortTiming Rules() const { return PortTiming(link_.timing, figures_, link_.DelayCount); }

  // The roles.
  virtual void SetClock(bool high) = 0;
  virtual void SetData(bool high) = 0;
  // RESET released (high) lets the controller run; held low it stops.
  virtual void SetReset(bool high) = 0;
  // The level on the data line from the controller within a bit, after any settling
  // the adapter needs while the clock is high.
  virtual uint32_t SampleData() = 0;
  // One read of the data line from the controller and nothing else (the rev counter
  // samples the line as fast as it can).
  virtual bool ReadDataLine() = 0;
  // One access to the adapter's input, the unit of the specified short delay.
  virtual void ReadInput() = 0;

  // 0 when the adapter answers; only the serial adapter can tell (DSR loops back DTR).
  virtual int Detect() = 0;
  // Makes the lines drive; only the parallel port has a control register to set.
  virtual void Prepare() = 0;
  // The positive RESET pulse that puts the AVR into programming mode, short and long.
  virtual int PulseProgrammingReset() = 0;
  virtual int PulseProgrammingResetLong() = 0;

  // The exchange, most significant bit first, full duplex, into the link's RxWord.
  virtual void TransferBit(uint32_t bit);
  // Clears RxWord, a delay of 2 units, the 8 low bits of TxWord; RxWord masked to 8 bits.
  virtual void TransferByte();
  // The 16 low bits of TxWord; RxWord keeps its older bits above them.
  virtual void TransferWord();
  // n units (0 counts as 1, a negative n as none): 5 x n x DelayCount input reads, or on
  // a slow port with the port-aware timing n x UnitUs by the clock.
  virtual void ShortDelay(int n);
  // DelayCount from the input reads that fit into 50 ms.
  virtual void CalibrateDelay();

  // What one byte exchange and one short delay take on this port, by the figures.
  virtual double ExpectedByteUs() const;
  virtual double ExpectedShortDelayUs(int n) const { return Rules().ShortDelayUs(n); }
  // What waiting for the line changes queued so far to be on the lines, and for what
  // came back with them, takes; nothing on an adapter that makes each change as it comes.
  virtual double ExpectedAnswerUs() const { return 0; }

  // An adapter that batches: the bits whose samples are on the way go into RxWord,
  // or are forgotten; every queued line change goes onto the lines.
  virtual void TakeInBits() {}
  virtual void ForgetBits() {}
  virtual void SettleLines() {}

 protected:
  // The calls of one bit as the default TransferBit makes them.
  struct BitShape {
    int lineOps;         // line changes
    int reads;           // input reads besides the delays
    int units;           // short-delay units
    int opsBeforeSample;  // line changes between the rising edge and the sample
    int unitsBeforeSample;
  };
  virtual BitShape Shape() const = 0;

  const AdapterKind& kind_;
  LinkState& link_;
  PortFigures figures_;
};

}  // namespace ravix
