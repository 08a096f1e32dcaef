#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ravix::script {

// Splits a script line into its words. Words are separated by blanks (spaces and
// tabs); a word in double quotes may hold anything, written with the escapes \n, \",
// \\ and \xHH (exactly two hex digits). Returns false with the reason in error when
// the line cannot be split (an unterminated quote, an unknown escape, a quote inside
// an unquoted word).
bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error);

// A number as scripts write it: decimal, or hexadecimal with 0x. Nothing for any
// other word and for values that do not fit 32 bits.
std::optional<uint32_t> ParseNumber(std::string_view word);

// A decimal number that may have a fraction ("2.5"), or a number as above.
std::optional<double> ParseDecimal(std::string_view word);

// Text as the transcript prints it: in double quotes, with \n, \", \\ and \xHH for
// the other control characters (and DEL); bytes from 0x80 on (UTF-8) as they are.
std::string Quote(std::string_view text);

}  // namespace ravix::script
