#include "gui/qt_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "resources/ids.h"

namespace ravix::gui {
namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

}  // namespace

void DialogWidget::reject() { window_.RequestClose(); }

void DialogWidget::closeEvent(QCloseEvent* event) {
  event->ignore();
  window_.RequestClose();
}

void DialogWidget::keyPressEvent(QKeyEvent* event) {
  // Return anywhere but on a push button would press the default button, "End", and
  // the values in the panel would be gone with the window; in a field, a check box or
  // a radio button it does nothing.
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  QWidget* focus = focusWidget();
  const auto* button = qobject_cast<QAbstractButton*>(focus);
  const bool markButton = button && !qobject_cast<QPushButton*>(focus);
  if (enter && focus && (qobject_cast<QLineEdit*>(focus) || qobject_cast<QComboBox*>(focus) || markButton)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

QtWindow::QtWindow(const DialogResource& resource, Window* owner)
    : Window(owner), resource_(resource), dialog_(std::make_unique<DialogWidget>(*this)) {
  dialog_->setWindowTitle(FromUtf8(resource.title));
  dialog_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
  dialog_->setSizeGripEnabled(false);
  units_ = DialogUnits::ForFont(dialog_->font());

  auto* layout = Make<QVBoxLayout>(dialog_.get());
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  if (!resource.menu.empty()) {
    menuBar_ = Make<QMenuBar>(dialog_.get());
    layout->setMenuBar(menuBar_);
  }
  client_ = Make<QWidget>(dialog_.get());
  client_->setFixedSize(units_.X(resource.width), units_.Y(resource.height));
  layout->addWidget(client_);

  BuildMenu();
  BuildControls();
}

QtWindow::~QtWindow() {
  // Children first, so that no widget is deleted twice by its parent.
  while (!objects_.empty()) objects_.pop_back();
}

void QtWindow::BuildControls() {
  std::vector<QWidget*> groups;
  for (const auto& control : resource_.controls) {
    QWidget* widget = BuildControl(control);
    widget->setEnabled(control.enabled);
    widgets_.emplace_back(&control, widget);
    if (control.kind == ControlKind::GroupBox) groups.push_back(widget);
    if (control.id != IDC_STATIC) controls_.emplace(control.id, widget);
  }
  // Frames lie under the controls they hold.
  for (auto* group : groups) group->lower();
}

namespace {

// The look and keyboard rules of a read-only field.
void ShowAsToolField(QLineEdit& edit) {
  edit.setReadOnly(true);
  // Out of the tab chain: the first field to take the keys is one a person can type in.
  edit.setFocusPolicy(Qt::ClickFocus);
  // Drawn like the dialog's background, as a field that only the tool writes.
  // Disabled, it still shows its text legibly: the status field keeps the
  // result of the last command ("OK") while no command runs.
  QPalette palette = edit.palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  const QColor text = palette.color(QPalette::Active, QPalette::Text);
  const QColor back = palette.color(QPalette::Window);
  palette.setColor(QPalette::Disabled, QPalette::Text,
                   QColor((text.red() * 11 + back.red() * 9) / 20, (text.green() * 11 + back.green() * 9) / 20,
                          (text.blue() * 11 + back.blue() * 9) / 20));
  edit.setPalette(palette);
}

}  // namespace

QWidget* QtWindow::BuildControl(const ControlResource& control) {
  const QString text = FromUtf8(control.text);
  QRect rect = units_.ToPixels(control.x, control.y, control.width, control.height);
  const int id = control.id;
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = Make<QPushButton>(text, client_);
      button->setDefault(control.kind == ControlKind::DefPushButton);
      QObject::connect(button, &QPushButton::clicked, [this, id] { Dispatch(id); });
      widget = button;
      break;
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
      auto* edit = Make<QLineEdit>(text, client_);
      edit->setCursorPosition(0);
      if (control.kind == ControlKind::ReadOnlyEdit) ShowAsToolField(*edit);
      widget = edit;
      break;
    }
    case ControlKind::Label: {
      auto* label = Make<QLabel>(text, client_);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      widget = label;
      break;
    }
    case ControlKind::GroupBox:
      widget = Make<QGroupBox>(text, client_);
      break;
    case ControlKind::RadioButton:
    case ControlKind::AutoRadioButton: {
      std::function<void()> onClick;
      if (control.kind == ControlKind::AutoRadioButton && id != IDC_STATIC)
        onClick = [this, id, group = control.group] { CheckInGroup(id, group); };
      auto* radio = Make<ToolRadioButton>(text, client_, std::move(onClick));
      QObject::connect(radio, &QAbstractButton::clicked, [this, id] { Dispatch(id); });
      widget = radio;
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = Make<QCheckBox>(text, client_);
      QObject::connect(box, &QAbstractButton::clicked, [this, id] { Dispatch(id); });
      widget = box;
      break;
    }
    case ControlKind::ComboBox:
      widget = BuildComboBox(rect);
      break;
  }
  widget->setGeometry(rect);
  return widget;
}

