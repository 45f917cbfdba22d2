#include "xml/xmlwork.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <system_error>

#include "base/encoding.h"

#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#include <emmintrin.h>
#define BRISOLT_XML_SSE2 1
#else
#define BRISOLT_XML_SSE2 0
#endif

namespace brisolt {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

constexpr std::uint64_t kEachByte = 0x0101010101010101ull;

// The high bit of each byte of `word` that equals `c`, and no other bit.
inline std::uint64_t BytesEqual(std::uint64_t word, unsigned char c) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t x = word ^ (kEachByte * c);
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

inline bool HasSpace(std::string_view text) {
  std::size_t pos = 0;
  if constexpr (std::endian::native == std::endian::little) {
    for (; pos + 8 <= text.size(); pos += 8) {
      std::uint64_t word;
      std::memcpy(&word, text.data() + pos, 8);
      if (BytesEqual(word, ' ') != 0) return true;
    }
  }
  for (; pos < text.size(); ++pos) {
    if (text[pos] == ' ') return true;
  }
  return false;
}

// Equality of two short runs of bytes, a word at a time (names are a few dozen bytes): the last
// word, or for a run shorter than a word its two halves, may overlap what was compared already,
// which spares a loop over the odd bytes.
inline bool SameBytes(const char* a, const char* b, std::size_t size) {
  const auto same = [a, b](std::size_t pos, auto word) {
    decltype(word) left, right;
    std::memcpy(&left, a + pos, sizeof left);
    std::memcpy(&right, b + pos, sizeof right);
    return left == right;
  };
  if (size >= 8) {
    for (std::size_t pos = 0; pos + 8 < size; pos += 8) {
      if (!same(pos, std::uint64_t{})) return false;
    }
    return same(size - 8, std::uint64_t{});
  }
  if (size >= 4) return same(0, std::uint32_t{}) && same(size - 4, std::uint32_t{});
  if (size >= 2) return same(0, std::uint16_t{}) && same(size - 2, std::uint16_t{});
  return size == 0 || a[0] == b[0];
}

// Where every "</name>" of a text is, so that finding an element's end costs nothing like a scan
// of its content. A name of an end tag is whatever stands between "</" and the next ">", provided
// it holds no blank and no "/" (a start tag's name never does).
//
// Elements are split in document order, so the positions asked for one name only grow; each name
// keeps a cursor into its list and the whole split stays linear in the size of the text.
class TEndTagIndex {
 public:
  TEndTagIndex(const char* base, std::size_t size) : base_(base) {
    // An end tag takes at least three bytes, real ones ten to sixty; untouched capacity costs
    // nothing but address space.
    entries_.reserve(size / 16 + 16);
  }

  // The candidate between "</" at `openPos` and its ">" at `gtPos`; the caller has made sure that
  // it holds no "/".
  void Add(std::size_t openPos, std::size_t gtPos) {
    const std::size_t nameBegin = openPos + 2;
    const std::string_view name(base_ + nameBegin, gtPos - nameBegin);
    if (HasSpace(name)) return;
    const std::uint32_t hash = Hash(name);
    std::uint32_t& slot = FindSlot(name, hash);
    const auto entry = static_cast<std::uint32_t>(entries_.size());
    entries_.push_back({static_cast<std::uint32_t>(openPos), kEnd});
    if (slot == 0) {
      names_.push_back({static_cast<std::uint32_t>(nameBegin), static_cast<std::uint32_t>(name.size()),
                        hash, entry, entry, entry, 0});
      slot = static_cast<std::uint32_t>(names_.size());
      if (names_.size() * 2 > slots_.size()) Grow();
    } else {
      TName& known = names_[slot - 1];
      entries_[known.Tail].Next = entry;
      known.Tail = entry;
    }
  }

  // Position of the first "</name>" at or after `from`, or kNone.
  std::size_t Next(std::string_view name, std::size_t from) {
    if (slots_.empty()) return kNone;
    const std::uint32_t slot = FindSlot(name, Hash(name));
    if (slot == 0) return kNone;
    TName& known = names_[slot - 1];
    if (from < known.LastFrom) known.Cursor = known.Head;
    known.LastFrom = from;
    std::uint32_t entry = known.Cursor;
    while (entry != kEnd && entries_[entry].Pos < from) entry = entries_[entry].Next;
    if (entry == kEnd) {
      // The last entry lies below `from`: later calls, asking no less, pass it at once.
      known.Cursor = known.Tail;
      return kNone;
    }
    known.Cursor = entry;
    return entries_[entry].Pos;
  }

