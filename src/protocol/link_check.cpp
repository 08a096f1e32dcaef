#include "protocol/link_check.h"

#include "status/messages.h"

namespace ravix {

namespace {

LinkOutcome Classify(uint32_t answer, bool otherDistinct) {
  if (answer == kAnswerReady) return LinkOutcome::Ready;
  if (answer == kAnswerOtherDevice && otherDistinct) return LinkOutcome::OtherDevice;
  return LinkOutcome::NoAnswer;
}

}  // namespace

LinkOutcome ConnectWithRecovery(SetupProtocol& protocol, Link& link, const HandshakeSteps& steps,
                                const std::function<void()>& afterFirst) {
  const auto restart = [&] {
    if (steps.restart)
      steps.restart(link);
    else
      protocol.RestartController();
  };
  if (steps.restartFirst) restart();
  uint32_t answer = protocol.LinkExchange();
  if (afterFirst) afterFirst();
  if (steps.otherOnFirst && answer == kAnswerOtherDevice) return LinkOutcome::OtherDevice;
  const bool retry = answer != kAnswerReady && steps.recover;
  if (retry) {
    if (link.DetectSerialAdapter() != 0) return LinkOutcome::NoAdapter;
    restart();
  }
  if (retry || steps.secondAlways) answer = protocol.LinkExchange();
  return Classify(answer, steps.otherDistinct);
}

bool TellLinkOutcome(Status& status, LinkOutcome outcome, const LinkCheck& check, Window* owner,
                     Window* field) {
  const Reaction* reaction = nullptr;
  switch (outcome) {
    case LinkOutcome::Ready: return true;
    case LinkOutcome::NoAdapter: reaction = &check.noAdapter; break;
    case LinkOutcome::OtherDevice: reaction = &check.otherDevice; break;
    case LinkOutcome::NoAnswer: reaction = &check.noAnswer; break;
  }
  React(status, *reaction, owner, field);
  return false;
}

void React(Status& status, const Reaction& reaction, Window* owner, Window* field) {
  switch (reaction.tell) {
    case Tell::Nothing: break;
    case Tell::ErrorBox: status.ShowErrorText(owner, "Error"); break;
    case Tell::Message: status.Refuse(reaction.caption, reaction.text); break;
    case Tell::CommandError: status.ReportCommandError(reaction.text); break;
  }
  if (reaction.blankField && field) EndFieldBlank(*field);
}

bool StartConnecting(Link& link, Status& status, Window& main, Window* owner) {
  main.EnableItem(IDC_STATUS, true);
  main.SetItemText(IDC_STATUS, msg::kConnecting);
  main.Repaint();
  if (link.DetectSerialAdapter() == 0) return true;
  React(status, {.tell = Tell::ErrorBox, .blankField = true}, owner, &main);
  return false;
}

LinkOutcome CheckLinkFor(SetupProtocol& protocol, Link& link, Status& status, const LinkCheck& check,
                         Window* owner, Window* field, const std::function<void()>& afterFirst) {
  const LinkOutcome outcome = ConnectWithRecovery(protocol, link, check.steps, afterFirst);
  TellLinkOutcome(status, outcome, check, owner, field);
  return outcome;
}

}  // namespace ravix
