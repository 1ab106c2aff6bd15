#include "nodes/effects/preset_keys.h"

#include <array>

namespace vorafile::nodes {

namespace {

// The names in id order from each family's base id, spelt as the preset
// files spell them. Packed by hand: one name a line would make the file
// hard to read.
// clang-format off
constexpr std::array<std::string_view, kDeformationKeyCount>
    kDeformationKeyNames = {
    "Preset", "Alpha", "AlphaMax", "AlphaMin", "AlphaVelocityMax",
    "AlphaVelocityMin", "AlphaVelocityDirection", "AmpScale", "Amplitude",
    "Angle", "AngleDir", "AngleVDirection", "AngleVDirectionMultiply",
    "AngleVMax", "AngleVMin", "AngleVelocityDirection",
    "AngleVelocityDirectionMultiply", "AngleVelocityMax", "AngleVelocityMin",
    "AxisMax", "AxisMin", "Axis0", "Axis1", "Axis2", "Base", "BranchRotation",
    "BumpDir", "BumpDirMult", "BumpiThetaMax", "BumpiThetaMin", "BumpoThetaMax",
    "BumpoThetaMin", "BumpSigmaDirection", "BumpSigmaDirectionMultiply",
    "BumpLSigmaMax", "BumpLSigmaMin", "BumpSigmaMax", "BumpSigmaMin",
    "BumpSSigmaMax", "BumpSSigmaMin", "BumpSyncTheta", "BumpSyncvTheta",
    "BumpThetaDiffMax", "BumpviThetaMax", "BumpviThetaMin", "BumpvoThetaMax",
    "BumpvoThetaMin", "BumpVSigmaMax", "BumpVSigmaMin", "CHOffset", "CHSigma",
    "CIOffset", "CISigma", "CSOffset", "CSSigma", "CentBouncePhi",
    "CentBounceTheta", "CentPhiMax", "CentPhiMin", "CentThetaMax",
    "CentThetaMin", "CentVDirMax", "CentVDirMin", "CentVMax", "CentVMin",
    "CentVelocityDirectionMax", "CentVelocityDirectionMin", "CentVelocityMax",
    "CentVelocityMin", "CentWrapPhi", "CentWrapTheta", "CentiPhiMax",
    "CentiPhiMin", "CentiThetaMax", "CentiThetaMin", "ColorDistMax",
    "ColorDistMin", "ColorMin0", "ColorMin1", "ColorMin2", "ColorVMax",
    "ColorVMin", "CosDepth", "CosDepthMax", "CosDepthMin", "CreationLevel",
    "Decay", "DecayMin", "DecayMax", "DecayTime", "DefType", "DefTypeMult",
    "Depth", "Direction", "DirectionMultiply", "DoAmp", "DoBump", "DoChildX",
    "DoChildY", "DoChildZ", "DoColor", "DoFlow", "DoHmap", "DoMask",
    "DoRestore", "DoSwitch", "DoTex", "DoTexture", "DoTextureRestore", "DoWave",
    "DoX", "DoY", "DoZ", "FlowAmpMax", "FlowAmpMin", "FlowDepthMax",
    "FlowDepthMin", "FlowMMax", "FlowMMin", "FlowNMax", "FlowNMin", "FlowNMa",
    "FlowWMax", "FlowWMin", "FollowParent", "Height", "HeightMapFilter", "ID",
    "InteruptLevel", "Interruptlevel", "Level", "LoadHeightMap", "LoadMaskMap",
    "Mmax", "MMin", "MVDir", "MVMax", "MVMin", "MapColorRatio", "MapNX",
    "MapNXMax", "MapNXMin", "MapNY", "MapNYMax", "MapNYMin", "MapScaleXMax",
    "MapScaleXMin", "MapScaleYMax", "MapScaleYMin", "MaskMapFilter",
    "MaxAmplitude", "MaxDepth", "MaxLevel", "MeshNX", "MeshNY",
    "MinBetweenTime", "MorphMax", "MorphMin", "NMax", "NMin", "NextShape",
    "NormalDirection", "OffsetX", "OffsetY", "OffsetZ", "OrbitNormal0",
    "OrbitNormal1", "OrbitNormal2", "OrbitRadius", "Orient", "OrientMultiply",
    "Orientation", "OrientationMultiply", "OutputHigh1", "OutputHigh2",
    "OutputLow1", "OutputLow2", "OutputMax", "OutputMin", "Output1", "Output2",
    "ParamIndex0", "ParamIndex1", "PhaseMax", "PhaseMin", "PhaseVDir",
    "PhaseVMax", "PhaseVMin", "PhiMax", "PhiMin", "RMax", "Random", "Randomize",
    "RepXMax", "RepXMin", "RepXVMax", "RepXVMin", "RepYMax", "RepYMin",
    "RepYVMax", "RepYVMin", "ResetMat", "RestoreDecay", "RotateX", "RotateY",
    "RotateZ", "Rotation", "ScaleFactor", "SigmaMax", "SigmaMin", "SizeX",
    "SizeY", "SizeZ", "SzThresh", "SmoothnessMax", "SmoothnessMin",
    "SpawnFrequency", "SpawnStart", "State", "TexAmp", "TexFollowMap", "TexNX",
    "TexNXMax", "TexNXMin", "TexNY", "TexNYMax", "TexNYMin", "TexRepeatX",
    "TexRepeatXScale", "TexRepeatY", "TexRepeatYScale", "TexReset",
    "TexRestDecay", "TexScaleXMax", "TexScaleXMin", "TexScaleYMax",
    "TexScaleYMin", "TexType", "TextMode", "TextRadius", "TextureCentreX",
    "TextureCentreY", "TextureHighX", "TextureHighY", "TextureLowX",
    "TextureLowY", "TextureRepeatX", "TextureRepeatY", "TextureScaleX",
    "TextureScaleY", "ThetaMax", "ThetaMin", "TranslationX", "TranslationY",
    "TranslationZ", "TreeSize", "VDir", "VDirX", "VDirY", "VDir1", "VDir2",
    "VDirMax", "VDirMin", "VDirMultiply", "VMax", "VMax1", "VMax2", "VMin",
    "VMin1", "VMin2", "VXDir", "VXDirMultiply", "VXDirection", "VXMax", "VXMin",
    "VYDir", "VYDirMultiply", "VYDirection", "VYMax", "VYMin", "V1", "V2",
    "ViewFromInsideText", "VerticesX", "VerticesY", "WMax", "WMin",
    "WaveAmpMax", "WaveAmpMin", "WaveDepthMax", "WaveDepthMin", "WaveMMax",
    "WaveMMin", "WaveNMax", "WaveNMin", "WaveWMax", "WaveWMin", "WrapTheta",
    "WrapPhi", "XTMax", "XTMin", "XTVMax", "XXVMin", "XXMax", "XXMin", "XXVMax",
    "XXVMin", "XYMax", "XYMin", "XYVMax", "XYVMin", "XZMax", "XZMin", "XZVMax",
    "XZVMin", "YTMax", "YTMin", "YTVMax", "YTVMin", "YXMax", "YXMin", "YXVMax",
    "YXVMin", "YYMax", "YYMin", "YYVMax", "YYVMin", "YZMax", "YZMin", "YZVMax",
    "YZVMin", "ZMax", "ZTMax", "ZTMin", "ZTVMax", "ZTVMin", "ZXMax", "ZXMin",
    "ZXVMax", "ZXVMin", "ZYMax", "ZYMin", "ZYVMax", "ZYVMin", "ZZMax", "ZZMin",
    "ZZVMax", "ZZVMin", "InputBand", "Highlight", "Pick", "Open", "Close",
    "OpeningDuration", "OpeningScaleX", "OpeningScaleY", "OpeningAlpha",
    "OpeningBoingAmp", "OpeningBoingCycles", "OpeningScrewAmp",
    "OpeningScrewCycles", "OpeningXRotations", "OpeningYRotations",
    "OpeningZRotations", "OpeningPauseDuration", "OpeningPauseScaleX",
    "OpeningPauseScaleY", "OpeningPauseAlpha", "OpeningPauseBoingAmp",
    "OpeningPauseBoingCycles", "OpeningPauseScrewAmp",
    "OpeningPauseScrewCycles", "OpeningPauseXRotations",
    "OpeningPauseYRotations", "OpeningPauseZRotations", "FlyOutDuration",
    "FlyOutScaleX", "FlyOutScaleY", "FlyOutAlpha", "FlyOutBoingAmp",
    "FlyOutBoingCycles", "FlyOutScrewAmp", "FlyOutScrewCycles",
    "FlyOutXRotations", "FlyOutYRotations", "FlyOutZRotations",
    "FlyOutPauseDuration", "FlyOutPauseScaleX", "FlyOutPauseScaleY",
    "FlyOutPauseAlpha", "FlyOutPauseBoingAmp", "FlyOutPauseBoingCycles",
    "FlyOutPauseScrewAmp", "FlyOutPauseScrewCycles", "FlyOutPauseXRotations",
    "FlyOutPauseYRotations", "FlyOutPauseZRotations", "OnScreenDuration",
    "OnScreenScaleX", "OnScreenScaleY", "OnScreenAlpha", "OnScreenBoingAmp",
    "OnScreenBoingCycles", "OnScreenScrewAmp", "OnScreenScrewCycles",
    "OnScreenXRotations", "OnScreenYRotations", "OnScreenZRotations",
    "ScrollBrowser", "ScaleXMin", "ScaleXMax", "ScaleYMin", "ScaleYMax",
    "ScaleVelocity", "HLScaleXMin", "HLScaleXMax", "HLScaleYMin", "HLScaleYMax",
    "HLScaleVelocity", "PickScaleX", "PickScaleY", "AlphaVelocity",
    "HLAlphaMin", "HLAlphaMax", "HLAlphaVelocity", "PickAlpha", "CenterX",
    "CenterY", "CenterZ", "CenterOffset", "SetTexture", "PickDuration",
    "Duration", "ExponentMin", "ExponentMax", "SuckPointX", "SuckPointY",
    "SuckPointZ", "CameraSpace", "TexLayerFlag", "Unknown"};

constexpr std::array<std::string_view, kLensKeyCount>
    kLensKeyNames = {
    "Preset", "PresetName", "OffsetMode", "OffsetX", "OffsetY", "GridX",
    "GridY", "FeedbackMode", "HalflifeInputBand", "XScaleInputBand",
    "YScaleInputBand", "RotationInputBand", "WarpingInputBand", "HalflifeDecay",
    "XScaleDecay", "YScaleDecay", "RotationDecay", "WarpingDecay",
    "HalflifeQuiet", "HalflifeLoud", "XScaleQuiet", "XScaleLoud", "YScaleQuiet",
    "YScaleLoud", "RotQuiet", "RotLoud", "WarpQuiet", "WarpLoud", "WarpSpeed",
    "Symmetry", "Kaleidoscope", "FilterMode", "InputBand", "Decay", "SyncMode",
    "FilterQuietColor_r", "FilterQuietColor_g", "FilterQuietColor_b",
    "FilterLoudColor_r", "FilterLoudColor_g", "FilterLoudColor_b",
    "GrainSizeInPixels", "Interlaced", "Alpha", "ScaleDev", "BaseRotation",
    "RotationDev", "StaticMinBrightness", "StaticMaxBrightness", "WarpMode",
    "Intensity", "NumSwirls", "CyclesPerSec", "DefType", "DefMaxInstance",
    "BrightLines", "NewLinesPerSec", "MinLineLifespan", "MaxLineLifespan",
    "MinLineFadeInTime", "MaxLineFadeInTime", "MinLineFadeOutTime",
    "MaxLineFadeOutTime", "MinLineShake", "MaxLineShake", "MinLineX",
    "MaxLineX", "MinLineDx", "MaxLineDx", "MinLineDdx", "MaxLineDdx",
    "MinLineWidth", "MaxLineWidth", "MinLineMargin", "MaxLineMargin",
    "MinLineAlpha", "MaxLineAlpha", "NewScratchesPerSec", "MinScratchLifespan",
    "MaxScratchLifespan", "MinScratchSize", "MaxScratchSize", "MinScratchRot",
    "MaxScratchRot", "ScratchBmpNum", "NumTexturesInImage",
    "NumTexturesToUtilize", "SpriteFadeInTime", "SpriteFadeInTimeRand",
    "SpriteHoldTime", "SpriteHoldTimeRand", "SpriteFadeOutTime",
    "SpriteFadeOutTimeRand", "AlphaJitter", "Xpos.Start", "Xpos.StartRand",
    "Xpos.Delta", "Xpos.DeltaRand", "Xpos.InterpExp", "Ypos.Start",
    "Ypos.StartRand", "Ypos.Delta", "Ypos.DeltaRand", "Ypos.InterpExp",
    "Xsize.Start", "Xsize.StartRand", "Xsize.Delta", "Xsize.DeltaRand",
    "Xsize.InterpExp", "Ysize.Start", "Ysize.StartRand", "Ysize.Delta",
    "Ysize.DeltaRand", "Ysize.InterpExp", "Rot.Start", "Rot.StartRand",
    "Rot.Delta", "Rot.DeltaRand", "Rot.InterpExp", "Tex.u0", "Tex.v0", "Tex.u1",
    "Tex.v1", "SpriteBmpNumber", "Unknown"};

constexpr std::array<std::string_view, kTransitionKeyCount>
    kTransitionKeyNames = {
    "Preset", "PresetName", "Duration", "GridSize", "ResidualMode",
    "CutoffDuration", "HighQuality", "NumBlobs", "Threshold", "Residuality",
    "Polar", "PolarCenterX", "PolarCenterY", "MinX", "MaxX", "MinY", "MaxY",
    "MinDx", "MaxDx", "MinDy", "MaxDy", "MinDdx", "MaxDdx", "MinDdy", "MaxDdy",
    "MinMag", "MaxMag", "MinDmag", "MaxDmag", "BurnMode", "MaxVertDelay",
    "MinVertFadeTime", "MaxVertFadeTime", "MinOrbitSpeed", "MaxOrbitSpeed",
    "MinOrbitMag", "MaxOrbitMag", "SplitFromCenter", "MinPeelAngle",
    "MaxPeelAngle", "AxisMigrateSpeed", "PeelAmount", "FullPeelRadius",
    "RotationDir", "FadeTime", "MaxDelay", "Jitter", "MinRot", "MaxRot",
    "MinBreakoffSpeed", "MaxBreakoffSpeed", "ZoomAccel", "GravityAccel",
    "Unknown"};
// clang-format on

// A list one name short would end in "" instead.
static_assert(kDeformationKeyNames.back() == "Unknown");
static_assert(kLensKeyNames.back() == "Unknown");
static_assert(kTransitionKeyNames.back() == "Unknown");

} // namespace

// Built on first use (thread-safe static initialisation) and kept until the
// library is unloaded.
const NameTable &GetDeformationKeys() {
  static const NameTable table(def_preset_param::kPreset, kDeformationKeyNames);
  return table;
}

const NameTable &GetLensKeys() {
  static const NameTable table(lens_preset_param::kPreset, kLensKeyNames);
  return table;
}

const NameTable &GetTransitionKeys() {
  static const NameTable table(transition_preset_param::kPreset,
                               kTransitionKeyNames);
  return table;
}

} // namespace vorafile::nodes