 private:
  static constexpr std::uint32_t kEnd = std::numeric_limits<std::uint32_t>::max();

  struct TEntry {
    std::uint32_t Pos;
    std::uint32_t Next;
  };
  struct TName {
    std::uint32_t Begin;
    std::uint32_t Size;
    std::uint32_t Hash;
    std::uint32_t Head;
    std::uint32_t Tail;
    std::uint32_t Cursor;
    std::size_t LastFrom;
  };

  // Names of one document differ in their length or at their ends; the names themselves are
  // compared on a hit, so the hash only has to spread them.
  static std::uint32_t Hash(std::string_view name) {
    std::uint64_t head = 0;
    std::uint64_t tail = 0;
    if (name.size() >= 8) {
      std::memcpy(&head, name.data(), 8);
      std::memcpy(&tail, name.data() + name.size() - 8, 8);
    } else {
      std::memcpy(&head, name.data(), name.size());
    }
    std::uint64_t hash = (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC4CEB9FE1A85EC53ull) ^ name.size();
    hash ^= hash >> 31;
    hash *= 0xFF51AFD7ED558CCDull;
    return static_cast<std::uint32_t>(hash >> 32);
  }

  std::uint32_t& FindSlot(std::string_view name, std::uint32_t hash) {
    if (slots_.empty()) slots_.assign(64, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t probe = hash & mask;; probe = (probe + 1) & mask) {
      std::uint32_t& slot = slots_[probe];
      if (slot == 0) return slot;
      const TName& known = names_[slot - 1];
      if (known.Hash == hash && known.Size == name.size() && SameBytes(base_ + known.Begin, name.data(), name.size())) {
        return slot;
      }
    }
  }

  void Grow() {
    std::vector<std::uint32_t> old;
    old.swap(slots_);
    slots_.assign(old.size() * 2, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::uint32_t slot : old) {
      if (slot == 0) continue;
      std::size_t probe = names_[slot - 1].Hash & mask;
      while (slots_[probe] != 0) probe = (probe + 1) & mask;
      slots_[probe] = slot;
    }
  }

  const char* base_;
  std::vector<TEntry> entries_;
  std::vector<TName> names_;
  std::vector<std::uint32_t> slots_;
};

// TAB, CR and LF as a space, every other byte as it is.
struct TBlankTable {
  unsigned char Output[256];
  constexpr TBlankTable() : Output() {
    for (int c = 0; c < 256; ++c) Output[c] = static_cast<unsigned char>(c);
    Output[static_cast<unsigned char>('\t')] = ' ';
    Output[static_cast<unsigned char>('\r')] = ' ';
    Output[static_cast<unsigned char>('\n')] = ' ';
  }
};
constexpr TBlankTable kBlankOutput;

// Sixteen bytes of a text, or what is left of it (the rest of the block reads as zero bytes), that
// answer which of them equal a given byte: bit i of the answer stands for byte i. Scanning the
// document a block at a time keeps the cost per byte low whatever the lengths of names and texts.
class TBlock {
 public:
  static constexpr std::size_t kSize = 16;

  TBlock(const char* text, std::size_t left) {
    if (left >= kSize) {
      Load(text);
      valid_ = 0xFFFFu;
    } else {
      char padded[kSize] = {};
      std::memcpy(padded, text, left);
      Load(padded);
      valid_ = (1u << left) - 1;
    }
  }

  unsigned Equal(char c) const {
#if BRISOLT_XML_SSE2
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes_, _mm_set1_epi8(c)))) & valid_;
#else
    unsigned result = 0;
    for (std::size_t index = 0; index < kSize; ++index) {
      if (bytes_[index] == c) result |= 1u << index;
    }
    return result & valid_;
#endif
  }

  // The bits of the bytes that belong to the text.
  unsigned Valid() const { return valid_; }

  // The block with TAB, CR and LF as spaces.
  TBlock WithLinesAsSpaces() const {
    TBlock result = *this;
#if BRISOLT_XML_SSE2
    const __m128i line = _mm_or_si128(_mm_cmpeq_epi8(bytes_, _mm_set1_epi8('\t')),
                                      _mm_or_si128(_mm_cmpeq_epi8(bytes_, _mm_set1_epi8('\r')),
                                                   _mm_cmpeq_epi8(bytes_, _mm_set1_epi8('\n'))));
    result.bytes_ = _mm_or_si128(_mm_andnot_si128(line, bytes_), _mm_and_si128(line, _mm_set1_epi8(' ')));
#else
    for (char& c : result.bytes_) c = static_cast<char>(kBlankOutput.Output[static_cast<unsigned char>(c)]);
#endif
    return result;
  }

  // Writes the block's bytes of the text to `to`.
  void Store(char* to) const {
#if BRISOLT_XML_SSE2
    if (valid_ == 0xFFFFu) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes_);
      return;
    }
    char out[kSize];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes_);
    std::memcpy(to, out, static_cast<std::size_t>(std::countr_one(valid_)));
