#include "dialogs/dialog_fields.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace ravix {

namespace {
constexpr size_t kFieldChars = 9;
}  // namespace

std::string FieldText(const Window& window, int id) {
  std::string text = window.GetItemText(id);
  if (text.size() > kFieldChars) text.resize(kFieldChars);
  return text;
}

namespace {

bool OnlyBlanks(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// What the parse left of the field (and what lies beyond its nine characters) must be
// blanks: anything else means the format took only part of what was typed.
template <class T>
FieldNumber<T> Parse(const std::string& whole, std::string text, const char* format) {
  FieldNumber<T> field;
  const bool beyondBlank = whole.size() <= kFieldChars || OnlyBlanks(std::string_view(whole).substr(kFieldChars));
  const std::string withCount = std::string(format) + "%n";
  T value{};
  int consumed = 0;
  if (std::sscanf(text.c_str(), withCount.c_str(), &value, &consumed) != 1) {
    field.kind = beyondBlank ? FieldKind::NoNumber : FieldKind::Malformed;
    return field;
  }
  field.value = value;
  const std::string_view rest = std::string_view(text).substr(static_cast<size_t>(consumed));
  field.kind = OnlyBlanks(rest) && beyondBlank ? FieldKind::Number : FieldKind::Malformed;
  return field;
}

}  // namespace

FieldNumber<int> ReadIntegerField(const Window& window, int id, const char* format) {
  return Parse<int>(window.GetItemText(id), FieldText(window, id), format);
}

FieldNumber<float> ReadDecimalField(const Window& window, int id) {
  std::string text = FieldText(window, id);
  if (const size_t comma = text.find(','); comma != std::string::npos) text[comma] = '.';
  return Parse<float>(window.GetItemText(id), text, "%8f");
}

std::optional<int> FieldInteger(const Window& window, int id, const char* format) {
  const FieldNumber<int> field = ReadIntegerField(window, id, format);
  if (field.kind != FieldKind::Number) return std::nullopt;
  return field.value;
}

std::optional<float> FieldDecimal(const Window& window, int id) {
  const FieldNumber<float> field = ReadDecimalField(window, id);
  if (field.kind != FieldKind::Number) return std::nullopt;
  return field.value;
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
