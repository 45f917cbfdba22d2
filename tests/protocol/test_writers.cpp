// The HTML and XML spreadsheet writers against golden files, and their all-or-nothing file handling.
// BRISOLT_UPDATE_GOLDEN=1 rewrites the golden files; read the diff before committing them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "protocol/prot.h"
#include "protocol/protfile.h"
#include "engine/protocoltarget.h"
#include "full_disk.h"
#include "sample_reports.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;
using testing::EmptyReport;
using testing::FullReport;
using testing::kFixedStamp;
using testing::OnePeriodReport;

using testing::ReadAll;

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    path_ = fs::temp_directory_path() / ("brisolt-prot-" + std::to_string(random()));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  const fs::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return NativeFromPath(path_ / name); }
  std::size_t EntryCount() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(path_), {}));
  }

 private:
  fs::path path_;
};

// Reports where two texts part, line by line, in readable UTF-8.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream left(expected);
  std::istringstream right(actual);
  std::string leftLine;
  std::string rightLine;
  for (int number = 1;; ++number) {
    const bool moreLeft = static_cast<bool>(std::getline(left, leftLine));
    const bool moreRight = static_cast<bool>(std::getline(right, rightLine));
    if (!moreLeft && !moreRight) {
      return "sizes differ only";
    }
    if (leftLine != rightLine || moreLeft != moreRight) {
      return "line " + std::to_string(number) + "\n expected: " + Cp1251ToUtf8(leftLine) +
             "\n actual:   " + Cp1251ToUtf8(rightLine);
    }
  }
}

struct GoldenCase {
  const char* file;
  std::function<TReport()> report;
  bool html;
};

TEST(ProtocolWriters, MatchTheGoldenFiles) {
  const GoldenCase cases[] = {
      {"full_compact.html", [] { return FullReport(TProtForm::Compact); }, true},
      {"full_detailed.html", [] { return FullReport(TProtForm::Detailed); }, true},
      {"one_period_compact.html", [] { return OnePeriodReport(TProtForm::Compact); }, true},
      {"one_period_detailed.html", [] { return OnePeriodReport(TProtForm::Detailed); }, true},
      {"empty_compact.html", [] { return EmptyReport(TProtForm::Compact); }, true},
      {"full_compact.xml", [] { return FullReport(TProtForm::Compact); }, false},
      {"full_detailed.xml", [] { return FullReport(TProtForm::Detailed); }, false},
      {"one_period_compact.xml", [] { return OnePeriodReport(TProtForm::Compact); }, false},
      {"one_period_detailed.xml", [] { return OnePeriodReport(TProtForm::Detailed); }, false},
      {"empty_compact.xml", [] { return EmptyReport(TProtForm::Compact); }, false},
  };
  const bool update = std::getenv("BRISOLT_UPDATE_GOLDEN") != nullptr;
  ScratchFolder scratch;
  for (const GoldenCase& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string target = scratch.File(c.file);
    const TReport report = c.report();
    if (c.html) {
      WriteHtmlProtocol(report, target, kFixedStamp);
    } else {
      WriteXmlProtocol(report, target, kFixedStamp);
    }
    const std::string actual = ReadAll(PathFromNative(target));
    // No link that leads nowhere: without a site the program's name is plain text.
    EXPECT_EQ(actual.find("href=\"\""), std::string::npos);
    const fs::path golden = fs::path(BRISOLT_TEST_DATA_DIR) / "protocol" / c.file;
    if (update) {
      std::ofstream(golden, std::ios::binary) << actual;
      continue;
    }
    const std::string expected = ReadAll(golden);
    ASSERT_FALSE(expected.empty()) << "missing golden file " << golden;
    EXPECT_TRUE(expected == actual) << FirstDifference(expected, actual);
  }
}

TEST(ProtocolWriters, WriteWindows1251WithCrLfOnly) {
  ScratchFolder scratch;
  for (const bool html : {true, false}) {
    const std::string target = scratch.File(html ? "p.html" : "p.xml");
    html ? WriteHtmlProtocol(FullReport(TProtForm::Detailed), target) : WriteXmlProtocol(FullReport(TProtForm::Detailed), target);
    const std::string text = ReadAll(PathFromNative(target));
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
      if (text[pos] == '\n') {
        ASSERT_TRUE(pos > 0 && text[pos - 1] == '\r') << "bare LF at " << pos;
      }
    }
    // Windows-1251 "Протокол", never its UTF-8 form.
    EXPECT_NE(text.find("\xcf\xf0\xee\xf2\xee\xea\xee\xeb"), std::string::npos);
    EXPECT_EQ(text.find("\xd0\x9f\xd1\x80"), std::string::npos);
    // Without a stamp of its own the writer takes the clock's, in the same form.
    const std::string stamp = CurrentProtocolStamp().substr(0, 10);
    EXPECT_NE(text.find(stamp), std::string::npos);
  }
}

