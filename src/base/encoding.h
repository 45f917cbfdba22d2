// windows-1251, the single-byte code page of the packs and of every protocol, and the bridge between
// it, UTF-16 (what the windows show), UTF-8 (what Linux passes on the command line and in file
// names) and std::filesystem paths.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace brisolt {

// The one rule for the bytes no protocol carries as they are, whatever its format: the C0 control
// characters but tab, LF and CR (XML forbids them, a spreadsheet drops NUL and runs what follows),
// DEL, and 0x98, which windows-1251 leaves unassigned (a strict reader refuses it). Each stands as
// kUnwritableMark: pack text is cleaned where it is read, and every writer applies the same rule
// to what reaches it from elsewhere (file names, parameters).
inline constexpr char kUnwritableMark = '?';
constexpr bool IsUnwritableCp1251(unsigned char byte) {
  return (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') || byte == 0x7F || byte == 0x98;
}
// The text with every IsUnwritableCp1251 byte replaced by kUnwritableMark.
std::string CleanCp1251Text(std::string_view text);

// The code point a windows-1251 byte stands for. Every byte maps to something; 0x98, which the
// code page leaves undefined, maps to U+0098 so that bytes survive a round trip.
char32_t Cp1251ToUnicode(unsigned char byte);

// The windows-1251 byte for a code point, or -1 when the code page cannot represent it.
int UnicodeToCp1251(char32_t codePoint);

// Decodes the UTF-8 sequence at `pos` into `code` and moves past it. A byte that does not begin a
// well-formed sequence (a stray continuation, an overlong lead 0xC0/0xC1, a lead above 0xF4, a
// truncated sequence) gives false and moves `pos` past that one byte, leaving `code` unset: each
// caller decides what such a byte stands for. The one UTF-8 decoder of the program.
bool NextUtf8(std::string_view text, std::size_t& pos, char32_t& code);

// True when the whole text is well-formed UTF-8 in the sense of NextUtf8.
bool IsUtf8(std::string_view text);

std::u16string Cp1251ToUtf16(std::string_view text);
std::string Cp1251ToUtf8(std::string_view text);

// Characters the code page cannot represent (and malformed input) become `replacement`.
std::string Utf16ToCp1251(std::u16string_view text, char replacement = '?');
std::string Utf8ToCp1251(std::string_view text, char replacement = '?');

// Unicode upper case of one windows-1251 character, within the code page
// (а..я, ё, ђ, ў, і, ґ, ... and ASCII).
unsigned char Cp1251ToUpper(unsigned char byte);
std::string Cp1251UpperCase(std::string_view text);

// -1, 0 or 1 as `a` orders before, with or after `b` when both are compared by the UTF-16 code
// units their windows-1251 characters stand for (the ordinal order of the platform's wide
// strings), a shorter text first when one is the start of the other.
int CompareCp1251ByUtf16(std::string_view a, std::string_view b);

// What separates the parts of a file name on this system: '/', and on Windows '\' as well (on
// Linux a backslash is a character of the name).
inline constexpr std::string_view kNameSeparators =
    std::filesystem::path::preferred_separator == '\\' ? std::string_view("/\\") : std::string_view("/");

// File and folder names as people read them. A name is the platform's own text, UTF-8; but on
// Linux a folder unpacked from a Windows archive carries windows-1251 bytes, so each part between
// separators that is not well-formed UTF-8 is taken as windows-1251 as it stands. NameToCp1251 is
// for protocol texts (characters the code page lacks become "?"), NameToUtf8 for what the window
// and the console show.
std::string NameToCp1251(std::string_view name);
std::string NameToUtf8(std::string_view name);

// UTF-8 text safe to print on a terminal: the control characters a file name may hold, which a
// terminal would act on (ESC sequences, CR and LF that forge a line, C1 controls such as CSI),
// are shown as \e, \r, \n, \t, \xHH or \u00HH instead.
std::string EscapeControls(std::string_view utf8);

// File names: the program holds them as the platform's own narrow text (UTF-8 on Linux, UTF-8 as
// well on Windows, converted at the edges) and opens files only through these two.
std::filesystem::path PathFromNative(const std::string& native);
std::string NativeFromPath(const std::filesystem::path& path);

}  // namespace brisolt