#else
    std::memcpy(to, bytes_, static_cast<std::size_t>(std::countr_one(valid_)));
#endif
  }

 private:
  void Load(const char* from) {
#if BRISOLT_XML_SSE2
    bytes_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
#else
    std::memcpy(bytes_, from, kSize);
#endif
  }

#if BRISOLT_XML_SSE2
  __m128i bytes_;
#else
  char bytes_[kSize];
#endif
  unsigned valid_;
};

// The bits below the lowest one set in `mask` (all of them when none is).
inline unsigned BitsBelowFirst(unsigned mask) { return (mask & (0u - mask)) - 1u; }

// The rest of NormalizeInPlace from `pos`, the first ">" with a blank before it, every byte moved.
std::size_t NormalizeFrom(char* data, std::size_t size, std::size_t pos) {
  unsigned char* const begin = reinterpret_cast<unsigned char*>(data);
  unsigned char* const end = begin + size;
  unsigned char* p = begin + pos;
  unsigned char* o = p;
  while (p != end) {
    const unsigned char c = *p++;
    if (c == '>') {
      while (o != begin && o[-1] == ' ') --o;
    }
    *o++ = kBlankOutput.Output[c];
  }
  return static_cast<std::size_t>(o - begin);
}

// Turns TAB, CR and LF of `data` into spaces and removes the spaces standing before a ">", in
// place. Returns the new size.
//
// Packs rarely have a blank before a ">", so the first loop only rewrites line characters where
// they stand; from the first blank to remove on, the last loop moves every byte.
std::size_t NormalizeInPlace(char* data, std::size_t size) {
  std::size_t pos = 0;
  unsigned blankBefore = 0;  // 1 when the byte before `pos` is a blank
#if BRISOLT_XML_SSE2
  // Whole blocks, which are nearly all of a document, without the bookkeeping of a partial one.
  {
    const __m128i space = _mm_set1_epi8(' ');
    const __m128i tab = _mm_set1_epi8('\t');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i gt = _mm_set1_epi8('>');
    // A line character is below a space, so the larger of the two is the space.
    const auto linesAsSpaces = [&](__m128i bytes) {
      const __m128i line =
          _mm_or_si128(_mm_cmpeq_epi8(bytes, tab), _mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf)));
      return _mm_max_epu8(bytes, _mm_and_si128(line, space));
    };
    const auto bits = [](__m128i low, __m128i high, __m128i byte) {
      return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(low, byte))) |
             (static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(high, byte))) << TBlock::kSize);
    };
    // Two blocks a turn, which halves the bookkeeping.
    for (; pos + 2 * TBlock::kSize <= size; pos += 2 * TBlock::kSize) {
      const __m128i low = linesAsSpaces(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos)));
      const __m128i high = linesAsSpaces(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos + TBlock::kSize)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + pos), low);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + pos + TBlock::kSize), high);
      const std::uint32_t blanks = bits(low, high, space);
      const std::uint32_t toRemove = bits(low, high, gt) & ((blanks << 1) | blankBefore);
      if (toRemove != 0) {
        return NormalizeFrom(data, size, pos + static_cast<std::size_t>(std::countr_zero(toRemove)));
      }
      blankBefore = blanks >> (2 * TBlock::kSize - 1);
    }
    // At most one whole block is left.
    if (pos + TBlock::kSize <= size) {
      const __m128i bytes = linesAsSpaces(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + pos)));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(data + pos), bytes);
      const auto blanks = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, space)));
      const auto toRemove =
          static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, gt))) & ((blanks << 1) | blankBefore);
      if (toRemove != 0) {
        return NormalizeFrom(data, size, pos + static_cast<std::size_t>(std::countr_zero(toRemove)));
      }
      blankBefore = blanks >> (TBlock::kSize - 1);
      pos += TBlock::kSize;
    }
  }
