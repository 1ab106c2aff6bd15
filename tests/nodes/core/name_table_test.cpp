#include "nodes/core/name_table.h"

#include "nodes/core/param_names.h"

#include <gtest/gtest.h>

#include <array>
#include <string_view>

namespace vorafile::nodes {
namespace {

// Two families whose id ranges overlap, as the deformation keys and the
// object configuration keys do.
constexpr std::array<std::string_view, 4> kFamilyA = {"Version", "URL", "Gap",
                                                      "url"};
constexpr std::array<std::string_view, 3> kFamilyB = {"Texture", "Version",
                                                      "Scale"};

TEST(NameTableTest, LooksUpNamesAndIdsWithinItsFamily) {
  const NameTable a(2000, kFamilyA);
  struct Case {
    std::string_view name;
    std::optional<int> id;
  };
  const Case cases[] = {
      {"Version", 2000},  {"VERSION", 2000},         {"gap", 2002},
      {"URL", 2003}, // stands twice: the higher id wins
      {"Url", 2003},      {"Texture", std::nullopt}, {"Versio", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(a.FindId(c.name), c.id) << c.name;
  }
  EXPECT_EQ(a.NameOf(2003), "url");
  EXPECT_EQ(a.NameOf(2001), "URL");
  EXPECT_EQ(a.NameOf(1999), "");
  EXPECT_EQ(a.NameOf(2004), "");
  EXPECT_TRUE(a.Contains(2000));
  EXPECT_FALSE(a.Contains(2004));
}

TEST(NameTableTest, OverlappingFamiliesAnswerApart) {
  const NameTable a(2000, kFamilyA);
  const NameTable b(2001, kFamilyB);
  EXPECT_EQ(a.NameOf(2002), "Gap");
  EXPECT_EQ(b.NameOf(2002), "Version");
  EXPECT_EQ(a.FindId("Version"), 2000);
  EXPECT_EQ(b.FindId("Version"), 2002);
  EXPECT_EQ(a.FindId("Scale"), std::nullopt);
}

TEST(NameTableTest, BuiltInNamesAreOneFamily) {
  const NameTable &builtIn = GetParamNameIndex();
  EXPECT_EQ(builtIn.GetBaseId(), 0);
  EXPECT_EQ(builtIn.GetSize(), static_cast<std::size_t>(kParamNameCount));
  EXPECT_EQ(builtIn.FindId("Message"), param::kMessage);
  EXPECT_EQ(builtIn.FindId("NoSuchName"), std::nullopt);
  EXPECT_EQ(ParamIdOf("NoSuchName"), param::kToBeIdentified);
}

} // namespace
} // namespace vorafile::nodes
