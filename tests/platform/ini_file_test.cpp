// These cases run natively against our own reader and writer and, in the
// Windows build under Wine, against the system's private-profile functions:
// a case that passes on both pins a Windows behaviour that we copy. The
// expected file texts are therefore in the form both write: CRLF lines and
// no blank lines (Wine rewrites a whole file, our writer splices it; the
// splicing itself is pinned in ini_text_test.cpp).
#include "platform/ini_file.h"

#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace vorafile::platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class IniFileTest : public ::testing::Test {
protected:
  std::string Put(const std::string &name, const std::string &text) {
    dir_.write(name, text);
    return dir_.file(name);
  }
  std::string Contents(const std::string &name) const {
    return dir_.read(name);
  }
  bool Exists(const std::string &name) const {
    return std::filesystem::exists(dir_.path() / name);
  }

  test::TempDir dir_;
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
  const std::string missing = dir_.file("missing.ini");
  EXPECT_EQ(ReadIniString(missing, "S", "k", "dflt"), "dflt");
  EXPECT_THAT(ReadIniKeys(missing, "S"), IsEmpty());
  EXPECT_FALSE(Exists("missing.ini"));

  const std::string file = Put("a.ini", "[S]\r\nk=1\r\nempty=\r\nnoequals\r\n");
  EXPECT_EQ(ReadIniString(file, "Other", "k", "dflt"), "dflt");
  EXPECT_EQ(ReadIniString(file, "S", "other", "dflt"), "dflt");
  // A line without "=" is no key; an empty value is a value.
  EXPECT_EQ(ReadIniString(file, "S", "noequals", "dflt"), "dflt");
  EXPECT_EQ(ReadIniString(file, "S", "empty", "dflt"), "");
}

TEST_F(IniFileTest, DefaultLosesTrailingSpacesAndQuotes) {
  const std::string missing = dir_.file("missing.ini");
  EXPECT_EQ(ReadIniString(missing, "S", "k", "def  "), "def");
  EXPECT_EQ(ReadIniString(missing, "S", "k", "  def"), "  def");
  // Only spaces go, as the Windows functions strip them.
  EXPECT_EQ(ReadIniString(missing, "S", "k", "def \t "), "def \t");
  EXPECT_EQ(ReadIniString(missing, "S", "k", "\"def\""), "def");
  EXPECT_EQ(ReadIniString(missing, "S", "k", ""), "");
}

TEST_F(IniFileTest, NamesCompareWithoutAsciiCase) {
  const std::string file = Put("a.ini", "[Intro]\r\nTextColor=1,2,3\r\n");
  EXPECT_EQ(ReadIniString(file, "INTRO", "textcolor", ""), "1,2,3");
  EXPECT_EQ(ReadIniString(file, "intro", "TEXTCOLOR", ""), "1,2,3");
  EXPECT_TRUE(WriteIniString(file, "iNtRo", "TEXTCOLOR", "4,5,6"));
  // The key keeps its place and the file's spelling of both names.
  EXPECT_EQ(Contents("a.ini"), "[Intro]\r\nTextColor=4,5,6\r\n");
}

TEST_F(IniFileTest, ValuesLoseBlanksAndOnePairOfMatchingQuotes) {
  const std::string file = Put("a.ini", "[S]\n"
                                        "double=\"abc\"\n"
                                        "single='abc'\n"
                                        "mixed=\"abc'\n"
                                        "open=\"abc\n"
                                        "emptyquotes=\"\"\n"
                                        "lonequote=\"\n"
                                        "inner= \" a \" \n"
                                        "middle=\"a\"b\"\n"
                                        "tabs=\t tab \t\n"
                                        "  Spaced Key  =  v  w  \n"
                                        "equals=a=b=c\n");
  struct Case {
    const char *key;
    const char *value;
  };
  const Case cases[] = {
      {"double", "abc"},      {"single", "abc"},   {"mixed", "\"abc'"},
      {"open", "\"abc"},      {"emptyquotes", ""}, {"lonequote", "\""},
      {"inner", " a "},       {"middle", "a\"b"},  {"tabs", "tab"},
      {"spaced key", "v  w"}, {"equals", "a=b=c"},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ReadIniString(file, "S", c.key, "dflt"), c.value) << c.key;
}