#endif
  for (; pos < size; pos += TBlock::kSize) {
    const TBlock block = TBlock(data + pos, size - pos).WithLinesAsSpaces();
    // Stored whether changed or not: the branch saved would be one the processor cannot foresee.
    block.Store(data + pos);
    const unsigned blanks = block.Equal(' ');
    const unsigned toRemove = block.Equal('>') & ((blanks << 1) | blankBefore);
    if (toRemove != 0) {
      pos += static_cast<std::size_t>(std::countr_zero(toRemove));
      break;
    }
    blankBefore = blanks >> (TBlock::kSize - 1);
  }
  if (pos >= size) return size;
  return NormalizeFrom(data, size, pos);
}

// The end tags of `text`: each "</" with the next ">", unless a "/" comes between them.
TEndTagIndex IndexEndTags(std::string_view text) {
  TEndTagIndex index(text.data(), text.size());
  std::size_t openPos = kNone;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '/') {
      openPos = pos != 0 && text[pos - 1] == '<' ? pos - 1 : kNone;
    } else if (c == '>' && openPos != kNone) {
      index.Add(openPos, pos);
      openPos = kNone;
    }
  }
  return index;
}

struct TStartTag {
  std::string_view Name;
  std::string_view AttributeText;  // as written, not yet trimmed
  bool HasAttributes = false;
  bool Empty = false;
  bool NameHasLess = false;  // a "<" stands in the name
  std::size_t End = 0;  // just after the ">" that closes the tag
};

// What follows the name of a start tag.
struct TAfterName {
  std::string_view AttributeText;
  bool HasAttributes = false;
  bool Empty = false;
  std::size_t End = 0;
};

// The rest of a start tag whose name ends at `at` with a space or "/": see ReadStartTag.
bool ReadAfterName(const char* text, std::size_t at, std::size_t limit, bool isRoot, TAfterName& rest) {
  if (text[at] == ' ') {
    const std::size_t begin = at + 1;
    if (begin >= limit) return false;
    // The first character belongs to the attribute text whatever it is.
    bool inQuotes = text[begin] == '"';
    at = begin + 1;
    for (;; ++at) {
      if (at >= limit) return false;
      const char c = text[at];
      if (c == '>' && (!isRoot || !inQuotes)) break;
      if (c == '/' && !inQuotes) break;
      if (c == '"') inQuotes = !inQuotes;
    }
    rest.HasAttributes = true;
    rest.AttributeText = std::string_view(text + begin, at - begin);
  }
  rest.Empty = text[at] == '/';
  if (rest.Empty) {
    const void* gt = std::memchr(text + at, '>', limit - at);
    if (gt == nullptr) return false;
    at = static_cast<std::size_t>(static_cast<const char*>(gt) - text);
  }
  rest.End = at + 1;
  return true;
}

// Reads the start tag whose "<" is at `pos` (not checked) of `text`, without looking past `limit`.
// False when the text ends inside the tag. The root's attribute text ends only at a "/" or ">"
// outside quotes; any other element's ends at any ">" and at a "/" outside quotes.
//
// Most tags are a name and ">"; they are read here, the others out of line (which also keeps the
// caller's TStartTag in registers).
inline bool ReadStartTag(const char* text, std::size_t pos, std::size_t limit, bool isRoot, TStartTag& tag) {
  std::size_t at = pos + 1;
  unsigned less = 0;
  for (;; at += TBlock::kSize) {
    if (at >= limit) return false;
    const TBlock block(text + at, limit - at);
    const unsigned stop = block.Equal(' ') | block.Equal('/') | block.Equal('>');
    less |= block.Equal('<') & BitsBelowFirst(stop);
    if (stop != 0) {
      at += static_cast<std::size_t>(std::countr_zero(stop));
      break;
    }
  }
  tag.NameHasLess = less != 0;
  tag.Name = std::string_view(text + pos + 1, at - pos - 1);
  if (text[at] == '>') {
    tag.AttributeText = {};
    tag.HasAttributes = false;
    tag.Empty = false;
    tag.End = at + 1;
    return true;
  }
  TAfterName rest;
  if (!ReadAfterName(text, at, limit, isRoot, rest)) return false;
  tag.AttributeText = rest.AttributeText;
  tag.HasAttributes = rest.HasAttributes;
  tag.Empty = rest.Empty;
  tag.End = rest.End;
  return true;
}

// What the split of one tree shares: the buffer, its end tags, and one list per level in which the
// children of the element being split gather, so that each element's list is allocated once at
// its final size.
struct TSplitContext {
  TSplitContext(const char* base, TEndTagIndex& index, std::pmr::memory_resource* arena)
      : Base(base), Index(index), Arena(arena), Gathered(TXMLElement::kMaxDepth + 1) {}
  const char* Base;
  TEndTagIndex& Index;
  std::pmr::memory_resource* Arena;
  std::vector<std::vector<TXMLElement>> Gathered;
};

