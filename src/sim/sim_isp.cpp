#include "sim/sim_isp.h"

#include <cstdio>

namespace ravix::sim {

namespace {
// Old AVRs with their lock bits set answer the signature read with 00 01 02.
constexpr uint8_t kLockedSignature[3] = {0x00, 0x01, 0x02};
}  // namespace

void SimIsp::Enter() {
  active_ = true;
  // A device N bits out of step has already counted 8 - N bits of its first byte:
  // after N extra clock pulses its byte boundaries meet the tool's again.
  const int n = ((outOfStep % 8) + 8) % 8;
  bitCount_ = (8 - n) % 8;
  rx_ = 0;
  shiftOut_ = 0xFF;
  next_ = 0xFF;
  outBit_ = true;
  enabled_ = false;
  byteIndex_ = 0;
  previous_ = 0;
}

void SimIsp::Leave() { active_ = false; }

void SimIsp::RisingEdge(bool mosi) {
  if (!active_ || state == State::Absent) return;
  rx_ = static_cast<uint8_t>((rx_ << 1) | (mosi ? 1 : 0));
  if (++bitCount_ < 8) return;
  bitCount_ = 0;
  ByteReceived(rx_);
}

void SimIsp::ByteReceived(uint8_t byte) {
  if (!enabled_) {
    // Until Programming Enable has been seen on its own byte boundaries the device
    // neither executes nor answers anything.
    if (previous_ == 0xAC && byte == 0x53) {
      enabled_ = true;
      instruction_[0] = 0xAC;
      instruction_[1] = 0x53;
      byteIndex_ = 2;
      next_ = byte;  // the echo of 0x53 while the third byte comes in
    }
    previous_ = byte;
    return;
  }
  instruction_[byteIndex_] = byte;
  // The device echoes each byte during the next one, except the output byte of an
  // instruction, which goes out while the fourth byte comes in.
  next_ = byteIndex_ == 2 ? OutputByte() : byte;
  if (++byteIndex_ == 4) {
    byteIndex_ = 0;
    if (log) {
      char entry[32];
      std::snprintf(entry, sizeof entry, "isp 0x%02X%02X 0x%02X%02X", instruction_[0], instruction_[1],
                    instruction_[2], instruction_[3]);
      log(entry);
    }
  }
}

// The output byte of the instruction whose first three bytes have come in.
uint8_t SimIsp::OutputByte() const {
  const uint8_t op = instruction_[0], b1 = instruction_[1], address = instruction_[2];
  const bool erased = state == State::Erased;
  if (op == 0x30) {
    if (address > 2) return 0xFF;
    if (erased) return 0xFF;
    return state == State::Locked ? kLockedSignature[address] : signature[address];
  }
  if (op == 0x38) {
    if (address != 3) return 0x00;
    return erased ? 0xFF : calibration;
  }
  if (op == 0x58 && b1 == 0x08) return fuseHigh;
  if (op == 0x50 && b1 == 0x00) return fuseLow;
  if (op == 0x58 && b1 == 0x00) return lockBits;
  return address;  // anything else: the echo of the third byte
}

// The output changes after the falling edge so that it is stable when the tool
// samples it after the next rising edge.
void SimIsp::FallingEdge() {
  if (!active_ || state == State::Absent) return;
  if (bitCount_ == 0) shiftOut_ = next_;
  outBit_ = ((shiftOut_ >> (7 - bitCount_)) & 1) != 0;
}

bool SimIsp::Miso() const {
  if (!active_ || !enabled_ || state == State::Absent) return true;
  return outBit_;
}

}  // namespace ravix::sim
