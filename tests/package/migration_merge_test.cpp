#include "package/migration_merge.h"

#include "document/scene_fixture.h"
#include "nodes/core/param_ids.h"
#include "package/package.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>

namespace vorafile {
namespace {

class MigrationMergeTest : public test::SceneFolderTest {};

TEST_F(MigrationMergeTest, MergesTheOldListAfterTheScene) {
  dir_.write("vora_.rudov", "1\n"
                            "2\n" // layout
                            "\n"
                            "0.75\n" // Brightness
                            "\n"
                            "4.5\n" // Responsivness
                            "\n"
                            "35\n" // style: bits 0, 1 and 5
                            "2\n"  // entries
                            "\n\n\n\n\n\n\n\n\n\n"
                            "a.bmp\n255\n65280\n3.9\n"
                            "b.bmp\n0\n0\n-1\n");
  dir_.write("vora.vrc", "Version 3\nBrightness 0.5\nResponsivness 1\n"
                         "Style 0\n");
  dir_.write("intro.ini", "");
  // The document alone reads the scene as it stands.
  ASSERT_TRUE(document_.Open(dir_.folder()))
      << document_.GetOpenProblem().Describe();
  EXPECT_EQ(RootParam<float>(3), 0.5f);

  const OpenResult loaded = LoadScene(document_, dir_.folder());
  ASSERT_TRUE(loaded) << loaded.Describe();
  EXPECT_EQ(RootParam<float>(3), 0.75f);
  EXPECT_EQ(RootParam<float>(222), 4.5f);
  EXPECT_EQ(RootParam<std::int32_t>(241), 2 | 1 | 64);
  EXPECT_EQ(MergeMigrationList(document_).entries, 2);
}

TEST_F(MigrationMergeTest, ListsWithoutLayoutOrEntriesFailTheLoad) {
  ASSERT_TRUE(OpenScript("Version 3\n"));
  const struct {
    const char *list;
    OpenStatus status;
    int line;
  } cases[] = {
      {"1\n2\n", OpenStatus::MigrationListRejected, 0}, // too short
      {"1\n2\n\n\n\n\n\n\n0\n", OpenStatus::MigrationListRejected, 9},
  };
  for (const auto &[list, status, line] : cases) {
    dir_.write("vora_.rudov", list);
    const OpenResult result = LoadScene(document_, dir_.folder());
    EXPECT_EQ(result.status, status) << list;
    EXPECT_EQ(result.line, line) << list;
  }
  // A scene without the list is not merged (and cannot be).
  std::filesystem::remove(dir_.path() / "vora_.rudov");
  EXPECT_TRUE(LoadScene(document_, dir_.folder()));
  EXPECT_EQ(MergeMigrationList(document_).status,
            OpenStatus::MigrationListUnreadable);
}

// The texture file of old entry i.
std::string EntryTexture(int i) {
  std::array<char, 16> name{};
  (void)std::snprintf(name.data(), name.size(), "t%d.bmp", i);
  return name.data();
}

// A template scene of ten objects and one message: every layout's entries
// reach the objects its table names, and the message takes the old text.

TEST_F(MigrationMergeTest, EveryLayoutReachesTheTemplatesObjects) {
  std::string script = "Version 3\nNumObjects 10\nMsgIni text.ini\n";
  for (int i = 0; i < 10; ++i) {
    script.append("OName o").append(std::to_string(i)).append("\n");
  }
  dir_.write("text.ini", "[Message]\n0=template\n[Data]\n0=\n");
  for (int layout = 1; layout <= 8; ++layout) {
    SCOPED_TRACE(layout);
    const int count = layout == 6 ? 3 : 5;
    std::string list = "1\n";
    list.append(std::to_string(layout))
        .append("\n\n0.5\n\n1\n\n0\n")
        .append(std::to_string(count))
        .append("\n\n1\nold_words\n0.75\n600\n1\n255\n2\nCourier\n\n");
    for (int i = 0; i < count; ++i) {
      list.append(EntryTexture(i))
          .append("\n255\n65280\n")
          .append(std::to_string(i))
          .append(".5\n");
    }
    dir_.write("vora_.rudov", list);
    ASSERT_TRUE(OpenScript(script, SceneDocument::kDeliveredScript));
    const OpenResult loaded = LoadScene(document_, dir_.folder());
    ASSERT_TRUE(loaded) << loaded.Describe();
    for (int i = 0; i < count; ++i) {
      for (int ordinal : MigrationOrdinals(layout, i, count)) {
        SCOPED_TRACE(ordinal);
        const nodes::SceneNode *object =
            document_.FindByTypeAndOrdinal(VORA_NODE_OBJECT, ordinal);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->GetTextParam(nodes::param::kTName),
                  dir_.file(EntryTexture(i)));
        EXPECT_EQ(object->GetParamAs<std::int32_t>(nodes::param::kGloss), i);
      }
    }
    const nodes::SceneNode *message =
        document_.FindByTypeAndOrdinal(VORA_NODE_MESSAGE_DATA, 0);
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(message->GetTextParam(nodes::param::kMessage), "old_words");
    EXPECT_EQ(message->GetTextParam(nodes::param::kFont), "Courier");
  }
}

TEST(MigrationOrdinalsTest, LayoutsChooseTheReceivingObjects) {
  using Ordinals = std::vector<int>;
  EXPECT_EQ(MigrationOrdinals(1, 0, 3), Ordinals{1});
  EXPECT_EQ(MigrationOrdinals(1, 1, 3), Ordinals{2});
  EXPECT_EQ(MigrationOrdinals(1, 2, 3), Ordinals{0});
  for (int layout : {2, 5, 7})
    EXPECT_EQ(MigrationOrdinals(layout, 4, 6), Ordinals{4});
  EXPECT_EQ(MigrationOrdinals(3, 0, 5), (Ordinals{0, 6}));
  EXPECT_EQ(MigrationOrdinals(3, 4, 5), (Ordinals{3, 4, 5}));
  EXPECT_EQ(MigrationOrdinals(3, 5, 6), Ordinals{});
  EXPECT_EQ(MigrationOrdinals(4, 0, 4), Ordinals{3});
  EXPECT_EQ(MigrationOrdinals(4, 2, 4), Ordinals{1});
  EXPECT_EQ(MigrationOrdinals(6, 1, 3), (Ordinals{0, 1, 3, 4}));
  EXPECT_EQ(MigrationOrdinals(8, 4, 5), (Ordinals{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(MigrationOrdinals(9, 0, 1), Ordinals{});
}

} // namespace
} // namespace vorafile
