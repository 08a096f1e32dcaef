#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/dialog_resource.h"

namespace ravix {

// One open window (a dialog), its controls addressed by control ID and its menu
// items by command ID. Operations on an ID the window does not have do nothing,
// as on the platform whose calls these mirror.
class Window {
 public:
  virtual ~Window() = default;
  virtual const DialogResource& Resource() const = 0;
  int DialogId() const { return Resource().id; }
  Window* Owner() const { return owner_; }

  virtual void SetItemText(int id, std::string_view text) = 0;
  virtual std::string GetItemText(int id) const = 0;
  virtual void EnableItem(int id, bool enabled) = 0;
  virtual bool IsItemEnabled(int id) const = 0;
  virtual void CheckItem(int id, bool checked) = 0;
  virtual bool IsItemChecked(int id) const = 0;
  virtual void ListAddString(int id, std::string_view entry) = 0;
  virtual void ListSetSelection(int id, int index) = 0;  // -1: no entry selected
  virtual int ListSelection(int id) const = 0;            // -1: no entry selected
  virtual int ListCount(int id) const = 0;

  virtual void CheckMenuItem(int command, bool checked) = 0;
  virtual void EnableMenuItem(int command, bool enabled) = 0;
  virtual bool IsMenuItemChecked(int command) const = 0;
  virtual bool IsMenuItemEnabled(int command) const = 0;
  // Text of a menu item (so a front end can show the device behind a port name).
  virtual void SetMenuItemText(int command, std::string_view text) { (void)command, (void)text; }

  // Paints the window at once (a long command shows its progress this way).
  virtual void Repaint() = 0;
  // Progress of a long command beside the status field: done of total (an update's
  // lines sent of the lines in its file); total 0 hides it.
  virtual void ShowProgress(int done, int total) { (void)done, (void)total; }
  // The time the long command still needs by its measured rate, shown with its next
  // progress; below 0 when not known.
  virtual void ShowTimeLeft(int seconds) { (void)seconds; }
  // Ends the modal window; the modal loop returns result once the command in progress returns.
  virtual void End(int result) { ended_ = true, result_ = result; }
  bool Ended() const { return ended_; }
  int Result() const { return result_; }

  // Called after every text change of a control (scripts trace control texts through it).
  std::function<void(int id, const std::string& text)> OnTextChanged;

 protected:
  explicit Window(Window* owner) : owner_(owner) {}
  void NotifyText(int id, const std::string& text) {
    if (OnTextChanged) OnTextChanged(id, text);
  }

 private:
  Window* owner_;
  bool ended_ = false;
  int result_ = 0;
};

// What a window does: its start-up and its commands (the window procedure).
class WindowHandler {
 public:
  virtual ~WindowHandler() = default;
  virtual void OnInit(Window& window) = 0;
  // A command (button, menu item, control notification). False when it is not handled.
  virtual bool OnCommand(Window& window, int command) = 0;
};

enum class MessageButtons { Ok, OkCancel };
enum class MessageResult { Ok, Cancel };

// The user interface as the tool's logic sees it.
class Ui {
 public:
  virtual ~Ui() = default;
  // Creates a window from its table, owned by owner (null for none), not yet shown.
  virtual std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) = 0;
  // Shows the window modally and runs its events through handler until it ends; the result.
  // The handler's OnInit has already run.
  virtual int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) = 0;
  // details: what the operating system said about a failure (a box's details, a
  // terminal's standard error); the box's own text stays as the tool words it.
  virtual MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                   MessageButtons buttons = MessageButtons::Ok, std::string_view details = {}) = 0;
  virtual void Beep() = 0;
  // The open-file dialog: the chosen file's full path, or nothing. Leaves the current
  // directory at the chosen file's folder.
  virtual std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title,
                                                    std::string_view pattern) = 0;
  // The save-file dialog: the full path the user chose for a new or replaced file
  // (suggested: the name offered), or nothing. The current directory stays.
  virtual std::optional<std::string> SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                                    std::string_view suggested) {
    (void)owner, (void)title, (void)pattern, (void)suggested;
    return std::nullopt;
  }
  // Hands a file or web address to the desktop's "open" action.
  virtual void ShellOpen(const std::string& target) = 0;
  // Hands a document (a full path) to the desktop's viewer for its kind; false when
  // no viewer could be started, so that the caller can say so.
  virtual bool OpenDocument(const std::string& path) {
    ShellOpen(path);
    return true;
  }
  // The user asked to stop the command in progress (on a terminal, a second Ctrl+C;
  // anywhere, SIGTERM); a long command looks at it between its steps.
  virtual bool StopRequested();
  // The program has been asked from outside to end (SIGTERM, or SIGHUP: its terminal
  // went away): work in progress may finish, nothing long begins, and the program
  // ends once the command has.
  virtual bool EndRequested();
  // A line for the session's record (what the tool measured of its port); only a
  // session log keeps it, the windows show nothing.
  virtual void Note(std::string_view line) { (void)line; }
};

// Creates a window, runs the handler's start-up and then the window modally.
int RunDialog(Ui& ui, const DialogResource& resource, Window* owner, WindowHandler& handler);

}  // namespace ravix