bool SplitLevel(TXMLElement& element, TSplitContext& context, int depth);

// Splits `element.Text`, which lies in the context's buffer.
bool SplitElement(TXMLElement& element, TSplitContext& context, int depth) {
  std::vector<TXMLElement>& gathered = context.Gathered[depth];
  gathered.clear();
  const bool complete = SplitLevel(element, context, depth);
  element.Children.clear();
  element.Children.reserve(gathered.size());
  for (TXMLElement& child : gathered) element.Children.emplace_back(std::move(child));
  gathered.clear();
  return complete;
}

bool SplitLevel(TXMLElement& element, TSplitContext& context, int depth) {
  const std::string_view text = element.Text;
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() || text[first] != '<') return false;
  std::size_t last = text.size();
  while (IsBlank(text[last - 1])) --last;

  const std::size_t offset = static_cast<std::size_t>(text.data() - context.Base);
  const char* const t = text.data();  // positions below are relative to the element's text
  std::size_t at = first;
  TStartTag tag;
  for (;;) {
    if (!ReadStartTag(t, at, last, false, tag)) return false;
    std::string_view content;
    std::size_t next;
    if (tag.Empty) {
      next = tag.End;
    } else {
      const std::size_t found = context.Index.Next(tag.Name, offset + tag.End);
      if (found == kNone || found - offset + tag.Name.size() + 3 > last) return false;
      content = std::string_view(t + tag.End, found - offset - tag.End);
      next = found - offset + tag.Name.size() + 3;
    }
    TXMLElement& child = context.Gathered[depth].emplace_back(context.Arena);
    child.Name = tag.Name;
    if (tag.HasAttributes) child.Attributes = ParseAttributes(TrimBlanks(tag.AttributeText));
    child.Text = content;
    if (depth < TXMLElement::kMaxDepth) SplitElement(child, context, depth + 1);

    at = next;
    while (at < last && IsBlank(t[at])) ++at;
    if (at + 1 >= last) break;
  }
  return true;
}

// Position of the first "<" at or after `pos`, or kNone; `text` tells whether anything but spaces
// stands before it.
inline std::size_t FindLess(const char* body, std::size_t pos, std::size_t size, bool& text) {
  unsigned other = 0;
  for (; pos < size; pos += TBlock::kSize) {
    const TBlock block(body + pos, size - pos);
    const unsigned less = block.Equal('<');
    other |= block.Valid() & ~block.Equal(' ') & BitsBelowFirst(less);
    if (less != 0) {
      text = other != 0;
      return pos + static_cast<std::size_t>(std::countr_zero(less));
    }
  }
  return kNone;
}

// Deeper documents take the general way.
constexpr std::size_t kWellNestedDepth = 64;

// One of 64 bits for a name, told by its length and its first and last bytes: equal names have
// the same bit, so a name whose bit is missing from a set of names is none of them.
inline std::uint64_t NameBit(std::string_view name) {
  if (name.empty()) return 1;
  const auto first = static_cast<unsigned char>(name.front());
  const auto last = static_cast<unsigned char>(name.back());
  return std::uint64_t{1} << ((name.size() * 7 + first * 3 + last * 5) & 63);
}

