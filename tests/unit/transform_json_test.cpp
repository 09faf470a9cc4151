// The transformation file: what is written, what is read, and what is refused without changing anything.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/utf.h"
#include "test_support.h"
#include "transform/transform.h"

namespace qelvar {
namespace {

using Names = std::vector<std::u16string>;

TTransformConfig Sample() {
  TTransformConfig config;
  config.InitialHeaders = {u"Name", u"\u0426\u0435\u043D\u0430", u"q\"t\\y"};
  config.TargetOrder = config.InitialHeaders;
  config.AddColumn(1, u"\u5408\u8A08");
  config.SetConstant(2, u"K");
  config.SetFill(0, u"\u2014");
  config.SetEnumeration(1, 5, 3);
  config.SetEnumeration(3, 7, kSequenceToEnd);
  config.RenameColumn(3, u"Tab\there");
  config.SetConstant(0, u"");
  config.ExportDelimiter = u'\t';
  config.NumberFormat = u",";
  return config;
}

TEST(TransformFile, WritesTheNineMembersInOrder) {
  TTransformConfig config;
  config.InitialHeaders = {u"a"};
  config.TargetOrder = {u"a", u"n"};
  config.AddedHeaders = {u"n"};
  config.EnumerationVars.Set(u"n", u"2:4");
  config.ConstantVars.Set(u"a", u"");
  const std::string expected =
      "{\n"
      "  \"initial_headers\": [\n    \"a\"\n  ],\n"
      "  \"target_order\": [\n    \"a\",\n    \"n\"\n  ],\n"
      "  \"constant_vars\": {\n    \"a\": \"\"\n  },\n"
      "  \"fill_vars\": {},\n"
      "  \"enumeration_vars\": {\n    \"n\": {\n      \"start\": 2,\n      \"stop\": 4\n    }\n  },\n"
      "  \"rename_headers\": {},\n"
      "  \"added_headers\": [\n    \"n\"\n  ],\n"
      "  \"export_delimiter\": \";\",\n"
      "  \"number_format\": \"original\"\n"
      "}";
  EXPECT_EQ(config.ToJsonText(), expected);
}

TEST(TransformFile, SaveLoadSaveGivesIdenticalBytes) {
  test::TempDir dir;
  const TTransformConfig original = Sample();
  const auto first = dir.File("first.json"), second = dir.File("second.json");
  ASSERT_TRUE(original.SaveToFile(first));
  const std::string bytes = test::ReadBytes(first);
  ASSERT_GE(bytes.size(), 3u);
  EXPECT_NE(bytes.substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(bytes.find("\"\xD0\xA6\xD0\xB5\xD0\xBD\xD0\xB0\""), std::string::npos);  // UTF-8, not \u escapes
  EXPECT_NE(bytes.find("\"start\": 7,\n      \"stop\": \"end\""), std::string::npos);  // to the last row, as such

  TTransformConfig loaded;
  ASSERT_TRUE(loaded.LoadFromFile(first));
  EXPECT_EQ(loaded, original);
  ASSERT_TRUE(loaded.SaveToFile(second));
  EXPECT_EQ(test::ReadBytes(second), bytes);

  // Saving replaces the whole content of an existing, longer file.
  test::WriteBytes(second, std::string(10000, 'x'));
  ASSERT_TRUE(loaded.SaveToFile(second));
  EXPECT_EQ(test::ReadBytes(second), bytes);
}

TEST(TransformFile, SaveFailsIntoAMissingFolder) {
  test::TempDir dir;
  EXPECT_FALSE(Sample().SaveToFile(dir.File("missing/t.json")));
}

TEST(TransformFile, ReadingRules) {
  const std::string required =
      R"("initial_headers": ["a", "b"], "constant_vars": {}, "fill_vars": {}, "enumeration_vars": {},)"
      R"( "rename_headers": {}, "added_headers": [])";
  struct Case {
    std::string json;
    bool result;
    Names targets;
    char16_t delimiter;
    std::u16string numberFormat;
  };
  const Case cases[] = {
      {"{" + required + R"(, "target_order": ["b"]})", true, {u"b"}, u';', u"original"},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": ""})", true, {u"b"}, u'#', u"original"},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "\t|"})", true, {u"b"}, u'\t', u"original"},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": 5})", true, {u"b"}, u';', u"original"},
      // Only a delimiter that a load detects is taken; any other fails the load and changes nothing.
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "\ud83d\ude00"})", false, {u"old"}, u'#', u"."},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "\""})", false, {u"old"}, u'#', u"."},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "\r"})", false, {u"old"}, u'#', u"."},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "\n"})", false, {u"old"}, u'#', u"."},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "\u0000"})", false, {u"old"}, u'#', u"."},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": "x"})", false, {u"old"}, u'#', u"."},
      {"{" + required + R"(, "target_order": ["b"], "export_delimiter": ":"})", true, {u"b"}, u':', u"original"},
      {"{" + required + R"(, "target_order": ["b"], "number_format": "weird"})", true, {u"b"}, u';', u"weird"},
      {"{" + required + R"(, "target_order": ["b"], "number_format": null})", true, {u"b"}, u';', u"original"},
      {"{" + required + R"(, "target_order": [1, true, 2.5, "x", -3]})", true, {u"1", u"true", u"2.5", u"x", u"-3"},
       u';', u"original"},
      {"{" + required + R"(, "target_order": ["b"], "other": [[[]]]})", true, {u"b"}, u';', u"original"},
      {"\xEF\xBB\xBF{" + required + R"(, "target_order": ["b"]})", true, {u"b"}, u';', u"original"},
      // An empty target_order is taken over and reported as a failure.
      {"{" + required + R"(, "target_order": []})", false, {}, u';', u"original"},
  };
  for (const auto& c : cases) {
    TTransformConfig config;
    config.TargetOrder = {u"old"};
    config.ExportDelimiter = u'#';
    config.NumberFormat = u".";
    EXPECT_EQ(config.LoadFromJsonText(c.json), c.result) << c.json;
    EXPECT_EQ(config.TargetOrder, c.targets) << c.json;
    const bool untouched = c.targets == Names{u"old"};  // a failed load takes nothing over
    EXPECT_EQ(config.InitialHeaders, (untouched ? Names{} : Names{u"a", u"b"})) << c.json;
    EXPECT_EQ(config.ExportDelimiter, c.delimiter) << c.json;
    EXPECT_EQ(config.NumberFormat, c.numberFormat) << c.json;
  }
}

