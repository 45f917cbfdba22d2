// The number of threads that read the packs changes nothing a run gives: every byte of every kind
// of protocol, the progress events, and a failure's message and status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/pipeline.h"
#include "packgen.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

namespace fs = std::filesystem;

const char* const kRegNumb = "087-001-012345";

// At least four, so that a two-core machine runs more workers than cores.
int ManyThreads() { return static_cast<int>(std::max(4u, std::thread::hardware_concurrency())); }

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The moment of writing is the one part of a protocol that differs between runs.
std::string WithoutStamp(const std::string& text) {
  static const std::regex stamp(R"(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d)");
  return std::regex_replace(text, stamp, "{stamp}");
}

struct TRun {
  TRunOutcome Outcome;
  std::vector<std::tuple<std::string, std::string, int, int>> Events;
  std::string Protocol;
};

class ThreadCount : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::random_device random;
    scratch_ = new fs::path(fs::temp_directory_path() / ("brisolt-threads-" + std::to_string(random())));
    packgen::TGenOptions options;
    options.Seed = 7;
    options.Persons = 600;  // persons are also assembled in runs of 256 on the workers
    options.Periods = 14;
    options.DocsPerPack = 20;  // many small packs, so that the workers overtake one another
    packgen::GenerateFolder(options, NativeFromPath(*scratch_ / "packs"));
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(*scratch_, ignored);
    delete scratch_;
    scratch_ = nullptr;
  }

  static TRun Run(const fs::path& folder, int threads, TProtForm form, TProtFormat format) {
    TRunRequest request;
    request.Path = NativeFromPath(folder);
    request.RegNumb = kRegNumb;
    request.OrgName = Utf8ToCp1251("ООО \"Ромашка\"");
    request.ProtForm = form;
    request.ProtFormat = format;
    const fs::path protocol = *scratch_ / (format == TProtFormat::Html ? "p.html" : "p.xml");
    request.ProtFileName = NativeFromPath(protocol);
    request.VersionText = "test";
    request.Threads = threads;
    TRun run;
    run.Outcome = RunProtocol(request, [&run](const std::string& stage, const std::string& detail, int position,
                                              int maximum) { run.Events.emplace_back(stage, detail, position, maximum); });
    if (fs::exists(protocol)) {
      run.Protocol = WithoutStamp(ReadAll(protocol));
      fs::remove(protocol);
    }
    return run;
  }

  static fs::path* scratch_;
};

fs::path* ThreadCount::scratch_ = nullptr;

TEST_F(ThreadCount, ChangesNoByteOfAnyProtocolNorAnyProgressEvent) {
  for (const TProtForm form : {TProtForm::Compact, TProtForm::Detailed}) {
    for (const TProtFormat format : {TProtFormat::Html, TProtFormat::ExcelXml}) {
      SCOPED_TRACE(std::string(form == TProtForm::Compact ? "compact" : "detailed") +
                   (format == TProtFormat::Html ? " HTML" : " spreadsheet"));
      const TRun one = Run(*scratch_ / "packs", 1, form, format);
      const TRun many = Run(*scratch_ / "packs", ManyThreads(), form, format);
      ASSERT_EQ(one.Outcome.Result, TRunResult::Written) << one.Outcome.Message;
      ASSERT_EQ(many.Outcome.Result, TRunResult::Written) << many.Outcome.Message;
      ASSERT_GT(one.Protocol.size(), 100000u);
      EXPECT_TRUE(one.Protocol == many.Protocol) << "the protocols differ";
      EXPECT_EQ(one.Events, many.Events);
    }
  }
}

TEST_F(ThreadCount, EndsAFailingRunWithTheFirstBadFileInOrder) {
  const fs::path folder = *scratch_ / "bad";
  fs::copy(*scratch_ / "packs", folder);
  // Two packs with a date no calendar has, among the others; the one found first is named.
  for (const int number : {450, 700}) {
    packgen::TGenSZV6Pack pack;
    pack.Year = 2011;
    pack.Quarter = 3;
    pack.CompileDate = "14.10.2011";
    packgen::TGenDoc doc;
    doc.SNILS = packgen::MakeSNILS(5);
    doc.LastName = "Иванов";
    doc.FirstName = "Иван";
    doc.MiddleName = "Иванович";
    doc.FillDate = number == 450 ? "31.02.2011" : "30.02.2011";
    pack.Docs.push_back(doc);
    packgen::WriteBytes(NativeFromPath(folder / packgen::PackFileName(kRegNumb, 2011, number)),
                        packgen::RenderSZV6Pack(pack));
  }
  const TRun one = Run(folder, 1, TProtForm::Compact, TProtFormat::Html);
  const TRun many = Run(folder, ManyThreads(), TProtForm::Compact, TProtFormat::Html);
  EXPECT_EQ(one.Outcome.Result, TRunResult::Failed);
  EXPECT_NE(one.Outcome.Message.find(packgen::PackFileName(kRegNumb, 2011, 450) + ": ''31.02.2011''"),
            std::string::npos)
      << one.Outcome.Message;
  EXPECT_EQ(many.Outcome.Result, one.Outcome.Result);
  EXPECT_EQ(many.Outcome.Message, one.Outcome.Message);
  EXPECT_EQ(many.Events, one.Events);
  EXPECT_TRUE(many.Protocol.empty());
}

}  // namespace
}  // namespace brisolt
