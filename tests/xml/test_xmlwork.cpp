#include "xml/xmlwork.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "../fuzz/reference_reader.h"
#include "../reference/xml_events.h"
#include "base/encoding.h"
#include "packgen.h"

namespace brisolt {
namespace {

// The reader's blank normalisation as Parse applies it: the body after the declaration is
// normalised where it stands in Content, even when it then turns out to be no element.
std::string NormalizeBlanks(const std::string& text) {
  static constexpr std::string_view kHead = "<?xml?>x";
  TXMLFile file;
  file.Content = std::string(kHead) + text + "x";
  file.Parse();
  return file.Content.substr(kHead.size(), file.Content.size() - kHead.size() - 1);
}

constexpr char kDecl[] = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>";

// The tree as one line: Name{text}[attr=value,...](children...); leaves show their text.
std::string Dump(const TXMLElement& element) {
  std::string out(element.Name);
  if (!element.Attributes.empty()) {
    out += '[';
    for (std::size_t index = 0; index < element.Attributes.size(); ++index) {
      if (index != 0) out += ',';
      out += element.Attributes[index].Name + '=' + element.Attributes[index].Value;
    }
    out += ']';
  }
  if (element.Children.empty()) {
    out += '{';
    out += element.Text;
    out += '}';
  } else {
    out += '(';
    for (std::size_t index = 0; index < element.Children.size(); ++index) {
      if (index != 0) out += ' ';
      out += Dump(element.Children[index]);
    }
    out += ')';
  }
  return out;
}

// Parses kDecl + body; "FAIL" when Parse refuses it.
std::string ParseDump(const std::string& body, const char* declaration = kDecl) {
  TXMLFile file;
  file.Content = declaration + body;
  if (!file.Parse()) return "FAIL";
  return Dump(*file.Root);
}

TEST(XmlParse, TreeShapes) {
  struct Case {
    const char* body;
    const char* tree;
  };
  const Case cases[] = {
      {"<A><B>1</B><B>2</B></A>", "A(B{1} B{2})"},
      {"<A><B/><E>x</E></A>", "A(B{} E{x})"},
      {"<A><B x=\"1\">t</B></A>", "A(B[x=1]{t})"},
      {"<A x=\"1\" y=\"2\"><B>t</B></A>", "A[x=1,y=2](B{t})"},
      {"<A x=\"1\"/>", "A[x=1]{}"},
      {"<A/>", "A{}"},
      {"<A></A>", "A{}"},
      // Line breaks and TABs become spaces; a CR LF pair becomes two.
      {"<A><B>a\r\nb</B></A>", "A(B{a  b})"},
      {"<A><B>a\tb</B></A>", "A(B{a b})"},
      // Only blanks before a ">" go; trailing blanks of a value stay.
      {"<A><B>text   </B></A>", "A(B{text   })"},
      {"<A><B>x</B ></A>", "A(B{x})"},
      {"<A\n><B\t>x</B\r\n></A  >", "A(B{x})"},
      // Blanks between siblings and around the root's text are skipped.
      {"\r\n <A>\r\n  <B>1</B>\r\n  <C>2</C>\r\n</A>\r\n", "A(B{1} C{2})"},
      // The root's text ends at the first end tag of its name.
      {"<A><A>1</A></A>", "A{<A>1}"},
      // Entities stay as written in the tree.
      {"<A>&amp;</A>", "A{&amp;}"},
      // A comment reads as a start tag "!--" whose end tag never comes.
      {"<A><!-- note --><B>1</B></A>", "A{<!-- note --><B>1</B>}"},
      // A missing end tag ends the level; what came before stays.
      {"<A><B>1</B><E>2</A>", "A(B{1})"},
      {"<A><B><C>1</C><D>2</B><E>3</E></A>", "A(B(C{1}) E{3})"},
      // Anything after the root's end tag is ignored.
      {"<A><B>1</B></A><C>junk", "A(B{1})"},
      // A blank before "/" is no empty tag: "/" is the attribute text.
      {"<A><B / ></B><C>1</C></A>", "A(B[/=]{} C{1})"},
      // Non-blank text between siblings is taken for the next tag's "<".
      {"<A><B>1</B>xy<C>2</C></A>", "A(B{1})"},
      // One stray character at the very end is not read as a tag.
      {"<A><B>1</B>x</A>", "A(B{1})"},
      // Mixed text: an element whose text does not start with "<" is a leaf.
      {"<A><B>v<C>1</C></B></A>", "A(B{v<C>1</C>})"},
      // Inside another element a ">" ends the tag even between quotes; in the root it does not.
      {"<A><B x=\"a>b\">1</B></A>", "A(B[x=a]{b\">1})"},
      {"<A x=\"a>b\"><B>1</B></A>", "A[x=a>b](B{1})"},
      // After "/" the tag runs to the next ">".
      {"<A><B/x><C>1</C></A>", "A(B{} C{1})"},
      // Element names are whatever stands before a blank, "/" or ">".
      {"<A><a<b>1</a<b></A>", "A(a<b{1})"},
      {"<A><>1</></A>", "A({1})"},
      // An element of the same name below it cuts the outer one short, and the end tag left over
      // reads as an empty element without a name.
      {"<A><B><B>1</B></B><C>2</C></A>", "A(B{<B>1} {} C{2})"},
  };
  for (const Case& testCase : cases) {
    EXPECT_EQ(ParseDump(testCase.body), testCase.tree) << testCase.body;
  }
}

TEST(XmlParse, RefusedDocuments) {
  struct Case {
    std::string content;
  };
  const Case cases[] = {
      {""},
      {"<A><B>1</B></A>"},                                    // no declaration
      {"\xEF\xBB\xBF<?xml version=\"1.0\"?><A>1</A>"},       // UTF-8 byte-order mark
      {"<?xml?>"},                                            // shorter than 8 characters
      {"<?xml version=\"1.0\"<A>1</A>"},                      // declaration never closed
      {"<?XML version=\"1.0\"?><A>1</A>"},                    // case matters
      {"<?xml version=\"1.0\"?>"},                            // no body
      {"<?xml version=\"1.0\"?>text<A>1</A>"},                // body not starting with "<"
      {"<?xml version=\"1.0\"?><A"},                          // root start tag unterminated
      {"<?xml version=\"1.0\"?><A x=\"1>"},                   // quote runs to the end
      {"<?xml version=\"1.0\"?><A/"},                         // no ">" after "/"
      {"<?xml version=\"1.0\"?><A><B>1</B>"},                 // no root end tag
      {"<?xml version=\"1.0\"?><A>1</a>"},                    // end tag of another case
  };
  for (const Case& testCase : cases) {
    TXMLFile file;
    file.Content = testCase.content;
    EXPECT_FALSE(file.Parse()) << testCase.content;
    EXPECT_EQ(file.Root, nullptr);
  }
}

TEST(XmlParse, DeclarationAndLeadingBlanks) {
  TXMLFile file;
  file.Content = " \r\n\t<?xml version=\"1.0\" encoding=\"windows-1251\" ?>\r\n<A>1</A>";
  ASSERT_TRUE(file.Parse());
  ASSERT_EQ(file.Declaration.size(), 2u);
  EXPECT_EQ(file.Declaration[0].Name, "version");
  EXPECT_EQ(file.Declaration[0].Value, "1.0");
  EXPECT_EQ(file.Declaration[1].Name, "encoding");
  EXPECT_EQ(file.Declaration[1].Value, "windows-1251");
  EXPECT_EQ(file.Root->Text, "1");

  // A second Parse starts afresh.
  file.Content = "<?xml version=\"1.0\"?><B><C>2</C></B>";
  ASSERT_TRUE(file.Parse());
  EXPECT_EQ(Dump(*file.Root), "B(C{2})");
  file.Content = "junk";
  EXPECT_FALSE(file.Parse());
  EXPECT_EQ(file.Root, nullptr);
  EXPECT_TRUE(file.Declaration.empty());
}

TEST(XmlUtilities, ParseAttributes) {
  struct Case {
    const char* text;
    std::vector<std::pair<std::string, std::string>> pairs;
  };
  const Case cases[] = {
      {"version=\"1.0\" encoding=\"windows-1251\"", {{"version", "1.0"}, {"encoding", "windows-1251"}}},
      {"a=\"1\"  b=\"2\"", {{"a", "1"}, {"", ""}, {"b", "2"}}},
      {"a=\"x y\"", {{"a", "x y"}}},
      {"a='1'", {{"a", "'1'"}}},
      {"a=1", {{"a", "1"}}},
      {"a=\"1\" ", {{"a", "1"}}},
      {"flag", {{"flag", ""}}},
      {"=\"v\"", {}},
      {"", {}},
  };
  for (const Case& testCase : cases) {
    const std::vector<TXMLAttribute> attributes = ParseAttributes(testCase.text);
    ASSERT_EQ(attributes.size(), testCase.pairs.size()) << testCase.text;
    for (std::size_t index = 0; index < attributes.size(); ++index) {
      EXPECT_EQ(attributes[index].Name, testCase.pairs[index].first) << testCase.text;
      EXPECT_EQ(attributes[index].Value, testCase.pairs[index].second) << testCase.text;
    }
  }
}

TEST(XmlUtilities, TrimAndNormalize) {
  EXPECT_EQ(TrimBlanks(" \t\r\nab c\n "), "ab c");
  EXPECT_EQ(TrimBlanks(" \t "), "");
  EXPECT_EQ(NormalizeBlanks("<a \t>x\r\ny  </a   >"), "<a>x  y  </a>");
  EXPECT_EQ(NormalizeBlanks("  >"), ">");
}

// The reader scans sixteen bytes at a time: blanks, ">" and "<" at every place around the seams
// of those blocks, and names and texts running across them.
TEST(XmlUtilities, BlockSeams) {
  for (std::size_t at = 0; at < 50; ++at) {
    for (const char* blanks : {" ", "\t", "\r\n", "  \t "}) {
      std::string text = std::string(at, 'a') + blanks + ">b" + blanks + "\r" + std::string(at % 7, 'c') + ">";
      EXPECT_EQ(NormalizeBlanks(text), reference::Normalize(text)) << at;
      text = std::string(at, '\t') + "x" + std::string(at % 5, '\n');
      EXPECT_EQ(NormalizeBlanks(text), reference::Normalize(text)) << at;
    }
  }
  for (std::size_t length = 1; length < 50; ++length) {
    const std::string name(length, '\xC0');
    for (const std::string& inner : {"<" + name + ">x</" + name + ">", "<" + name + "/>",
                                     "<" + name + " k=\"v\">\r\n x </" + name + "\t>",
                                     "<" + name.substr(0, length / 2) + "<" + name + ">x</" + name + ">",
                                     "<" + name + ">" + std::string(length, ' ') + "t" + "</" + name + ">"}) {
      const std::string content = std::string(kDecl) + "<R>" + std::string(length % 17, ' ') + inner + "</R>";
      TXMLFile file;
      file.Content = content;
      reference::TRefElement expected;
      ASSERT_EQ(file.Parse(), reference::Parse(content, expected)) << content;
      if (file.Root) {
        EXPECT_EQ(reference::Compare(*file.Root, expected), "") << content;
      }
    }
  }
}

TEST(XmlElement, ParseChildrenOnItsOwn) {
  TXMLElement element;
  const std::string text = "  <B>1</B> <C><D>2</D></C>  ";
  element.Text = text;
  EXPECT_TRUE(element.ParseChildren());
  EXPECT_EQ(Dump(element), "(B{1} C(D{2}))");

  element.Text = "leaf";
  EXPECT_FALSE(element.ParseChildren());
  EXPECT_TRUE(element.Children.empty());

  element.Text = "<B>1</B><C>2";
  EXPECT_FALSE(element.ParseChildren());
  EXPECT_EQ(Dump(element), "(B{1})");
}

TEST(XmlHostile, DeepNestingIsCutBelowTheLimit) {
  const int depth = 5000;
  std::string body;
  for (int level = 0; level < depth; ++level) body += "<e>";
  body += "x";
  for (int level = 0; level < depth; ++level) body += "</e>";
  // Every level has the same name, so the root's text ends at the first "</e>".
  TXMLFile sameName;
  sameName.Content = kDecl + body;
  ASSERT_TRUE(sameName.Parse());
  EXPECT_TRUE(sameName.Root->Children.empty());

  body.clear();
  for (int level = 0; level < depth; ++level) body += "<e" + std::to_string(level) + ">";
  body += "x";
  for (int level = depth - 1; level >= 0; --level) body += "</e" + std::to_string(level) + ">";
  TXMLFile distinct;
  distinct.Content = kDecl + body;
  ASSERT_TRUE(distinct.Parse());
  const TXMLElement* element = distinct.Root.get();
  int levels = 0;
  while (!element->Children.empty()) {
    ASSERT_EQ(element->Children.size(), 1u);
    element = &element->Children[0];
    ++levels;
  }
  EXPECT_EQ(levels, TXMLElement::kMaxDepth + 1);
  EXPECT_EQ(element->Name, "e257");
  EXPECT_TRUE(element->Text.starts_with("<e258>"));
}

TEST(XmlHostile, LargeInputsStayLinear) {
  const auto started = std::chrono::steady_clock::now();
  // Many unterminated start tags, a huge text node, a long run of "</" without ">".
  {
    std::string body = "<A>";
    for (int index = 0; index < 200000; ++index) body += "<B>";
    body += "</A>";
    TXMLFile file;
    file.Content = kDecl + body;
    ASSERT_TRUE(file.Parse());
    EXPECT_TRUE(file.Root->Children.empty());
  }
  {
    std::string body = "<A><B>" + std::string(20'000'000, 'x') + "</B></A>";
    TXMLFile file;
    file.Content = kDecl + body;
    ASSERT_TRUE(file.Parse());
    ASSERT_EQ(file.Root->Children.size(), 1u);
    EXPECT_EQ(file.Root->Children[0].Text.size(), 20'000'000u);
  }
  {
    std::string body = "<A>";
    for (int index = 0; index < 300000; ++index) body += "</";
    body += "></A>";
    TXMLFile file;
    file.Content = kDecl + body;
    EXPECT_TRUE(file.Parse());
  }
  {
    // Siblings whose end tags are all missing but one far away.
    std::string body = "<A>";
    for (int index = 0; index < 100000; ++index) body += "<P><X" + std::to_string(index) + "></P>";
    body += "</A>";
    TXMLFile file;
    file.Content = kDecl + body;
    ASSERT_TRUE(file.Parse());
    EXPECT_EQ(file.Root->Children.size(), 100000u);
  }
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  EXPECT_LT(seconds, 20.0);
}

// Documents stitched together from the pieces that make readers stumble, read by this reader and
// by the plain one that copies texts and searches for end tags the slow way.
TEST(XmlParse, AgreesWithThePlainReader) {
  const char* const pieces[] = {"<A>", "</A>", "<B>", "</B>", "<A/>", "<B/>", " ", "\r\n", "\t", "x", "\"",
                                "=", "<A x=\"1\">", "<B y=\"a>b\">", "/", ">", "<", "</", " >", "<A />",
                                "&amp;", "<!-- c -->", "<C", "</C >", "<>", "</>", "<a<b>", "</a<b>"};
  std::mt19937 random(20101);
  int parsed = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string content = round % 7 == 0 ? "<?xml version=\"1.0\" encoding=\"windows-1251\"?>"
                                         : "<?xml version=\"1.0\"?>\r\n<A>";
    const int count = static_cast<int>(random() % 24);
    for (int index = 0; index < count; ++index) content += pieces[random() % std::size(pieces)];
    if (round % 3 != 0) content += "</A>";
    TXMLFile file;
    file.Content = content;
    reference::TRefElement expected;
    const bool expectedParsed = reference::Parse(content, expected);
    ASSERT_EQ(file.Parse(), expectedParsed) << content;
    if (!expectedParsed) continue;
    ++parsed;
    ASSERT_EQ(reference::Compare(*file.Root, expected), "") << content;
  }
  EXPECT_GT(parsed, 5000);
}

// Properly nested documents, now and then with one flaw: same-name nesting, text beside children,
// a stray end tag, a "<" inside a tag, deep nesting.
std::string RandomTree(std::mt19937& random, int depth) {
  const char* const names[] = {"A", "B", "C", "Dd", "e1"};
  const char* const texts[] = {"", "1", " 2 ", "\r\n\t", "a b", "x&amp;y", "q>r"};
  const char* const flaws[] = {"</B>", "<B>", "t", "<!-- c -->", "</>", "<>", "<a<b>", " / >"};
  std::string out;
  const int children = depth > 5 ? 0 : static_cast<int>(random() % 4);
  for (int index = 0; index < children; ++index) {
    const std::string name = names[random() % std::size(names)];
    out += random() % 3 == 0 ? "\r\n  " : "";
    if (random() % 40 == 0) out += flaws[random() % std::size(flaws)];
    out += "<" + name + (random() % 5 == 0 ? " k=\"v w\"" : "") + (random() % 7 == 0 ? " " : "");
    if (random() % 6 == 0) {
      out += "/>";
      continue;
    }
    out += ">";
    out += random() % 2 == 0 ? RandomTree(random, depth + 1) : texts[random() % std::size(texts)];
    out += "</" + name + (random() % 9 == 0 ? "\t" : "") + ">";
  }
  return out;
}

TEST(XmlParse, AgreesWithThePlainReaderOnNestedDocuments) {
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string content = "<?xml version=\"1.0\"?>\r\n<R>" + RandomTree(random, 0) + "</R>\r\n";
    if (round % 50 == 0) {
      std::string deep;
      for (int level = 0; level < 70; ++level) deep += "<n" + std::to_string(level) + ">";
      deep += "x";
      for (int level = 69; level >= 0; --level) deep += "</n" + std::to_string(level) + ">";
      content = "<?xml version=\"1.0\"?><R>" + deep + "</R>";
    }
    TXMLFile file;
    file.Content = content;
    reference::TRefElement expected;
    const bool expectedParsed = reference::Parse(content, expected);
    ASSERT_EQ(file.Parse(), expectedParsed) << content;
    if (expectedParsed) {
      ASSERT_EQ(reference::Compare(*file.Root, expected), "") << content;
    }
  }
}