TEST(TransformFile, MapsAndSequencesAsRead) {
  const std::string json = R"({"initial_headers": [], "target_order": ["n"], "added_headers": [],
    "constant_vars": {"Price": "1", "PRICE": "2", "q": 7, "b": false},
    "fill_vars": {"x": ""},
    "rename_headers": {"\u0418\u043c\u044f": "\u0418\u041c\u042f"},
    "enumeration_vars": {"a": {"start": 10}, "b": {}, "c": {"stop": 4, "start": -2}, "d": {"start": "5", "stop": 2.0},
                         "e": {"start": 18446744073709551615, "stop": 9223372036854775807},
                         "f": {"start": 10, "stop": "end"}, "g": {"start": 3, "stop": "End"}}})";
  TTransformConfig config;
  ASSERT_TRUE(config.LoadFromJsonText(json));
  ASSERT_EQ(config.ConstantVars.Pairs().size(), 3u);
  EXPECT_EQ(config.ConstantVars.Pairs()[0].Name, u"PRICE");
  EXPECT_EQ(config.ConstantVars.Pairs()[0].Value, u"2");
  EXPECT_EQ(config.ConstantVars.ValueOf(u"q"), u"7");
  EXPECT_EQ(config.ConstantVars.ValueOf(u"B"), u"false");
  EXPECT_EQ(config.FillVars.Pairs().size(), 1u);
  EXPECT_EQ(config.RenameHeaders.ValueOf(u"\u0418\u041C\u042F"), u"\u0418\u041C\u042F");
  struct Sequence {
    std::u16string name, text;
  };
  const Sequence sequences[] = {
      {u"a", u"10:1"},  // stop defaults to 1, not to start
      {u"b", u"1:1"},
      {u"c", u"-2:4"},
      {u"d", u"1:2"},   // a string is no number; 2.0 is an integral number
      {u"e", u"1:9223372036854775807"},
      {u"f", u"10:9223372036854775807"},  // to the last row
      {u"g", u"3:1"},                     // only "end" itself is that word
  };
  for (const auto& s : sequences) EXPECT_EQ(config.EnumerationVars.ValueOf(s.name), s.text) << Utf16ToUtf8(s.name);
}