QWidget* QtWindow::BuildComboBox(QRect& rect) {
  auto* combo = Make<QComboBox>(client_);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);  // the field takes what is typed, as typed
  combo->setMaxVisibleItems(10);
  // Typing makes the field hold text of its own: no entry is selected any more.
  QLineEdit* edit = combo->lineEdit();
  QObject::connect(edit, &QLineEdit::textEdited, [combo, edit](const QString& typed) {
    if (combo->currentIndex() < 0) return;
    const int cursor = edit->cursorPosition();
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(-1);
    combo->setEditText(typed);
    edit->setCursorPosition(cursor);
  });
  // The table's height includes the dropped-down list; the field is one line.
  rect.setHeight(combo->sizeHint().height());
  return combo;
}

void QtWindow::CheckInGroup(int id, const std::string& group) {
  for (const auto& [control, widget] : widgets_) {
    if (control->kind != ControlKind::AutoRadioButton || control->group != group) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->setChecked(control->id == id);
  }
}

void QtWindow::BuildMenu() {
  if (!menuBar_) return;
  for (const auto& top : resource_.menu) {
    if (top.items.empty() && top.command != 0) {
      // A command on the menu bar itself.
      QAction* action = menuBar_->addAction(FromUtf8(top.text));
      action->setEnabled(!top.grayed);
      const int command = top.command;
      QObject::connect(action, &QAction::triggered, [this, command] { Dispatch(command); });
      menuActions_.emplace(command, action);
      continue;
    }
    QMenu* menu = menuBar_->addMenu(FromUtf8(top.text));
    menu->menuAction()->setEnabled(!top.grayed);
    for (const auto& item : top.items) {
      if (item.IsSeparator()) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(FromUtf8(item.text));
      action->setEnabled(!item.grayed);
      // Only the tool sets a mark: a checked item shows it, and choosing the item
      // leaves it as it was before the command runs.
      action->setCheckable(item.checked);
      action->setChecked(item.checked);
      const int command = item.command;
      QObject::connect(action, &QAction::triggered, [this, action, command](bool checked) {
        if (action->isCheckable()) action->setChecked(!checked);
        Dispatch(command);
      });
      if (command != 0) menuActions_.emplace(command, action);
    }
  }
}

QWidget* QtWindow::Control(int id) const {
  auto it = controls_.find(id);
  return it == controls_.end() ? nullptr : it->second;
}

QAction* QtWindow::MenuAction(int command) const {
  auto it = menuActions_.find(command);
  return it == menuActions_.end() ? nullptr : it->second;
}

QWidget* QtWindow::WidgetOf(Window* window) {
  auto* qtWindow = dynamic_cast<QtWindow*>(window);
  return qtWindow ? qtWindow->dialog_.get() : nullptr;
}

void QtWindow::SetItemText(int id, std::string_view text) {
  QWidget* widget = Control(id);
  if (!widget) return;
  const QString value = FromUtf8(text);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    edit->setText(value);
    // Show the start of the text: the status texts carry a tail of blanks.
    edit->setCursorPosition(0);
  } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    combo->setEditText(value);
    combo->lineEdit()->setCursorPosition(0);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(value);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(value);
  } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    group->setTitle(value);
  }
  NotifyText(id, std::string(text));
}

std::string QtWindow::GetItemText(int id) const {
  QWidget* widget = Control(id);
  if (!widget) return {};
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return ToUtf8(edit->text());
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    // A list shows its selected entry in its edit field.
    const int index = combo->currentIndex();
    return ToUtf8(index >= 0 ? combo->itemText(index) : combo->currentText());
  }
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return ToUtf8(button->text());
  if (auto* label = qobject_cast<QLabel*>(widget)) return ToUtf8(label->text());
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return ToUtf8(group->title());
  return {};
}

void QtWindow::EnableItem(int id, bool enabled) {
  if (QWidget* widget = Control(id)) widget->setEnabled(enabled);
  // Every command disables the status field when it ends, however it ends: a bar
  // left standing would claim work in progress.
  if (id == IDC_STATUS && !enabled && progress_) progress_->hide();
}

bool QtWindow::IsItemEnabled(int id) const {
  QWidget* widget = Control(id);
  // The control's own state, not whether a modal dialog blocks its window.
  return widget && !widget->testAttribute(Qt::WA_Disabled);
}

void QtWindow::CheckItem(int id, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  if (!button || qobject_cast<QPushButton*>(button)) return;
  button->setCheckable(true);
  button->setChecked(checked);
}

bool QtWindow::IsItemChecked(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(Control(id));
  return button && button->isChecked();
}

