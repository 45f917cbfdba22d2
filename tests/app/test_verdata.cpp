// Version data of executable files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/platform.h"
#include "app/verdata.h"
#include "xml/cp1251.h"

namespace brisolt {
namespace {

TEST(FileFunctionText, NamesEveryKindOfFile) {
  struct Case {
    std::uint32_t type;
    std::uint32_t subtype;
    const char* text;
  };
  const Case cases[] = {
      {0, 7, "Unknown"},
      {1, 0, "Application"},
      {2, 99, "DLL"},
      {3, 0, "Unknown Driver"},
      {3, 8, "InstallableDriver"},
      {3, 10, "Communications Driver"},
      {3, 11, ""},
      {4, 3, "Truetype Font"},
      {4, 4, ""},
      {5, 0x1A, "Virtual Defice Identifier = 0000001A"},
      {5, 0xFFFFFFFF, "Virtual Defice Identifier = FFFFFFFF"},
      {6, 0, ""},
      {7, 1, "Static-link Library"},
      {8, 0, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FileFunctionText(c.type, c.subtype), c.text) << c.type << "/" << c.subtype;
  }
}

TEST(ReadFileVersionInfo, OwnExecutableCarriesTheBuildVersion) {
  TFileVersionInfo info;
  info.Comments = "left over";
  ReadFileVersionInfo(platform::ExecutablePath(), info);
  EXPECT_EQ(info.ProductVersion, BRISOLT_PRODUCT_VERSION);
  EXPECT_EQ(info.ProductName, "Brisolt");
  EXPECT_EQ(info.FileFunction, "Application");
  EXPECT_TRUE(info.Comments.empty());
  EXPECT_FALSE(info.PreRelease || info.Patched || info.InfoInferred);
}

TEST(ReadFileVersionInfo, OtherFilesHaveNoVersionData) {
  const auto folder = std::filesystem::temp_directory_path();
  const auto textFile = folder / "brisolt-verdata-test.txt";
  std::ofstream(textFile) << "not a program";
  for (const std::filesystem::path& path : {textFile, folder / "brisolt-no-such-file.exe"}) {
    TFileVersionInfo info;
    info.ProductVersion = "stale";
    ReadFileVersionInfo(NativeFromPath(path), info);
    EXPECT_TRUE(info.ProductVersion.empty()) << path;
    EXPECT_TRUE(info.FileFunction.empty()) << path;
  }
  std::filesystem::remove(textFile);
}

}  // namespace
}  // namespace brisolt
