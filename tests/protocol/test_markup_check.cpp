// The fuzz targets' markup check, which holds every page and workbook the writers make to
// well-formed markup: what it refuses, where, and what it lets through, in both modes.
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "../fuzz/markup_check.h"

namespace brisolt {
namespace {

struct TMarkupCase {
  const char* Name;
  std::string_view Text;
  bool Html;
  const char* Error;  // "" when the text passes
  std::size_t Offset;  // where it fails
};

using namespace std::string_view_literals;

constexpr TMarkupCase kCases[] = {
    {"xml passes", "<?xml version=\"1.0\"?>\r\n<a x=\"1\" y='&lt;'>t&amp;&#x41;\"'</a>\r\n", false, "", 0},
    {"xml > in an attribute", "<?xml?><a b=\"x>y\"/>", false, "", 0},
    {"xml ]]> in text", "<?xml?><a>xy]]>z</a>", false, "]]> in text", 14},
    {"xml ]]> in an attribute", "<?xml?><a b=\"]]>\"/>", false, "]]> in text", 15},
    {"xml control character in text", "<?xml?><a>abc\x01</a>", false, "control character 1", 13},
    {"xml control character in an attribute", "<?xml?><a b=\"x\x02\"/>", false, "control character 2", 14},
    {"xml < in an attribute", "<?xml?><a b=\"x<y\"/>", false, "< in an attribute value", 14},
    {"xml bare &", "<?xml?><a>x & y</a>", false, "bare &", 12},
    {"xml text after the root", "<?xml?><a/>x", false, "text outside the root element", 11},
    {"xml end tag of another case", "<?xml?><P>x</p>", false, "end tag p does not close P", 15},
    {"xml attribute twice", "<?xml?><a b=\"1\" b=\"2\"/>", false, "attribute b twice in a", 17},
    {"xml attribute value not closed", "<?xml?><a b=\"xyz", false, "attribute value not closed", 16},
    {"html end tag of another case", "<P>x</p>", true, "", 0},
    {"html attribute twice, cases differing", "<a HREF=x href=y></a>", true, "twice", 14},
    {"html void elements and raw script", "<br><p>a</p><script>if (a<b) c</script>", true, "", 0},
    {"html control character", "<p>ab\x1F</p>", true, "control character 31", 5},
    {"html element not closed", "<p><b>x</p>", true, "end tag p does not close b", 11},
};

TEST(MarkupCheck, RefusesWhatIsNotWellFormedAndPassesTheRest) {
  for (const TMarkupCase& each : kCases) {
    SCOPED_TRACE(each.Name);
    const fuzzing::TMarkupReport report = fuzzing::CheckMarkup(each.Text, each.Html);
    if (std::string_view(each.Error).empty()) {
      EXPECT_EQ(report.Error, "");
    } else {
      EXPECT_NE(report.Error.find(each.Error), std::string::npos) << report.Error;
      EXPECT_EQ(report.Offset, each.Offset);
    }
  }
}

TEST(MarkupCheck, CountsTheNamedElements) {
  const std::string_view workbook =
      "<?xml?><Workbook><Worksheet a=\"1\"/><Worksheet>x</Worksheet><worksheet/></Workbook>";
  const fuzzing::TMarkupReport report = fuzzing::CheckMarkup(workbook, false, "Worksheet");
  EXPECT_EQ(report.Error, "");
  EXPECT_EQ(report.Elements, 4u);
  EXPECT_EQ(report.Counted, 2u);
}

}  // namespace
}  // namespace brisolt
