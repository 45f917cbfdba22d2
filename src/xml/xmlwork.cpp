#include "xml/xmlwork.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "xml/cp1251.h"

namespace brisolt {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kReadBlock = 64000;

inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where every "</name>" of a text is, so that finding an element's end costs nothing like a scan
// of its content. A name of an end tag is whatever stands between "</" and the next ">", provided
// it holds no blank and no "/" (a start tag's name never does).
//
// Elements are split in document order, so the positions asked for one name only grow; each name
// keeps a cursor into its list and the whole split stays linear in the size of the text.
class TEndTagIndex {
 public:
  explicit TEndTagIndex(const char* base) : base_(base) {}

  // `nameBegin`..`gtPos` is the candidate between "</" at `openPos` and its ">".
  void Add(std::size_t openPos, std::size_t gtPos) {
    const std::size_t nameBegin = openPos + 2;
    const std::string_view name(base_ + nameBegin, gtPos - nameBegin);
    for (char c : name) {
      if (c == ' ' || c == '/') return;
    }
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
    known.Cursor = entry == kEnd ? known.Tail : entry;
    if (entry == kEnd) {
      // Park the cursor on the last entry; it is below `from`, so later calls skip it at once.
      return kNone;
    }
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

  static std::uint32_t Hash(std::string_view name) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ name.size();
    std::size_t pos = 0;
    for (; pos + 8 <= name.size(); pos += 8) {
      std::uint64_t word;
      std::memcpy(&word, name.data() + pos, 8);
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
      hash ^= hash >> 32;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, name.data() + pos, name.size() - pos);
    hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 29;
    return static_cast<std::uint32_t>(hash);
  }

