// The fuzz targets' checks, built without the fuzzer's coverage: their branches are no news about
// the code under test, and tracing every comparison they make cost most of each run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brisolt {
class TXMLFile;
}

namespace brisolt::fuzzing {

// The strict markup check of markup_check.h: empty when the text passed, else what is wrong at
// `offset`; `count` gets the number of elements named `counted`.
std::string MarkupError(std::string_view text, bool html, std::string_view counted, std::size_t& offset,
                        std::size_t& count);

// The reader against the plain reference reader on `bytes`, which `document` parsed (or not, as
// `parsed` says): the same answer, the same tree, the same second split of the root's text.
// Empty when all agree, else the difference.
std::string ReferenceDifference(const std::string& bytes, const TXMLFile& document, bool parsed);

// Wherever the walk goes through `bytes`, the document must parse and the replay of its tree tell
// the same events, so that the pack reader reads the same by either route; and the pack reader
// must parse exactly what the reader parses. Empty when so, else the difference.
std::string ReplayDifference(const std::string& bytes, bool parsed);

// A strict JSON check (RFC 8259: one value, strings of valid UTF-8 with no raw control character,
// numbers in JSON's grammar): empty when the text passed, else what is wrong at `offset`.
std::string JsonError(std::string_view text, std::size_t& offset);

// The first field of a CSV (";" between fields, fields quoted with doubled quotes) that a
// spreadsheet would run as a formula: one that, after what a spreadsheet strips in front
// (blanks, tabs, line breaks, NUL), begins with = + - @, or that begins with a tab or CR, and is
// not kept as text by a leading apostrophe. Empty when there is none.
std::string RunnableCsvField(std::string_view text);

// Where a protocol does not decode strictly: a control character but tab, CR and LF, and in
// windows-1251 the unassigned 0x98, in UTF-8 a C1 control (what 0x98 would become on the way).
// Written apart from the writers' own rule, as a reference. npos when every byte decodes.
std::size_t UndecodableByte(std::string_view text, bool utf8);

// A name for a target's scratch file or folder, `stem` with the process id (parallel jobs keep
// apart), in memory (/dev/shm) where the system has it: a file written, replaced and removed on
// a disk for every input cost more than the code under test. Else in the temporary folder.
std::string ScratchPath(const std::string& stem);

// A hash of an input's bytes (FNV-1a), which picks the inputs that get the checks run on a share
// of them, so that a finding reproduces from its input alone.
std::uint32_t InputHash(std::string_view bytes);

}  // namespace brisolt::fuzzing
