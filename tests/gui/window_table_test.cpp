// The Qt windows against their tables: every control is there with its kind and in
// its place; nothing is clipped or hidden by another control; the menu bar is the table's.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <gtest/gtest.h>

#include <map>

#include "resources/resources.h"
#include "gui/qt_ui.h"
#include "settings/settings_image.h"

namespace ravix::gui {
namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.c_str()); }

std::string Describe(const ControlResource& c) {
  return "control " + std::to_string(c.id) + " \"" + c.text + "\" at " + std::to_string(c.x) + "," +
         std::to_string(c.y);
}

// The main window and each tool dialog, built from its table.
class WindowTableTest : public testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    resource_ = FindDialogResource(GetParam());
    ASSERT_NE(resource_, nullptr) << "no table for dialog " << GetParam();
    window_ = std::dynamic_pointer_cast<QtWindow>(ui_.CreateWindow(*resource_, nullptr));
    ASSERT_TRUE(window_);
  }

  QtUi ui_;
  const DialogResource* resource_ = nullptr;
  std::shared_ptr<QtWindow> window_;
};

// Each kind of row becomes its widget; the texts, marks and states the tool reads back
// through the window are proven by the scenario transcripts on the Qt widgets.
TEST_P(WindowTableTest, EveryControlIsTheWidgetOfItsKind) {
  using K = ControlKind;
  const std::map<K, const char*> widgetOf = {
      {K::PushButton, "QPushButton"},   {K::DefPushButton, "QPushButton"},     {K::Edit, "QLineEdit"},
      {K::ReadOnlyEdit, "QLineEdit"},   {K::Label, "QLabel"},                  {K::GroupBox, "QGroupBox"},
      {K::RadioButton, "QRadioButton"}, {K::AutoRadioButton, "QRadioButton"}, {K::CheckBox, "QCheckBox"},
      {K::ComboBox, "QComboBox"}};
  ASSERT_EQ(window_->Widgets().size(), resource_->controls.size());
  EXPECT_EQ(window_->Dialog().windowTitle(), Q(resource_->title));
  for (const auto& [control, widget] : window_->Widgets()) {
    SCOPED_TRACE(Describe(*control));
    EXPECT_TRUE(widget->inherits(widgetOf.at(control->kind)));
    EXPECT_EQ(widget->isEnabled(), control->enabled);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
      EXPECT_EQ(button->isDefault(), control->kind == K::DefPushButton);
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      EXPECT_EQ(edit->isReadOnly(), control->kind == K::ReadOnlyEdit);
    }
    if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
      EXPECT_FALSE(radio->autoExclusive());
    }
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
      EXPECT_TRUE(combo->isEditable());
    }
  }
}

TEST_P(WindowTableTest, EveryControlLiesInsideTheWindowAndItsGroupBox) {
  const QRect client = window_->Client().rect();
  std::map<std::string, QRect> groups;
  for (const auto& [control, widget] : window_->Widgets())
    if (control->kind == ControlKind::GroupBox) groups[control->text] = widget->geometry();
  for (const auto& [control, widget] : window_->Widgets()) {
    SCOPED_TRACE(Describe(*control));
    EXPECT_TRUE(client.contains(widget->geometry())) << "outside the window";
    if (control->group.empty()) continue;
    auto group = groups.find(control->group);
    ASSERT_NE(group, groups.end()) << "no group box \"" << control->group << "\"";
    // Inside the frame, below the caption.
    const int captionBottom = group->second.top() + widget->fontMetrics().height();
    EXPECT_TRUE(group->second.contains(widget->geometry())) << "outside its group box";
    EXPECT_GE(widget->geometry().top(), captionBottom) << "over its group box's caption";
  }
}

TEST_P(WindowTableTest, NoTwoControlsOverlap) {
  std::vector<std::pair<const ControlResource*, QWidget*>> controls;
  for (const auto& entry : window_->Widgets())
    if (entry.first->kind != ControlKind::GroupBox) controls.push_back(entry);
  for (size_t a = 0; a < controls.size(); ++a)
    for (size_t b = a + 1; b < controls.size(); ++b)
      EXPECT_FALSE(controls[a].second->geometry().intersects(controls[b].second->geometry()))
          << Describe(*controls[a].first) << " overlaps " << Describe(*controls[b].first);
  // Group boxes overlap only by nesting.
  std::vector<QRect> frames;
  for (const auto& [control, widget] : window_->Widgets())
    if (control->kind == ControlKind::GroupBox) frames.push_back(widget->geometry());
  for (size_t a = 0; a < frames.size(); ++a)
    for (size_t b = a + 1; b < frames.size(); ++b) {
      const QRect common = frames[a].intersected(frames[b]);
      EXPECT_TRUE(common.isEmpty() || common == frames[a] || common == frames[b]) << "group boxes " << a << ", " << b;
    }
}

