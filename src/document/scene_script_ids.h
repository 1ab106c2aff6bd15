// Parameter ids of the scene script's root keywords and of the values the
// root derives while reading, shared by the script reader and writer.
#ifndef VORAFILE_DOCUMENT_SCENE_SCRIPT_IDS_H
#define VORAFILE_DOCUMENT_SCENE_SCRIPT_IDS_H

namespace vorafile::script_param {

inline constexpr int kBrightness = 3;
inline constexpr int kClights = 4;
inline constexpr int kCfx = 7;
inline constexpr int kCfxFileName = 8;
inline constexpr int kCfxPreset = 9;
inline constexpr int kCulling = 15;
inline constexpr int kDynCol = 31;
inline constexpr int kEffectPresetCategoryInfo = 34;
inline constexpr int kEnableNewCameraNav = 36;
inline constexpr int kEnvMap = 83;
inline constexpr int kFlat = 90;
inline constexpr int kFramesPerSecond = 104;
inline constexpr int kIniFileName = 109;
inline constexpr int kVoraScriptFileName = 116;
inline constexpr int kVoraMarqueeFileName = 117;
inline constexpr int kLights = 121;
inline constexpr int kMsgIni = 156;
inline constexpr int kMsgOn = 157;
inline constexpr int kNumMacroEffects = 169;
inline constexpr int kNumObjects = 173;
inline constexpr int kParentChildLink = 196;
inline constexpr int kPause = 207;
inline constexpr int kReadOnly = 220;
inline constexpr int kResponsivness = 222;
inline constexpr int kSceneDetail = 225;
inline constexpr int kSceneLockMp3 = 226;
inline constexpr int kSpecialField1 = 234;
inline constexpr int kSpecialField2 = 235;
inline constexpr int kStrobe = 239;
inline constexpr int kStyle = 241;
inline constexpr int kTmap = 243;
inline constexpr int kTRot = 246;
inline constexpr int kTdfx = 255;
inline constexpr int kTdfxRate = 256;
inline constexpr int kTempDir = 257;
inline constexpr int kTextDeform = 261;
inline constexpr int kTextureSettings = 265;
inline constexpr int kVersion = 277;
inline constexpr int kWframe = 278;

} // namespace vorafile::script_param

#endif // VORAFILE_DOCUMENT_SCENE_SCRIPT_IDS_H
