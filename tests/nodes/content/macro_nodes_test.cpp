#include "nodes/content/macro_nodes.h"

#include "nodes/node_test_support.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace vorafile::nodes {
namespace {

using test::TempDir;

// A macro file of two macros as this writer writes it.
constexpr const char *kTwoMacros = "Version\t3\n"
                                   "NumMacros\t2\n"
                                   "\n"
                                   "Macro\t0\n"
                                   "MacroName\tIntro spin\n"
                                   "00:00:0.0 OBJECT cube DEFORMATION twist : "
                                   "SetPreset 4\n"
                                   "00:00:2.5 OBJECT cube DEFORMATION twist : "
                                   "SetPreset 0\n"
                                   "\n"
                                   "Macro\t1\n"
                                   "MacroName\tQuiet\n"
                                   "\n";

class MacroFileTest : public ::testing::Test {
protected:
  void SetUp() override { parent_.SetFolder(dir_.folder()); }

  std::int64_t Read(const std::string &text) {
    file_ = std::make_unique<MacroFileNode>(&parent_, "VRM Node 0",
                                            dir_.file("m.vrm"));
    return test::ReadSection(*file_, text).end;
  }

  MacroEntryNode &Entry(int i) {
    return *DynCast<MacroEntryNode>(file_->GetChild(i));
  }

  TempDir dir_;
  test::VersionParent parent_{3};
  std::unique_ptr<MacroFileNode> file_;
};

TEST_F(MacroFileTest, ReadsEntriesAndWritesThemBackUnchanged) {
  ASSERT_NE(Read(kTwoMacros), kReadFailed);
  ASSERT_EQ(file_->GetChildCount(), 2);
  EXPECT_EQ(file_->GetParamAs<std::int32_t>(macro_param::kNumMacros), 2);
  EXPECT_EQ(Entry(0).GetTextParam(macro_param::kMacroName), "Intro spin");
  EXPECT_EQ(Entry(0).GetParamAs<std::int32_t>(param::kId), 0);
  EXPECT_EQ(Entry(0).GetParamAs<std::int32_t>(macro_param::kNumMacroCommands),
            2);
  EXPECT_EQ(Entry(1).GetParamAs<std::int32_t>(macro_param::kNumMacroCommands),
            0);

  EXPECT_EQ(test::WriteSection(*file_), kTwoMacros);
}

TEST_F(MacroFileTest, EntryCountRules) {
  const std::string header = "Version\t3\nNumMacros\t2\n\n";
  auto entries = [](int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
      text += "Macro\t" + std::to_string(i) + "\nMacroName\tm\ncmd\n\n";
    }
    return text;
  };
  const struct {
    const char *what;
    std::string text;
    bool reads;
    int children;
  } cases[] = {
      {"as declared", header + entries(2), true, 2},
      {"one beyond the number is taken", header + entries(3), true, 3},
      {"a second one beyond fails", header + entries(4), false, 3},
      {"no NumMacros line: one entry", "Version\t3\n" + entries(1), true, 1},
      {"no NumMacros line: two fail", "Version\t3\n" + entries(2), false, 1},
      {"NumMacros twice", header + "NumMacros\t3\n", false, 0},
      {"a Macro line without an id", header + "Macro\tx\n", false, 0},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Read(c.text) != kReadFailed, c.reads);
    EXPECT_EQ(file_->GetChildCount(), c.children);
    EXPECT_EQ(file_->IsReadComplete(), c.reads);
  }
}

TEST_F(MacroFileTest, EntryNameAndCommandLines) {
  ASSERT_NE(Read("NumMacros\t1\n"
                 "Macro\t7\n"
                 "; a comment before the name\n"
                 "MacroName  My macro|ignored text\n"
                 "   \n"
                 "  first command  \n"
                 "Macro\t8\n"
                 "MacroName\tnext\n"),
            kReadFailed);
  ASSERT_EQ(file_->GetChildCount(), 2);
  MacroEntryNode &entry = Entry(0);
  EXPECT_EQ(entry.GetTextParam(macro_param::kMacroName), "My macro");
  // The blank line is no command; the next "Macro" line ends the entry.
  EXPECT_EQ(entry.GetCommands().GetCount(), 1u);
  ParamValue command;
  ASSERT_TRUE(entry.GetParamValue(macro_param::kMacroCommand, command, 0));
  EXPECT_EQ(command.GetText(), "first command");
  EXPECT_EQ(Entry(1).GetParamAs<std::int32_t>(param::kId), 8);
}

TEST_F(MacroFileTest, CommandsAreIndexedParameters) {
  MacroEntryNode entry(&parent_, "Macro", 1);
  const char *first = "00:00:0.0 a";
  const char *second = "00:00:1.0 b";
  EXPECT_FALSE(entry.AddParam(macro_param::kMacroCommand, first,
                              VORA_VALUE_STRING, 1)); // no gaps
  ASSERT_TRUE(
      entry.AddParam(macro_param::kMacroCommand, first, VORA_VALUE_STRING, 0));
  ASSERT_TRUE(
      entry.AddParam(macro_param::kMacroCommand, second, VORA_VALUE_STRING, 1));
  EXPECT_FALSE(
      entry.AddParam(macro_param::kMacroCommand, second, VORA_VALUE_STRING, 0));
  // Name, NodeID, ID and two commands.
  EXPECT_EQ(entry.GetParamCount(), 5);
  EXPECT_EQ(entry.GetParamSize(macro_param::kMacroCommand, -1, 1),
            std::strlen(second) + 1);
  EXPECT_EQ(entry.GetParamName(macro_param::kMacroCommand), "MacroCommand");
  EXPECT_EQ(entry.GetParamId("nummacrocommands"),
            macro_param::kNumMacroCommands);

  EXPECT_EQ(test::SubItemTexts(entry),
            (std::vector<std::string>{"MacroCommand0=00:00:0.0 a",
                                      "MacroCommand1=00:00:1.0 b"}));
  ASSERT_TRUE(entry.RemoveParam(macro_param::kMacroCommand, 0));
  EXPECT_EQ(entry.GetCommands().GetCount(), 1u);
}

TEST_F(MacroFileTest, MacroEffectReadsItsFileAndWritesItsLine) {
  dir_.write("spin.vrm", kTwoMacros);
  MacroEffectNode macro(&parent_, "MacroNode0", dir_.file("spin.vrm"), -1,
                        "Spin and stop");
  ASSERT_EQ(macro.Read(nullptr, 42), 42);
  ASSERT_NE(macro.GetMacroFile(), nullptr);
  EXPECT_EQ(macro.GetParamAs<std::int32_t>(macro_param::kMacroCurrentPreset),
            0);

  dir_.write("spin.vrm", "changed on disk\n");
  EXPECT_EQ(test::WriteSection(macro),
            "MacroEffect\tspin.vrm 0 Spin and stop\n");
  EXPECT_EQ(dir_.read("spin.vrm"), kTwoMacros);
}

TEST_F(MacroFileTest, AMacroFileThatFailedIsNotRewritten) {
  const std::string broken = "NumMacros\t0\nMacro\t0\nMacroName\ta\n"
                             "Macro\t1\nMacroName\tb\n";
  dir_.write("bad.vrm", broken);
  MacroEffectNode macro(&parent_, "MacroNode0", dir_.file("bad.vrm"), 1, "x");
  EXPECT_EQ(macro.Read(nullptr, 5), kReadFailed);
  ASSERT_NE(macro.GetReadFailure(), std::nullopt);
  test::WriteSection(macro);
  EXPECT_EQ(dir_.read("bad.vrm"), broken);
}

} // namespace
} // namespace vorafile::nodes
