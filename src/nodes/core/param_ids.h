// Parameter ids that code names, grouped by name family.
//
// A family is a run of ids whose names come from one name table (see
// name_table.h): the built-in names 0 to 280, and the families that node
// classes bring (definition file 1400s, deformation keys 1600 to 2040,
// object configuration 2000s, lens effects file 2200s, lens keys 2500s,
// transition effect file 3000s, transition keys 3500s, marquee 4000s,
// macros 4500s). Some ranges overlap (deformation keys and configuration
// keys both use 2000 to 2037), so each family has a namespace of its own and
// an id means something only together with its family. A family's namespace
// is added here when code first names one of its ids.
//
// Constants carry the table's spelling of the name. Where a built-in name
// stands twice, the constant without suffix is the id that the name index
// gives (the highest); the other is named after its role.
#ifndef VORAFILE_NODES_CORE_PARAM_IDS_H
#define VORAFILE_NODES_CORE_PARAM_IDS_H

namespace vorafile::nodes {

/// The built-in names, ids 0 to 280.
namespace param {
inline constexpr int kAutoSwitch = 0;
inline constexpr int kBrightness = 3;
inline constexpr int kClights = 4;
inline constexpr int kCamera = 6;
inline constexpr int kCfx = 7;
inline constexpr int kCfxFileName = 8;
inline constexpr int kCfxPreset = 9;
inline constexpr int kCulling = 15;
/// The deformation reference lines of object sections.
inline constexpr int kDefBand = 18;
inline constexpr int kDefVrd = 20;
inline constexpr int kDefName = 21;
inline constexpr int kDefPreset = 22;
inline constexpr int kDefScale = 24;
inline constexpr int kDiffuse = 25;
inline constexpr int kDirection = 26;
inline constexpr int kDirection0 = 27;
inline constexpr int kDirection1 = 28;
inline constexpr int kDirection2 = 29;
inline constexpr int kDynCol = 31;
inline constexpr int kEffectPreset = 33;
inline constexpr int kEffectPresetCategoryInfo = 34;
inline constexpr int kEnable = 35;
inline constexpr int kEnableNewCameraNav = 36;
inline constexpr int kAlbum = 37;
inline constexpr int kAlbumLoc = 38;
inline constexpr int kCover = 39;
inline constexpr int kCoverLoc = 40;
inline constexpr int kAlbumLink = 41;
inline constexpr int kArtist = 42;
inline constexpr int kArtistLoc = 43;
inline constexpr int kBkgColor = 44;
inline constexpr int kBanner = 45;
inline constexpr int kBannerLoc = 46;
inline constexpr int kBannerLink = 47;
inline constexpr int kComments = 48;
inline constexpr int kCommentsLoc = 49;
inline constexpr int kYearCopyRight = 50;
inline constexpr int kYearCopyRightLoc = 51;
inline constexpr int kDate = 52;
inline constexpr int kDateLoc = 53;
inline constexpr int kEmail = 54;
inline constexpr int kEmailLoc = 55;
inline constexpr int kFrom = 56;
inline constexpr int kFromLoc = 57;
inline constexpr int kGenre = 58;
inline constexpr int kGenreLoc = 59;
inline constexpr int kGenreId = 60;
inline constexpr int kCursorLink = 61;
inline constexpr int kTextColorHot = 62;
inline constexpr int kLink = 63;
inline constexpr int kLinkLoc = 64;
inline constexpr int kLogo = 65;
inline constexpr int kLogoLoc = 66;
inline constexpr int kLogoLink = 67;
/// "Message" of the introduction page; the name index gives kMessage.
inline constexpr int kIntroMessage = 68;
inline constexpr int kMessageLoc = 69;
inline constexpr int kMode = 70;
inline constexpr int kCursorNormal = 71;
inline constexpr int kSong = 73;
inline constexpr int kSongLoc = 74;
inline constexpr int kTextColor = 75;
inline constexpr int kTextFontInfo = 76;
inline constexpr int kTime = 77;
inline constexpr int kTitle = 78;
inline constexpr int kTitleLoc = 79;
inline constexpr int kTo = 80;
inline constexpr int kToLoc = 81;
inline constexpr int kEnvMap = 83;
inline constexpr int kFade = 86;
inline constexpr int kFarClip = 87;
inline constexpr int kFileName = 88;
inline constexpr int kFlat = 90;
/// A message's effect name; "To Be Identified" in the name table.
inline constexpr int kMessageEffect = 93;
inline constexpr int kExtrusion = 94;
inline constexpr int kSize = 95;
/// The number after a message's effect; "To Be Identified" in the name
/// table.
inline constexpr int kMessageEffectNumber = 97;
inline constexpr int kFont = 99;
inline constexpr int kWeight = 100;
inline constexpr int kFov = 101;
inline constexpr int kFovMin = 102;
inline constexpr int kFovMax = 103;
inline constexpr int kFramesPerSecond = 104;
inline constexpr int kGloss = 107;
inline constexpr int kId = 108;
inline constexpr int kIniFileName = 109;
/// The audio inputs of a deformation reference.
inline constexpr int kInput1Band = 111;
inline constexpr int kInput1Type = 112;
inline constexpr int kInput2Band = 113;
inline constexpr int kInput2Type = 114;
inline constexpr int kItalics = 115;
inline constexpr int kVoraScriptFileName = 116;
inline constexpr int kVoraMarqueeFileName = 117;
/// The script's keyword of the lens effects file.
inline constexpr int kLfx = 118;
inline constexpr int kLfxFileName = 119;
inline constexpr int kLighting = 120;
inline constexpr int kLights = 121;
inline constexpr int kLoad = 123;
inline constexpr int kLock = 124;
inline constexpr int kLockPosition0 = 125;
inline constexpr int kLockPosition1 = 126;
inline constexpr int kLockPosition2 = 127;
inline constexpr int kLookAt = 128;
inline constexpr int kLookAtBoundsCenter = 129;
inline constexpr int kLookAtBoundsRadius = 130;
/// A deformation reference's definition file name.
inline constexpr int kVrdFileName = 131;
/// The key of an object file line; the files are held under kVro0.
inline constexpr int kVroFile = 132;
/// The first of the object file ids "Vro0" to "Vro16".
inline constexpr int kVro0 = 133;
inline constexpr int kMaxMove = 150;
inline constexpr int kMaximumFrequency = 151;
inline constexpr int kMessage = 152;
inline constexpr int kMinimumFrequency = 154;
inline constexpr int kMsgIni = 156;
inline constexpr int kMsgOn = 157;
/// Every node's first parameter, a String.
inline constexpr int kName = 160;
inline constexpr int kNearClip = 161;
/// Every node's second parameter, an Int.
inline constexpr int kNodeId = 163;
inline constexpr int kNum = 164;
inline constexpr int kNumDefs = 165;
/// Also at 158; the name index gives 167.
inline constexpr int kNbands = 167;
inline constexpr int kNumMacroEffects = 169;
inline constexpr int kNumMsgs = 170;
inline constexpr int kNumMorphs = 171;
inline constexpr int kNumObjects = 173;
/// The message node's number of text deformation definitions.
inline constexpr int kNum3DTextDefs = 174;
inline constexpr int kOAng = 175;
inline constexpr int kObjSite = 176;
inline constexpr int kOlink = 177;
inline constexpr int kOName = 178;
inline constexpr int kOPos = 181;
inline constexpr int kOSize = 182;
inline constexpr int kOType = 183;
inline constexpr int kEnableDecimation = 184;
inline constexpr int kEnableTexSwap = 185;
inline constexpr int kEnableLighting = 186;
inline constexpr int kEnableEnvMap = 191;
inline constexpr int kEnableTexture = 192;
inline constexpr int kVisible = 193;
inline constexpr int kParent = 194;
inline constexpr int kParentChildLink = 196;
inline constexpr int kPause = 207;
inline constexpr int kPhi = 209;
inline constexpr int kPhiMax = 210;
inline constexpr int kPhiMaxD = 211;
inline constexpr int kPhiMin = 212;
inline constexpr int kPosition = 213;
inline constexpr int kPreset = 214;
inline constexpr int kRadius = 215;
inline constexpr int kRadiusMin = 216;
inline constexpr int kRadiusMax = 217;
inline constexpr int kRadiusMaxD = 218;
inline constexpr int kRate = 219;
inline constexpr int kReadOnly = 220;
/// Spelt so in the files.
inline constexpr int kResponsivness = 222;
inline constexpr int kSceneDetail = 225;
inline constexpr int kSceneLockMp3 = 226;
inline constexpr int kMacroEffect = 227;
inline constexpr int kShowIntro = 232;
inline constexpr int kSpecCol = 233;
inline constexpr int kSpecialField1 = 234;
inline constexpr int kSpecialField2 = 235;
inline constexpr int kSpot = 236;
inline constexpr int kSpotCutOff = 238;
inline constexpr int kStrobe = 239;
inline constexpr int kStyle = 241;
inline constexpr int kTColor = 242;
inline constexpr int kTmap = 243;
inline constexpr int kTName = 245;
inline constexpr int kTRot = 246;
inline constexpr int kT2Name = 248;
inline constexpr int kT2Rotate = 249;
inline constexpr int kT2ScaleTransRotate = 250;
inline constexpr int kT2UScale = 251;
inline constexpr int kT2VScale = 252;
inline constexpr int kT2UTrans = 253;
inline constexpr int kT2VTrans = 254;
inline constexpr int kTdfx = 255;
inline constexpr int kTdfxRate = 256;
inline constexpr int kTempDir = 257;
/// The transition effect file's path; "To Be Identified" in the name table.
inline constexpr int kColor = 259;
inline constexpr int kTextDeform = 261;
inline constexpr int kTextureSettings = 265;
/// The script's keyword of the transition effect file.
inline constexpr int kTfx = 266;
inline constexpr int kTfxFileName = 267;
inline constexpr int kTheta = 268;
inline constexpr int kThetaMax = 269;
inline constexpr int kThetaMaxD = 270;
inline constexpr int kThetaMin = 271;
inline constexpr int kRandomize = 274;
/// The id of a name that is not in the table, and of a new parameter.
inline constexpr int kToBeIdentified = 275;
inline constexpr int kVersion = 277;
inline constexpr int kWframe = 278;
inline constexpr int kEnableWireFrame = 280;
} // namespace param

/// The lens effects file, ids 2200 to 2211.
namespace lens_param {
inline constexpr int kNumLenses = 2201;
/// Indexed: the lens preset files' full paths.
inline constexpr int kLfpPresetFile = 2202;
} // namespace lens_param

/// The marquee file, ids 4000 to 4004 (the marquee's own name family).
namespace marquee_param {
inline constexpr int kVersion = 4000;
inline constexpr int kNumMarquees = 4001;
/// Indexed: the texts the marquee shows in turn.
inline constexpr int kText = 4002;
/// Indexed: the link of the text with the same index.
inline constexpr int kUrl = 4003;
/// A name only; no value is stored under it.
inline constexpr int kUnknown = 4004;
} // namespace marquee_param

/// The transition effect file, ids 3000 to 3005.
namespace transition_param {
inline constexpr int kNumTfp = 3001;
/// Indexed: the transition preset files' full paths.
inline constexpr int kTfpPresetFile = 3002;
} // namespace transition_param

/// The definition file (".vrd") header, ids 1400 to 1402.
namespace def_file_param {
inline constexpr int kDefType = 1400;
inline constexpr int kMaxInstance = 1401;
inline constexpr int kNumPresets = 1402;
} // namespace def_file_param

/// The deformation preset keys, ids 1600 to 2040.
namespace def_preset_param {
inline constexpr int kPreset = 1600;
inline constexpr int kAmpScale = 1607;
/// A built-in preset's index.
inline constexpr int kState = 1818;
inline constexpr int kUnknown = 2040;
} // namespace def_preset_param

/// The lens preset keys, ids 2500 to 2624.
namespace lens_preset_param {
inline constexpr int kPreset = 2500;
inline constexpr int kPresetName = 2501;
inline constexpr int kOffsetX = 2503;
/// The literal key "Unknown", and every key the lens block does not know.
inline constexpr int kUnknown = 2624;
} // namespace lens_preset_param

/// The transition preset keys, ids 3500 to 3553.
namespace transition_preset_param {
inline constexpr int kPreset = 3500;
inline constexpr int kPresetName = 3501;
/// The literal key "Unknown", and every key the transition block does not
/// know.
inline constexpr int kUnknown = 3553;
} // namespace transition_preset_param

/// The macro family, ids 4500 to 4507.
namespace macro_param {
/// The key of an entry's first line in a macro file.
inline constexpr int kMacro = 4500;
inline constexpr int kVersion = 4501;
inline constexpr int kNumMacros = 4502;
inline constexpr int kMacroName = 4503;
/// Indexed: a macro's commands.
inline constexpr int kMacroCommand = 4504;
inline constexpr int kNumMacroCommands = 4505;
inline constexpr int kMacroCurrentPreset = 4506;
inline constexpr int kMacroFriendlyName = 4507;
} // namespace macro_param

/// The object configuration file (pods, orbs, macro objects), ids 2000 to
/// 2037.
namespace config_param {
inline constexpr int kVersion = 2000;
inline constexpr int kObjectType = 2001;
inline constexpr int kCategory = 2002;
inline constexpr int kHighLightTexture = 2003;
/// Indexed for an orb: the links of its textures.
inline constexpr int kUrl = 2004;
/// Indexed for an orb: its textures.
inline constexpr int kTexture = 2005;
inline constexpr int kBorderTexture = 2006;
inline constexpr int kWindowSizeX = 2007;
inline constexpr int kWindowSizeY = 2008;
inline constexpr int kBorderSize = 2009;
inline constexpr int kOffsetSize = 2010;
inline constexpr int kWindowPosition = 2011;
inline constexpr int kScaleX = 2012;
inline constexpr int kScaleY = 2013;
inline constexpr int kCenterOffset = 2014;
/// An animation key; the next four ids hold its definition's node id,
/// file, band and preset.
inline constexpr int kHighlightAnimation = 2015;
inline constexpr int kOpeningAnimation = 2020;
inline constexpr int kFlyOutAnimation = 2025;
inline constexpr int kBorderScale = 2030;
inline constexpr int kBannerCount = 2031;
inline constexpr int kTextureAlpha = 2032;
inline constexpr int kDuration = 2033;
inline constexpr int kFadeDuration = 2034;
inline constexpr int kPickDuration = 2035;
inline constexpr int kPickCycles = 2036;
} // namespace config_param

} // namespace vorafile::nodes

#endif // VORAFILE_NODES_CORE_PARAM_IDS_H
