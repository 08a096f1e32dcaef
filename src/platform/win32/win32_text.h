#pragma once
#include <string>
#include <string_view>

namespace ravix {

// Texts are UTF-8 inside the tool; the ANSI calls of the system take the user's
// code page. Characters the code page lacks become '?'.
std::string ToAnsi(std::string_view utf8);
std::string FromAnsi(std::string_view ansi);
// The wide (UTF-16) calls of the system take every character.
std::wstring ToWide(std::string_view utf8);
std::string FromWide(std::wstring_view wide);
// The system's own words for an error code (GetLastError), without the closing
// period and line break, so that they read as the details of a message.
std::string SystemReason(unsigned long error);

}  // namespace ravix
