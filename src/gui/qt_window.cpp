#include "gui/qt_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWindow>

#include "resources/ids.h"
#include "app/control_help.h"
#include "resources/window_help.h"

namespace ravix::gui {
namespace {

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// A menu text with its mnemonic at position (an index into the UTF-8 text; -1: none);
// an "&" of the text itself is no mnemonic.
QString WithMnemonic(const std::string& text, int position) {
  QString shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (static_cast<int>(i) == position) shown += QLatin1Char('&');
    if (text[i] == '&') shown += QLatin1Char('&');
    // Whole UTF-8 sequences at a time.
    size_t length = 1;
    while (i + length < text.size() && (static_cast<unsigned char>(text[i + length]) & 0xC0) == 0x80) ++length;
    shown += FromUtf8(std::string_view(text).substr(i, length));
    i += length - 1;
  }
  return shown;
}

// The texts of a list of menu entries, for their mnemonics.
std::vector<std::string> TextsOf(const std::vector<MenuResource>& entries) {
  std::vector<std::string> texts;
  for (const MenuResource& entry : entries) texts.push_back(entry.text);
  return texts;
}

// The computer's own milliseconds, for windows that are given no clock.
std::function<uint32_t()> SteadyMilliseconds() {
  auto timer = std::make_shared<QElapsedTimer>();
  timer->start();
  return [timer] { return static_cast<uint32_t>(timer->elapsed()); };
}

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

QtWindow::QtWindow(const DialogResource& resource, Window* owner, std::function<uint32_t()> now)
    : Window(owner),
      resource_(resource),
      dialog_(std::make_unique<DialogWidget>(*this)),
      now_(now ? std::move(now) : SteadyMilliseconds()) {
  dialog_->setWindowTitle(FromUtf8(resource.title));
  dialog_->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
  dialog_->setSizeGripEnabled(false);
  units_ = DialogUnits::ForFont(dialog_->font());

  layout_ = Make<QVBoxLayout>(dialog_.get());
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->setSpacing(0);
  // The window takes the size of what it holds: the table's client area, and the
  // progress row while one is shown.
  layout_->setSizeConstraint(QLayout::SetFixedSize);
  if (!resource.menu.empty()) {
    menuBar_ = Make<QMenuBar>(dialog_.get());
    layout_->setMenuBar(menuBar_);
  }
  client_ = Make<QWidget>(dialog_.get());
  client_->setFixedSize(units_.X(resource.width), units_.Y(resource.height));
  layout_->addWidget(client_);

  BuildMenu();
  BuildControls();
  AddKeys();
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
    if (const std::string tip = ControlHelp(resource_.id, control.id); !tip.empty() && control.id != IDC_STATIC)
      // As a paragraph, so that a long text wraps instead of running off the screen.
      widget->setToolTip(QStringLiteral("<p>") + FromUtf8(tip).toHtmlEscaped() + QStringLiteral("</p>"));
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
  const std::vector<int> barMnemonics = MnemonicPositions(TextsOf(resource_.menu));
  for (size_t n = 0; n < resource_.menu.size(); ++n) {
    const MenuResource& top = resource_.menu[n];
    const QString topText = WithMnemonic(top.text, barMnemonics[n]);
    if (top.items.empty() && top.command != 0) {
      // A command on the menu bar itself.
      QAction* action = menuBar_->addAction(topText);
      action->setEnabled(!top.grayed);
      const int command = top.command;
      QObject::connect(action, &QAction::triggered, [this, command] { Dispatch(command); });
      menuActions_.emplace(command, action);
      continue;
    }
    QMenu* menu = menuBar_->addMenu(topText);
    menu->menuAction()->setEnabled(!top.grayed);
    const std::vector<int> mnemonics = MnemonicPositions(TextsOf(top.items));
    for (size_t i = 0; i < top.items.size(); ++i) {
      const MenuResource& item = top.items[i];
      if (item.IsSeparator()) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(WithMnemonic(item.text, mnemonics[i]));
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
      if (command == 0) continue;
      menuActions_.emplace(command, action);
      mnemonicAt_.emplace(command, mnemonics[i]);
    }
  }
}

// The keys of the window's commands: a menu item shows its key beside its text; a
// button's key is named in its tooltip and presses it as a click would.
void QtWindow::AddKeys() {
  for (const CommandKey& key : CommandKeys()) {
    if (key.dialog != resource_.id) continue;
    const QKeySequence sequence(FromUtf8(key.keys), QKeySequence::PortableText);
    if (QAction* action = MenuAction(key.command)) {
      action->setShortcut(sequence);
      continue;
    }
    auto* button = qobject_cast<QAbstractButton*>(Control(key.command));
    if (!button) continue;
    auto* shortcut = Make<QShortcut>(sequence, dialog_.get());
    QObject::connect(shortcut, &QShortcut::activated, [button] {
      if (button->isEnabled() && button->isVisible()) button->click();
    });
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
  if (id == IDC_STATUS && !enabled && progress_) progress_->Show(0, 0);
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
  // The item keeps the mnemonic of its table text where the new text begins the same
  // ("COM2  /dev/ttyS1").
  int mnemonic = -1;
  const MenuResource* item = resource_.FindMenuItem(command);
  if (auto it = mnemonicAt_.find(command); it != mnemonicAt_.end() && item && it->second >= 0 &&
                                           text.substr(0, static_cast<size_t>(it->second) + 1) ==
                                               std::string_view(item->text).substr(0, static_cast<size_t>(it->second) + 1))
    mnemonic = it->second;
  action->setText(WithMnemonic(std::string(text), mnemonic));
}

void QtWindow::Repaint() {
  if (dialog_->isVisible()) dialog_->repaint();
  // A long command keeps the thread: let the window system breathe (so the desktop
  // does not take the tool for hung and the window can be moved). Clicks and keys
  // given meanwhile reach the window's gate, which drops them: held back, they would
  // run as commands once this one has ended.
  QCoreApplication::processEvents(busy_ > 0 ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
}

// The bar has a row of its own under the status field and "End": the window grows by
// its height while it is shown, and the status text keeps its whole field.
void QtWindow::ShowProgress(int done, int total) {
  QWidget* status = Control(IDC_STATUS);
  if (!status) return;
  if (total <= 0) secondsLeft_ = -1;
  if (!progress_) {
    if (total <= 0) return;
    progress_ = Make<ProgressRow>(dialog_.get(), now_);
    const int margin = status->geometry().left();
    progress_->layout()->setContentsMargins(margin, 0, margin, units_.Y(4));
    layout_->addWidget(progress_);
  }
  // The bar's figures change at most a hundred times and once a second: each change
  // is painted, and the window system is let through meanwhile.
  if (progress_->Show(done, total, secondsLeft_)) Repaint();
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
  // A tool dialog that a command of its owner opens waits for the user.
  const NormalPointer pointer;
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
  const bool outermost = busy_ == 0;
  if (outermost) BeginCommand();
  ++busy_;
  handler_->OnCommand(*this, command);
  --busy_;
  if (outermost) EndCommand();
}

void QtWindow::BeginCommand() {
  stopAsked_ = closeAfterCommand_ = false;
  gate_ = std::make_unique<InputGate>(*dialog_);
  QCoreApplication::instance()->installEventFilter(gate_.get());
  busyPointer_ = std::make_unique<BusyPointer>();
}

void QtWindow::EndCommand() {
  // What the window system held back while the command ran arrives now, and is
  // dropped like the rest.
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(gate_.get());
  gate_.reset();
  stopQuestion_.reset();
  questionPointer_.reset();
  busyPointer_.reset();
  if (closeAfterCommand_ && !Ended()) {
    closeAfterCommand_ = false;
    Dispatch(button::kCancel);
  }
}

void QtWindow::RequestClose() {
  if (busy_ == 0) {
    Dispatch(button::kCancel);
    return;
  }
  // A close request that arrives while a command runs (its repaints let the window
  // system through) would end the tool in the middle of an exchange. A short command
  // ends soon; an update, the one command that shows progress, may take minutes.
  if (progress_ && progress_->isVisible()) AskToStop();
}

void QtWindow::AskToStop() {
  if (stopAsked_) return;
  if (!stopQuestion_) {
    stopQuestion_ = std::make_unique<QMessageBox>(QMessageBox::Warning, FromUtf8(kStopUpdateCaption),
                                                  FromUtf8(kStopUpdateQuestion), QMessageBox::NoButton, dialog_.get());
    stopQuestion_->setTextFormat(Qt::PlainText);
    QPushButton* stop = stopQuestion_->addButton(QStringLiteral("Stop"), QMessageBox::DestructiveRole);
    QPushButton* goOn = stopQuestion_->addButton(QStringLiteral("Go On"), QMessageBox::RejectRole);
    stopQuestion_->setDefaultButton(goOn);
    stopQuestion_->setEscapeButton(goOn);
    // Not modal: the update goes on while the user reads.
    stopQuestion_->setWindowModality(Qt::NonModal);
    QObject::connect(stopQuestion_.get(), &QMessageBox::buttonClicked, [this, stop](QAbstractButton* chosen) {
      questionPointer_.reset();
      if (chosen == stop) stopAsked_ = closeAfterCommand_ = true;
    });
  }
  if (!questionPointer_) questionPointer_ = std::make_unique<NormalPointer>();
  stopQuestion_->show();
  stopQuestion_->raise();
  stopQuestion_->activateWindow();
}

}  // namespace ravix::gui
