#pragma once
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ravix::test {

// A scratch directory standing in for /dev, /sys or /proc; removed with its contents.
class FakeTree {
 public:
  FakeTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ravix-tree-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~FakeTree() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  FakeTree(const FakeTree&) = delete;
  FakeTree& operator=(const FakeTree&) = delete;

  bool Ok() const { return !root_.empty(); }
  std::string Path(const std::string& relative = "") const { return (root_ / relative).string(); }

  // Creates relative (and its folders) holding content.
  void File(const std::string& relative, const std::string& content = "") const {
    const auto path = root_ / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << content;
  }
  void Dir(const std::string& relative) const { std::filesystem::create_directories(root_ / relative); }

 private:
  std::filesystem::path root_;
};

}  // namespace ravix::test