  std::uint32_t& FindSlot(std::string_view name, std::uint32_t hash) {
    if (slots_.empty()) slots_.assign(64, 0);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t probe = hash & mask;; probe = (probe + 1) & mask) {
      std::uint32_t& slot = slots_[probe];
      if (slot == 0) return slot;
      const TName& known = names_[slot - 1];
      if (known.Hash == hash && known.Size == name.size() &&
          std::memcmp(base_ + known.Begin, name.data(), name.size()) == 0) {
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

// Copies `in` to `out` (at least in.size() bytes) with TAB, CR and LF as spaces and without spaces
// before ">"; indexes the end tags of the result on the way when `index` is given. Returns the size
// of the result.
std::size_t NormalizeInto(std::string_view in, char* out, TEndTagIndex* index) {
  std::size_t size = 0;
  std::size_t openPos = kNone;  // the last "</" not yet closed by a ">"
  const char* p = in.data();
  const char* const end = p + in.size();
  while (p != end) {
    const char c = *p++;
    switch (c) {
      case '\t':
      case '\r':
      case '\n':
        out[size++] = ' ';
        break;
      case '/':
        if (size != 0 && out[size - 1] == '<') openPos = size - 1;
        out[size++] = '/';
        break;
      case '>':
        while (size != 0 && out[size - 1] == ' ') --size;
        if (openPos != kNone) {
          if (index != nullptr) index->Add(openPos, size);
          openPos = kNone;
        }
        out[size++] = '>';
        break;
      default:
        out[size++] = c;
        break;
    }
  }
  return size;
}

TEndTagIndex IndexEndTags(std::string_view text) {
  TEndTagIndex index(text.data());
  std::size_t openPos = kNone;
  for (std::size_t pos = 0; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '/' && pos != 0 && text[pos - 1] == '<') {
      openPos = pos - 1;
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
  std::size_t End = 0;  // just after the ">" that closes the tag
};

// Reads the start tag whose "<" is at `pos` (not checked) of `text`, without looking past `limit`.
// False when the text ends inside the tag. The root's attribute text ends only at a "/" or ">"
// outside quotes; any other element's ends at any ">" and at a "/" outside quotes.
bool ReadStartTag(const char* text, std::size_t pos, std::size_t limit, bool isRoot, TStartTag& tag) {
  std::size_t at = pos + 1;
  while (at < limit && text[at] != ' ' && text[at] != '/' && text[at] != '>') ++at;
  if (at >= limit) return false;
  tag.Name = std::string_view(text + pos + 1, at - pos - 1);
  tag.HasAttributes = false;
  tag.AttributeText = {};
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
    tag.HasAttributes = true;
    tag.AttributeText = std::string_view(text + begin, at - begin);
  }
  tag.Empty = text[at] == '/';
  if (tag.Empty) {
    const void* gt = std::memchr(text + at, '>', limit - at);
    if (gt == nullptr) return false;
    at = static_cast<std::size_t>(static_cast<const char*>(gt) - text);
  }
  tag.End = at + 1;
  return true;
}

// Splits `element.Text`, which lies in the buffer at `base` indexed by `index`.
bool SplitElement(TXMLElement& element, const char* base, TEndTagIndex& index, int depth) {
  element.Children.clear();
  const std::string_view text = element.Text;
  std::size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  if (first == text.size() || text[first] != '<') return false;
  std::size_t last = text.size();
  while (IsBlank(text[last - 1])) --last;

  const std::size_t offset = static_cast<std::size_t>(text.data() - base);
  const char* const t = base + offset;  // positions below are relative to the element's text
  std::size_t at = first;
  TStartTag tag;
  for (;;) {
    if (!ReadStartTag(t, at, last, false, tag)) return false;
    std::string_view content;
    std::size_t next;
    if (tag.Empty) {
      next = tag.End;
    } else {
      const std::size_t found = index.Next(tag.Name, offset + tag.End);
      if (found == kNone || found - offset + tag.Name.size() + 3 > last) return false;
      content = std::string_view(t + tag.End, found - offset - tag.End);
      next = found - offset + tag.Name.size() + 3;
    }
    TXMLElement& child = element.Children.emplace_back();
    child.Name = tag.Name;
    if (tag.HasAttributes) child.Attributes = ParseAttributes(TrimBlanks(tag.AttributeText));
    child.Text = content;
    if (depth < TXMLElement::kMaxDepth) SplitElement(child, base, index, depth + 1);

    at = next;
    while (at < last && IsBlank(t[at])) ++at;
    if (at + 1 >= last) break;
  }
  return true;
}

}  // namespace

bool TXMLElement::ParseChildren() {
  if (Text.size() >= std::numeric_limits<std::uint32_t>::max()) {
    Children.clear();
    return false;
  }
  TEndTagIndex index = IndexEndTags(Text);
  return SplitElement(*this, Text.data(), index, 0);
}

const TXMLElement* TXMLElement::Child(std::string_view name) const {
  for (const TXMLElement& child : Children) {
    if (child.Name == name) return &child;
  }
  return nullptr;
}

bool TXMLFile::LoadFromFile(const std::string& fileName) {
  Content.clear();
  try {
    const std::filesystem::path path = PathFromNative(fileName);
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::uintmax_t expected = std::filesystem::file_size(path, error);
    if (!error && expected < kMaxFileSize) Content.reserve(static_cast<std::size_t>(expected) + 1);
    for (;;) {
      const std::size_t old = Content.size();
      if (old > kMaxFileSize) return false;
      Content.resize(old + kReadBlock);
      in.read(Content.data() + old, static_cast<std::streamsize>(kReadBlock));
      const auto got = static_cast<std::size_t>(in.gcount());
      Content.resize(old + got);
      if (in.bad()) return false;
      if (got < kReadBlock) break;
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TXMLFile::Parse() {
  Declaration.clear();
  Root.reset();
  body_.reset();
  bodySize_ = 0;

  const std::string_view all = TrimBlanks(Content);
  if (all.size() < 8 || all.substr(0, 5) != "<?xml") return false;
  const std::size_t declEnd = all.find("?>", 5);
  if (declEnd == std::string_view::npos) return false;
  if (declEnd > 6) Declaration = ParseAttributes(TrimBlanks(all.substr(6, declEnd - 6)));

  const std::string_view rest = TrimBlanks(all.substr(declEnd + 2));
  if (rest.size() >= std::numeric_limits<std::uint32_t>::max()) return false;
  body_ = std::make_unique_for_overwrite<char[]>(rest.size() + 1);
  TEndTagIndex index(body_.get());
  bodySize_ = NormalizeInto(rest, body_.get(), &index);
  const char* const body = body_.get();
  if (bodySize_ == 0 || body[0] != '<') return false;

  TStartTag tag;
  if (!ReadStartTag(body, 0, bodySize_, true, tag)) return false;
  std::string_view text;
  if (!tag.Empty) {
    const std::size_t found = index.Next(tag.Name, tag.End);
    if (found == kNone) return false;
    text = std::string_view(body + tag.End, found - tag.End);
  }
  auto root = std::make_unique<TXMLElement>();
  root->Name = TrimBlanks(tag.Name);
  if (tag.HasAttributes) root->Attributes = ParseAttributes(TrimBlanks(tag.AttributeText));
  root->Text = TrimBlanks(text);
  if (!root->Text.empty()) SplitElement(*root, body, index, 0);
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

std::size_t PosFrom(std::string_view sub, std::string_view text, std::size_t start) {
  if (start == 0 || sub.size() > text.size() || start > text.size() - sub.size() + 1) return 0;
  const std::size_t found = text.find(sub, start - 1);
  return found == std::string_view::npos ? 0 : found + 1;
}

std::string NormalizeBlanks(std::string_view text) {
  std::string result(text.size(), '\0');
  result.resize(NormalizeInto(text, result.data(), nullptr));
  return result;
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
