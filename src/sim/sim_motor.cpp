#include "sim/sim_motor.h"

#include <cmath>

namespace ravix::sim {

bool SimMotor::DataLine(uint64_t nowUs) const {
  if (!running_) return false;
  const double t = static_cast<double>(nowUs - startUs_) / 1e6;
  if (hz <= 0 || t >= seconds) return afterHigh;
  const double periods = t * hz;
  return periods - std::floor(periods) < 0.5;
}

}  // namespace ravix::sim