// Wherever the walk goes through a document, the replay of its parsed tree tells the very same
// events: the pack reader takes its values from either.
TEST(XmlWalk, ReplayTellsWhatTheWalkTells) {
  std::mt19937 random(11);
  int walked = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string content = "<?xml version=\"1.0\"?>\r\n<R" + std::string(round % 5 == 0 ? " k=\"a b\"" : "") + ">" +
                          RandomTree(random, 0) + "</R>\r\n";
    if (round % 11 == 0) content = "<?xml version=\"1.0\"?><R/>";
    std::string byWalk;
    std::string byReplay;
    const bool walkedThrough = reference::WalkEvents(content, byWalk);
    // Passing over elements changes what is told, never whether the walk goes through.
    for (const char* passOver : {"A", "Dd", "R"}) {
      std::string passedByWalk;
      std::string passedByReplay;
      ASSERT_EQ(reference::WalkEvents(content, passedByWalk, 0, passOver), walkedThrough) << passOver << content;
      if (!walkedThrough) continue;
      ASSERT_TRUE(reference::ReplayEvents(content, passedByReplay, 0, passOver)) << content;
      ASSERT_EQ(passedByWalk, passedByReplay) << passOver << content;
    }
    if (!walkedThrough) continue;
    ++walked;
    ASSERT_TRUE(reference::ReplayEvents(content, byReplay)) << content;
    ASSERT_EQ(byWalk, byReplay) << content;
  }
  // Most of these documents nest simply, or the comparison would mean little.
  EXPECT_GT(walked, 10000);

  // A handler that stops ends both at the same event.
  const std::string content = std::string(kDecl) + "<R><A>1</A><B/><C><D>2</D></C></R>";
  for (std::size_t stopAt = 1; stopAt <= 10; ++stopAt) {
    std::string byWalk;
    std::string byReplay;
    EXPECT_FALSE(reference::WalkEvents(content, byWalk, stopAt)) << stopAt;
    EXPECT_FALSE(reference::ReplayEvents(content, byReplay, stopAt)) << stopAt;
    EXPECT_EQ(byWalk, byReplay) << stopAt;
  }
  std::string events;
  EXPECT_TRUE(reference::WalkEvents(content, events, 11));
  EXPECT_EQ(events, "0<R\n1<A\n1>1\n1<B\n1>\n1<C\n2<D\n2>2\n1><D>2</D>\n0><A>1</A><B/><C><D>2</D></C>\n");
  // An element passed over, empty or not, tells its start and nothing of it after that.
  for (const char* passOver : {"B", "C"}) {
    std::string byReplay;
    EXPECT_TRUE(reference::WalkEvents(content, events, 0, passOver));
    EXPECT_TRUE(reference::ReplayEvents(content, byReplay, 0, passOver));
    EXPECT_EQ(events, byReplay);
    EXPECT_EQ(events, std::string(passOver) == "B"
                          ? "0<R\n1<A\n1>1\n1<B\n1<C\n2<D\n2>2\n1><D>2</D>\n0><A>1</A><B/><C><D>2</D></C>\n"
                          : "0<R\n1<A\n1>1\n1<B\n1>\n1<C\n0><A>1</A><B/><C><D>2</D></C>\n");
  }
  TXMLFile unparsed;
  reference::TEventLog log;
  EXPECT_FALSE(unparsed.Replay(log));
}

