#pragma once
#include <cstdint>

namespace ravix {

// What the tool dialogs keep for the rest of the run.
struct DialogsState {
  // Setting byte 13 as last read (or last sent): bit 0 clear locks the set-up with the
  // transmitter, bit 1 clear locks the test program. The other bits belong to the
  // firmware and go back as they came.
  uint8_t LockByte = 0;
};

}  // namespace ravix
