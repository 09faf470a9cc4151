// Encoding and the safe save: exact bytes, and every failure leaving the target (or its only copy) intact.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "document/csv_document.h"
#include "document/save_seam.h"
#include "platform/platform.h"

namespace qelvar {
namespace {

namespace fs = std::filesystem;

template <std::size_t N>
std::string Bytes(const char (&s)[N]) {
  return std::string(s, N - 1);
}

TCsvEncodingInfo Info(std::u16string name, bool bom) {
  TCsvEncodingInfo info;
  info.Name = std::move(name);
  info.HasBom = bom;
  return info;
}

// Whether the ANSI code page of this system is Windows-1252 (the tests' ANSI samples assume it).
bool AnsiIs1252() {
  std::string out;
  return platform::Utf16ToAnsi(u"\u00e9\u20ac", out) && out == "\xE9\x80";
}

TEST(DocumentEncode, Table) {
  struct Case {
    std::u16string text;
    TCsvEncodingInfo info;
    bool ok;
    std::string bytes;
  };
  const Case cases[] = {
      {u"a,\u00e9", Info(u"UTF-8", false), true, "a,\xC3\xA9"},
      {u"a", Info(u"utf-8", true), true, "\xEF\xBB\xBF" "a"},
      {u"\U0001F600", Info(u"UTF-8", false), true, "\xF0\x9F\x98\x80"},
      {std::u16string(1, char16_t{0xD800}), Info(u"UTF-8", false), false, ""},  // no UTF-8 form
      {u"a\u20ac", Info(u"UTF-16LE", true), true, Bytes("\xFF\xFE" "a\0\xAC\x20")},
      {u"a", Info(u"UTF-16BE", true), true, Bytes("\xFE\xFF\0a")},
      {std::u16string(1, char16_t{0xDC00}), Info(u"UTF-16LE", false), true, Bytes("\0\xDC")},
      {u"", Info(u"ANSI", false), true, ""},
      {u"x\u0436", Info(u"ANSI", false), false, ""},  // Cyrillic has no Windows-1252 byte
      {u"a", Info(u"UTF-32", false), false, ""},
      {u"a", Info(u"", false), false, ""},
  };
  for (const Case& c : cases) {
    std::string bytes;
    EXPECT_EQ(EncodeText(c.text, c.info, bytes), c.ok) << ::testing::PrintToString(c.bytes);
    if (c.ok) {
      EXPECT_EQ(bytes, c.bytes);
    }
  }
  if (AnsiIs1252()) {
    std::string bytes;
    EXPECT_TRUE(EncodeText(u"\u00e9\u20ac", Info(u"ANSI", false), bytes));
    EXPECT_EQ(bytes, "\xE9\x80");
  }
}

// A lossless load encodes back to the very bytes it was read from, in every encoding and with or
// without a mark.
TEST(DocumentEncode, UneditedBytesComeBackUnchanged) {
  std::vector<std::string> inputs = {
      "",
      "a,b\r\nc,\"d\r\ne\"\n",
      "\xEF\xBB\xBF" "x;\xC3\xA9;\xF0\x9F\x98\x80\r",
      Bytes("\xFF\xFE" "a\0,\0\x00\xD8\0\n"),  // a lone surrogate in UTF-16
      Bytes("\xFE\xFF\0a\0,\0b"),
      Bytes("a\0,\0b\0"),
      Bytes("\0a\0,\0b"),
  };
  if (AnsiIs1252()) inputs.push_back("caf\xE9,\x80\r\n");
  for (const std::string& bytes : inputs) {
    std::unique_ptr<TCsvDocument> doc;
    ASSERT_TRUE(LoadFromBytes(bytes, 0, 0, u"", doc, true, 1000)) << ::testing::PrintToString(bytes);
    ASSERT_TRUE(doc->Lossless());
    std::string out;
    ASSERT_TRUE(EncodeText(doc->Text(), doc->Encoding(), out));
    EXPECT_EQ(out, bytes);
  }
}

class DocumentSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qelvar-save-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    target_ = dir_ / "t.csv";
    Write(target_, "old,content\r\n");
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir_, ec))
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  static void Write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Names of the files in the folder other than the target.
  std::vector<std::string> Others() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path() != target_) names.push_back(entry.path().filename().string());
    return names;
  }
  bool Save(std::u16string_view text, const TCsvEncodingInfo& info, const TSaveSeam& seam = {}) {
    return SaveTextToFile(target_.u16string(), text, info, u',', 0, true, seam);
  }

  fs::path dir_;
  fs::path target_;
};

