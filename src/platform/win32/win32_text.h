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

}  // namespace ravix
