#include "nodes/core/param_names.h"

namespace vorafile::nodes {

namespace {

// Ids without a name of their own carry "To Be Identified"; several names
// stand twice (the index keeps the higher id).
constexpr ParamNameTable kParamNameTable = {
    "AutoSwitch",               // 0
    "BandType0",                // 1
    "BandType1",                // 2
    "Brightness",               // 3
    "Clights",                  // 4
    "To Be Identified",         // 5
    "Camera",                   // 6
    "CFX",                      // 7
    "CFXFileName",              // 8
    "CFXPreset",                // 9
    "ChangeObject",             // 10
    "ChangeScene",              // 11
    "ChangeTexture",            // 12
    "Children",                 // 13
    "To Be Identified",         // 14
    "Culling",                  // 15
    "CurrentPreset",            // 16
    "Data",                     // 17
    "DefBand",                  // 18
    "To Be Identified",         // 19
    "DefVrd",                   // 20
    "DefName",                  // 21
    "DefPreset",                // 22
    "Random",                   // 23
    "DefScale",                 // 24
    "Diffuse",                  // 25
    "Direction",                // 26
    "Direction0",               // 27
    "Direction1",               // 28
    "Direction2",               // 29
    "Distance",                 // 30
    "DynCol",                   // 31
    "To Be Identified",         // 32
    "EffectPreset",             // 33
    "EffectPresetCategoryInfo", // 34
    "Enable",                   // 35
    "EnableNewCameraNav",       // 36
    "Album",                    // 37
    "AlbumLoc",                 // 38
    "Cover",                    // 39
    "CoverLoc",                 // 40
    "AlbumLink",                // 41
    "Artist",                   // 42
    "ArtistLoc",                // 43
    "BkgColor",                 // 44
    "Banner",                   // 45
    "BannerLoc",                // 46
    "BannerLink",               // 47
    "Comments",                 // 48
    "CommentsLoc",              // 49
    "YearCopyRight",            // 50
    "YearCopyRightLoc",         // 51
    "Date",                     // 52
    "DateLoc",                  // 53
    "Email",                    // 54
    "EmailLoc",                 // 55
    "From",                     // 56
    "FromLoc",                  // 57
    "Genre",                    // 58
    "GenreLoc",                 // 59
    "GenreID",                  // 60
    "CursorLink",               // 61
    "TextColorHot",             // 62
    "Link",                     // 63
    "LinkLoc",                  // 64
    "Logo",                     // 65
    "LogoLoc",                  // 66
    "LogoLink",                 // 67
    "Message",                  // 68
    "MessageLoc",               // 69
    "Mode",                     // 70
    "CursorNormal",             // 71
    "OnOff",                    // 72
    "Song",                     // 73
    "SongLoc",                  // 74
    "TextColor",                // 75
    "TextFontInfo",             // 76
    "Time",                     // 77
    "Title",                    // 78
    "TitleLoc",                 // 79
    "To",                       // 80
    "ToLoc",                    // 81
    "Version",                  // 82
    "EnvMap",                   // 83
    "To Be Identified",         // 84
    "FRate",                    // 85
    "Fade",                     // 86
    "FarClip",                  // 87
    "FileName",                 // 88
    "To Be Identified",         // 89
    "Flat",                     // 90
    "To Be Identified",         // 91
    "To Be Identified",         // 92
    "To Be Identified",         // 93
    "Extrusion",                // 94
    "Size",                     // 95
    "To Be Identified",         // 96
    "To Be Identified",         // 97
    "Thickness",                // 98
    "Font",                     // 99
    "Weight",                   // 100
    "FOV",                      // 101
    "FovMin",                   // 102
    "FovMax",                   // 103
    "FramesPerSecond",          // 104
    "FriendlyName",             // 105
    "General",                  // 106
    "Gloss",                    // 107
    "ID",                       // 108
    "IniFileName",              // 109
    "Randomize",                // 110
    "Input1Band",               // 111
    "Input1Type",               // 112
    "Input2Band",               // 113
    "Input2Type",               // 114
    "Italics",                  // 115
    "VoraScriptFileName",       // 116
    "VoraMarqueeFileName",      // 117
    "LFX",                      // 118
    "LFXFileName",              // 119
    "Lighting",                 // 120
    "Lights",                   // 121
    "To Be Identified",         // 122
    "Load",                     // 123
    "Lock",                     // 124
    "LockPosition0",            // 125
    "LockPosition1",            // 126
    "LockPosition2",            // 127
    "LookAt",                   // 128
    "LookAtBoundsCenter",       // 129
    "LookAtBoundsRadius",       // 130
    "VRDFileName",              // 131
    "VroFile",                  // 132
    "Vro0",                     // 133
    "Vro1",                     // 134
    "Vro2",                     // 135
    "Vro3",                     // 136
    "Vro4",                     // 137
    "Vro5",                     // 138
    "Vro6",                     // 139
    "Vro7",                     // 140
    "Vro8",                     // 141
    "Vro9",                     // 142
    "Vro10",                    // 143
    "Vro11",                    // 144
    "Vro12",                    // 145
    "Vro13",                    // 146
    "Vro14",                    // 147
    "Vro15",                    // 148
    "Vro16",                    // 149
    "MaxMove",                  // 150
    "MaximumFrequency",         // 151
    "Message",                  // 152
    "MsgId",                    // 153
    "MinimumFrequency",         // 154
    "To Be Identified",         // 155
    "MsgIni",                   // 156
    "MsgOn",                    // 157
    "Nbands",                   // 158
    "Nobjs",                    // 159
    "Name",                     // 160
    "NearClip",                 // 161
    "To Be Identified",         // 162
    "NodeID",                   // 163
    "Num",                      // 164
    "NumDefs",                  // 165
    "NumDefCategories",         // 166
    "Nbands",                   // 167
    "NumVoraMacros",            // 168
    "NumMacroEffects",          // 169
    "NumMsgs",                  // 170
    "NumMorphs",                // 171
    "NumOfEvents",              // 172
    "NumObjects",               // 173
    "Num3DTextDefs",            // 174
    "OAng",                     // 175
    "ObjSite",                  // 176
    "Olink",                    // 177
    "OName",                    // 178
    "NextPod",                  // 179
    "ObjPodIni",                // 180
    "OPos",                     // 181
    "OSize",                    // 182
    "OType",                    // 183
    "EnableDecimation",         // 184
    "EnableTexSwap",            // 185
    "EnableLighting",           // 186
    "To Be Identified",         // 187
    "ObjectEffectName",         // 188
    "To Be Identified",         // 189
    "To Be Identified",         // 190
    "EnableEnvMap",             // 191
    "EnableTexture",            // 192
    "Visible",                  // 193
    "Parent",                   // 194
    "ParentChildLink",          // 195
    "ParentChildLink",          // 196
    "ParentChildLink0",         // 197
    "ParentChildLink1",         // 198
    "ParentChildLink2",         // 199
    "ParentChildLink3",         // 200
    "ParentChildLink4",         // 201
    "ParentChildLink5",         // 202
    "ParentChildLink6",         // 203
    "ParentChildLink7",         // 204
    "ParentChildLink8",         // 205
    "ParentChildLink9",         // 206
    "Pause",                    // 207
    "To Be Identified",         // 208
    "Phi",                      // 209
    "PhiMax",                   // 210
    "PhiMaxD",                  // 211
    "PhiMin",                   // 212
    "Position",                 // 213
    "Preset",                   // 214
    "Radius",                   // 215
    "RadiusMin",                // 216
    "RadiusMax",                // 217
    "RadiusMaxD",               // 218
    "Rate",                     // 219
    "ReadOnly",                 // 220
    "RespRate",                 // 221
    "Responsivness",            // 222
    "Rewind",                   // 223
    "Scene",                    // 224
    "SceneDetail",              // 225
    "SceneLockMp3",             // 226
    "MacroEffect",              // 227
    "Set",                      // 228
    "SetDeformation",           // 229
    "To Be Identified",         // 230
    "SetWireframe",             // 231
    "ShowIntro",                // 232
    "SpecCol",                  // 233
    "SpecialField1",            // 234
    "SpecialField2",            // 235
    "Spot",                     // 236
    "Spotlight",                // 237
    "SpotCutOff",               // 238
    "Strobe",                   // 239
    "To Be Identified",         // 240
    "Style",                    // 241
    "TColor",                   // 242
    "Tmap",                     // 243
    "To Be Identified",         // 244
    "TName",                    // 245
    "TRot",                     // 246
    "To Be Identified",         // 247
    "T2Name",                   // 248
    "T2 Rotate",                // 249
    "T2ScaleTransRotate",       // 250
    "T2 UScale",                // 251
    "T2 VScale",                // 252
    "T2 UTrans",                // 253
    "T2 VTrans",                // 254
    "TDFX",                     // 255
    "TDFX Rate",                // 256
    "TempDir",                  // 257
    "To Be Identified",         // 258
    "Color",                    // 259
    "TextDeform",               // 260
    "TextDeform",               // 261
    "TextDeform Load",          // 262
    "TextDeform Num",           // 263
    "TextDeform Parent",        // 264
    "TextureSettings",          // 265
    "TFX",                      // 266
    "To Be Identified",         // 267
    "Theta",                    // 268
    "ThetaMax",                 // 269
    "ThetaMaxD",                // 270
    "ThetaMin",                 // 271
    "3DTextDeformation",        // 272
    "3DTextDeformationPreset",  // 273
    "Randomize",                // 274
    "To Be Identified",         // 275
    "UseEventArray",            // 276
    "Version",                  // 277
    "Wframe",                   // 278
    "To Be Identified",         // 279
    "EnableWireFrame",          // 280
};

} // namespace

const ParamNameTable &GetParamNameTable() {
  return kParamNameTable;
}

const NameTable &GetParamNameIndex() {
  static const NameTable index(0, kParamNameTable);
  return index;
}

int ParamIdOf(std::string_view name) {
  return GetParamNameIndex().FindId(name).value_or(param::kToBeIdentified);
}

std::string_view ParamNameOf(int id) {
  return GetParamNameIndex().NameOf(id);
}

} // namespace vorafile::nodes
