#include "sim/sim_motor.h"

#include <cmath>

namespace ravix::sim {

bool SimMotor::DataLine(uint64_t nowUs) const {
  if (!running_ || hz <= 0) return false;
  const double t = static_cast<double>(nowUs - startUs_) / 1e6;
  if (t >= seconds) return false;
  // A square wave: high for the first half of each period.
  const double phase = t * hz - std::floor(t * hz);
  return phase < 0.5;
}

}  // namespace ravix::sim