TEST_F(DocumentSave, WritesTheEncodedTextAndLeavesNoTemporaryFile) {
  struct Case {
    std::u16string text;
    TCsvEncodingInfo info;
    std::string bytes;
  };
  const Case cases[] = {
      {u"a,b\r\n", Info(u"UTF-8", false), "a,b\r\n"},
      {u"\u00e9,b", Info(u"UTF-8", true), "\xEF\xBB\xBF\xC3\xA9,b"},
      {u"a,b", Info(u"UTF-16LE", true), Bytes("\xFF\xFE" "a\0,\0b\0")},
      {u"a", Info(u"UTF-16BE", false), Bytes("\0a")},
      {u"", Info(u"UTF-8", false), ""},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Save(c.text, c.info));
    EXPECT_EQ(Read(target_), c.bytes);
    EXPECT_TRUE(Others().empty());
  }
}

TEST_F(DocumentSave, NewFileIsCreated) {
  fs::remove(target_);
  EXPECT_TRUE(Save(u"x\n", Info(u"UTF-8", false)));
  EXPECT_EQ(Read(target_), "x\n");
  EXPECT_TRUE(Others().empty());
}

TEST_F(DocumentSave, DocumentSaveKeepsUntouchedBytes) {
  const std::string original = "\xEF\xBB\xBF" "id; name ;\"q\"\"x\"\r\n1;  Zo\xC3\xAB ;\"a\r\nb\"\n2;x;y";
  Write(target_, original);
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(target_.u16string(), 0, 0, 0, doc, true, 1000));
  ASSERT_TRUE(SaveDocument(*doc, target_.u16string(), 0));
  EXPECT_EQ(Read(target_), original);
  ASSERT_TRUE(doc->SetCell(2, 1, u"new"));
  ASSERT_TRUE(SaveDocument(*doc, target_.u16string(), 0));
  EXPECT_EQ(Read(target_), "\xEF\xBB\xBF" "id; name ;\"q\"\"x\"\r\n1;  Zo\xC3\xAB ;\"a\r\nb\"\n2;new;y");
}

// Each failure: false, the target keeps its old content, no temporary file remains.
TEST_F(DocumentSave, FailuresLeaveTheTargetUntouched) {
  struct Case {
    const char* name;
    std::u16string text;
    TCsvEncodingInfo info;
    std::function<void(TSaveSeam&)> inject;
  };
  const std::vector<Case> cases = {
      {"unmappable ANSI character", u"\u0436", Info(u"ANSI", false), nullptr},
      {"lossy decode", u"a?b", [] { auto i = Info(u"UTF-8", false); i.Lossless = false; return i; }(), nullptr},
      {"unknown encoding", u"a", Info(u"EBCDIC", false), nullptr},
      {"no temporary file", u"a", Info(u"UTF-8", false),
       [](TSaveSeam& s) { s.CreateTempFileIn = [](const std::u16string&, std::u16string&) { return false; }; }},
      {"write fails", u"a", Info(u"UTF-8", false),
       [](TSaveSeam& s) {
         s.WriteFileFlushed = [](const std::u16string& p, std::string_view b) {
           platform::WriteFileFlushed(p, b.substr(0, b.size() / 2));
           return false;
         };
       }},
      {"verification mismatch", u"a,b,c", Info(u"UTF-8", false),
       [](TSaveSeam& s) {
         s.WriteFileFlushed = [](const std::u16string& p, std::string_view) {
           return platform::WriteFileFlushed(p, "a,b,x");  // what the disk gave back differs
         };
       }},
      {"replace and move fail", u"a", Info(u"UTF-8", false),
       [](TSaveSeam& s) {
         s.ReplaceFileWith = [](const std::u16string&, const std::u16string&) {
           return platform::ReplaceResult::Failed;
         };
         s.MoveFileReplacing = [](const std::u16string&, const std::u16string&) { return false; };
       }},
  };
  for (const Case& c : cases) {
    Write(target_, "old,content\r\n");
    TSaveSeam seam;
    if (c.inject) c.inject(seam);
    EXPECT_FALSE(Save(c.text, c.info, seam)) << c.name;
    EXPECT_EQ(Read(target_), "old,content\r\n") << c.name;
    EXPECT_TRUE(Others().empty()) << c.name;
  }
}