TEST(ProtocolWriters, FailWithoutTouchingAnyEarlierProtocol) {
  struct Case {
    const char* name;
    std::function<void(ScratchFolder&, std::string&)> arrange;
    std::uint64_t diskFullAfter = 0;  // bytes; 0: room enough
  };
  const Case cases[] = {
      {"folder does not exist",
       [](ScratchFolder& scratch, std::string& target) {
         target = scratch.File("missing/p.out");
       }},
      {"target is a folder",
       [](ScratchFolder& scratch, std::string& target) {
         fs::create_directories(scratch.Path() / "p.out" / "inside");
         target = scratch.File("p.out");
       }},
      {"target made read-only by the user",
       [](ScratchFolder& scratch, std::string& target) {
         target = scratch.File("p.out");
         std::ofstream(PathFromNative(target), std::ios::binary) << "earlier protocol";
         fs::permissions(PathFromNative(target), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
       }},
      {"write breaks off half-way",
       [](ScratchFolder& scratch, std::string& target) {
         target = scratch.File("p.out");
         std::ofstream(PathFromNative(target), std::ios::binary) << "earlier protocol";
       },
       100},
  };
  for (const Case& c : cases) {
    if (c.diskFullAfter != 0 && !TFullDiskAfter::kAvailable) {
      continue;
    }
    for (const bool html : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (html ? " html" : " xml"));
      ScratchFolder scratch;
      std::string target;
      c.arrange(scratch, target);
      const std::size_t entriesBefore = scratch.EntryCount();
      const std::string before =
          fs::is_regular_file(PathFromNative(target)) ? ReadAll(PathFromNative(target)) : "";
      {
        std::optional<TFullDiskAfter> disk;
        if (c.diskFullAfter != 0) disk.emplace(c.diskFullAfter);
        EXPECT_THROW(html ? WriteHtmlProtocol(FullReport(TProtForm::Compact), target, kFixedStamp)
                          : WriteXmlProtocol(FullReport(TProtForm::Compact), target, kFixedStamp),
                     EProtocolWriteError);
      }
      EXPECT_EQ(scratch.EntryCount(), entriesBefore) << "a temporary file was left behind";
      if (!before.empty()) {
        EXPECT_EQ(ReadAll(PathFromNative(target)), before);
      }
    }
  }
}

// A large protocol is handed to the writing thread a part at a time; a failure on an early part
// must still end the run, with nothing left behind, while later parts are being formatted.
TEST(ProtocolWriters, FailWhenAnEarlyPartOfALargeProtocolCannotBeWritten) {
  if (!TFullDiskAfter::kAvailable) {
    GTEST_SKIP() << "no file size limit to fill the disk with";
  }
  TReport report = FullReport(TProtForm::Compact);
  const std::vector<TMainLine> lines = report.MainLines;
  while (report.MainLines.size() < 20000) {
    report.MainLines.insert(report.MainLines.end(), lines.begin(), lines.end());
  }
  for (const bool html : {true, false}) {
    SCOPED_TRACE(html ? "html" : "xml");
    ScratchFolder scratch;
    const std::string target = scratch.File("p.out");
    std::ofstream(PathFromNative(target), std::ios::binary) << "earlier protocol";
    {
      const TFullDiskAfter disk(3 << 20);
      EXPECT_THROW(html ? WriteHtmlProtocol(report, target, kFixedStamp) : WriteXmlProtocol(report, target, kFixedStamp),
                   EProtocolWriteError);
    }
    EXPECT_EQ(scratch.EntryCount(), 1u) << "a temporary file was left behind";
    EXPECT_EQ(ReadAll(PathFromNative(target)), "earlier protocol");
    html ? WriteHtmlProtocol(report, target, kFixedStamp) : WriteXmlProtocol(report, target, kFixedStamp);
    const std::string written = ReadAll(PathFromNative(target));
    EXPECT_GT(written.size(), std::size_t{8} << 20);
    EXPECT_EQ(written.substr(written.size() - (html ? 9 : 13)), html ? "</html>\r\n" : "</Workbook>\r\n");
  }
}

