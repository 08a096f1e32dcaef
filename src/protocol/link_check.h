#pragma once
#include <functional>

#include "platform/ui.h"
#include "protocol/setup_protocol.h"
#include "status/status.h"

namespace ravix {

// What the link check found.
enum class LinkOutcome { Ready, OtherDevice, NoAdapter, NoAnswer };

// The steps of one command's link check. Every command exchanges the link bytes;
// a wrong answer leads to the adapter check and a restart before one more exchange.
// The commands differ in the few points below.
struct HandshakeSteps {
  // Restart the controller before the first exchange (the firmware then starts fresh).
  bool restartFirst = false;
  // A wrong first answer leads to the adapter check, a restart and one more exchange;
  // without it the first answer decides.
  bool recover = true;
  // The deciding answer is always a second one, even after a ready first answer.
  bool secondAlways = true;
  // 253 on the first exchange already ends the check.
  bool otherOnFirst = false;
  // 253 on the deciding exchange is told apart from silence.
  bool otherDistinct = true;
  // The restart to use; the controller's ordinary restart when none is given.
  void (*restart)(Link&) = nullptr;
};

// How a command tells the user of an outcome.
enum class Tell {
  Nothing,
  ErrorBox,      // ErrorText (the adapter's own words) in a box titled "Error"
  Message,       // caption and text in a box
  CommandError,  // the text as ErrorText, reported with the status field
};

struct Reaction {
  Tell tell = Tell::Nothing;
  const char* caption = "";
  const char* text = "";
  bool blankField = false;  // the status field ends blank and disabled
};

// Tells the user as the reaction says. owner owns the box of Tell::ErrorBox; field
// is the window whose status field goes blank.
void React(Status& status, const Reaction& reaction, Window* owner, Window* field);

// The start every connecting command shares: the status field says "connecting...."
// and the adapter must answer. On failure the adapter's text is shown in a box owned
// by owner, the field ends blank, and the result is false.
[[nodiscard]] bool StartConnecting(Link& link, Status& status, Window& main, Window* owner);

// One command's link check and its words for each way it can fail.
struct LinkCheck {
  HandshakeSteps steps;
  Reaction noAdapter;
  Reaction otherDevice;
  Reaction noAnswer;
};

// Runs the link check with the steps given. afterFirst runs right after the first
// exchange, for commands that clear their status field there.
[[nodiscard]] LinkOutcome ConnectWithRecovery(SetupProtocol& protocol, Link& link, const HandshakeSteps& steps,
                                              const std::function<void()>& afterFirst = {});

// Tells the user of a failed outcome as the table says. owner owns the boxes of
// Tell::ErrorBox; field is the window whose status field goes blank. True when the
// outcome is Ready.
bool TellLinkOutcome(Status& status, LinkOutcome outcome, const LinkCheck& check, Window* owner,
                     Window* field);

// ConnectWithRecovery, then TellLinkOutcome.
[[nodiscard]] LinkOutcome CheckLinkFor(SetupProtocol& protocol, Link& link, Status& status,
                                       const LinkCheck& check, Window* owner, Window* field,
                                       const std::function<void()>& afterFirst = {});

}  // namespace ravix
