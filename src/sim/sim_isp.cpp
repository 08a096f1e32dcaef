#include "sim/sim_isp.h"

#include <cstdio>

namespace ravix::sim {

void SimIsp::Enter() {
  active_ = true;
  // A device out of step by N bits has counted bits that the tool did not send: it
  // comes into step after N extra clock pulses.
  bitPhase_ = (8 - outOfStep % 8) % 8;
  rx_ = 0;
  tx_ = 0xFF;
  pending_ = 0xFF;
  outBit_ = true;
  enabled_ = false;
  byteIndex_ = 0;
  lastByte_ = 0;
  driving_ = false;
}

void SimIsp::Leave() { active_ = false, driving_ = false; }

void SimIsp::RisingEdge(bool mosi) {
  if (!active_ || state == State::Absent) return;
  rx_ = static_cast<uint8_t>((rx_ << 1) | (mosi ? 1 : 0));
  if (++bitPhase_ % 8 != 0) return;
  bitPhase_ = 0;
  const uint8_t byte = rx_;
  uint8_t out = byte;  // the device echoes the byte before while the next one comes in
  if (!enabled_) {
    if (lastByte_ == 0xAC && byte == 0x53) {
      enabled_ = true;
      instruction_[0] = 0xAC, instruction_[1] = 0x53;
      byteIndex_ = 2;
      driving_ = true;
    }
  } else {
    instruction_[byteIndex_] = byte;
    if (byteIndex_ == 2) {
      const uint8_t op = instruction_[0], b1 = instruction_[1], b2 = instruction_[2];
      const bool locked = state == State::Locked;
      const bool erased = state == State::Erased;
      if (op == 0x30) {
        static constexpr uint8_t kLockedSignature[3] = {0x00, 0x01, 0x02};
        const int a = b2 & 3;
        out = a > 2 ? 0xFF : erased ? 0xFF : locked ? kLockedSignature[a] : signature[a];
      } else if (op == 0x38) {
        out = erased ? 0xFF : calibration;
      } else if (op == 0x58 && b1 == 0x08) {
        out = fuseHigh;
      } else if (op == 0x50 && b1 == 0x00) {
        out = fuseLow;
      } else if (op == 0x58 && b1 == 0x00) {
        out = lockBits;
      }
    }
    if (++byteIndex_ == 4) {
      byteIndex_ = 0;
      if (log) {
        char entry[40];
        std::snprintf(entry, sizeof entry, "isp 0x%02X%02X 0x%02X%02X", instruction_[0], instruction_[1],
                      instruction_[2], instruction_[3]);
        log(entry);
      }
    }
  }
  lastByte_ = byte;
  pending_ = out;
}

// The output changes after the falling edge, so that it is stable when the tool
// samples it after the next rising edge: MSB first.
void SimIsp::FallingEdge() {
  if (!active_) return;
  if (bitPhase_ == 0) tx_ = pending_;
  outBit_ = (tx_ >> (7 - bitPhase_)) & 1;
}

bool SimIsp::Miso() const {
  if (!active_ || !driving_ || state == State::Absent) return true;
  return outBit_;
}

}  // namespace ravix::sim
