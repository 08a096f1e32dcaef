#include "gui/busy_gate.h"

#include <QGuiApplication>
#include <QMenu>
#include <QWidget>

namespace ravix::gui {

bool InputGate::IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

bool InputGate::Inside(QObject* receiver) const {
  for (QObject* object = receiver; object; object = object->parent()) {
    if (object == &window_) return true;
    // A window of its own on the way up (a box the command shows) takes its input;
    // the window's menus are windows too, but its own.
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget)) return false;
  }
  return false;
}

bool InputGate::eventFilter(QObject* receiver, QEvent* event) {
  return IsUserInput(event->type()) && Inside(receiver);
}

BusyPointer::BusyPointer() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
BusyPointer::~BusyPointer() { QGuiApplication::restoreOverrideCursor(); }

NormalPointer::NormalPointer() : pushed_(QGuiApplication::overrideCursor() != nullptr) {
  if (pushed_) QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
}
NormalPointer::~NormalPointer() {
  if (pushed_) QGuiApplication::restoreOverrideCursor();
}

}  // namespace ravix::gui
