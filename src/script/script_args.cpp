#include "script/script_args.h"

#include "script/script_words.h"

namespace ravix::script {

const std::string& Args::Word(std::string_view what) {
  if (!More()) throw ScriptError{"missing " + std::string(what)};
  return words_[at_++];
}

uint32_t Args::Number(std::string_view what, uint32_t max) {
  const std::string& word = Word(what);
  const auto value = ParseNumber(word);
  if (!value) throw ScriptError{Quote(word) + " is not a number"};
  if (*value > max)
    throw ScriptError{std::string(what) + " " + word + " is out of range (0 to " + std::to_string(max) + ")"};
  return *value;
}

double Args::Decimal(std::string_view what, double max) {
  const std::string& word = Word(what);
  const auto value = ParseDecimal(word);
  if (!value) throw ScriptError{Quote(word) + " is not a number"};
  if (*value > max) throw ScriptError{std::string(what) + " " + word + " is out of range"};
  return *value;
}

size_t Args::Choice(std::string_view what, std::initializer_list<std::string_view> options) {
  const std::string& word = Word(what);
  size_t index = 0;
  for (auto option : options) {
    if (word == option) return index;
    ++index;
  }
  std::string expected;
  index = 0;
  for (auto option : options) {
    if (index++) expected += index == options.size() ? " or " : ", ";
    expected += option;
  }
  throw ScriptError{"expected " + expected + ", not " + Quote(word)};
}

void Args::End() const {
  if (More()) throw ScriptError{"unexpected " + Quote(words_[at_])};
}

}  // namespace ravix::script