TEST_F(DocumentSave, ReadOnlyTarget) {
  fs::permissions(target_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  TSaveSeam seam;
  seam.SleepMilliseconds = [](unsigned) {};  // a refused replace may be retried as if the file were busy
  EXPECT_FALSE(Save(u"new", Info(u"UTF-8", false), seam));
  EXPECT_EQ(Read(target_), "old,content\r\n");
  EXPECT_TRUE(Others().empty());
}

TEST_F(DocumentSave, MissingFolder) {
  EXPECT_FALSE(SaveTextToFile((dir_ / "no" / "t.csv").u16string(), u"a", Info(u"UTF-8", false), u',', 0, true));
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

TEST_F(DocumentSave, BusyTargetIsRetriedWithGrowingDelays) {
  int calls = 0;
  std::vector<unsigned> sleeps;
  TSaveSeam seam;
  seam.SleepMilliseconds = [&](unsigned ms) { sleeps.push_back(ms); };
  seam.ReplaceFileWith = [&](const std::u16string& t, const std::u16string& r) {
    return ++calls < 3 ? platform::ReplaceResult::Busy : platform::ReplaceFileWith(t, r);
  };
  EXPECT_TRUE(Save(u"new", Info(u"UTF-8", false), seam));
  EXPECT_EQ(Read(target_), "new");
  EXPECT_EQ(calls, 3);
  ASSERT_EQ(sleeps.size(), 2u);
  EXPECT_LT(sleeps[0], sleeps[1]);
  EXPECT_TRUE(Others().empty());
}

TEST_F(DocumentSave, TargetBusyForLongerGivesUpAfterAboutASecond) {
  unsigned slept = 0;
  TSaveSeam seam;
  seam.SleepMilliseconds = [&](unsigned ms) { slept += ms; };
  seam.ReplaceFileWith = [](const std::u16string&, const std::u16string&) { return platform::ReplaceResult::Busy; };
  seam.MoveFileReplacing = [](const std::u16string&, const std::u16string&) { return false; };
  EXPECT_FALSE(Save(u"new", Info(u"UTF-8", false), seam));
  EXPECT_GE(slept, 500u);
  EXPECT_LE(slept, 2000u);
  EXPECT_EQ(Read(target_), "old,content\r\n");
  EXPECT_TRUE(Others().empty());
}

// A replace that fails after removing the target leaves the temporary file as the only copy: it is moved
// into place, and if even that fails it is kept, never deleted.
TEST_F(DocumentSave, ReplaceThatRemovedTheTarget) {
  for (bool moveWorks : {true, false}) {
    Write(target_, "old,content\r\n");
    TSaveSeam seam;
    seam.ReplaceFileWith = [](const std::u16string& t, const std::u16string&) {
      platform::DeleteFileAt(t);
      return platform::ReplaceResult::TargetRemoved;
    };
    if (!moveWorks) seam.MoveFileReplacing = [](const std::u16string&, const std::u16string&) { return false; };
    EXPECT_EQ(Save(u"new,content", Info(u"UTF-8", false), seam), moveWorks);
    if (moveWorks) {
      EXPECT_EQ(Read(target_), "new,content");
      EXPECT_TRUE(Others().empty());
    } else {
      EXPECT_FALSE(fs::exists(target_));
      const auto others = Others();
      ASSERT_EQ(others.size(), 1u);
      EXPECT_EQ(Read(dir_ / others[0]), "new,content");
      fs::remove(dir_ / others[0]);
    }
  }
}

// The message could say only "could not be saved" although the data was safe in the temporary file: the
// result names it.
TEST_F(DocumentSave, RemovedTargetNamesTheFileHoldingTheData) {
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromBytes("a,b\r\n", 0, 0, u"", doc, true, 1000));
  ASSERT_TRUE(doc->SetCell(0, 0, u"z"));
  TSaveSeam seam;
  seam.ReplaceFileWith = [](const std::u16string& t, const std::u16string&) {
    platform::DeleteFileAt(t);
    return platform::ReplaceResult::TargetRemoved;
  };
  seam.MoveFileReplacing = [](const std::u16string&, const std::u16string&) { return false; };
  TSaveResult result;
  EXPECT_FALSE(SaveDocument(*doc, target_.u16string(), 0, &result, seam));
  EXPECT_EQ(result.Problem, TSaveProblem::TargetRemoved);
  ASSERT_EQ(Others().size(), 1u);
  EXPECT_EQ(fs::path(result.KeptFile), dir_ / Others()[0]);
  EXPECT_EQ(Read(result.KeptFile), "z,b\r\n");
}

#ifndef _WIN32
// An edit through a symbolic link replaced the link with a plain file and left the real file as it was.
TEST_F(DocumentSave, SaveThroughSymbolicLinkWritesItsTarget) {
  const fs::path link = dir_ / "link.csv";
  fs::create_symlink("t.csv", link);
  std::unique_ptr<TCsvDocument> doc;
  ASSERT_TRUE(LoadFromFile(link.u16string(), 0, 0, 0, doc, true, 1000));
  ASSERT_TRUE(doc->SetCell(0, 0, u"new"));
  ASSERT_TRUE(SaveDocument(*doc, link.u16string(), 0));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(target_), "new,content\r\n");
  fs::remove(target_);
  EXPECT_TRUE(SaveBytesToFile(link.u16string(), "x"));  // a dangling link gets its file
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(Read(target_), "x");
}

