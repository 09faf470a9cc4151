// Copied cells and rows as a spreadsheet pastes them: a tab or line break inside a value once split it.
#include <gtest/gtest.h>

#include <vector>

#include "document/clipboard_text.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

TEST(ClipboardText, CellsWithTabsBreaksOrQuotesAreQuoted) {
  struct Case {
    std::u16string value;
    std::u16string pasted;
  };
  const Case cases[] = {
      {u"plain", u"plain"},       {u"", u""},  {u"a,b;c", u"a,b;c"},   {u" pad ", u" pad "},
      {u"a\tb", u"\"a\tb\""},     {u"l1\nl2", u"\"l1\nl2\""},          {u"l1\r\nl2", u"\"l1\r\nl2\""},
      {u"say \"hi\"", u"\"say \"\"hi\"\"\""},
  };
  for (const Case& c : cases) EXPECT_EQ(ClipboardCell(c.value), c.pasted) << Utf16ToUtf8(c.value);
  const std::vector<std::u16string> row = {u"x", u"a\tb", u""};
  EXPECT_EQ(ClipboardRow(row), u"x\t\"a\tb\"\t");
  EXPECT_EQ(ClipboardRow({}), u"");
}

}  // namespace
}  // namespace qelvar
