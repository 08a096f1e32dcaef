#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace ravix {

// A test fixture whose tests each run in a fresh, empty current directory dir_, named
// after the prefix, the process and the test; the previous directory comes back after
// the test and dir_ goes.
class FreshDirectoryTest : public ::testing::Test {
 protected:
  explicit FreshDirectoryTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    previous_ = std::filesystem::current_path();
    dir_ = std::filesystem::temp_directory_path() /
           (prefix_ + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(dir_);
  }

  // A file written whole or read whole (empty when missing).
  static void WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The setup file in dir_.
  void WriteSetupFile(const std::string& bytes) const { WriteWhole(dir_ / "rvsetup.cfg", bytes); }
  std::string ReadSetupFile() const { return ReadWhole(dir_ / "rvsetup.cfg"); }

  std::filesystem::path previous_, dir_;

 private:
  std::string prefix_;
};

}  // namespace ravix
