#include "base/encoding.h"

#include <gtest/gtest.h>

namespace brisolt {
namespace {

TEST(Cp1251, RoundTripsEveryByte) {
  std::string all;
  for (int byte = 1; byte < 256; ++byte) {
    all += static_cast<char>(byte);
  }
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
  EXPECT_EQ(Utf16ToCp1251(Cp1251ToUtf16(all)), all);
}

TEST(Cp1251, KnownCharacters) {
  struct Case {
    unsigned char byte;
    char32_t code;
  };
  const Case cases[] = {{0xC0, U'А'}, {0xFF, U'я'}, {0xA8, U'Ё'}, {0xB8, U'ё'}, {0xB9, U'№'},
                        {0x88, U'€'}, {0x96, U'–'}, {0xAB, U'«'}, {0xA5, U'Ґ'}, {'A', U'A'}};
  for (const auto& testCase : cases) {
    EXPECT_EQ(Cp1251ToUnicode(testCase.byte), testCase.code);
    EXPECT_EQ(UnicodeToCp1251(testCase.code), testCase.byte);
  }
  EXPECT_EQ(UnicodeToCp1251(U'ü'), -1);
}

TEST(Cp1251, UnrepresentableAndMalformedBecomeReplacement) {
  EXPECT_EQ(Utf8ToCp1251("a\xC3\xBC" "b"), "a?b");           // ü
  EXPECT_EQ(Utf8ToCp1251("\xF0\x9F\x98\x80"), "?");          // emoji, one character
  EXPECT_EQ(Utf8ToCp1251("\xFF" "x"), "?x");                 // not UTF-8 at all
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?");                      // cut sequence
  EXPECT_EQ(Utf16ToCp1251(u"\U0001F600z"), "?z");            // surrogate pair, one character
}

TEST(Cp1251, CaseMapping) {
  EXPECT_EQ(Cp1251ToUtf8(Cp1251UpperCase(Utf8ToCp1251("абвгдеёжзийклмнопрстуфхцчшщъыьэюя abc ґ і ў"))),
            "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ ABC Ґ І Ў");
  EXPECT_EQ(Cp1251UpperCase(Utf8ToCp1251("pfr-700-ё")), Utf8ToCp1251("PFR-700-Ё"));
}

TEST(FileNames, EachPartReadsAsUtf8ElseAsWindows1251) {
  struct Case {
    const char* name;         // the platform's bytes
    std::string cp1251;       // as a protocol holds it, shown here in UTF-8
    const char* utf8;         // as the window shows it
  };
  const Case cases[] = {
      {"/home/user/PFR.XML", "/home/user/PFR.XML", "/home/user/PFR.XML"},
      {"/tmp/Отчёты/a-копия.XML", "/tmp/Отчёты/a-копия.XML", "/tmp/Отчёты/a-копия.XML"},
      // A folder from a Windows archive ("Архив") inside a folder named in UTF-8.
      {"/tmp/Отчёты/\xC0\xF0\xF5\xE8\xE2/a.XML", "/tmp/Отчёты/Архив/a.XML",
       "/tmp/Отчёты/Архив/a.XML"},
      // A character the code page lacks.
      {"/tmp/\xE2\x98\xBA.XML", "/tmp/?.XML", "/tmp/\xE2\x98\xBA.XML"},
      {"", "", ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    EXPECT_EQ(Cp1251ToUtf8(NameToCp1251(test.name)), test.cp1251);
    EXPECT_EQ(NameToUtf8(test.name), test.utf8);
  }
  // A backslash separates the parts only on Windows; elsewhere it is a character of the part.
  const std::string windowsName = "C:\\Сверка\\\xC0\xF0\xF5\xE8\xE2";
  if (std::filesystem::path::preferred_separator == '\\') {
    EXPECT_EQ(NameToUtf8(windowsName), "C:\\Сверка\\Архив");
  } else {
    EXPECT_EQ(NameToUtf8(windowsName), Cp1251ToUtf8(windowsName));
  }
  // A windows-1251 name keeps its bytes in the protocol, undefined 0x98 included.
  EXPECT_EQ(NameToCp1251("\xC0\x98/x"), "\xC0\x98/x");
}

}  // namespace
}  // namespace brisolt

namespace brisolt {
namespace {

TEST(EscapeControls, LeavesNothingATerminalWouldActOn) {
  const struct {
    std::string raw;
    std::string shown;
  } cases[] = {
      {"Пачка PFR-700.xml", "Пачка PFR-700.xml"},
      {"a\x1b[2J\x1b]0;title\x07z", "a\\e[2J\\e]0;title\\x07z"},
      {"fake\r\nНе удалось", "fake\\r\\nНе удалось"},
      {"tab\tdel\x7f", "tab\\tdel\\x7F"},
      {"csi\xc2\x9b" "31m \xc2\xa0nbsp", "csi\\u009B31m \xc2\xa0nbsp"},
      {std::string("nul\0end", 7), "nul\\x00end"},
      {"C:\\Temp\\x.html", "C:\\Temp\\x.html"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeControls(c.raw), c.shown);
  }
}

// The bytes no protocol carries: the C0 controls but tab, LF and CR, DEL, and every byte the code
// page leaves unassigned (those decode to a C1 control here, to survive a round trip).
TEST(Unwritable, ControlsAndTheUnassignedByte) {
  for (int byte = 0; byte < 256; ++byte) {
    const char32_t code = Cp1251ToUnicode(static_cast<unsigned char>(byte));
    const bool control = (code < 0x20 && code != U'\t' && code != U'\n' && code != U'\r') ||
                         (code >= 0x7F && code <= 0x9F);
    EXPECT_EQ(IsUnwritableCp1251(static_cast<unsigned char>(byte)), control) << byte;
  }
  EXPECT_EQ(CleanCp1251Text(std::string("\0a\x98\t\xC0\x1b", 6)), "?a?\t\xC0?");
}

// Texts of every length up to three words, clean or with one byte of any value at any place: the
// words looked at whole must find what the byte-wise rule finds, next to bytes that only come
// close to an unwritable one.
TEST(Unwritable, EveryByteAtEveryPlace) {
  const std::string neighbours = " !~\x80\x97\x99\xFF\xC0\x1F\x20\x7E";
  for (std::size_t length = 0; length <= 24; ++length) {
    std::string clean;
    for (std::size_t at = 0; at < length; ++at) clean += neighbours[(at * 5 + length) % neighbours.size()];
    for (char& byte : clean) {
      if (IsUnwritableCp1251(static_cast<unsigned char>(byte))) byte = 'b';
    }
    EXPECT_EQ(CleanCp1251Text(clean), clean) << length;
    for (std::size_t at = 0; at < length; ++at) {
      for (int value = 0; value < 256; ++value) {
        std::string text = clean;
        text[at] = static_cast<char>(value);
        std::string expected = text;
        if (IsUnwritableCp1251(static_cast<unsigned char>(value))) expected[at] = '?';
        ASSERT_EQ(CleanCp1251Text(text), expected) << length << " " << at << " " << value;
      }
    }
  }
}

}  // namespace
}  // namespace brisolt
