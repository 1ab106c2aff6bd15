#include "nodes/core/param_names.h"

#include <gtest/gtest.h>

namespace vorafile::nodes {
namespace {

TEST(ParamNamesTest, TableHoldsTheNamesByIdAsSpelt) {
  const ParamNameTable &table = GetParamNameTable();
  ASSERT_EQ(table.size(), 281u);
  EXPECT_EQ(table[0], "AutoSwitch");
  EXPECT_EQ(table[68], "Message");
  EXPECT_EQ(table[160], "Name");
  EXPECT_EQ(table[163], "NodeID");
  EXPECT_EQ(table[249], "T2 Rotate");
  EXPECT_EQ(table[256], "TDFX Rate");
  EXPECT_EQ(table[262], "TextDeform Load");
  EXPECT_EQ(table[272], "3DTextDeformation");
  EXPECT_EQ(table[275], "To Be Identified");
  EXPECT_EQ(table[280], "EnableWireFrame");
  int unnamed = 0;
  for (std::string_view name : table) {
    EXPECT_FALSE(name.empty());
    unnamed += name == "To Be Identified" ? 1 : 0;
  }
  EXPECT_EQ(unnamed, 26);
}

TEST(ParamNamesTest, NamesThatStandTwiceMapToTheHighestId) {
  EXPECT_EQ(ParamIdOf("Message"), 152);
  EXPECT_EQ(ParamIdOf("Version"), 277);
  EXPECT_EQ(ParamIdOf("Randomize"), 274);
  EXPECT_EQ(ParamIdOf("Nbands"), 167);
  EXPECT_EQ(ParamIdOf("ParentChildLink"), 196);
  EXPECT_EQ(ParamIdOf("TextDeform"), 261);
  EXPECT_EQ(ParamIdOf("To Be Identified"), 279);
}

// Every name leads back to the highest id that carries it.
TEST(ParamNamesTest, EveryNameLeadsToItsHighestId) {
  const ParamNameTable &table = GetParamNameTable();
  for (int id = 0; id < kParamNameCount; ++id) {
    const std::string_view name = table[static_cast<std::size_t>(id)];
    const int found = ParamIdOf(name);
    EXPECT_GE(found, id) << name;
    EXPECT_EQ(ParamNameOf(found), name);
    for (int later = found + 1; later < kParamNameCount; ++later) {
      EXPECT_NE(table[static_cast<std::size_t>(later)], name) << name;
    }
  }
}

TEST(ParamNamesTest, LookupIgnoresCaseOnly) {
  EXPECT_EQ(ParamIdOf("message"), 152);
  EXPECT_EQ(ParamIdOf("MESSAGE"), 152);
  EXPECT_EQ(ParamIdOf("t2 uscale"), 251);
  EXPECT_EQ(ParamIdOf("3dtextdeformationpreset"), 273);
  EXPECT_EQ(ParamIdOf("Messag"), 275);
  EXPECT_EQ(ParamIdOf("Message "), 275);
  EXPECT_EQ(ParamIdOf("T2Rotate"), 275);
  EXPECT_EQ(ParamIdOf(""), 275);
  EXPECT_EQ(ParamIdOf(std::string_view("Name\0X", 6)), 275);
}

TEST(ParamNamesTest, NameOfIdOutsideTheTableIsEmpty) {
  EXPECT_EQ(ParamNameOf(68), "Message");
  EXPECT_EQ(ParamNameOf(-1), "");
  EXPECT_EQ(ParamNameOf(281), "");
  EXPECT_EQ(ParamNameOf(4000), "");
}

} // namespace
} // namespace vorafile::nodes