// Names of every length up to three words: an end tag that differs from its start tag in any one
// byte, or an element inside one of its own name, ends the walk (the tree then decides), while
// names that only share their length and their first and last bytes, or their first bytes, nest
// as any others. Either way the walk tells what the tree's replay tells, or gives up.
TEST(XmlWalk, NamesAreComparedInFullWhateverTheirLength) {
  for (std::size_t length = 1; length <= 24; ++length) {
    std::string name;
    for (std::size_t at = 0; at < length; ++at) name += static_cast<char>('a' + (at * 7) % 26);
    for (std::size_t changed = 0; changed < length; ++changed) {
      std::string other = name;
      other[changed] = other[changed] == 'z' ? 'y' : 'z';
      const auto events = [](const std::string& body, bool& walked) {
        std::string byWalk;
        std::string byReplay;
        walked = reference::WalkEvents(std::string(kDecl) + body, byWalk);
        if (walked) EXPECT_TRUE(reference::ReplayEvents(std::string(kDecl) + body, byReplay)) << body;
        if (walked) EXPECT_EQ(byWalk, byReplay) << body;
      };
      bool walked = true;
      events("<R><" + name + ">1</" + other + "></R>", walked);
      EXPECT_FALSE(walked) << name << " closed by " << other;
      events("<R><" + name + "><x><" + name + ">1</" + name + "></x></" + name + "></R>", walked);
      EXPECT_FALSE(walked) << name << " inside itself";
      events("<R><" + name + "><x><" + other + ">1</" + other + "></x></" + name + "></R>", walked);
      EXPECT_TRUE(walked) << other << " inside " << name;
    }
  }
}