TEST_F(IniFileTest, CapacityCutsTheAnswerToCapacityLessOne) {
  const std::string file = Put("a.ini", "[S]\r\nlong=0123456789\r\n");
  EXPECT_EQ(ReadIniString(file, "S", "long", "", 5), "0123");
  EXPECT_EQ(ReadIniString(file, "S", "long", "", 11), "0123456789");
  EXPECT_EQ(ReadIniString(file, "S", "long", "", 2), "0");
  EXPECT_EQ(ReadIniString(file, "S", "long", "", 1), "");
  EXPECT_EQ(ReadIniString(file, "S", "long", "", 0), "");
  EXPECT_EQ(ReadIniString(file, "S", "missing", "abcdefgh", 4), "abc");
  // Quotes go before the cut.
  const std::string quoted = Put("b.ini", "[S]\r\nq=\"abc\"\r\n");
  EXPECT_EQ(ReadIniString(quoted, "S", "q", "", 3), "ab");
}

TEST_F(IniFileTest, LinesLongerThanATextBufferReadWhole) {
  const std::string value(5000, 'x');
  const std::string file =
      Put("a.ini", "[S]\r\nbig=" + value + "\r\nnext=1\r\n");
  EXPECT_EQ(ReadIniString(file, "S", "big", "", 8000), value);
  EXPECT_EQ(ReadIniString(file, "S", "big", ""), std::string(259, 'x'));
  EXPECT_EQ(ReadIniString(file, "S", "next", ""), "1");

  const std::string written = dir_.file("b.ini");
  ASSERT_TRUE(WriteIniString(written, "S", "big", value));
  EXPECT_EQ(ReadIniString(written, "S", "big", "", value.size() + 1), value);
}

TEST_F(IniFileTest, OnlyTheFirstSectionAndKeyOfANameCount) {
  const std::string file = Put("a.ini", "[S]\r\nk=1\r\ndup=first\r\n"
                                        "dup=second\r\n[T]\r\nk=2\r\n"
                                        "[s]\r\nk=3\r\nz=4\r\n");
  EXPECT_EQ(ReadIniString(file, "S", "k", ""), "1");
  EXPECT_EQ(ReadIniString(file, "S", "dup", ""), "first");
  EXPECT_EQ(ReadIniString(file, "S", "z", "dflt"), "dflt");
  EXPECT_THAT(ReadIniKeys(file, "S"), ElementsAre("k", "dup", "dup"));

  ASSERT_TRUE(DeleteIniSection(file, "S"));
  EXPECT_EQ(Contents("a.ini"), "[T]\r\nk=2\r\n[s]\r\nk=3\r\nz=4\r\n");
  EXPECT_EQ(ReadIniString(file, "S", "z", "dflt"), "4");
}

TEST_F(IniFileTest, ReadsEveryLineEndingAndHeaderForm) {
  const std::string crlf = Put("crlf.ini", "[S]\r\nk=crlf\r\n");
  const std::string lf = Put("lf.ini", "[S]\nk=lf\n");
  const std::string unterminated = Put("end.ini", "[S]\nk=end");
  const std::string bom = Put("bom.ini", "\xEF\xBB\xBF[S]\r\nk=bom\r\n");
  EXPECT_EQ(ReadIniString(crlf, "S", "k", ""), "crlf");
  EXPECT_EQ(ReadIniString(lf, "S", "k", ""), "lf");
  EXPECT_EQ(ReadIniString(unterminated, "S", "k", ""), "end");
  EXPECT_EQ(ReadIniString(bom, "S", "k", ""), "bom");

  const std::string headers = Put("h.ini", "  [ Padded ]  \r\nk=padded\r\n"
                                           "[Trailing] text\r\nk=trailing\r\n"
                                           "[A]B]\r\nk=last bracket\r\n"
                                           "[Open\r\nk=open\r\n");
  EXPECT_EQ(ReadIniString(headers, "Padded", "k", ""), "padded");
  EXPECT_EQ(ReadIniString(headers, " Padded ", "k", ""), "padded");
  EXPECT_EQ(ReadIniString(headers, "Trailing", "k", ""), "trailing");
  EXPECT_EQ(ReadIniString(headers, "A]B", "k", ""), "last bracket");
  EXPECT_EQ(ReadIniString(headers, "A", "k", "dflt"), "dflt");
  // "[Open" is no header: its key belongs to the section before.
  EXPECT_EQ(ReadIniString(headers, "Open", "k", "dflt"), "dflt");
}