// What reaches a writer from outside the packs (a file name, the insurer's name given as a
// parameter) passes the rule pack text passes when read: no windows-1251 protocol holds a control
// character but tab, CR and LF, nor the byte the code page leaves unassigned (a strict reader of
// windows-1251 refuses the whole workbook for it).
TEST(ProtocolWriters, NoProtocolCarriesAControlCharacterOrAnUnassignedByte) {
  TReport report = FullReport(TProtForm::Detailed);
  report.OrgName = std::string("\0=40+2\x98\x1b[31m\x7f", 13);
  report.AddFile(std::string("/data/\x98\x01\x0b.xml", 13));
  ScratchFolder scratch;
  for (const bool html : {true, false}) {
    SCOPED_TRACE(html ? "html" : "xml");
    const std::string target = scratch.File(html ? "p.html" : "p.xml");
    html ? WriteHtmlProtocol(report, target, kFixedStamp) : WriteXmlProtocol(report, target, kFixedStamp);
    const std::string text = ReadAll(PathFromNative(target));
    std::size_t unwritable = 0;
    for (const char byte : text) {
      unwritable += IsUnwritableCp1251(static_cast<unsigned char>(byte)) ? 1 : 0;
    }
    EXPECT_EQ(unwritable, 0u);
    EXPECT_NE(text.find("?=40+2??[31m?"), std::string::npos);
    EXPECT_NE(text.find("/data/???.xml"), std::string::npos);
  }
}

TEST(ProtocolWriters, ReplaceAnEarlierProtocolWhole) {
  ScratchFolder scratch;
  const std::string target = scratch.File("p.html");
  std::ofstream(PathFromNative(target), std::ios::binary) << std::string(1 << 21, 'x');
  WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
  const std::string text = ReadAll(PathFromNative(target));
  EXPECT_EQ(text.rfind("<html>", 0), 0u);
  EXPECT_EQ(text.find('x' + std::string(10, 'x')), std::string::npos);
  EXPECT_EQ(scratch.EntryCount(), 1u);
}

TEST(ProtocolWriters, TakeTargetNamesUpToTheLongestTheSystemAllows) {
  // The temporary file's name does not grow with the target's: 255 bytes is a legal name.
  for (const bool html : {true, false}) {
    ScratchFolder scratch;
    const std::string target = scratch.File(std::string(251, 'n') + (html ? ".htm" : ".xml"));
    for (int run = 0; run < 3; ++run) {
      html ? WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp)
           : WriteXmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
    }
    EXPECT_TRUE(fs::is_regular_file(PathFromNative(target)));
    EXPECT_EQ(scratch.EntryCount(), 1u);
  }
}

// The failure is one line of UTF-8 whatever the bytes of the name: a name that is not UTF-8
// (windows-1251 from a Windows archive on Linux) is shown converted, not left to spoil the words
// after it.
TEST(ProtocolWriters, FailureNamesTheFileInUtf8) {
  ScratchFolder scratch;
  struct Case {
    std::string folder;       // missing; as given (platform bytes)
    std::string folderShown;  // UTF-8
  };
  std::vector<Case> cases = {{"Нет такой папки", "Нет такой папки"}};
#ifndef _WIN32
  cases.push_back({"\xCD\xE5\xF2", "Нет"});
#endif
  for (const Case& c : cases) {
    for (const bool html : {true, false}) {
      SCOPED_TRACE(c.folderShown + (html ? " html" : " xml"));
      const std::string base = NativeFromPath(scratch.Path()) + "/";
      const std::string target = base + c.folder + "/протокол.html";
      try {
        html ? WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp)
             : WriteXmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
        ADD_FAILURE() << "written into a missing folder";
      } catch (const EProtocolWriteError& failure) {
        const std::string text = failure.what();
        EXPECT_EQ(text.rfind(base + c.folderShown + "/протокол.html: ", 0), 0u) << text;
        EXPECT_TRUE(IsUtf8(text)) << text;
      }
    }
  }
}

TEST(ProtocolWriters, FailureNamesTheFileAndTheSystemsReason) {
  ScratchFolder scratch;
  const std::string target = scratch.File(std::string(300, 'n') + ".html");
  try {
    WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
    FAIL() << "a name longer than the system allows was written";
  } catch (const EProtocolWriteError& failure) {
    const std::string text = failure.what();
    EXPECT_EQ(text.rfind(target + ": ", 0), 0u) << text;
#ifdef _WIN32
    // Windows (and Wine) name the fault in words of their own; there is one.
    EXPECT_GT(text.size(), target.size() + 2) << text;
#else
    EXPECT_NE(text.find(std::make_error_code(std::errc::filename_too_long).message()), std::string::npos)
        << text;
#endif
  }
  EXPECT_EQ(scratch.EntryCount(), 0u);
}

