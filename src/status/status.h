#pragma once
#include <functional>
#include <memory>
#include <string>

#include "platform/ui.h"
#include "resources/ids.h"
#include "status/outcome.h"

namespace ravix {

// The common end of a command that failed, on the given window's status field: a single
// blank, disabled, repainted.
void EndFieldBlank(Window& window);

// The shared failure and progress reporting: the two text buffers, the window whose
// status field the lower layers write, the padded status display, the common error
// exit of the main window's commands, and the outcome of the command in progress.
// Every box a command shows goes through here, typed by what it stands for.
class Status {
 public:
  explicit Status(Ui& ui) : ui_(ui) {}

  std::string ErrorText;
  std::string StatusText;
  // The window whose status field the lower layers write; may have closed since.
  std::weak_ptr<Window> StatusWindow;
  std::weak_ptr<Window> MainWindow;

  Ui& ui() { return ui_; }

  // The operating system's reason behind ErrorText ("Permission denied"), which the
  // boxes that show ErrorText give as their details. It belongs to the ErrorText it
  // was given with and lapses as soon as ErrorText holds another text.
  void SetErrorDetail(std::string detail);
  std::string ErrorDetail() const;
  // ErrorText with its details in a box owned by owner (null for none); the command
  // is refused with it.
  void ShowErrorText(Window* owner, const std::string& caption);

  // StatusText up to its first control character, then 80 blanks, into the status
  // field of StatusWindow, which is repainted.
  void ShowStatus();
  // Enables the status field, blanks it, shows ErrorText in a box owned by the main
  // window (caption "Error") and leaves the field blank and disabled.
  void ReportCommandError();
  // ErrorText = text, then ReportCommandError.
  void ReportCommandError(const std::string& text);

  // Status-field helpers on StatusWindow (no effect when it has closed).
  void SetField(const std::string& text, bool repaint = true);
  void EnableField(bool enabled, bool repaint = true);
  // EndFieldBlank(Window&) on StatusWindow.
  void EndFieldBlank();
  void Repaint();

  // The outcome of the command in progress (or of the last one), from BeginCommand on.
  void BeginCommand() { outcome_ = {}; }
  const Outcome& LastOutcome() const { return outcome_; }
  // The command has done what it was asked; a refusal it showed before stands.
  void Done();
  // A box that ends the command: caption and text, owned by owner (null for none),
  // reason the operating system's words for its details.
  void Refuse(const std::string& caption, const std::string& text, Window* owner = nullptr,
              const std::string& reason = {});
  // A box after which the command goes on.
  void Warn(const std::string& caption, const std::string& text, Window* owner = nullptr);
  // The box of the command's result; succeeded says whether the result is the one asked
  // for (a calibration that does not read back is not). details: more for people who
  // look (the box's details).
  void Report(const std::string& caption, const std::string& text, bool succeeded = true,
              const std::string& details = {});
  // The user said no to the command's question (caption, text).
  void Declined(const std::string& caption, const std::string& text);
  // Hears of every box as it is recorded, before it is shown (a terminal prints it by
  // its role).
  std::function<void(const ShownBox&)> OnBox;

 private:
  void Show(ShownBox box, Window* owner);

  Ui& ui_;
  Outcome outcome_;
  std::string detail_;
  std::string detailFor_;  // the ErrorText that detail_ explains
};

}  // namespace ravix
