// Finding pack files in a folder tree, and the registration-number list.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "engine/sverka.h"
#include "engine_test_folder.h"
#include "packgen.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

using testing_support::TTestFolder;
namespace fs = std::filesystem;

void Touch(const std::string& fileName) {
  const fs::path path = PathFromNative(fileName);
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

TEST(CountPackFiles, MaskMatchedByTheProgramWithoutRegardToCase) {
  TTestFolder folder;
  struct Case {
    const char* name;
    bool counted;
  };
  const Case cases[] = {
      {"PFR-700-Y-2011-ORG-087-001-012345-DCK-00001-DPT-000000-DCK-00000.XML", true},
      {"pfr-700-y-2011-org-x.xml", true},
      {"PFR-700-Y-2011-ORG-.xml", true},
      {"PFR-700-Y-ГОД1-ORG-кириллица.XmL", true},  // "?" is one character, not one byte
      {"PFR-700-Y-11-ORG-x.xml", false},
      {"PFR-700-Y-20111-ORG-x.xml", false},
      {"PFR-700-Y-2011-ORG-x.xml.bak", false},
      {"PFR-700-Y-2011-ORG-x.xmlx", false},
      {"XPFR-700-Y-2011-ORG-x.xml", false},
      {"readme.txt", false},
  };
  int expected = 0;
  for (const auto& testCase : cases) {
    Touch(folder.File(testCase.name));
    expected += testCase.counted ? 1 : 0;
  }
  EXPECT_EQ(TFileSet::CountPackFiles(folder.Text(), false), expected);
  // A folder text without its trailing separator works the same.
  EXPECT_EQ(TFileSet::CountPackFiles(NativeFromPath(folder.Path()), false), expected);
}

TEST(CountPackFiles, SubFoldersOnlyWhenAsked) {
  TTestFolder folder;
  Touch(folder.File("PFR-700-Y-2011-ORG-a.xml"));
  Touch(folder.File("2010/PFR-700-Y-2010-ORG-b.xml"));
  Touch(folder.File("2010/deeper/PFR-700-Y-2010-ORG-c.xml"));
  Touch(folder.File(".hidden/PFR-700-Y-2010-ORG-d.xml"));
  fs::create_directories(folder.File("PFR-700-Y-2012-ORG-folder.xml"));  // a folder named like a pack
  EXPECT_EQ(TFileSet::CountPackFiles(folder.Text(), false), 1);
  EXPECT_EQ(TFileSet::CountPackFiles(folder.Text(), true), 3);
}

TEST(CountPackFiles, MissingFolderAndEmptyFolder) {
  TTestFolder folder;
  EXPECT_EQ(TFileSet::CountPackFiles(folder.Text(), true), 0);
  EXPECT_EQ(TFileSet::CountPackFiles(folder.File("absent/"), true), 0);
}

#ifndef _WIN32
// Windows has neither named pipes in folders nor links an unprivileged user may make.
TEST(CountPackFiles, OnlyRegularFilesAndNoLinkCycles) {
  TTestFolder folder;
  Touch(folder.File("sub/PFR-700-Y-2011-ORG-a.xml"));
  // A pipe named like a pack would block a reader; a link back up would walk forever.
  ASSERT_EQ(::mkfifo(folder.File("PFR-700-Y-2011-ORG-pipe.xml").c_str(), 0600), 0);
  fs::create_directory_symlink(folder.Path(), folder.File("sub/loop"));
  fs::create_symlink(folder.File("sub/PFR-700-Y-2011-ORG-a.xml"), folder.File("PFR-700-Y-2011-ORG-link.xml"));
  EXPECT_EQ(TFileSet::CountPackFiles(folder.Text(), true), 2);
}
#endif

TEST(ReadPackFiles, ListingOrderIsFixedAndSubFoldersComeFirst) {
  TTestFolder folder;
  packgen::TGenSZV63Pack pack;
  packgen::TGenSZV63Doc doc;
  doc.SNILS = "112-233-445 95";
  doc.LastName = "Иванов";
  pack.Docs.push_back(doc);
  const std::string bytes = packgen::RenderSZV63Pack(pack);
  // Names by their upper case (Cyrillic too), the raw name breaking ties; folders before files.
  // A file system that ignores case (Windows) holds one of each pair differing only in case.
  std::vector<std::string> names = {"PFR-700-Y-2011-ORG-b.xml", "b/PFR-700-Y-2011-ORG-z.xml",
                                    "a/PFR-700-Y-2011-ORG-y.xml", "PFR-700-Y-2011-ORG-я.xml",
                                    "PFR-700-Y-2011-ORG-Б.xml",   "PFR-700-Y-2011-ORG-a.xml"};
  std::vector<std::string> expected = {"PFR-700-Y-2011-ORG-x.xml", "PFR-700-Y-2011-ORG-y.xml",
                                       "PFR-700-Y-2011-ORG-z.xml", "PFR-700-Y-2011-ORG-A.xml",
                                       "PFR-700-Y-2011-ORG-a.xml", "PFR-700-Y-2011-ORG-b.xml",
                                       "PFR-700-Y-2011-ORG-Б.xml", "PFR-700-Y-2011-ORG-я.xml"};
#ifdef _WIN32
  std::erase(expected, "PFR-700-Y-2011-ORG-A.xml");
  names.push_back("a/PFR-700-Y-2011-ORG-x.xml");
#else
  names.push_back("PFR-700-Y-2011-ORG-A.xml");
  names.push_back("A/PFR-700-Y-2011-ORG-x.xml");
#endif
  for (const std::string& name : names) {
    packgen::WriteBytes(folder.File(name), bytes);
  }
  std::vector<std::string> seen;
  TFileSet files;
  std::vector<std::string> messages;
  files.LoadSubmissions(folder.Text(), true, false, "087-001-012345", messages,
                        [&](const std::string& stage, const std::string& detail, int, int maximum) {
                          if (stage == "Чтение файлов") {
                            seen.push_back(detail);
                            EXPECT_EQ(maximum, static_cast<int>(expected.size()));
                          }
                        });
  EXPECT_EQ(seen, expected);
}

#ifndef _WIN32
TEST(ReadPackFiles, NamesWhatCannotBeReadAndNothingElse) {
  TTestFolder folder;
  packgen::GenerateSample(folder.Text());
  // Named: too large to be a pack (a sparse file, told by its size), a pipe, a link to nothing.
  const std::string huge = folder.File("PFR-700-Y-2011-ORG-huge.xml");
  std::ofstream(huge) << "<?xml version=\"1.0\"?>";
  fs::resize_file(huge, std::uintmax_t{3} << 30);
  const std::string pipe = folder.File("sub/PFR-700-Y-2011-ORG-pipe.xml");
  fs::create_directories(folder.Path() / "sub");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string dangling = folder.File("PFR-700-Y-2011-ORG-gone.xml");
  fs::create_symlink(folder.File("nowhere.xml"), dangling);
  // Named as well: a file that is no XML document, as a pack caught while it is written.
  const std::string empty = folder.File("PFR-700-Y-2011-ORG-text.xml");
  Touch(empty);
  // Silent: not a pack, off the mask, a pack of another insurer.
  packgen::WriteBytes(folder.File("sub/PFR-700-Y-2011-ORG-other.xml"), "<?xml version=\"1.0\"?><Other/>");
  Touch(folder.File("notes/PFR-700-Y-2011-ORG-x.xml.bak"));

  TFileSet files;
  std::vector<std::string> messages;
  files.LoadSubmissions(folder.Text(), true, false, "087-001-012345", messages, {});
  ASSERT_EQ(files.ReadFailures.size(), 4u);
  for (const std::string& name : {huge, pipe, dangling, empty}) {
    const auto named = [&name](const std::string& line) { return line.find(name + ": ") != std::string::npos; };
    EXPECT_EQ(std::count_if(files.ReadFailures.begin(), files.ReadFailures.end(), named), 1) << name;
  }
  // They head the protocol's list of errors, in its encoding, and the packs that could be read
  // were read.
  for (std::size_t index = 0; index < files.ReadFailures.size(); ++index) {
    EXPECT_EQ(messages.at(index), Utf8ToCp1251(files.ReadFailures[index]));
  }
  EXPECT_FALSE(files.Sotrs.empty());
  EXPECT_NE(std::find(files.WalkedFolders.begin(), files.WalkedFolders.end(), folder.Text() + "sub/"),
            files.WalkedFolders.end());
  EXPECT_NE(std::find(files.PackFileNames.begin(), files.PackFileNames.end(), huge), files.PackFileNames.end());
}
#endif

TEST(ReadPackFiles, AFolderThatCannotBeListedEndsTheLoad) {
  TTestFolder folder;
  TFileSet files;
  std::vector<std::string> messages;
  try {
    files.LoadSubmissions(folder.File("absent"), true, false, "087-001-012345", messages, {});
    FAIL() << "a missing folder loaded";
  } catch (const EFolderUnreadable& failure) {
    EXPECT_NE(std::string(failure.what()).find(folder.File("absent") + ": "), std::string::npos) << failure.what();
  }
}

TEST(SplitRegNumbs, Cases) {
  struct Case {
    const char* text;
    std::vector<std::string> list;
  };
  const Case cases[] = {
      {"087-001-012345", {"087-001-012345"}},
      {"  087-001-012345  ", {"087-001-012345"}},
      {"", {}},
      {" ", {}},
      {"    ", {}},
      {"087-001-000001, 087-001-000002", {"087-001-000001", "087-001-000002"}},
      {"087-001-000001,   087-001-000002", {"087-001-000001", "087-001-000002"}},
      {"  087-001-000001 ,087-001-000002", {"087-001-000001 ", "087-001-000002"}},
      {"087-001-000001,", {"087-001-000001", ""}},
      {",087-001-000001", {"", "087-001-000001"}},
      {"a,,b", {"a", "", "b"}},
      {"a b", {"a b"}},
  };
  for (const auto& testCase : cases) {
    std::vector<std::string> list{"stale"};
    TFileSet::SplitRegNumbs(testCase.text, list);
    EXPECT_EQ(list, testCase.list) << "'" << testCase.text << "'";
  }
}

TEST(AddReportPeriod, EachPairOnce) {
  TFileSet files;
  files.AddReportPeriod(2011, 2);
  files.AddReportPeriod(2010, 1);
  files.AddReportPeriod(2011, 2);
  files.AddReportPeriod(2011, 1);
  ASSERT_EQ(files.ReportPeriods.size(), 3u);
  EXPECT_EQ(files.ReportPeriods[0].Year, 2011);
  EXPECT_EQ(files.ReportPeriods[0].Quarter, 2);
  EXPECT_EQ(files.ReportPeriods[2].Quarter, 1);
}

}  // namespace
}  // namespace brisolt
