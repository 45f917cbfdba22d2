// A scratch folder per test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "base/encoding.h"

namespace brisolt::testing_support {

class TTestFolder {
 public:
  TTestFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("brisolt-engine-" + std::to_string(::getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TTestFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TTestFolder(const TTestFolder&) = delete;
  TTestFolder& operator=(const TTestFolder&) = delete;

  // The folder with a trailing separator, as the file set takes it. Names are UTF-8, as the
  // program's own.
  std::string Text() const { return NativeFromPath(path_) + "/"; }
  std::string File(const std::string& relative) const { return NativeFromPath(path_ / PathFromNative(relative)); }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace brisolt::testing_support
