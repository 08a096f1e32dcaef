#pragma once
#include <cstdint>

namespace ravix {

class Link;

// The line work of one adapter kind. Both adapters carry the same roles (clock and
// data to the controller, its RESET, data back from it); how a role maps onto a
// port, and the few steps whose timing or existence differs between the two, live
// here so that the link, protocol and programming-interface algorithms never ask
// which adapter is in use. Every call is the same sequence of port accesses that
// the algorithm would make by hand.
class Adapter {
 public:
  virtual ~Adapter() = default;

  virtual void SetClock(bool high) = 0;
  virtual void SetData(bool high) = 0;
  // RESET released (high) lets the controller run; held low it stops.
  virtual void SetReset(bool high) = 0;
  // The level on the data line from the controller, after any settling the adapter
  // needs while the clock is high.
  virtual uint32_t SampleData() = 0;
  // One access to the adapter's input, the unit of the short delay.
  virtual void ReadInput() = 0;

  // 0 when the adapter answers; only the serial adapter can tell (DSR loops back DTR).
  virtual int Detect() = 0;
  // Makes the lines drive; only the parallel port has a control register to set.
  virtual void Prepare() = 0;
  // The positive RESET pulse that puts the AVR into programming mode, short and long.
  virtual int PulseProgrammingReset() = 0;
  virtual int PulseProgrammingResetLong() = 0;
  // The setup firmware's commands (reading and writing settings, the update, the
  // revolution counter) go over the serial adapter only.
  virtual bool CarriesSetupCommands() const = 0;
};

class SerialAdapter final : public Adapter {
 public:
  explicit SerialAdapter(Link& link) : link_(link) {}
  void SetClock(bool high) override;
  void SetData(bool high) override;
  void SetReset(bool high) override;
  uint32_t SampleData() override;
  void ReadInput() override;
  int Detect() override;
  void Prepare() override {}
  int PulseProgrammingReset() override;
  int PulseProgrammingResetLong() override;
  bool CarriesSetupCommands() const override { return true; }

 private:
  int PulseReset(uint32_t heldMs);
  Link& link_;
};

class ParallelAdapter final : public Adapter {
 public:
  explicit ParallelAdapter(Link& link) : link_(link) {}
  void SetClock(bool high) override;
  void SetData(bool high) override;
  void SetReset(bool high) override;
  uint32_t SampleData() override;
  void ReadInput() override;
  int Detect() override { return 0; }
  void Prepare() override;
  int PulseProgrammingReset() override;
  int PulseProgrammingResetLong() override;
  bool CarriesSetupCommands() const override { return false; }

 private:
  Link& link_;
};

}  // namespace ravix