std::vector<std::string> GeneratedPacks() {
  std::vector<std::string> packs;
  for (const bool indented : {true, false}) {
    packgen::TRenderStyle style;
    style.Indented = indented;
    for (const char* form : {"СЗВ-6-1", "СЗВ-6-4"}) {
      packgen::TGenSZV6Pack pack;
      pack.FormKind = form;
      for (int person = 1; person <= 3; ++person) {
        packgen::TGenDoc doc;
        doc.SNILS = packgen::MakeSNILS(static_cast<std::uint64_t>(person));
        doc.LastName = "Иванов&Ко";
        doc.InsAccrued = 1234567 * person;
        doc.Stages.push_back({"01.01.2011", "31.03.2011", person == 1});
        doc.WithAddress = person != 3;
        pack.Docs.push_back(doc);
      }
      packs.push_back(packgen::RenderSZV6Pack(pack, style));
    }
    packgen::TGenSZV63Pack pack63;
    for (int person = 1; person <= 2; ++person) {
      packgen::TGenSZV63Doc doc;
      doc.SNILS = packgen::MakeSNILS(static_cast<std::uint64_t>(person) + 10);
      for (int month = 0; month < 12; month += person) doc.Months[month] = {1000000 + month, 900000};
      pack63.Docs.push_back(doc);
    }
    packs.push_back(packgen::RenderSZV63Pack(pack63, style));
  }
  return packs;
}