TEST_F(IniFileTest, ReadingManyKeysAnswersAsReadingEachAlone) {
  const std::string file =
      Put("a.ini", "[S]\r\nA= 'quoted' \r\nb=plain\r\nlong=abcdefgh\r\n");
  const std::vector<IniQuery> queries = {
      {"a", "d1"}, {"B", "d2"}, {"missing", "def \"x\"  "}, {"long", ""}};
  for (const std::string &path : {file, dir_.file("none.ini")}) {
    std::vector<std::string> alone;
    for (const IniQuery &query : queries) {
      alone.push_back(
          ReadIniString(path, "s", query.key, query.defaultValue, 5));
    }
    EXPECT_EQ(ReadIniStrings(path, "s", queries, 5), alone);
  }
  EXPECT_THAT(ReadIniStrings(file, "S", queries),
              ElementsAre("quoted", "plain", "def \"x\"", "abcdefgh"));
}

TEST_F(IniFileTest, ListsKeyNamesInFileOrder) {
  const std::string file = Put("a.ini", "[S]\r\n"
                                        "b=1\r\n"
                                        ";comment=1\r\n"
                                        "noequals\r\n"
                                        "  Spaced Key  = 2\r\n"
                                        "a=\r\n"
                                        "b=again\r\n"
                                        "[Empty]\r\n"
                                        "[T]\r\n"
                                        "t=1\r\n");
  EXPECT_THAT(ReadIniKeys(file, "s"), ElementsAre("b", "Spaced Key", "a", "b"));
  EXPECT_THAT(ReadIniKeys(file, "Empty"), IsEmpty());
  EXPECT_THAT(ReadIniKeys(file, "Missing"), IsEmpty());
  EXPECT_THAT(ReadIniKeys(file, "T"), ElementsAre("t"));
}

TEST_F(IniFileTest, NulByteEndsOnlyItsOwnLine) {
  const std::string file = Put("a.ini", std::string("[S]\nk=a\0b\nm=2\n", 15));
  EXPECT_EQ(ReadIniString(file, "S", "k", ""), "a");
  EXPECT_EQ(ReadIniString(file, "S", "m", ""), "2");
}

