#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace ravix::script {

// Why a script line cannot be run. It never leaves the script engine: the engine
// turns it into the transcript's "error LINE: WHY".
struct ScriptError {
  std::string why;
};

// The words of one script line after its command, taken one by one. Every taker
// throws ScriptError when the word is missing or malformed.
class Args {
 public:
  Args(const std::vector<std::string>& words, size_t first) : words_(words), at_(first) {}

  bool More() const { return at_ < words_.size(); }
  // The next word as it is; what names the word in the error.
  const std::string& Word(std::string_view what);
  // The next word as a number from 0 to max.
  uint32_t Number(std::string_view what, uint32_t max = UINT32_MAX);
  // The next word as a decimal number with an optional fraction, from 0 to max.
  double Decimal(std::string_view what, double max);
  // The next word, one of options; its index in them.
  size_t Choice(std::string_view what, std::initializer_list<std::string_view> options);
  bool OnOff() { return Choice("on or off", {"on", "off"}) == 0; }
  // The line must have no more words.
  void End() const;

 private:
  const std::vector<std::string>& words_;
  size_t at_;
};

}  // namespace ravix::script