// One random damage: a markup character removed, a stretch of the pack repeated or dropped, or
// other text put where a value stood.
std::string Damage(std::string pack, std::mt19937& random) {
  const auto at = [&](std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size - 1)(random); };
  switch (random() % 5) {
    case 0: {
      const std::size_t pos = pack.find_first_of("<>/", at(pack.size()));
      if (pos != std::string::npos) pack.erase(pos, 1);
      break;
    }
    case 1: {
      const std::size_t begin = pack.find('<', at(pack.size()));
      const std::size_t end = begin == std::string::npos ? begin : pack.find('<', begin + 1 + random() % 200);
      if (end != std::string::npos) pack.insert(end, pack.substr(begin, end - begin));
      break;
    }
    case 2: {
      const std::size_t begin = pack.find('<', at(pack.size()));
      const std::size_t end = begin == std::string::npos ? begin : pack.find('<', begin + 1 + random() % 100);
      if (end != std::string::npos) pack.erase(begin, end - begin);
      break;
    }
    default: {
      static const char* const kValues[] = {"", " 7 ", "&amp;x", "<a/>", "<b>1</b>", "x<c>2</c>", "\r\n\t"};
      const std::size_t close = pack.find("</", at(pack.size()));
      if (close == std::string::npos) break;
      const std::size_t open = pack.rfind('>', close);
      if (open == std::string::npos || open + 1 > close) break;
      pack.replace(open + 1, close - open - 1, kValues[random() % std::size(kValues)]);
      break;
    }
  }
  return pack;
}

