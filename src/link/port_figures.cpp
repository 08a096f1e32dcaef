#include "link/port_figures.h"

#include <cmath>
#include <cstdio>

namespace ravix {

double PortTiming::ShortDelayUs(int n) const {
  if (n == 0) n = 1;
  if (n < 0) return 0;
  if (UnitsAreDurations()) return static_cast<double>(n) * UnitUs();
  return 5.0 * n * delayCount_ * figures_.StatusReadUs();
}

std::string AboutDuration(double seconds) {
  char text[48];
  const long s = std::lround(seconds < 1 ? 1 : seconds);
  if (s < 60) {
    std::snprintf(text, sizeof text, "about %ld s", s);
    return text;
  }
  const long minutes = std::lround(static_cast<double>(s) / 60.0);
  if (minutes < 60) {
    std::snprintf(text, sizeof text, "about %ld min", minutes);
  } else if (minutes % 60 == 0) {
    std::snprintf(text, sizeof text, "about %ld h", minutes / 60);
  } else {
    std::snprintf(text, sizeof text, "about %ld h %ld min", minutes / 60, minutes % 60);
  }
  return text;
}

std::string Milliseconds(double us) {
  char text[32];
  std::snprintf(text, sizeof text, us < 1000 ? "%.3f ms" : "%.2f ms", us / 1000.0);
  return text;
}

}  // namespace ravix
