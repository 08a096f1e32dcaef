#pragma once
#include <QEvent>
#include <QObject>

class QWidget;

namespace ravix::gui {

// While a window's command runs, the clicks and keys a person gives that window are
// dropped. The command's repaints let the window system through (so that the window
// is drawn and can be moved), and input held back until the command ends would run
// as commands of their own afterwards: a click on Write during a Read would write.
// The boxes and questions the command shows are windows of their own and take input
// as always. Installed on the application for the time of the command.
class InputGate : public QObject {
 public:
  explicit InputGate(QWidget& window) : window_(window) {}

  bool eventFilter(QObject* receiver, QEvent* event) override;

  // A click, a key, a wheel turn, a shortcut: what a person does, not what the
  // window system tells.
  static bool IsUserInput(QEvent::Type type);
  // receiver is the window, one of its controls, menus or menu items (not a box
  // owned by the window, which is a window of its own).
  bool Inside(QObject* receiver) const;

 private:
  QWidget& window_;
};

// The busy pointer for the time of a command, over every window of the program.
class BusyPointer {
 public:
  BusyPointer();
  ~BusyPointer();
  BusyPointer(const BusyPointer&) = delete;
  BusyPointer& operator=(const BusyPointer&) = delete;
};

// The normal pointer again while a busy command waits for the user (a box, a file
// dialog, a tool dialog); nothing when no command is busy.
class NormalPointer {
 public:
  NormalPointer();
  ~NormalPointer();
  NormalPointer(const NormalPointer&) = delete;
  NormalPointer& operator=(const NormalPointer&) = delete;

 private:
  bool pushed_ = false;
};

}  // namespace ravix::gui
