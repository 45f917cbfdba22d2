// The rules that turn an element's text into a value decide which amounts reach the reconciliation.
#include <gtest/gtest.h>

#include <ctime>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "forms/szv6.h"
#include "base/encoding.h"

namespace brisolt {
namespace {

TEST(ReadAmount, Values) {
  struct Case {
    const char* text;
    TAmount amount;
  };
  const Case cases[] = {
      {"1234.56", 12345600},
      {"1234.5", 12345000},
      {"1234.56789", 12345679},    // rounded to the nearest ten-thousandth
      {"0.00004", 0},
      {"0.00006", 1},
      {"-15.00", -150000},
      {"+3", 30000},
      {"1500.50", 15005000},
      {"1500", 15000000},
      {"0", 0},
      {"", 0},
      {".5", 5000},
      {"5.", 50000},
      {"1e3", 10000000},
      {"1.5E-2", 150},
      {"-2e+1", -200000},
      // Blanks around the number and a comma before the fraction are read as meant.
      {"7.25 ", 72500},
      {" 7.25", 72500},
      {"\t7.25\r\n", 72500},
      {"12,50", 125000},
      {"-0,01", -100},
      {"   ", 0},
      // Anything else malformed: the digits before the fault, as whole roubles.
      {"12.50 x", 12500000},
      {"1 000.00", 10000},
      {"12,50,1", 12500000},
      {"1,234.56", 12340000},
      {"-15.00x", 15000000},
      {"12-", 120000},
      {"1e", 10000},
      {"1e5x", 150000},
      {"+-5", 0},
      {"abc", 0},
      {".", 0},
      {"-", 0},
      {"1.2.3", 120000},
      {"NaN", 0},
      {"0x10", 0},
      // Out of all reason: held at the limit instead of overflowing.
      {"1e300", 1'000'000'000'000'000},
      {"-1e300", -1'000'000'000'000'000},
      {"99999999999999999999999", 1'000'000'000'000'000},
      {"99999999999999999999999x", 1'000'000'000'000'000},
      {"1e-300", 0},
      {"0.000000000000000000000000000000000000000000000000000000000000000001", 0},
      {"1e99999999999999999999", 1'000'000'000'000'000},
  };
  for (const Case& testCase : cases) {
    EXPECT_EQ(ReadAmount(testCase.text), testCase.amount) << '"' << testCase.text << '"';
  }
}

// Plain amounts are counted exactly; the same text with an exponent goes the general way through
// the nearest double. Both must agree on every amount a pack can hold in that form.
TEST(ReadAmount, PlainAmountsMatchTheGeneralWay) {
  std::mt19937_64 random(12);
  const char* const edges[] = {"9999999999.9999", "-9999999999.9999", "0.00005", "0.00015", "0000012.3400",
                               "1234567890.1235", "0.0001", "-0.0000", "8.5", "4503599627.3705"};
  std::vector<std::string> texts(std::begin(edges), std::end(edges));
  for (int index = 0; index < 20000; ++index) {
    const int wholeDigits = static_cast<int>(random() % 11);
    const int fractionDigits = static_cast<int>(random() % 5);
    std::string text = random() % 4 == 0 ? "-" : "";
    for (int digit = 0; digit < wholeDigits; ++digit) text += static_cast<char>('0' + random() % 10);
    if (fractionDigits > 0 || wholeDigits == 0) text += random() % 2 == 0 ? '.' : ',';
    for (int digit = 0; digit < fractionDigits; ++digit) text += static_cast<char>('0' + random() % 10);
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    ASSERT_EQ(ReadAmount(text), ReadAmount(text + "e0")) << '"' << text << '"';
  }
}

TEST(ReadInteger, Values) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"2010", 2010},   {"  2010", 2010}, {"2010 ", 2010},  {"-5", -5},
      {"-5 ", 5},       {"+7", 7},        {"3-й", 3},       {"", 0},
      {" ", 0},         {"-", 0},         {"x1", 0},        {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},   {"99999999999", 999999999},
      {"\t5", 0},       {"007", 7},
  };
  for (const Case& testCase : cases) {
    EXPECT_EQ(ReadInteger(testCase.text), testCase.value) << '"' << testCase.text << '"';
  }
}

TEST(ReadDate, Values) {
  struct Case {
    const char* text;
    int year, month, day;
  };
  const Case cases[] = {
      {"01.02.2010", 2010, 2, 1},   {" 01.02.2010 ", 2010, 2, 1}, {"1.2.2010", 2010, 2, 1},
      {"01 . 02 . 2010", 2010, 2, 1}, {"01.02.2010.", 2010, 2, 1}, {"\t01.02.2010\r\n", 2010, 2, 1},
      {"29.02.2012", 2012, 2, 29},  {"31.12.9999", 9999, 12, 31}, {"1.1.1", 2001, 1, 1},
      {"01.01.10", 2010, 1, 1},     {"01.01.49", 2049, 1, 1},     {"01.01.50", 1950, 1, 1},
      {"01.01.99", 1999, 1, 1},     {"01.01.100", 100, 1, 1},     {"30.12.1899", 1899, 12, 30},
  };
  for (const Case& testCase : cases) {
    EXPECT_EQ(ReadDate(testCase.text), EncodeDate(testCase.year, testCase.month, testCase.day))
        << testCase.text;
  }
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(2010, 2, 1), 40210);

  const std::time_t now = std::time(nullptr);
  const int thisYear = std::localtime(&now)->tm_year + 1900;
  EXPECT_EQ(ReadDate("15.06"), EncodeDate(thisYear, 6, 15));
}

// "DD.MM.YYYY" is read at once; with a blank before it the same text goes the general way. Both
// must give the same date or both refuse it, over valid and impossible dates alike.
TEST(ReadDate, PlainDatesMatchTheGeneralWay) {
  std::mt19937 random(20261209);
  const auto two = [](int value) { return std::string(1, static_cast<char>('0' + value / 10)) + static_cast<char>('0' + value % 10); };
  for (int index = 0; index < 20000; ++index) {
    const int year = index % 50 == 0 ? static_cast<int>(random() % 3) : 1890 + static_cast<int>(random() % 250);
    std::string text = two(static_cast<int>(random() % 33)) + "." + two(static_cast<int>(random() % 14)) + "." +
                       two(year / 100) + two(year % 100);
    if (index % 97 == 0) text[static_cast<std::size_t>(random() % 10)] = "x/ 5."[random() % 5];
    TDate plain = -1;
    TDate general = -1;
    bool plainRefused = false;
    bool generalRefused = false;
    try {
      plain = ReadDate(text);
    } catch (const EConvertError&) {
      plainRefused = true;
    }
    try {
      general = ReadDate(" " + text);
    } catch (const EConvertError&) {
      generalRefused = true;
    }
    ASSERT_EQ(plainRefused, generalRefused) << text;
    ASSERT_EQ(plain, general) << text;
  }
}

TEST(ReadDate, InvalidTextsRaiseTheConversionError) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"31.02.2010", "''31.02.2010'' is not a valid date"},
      {" 2010-02-01 ", "''2010-02-01'' is not a valid date"},
      {"", "'''' is not a valid date"},
      {"   ", "'''' is not a valid date"},
      {"29.02.2011", "''29.02.2011'' is not a valid date"},
      {"01.13.2010", "''01.13.2010'' is not a valid date"},
      {"00.01.2010", "''00.01.2010'' is not a valid date"},
      {"01.02.", "''01.02.'' is not a valid date"},
      {"01.02.2010..", "''01.02.2010..'' is not a valid date"},
      {"001.02.2010", "''001.02.2010'' is not a valid date"},
      {"01.02.20100", "''01.02.20100'' is not a valid date"},
      {"01.02.0000", "''01.02.0000'' is not a valid date"},
      {"01.02.2010x", "''01.02.2010x'' is not a valid date"},
      {"01", "''01'' is not a valid date"},
      {"-1.02.2010", "''-1.02.2010'' is not a valid date"},
  };
  for (const Case& testCase : cases) {
    try {
      ReadDate(testCase.text);
      ADD_FAILURE() << "no error for \"" << testCase.text << '"';
    } catch (const EConvertError& error) {
      EXPECT_STREQ(error.what(), testCase.message);
    }
  }
}

