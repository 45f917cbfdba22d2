// Version data of executable files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/platform.h"
#include "app/verdata.h"
#include "base/encoding.h"

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

TEST(FindGuide, FoundFromTheBuildFolderOfTheSourceTree) {
  const std::string guide = FindGuide(BRISOLT_BINARY);
  ASSERT_FALSE(guide.empty());
  EXPECT_TRUE(std::filesystem::equivalent(
      PathFromNative(guide),
      std::filesystem::path(BRISOLT_SOURCE_DIR) / "docs" / "guide" / "index.html"));
}

TEST(FindGuide, LooksBesideTheProgramThenInItsInstallation) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / "brisolt-guide-test";
  struct Case {
    const char* layout;  // the guide folders made, ";" between them
    const char* found;   // the folder whose index.html is found, empty for none
  };
  const Case cases[] = {
      {"bin/guide;share/brisolt/guide", "bin/guide"},
      {"share/brisolt/guide;share/doc/brisolt/guide", "share/brisolt/guide"},
      {"share/doc/brisolt/guide;docs/guide", "share/doc/brisolt/guide"},
      {"docs/guide", "docs/guide"},
      {"", ""},
      {"share/brisolt/guide-old", ""},
  };
  for (const Case& c : cases) {
    fs::remove_all(root);
    fs::create_directories(root / "bin");
    std::ofstream(root / "bin" / "brisolt") << "program";
    std::string layout = c.layout;
    for (std::size_t start = 0; start < layout.size();) {
      std::size_t end = layout.find(';', start);
      if (end == std::string::npos) end = layout.size();
      const fs::path folder = root / layout.substr(start, end - start);
      fs::create_directories(folder);
      std::ofstream(folder / "index.html") << "<html></html>";
      start = end + 1;
    }
    const std::string found = FindGuide(NativeFromPath(root / "bin" / "brisolt"));
    if (*c.found == '\0') {
      EXPECT_EQ(found, "") << c.layout;
    } else {
      ASSERT_FALSE(found.empty()) << c.layout;
      EXPECT_TRUE(fs::equivalent(PathFromNative(found), root / c.found / "index.html")) << c.layout;
    }
  }
  EXPECT_EQ(FindGuide(""), "");
  fs::remove_all(root);
}

}  // namespace
}  // namespace brisolt
