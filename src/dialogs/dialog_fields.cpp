#include "dialogs/dialog_fields.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace ravix {

namespace {
constexpr size_t kFieldChars = 9;
}  // namespace

std::string FieldText(const Window& window, int id) {
  std::string text = window.GetItemText(id);
  if (text.size() > kFieldChars) text.resize(kFieldChars);
  return text;
}

std::optional<int> FieldInteger(const Window& window, int id, const char* format) {
  const std::string text = FieldText(window, id);
  int value = 0;
  if (std::sscanf(text.c_str(), format, &value) != 1) return std::nullopt;
  return value;
}

std::optional<float> FieldDecimal(const Window& window, int id) {
  std::string text = FieldText(window, id);
  if (const size_t comma = text.find(','); comma != std::string::npos) text[comma] = '.';
  float value = 0.0f;
  if (std::sscanf(text.c_str(), "%8f", &value) != 1) return std::nullopt;
  return value;
}

std::string FormatNumber(const char* format, int value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string FormatNumber(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

void ShowNumber(Window& window, int id, const char* format, int value) {
  window.SetItemText(id, FormatNumber(format, value));
}

int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace ravix
