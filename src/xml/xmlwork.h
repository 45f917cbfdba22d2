// The reader for the small subset of XML that pack files use: one leading declaration, nested
// elements, empty elements, attributes in double quotes and text. Entity references, comments,
// CDATA and processing instructions are not recognised: they stay as written in the texts.
//
// The tree does not copy the document: names and texts are views into the Content of the TXMLFile
// that built them, and are valid only as long as it lives and its Content stays unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

namespace brisolt {

struct TXMLAttribute {
  std::string Name;
  std::string Value;
};

class TXMLElement {
 public:
  TXMLElement() = default;
  // Children of the elements of a parsed file live in the file's arena.
  explicit TXMLElement(std::pmr::memory_resource* arena) : Children(arena) {}

  std::string_view Name;
  std::vector<TXMLAttribute> Attributes;
  // Everything between the start tag and the matching end tag, child markup included, as written
  // but for the blanks: TAB, CR and LF are spaces, and no space stands before a ">".
  std::string_view Text;
  std::pmr::vector<TXMLElement> Children;

  // Splits Text into Children. False for a leaf (Text not starting with "<") or when a malformed
  // child ended the level early; the children read before it are kept either way.
  bool ParseChildren();

  // The first child of that name, or nullptr.
  const TXMLElement* Child(std::string_view name) const;

  // Elements more levels than this below the one being split keep their Text and get no
  // Children, so that hostile nesting costs neither stack nor time.
  static constexpr int kMaxDepth = 256;
};

// The memory of a tree's element lists: handed out from blocks of the heap's ordinary size, which
// the heap can give again to the next file, and freed all at once.
class TXMLArena : public std::pmr::memory_resource {
 public:
  TXMLArena() = default;
  TXMLArena(const TXMLArena&) = delete;
  TXMLArena& operator=(const TXMLArena&) = delete;
  ~TXMLArena() override { Release(); }
  void Release();

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void*, std::size_t, std::size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override { return this == &other; }

  std::vector<void*> blocks_;
  char* cursor_ = nullptr;
  std::size_t left_ = 0;
};

// What a handler wants told of an element after its start tag.
enum class TXMLNext : std::uint8_t {
  Stop,      // nothing more: the walk ends
  Enter,     // its children, then its end
  PassOver,  // neither its children nor its end: the walk goes on after it
};

// What a walk over a document tells, element by element, in document order (see TXMLFile::Walk).
class TXMLHandler {
 public:
  virtual ~TXMLHandler() = default;
  // A start tag; the root is at depth 0.
  virtual TXMLNext Open(std::string_view name, std::size_t depth) = 0;
  // The end of the element opened last at `depth` (and entered): `text` is what its
  // TXMLElement::Text would hold. An empty element closes at once. False stops the walk.
  virtual bool Close(std::string_view text, std::size_t depth) = 0;
};

class TXMLFile {
 private:
  // Holds every element list of the tree; declared first so that it outlives Root.
  TXMLArena arena_;

 public:
  TXMLFile() = default;
  TXMLFile(const TXMLFile&) = delete;
  TXMLFile& operator=(const TXMLFile&) = delete;

  std::vector<TXMLAttribute> Declaration;
  // The file's bytes, windows-1251 (one byte is one character). Parse normalises the blanks of the
  // part after the declaration where it stands, and the tree then points into it: change Content
  // only when the tree is no longer needed.
  std::string Content;
  // Absent until a successful Parse.
  std::unique_ptr<TXMLElement> Root;

  // Reads the whole file into Content. False on any input/output failure, for a file larger than
  // kMaxFileSize (told by its size, before anything is read) and for a file whose size changes
  // while it is read; LoadError then says why (UTF-8), and Content is empty.
  bool LoadFromFile(const std::string& fileName);
  // The same for the first `headBytes` bytes of the file only (all of a smaller one): a head
  // that Walk may tell as far as it goes. The whole file's size decides kMaxFileSize all the same.
  bool LoadHeadFromFile(const std::string& fileName, std::size_t headBytes);
  std::string LoadError;

  // Builds Declaration and Root from Content. False when Content is not such a document.
  bool Parse();

  // Tells `handler` the elements of the tree that Parse would build, without building it, when
  // the document nests simply (as packs do: every end tag closes the innermost open element, no
  // text beside child elements, at most 64 levels). True when the whole document was walked.
  // False, with nothing decided, for any other document and when the handler stopped; Parse then
  // gives the answer. What the handler passes over is walked through all the same, so the answer
  // does not depend on it. Normalises Content as Parse does; Root stays empty.
  bool Walk(TXMLHandler& handler);

  // Tells `handler` the elements of the tree that Parse built, as Walk tells those of a document
  // that nests simply: the same calls in the same order. True when the whole tree was told; false
  // when there is no tree or the handler stopped.
  bool Replay(TXMLHandler& handler) const;

  // Far above any real pack (a pack holds at most a few hundred persons, well under a megabyte),
  // low enough that a huge file named like a pack never reaches memory.
  static constexpr std::size_t kMaxFileSize = std::size_t{256} << 20;

 private:
  // Reads Declaration and normalises the body where it stands; false when Content is not a
  // document.
  bool PrepareBody(char*& body, std::size_t& bodySize);
};

// Blanks are space, TAB, CR and LF.
std::string_view TrimBlanks(std::string_view text);

// name="value" pairs separated by blanks; every blank closes a pair, even an empty one.
std::vector<TXMLAttribute> ParseAttributes(std::string_view text);

}  // namespace brisolt