TEST_F(IniFileTest, WriteCreatesTheFileAndAppendsSections) {
  const std::string file = dir_.file("new.ini");
  ASSERT_TRUE(WriteIniString(file, "S", "k", "v"));
  EXPECT_EQ(Contents("new.ini"), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(WriteIniString(file, "T", "k2", "\"q\""));
  EXPECT_EQ(Contents("new.ini"), "[S]\r\nk=v\r\n[T]\r\nk2=\"q\"\r\n");
  EXPECT_EQ(ReadIniString(file, "T", "k2", ""), "q");
}

TEST_F(IniFileTest, WriteKeepsKeyPlacesAndAppendsNewKeysToTheirSection) {
  const std::string file =
      Put("a.ini", "; head\r\n[One]\r\na=1\r\nb = 2\r\n[Two]\r\nc=3\r\n");
  ASSERT_TRUE(WriteIniString(file, "one", "B", "22"));
  EXPECT_EQ(Contents("a.ini"),
            "; head\r\n[One]\r\na=1\r\nb=22\r\n[Two]\r\nc=3\r\n");
  ASSERT_TRUE(WriteIniString(file, "One", "new", "n"));
  EXPECT_EQ(Contents("a.ini"),
            "; head\r\n[One]\r\na=1\r\nb=22\r\nnew=n\r\n[Two]\r\nc=3\r\n");
  ASSERT_TRUE(WriteIniString(file, "Three", "x", "y"));
  EXPECT_EQ(Contents("a.ini"), "; head\r\n[One]\r\na=1\r\nb=22\r\nnew=n\r\n"
                               "[Two]\r\nc=3\r\n[Three]\r\nx=y\r\n");

  const std::string empty = Put("b.ini", "[S]\r\nk=1\r\n[T]\r\n[U]\r\nu=1\r\n");
  ASSERT_TRUE(WriteIniString(empty, "T", "t", "2"));
  EXPECT_EQ(Contents("b.ini"), "[S]\r\nk=1\r\n[T]\r\nt=2\r\n[U]\r\nu=1\r\n");
}

TEST_F(IniFileTest, WritingTheSameValueLeavesTheFileAlone) {
  const std::string file = Put("a.ini", "[S]\nk=1\n");
  ASSERT_TRUE(WriteIniString(file, "S", "k", "1"));
  EXPECT_EQ(Contents("a.ini"), "[S]\nk=1\n");
}

TEST_F(IniFileTest, DeletesKeysAndSections) {
  const std::string file =
      Put("a.ini", "[One]\r\na=1\r\nb=2\r\n[Two]\r\nc=3\r\n[Three]\r\nx=y\r\n");
  ASSERT_TRUE(DeleteIniKey(file, "one", "A"));
  EXPECT_EQ(Contents("a.ini"),
            "[One]\r\nb=2\r\n[Two]\r\nc=3\r\n[Three]\r\nx=y\r\n");
  ASSERT_TRUE(DeleteIniSection(file, "TWO"));
  EXPECT_EQ(Contents("a.ini"), "[One]\r\nb=2\r\n[Three]\r\nx=y\r\n");
  // The last key goes; the header stays.
  ASSERT_TRUE(DeleteIniKey(file, "One", "b"));
  EXPECT_EQ(Contents("a.ini"), "[One]\r\n[Three]\r\nx=y\r\n");
  EXPECT_THAT(ReadIniKeys(file, "One"), IsEmpty());
}

TEST_F(IniFileTest, DeletingWhatIsNotThereSucceedsWithoutChange) {
  EXPECT_TRUE(DeleteIniSection(dir_.file("none.ini"), "S"));
  EXPECT_TRUE(DeleteIniKey(dir_.file("none.ini"), "S", "k"));
  EXPECT_FALSE(Exists("none.ini"));

  const std::string file = Put("a.ini", "[S]\nk=v\n");
  EXPECT_TRUE(DeleteIniSection(file, "Zed"));
  EXPECT_TRUE(DeleteIniKey(file, "S", "nokey"));
  EXPECT_TRUE(DeleteIniKey(file, "Zed", "k"));
  EXPECT_EQ(Contents("a.ini"), "[S]\nk=v\n");
}

// The way the node writers use a file: drop the section, write its keys,
// flush. Other sections stay as they were.
TEST_F(IniFileTest, SectionRewriteLeavesOtherSectionsAlone) {
  const std::string file = Put("intro.ini", "[Other]\r\nx=1\r\n"
                                            "[Introduction]\r\nOld=1\r\nA=0\r\n"
                                            "[Last]\r\ny=2\r\n");
  ASSERT_TRUE(DeleteIniSection(file, "Introduction"));
  ASSERT_TRUE(WriteIniString(file, "Introduction", "A", "1"));
  ASSERT_TRUE(WriteIniString(file, "Introduction", "B", "2"));
  EXPECT_TRUE(FlushIniFile(file));
  EXPECT_EQ(Contents("intro.ini"), "[Other]\r\nx=1\r\n[Last]\r\ny=2\r\n"
                                   "[Introduction]\r\nA=1\r\nB=2\r\n");
  EXPECT_TRUE(FlushIniFile(dir_.file("never-written.ini")));
}

// The same rewrite in one call gives the same file.
TEST_F(IniFileTest, ReplacingASectionEqualsDeletingAndWritingItsKeys) {
  const std::string file = Put("intro.ini", "[Other]\r\nx=1\r\n"
                                            "[Introduction]\r\nOld=1\r\nA=0\r\n"
                                            "[Last]\r\ny=2\r\n");
  ASSERT_TRUE(
      ReplaceIniSection(file, "Introduction", {{"A", "1"}, {"B", "2"}}));
  EXPECT_EQ(Contents("intro.ini"), "[Other]\r\nx=1\r\n[Last]\r\ny=2\r\n"
                                   "[Introduction]\r\nA=1\r\nB=2\r\n");
  EXPECT_EQ(ReadIniString(file, "introduction", "b", ""), "2");

  // A missing file is made; an empty list only deletes.
  const std::string fresh = dir_.file("fresh.ini");
  ASSERT_TRUE(ReplaceIniSection(fresh, "S", {{"k", "v"}}));
  EXPECT_EQ(Contents("fresh.ini"), "[S]\r\nk=v\r\n");
  ASSERT_TRUE(ReplaceIniSection(file, "Other", {}));
  EXPECT_EQ(Contents("intro.ini"), "[Last]\r\ny=2\r\n"
                                   "[Introduction]\r\nA=1\r\nB=2\r\n");
  ASSERT_TRUE(ReplaceIniSection(dir_.file("none.ini"), "S", {}));
  EXPECT_FALSE(Exists("none.ini"));
}

// Every copy of a section is replaced by the one written, as Windows does;
// a value that a later copy holds already is no failure.
TEST_F(IniFileTest, ReplacingASectionThatStandsTwice) {
  const std::string file = Put("intro.ini", "[Introduction]\r\nA=0\r\n"
                                            "[Introduction]\r\nA=1\r\nC=3\r\n");
  ASSERT_TRUE(
      ReplaceIniSection(file, "Introduction", {{"A", "1"}, {"B", "2"}}));
  EXPECT_EQ(Contents("intro.ini"), "[Introduction]\r\nA=1\r\nB=2\r\n");
}

TEST_F(IniFileTest, ReplacingASectionRefusesWhatWouldNotReadBack) {
  const std::string text = "[S]\r\nk=v\r\n";
  const std::string file = Put("a.ini", text);
  const std::vector<std::vector<IniEntry>> refused = {
      {{"a", "1"}, {"A", "2"}}, // the same key twice, case aside
      {{"a=b", "1"}},
      {{"a", "line\nbreak"}},
      {{"", "1"}},
  };
  for (const std::vector<IniEntry> &entries : refused) {
    EXPECT_FALSE(ReplaceIniSection(file, "S", entries));
    EXPECT_EQ(Contents("a.ini"), text);
  }
  EXPECT_FALSE(ReplaceIniSection(file, " S", {{"k", "v"}}));
  EXPECT_EQ(Contents("a.ini"), text);
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
  const std::string original = "[S]\r\nk=1\r\n";
  const std::string file = Put("a.ini", original);
  const std::string missing = dir_.file("missing.ini");
  struct Case {
    std::string section;
    std::string key;
    std::string value;
  };
  const std::vector<Case> cases = {
      {"S", "k", "two\nlines"},
      {"S", "k", "cr\rvalue"},
      {"S", "k", std::string("nul\0", 4)},
      {"S", "", "empty key"},
      {"S", "a=b", "equals in key"},
      {"S", " k ", "blanks"},
      {"S", ";k", "comment"},
      {"S", "[k]", "header"},
      {"", "k", "empty section"},
      {"S\r\n[T", "k", "break"},
      {" S ", "k", "blanks"},
  };
  for (const Case &c : cases) {
    EXPECT_FALSE(WriteIniString(file, c.section, c.key, c.value)) << c.value;
    EXPECT_FALSE(WriteIniString(missing, c.section, c.key, c.value)) << c.value;
  }
  EXPECT_FALSE(DeleteIniKey(file, "S", ""));
  EXPECT_FALSE(DeleteIniSection(file, ""));
  EXPECT_EQ(Contents("a.ini"), original);
  EXPECT_FALSE(Exists("missing.ini"));
}

TEST_F(IniFileTest, FailsWhereNoFileCanBeWritten) {
  EXPECT_FALSE(WriteIniString(dir_.file("no-folder/a.ini"), "S", "k", "v"));
  std::filesystem::create_directory(dir_.path() / "folder.ini");
  const std::string folder = dir_.file("folder.ini");
  EXPECT_FALSE(WriteIniString(folder, "S", "k", "v"));
  EXPECT_EQ(ReadIniString(folder, "S", "k", "dflt"), "dflt");
  EXPECT_THAT(ReadIniKeys(folder, "S"), IsEmpty());
}

TEST_F(IniFileTest, BinaryFileReadsAsEmptyAndTakesNewSections) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i)
    garbage += static_cast<char>(0x80 + (i * 37) % 0x7F);
  garbage += std::string("\0\0\0\x80\x81", 5);
  const std::string file = Put("a.ini", garbage);
  EXPECT_EQ(ReadIniString(file, "S", "k", "dflt"), "dflt");
  EXPECT_THAT(ReadIniKeys(file, "S"), IsEmpty());
  ASSERT_TRUE(WriteIniString(file, "S", "k", "v"));
  EXPECT_EQ(ReadIniString(file, "S", "k", ""), "v");
}

#ifndef _WIN32
// Our own writer's guarantees, which the Windows functions do not share.

TEST_F(IniFileTest, WriteLeavesNoTemporaryFileBehind) {
  const std::string file = dir_.file("a.ini");
  ASSERT_TRUE(WriteIniString(file, "S", "k", "v"));
  ASSERT_TRUE(WriteIniString(file, "S", "k", "w"));
  ASSERT_TRUE(DeleteIniKey(file, "S", "k"));
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir_.path()))
    names.push_back(entry.path().filename().string());
  EXPECT_THAT(names, ElementsAre("a.ini"));
}

TEST_F(IniFileTest, OversizedFileIsNeitherReadNorReplaced) {
  std::string text = "[S]\nk=v\n";
  text.resize(8 * 1024 * 1024 + 1, ' ');
  const std::string file = Put("big.ini", text);
  EXPECT_EQ(ReadIniString(file, "S", "k", "dflt"), "dflt");
  EXPECT_FALSE(WriteIniString(file, "S", "k", "w"));
  EXPECT_FALSE(DeleteIniSection(file, "S"));
  EXPECT_EQ(std::filesystem::file_size(dir_.path() / "big.ini"), text.size());
}
#endif

} // namespace
} // namespace vorafile::platform