void QtWindow::ListAddString(int id, std::string_view entry) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (!combo) return;
  // Adding an entry leaves the field and the selection as they are.
  const QSignalBlocker block(combo);
  const int index = combo->currentIndex();
  const QString text = combo->currentText();
  combo->addItem(FromUtf8(entry));
  if (index < 0 && combo->currentIndex() != index) {
    combo->setCurrentIndex(-1);
    combo->setEditText(text);
  }
}

void QtWindow::ListSetSelection(int id, int index) {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  if (!combo) return;
  const bool valid = index >= 0 && index < combo->count();
  combo->setCurrentIndex(valid ? index : -1);
  combo->setEditText(valid ? combo->itemText(index) : QString());
  combo->lineEdit()->setCursorPosition(0);
}

int QtWindow::ListSelection(int id) const {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  return combo ? combo->currentIndex() : -1;
}

int QtWindow::ListCount(int id) const {
  auto* combo = qobject_cast<QComboBox*>(Control(id));
  return combo ? combo->count() : 0;
}

void QtWindow::CheckMenuItem(int command, bool checked) {
  QAction* action = MenuAction(command);
  if (!action) return;
  // Checkable only while checked: an unchecked item shows no empty box.
  if (checked) action->setCheckable(true);
  action->setChecked(checked);
  if (!checked) action->setCheckable(false);
}

void QtWindow::EnableMenuItem(int command, bool enabled) {
  if (QAction* action = MenuAction(command)) action->setEnabled(enabled);
}

bool QtWindow::IsMenuItemChecked(int command) const {
  QAction* action = MenuAction(command);
  return action && action->isChecked();
}

bool QtWindow::IsMenuItemEnabled(int command) const {
  QAction* action = MenuAction(command);
  return action && action->isEnabled();
}

void QtWindow::SetMenuItemText(int command, std::string_view text) {
  QAction* action = MenuAction(command);
  if (!action) return;
  action->setText(FromUtf8(text));
}

void QtWindow::Repaint() {
  if (dialog_->isVisible()) dialog_->repaint();
  // A long command keeps the thread: let the window system breathe (so the desktop
  // does not take the tool for hung), but take no clicks or keys meanwhile.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// The bar lies over the right part of the status field, whose text starts at the
// left: the blinking status text and the bar are seen together.
void QtWindow::ShowProgress(int done, int total) {
  QWidget* status = Control(IDC_STATUS);
  if (!status) return;
  if (total <= 0) {
    if (progress_) progress_->hide();
    secondsLeft_ = -1;
    return;
  }
  if (!progress_) {
    progress_ = Make<QProgressBar>(client_);
    const QRect field = status->geometry();
    const int width = field.width() * 2 / 5;
    progress_->setGeometry(field.right() - width, field.top() + 1, width, field.height() - 2);
    progress_->setAlignment(Qt::AlignCenter);
  }
  QString format = QStringLiteral("%p%  (%v of %m lines");
  if (secondsLeft_ >= 0 && done < total)
    format += QStringLiteral(", %1:%2 left").arg(secondsLeft_ / 60).arg(secondsLeft_ % 60, 2, 10, QLatin1Char('0'));
  progress_->setFormat(format + QStringLiteral(")"));
  progress_->setRange(0, total);
  progress_->setValue(std::min(done, total));
  progress_->show();
  progress_->raise();
}

void QtWindow::End(int result) {
  Window::End(result);
  if (loop_) loop_->quit();
}

void QtWindow::Show() {
  if (dialog_->isVisible()) return;
  dialog_->setWindowModality(Qt::ApplicationModal);
  dialog_->adjustSize();
  QWidget* owner = WidgetOf(Owner());
  QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QRect around = owner && owner->isVisible() ? owner->frameGeometry() : area;
  QRect frame(QPoint(0, 0), dialog_->size());
  frame.moveCenter(around.center());
  // Keep the title bar on the screen.
  frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() - frame.width())));
  frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() - frame.height())));
  dialog_->move(frame.topLeft());
  if (owner) {
    dialog_->winId();
    owner->winId();
    dialog_->windowHandle()->setTransientParent(owner->windowHandle());
  }
  dialog_->show();
}

int QtWindow::RunModal(WindowHandler& handler) {
  if (Ended()) return Result();
  handler_ = &handler;
  Show();
  QEventLoop loop;
  loop_ = &loop;
  if (!Ended()) loop.exec();
  loop_ = nullptr;
  handler_ = nullptr;
  dialog_->hide();
  return Result();
}

void QtWindow::Dispatch(int command) {
  if (!handler_ || Ended()) return;
  ++busy_;
  handler_->OnCommand(*this, command);
  --busy_;
}

void QtWindow::RequestClose() {
  // A close request that arrives while a command runs (its repaints let the window
  // system through) would end the tool in the middle of an exchange.
  if (busy_ > 0) return;
  Dispatch(button::kCancel);
}

}  // namespace ravix::gui
