#include "script/script_words.h"

#include <charconv>
#include <cstdio>

namespace ravix::script {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads the quoted word starting at line[at] (the opening quote); at ends after the
// closing quote.
bool QuotedWord(std::string_view line, size_t& at, std::string& word, std::string& error) {
  ++at;
  while (at < line.size()) {
    const char c = line[at++];
    if (c == '"') return true;
    if (c != '\\') {
      word += c;
      continue;
    }
    if (at >= line.size()) break;
    const char e = line[at++];
    switch (e) {
      case 'n': word += '\n'; break;
      case '"': word += '"'; break;
      case '\\': word += '\\'; break;
      case 'x': {
        const int high = at < line.size() ? HexDigit(line[at]) : -1;
        const int low = at + 1 < line.size() ? HexDigit(line[at + 1]) : -1;
        if (high < 0 || low < 0) {
          error = "\\x needs two hex digits";
          return false;
        }
        word += static_cast<char>(high * 16 + low);
        at += 2;
        break;
      }
      default:
        error = std::string("unknown escape \\") + e;
        return false;
    }
  }
  error = "unterminated quote";
  return false;
}

}  // namespace

bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error) {
  words.clear();
  size_t at = 0;
  while (true) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at >= line.size()) return true;
    std::string word;
    if (line[at] == '"') {
      if (!QuotedWord(line, at, word, error)) return false;
      if (at < line.size() && !IsBlank(line[at])) {
        error = "text after a closing quote";
        return false;
      }
    } else {
      while (at < line.size() && !IsBlank(line[at])) {
        if (line[at] == '"') {
          error = "a quote inside a word";
          return false;
        }
        word += line[at++];
      }
    }
    words.push_back(std::move(word));
  }
}

std::optional<uint32_t> ParseNumber(std::string_view word) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    base = 16;
    word.remove_prefix(2);
  }
  if (word.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : word) {
    const int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > UINT32_MAX) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::optional<double> ParseDecimal(std::string_view word) {
  if (auto whole = ParseNumber(word)) return *whole;
  // Digits, one point, digits: nothing else (no sign, no exponent).
  const size_t point = word.find('.');
  if (point == std::string_view::npos || point == 0 || point + 1 == word.size()) return std::nullopt;
  for (size_t i = 0; i < word.size(); ++i)
    if (i != point && (word[i] < '0' || word[i] > '9')) return std::nullopt;
  // from_chars ignores the locale (the desktop program sets the user's).
  double value = 0;
  std::from_chars(word.data(), word.data() + word.size(), value);
  return value;
}

std::string Quote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      quoted += "\\n";
    } else if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      quoted += escape;
    } else {
      quoted += c;
    }
  }
  quoted += '"';
  return quoted;
}

}  // namespace ravix::script