#ifndef _WIN32
TEST(ProtocolWriters, RefuseWhatIsNotARegularFileAndFollowLinks) {
  for (const bool html : {true, false}) {
    const auto write = [html](const std::string& target) {
      html ? WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp)
           : WriteXmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
    };
    ScratchFolder scratch;
    const std::string fifo = scratch.File("pipe.out");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(write(fifo), EProtocolWriteError);
    EXPECT_TRUE(fs::is_fifo(PathFromNative(fifo)));
    EXPECT_THROW(write("/dev/null"), EProtocolWriteError);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A link to a file and a link to a file not there yet: the file behind is written, the link
    // stays a link.
    fs::create_directory(scratch.Path() / "real");
    std::ofstream(scratch.Path() / "real" / "old.out") << "earlier";
    fs::create_symlink("real/old.out", scratch.Path() / "link.out");
    fs::create_symlink(scratch.Path() / "real" / "new.out", scratch.Path() / "dangling.out");
    for (const char* link : {"link.out", "dangling.out"}) {
      SCOPED_TRACE(link);
      write(scratch.File(link));
      EXPECT_TRUE(fs::is_symlink(scratch.Path() / link));
      EXPECT_EQ(ReadAll(scratch.Path() / link).rfind(html ? "<html>" : "<?xml", 0), 0u);
    }
    EXPECT_EQ(scratch.EntryCount(), 4u);
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(scratch.Path() / "real"), {})), 2u);
  }
}

bool gLinkOwnedByUser = false;
bool LinkRuleForTest(const fs::path&) { return gLinkOwnedByUser; }

// A shared TEMP (mode 1777) with a link that points at a file of the user's closed to others: the
// link is followed only when the platform's rule vouches for its owner, and then the file keeps
// its mode; otherwise nothing at all changes and the message names the link.
TEST(ProtocolWriters, FollowLinksInSharedFoldersOnlyByTheKernelsRule) {
  ScratchFolder scratch;
  const fs::path shared = scratch.Path() / "shared";
  const fs::path victim = scratch.Path() / "secret.txt";
  fs::create_directory(shared);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  std::ofstream(victim) << "secret";
  fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(victim, shared / "087-001-012345.html");
  const std::string link = NativeFromPath(shared / "087-001-012345.html");

  struct Case {
    const char* name;
    TLinkOwnerRule rule;
    bool owned;
  };
  for (const Case& c : {Case{"no rule installed", nullptr, false},
                        Case{"someone else's link", LinkRuleForTest, false}}) {
    SCOPED_TRACE(c.name);
    SetLinkOwnerRule(c.rule);
    gLinkOwnedByUser = c.owned;
    try {
      WriteHtmlProtocol(EmptyReport(TProtForm::Compact), link, kFixedStamp);
      ADD_FAILURE() << "written through a planted link";
    } catch (const EProtocolWriteError& refused) {
      EXPECT_NE(std::string(refused.what()).find("ссылка " + link), std::string::npos) << refused.what();
    }
    EXPECT_NE(ProtocolTargetConflict(link, {}, {}).find(link), std::string::npos);
    EXPECT_EQ(ReadAll(victim), "secret");
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(shared), {})), 1u);
  }

  SetLinkOwnerRule(LinkRuleForTest);
  gLinkOwnedByUser = true;
  EXPECT_EQ(ProtocolTargetConflict(link, {}, {}), "");
  WriteHtmlProtocol(EmptyReport(TProtForm::Compact), link, kFixedStamp);
  EXPECT_TRUE(fs::is_symlink(shared / "087-001-012345.html"));
  EXPECT_EQ(ReadAll(victim).rfind("<html>", 0), 0u);
  EXPECT_EQ(fs::status(victim).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  SetLinkOwnerRule(nullptr);
}

