#pragma once
#include <optional>
#include <string>

#include "platform/ui.h"

namespace ravix {

// Number fields of the tool dialogs. The tool reads at most nine characters of a
// field and parses them with a fixed scanf format, so that a field takes what the
// format takes (the P field's "%2d" reads "100" as 10). A text that gives no number
// at all is reported as nothing: the commands refuse it rather than act on an old or
// made-up value.

// At most the first nine characters of the control's text.
std::string FieldText(const Window& window, int id);

// The field parsed with an integer format such as "%8d" or "%2d".
std::optional<int> FieldInteger(const Window& window, int id, const char* format);

// The field with its first "," read as ".", parsed with "%8f". Overflowing texts and
// "inf"/"nan" come back as they parse (non-finite): the caller decides.
std::optional<float> FieldDecimal(const Window& window, int id);

// printf with one value; the result as a string.
std::string FormatNumber(const char* format, int value);
std::string FormatNumber(const char* format, double value);

void ShowNumber(Window& window, int id, const char* format, int value);

// Truncation toward zero into an int; values beyond the int range stop at its ends
// and NaN gives 0, where a plain conversion would be undefined.
int TruncateToInt(double value);

}  // namespace ravix