TEST_P(WindowTableTest, NoTextIsClipped) {
  for (const auto& [control, widget] : window_->Widgets()) {
    SCOPED_TRACE(Describe(*control));
    const QFontMetrics metrics = widget->fontMetrics();
    const QRect box = widget->geometry();
    const QString text = Q(control->text);
    switch (control->kind) {
      case ControlKind::Label: {
        auto* label = qobject_cast<QLabel*>(widget);
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
          EXPECT_LE(metrics.horizontalAdvance(word), box.width()) << "a word wider than the label";
        EXPECT_LE(label->heightForWidth(box.width()), box.height()) << "more lines than the label holds";
        break;
      }
      case ControlKind::PushButton:
      case ControlKind::DefPushButton:
        EXPECT_LE(metrics.horizontalAdvance(text) + 8, box.width());
        EXPECT_LE(metrics.height() + 4, box.height());
        break;
      case ControlKind::RadioButton:
      case ControlKind::AutoRadioButton:
      case ControlKind::CheckBox:
        EXPECT_LE(widget->sizeHint().width(), box.width());
        EXPECT_LE(metrics.height(), box.height());
        break;
      case ControlKind::Edit:
      case ControlKind::ReadOnlyEdit:
      case ControlKind::ComboBox:
        // A line of text inside the frame.
        EXPECT_LE(metrics.height() + 4, box.height());
        break;
      case ControlKind::GroupBox:
        EXPECT_LE(metrics.horizontalAdvance(text) + 16, box.width());
        break;
    }
  }
}

TEST_P(WindowTableTest, FitsASmallLaptopScreen) {
  window_->Dialog().adjustSize();
  const QSize size = window_->Dialog().size();
  // 1366 x 768 less a panel and the title bar.
  EXPECT_LE(size.width(), 1366);
  EXPECT_LE(size.height(), 768 - 40 - 30);
  EXPECT_GE(size.width(), window_->Client().width());
}

// The marks and grey states are read back by the scenarios' "show menu"; the texts in
// their places, and the action each command finds, are seen only here. (Without a
// serial-port lookup the port items keep their own texts.)
// A menu text as the table has it: without the mnemonic the front end adds.
QString WithoutMnemonic(const QString& text) {
  QString plain;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

TEST_P(WindowTableTest, MenuBarIsTheTables) {
  QMenuBar* bar = window_->MenuBar();
  ASSERT_EQ(bar != nullptr, !resource_->menu.empty());
  if (!bar) return;
  QStringList shown, table;
  for (QAction* top : bar->actions()) {
    shown << WithoutMnemonic(top->text());
    if (top->menu())
      for (QAction* item : top->menu()->actions()) shown << QStringLiteral("  ") + WithoutMnemonic(item->text());
  }
  for (const MenuResource& top : resource_->menu) {
    table << Q(top.text);
    for (const MenuResource& item : top.items) table << QStringLiteral("  ") + Q(item.text);
    for (const MenuResource& entry : top.items.empty() ? std::vector<MenuResource>{top} : top.items) {
      ASSERT_NE(window_->MenuAction(entry.command), nullptr) << entry.text;
      EXPECT_EQ(WithoutMnemonic(window_->MenuAction(entry.command)->text()), Q(entry.text));
    }
  }
  EXPECT_EQ(shown, table);
}

INSTANTIATE_TEST_SUITE_P(Dialogs, WindowTableTest,
                         testing::Values(IDD_MAIN, IDD_RPM_CONTROL, IDD_LOCK_FUNCTIONS, IDD_REV_COUNTER),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

// The widest texts the tool writes into the main window's fields must show whole.
TEST(MainWindowTable, FieldsHoldTheWidestTextsTheToolWrites) {
  QtUi ui;
  auto window = std::dynamic_pointer_cast<QtWindow>(ui.CreateWindow(MainWindowResource(), nullptr));
  struct Field {
    int id;
    std::vector<std::string> texts;
  };
  std::vector<std::string> timing(std::begin(kTimingEntries), std::end(kTimingEntries));
  std::vector<std::string> brake(std::begin(kBrakeEntries), std::end(kBrakeEntries));
  const std::vector<Field> fields = {
      {1145, {"V 10.11-1F", "V 3D.DD-DD"}},  // version, minor and features as hex
      {1135, {"2.00", "0.88"}}, {1166, {"2.00"}}, {1134, {"2.00"}},  // pulse widths "%1.2f"
      {1142, {" 50", "255"}}, {1164, {" 50", "255"}},  // "%3d" of a byte
      {1194, {"10.5", "25.5"}},                          // volts "%1.1f"
      {1212, {"9999", "10000"}},                         // "%4d" Hz
      {1177, {"255"}}, {1178, {"255"}}, {1179, {"255"}}, {1192, {"255"}},  // counters "%2d" of a byte
      {1044, {"connecting....", "Update laeuft"}},
      {1140, timing}, {1146, brake},
  };
  for (const Field& field : fields) {
    QWidget* widget = window->Control(field.id);
    ASSERT_TRUE(widget) << field.id;
    // What the frame, the inner margins and a list's arrow leave for the text.
    const int frame = widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, widget);
    int room = widget->width() - 2 * frame - 4;
    if (qobject_cast<QComboBox*>(widget))
      room -= widget->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, widget);
    for (const std::string& text : field.texts)
      EXPECT_LE(widget->fontMetrics().horizontalAdvance(Q(text)), room) << field.id << " \"" << text << "\"";
  }
}

}  // namespace
}  // namespace ravix::gui