// Most documents nest properly: every end tag closes the innermost open element, no element lies
// inside one of its own name, no text stands beside child elements, and no "<" stands inside a
// tag. Then each element's first end tag is its own, and one walk over the tags gives the very
// tree that the end tag search gives.
//
// The walk tells `sink` of each element twice, in document order: sink.Start(tag, depth) at its
// start tag (the root at depth 0, its name trimmed) and, unless the tag is empty, sink.End(text,
// depth) at its end tag, with all that stands between the two tags. Either returning false stops
// the walk. Returns false, having decided nothing, for any other body, and when stopped.
template <typename TSink>
bool WalkWellNested(const char* body, std::size_t size, TSink& sink) {
  TStartTag rootTag;
  if (!ReadStartTag(body, 0, size, true, rootTag) || rootTag.Empty) return false;
  if (std::memchr(body + 1, '<', rootTag.End - 1) != nullptr) return false;
  rootTag.Name = TrimBlanks(rootTag.Name);
  if (!sink.Start(rootTag, 0)) return false;

  struct TOpen {
    std::size_t ContentBegin;
    std::string_view Name;
    bool HasText;
    bool HasChildren;
    std::uint64_t Names;  // NameBit of this element's name and of every open element's around it
  };
  std::vector<TOpen> open;
  open.reserve(kWellNestedDepth + 1);
  open.push_back({rootTag.End, rootTag.Name, false, false, NameBit(rootTag.Name)});
  std::size_t at = rootTag.End;
  for (;;) {
    bool text = false;
    // Tags often follow one another without a byte between them.
    const std::size_t tagPos = at < size && body[at] == '<' ? at : FindLess(body, at, size, text);
    if (tagPos == kNone || tagPos + 1 >= size) return false;
    TOpen& current = open.back();
    if (text) {
      if (current.HasChildren) return false;
      current.HasText = true;
    }

    if (body[tagPos + 1] == '/') {
      // The end tag must be "</" + the name + ">".
      const std::size_t nameEnd = tagPos + 2 + current.Name.size();
      if (nameEnd >= size || body[nameEnd] != '>' ||
          !SameBytes(body + tagPos + 2, current.Name.data(), current.Name.size())) {
        return false;
      }
      const std::string_view content(body + current.ContentBegin, tagPos - current.ContentBegin);
      if (!sink.End(content, open.size() - 1)) return false;
      open.pop_back();
      if (open.empty()) break;
      at = nameEnd + 1;
      continue;
    }

    if (current.HasText || open.size() > kWellNestedDepth) return false;
    TStartTag tag;
    if (!ReadStartTag(body, tagPos, size, false, tag) || tag.NameHasLess) return false;
    if (tag.HasAttributes || tag.Empty) {
      if (std::memchr(body + tagPos + 1, '<', tag.End - tagPos - 1) != nullptr) return false;
    }
    // The open names are compared only when one of them may be this one.
    const std::uint64_t nameBit = NameBit(tag.Name);
    if ((current.Names & nameBit) != 0) {
      for (const TOpen& outer : open) {
        if (outer.Name.size() == tag.Name.size() && SameBytes(outer.Name.data(), tag.Name.data(), tag.Name.size())) {
          return false;
        }
      }
    }
    current.HasChildren = true;
    const std::uint64_t names = current.Names | nameBit;
    if (!sink.Start(tag, open.size())) return false;
    if (!tag.Empty) open.push_back({tag.End, tag.Name, false, false, names});
    at = tag.End;
  }
  return true;
}

// Builds the tree of a walk.
class TTreeSink {
 public:
  explicit TTreeSink(std::pmr::memory_resource* arena) : arena_(arena) {
    pending_.reserve(1024);
    levels_.reserve(kWellNestedDepth + 1);
  }

  bool Start(const TStartTag& tag, std::size_t depth) {
    TXMLElement* element;
    if (depth == 0) {
      Root = std::make_unique<TXMLElement>(arena_);
      element = Root.get();
      levels_.push_back({kRoot, 0});
    } else {
      element = &pending_.emplace_back(arena_);
      if (!tag.Empty) levels_.push_back({pending_.size() - 1, pending_.size()});
    }
    element->Name = tag.Name;
    if (tag.HasAttributes) element->Attributes = ParseAttributes(TrimBlanks(tag.AttributeText));
    return true;
  }

  bool End(std::string_view text, std::size_t depth) {
    const TLevel level = levels_.back();
    levels_.pop_back();
    TXMLElement& element = level.Element == kRoot ? *Root : pending_[level.Element];
    element.Text = depth == 0 ? TrimBlanks(text) : text;
    if (pending_.size() != level.FirstChild) {
      element.Children.reserve(pending_.size() - level.FirstChild);
      for (std::size_t child = level.FirstChild; child < pending_.size(); ++child) {
        element.Children.emplace_back(std::move(pending_[child]));
      }
      pending_.resize(level.FirstChild);
    }
    return true;
  }

  std::unique_ptr<TXMLElement> Root;

 private:
  static constexpr std::size_t kRoot = kNone;
  struct TLevel {
    std::size_t Element;     // index in pending_, or kRoot
    std::size_t FirstChild;  // where its children begin in pending_
  };

  std::pmr::memory_resource* arena_;
  // Elements read but not yet handed to their parent, in document order: the children of each
  // open element follow it. The root stands apart.
  std::vector<TXMLElement> pending_;
  std::vector<TLevel> levels_;
};

bool BuildWellNested(const char* body, std::size_t size, std::pmr::memory_resource* arena,
                     std::unique_ptr<TXMLElement>& result) {
  TTreeSink sink(arena);
  if (!WalkWellNested(body, size, sink)) return false;
  result = std::move(sink.Root);
  return true;
}

