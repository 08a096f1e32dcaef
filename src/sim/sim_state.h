#pragma once
#include <string>
#include <string_view>

#include "sim/sim_controller.h"

namespace ravix::sim {

// What the simulated controller keeps between runs (--sim-state FILE): its setting
// memory with both model memories, its program memory and the programming
// interface's bytes. The faults (silence, wrong read-backs, a missing adapter) belong
// to one run and are not kept.
//
// The file is text of our own, one record a line, the first line naming the format:
//   ravix-sim-state 1
//   settings ADDR HH HH ...     setting bytes from ADDR on (hexadecimal bytes)
//   flash ADDR HH HH ...        program memory bytes from ADDR on
//   signature HH HH HH / fuses HIGH LOW / lockbits HH / calibration HH
// Blank lines and lines starting with "#" are skipped. What a file leaves out keeps
// the value of a fresh controller, so a hand-written file may name a few bytes only.

inline constexpr char kSimStateMagic[] = "ravix-sim-state";
inline constexpr int kSimStateVersion = 1;

// The controller's state as a whole file; program memory pages that are blank (all
// 0xFF, as a fresh controller's) are left out.
std::string SimStateText(const SimController& controller);

// Resets the controller and applies the state text to it. False, with why naming the
// line, when the text is not such a state (or is one of a newer version); the
// controller is then fresh.
bool LoadSimStateText(std::string_view text, SimController& controller, std::string& why);

// Whether the text starts as a state file of ours, of any version: such a file may be
// overwritten by the state of this run, anything else may not.
bool LooksLikeSimState(std::string_view text);

}  // namespace ravix::sim