// The same on packs as employers' programs write them, whole and damaged at random.
TEST(XmlWalk, ReplayTellsWhatTheWalkTellsOnDamagedPacks) {
  std::mt19937 random(20261208);
  int walked = 0;
  int refused = 0;
  for (const std::string& pack : GeneratedPacks()) {
    std::string byWalk;
    std::string byReplay;
    ASSERT_TRUE(reference::WalkEvents(pack, byWalk)) << "a generated pack does not nest simply";
    ASSERT_TRUE(reference::ReplayEvents(pack, byReplay));
    EXPECT_EQ(byWalk, byReplay);
    for (int round = 0; round < 200; ++round) {
      std::string damaged = pack;
      for (int damage = 0, count = 1 + static_cast<int>(random() % 3); damage < count; ++damage) {
        damaged = Damage(damaged, random);
      }
      if (!reference::WalkEvents(damaged, byWalk)) {
        ++refused;
        continue;
      }
      ++walked;
      ASSERT_TRUE(reference::ReplayEvents(damaged, byReplay)) << Cp1251ToUtf8(damaged);
      ASSERT_EQ(byWalk, byReplay) << Cp1251ToUtf8(damaged);
    }
  }
  EXPECT_GT(walked, 100);
  EXPECT_GT(refused, 100);
}

class XmlFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("brisolt-xml-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return NativeFromPath(path);
  }

  std::filesystem::path dir_;
};

TEST_F(XmlFiles, ReadsWholeFilesOfEverySize) {
  for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{63999}, std::size_t{64000},
                           std::size_t{64001}, std::size_t{128000}, std::size_t{200000}}) {
    std::string bytes(size, 'a');
    for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<char>(index * 7 % 256);
    TXMLFile file;
    ASSERT_TRUE(file.LoadFromFile(Write("f" + std::to_string(size), bytes))) << size;
    EXPECT_EQ(file.Content, bytes) << size;
  }
}

// One TXMLFile reading file after file, as a reading thread does: each Content is exactly its
// file, whether longer or shorter than the one before, and a head is the file's first bytes.
TEST_F(XmlFiles, AReusedFileHoldsEachFileExactly) {
  TXMLFile file;
  for (std::size_t size : {std::size_t{200000}, std::size_t{5}, std::size_t{0}, std::size_t{64001},
                           std::size_t{64000}, std::size_t{300000}, std::size_t{1}}) {
    std::string bytes(size, 'a');
    for (std::size_t index = 0; index < size; ++index) bytes[index] = static_cast<char>((index * 13 + size) % 256);
    const std::string name = Write("f" + std::to_string(size), bytes);
    ASSERT_TRUE(file.LoadFromFile(name)) << size;
    EXPECT_EQ(file.Content, bytes) << size;
    for (std::size_t head : {std::size_t{0}, std::size_t{4}, std::size_t{64000}, std::size_t{250000}}) {
      ASSERT_TRUE(file.LoadHeadFromFile(name, head)) << size << " " << head;
      EXPECT_EQ(file.Content, bytes.substr(0, head)) << size << " " << head;
    }
  }
  // The head of a file too large to read is refused as the whole file is.
  const std::filesystem::path huge = dir_ / "huge.xml";
  std::ofstream(huge, std::ios::binary) << kDecl;
  std::filesystem::resize_file(huge, std::uintmax_t{2} << 30);
  EXPECT_FALSE(file.LoadHeadFromFile(huge.string(), 100));
  EXPECT_TRUE(file.Content.empty());
}