TEST(ReadText, DecodesReferencesAndCuts) {
  struct Case {
    std::string text;
    std::size_t capacity;
    std::string value;  // UTF-8 here, windows-1251 in the model
  };
  const Case cases[] = {
      {"ООО &quot;Ромашка&quot;", 200, "ООО \"Ромашка\""},
      {"a&amp;b&lt;c&gt;d&apos;e", 200, "a&b<c>d'e"},
      {"&amp;amp;", 200, "&amp;"},
      {"&#1071;&#x44F;&#x44f;", 200, "Яяя"},
      {"&#8470; 5", 200, "№ 5"},
      {"&#x4E2D;", 200, "?"},       // not in windows-1251
      {"&#0;", 200, "?"},
      {"a&#1;b&#31;c&#127;", 200, "a?b?c?"},  // control characters, as the NUL above
      {"&#152;", 200, "?"},                   // unassigned in windows-1251
      {"&#9;&#10;&#13;", 200, "\t\n\r"},
      {"&#xD800;", 200, "?"},
      {"&#99999999999999;", 200, "?"},
      {"R&D", 200, "R&D"},          // not a reference: stays as written
      {"&nbsp;", 200, "&nbsp;"},
      {"&#;&#x;&#12", 200, "&#;&#x;&#12"},
      {"&#X41;", 200, "&#X41;"},
      {"&", 200, "&"},
      {"  spaced  ", 200, "  spaced  "},  // never trimmed
      {"Константинопольский", 5, "Конст"},
      {"&quot;Рога&quot;", 5, "\"Рога"},  // cut after decoding
      {"abc", 0, ""},
  };
  for (const Case& testCase : cases) {
    EXPECT_EQ(Cp1251ToUtf8(ReadText(Utf8ToCp1251(testCase.text), testCase.capacity)), testCase.value)
        << testCase.text;
  }
  // Raw bytes of the pack, with and without a reference beside them, take the same rule.
  EXPECT_EQ(ReadText(std::string("\0=40+2\x98\x7f\x01", 9), 200), "?=40+2???");
  EXPECT_EQ(ReadText(std::string("\0&amp;\x98\t", 8), 200), "?&?\t");
}

}  // namespace
}  // namespace brisolt