// Hands a walk to a TXMLHandler. The walk still goes through an element the handler passes over,
// as the answer (whether the document nests simply) must not depend on the handler.
class THandlerSink {
 public:
  explicit THandlerSink(TXMLHandler& handler) : handler_(handler) {}

  bool Start(const TStartTag& tag, std::size_t depth) {
    if (depth > passedOver_) return true;
    switch (handler_.Open(tag.Name, depth)) {
      case TXMLNext::Stop:
        return false;
      case TXMLNext::PassOver:
        if (!tag.Empty) passedOver_ = depth;
        return true;
      case TXMLNext::Enter:
        break;
    }
    return !tag.Empty || handler_.Close({}, depth);
  }
  bool End(std::string_view text, std::size_t depth) {
    if (depth >= passedOver_) {
      if (depth == passedOver_) passedOver_ = kNone;
      return true;
    }
    return handler_.Close(depth == 0 ? TrimBlanks(text) : text, depth);
  }

 private:
  TXMLHandler& handler_;
  std::size_t passedOver_ = kNone;  // the depth of the element passed over, if any
};

}  // namespace

namespace {
constexpr std::size_t kArenaBlock = 64 * 1024;
}  // namespace

void TXMLArena::Release() {
  for (void* block : blocks_) ::operator delete(block);
  blocks_.clear();
  cursor_ = nullptr;
  left_ = 0;
}

void* TXMLArena::do_allocate(std::size_t bytes, std::size_t alignment) {
  if (alignment > alignof(std::max_align_t)) throw std::bad_alloc();
  if (bytes > kArenaBlock / 4) {
    blocks_.reserve(blocks_.size() + 1);
    void* own = ::operator new(bytes);
    blocks_.push_back(own);
    return own;
  }
  const std::size_t skip = (alignment - reinterpret_cast<std::uintptr_t>(cursor_) % alignment) % alignment;
  if (cursor_ == nullptr || skip + bytes > left_) {
    blocks_.reserve(blocks_.size() + 1);
    cursor_ = static_cast<char*>(::operator new(kArenaBlock));
    blocks_.push_back(cursor_);
    left_ = kArenaBlock;
    return do_allocate(bytes, alignment);
  }
  void* result = cursor_ + skip;
  cursor_ += skip + bytes;
  left_ -= skip + bytes;
  return result;
}

bool TXMLElement::ParseChildren() {
  if (Text.size() >= std::numeric_limits<std::uint32_t>::max()) {
    Children.clear();
    return false;
  }
  TEndTagIndex index = IndexEndTags(Text);
  TSplitContext context(Text.data(), index, Children.get_allocator().resource());
  return SplitElement(*this, context, 0);
}

const TXMLElement* TXMLElement::Child(std::string_view name) const {
  for (const TXMLElement& child : Children) {
    if (child.Name == name) return &child;
  }
  return nullptr;
}

bool TXMLFile::LoadFromFile(const std::string& fileName) { return LoadHeadFromFile(fileName, kMaxFileSize); }

bool TXMLFile::LoadHeadFromFile(const std::string& fileName, std::size_t headBytes) {
  LoadError.clear();
  const auto fail = [this](std::string reason) {
    Content.clear();
    Content.shrink_to_fit();
    LoadError = std::move(reason);
    return false;
  };
  try {
    const std::filesystem::path path = PathFromNative(fileName);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) return fail(error.message());
    if (!std::filesystem::is_regular_file(status)) return fail("не обычный файл");
    const std::uintmax_t expected = std::filesystem::file_size(path, error);
    if (error) return fail(error.message());
    if (expected > kMaxFileSize) {
      return fail("файл больше " + std::to_string(kMaxFileSize >> 20) + " МБ (" + std::to_string(expected) +
                  " байт)");
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(errno != 0 ? std::generic_category().message(errno) : "не удалось открыть файл");
    // The whole file in one read, and a byte more, which a file grown since it was listed fills.
    // A Content kept from an earlier file is only cut or lengthened, not filled with zeros anew:
    // a reader that reuses one TXMLFile pays for the bytes of each file once.
    const bool whole = headBytes >= kMaxFileSize;
    const std::size_t wanted = whole ? static_cast<std::size_t>(expected)
                                     : std::min(static_cast<std::size_t>(expected), headBytes);
    const std::size_t asked = whole ? wanted + 1 : wanted;
    Content.resize(asked);
    errno = 0;
    in.read(Content.data(), static_cast<std::streamsize>(asked));
    const auto got = static_cast<std::size_t>(in.gcount());
    Content.resize(got);
    if (in.bad()) return fail(errno != 0 ? std::generic_category().message(errno) : "ошибка чтения");
    // A file cut short or grown while it was listed and read is not the pack it was.
    if (got != wanted) return fail("файл изменился во время чтения");
    return true;
  } catch (const std::bad_alloc&) {
    return fail("недостаточно памяти");
  } catch (const std::exception& failure) {
    return fail(failure.what());
  }
}