#ifdef __linux__
// A file longer than its listed size is refused: /proc's files say 0 bytes and hold more.
TEST_F(XmlFiles, AFileLongerThanItsSizeIsRefused) {
  TXMLFile file;
  EXPECT_FALSE(file.LoadFromFile("/proc/self/status"));
  EXPECT_TRUE(file.Content.empty());
  EXPECT_EQ(file.LoadError, "файл изменился во время чтения");
}
#endif

TEST_F(XmlFiles, MissingFileOrFolderIsFalse) {
  TXMLFile file;
  file.Content = "old";
  EXPECT_FALSE(file.LoadFromFile(NativeFromPath(dir_ / "missing.xml")));
  EXPECT_TRUE(file.Content.empty());
  EXPECT_FALSE(file.LoadFromFile(NativeFromPath(dir_)));
}

TEST_F(XmlFiles, RefusesATooLargeFileBeforeReadingIt) {
  // A sparse file: its size says gigabytes, the disk holds almost nothing.
  const std::filesystem::path huge = dir_ / "huge.xml";
  std::ofstream(huge, std::ios::binary) << kDecl;
  std::filesystem::resize_file(huge, std::uintmax_t{2} << 30);
  TXMLFile file;
  EXPECT_FALSE(file.LoadFromFile(huge.string()));
  EXPECT_EQ(file.Content.capacity(), std::string().capacity()) << "the file was read into memory";
  EXPECT_NE(file.LoadError.find("2147483648"), std::string::npos) << file.LoadError;
}

TEST_F(XmlFiles, ParsesWhatItRead) {
  TXMLFile file;
  ASSERT_TRUE(file.LoadFromFile(Write("a.xml", std::string(kDecl) + "\r\n<A>\r\n <B>\xCF\xD4\xD0</B>\r\n</A>\r\n")));
  ASSERT_TRUE(file.Parse());
  EXPECT_EQ(Dump(*file.Root), "A(B{\xCF\xD4\xD0})");
}

}  // namespace
}  // namespace brisolt
