// The protocol model and its formatting helpers.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "base/encoding.h"
#include "protocol/prot.h"
#include "protocol/protescape.h"

namespace brisolt {
namespace {

TEST(HtmlAmount, WrapsTheSumInNonBreakingSpaces) {
  EXPECT_EQ(HtmlAmount(-12345000), "&nbsp;-1234.50&nbsp;");
  EXPECT_EQ(HtmlAmount(-49), "&nbsp;0.00&nbsp;");
}

TEST(FormatSNILS, PlacesSeparatorsAndCopesWithOddLengths) {
  const std::pair<const char*, const char*> cases[] = {
      {"12345678901", "123-456-789 01"},
      {"", "-- "},
      {"1234", "123-4- "},
      {"123456789", "123-456-789 "},
      {"1234567890123", "123-456-789 01"},
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(FormatSNILS(input), expected) << input;
  }
}

TEST(HtmlText, TurnsBlanksIntoNbspAndWrapsTheText) {
  const std::pair<const char*, const char*> cases[] = {
      {"Ivanov Ivan", "&nbsp;Ivanov&nbsp;Ivan&nbsp;"},
      {"", "&nbsp;&nbsp;"},
      {"   ", "&nbsp;&nbsp;"},
      {"  a  b ", "&nbsp;a&nbsp;&nbsp;b&nbsp;"},
      {"<b>&", "&nbsp;<b>&&nbsp;"},  // escaping is the writer's business, done before
  };
  for (const auto& [input, expected] : cases) {
    EXPECT_EQ(HtmlText(input), expected) << input;
  }
}

// The page's text put together at once against the two steps it stands for, on random texts of
// blanks, markup characters, letters and bytes no protocol carries, blanks at either end and in
// runs most of all.
TEST(AppendPageText, SameAsEscapingThenWrapping) {
  const std::string alphabet = std::string("  a&<>\"'?\xc8\xe2") + '\x98' + '\x01';
  std::mt19937 random(31);
  for (int count = 0; count < 5000; ++count) {
    std::string text;
    const auto length = static_cast<std::size_t>(random() % 12);
    for (std::size_t at = 0; at < length; ++at) {
      text += alphabet[random() % alphabet.size()];
    }
    std::string appended = "<td>";
    AppendPageText(appended, text);
    ASSERT_EQ(appended, "<td>" + HtmlText(EscapeMarkup(text, true))) << text;
  }
}

TEST(EscapeMarkup, EscapesTheMarkupCharacters) {
  EXPECT_EQ(EscapeMarkup("a&b<c>d\"e'", true), "a&amp;b&lt;c&gt;d&quot;e'");
  EXPECT_EQ(EscapeMarkup("a&b<c>d\"e'", false), "a&amp;b&lt;c&gt;d\"e'");
  EXPECT_EQ(EscapeMarkup("\xc8\xe2\xe0\xed", true), "\xc8\xe2\xe0\xed");
}

// The bytes no protocol carries (base/encoding.h): XML's forbidden controls, DEL, and 0x98.
TEST(EscapeMarkup, ReplacesTheBytesNoProtocolCarries) {
  struct Case {
    std::string text, expected;
  };
  const Case cases[] = {
      {std::string("a\x01" "b\x1b" "c\x7f" "d", 7), "a?b?c?d"},
      {"\xC0\x98\xC1", "\xC0?\xC1"},
      {std::string("\0x\x1f", 3), "?x?"},
      {"tab\tline\ncr\r", "tab\tline\ncr\r"},
      {"\x08<\x0b>\x0c", "?&lt;?&gt;?"},
  };
  for (const Case& c : cases) {
    for (const bool withQuote : {true, false}) {
      EXPECT_EQ(EscapeMarkup(c.text, withQuote), c.expected);
    }
  }
}

// The UTF-8 forms of the markup rules are the windows-1251 forms converted, byte for byte; JSON
// escapes what it must and marks what no protocol carries as every other format does.
TEST(TextBoundary, EveryFormatTakesEachByteByTheSameRule) {
  for (int byte = 0; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    const std::string one(1, static_cast<char>(byte));
    for (const bool quote : {false, true}) {
      std::string page;
      std::string xlsx;
      AppendMarkup(page, one, quote ? kPageAttribute : kPageText);
      AppendMarkup(xlsx, one, quote ? kXlsxAttribute : kXlsxText);
      EXPECT_EQ(xlsx, Cp1251ToUtf8(page));
      EXPECT_EQ(page == "?" && byte != '?', IsUnwritableCp1251(static_cast<unsigned char>(byte)));
    }
    std::string json;
    AppendJsonString(json, one);
    const std::string expected = IsUnwritableCp1251(static_cast<unsigned char>(byte)) ? std::string("?")
                                 : byte == '"'                                         ? "\\\""
                                 : byte == '\\'                                        ? "\\\\"
                                 : byte == '\t'                                        ? "\\u0009"
                                 : byte == '\n'                                        ? "\\u000a"
                                 : byte == '\r'                                        ? "\\u000d"
                                                                                       : Cp1251ToUtf8(one);
    EXPECT_EQ(json, expected);
  }
  std::string markup;
  AppendMarkup(markup, "a&b<c>\"d\"", kPageAttribute);
  EXPECT_EQ(markup, "a&amp;b&lt;c&gt;&quot;d&quot;");
}

TEST(DismissalText, NamesTheAbsenceTheWritersFormOfAtWorkOrTheDate) {
  const struct {
    TDismissal dismissal;
    const char* expected;  // UTF-8
  } cases[] = {
      {TDismissal::NoWork(), "Отсутствует"},
      {TDismissal::AtWork(), "-"},
      {TDismissal::Left("15.05.2010"), "15.05.2010"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DismissalText(c.dismissal, "-"), Utf8ToCp1251(c.expected)) << c.expected;
  }
}

TEST(CurrentProtocolStamp, IsDayMonthYearAndTime) {
  const std::string stamp = CurrentProtocolStamp();
  ASSERT_EQ(stamp.size(), 19u) << stamp;
  for (std::size_t pos = 0; pos < stamp.size(); ++pos) {
    const char expected = pos == 2 || pos == 5 ? '.' : pos == 10 ? ' ' : pos == 13 || pos == 16 ? ':' : '9';
    if (expected == '9') {
      EXPECT_TRUE(stamp[pos] >= '0' && stamp[pos] <= '9') << stamp;
    } else {
      EXPECT_EQ(stamp[pos], expected) << stamp;
    }
  }
}

TEST(TReport, AddOperationsFillTheModelInOrder) {
  TReport report;
  report.ProtForm = TProtForm::Detailed;
  report.AddFile("f1");
  report.AddPeriod("p1");
  report.AddError("e1");
  const std::size_t line = report.AddMainLine(TLineMark::DismissalDebt, "A B C", "12345678901",
                                              TDismissal::Left("31.03.2011"));
  report.AddLinePeriod(line, {"1, 2", 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  report.AddLineNote(line, "n1");
  report.AddLineNote(line, "n2");
  TTotalRec total;
  total.Values[TTotalRec::FundAllSaldo] = 18;
  report.AddTotal(total);
  report.AddForgottenLine("12345678901", "Name", 300, -400);
  report.SetSZV63Year(2012);
  const std::size_t block = report.AddSZV63Block("Name", "12345678901");
  report.AddSZV63Line(block, "НР", {30000, 0, -5, 7}, {30300, 0, 5, 7},
                      {true, false, false, true});

  ASSERT_EQ(report.MainLines.size(), 1u);
  const TMainLine& main = report.MainLines[0];
  EXPECT_EQ(main.Mark, TLineMark::DismissalDebt);
  EXPECT_EQ(main.FIO, "A B C");
  EXPECT_EQ(main.SNILS, "12345678901");
  EXPECT_EQ(main.Dismissal, TDismissal::Left("31.03.2011"));
  ASSERT_EQ(main.Periods.size(), 1u);
  const TPeriodRec& period = main.Periods[0];
  EXPECT_EQ(period.FileNums, "1, 2");
  EXPECT_EQ(period.InsAccrued, 1);
  EXPECT_EQ(period.InsPaid, 2);
  EXPECT_EQ(period.InsAccruedTotal, 3);
  EXPECT_EQ(period.InsPaidTotal, 4);
  EXPECT_EQ(period.InsSaldo, 5);
  EXPECT_EQ(period.FundAccrued, 6);
  EXPECT_EQ(period.FundPaid, 7);
  EXPECT_EQ(period.FundAccruedTotal, 8);
  EXPECT_EQ(period.FundPaidTotal, 9);
  EXPECT_EQ(period.FundSaldo, 10);
  EXPECT_EQ(main.Notes, (std::vector<std::string>{"n1", "n2"}));
  EXPECT_EQ(report.PeriodTotals.at(0).Values[17], 18);

  // The number comes first in the call but the record keeps the name first.
  ASSERT_EQ(report.ForgottenLines.size(), 1u);
  EXPECT_EQ(report.ForgottenLines[0].FIO, "Name");
  EXPECT_EQ(report.ForgottenLines[0].SNILS, "12345678901");
  EXPECT_EQ(report.ForgottenLines[0].InsDebt, 300);
  EXPECT_EQ(report.ForgottenLines[0].FundDebt, -400);

  const TSZV63SverkaLine& sverka = report.SZV63Blocks.at(0).Lines.at(0);
  EXPECT_EQ(sverka.CategoryCode, "НР");
  EXPECT_EQ(sverka.Quarters[0].Difference, -300);  // 3.00 - 3.03
  EXPECT_EQ(sverka.Quarters[2].Difference, -10);
  EXPECT_TRUE(sverka.Quarters[0].Mismatch);
  EXPECT_FALSE(sverka.Quarters[1].Mismatch);
  EXPECT_TRUE(sverka.Quarters[3].Mismatch);

  report.Clear();
  EXPECT_EQ(report.ProtForm, TProtForm::Detailed);
  EXPECT_TRUE(report.FileList.empty() && report.PeriodList.empty() && report.ErrorList.empty());
  EXPECT_TRUE(report.MainLines.empty() && report.PeriodTotals.empty());
  EXPECT_TRUE(report.ForgottenLines.empty() && report.SZV63Blocks.empty());
  EXPECT_EQ(report.SZV63Year, 0);
}

}  // namespace
}  // namespace brisolt
