// The text engine behind the POSIX private-profile functions: what an edit
// does to the bytes of a file. (The reading rules are pinned against the
// Windows functions in ini_file_test.cpp.)
#include "platform/ini_text.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorafile::platform {
namespace {

using ::testing::ElementsAre;

// A file as people write them: LF lines, blank lines between sections,
// comments, indentation and lines that mean nothing.
constexpr const char *kHandWritten = "; settings\n"
                                     "\n"
                                     "[One]\n"
                                     "  a = 1   ; not a comment\n"
                                     "junk line\n"
                                     "b=2\n"
                                     "\n"
                                     "[Two]\n"
                                     "; about c\n"
                                     "c=3\n";

TEST(IniTextTest, EditsKeepEveryOtherByte) {
  IniText text(kHandWritten);
  ASSERT_TRUE(text.SetValue("One", "A", "9"));
  EXPECT_EQ(text.Text(), "; settings\n\n[One]\na=9\njunk line\nb=2\n\n"
                         "[Two]\n; about c\nc=3\n");

  // A new key follows the section's last non-blank line.
  text = IniText(kHandWritten);
  ASSERT_TRUE(text.SetValue("One", "new", "n"));
  EXPECT_EQ(text.Text(), "; settings\n\n[One]\n  a = 1   ; not a comment\n"
                         "junk line\nb=2\nnew=n\n\n[Two]\n; about c\nc=3\n");

  text = IniText(kHandWritten);
  ASSERT_TRUE(text.SetValue("Three", "x", "y"));
  EXPECT_EQ(text.Text(), std::string(kHandWritten) + "[Three]\nx=y\n");

  text = IniText(kHandWritten);
  ASSERT_TRUE(text.DeleteKey("one", "B"));
  EXPECT_EQ(text.Text(), "; settings\n\n[One]\n  a = 1   ; not a comment\n"
                         "junk line\n\n[Two]\n; about c\nc=3\n");

  // A section goes with its comments and blank lines, up to the next header.
  text = IniText(kHandWritten);
  ASSERT_TRUE(text.DeleteSection("ONE"));
  EXPECT_EQ(text.Text(), "; settings\n\n[Two]\n; about c\nc=3\n");
  ASSERT_TRUE(text.DeleteSection("Two"));
  EXPECT_EQ(text.Text(), "; settings\n\n");
}

TEST(IniTextTest, ReadsTheHandWrittenFile) {
  const IniText text(kHandWritten);
  EXPECT_EQ(text.FindValue("One", "a"), "1   ; not a comment");
  EXPECT_EQ(text.FindValue("One", "junk line"), std::nullopt);
  EXPECT_THAT(text.ListKeys("One"), ElementsAre("a", "b"));
  EXPECT_THAT(text.ListKeys("Two"), ElementsAre("c"));
}

TEST(IniTextTest, LineNumbersAreThoseOfTheLinesRead) {
  const IniText text(kHandWritten);
  struct Case {
    const char *section;
    const char *key;
    int line;
  };
  for (const Case &c :
       {Case{"One", "a", 4}, Case{"one", "B", 6}, Case{"Two", "c", 10},
        Case{"Two", "a", 0}, Case{"Three", "c", 0}}) {
    EXPECT_EQ(text.FindLineNumber(c.section, c.key), c.line)
        << c.section << " " << c.key;
  }
  // CRLF breaks and a byte order mark count as LF files do; the first key
  // of a name is the one read.
  const IniText crlf("\xEF\xBB\xBF[S]\r\nk=1\r\n\r\nk=2\r\n");
  EXPECT_EQ(crlf.FindLineNumber("S", "k"), 2);
}

TEST(IniTextTest, NewLinesEndLikeTheFirstLine) {
  struct Case {
    const char *before;
    const char *after;
  };
  const Case cases[] = {
      {"", "[S]\r\nk=v\r\n"},
      {"[S]\n", "[S]\nk=v\n"},
      {"[S]\r\n", "[S]\r\nk=v\r\n"},
      {"[T]\nt=1\r\n", "[T]\nt=1\r\n[S]\nk=v\n"},
      // A file without any line break, and a last line without one.
      {"[S]", "[S]\r\nk=v\r\n"},
      {"[S]\nj=1", "[S]\nj=1\nk=v\n"},
      {"[T]\nt=1", "[T]\nt=1\n[S]\nk=v\n"},
      {"; only a comment", "; only a comment\r\n[S]\r\nk=v\r\n"},
      {"\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n"},
      {"\xEF\xBB\xBF[S]\n", "\xEF\xBB\xBF[S]\nk=v\n"},
  };
  for (const Case &c : cases) {
    IniText text(c.before);
    ASSERT_TRUE(text.SetValue("S", "k", "v")) << c.before;
    EXPECT_EQ(text.Text(), c.after) << c.before;
  }
}

TEST(IniTextTest, ChangedKeyLineIsRewrittenWholeButKeepsItsBreak) {
  IniText text(std::string("[S]\r\nk=1\0tail\r\nm=2", 18));
  ASSERT_TRUE(text.SetValue("S", "k", "22"));
  EXPECT_EQ(text.Text(), "[S]\r\nk=22\r\nm=2");
  ASSERT_TRUE(text.DeleteKey("S", "m"));
  EXPECT_EQ(text.Text(), "[S]\r\nk=22\r\n");
}

TEST(IniTextTest, LinesBeforeTheFirstHeaderFormASectionWithoutName) {
  IniText text("k=top\n[S]\nk=1\n");
  EXPECT_EQ(text.FindValue("", "k"), "top");
  EXPECT_EQ(text.FindValue("S", "k"), "1");
  EXPECT_THAT(text.ListKeys(""), ElementsAre("k"));
  // It cannot be written or deleted by name.
  EXPECT_FALSE(text.SetValue("", "k", "2"));
  EXPECT_FALSE(text.DeleteSection(""));
  EXPECT_EQ(text.Text(), "k=top\n[S]\nk=1\n");
}

TEST(IniTextTest, RefusedEditsLeaveTheText) {
  IniText text("[S]\nk=1\n");
  EXPECT_FALSE(text.SetValue("S", "k", "1"));
  EXPECT_FALSE(text.SetValue("S", "k", "a\nb"));
  EXPECT_FALSE(text.SetValue("S", "a=b", "1"));
  EXPECT_FALSE(text.DeleteKey("S", "missing"));
  EXPECT_FALSE(text.DeleteKey("T", "k"));
  EXPECT_FALSE(text.DeleteSection("T"));
  EXPECT_EQ(text.Text(), "[S]\nk=1\n");
}

TEST(IniTextTest, WritableNames) {
  EXPECT_TRUE(IsWritableIniSection("Introduction"));
  EXPECT_TRUE(IsWritableIniSection("A]B"));
  EXPECT_TRUE(IsWritableIniSection("two words"));
  EXPECT_FALSE(IsWritableIniSection(""));
  EXPECT_FALSE(IsWritableIniSection(" padded"));
  EXPECT_FALSE(IsWritableIniSection("padded\t"));
  EXPECT_FALSE(IsWritableIniSection("line\nbreak"));

  EXPECT_TRUE(IsWritableIniKey("3d"));
  EXPECT_TRUE(IsWritableIniKey("a;b"));
  EXPECT_FALSE(IsWritableIniKey(""));
  EXPECT_FALSE(IsWritableIniKey("a=b"));
  EXPECT_FALSE(IsWritableIniKey(";a"));
  EXPECT_FALSE(IsWritableIniKey("[a"));
  EXPECT_FALSE(IsWritableIniKey(std::string("a\0b", 3)));

  EXPECT_TRUE(IsWritableIniValue(""));
  EXPECT_TRUE(IsWritableIniValue("  \"quoted\" = ; [x]"));
  EXPECT_FALSE(IsWritableIniValue("a\rb"));
}

TEST(IniTextTest, ValuesAreQuotedOnlyWhenAReadWouldChangeThem) {
  struct Case {
    const char *value;
    const char *written;
  };
  for (const Case &c :
       {Case{"plain", "plain"}, Case{"", ""}, Case{"in side", "in side"},
        Case{"a\"", "a\""}, Case{"e ", "\"e \""}, Case{"\tx", "\"\tx\""},
        Case{"'q'", "\"'q'\""}, Case{"\"", "\""}, Case{"\"\"", "\"\"\"\""}}) {
    EXPECT_EQ(IniValueReadingAs(c.value), c.written) << c.value;
    IniText text;
    ASSERT_TRUE(text.SetValue("S", "k", IniValueReadingAs(c.value)));
    EXPECT_EQ(text.FindValue("S", "k"), c.value) << c.value;
  }
}

TEST(IniTextTest, ChooseIniStringPrefersTheFoundValue) {
  EXPECT_EQ(ChooseIniString(std::string("found "), "dflt", 260), "found ");
  EXPECT_EQ(ChooseIniString(std::string(""), "dflt", 260), "");
  EXPECT_EQ(ChooseIniString(std::nullopt, "'dflt'  ", 260), "dflt");
  EXPECT_EQ(ChooseIniString(std::nullopt, std::string("ab\0cd", 5), 260), "ab");
  EXPECT_EQ(ChooseIniString(std::nullopt, "   ", 260), "");
  EXPECT_EQ(ChooseIniString(std::string("abc"), "", 0), "");
  EXPECT_EQ(ChooseIniString(std::string("abc"), "", 3), "ab");
}

// The one-pass forms must give what their one-key forms give, on files
// with repeated sections and keys, odd spacing, NULs and missing breaks.
TEST(IniTextTest, OnePassFormsMatchTheirOneKeyForms) {
  const std::string texts[] = {
      kHandWritten,
      "",
      "\xEF\xBB\xBF",
      "; only a comment",
      "[S]",
      "[T]\nt=1",
      std::string("[S]\r\nk=1\0tail\r\nK=2\r\n [ s ] \r\nk=3\r\n=e\r\n", 38),
      "top=1\n[S]\nk = 'q'\n\n[T]\nk=t\n[s]\nx=2\n\n",
  };
  const std::vector<std::string_view> keys = {"k",   " K ",     "x", "",
                                              "top", "missing", "a", "t"};
  const std::vector<IniEntry> entries = {{"k", "v"}, {"Two", ""}, {"x", "'"}};
  for (const std::string &text : texts) {
    const IniText ini(text);
    for (const char *section : {"S", "s ", "T", "", "One", "none"}) {
      const std::vector<std::optional<std::string>> values =
          ini.FindValues(section, keys);
      ASSERT_EQ(values.size(), keys.size());
      for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(values[i], ini.FindValue(section, keys[i]))
            << text << " [" << section << "] " << keys[i];
    }
    for (const std::vector<IniEntry> &list : {entries, {}}) {
      IniText stepwise(text);
      while (stepwise.DeleteSection("S")) {
      }
      for (const IniEntry &entry : list)
        ASSERT_TRUE(stepwise.SetValue("S", entry.key, entry.value));
      IniText replaced(text);
      ASSERT_TRUE(replaced.ReplaceSection("S", list));
      EXPECT_EQ(replaced.Text(), stepwise.Text()) << text;
    }
  }
  IniText refused("[S]\nk=1\n");
  EXPECT_FALSE(refused.ReplaceSection("S", {{"k", "1"}, {"K", "2"}}));
  EXPECT_FALSE(refused.ReplaceSection(" S", {}));
  EXPECT_EQ(refused.Text(), "[S]\nk=1\n");
}

TEST(IniTextTest, LongAndManyLinesStayLinear) {
  // One line of a megabyte and a hundred thousand short ones: the lookups
  // must neither cut nor copy per line.
  std::string text = "[S]\nbig=" + std::string(1 << 20, 'v') + "\n";
  for (int i = 0; i < 100000; ++i) {
    const std::string number = std::to_string(i);
    text.append("k").append(number).append("=").append(number).append("\n");
  }
  IniText ini(text);
  EXPECT_EQ(ini.FindValue("S", "k99999"), "99999");
  EXPECT_EQ(ini.FindValue("S", "big")->size(), std::size_t{1} << 20);
  EXPECT_EQ(ini.ListKeys("S").size(), 100001u);
  ASSERT_TRUE(ini.SetValue("S", "k0", "x"));
  EXPECT_EQ(ini.FindValue("S", "k0"), "x");
}

} // namespace
} // namespace vorafile::platform
