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

// The constants are transcribed by hand; each must name the id that the
// table spells so (kTfxFileName has no name of its own).
TEST(ParamNamesTest, NamedIdsMatchTheTable) {
  struct Case {
    int id;
    std::string_view name;
  };
  const Case cases[] = {
      {param::kBrightness, "Brightness"},
      {param::kClights, "Clights"},
      {param::kCfx, "CFX"},
      {param::kCfxFileName, "CFXFileName"},
      {param::kCfxPreset, "CFXPreset"},
      {param::kDynCol, "DynCol"},
      {param::kEffectPresetCategoryInfo, "EffectPresetCategoryInfo"},
      {param::kEnableNewCameraNav, "EnableNewCameraNav"},
      {param::kAlbum, "Album"},
      {param::kAlbumLoc, "AlbumLoc"},
      {param::kCover, "Cover"},
      {param::kCoverLoc, "CoverLoc"},
      {param::kAlbumLink, "AlbumLink"},
      {param::kArtist, "Artist"},
      {param::kArtistLoc, "ArtistLoc"},
      {param::kBkgColor, "BkgColor"},
      {param::kBanner, "Banner"},
      {param::kBannerLoc, "BannerLoc"},
      {param::kBannerLink, "BannerLink"},
      {param::kComments, "Comments"},
      {param::kCommentsLoc, "CommentsLoc"},
      {param::kYearCopyRight, "YearCopyRight"},
      {param::kYearCopyRightLoc, "YearCopyRightLoc"},
      {param::kDate, "Date"},
      {param::kDateLoc, "DateLoc"},
      {param::kEmail, "Email"},
      {param::kEmailLoc, "EmailLoc"},
      {param::kFrom, "From"},
      {param::kFromLoc, "FromLoc"},
      {param::kGenre, "Genre"},
      {param::kGenreLoc, "GenreLoc"},
      {param::kGenreId, "GenreID"},
      {param::kCursorLink, "CursorLink"},
      {param::kTextColorHot, "TextColorHot"},
      {param::kLink, "Link"},
      {param::kLinkLoc, "LinkLoc"},
      {param::kLogo, "Logo"},
      {param::kLogoLoc, "LogoLoc"},
      {param::kLogoLink, "LogoLink"},
      {param::kIntroMessage, "Message"},
      {param::kMessageLoc, "MessageLoc"},
      {param::kMode, "Mode"},
      {param::kCursorNormal, "CursorNormal"},
      {param::kSong, "Song"},
      {param::kSongLoc, "SongLoc"},
      {param::kTextColor, "TextColor"},
      {param::kTextFontInfo, "TextFontInfo"},
      {param::kTime, "Time"},
      {param::kTitle, "Title"},
      {param::kTitleLoc, "TitleLoc"},
      {param::kTo, "To"},
      {param::kToLoc, "ToLoc"},
      {param::kEnvMap, "EnvMap"},
      {param::kFileName, "FileName"},
      {param::kFlat, "Flat"},
      {param::kFramesPerSecond, "FramesPerSecond"},
      {param::kId, "ID"},
      {param::kIniFileName, "IniFileName"},
      {param::kVoraScriptFileName, "VoraScriptFileName"},
      {param::kVoraMarqueeFileName, "VoraMarqueeFileName"},
      {param::kLfxFileName, "LFXFileName"},
      {param::kLights, "Lights"},
      {param::kVro0, "Vro0"},
      {param::kMessage, "Message"},
      {param::kMsgIni, "MsgIni"},
      {param::kMsgOn, "MsgOn"},
      {param::kName, "Name"},
      {param::kNodeId, "NodeID"},
      {param::kNumMacroEffects, "NumMacroEffects"},
      {param::kNumMorphs, "NumMorphs"},
      {param::kNumObjects, "NumObjects"},
      {param::kObjSite, "ObjSite"},
      {param::kOlink, "Olink"},
      {param::kPause, "Pause"},
      {param::kPreset, "Preset"},
      {param::kReadOnly, "ReadOnly"},
      {param::kResponsivness, "Responsivness"},
      {param::kSceneDetail, "SceneDetail"},
      {param::kSceneLockMp3, "SceneLockMp3"},
      {param::kShowIntro, "ShowIntro"},
      {param::kSpecialField1, "SpecialField1"},
      {param::kSpecialField2, "SpecialField2"},
      {param::kStrobe, "Strobe"},
      {param::kStyle, "Style"},
      {param::kTmap, "Tmap"},
      {param::kTName, "TName"},
      {param::kTRot, "TRot"},
      {param::kT2Name, "T2Name"},
      {param::kTdfx, "TDFX"},
      {param::kTdfxRate, "TDFX Rate"},
      {param::kTempDir, "TempDir"},
      {param::kTfxFileName, "To Be Identified"},
      {param::kToBeIdentified, "To Be Identified"},
      {param::kVersion, "Version"},
      {param::kWframe, "Wframe"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(ParamNameOf(c.id), c.name) << c.id;
  }
}

} // namespace
} // namespace vorafile::nodes
