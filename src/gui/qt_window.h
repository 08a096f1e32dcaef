#pragma once
#include <QDialog>
#include <QRadioButton>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gui/busy_gate.h"
#include "gui/dialog_units.h"
#include "gui/progress_row.h"
#include "platform/ui.h"

class QAction;
class QEventLoop;
class QMenu;
class QMenuBar;
class QMessageBox;
class QVBoxLayout;

namespace ravix::gui {

class QtWindow;

// The top-level widget of a window. Escape and the close box do not close it: they
// are the window's command 2, and its handler decides.
class DialogWidget : public QDialog {
 public:
  explicit DialogWidget(QtWindow& window) : window_(window) {}

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QtWindow& window_;
};

// A radio button whose click does not change its mark by itself: what a click does
// to the mark is up to onClick (nothing for the buttons only the tool checks).
class ToolRadioButton : public QRadioButton {
 public:
  ToolRadioButton(const QString& text, QWidget* parent, std::function<void()> onClick)
      : QRadioButton(text, parent), onClick_(std::move(onClick)) {
    setAutoExclusive(false);
  }

 protected:
  void nextCheckState() override {
    if (onClick_) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

// A window of Qt widgets built from its table: one widget per control, placed at the
// table's dialog-unit coordinates, and the menu bar, with the keys, mnemonics and
// tooltips of window_help.h around them. Clicks become the handler's commands while
// the window runs modally; while a command runs, the window takes no input.
class QtWindow : public Window {
 public:
  // now: the milliseconds of the clock the tool runs on (the time left of a long
  // command is measured in it); none: the computer's.
  QtWindow(const DialogResource& resource, Window* owner, std::function<uint32_t()> now = {});
  ~QtWindow() override;
  QtWindow(const QtWindow&) = delete;
  QtWindow& operator=(const QtWindow&) = delete;

  const DialogResource& Resource() const override { return resource_; }
  void SetItemText(int id, std::string_view text) override;
  std::string GetItemText(int id) const override;
  void EnableItem(int id, bool enabled) override;
  bool IsItemEnabled(int id) const override;
  void CheckItem(int id, bool checked) override;
  bool IsItemChecked(int id) const override;
  void ListAddString(int id, std::string_view entry) override;
  void ListSetSelection(int id, int index) override;
  int ListSelection(int id) const override;
  int ListCount(int id) const override;
  void CheckMenuItem(int command, bool checked) override;
  void EnableMenuItem(int command, bool enabled) override;
  bool IsMenuItemChecked(int command) const override;
  bool IsMenuItemEnabled(int command) const override;
  void SetMenuItemText(int command, std::string_view text) override;
  void Repaint() override;
  void ShowProgress(int done, int total) override;
  void ShowTimeLeft(int seconds) override { secondsLeft_ = seconds; }
  void End(int result) override;

  // Shows the window and runs its events through handler until it ends.
  int RunModal(WindowHandler& handler);
  // Shows the window, centred on its owner or on the screen, without running it.
  void Show();
  // A command from a control, a menu item, Escape or the close box.
  void Dispatch(int command);
  // Escape or the close box: command 2. While a command runs it is dropped, but during
  // a firmware update (a command that shows progress) the user is asked whether to
  // stop it after the current byte and then close.
  void RequestClose();
  // The user chose to stop the command in progress (it looks between its steps).
  bool StopAsked() const { return stopAsked_; }
  // A command of this window is running.
  bool Busy() const { return busy_ > 0; }

  // The widgets, for the desktop program's screenshots and for tests.
  QDialog& Dialog() { return *dialog_; }
  QWidget& Client() { return *client_; }
  QMenuBar* MenuBar() const { return menuBar_; }
  QWidget* Control(int id) const;
  QAction* MenuAction(int command) const;
  const DialogUnits& Units() const { return units_; }
  // Every control of the table with its widget, labels and group boxes included.
  const std::vector<std::pair<const ControlResource*, QWidget*>>& Widgets() const { return widgets_; }
  // The row of ShowProgress under the status field (null until a command first shows progress).
  ProgressRow* Progress() const { return progress_; }
  // The stop question while it is open, else null.
  QMessageBox* StopQuestion() const { return stopQuestion_.get(); }

  // The window's widget, or null for a window of another backend.
  static QWidget* WidgetOf(Window* window);

 private:
  template <class T, class... Args>
  T* Make(Args&&... args) {
    auto object = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = object.get();
    objects_.push_back(std::move(object));
    return raw;
  }
  void BuildControls();
  void BuildMenu();
  QWidget* BuildControl(const ControlResource& control);
  // An editable combo box; rect takes the height of its one-line field.
  QWidget* BuildComboBox(QRect& rect);
  void CheckInGroup(int id, const std::string& group);
  void AddKeys();
  void BeginCommand();
  void EndCommand();
  void AskToStop();

  const DialogResource& resource_;
  std::unique_ptr<DialogWidget> dialog_;
  // Child widgets and other objects, deleted in reverse order of making.
  std::vector<std::unique_ptr<QObject>> objects_;
  QVBoxLayout* layout_ = nullptr;
  QWidget* client_ = nullptr;
  QMenuBar* menuBar_ = nullptr;
  DialogUnits units_;
  std::vector<std::pair<const ControlResource*, QWidget*>> widgets_;
  std::map<int, QWidget*> controls_;
  std::map<int, QAction*> menuActions_;
  std::map<int, int> mnemonicAt_;  // by command: where the item's table text has its mnemonic
  WindowHandler* handler_ = nullptr;
  QEventLoop* loop_ = nullptr;
  int busy_ = 0;  // commands running
  std::function<uint32_t()> now_;
  ProgressRow* progress_ = nullptr;
  // While a command runs: input to the window is dropped, the pointer is busy.
  std::unique_ptr<InputGate> gate_;
  std::unique_ptr<BusyPointer> busyPointer_;
  // The close request's question during an update, and the user's answer.
  std::unique_ptr<QMessageBox> stopQuestion_;
  std::unique_ptr<NormalPointer> questionPointer_;
  bool stopAsked_ = false;
  bool closeAfterCommand_ = false;
  int secondsLeft_ = -1;  // the command's own estimate, shown with the next progress
};

}  // namespace ravix::gui