// Bad input: each fails and leaves the transformation exactly as it was.
TEST(TransformFile, BadInputFailsWithoutChangingAnything) {
  const std::string good =
      R"("initial_headers": ["a"], "target_order": ["a"], "constant_vars": {}, "fill_vars": {},)"
      R"( "enumeration_vars": {}, "rename_headers": {}, "added_headers": [])";
  std::vector<std::string> cases = {
      "",
      "not json",
      "[]",
      "\"text\"",
      "42",
      "null",
      "{" + good,                                           // truncated
      "{" + good + "} trailing",
      "{" + good + ", \"x\": 1,}",
      std::string(100000, '[') + std::string(100000, ']'),  // deep nesting
      "{\"x\": " + std::string(100000, '{'),
      "{" + good + ", \"initial_headers\": [\"b\"]}",       // a repeated member
      R"({"initial_headers": ["a"], "target_order": ["a"], "constant_vars": {"k": "1", "k": "2"}, "fill_vars": {},)"
      R"( "enumeration_vars": {}, "rename_headers": {}, "added_headers": []})",
      "{\"initial_headers\": [\"\xFF\"], " + good.substr(good.find("\"target_order\"")) + "}",  // invalid UTF-8
  };
  // Every required member missing, null, or of the wrong type.
  const char* members[] = {"initial_headers", "target_order", "constant_vars", "fill_vars",
                           "enumeration_vars", "rename_headers", "added_headers"};
  for (const char* member : members) {
    const bool isArray = std::string(member).find("_vars") == std::string::npos && std::string(member) != "rename_headers";
    std::string rest;
    for (const char* other : members) {
      if (other == member) continue;
      const bool otherArray = std::string(other).find("_vars") == std::string::npos && std::string(other) != "rename_headers";
      rest += std::string(", \"") + other + "\": " + (otherArray ? "[\"a\"]" : "{}");
    }
    const std::string head = "{\"export_delimiter\": \",\"" + rest;
    cases.push_back(head + "}");
    cases.push_back(head + ", \"" + member + "\": null}");
    cases.push_back(head + ", \"" + member + "\": " + (isArray ? "{}" : "[]") + "}");
    cases.push_back(head + ", \"" + member + "\": \"text\"}");
    cases.push_back(head + ", \"" + member + "\": " + (isArray ? "[null]" : "{\"k\": null}") + "}");
    if (std::string(member) == "enumeration_vars")
      cases.push_back(head + ", \"" + member + "\": {\"k\": 5}}");  // a sequence must be an object
    else
      cases.push_back(head + ", \"" + member + "\": " + (isArray ? "[[\"a\"]]" : "{\"k\": {}}") + "}");
  }
  TTransformConfig before;
  before.InitialHeaders = {u"x"};
  before.TargetOrder = {u"x", u"y"};
  before.ConstantVars.Set(u"x", u"c");
  before.EnumerationVars.Set(u"y", u"1:9");
  before.ExportDelimiter = u'|';
  before.NumberFormat = u".";
  for (const auto& json : cases) {
    TTransformConfig config = before;
    EXPECT_FALSE(config.LoadFromJsonText(json)) << json.substr(0, 200);
    EXPECT_EQ(config, before) << json.substr(0, 200);
  }
}

// A file naming more columns than a transformation may have is refused before anything is read: a
// million names would hang the host in the grid (and in reading the maps).
TEST(TransformFile, ListsAndMapsBeyondTheColumnLimitFail) {
  const auto names = [](std::int32_t count, bool object) {
    std::string text = object ? "{" : "[";
    for (std::int32_t i = 0; i < count; ++i) {
      if (i > 0) text += ",";
      text += "\"n" + std::to_string(i) + "\"";
      if (object) text += ":\"v\"";
    }
    return text + (object ? "}" : "]");
  };
  const auto file = [&](const char* member, const std::string& value) {
    std::string json = "{";
    for (const char* key : {"initial_headers", "target_order", "added_headers"})
      json += std::string("\"") + key + "\": " + (key == std::string(member) ? value : "[\"a\"]") + ",";
    for (const char* key : {"constant_vars", "fill_vars", "enumeration_vars", "rename_headers"})
      json += std::string("\"") + key + "\": " + (key == std::string(member) ? value : "{}") + ",";
    return json + "\"export_delimiter\": \",\"}";
  };
  TTransformConfig before;
  before.InitialHeaders = {u"x"};
  before.TargetOrder = {u"x"};
  for (const char* member :
       {"initial_headers", "target_order", "added_headers", "constant_vars", "fill_vars", "rename_headers"}) {
    const bool object =
        std::string(member).find("_vars") != std::string::npos || std::string(member) == "rename_headers";
    SCOPED_TRACE(member);
    TTransformConfig config = before;
    EXPECT_FALSE(config.LoadFromJsonText(file(member, names(kMaxOutputColumns + 1, object))));
    EXPECT_EQ(config, before);
    EXPECT_TRUE(config.LoadFromJsonText(file(member, names(kMaxOutputColumns, object))));
  }
  std::string sequences = "{";
  for (std::int32_t i = 0; i <= kMaxOutputColumns; ++i)
    sequences += (i ? ",\"s" : "\"s") + std::to_string(i) + "\":{}";
  TTransformConfig config = before;
  EXPECT_FALSE(config.LoadFromJsonText(file("enumeration_vars", sequences + "}")));
  EXPECT_EQ(config, before);

  // A document wider than the limit may load back a transformation of all its columns.
  TTransformConfig wide;
  for (std::int32_t i = 0; i <= kMaxOutputColumns; ++i)
    wide.InitialHeaders.push_back(u"n" + Utf8ToUtf16(std::to_string(i)));
  wide.TargetOrder = wide.InitialHeaders;
  const std::string text = wide.ToJsonText();
  TTransformConfig loaded = wide;
  EXPECT_TRUE(loaded.LoadFromJsonText(text));
  EXPECT_EQ(loaded.TargetCount(), kMaxOutputColumns + 1);
}

TEST(TransformFile, FilesThatCannotBeRead) {
  test::TempDir dir;
  TTransformConfig config;
  config.TargetOrder = {u"keep"};
  EXPECT_FALSE(config.LoadFromFile(dir.File("missing.json")));
  EXPECT_FALSE(config.LoadFromFile(dir.Folder()));
  const auto huge = dir.File("huge.json");
  test::WriteBytes(huge, "[\"" + std::string(static_cast<std::size_t>(kMaxTransformFileSize), 'a') + "\"]");
  EXPECT_FALSE(config.LoadFromFile(huge));
  EXPECT_EQ(config.TargetOrder, (Names{u"keep"}));
}

}  // namespace
}  // namespace qelvar
