#pragma once
#include <optional>
#include <string>

#include "platform/ui.h"

namespace ravix {

// Number fields of the tool dialogs. The tool reads at most nine characters of a
// field and parses them with a fixed scanf format. The whole field must be that one
// number, blanks around it allowed: a number the format would cut short or one with
// other characters beside it ("1000" in the two-digit P field, "4.7" poles, "2,500"
// rpm, "30000abc") is refused rather than written as the part the format took. A text
// that gives no number at all is reported as nothing: the commands refuse it rather
// than act on an old or made-up value.

// At most the first nine characters of the control's text.
std::string FieldText(const Window& window, int id);

enum class FieldKind {
  NoNumber,   // blank, or no number where one should begin ("abc")
  Number,     // one number and nothing else
  Malformed,  // a number with other characters beside it, or longer than the format takes
};
template <class T>
struct FieldNumber {
  FieldKind kind = FieldKind::NoNumber;
  T value{};
};

// The field parsed with an integer format of one conversion such as "%8d" or "%2d".
FieldNumber<int> ReadIntegerField(const Window& window, int id, const char* format);
// The field with its first "," read as ".", parsed with "%8f". Overflowing texts and
// "inf"/"nan" come back as they parse (non-finite): the caller decides.
FieldNumber<float> ReadDecimalField(const Window& window, int id);

// The value of a field that holds one number and nothing else; nothing otherwise.
std::optional<int> FieldInteger(const Window& window, int id, const char* format);
std::optional<float> FieldDecimal(const Window& window, int id);

// printf with one value; the result as a string.
std::string FormatNumber(const char* format, int value);
std::string FormatNumber(const char* format, double value);

void ShowNumber(Window& window, int id, const char* format, int value);

// Truncation toward zero into an int; values beyond the int range stop at its ends
// and NaN gives 0, where a plain conversion would be undefined.
int TruncateToInt(double value);

}  // namespace ravix