// The safe save made every file 0600: a replaced file keeps its mode, a new one gets the umask's.
TEST_F(DocumentSave, ReplacedFileKeepsItsModeAndNewFileFollowsTheUmask) {
  fs::permissions(target_, fs::perms(0640));
  ASSERT_TRUE(SaveBytesToFile(target_.u16string(), "a\r\n"));
  EXPECT_EQ(fs::status(target_).permissions() & fs::perms::mask, fs::perms(0640));
  const mode_t old = ::umask(027);
  const fs::path fresh = dir_ / "new.csv";
  const bool saved = SaveBytesToFile(fresh.u16string(), "b\r\n");
  ::umask(old);
  ASSERT_TRUE(saved);
  EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::mask, fs::perms(0640));
}
#endif

// Files that are no document (an export, a transformation file) go through the same safe replace,
// verified byte for byte.
TEST_F(DocumentSave, BytesAreSavedSafelyToo) {
  const std::string bytes = "{\n  \"x\": \"\xC3\xA9\"\n}";
  EXPECT_TRUE(SaveBytesToFile(target_.u16string(), bytes));
  EXPECT_EQ(Read(target_), bytes);
  EXPECT_TRUE(Others().empty());
  fs::remove(target_);
  EXPECT_TRUE(SaveBytesToFile(target_.u16string(), ""));
  EXPECT_TRUE(fs::exists(target_));
  EXPECT_EQ(Read(target_), "");

  struct Case {
    const char* name;
    std::function<void(TSaveSeam&)> inject;
  };
  const std::vector<Case> cases = {
      {"write fails half-way",
       [](TSaveSeam& s) {
         s.WriteFileFlushed = [](const std::u16string& p, std::string_view b) {
           platform::WriteFileFlushed(p, b.substr(0, b.size() / 2));
           return false;
         };
       }},
      {"the disk gives back other bytes",
       [](TSaveSeam& s) {
         s.WriteFileFlushed = [](const std::u16string& p, std::string_view b) {
           return platform::WriteFileFlushed(p, std::string(b) + "x");
         };
       }},
      {"replace and move fail",
       [](TSaveSeam& s) {
         s.ReplaceFileWith = [](const std::u16string&, const std::u16string&) {
           return platform::ReplaceResult::Failed;
         };
         s.MoveFileReplacing = [](const std::u16string&, const std::u16string&) { return false; };
       }},
  };
  for (const Case& c : cases) {
    Write(target_, "old,content\r\n");
    TSaveSeam seam;
    c.inject(seam);
    EXPECT_FALSE(SaveBytesToFile(target_.u16string(), bytes, seam)) << c.name;
    EXPECT_EQ(Read(target_), "old,content\r\n") << c.name;
    EXPECT_TRUE(Others().empty()) << c.name;
  }

  fs::permissions(target_, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(SaveBytesToFile(target_.u16string(), bytes));
  EXPECT_EQ(Read(target_), "old,content\r\n");
  EXPECT_FALSE(SaveBytesToFile((dir_ / "no" / "x.json").u16string(), bytes));
  EXPECT_TRUE(Others().empty());

  // A folder is never replaced, not even an empty one (Wine would move a file over it).
  fs::create_directory(dir_ / "folder");
  EXPECT_FALSE(SaveBytesToFile((dir_ / "folder").u16string(), bytes));
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
  EXPECT_EQ(Others(), std::vector<std::string>{"folder"});
}

// A quote on a comment line means nothing in any mode, so such a file verifies (and saves) in every mode.
TEST_F(DocumentSave, QuoteOnACommentLineSavesInEveryMode) {
  const std::u16string text = u"#note \"x\na,b\n";
  for (int mode = kCommentsParsed; mode <= kCommentsAuto; ++mode) {
    EXPECT_TRUE(SaveTextToFile(target_.u16string(), text, Info(u"UTF-8", false), u',', mode, true)) << mode;
    EXPECT_EQ(Read(target_), "#note \"x\na,b\n");
  }
  EXPECT_TRUE(Others().empty());
}

}  // namespace
}  // namespace qelvar