// Until it is finished a protocol is the user's alone whatever the umask: another user polling a
// shared folder finds nothing to read. Finished, it gets the umask's mode; a read-only protocol
// is refused by name.
TEST(ProtocolFile, NobodyElseMayOpenItUntilItIsFinished) {
  ScratchFolder scratch;
  const mode_t saved = umask(022);
  const fs::path target = scratch.Path() / "p.json";
  {
    TProtocolFile file(NativeFromPath(target));
    for (int line = 0; line < 40000; ++line) {
      file.Line("{\"snils\": \"112-233-445 95\", \"debt\": 1500.00}");
    }
    for (const auto& entry : fs::directory_iterator(scratch.Path())) {
      EXPECT_EQ(entry.status().permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none)
          << entry.path();
    }
    file.Commit();
  }
  umask(saved);
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);

  fs::permissions(target, fs::perms::owner_read);
  try {
    TProtocolFile refused(NativeFromPath(target));
    ADD_FAILURE() << "a read-only protocol was opened for replacing";
  } catch (const EProtocolWriteError& failure) {
    EXPECT_EQ(std::string(failure.what()), NativeFromPath(target) + ": файл только для чтения, его нельзя заменить");
  }
  EXPECT_EQ(scratch.EntryCount(), 1u);
}

// A protocol of many parts reaches the file whole and in order, however its lines and raw
// pieces of every length fall on the parts handed to the writing thread.
TEST(ProtocolFile, ManyPartsArriveWholeAndInOrder) {
  ScratchFolder scratch;
  const fs::path target = scratch.Path() / "p.html";
  std::mt19937 random(20261209);
  std::string expected;
  {
    TProtocolFile file(NativeFromPath(target));
    for (int piece = 0; expected.size() < (std::size_t{9} << 20); ++piece) {
      std::string text = std::to_string(piece) + ":";
      text.append(random() % 3 == 0 ? random() % 300000 : random() % 200, static_cast<char>('a' + piece % 26));
      if (piece % 2 == 0) {
        file.Line(text);
        expected += text + "\r\n";
      } else {
        file.Write(text);
        expected += text;
      }
    }
    file.Commit();
  }
  const std::string written = ReadAll(target);
  ASSERT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected) << "the parts came out of order";
}

// The rule for planted links holds for every link of the path, not only the last: another user's
// link to a folder in the middle of it (TEMP = shared/alice-tmp) is refused as one at the end.
TEST(ProtocolWriters, FollowLinksAnywhereOnThePathOnlyByTheKernelsRule) {
  ScratchFolder scratch;
  const fs::path shared = scratch.Path() / "shared";
  const fs::path victim = scratch.Path() / "victim";
  fs::create_directories(shared);
  fs::create_directories(victim);
  fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
  fs::create_directory_symlink(victim, shared / "alice-tmp");
  const std::string target = NativeFromPath(shared / "alice-tmp" / "sub" / ".." / "p.html");
  fs::create_directories(victim / "sub");
  SetLinkOwnerRule(LinkRuleForTest);
  gLinkOwnedByUser = false;
  try {
    WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
    ADD_FAILURE() << "written through a planted link to a folder";
  } catch (const EProtocolWriteError& refused) {
    EXPECT_NE(std::string(refused.what()).find("ссылка " + NativeFromPath(shared / "alice-tmp") + " в общей папке"),
              std::string::npos)
        << refused.what();
  }
  EXPECT_NE(ProtocolTargetConflict(target, {}, {}), "");
  EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(victim), {})), 1u);

  gLinkOwnedByUser = true;
  WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
  EXPECT_EQ(ReadAll(victim / "p.html").rfind("<html>", 0), 0u);
  SetLinkOwnerRule(nullptr);
}

// A loop of links, or a chain longer than the kernel follows (40), is refused naming the link;
// nothing is written and every link stays a link. A chain the kernel follows is followed.
TEST(ProtocolWriters, RefuseLinkLoopsAndChainsPastTheLimit) {
  ScratchFolder scratch;
  const fs::path a = scratch.Path() / "a.html";
  const fs::path b = scratch.Path() / "b.html";
  fs::create_symlink("b.html", a);
  fs::create_symlink("a.html", b);
  const auto chain = [&scratch](int links, const std::string& name) {
    fs::path next = scratch.Path() / (name + "-end.html");
    for (int link = 0; link < links; ++link) {
      const fs::path here = scratch.Path() / (name + "-" + std::to_string(link) + ".html");
      fs::create_symlink(next.filename(), here);
      next = here;
    }
    return next;
  };
  const fs::path tooLong = chain(41, "long");
  const fs::path followed = chain(40, "ok");
  const std::size_t entries = scratch.EntryCount();
  for (const fs::path& start : {a, tooLong}) {
    SCOPED_TRACE(start.filename().string());
    try {
      WriteXmlProtocol(EmptyReport(TProtForm::Compact), NativeFromPath(start), kFixedStamp);
      ADD_FAILURE() << "written through a loop or an endless chain";
    } catch (const EProtocolWriteError& refused) {
      EXPECT_NE(std::string(refused.what()).find("ссылка " + NativeFromPath(scratch.Path())), std::string::npos)
          << refused.what();
      EXPECT_NE(std::string(refused.what()).find("по кругу"), std::string::npos) << refused.what();
    }
    EXPECT_EQ(scratch.EntryCount(), entries);
  }
  EXPECT_TRUE(fs::is_symlink(a) && fs::is_symlink(b));
  WriteXmlProtocol(EmptyReport(TProtForm::Compact), NativeFromPath(followed), kFixedStamp);
  EXPECT_TRUE(fs::is_regular_file(scratch.Path() / "ok-end.html"));
  EXPECT_EQ(scratch.EntryCount(), entries + 1);
}