bool TXMLFile::PrepareBody(char*& body, std::size_t& bodySize) {
  Declaration.clear();
  Root.reset();
  arena_.Release();

  const std::string_view all = TrimBlanks(Content);
  if (all.size() < 8 || all.substr(0, 5) != "<?xml") return false;
  const std::size_t declEnd = all.find("?>", 5);
  if (declEnd == std::string_view::npos) return false;
  if (declEnd > 6) Declaration = ParseAttributes(TrimBlanks(all.substr(6, declEnd - 6)));

  const std::string_view rest = TrimBlanks(all.substr(declEnd + 2));
  if (rest.size() >= std::numeric_limits<std::uint32_t>::max()) return false;
  // The body is normalised where it stands: the tree's views point into Content from here on.
  // Normalising a normalised body changes nothing, so Parse may follow Walk.
  body = Content.data() + (rest.data() - Content.data());
  bodySize = NormalizeInPlace(body, rest.size());
  Content.resize(static_cast<std::size_t>(body - Content.data()) + bodySize);
  return bodySize != 0 && body[0] == '<';
}

bool TXMLFile::Walk(TXMLHandler& handler) {
  char* body = nullptr;
  std::size_t bodySize = 0;
  if (!PrepareBody(body, bodySize)) return false;
  THandlerSink sink(handler);
  return WalkWellNested(body, bodySize, sink);
}

namespace {

// The elements below kMaxDepth have no children, so the recursion stays shallow.
bool ReplayElement(const TXMLElement& element, std::size_t depth, TXMLHandler& handler) {
  const TXMLNext next = handler.Open(element.Name, depth);
  if (next != TXMLNext::Enter) return next == TXMLNext::PassOver;
  for (const TXMLElement& child : element.Children) {
    if (!ReplayElement(child, depth + 1, handler)) return false;
  }
  return handler.Close(element.Text, depth);
}

}  // namespace

bool TXMLFile::Replay(TXMLHandler& handler) const {
  return Root != nullptr && ReplayElement(*Root, 0, handler);
}

bool TXMLFile::Parse() {
  char* body = nullptr;
  std::size_t bodySize = 0;
  if (!PrepareBody(body, bodySize)) return false;
  {
    std::unique_ptr<TXMLElement> wellNested;
    if (BuildWellNested(body, bodySize, &arena_, wellNested)) {
      Root = std::move(wellNested);
      return true;
    }
  }
  arena_.Release();
  TEndTagIndex index = IndexEndTags(std::string_view(body, bodySize));

  TStartTag tag;
  if (!ReadStartTag(body, 0, bodySize, true, tag)) return false;
  std::string_view text;
  if (!tag.Empty) {
    const std::size_t found = index.Next(tag.Name, tag.End);
    if (found == kNone) return false;
    text = std::string_view(body + tag.End, found - tag.End);
  }
  auto root = std::make_unique<TXMLElement>(&arena_);
  root->Name = TrimBlanks(tag.Name);
  if (tag.HasAttributes) root->Attributes = ParseAttributes(TrimBlanks(tag.AttributeText));
  root->Text = TrimBlanks(text);
  if (!root->Text.empty()) {
    TSplitContext context(body, index, &arena_);
    SplitElement(*root, context, 0);
  }
  Root = std::move(root);
  return true;
}

std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  std::size_t end = text.size();
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::vector<TXMLAttribute> ParseAttributes(std::string_view text) {
  std::vector<TXMLAttribute> result;
  TXMLAttribute current;
  bool inQuotes = false;
  bool inValue = false;
  for (char c : text) {
    if (inQuotes) {
      if (c == '"') {
        inQuotes = false;
      } else {
        current.Value += c;
      }
    } else if (c == '=') {
      inValue = !inValue;
    } else if (c == '"') {
      inQuotes = true;
    } else if (IsBlank(c)) {
      result.push_back(std::move(current));
      current = TXMLAttribute();
      inValue = false;
    } else if (inValue) {
      current.Value += c;
    } else {
      current.Name += c;
    }
  }
  if (!current.Name.empty()) result.push_back(std::move(current));
  return result;
}

}  // namespace brisolt
