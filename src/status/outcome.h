#pragma once
#include <string>
#include <vector>

namespace ravix {

// How a command ended, for whoever gave it: the windows have shown their boxes and
// status texts already; the terminal program makes its exit status and its messages
// from this, and never from the words of a box.
enum class Ending {
  None,      // nothing said yet: the command runs, or it ended without a word (a file dialog closed)
  Done,      // it did what it was asked
  Refused,   // it stopped with a box, or its report says it did not succeed
  Declined,  // the user answered its question with no
};

// What a box a command showed stands for.
enum class BoxRole {
  Refusal,  // the command stops here
  Warning,  // the command goes on after it
  Report,   // the command's result (the controller's identity, a calibration)
  Question, // a question the user answered with no
};

struct ShownBox {
  BoxRole role;
  std::string caption;
  std::string text;
  std::string reason;  // what the operating system said (the box's details), or ""
};

struct Outcome {
  Ending ending = Ending::None;
  // Every box the command showed, in order.
  std::vector<ShownBox> boxes;

  bool Done() const { return ending == Ending::Done; }
  // The last box of a role, or null.
  const ShownBox* Last(BoxRole role) const {
    for (auto box = boxes.rbegin(); box != boxes.rend(); ++box)
      if (box->role == role) return &*box;
    return nullptr;
  }
};

}  // namespace ravix
