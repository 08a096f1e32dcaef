#pragma once
#include <memory>
#include <string>

#include "platform/ui.h"
#include "resources/ids.h"

namespace ravix {

// The common end of a command that failed, on the given window's status field: a single
// blank, disabled, repainted.
void EndFieldBlank(Window& window);

// The shared failure and progress reporting: the two text buffers, the window whose
// status field the lower layers write, the padded status display and the common
// error exit of the main window's commands.
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
  // ErrorText with its details in a box owned by owner (null for none).
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

  // A message box without owner.
  MessageResult Message(const std::string& caption, const std::string& text,
                        MessageButtons buttons = MessageButtons::Ok);

 private:
  Ui& ui_;
  std::string detail_;
  std::string detailFor_;  // the ErrorText that detail_ explains
};

}  // namespace ravix
