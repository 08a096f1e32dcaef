#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace ravix {

// A window whose controls are plain values, built from its table.
class HeadlessWindow : public Window {
 public:
  HeadlessWindow(const DialogResource& resource, Window* owner);

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
  void Repaint() override { ++repaints; }

  int repaints = 0;

 private:
  struct Control {
    std::string text;
    bool enabled = true;
    bool checked = false;
    std::vector<std::string> entries;
    int selection = -1;
  };
  struct MenuItem {
    std::string text;
    bool checked = false;
    bool enabled = true;
  };
  const DialogResource& resource_;
  std::map<int, Control> controls_;
  std::map<int, MenuItem> menu_;
};

}  // namespace ravix