// A folder the user may not search is no missing folder: the message says there is no access.
// Asked as another user (nobody) in a child, as root searches every folder.
TEST(ProtocolWriters, AFolderWithoutAccessIsToldSo) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "needs root to become another user";
  }
  ScratchFolder scratch;
  fs::permissions(scratch.Path(), fs::perms::owner_all | fs::perms::others_exec);
  fs::create_directories(scratch.Path() / "closed" / "inside");
  fs::permissions(scratch.Path() / "closed", fs::perms::owner_all);
  const std::string target = scratch.File("closed/inside/p.html");
  const std::string expected = target + ": нет доступа к папке (" +
                               std::make_error_code(std::errc::permission_denied).message() + ")";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
    try {
      WriteHtmlProtocol(EmptyReport(TProtForm::Compact), target, kFixedStamp);
      _exit(3);
    } catch (const EProtocolWriteError& failure) {
      _exit(failure.what() == expected ? 0 : 4);
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: no other user, 3: written, 4: another message than " << expected;
}

// A new protocol is no more open than the umask allows; a replaced one keeps the mode it had,
// whichever writer replaces it.
TEST(ProtocolWriters, NewFilesFollowTheUmaskReplacedFilesKeepTheirMode) {
  ScratchFolder scratch;
  const mode_t saved = umask(027);
  const fs::path fresh = scratch.Path() / "new.html";
  WriteHtmlProtocol(EmptyReport(TProtForm::Compact), NativeFromPath(fresh), kFixedStamp);
  umask(saved);
  EXPECT_EQ(fs::status(fresh).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                               fs::perms::owner_all | fs::perms::others_read}) {
    fs::permissions(fresh, mode);
    WriteXmlProtocol(EmptyReport(TProtForm::Compact), NativeFromPath(fresh), kFixedStamp);
    EXPECT_EQ(fs::status(fresh).permissions(), mode);
  }
}
#endif

// The estimate that warns of a page too large for a browser is within a fifth of the page
// written for a few persons and within a twentieth for thousands, in both layouts.
TEST(EstimateHtmlProtocolBytes, IsWithinAFifthOfThePageWritten) {
  ScratchFolder folder;
  struct Case {
    const char* name;
    TReport report;
  };
  const Case cases[] = {
      {"full compact", FullReport(TProtForm::Compact)},
      {"full detailed", FullReport(TProtForm::Detailed)},
      {"empty", EmptyReport(TProtForm::Compact)},
      {"3000 x 12 compact", testing::ManyPersonsReport(TProtForm::Compact, 3000, 12)},
      {"3000 x 12 detailed", testing::ManyPersonsReport(TProtForm::Detailed, 3000, 12)},
      {"150 x 40 compact", testing::ManyPersonsReport(TProtForm::Compact, 150, 40)},
  };
  for (const Case& c : cases) {
    WriteHtmlProtocol(c.report, folder.File("p.html"), kFixedStamp);
    const double written = static_cast<double>(fs::file_size(folder.Path() / "p.html"));
    const double estimate = static_cast<double>(EstimateHtmlProtocolBytes(c.report));
    // The fixed parts weigh on a small page, the persons' rows on a large one.
    const double within = written > 1e6 ? 0.05 : 0.2;
    EXPECT_GT(estimate, written * (1 - within)) << c.name << ": " << written;
    EXPECT_LT(estimate, written * (1 + within)) << c.name << ": " << written;
  }
}

}  // namespace
}  // namespace brisolt
