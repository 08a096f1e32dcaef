#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ravix {

// What both front ends add around the window tables, whose texts stay as the scripts
// and transcripts know them: the keys of commands, the tooltips of controls and the
// menus' mnemonics. Each front end's builder applies them in its own way.

// A key that gives a command: in the menu beside the item, or named in the tooltip
// of the button that has the command.
struct CommandKey {
  int dialog;
  int command;
  std::string_view keys;  // as a person reads them: "Ctrl+S", "F5"
};
const std::vector<CommandKey>& CommandKeys();
// The keys of a command of a window, or "".
std::string_view KeysOf(int dialog, int command);

// The tooltip of a control: what it does, with the key that gives its command in
// brackets; "" for a control without one.
std::string ToolTipOf(int dialog, int control);

// Where the mnemonic of each menu text lies (an index into the text, or -1 for none),
// for one pop-up's items or for the menu bar: a word's first letter where no other text
// of the same list has taken it, else a digit, else any letter. Each text keeps its
// own letter when another is added after it.
std::vector<int> MnemonicPositions(const std::vector<std::string>& texts);

// The words beside the progress bar of a long command: "40%  80 of 200 lines, 0:12
// left". The time left is the command's own estimate (secondsLeft, from the port's
// measured rate) where it gives one; else it follows from the rate of the lines sent in
// the elapsedMs since startDone were, and is left out until there is a rate to go by.
std::string ProgressLabel(int done, int total, uint32_t elapsedMs, int startDone = 0, int secondsLeft = -1);

// The question a close request gets while a firmware update runs: the window stays
// until the user has chosen, and the update goes on meanwhile.
inline constexpr std::string_view kStopUpdateCaption = "Ravix Setup";
inline constexpr std::string_view kStopUpdateQuestion =
    "A firmware update is running.\n\n"
    "Stopping it now leaves the controller without a working program: it runs no motor "
    "until an update has run through to the end.\n\n"
    "Stop the update after the current byte and close the window?";

}  // namespace ravix
