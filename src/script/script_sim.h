#pragma once
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_adapter.h"

namespace ravix::script {

// Runs one "sim" line (words[0] is "sim") on the simulated adapter and its
// controller; transcript lines go to print. Throws ScriptError for a line that
// cannot be run.
void RunSimCommand(const std::vector<std::string>& words, sim::SimAdapter& adapter,
                   const std::function<void(const std::string&)>& print);

}  // namespace ravix::script
