// This effect's identity, each fact stated once: what the host lists and stores (names,
// category, version, flags), the About texts, the stored-defaults file, and what the
// programs built around the effect say of it.  The framework reads the record through
// ThisEffect() (Identity.cpp); the PiPL tool and the programs read the constants here.
#pragma once
#include "AEUtil/AboutText.h"
#include "AEUtil/EffectIdentity.h"
#include "TonedotVersion.h"

namespace Identity {

// ---- what the host lists and stores ------------------------------------------------------
inline constexpr char kName[] = "T_Tonedot";
inline constexpr char kMatchName[] = "TORVA TONEDOT";
inline constexpr char kCategory[] = "TORVA";

// The numbers come from the build (project(VERSION ...)); the release stage is stated here.
inline constexpr A_u_long kStage = PF_Stage_RELEASE;
inline constexpr A_u_long kVersion =
    PF_VERSION(TONEDOT_VERSION_MAJOR, TONEDOT_VERSION_MINOR, TONEDOT_VERSION_BUGFIX, kStage,
               TONEDOT_VERSION_BUILD);
static_assert(AEUtil::VersionMajor(kVersion) == TONEDOT_VERSION_MAJOR &&
                  AEUtil::VersionMinor(kVersion) == TONEDOT_VERSION_MINOR &&
                  AEUtil::VersionBugFix(kVersion) == TONEDOT_VERSION_BUGFIX &&
                  AEUtil::VersionBuild(kVersion) == TONEDOT_VERSION_BUILD,
              "the version numbers fit the host's packed version");

inline constexpr PF_OutFlags kOutFlags =
    PF_OutFlag_WIDE_TIME_INPUT | PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING |
    PF_OutFlag_I_DO_DIALOG | PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_DEEP_COLOR_AWARE |
    PF_OutFlag_SEND_UPDATE_PARAMS_UI;
inline constexpr PF_OutFlags2 kOutFlags2 =
    PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS | PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG |
    PF_OutFlag2_I_AM_THREADSAFE | PF_OutFlag2_SUPPORTS_SMART_RENDER |
    PF_OutFlag2_FLOAT_COLOR_AWARE | PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA |
    PF_OutFlag2_SUPPORTS_THREADED_RENDERING;
static_assert(kOutFlags == 0x06000072, "out_flags");
static_assert(kOutFlags2 == 0x08801419, "out_flags2");

// ---- the About box and the options dialog -----------------------------------------------
inline constexpr char kAboutBodyText[] =
    "Copyright (C) TORVA. All rights reserved.\rhttps://torva.example.com/";
inline constexpr char kManualUrl[] = "https://torva.example.com/tonedot/manual/";

// Only the Japanese column is filled: both languages show these texts.
inline constexpr AEUtil::LanguageText kAboutTexts[] = {
    {kAboutProductName, kName, nullptr},
    {kAboutBody, kAboutBodyText, nullptr},
    {kAboutDialogTitle, kName, nullptr},
    {kAboutManualUrl, kManualUrl, nullptr},
};

// ---- the stored defaults: a file below the user's application-data folder -----------------
inline constexpr char kSettingsFolder[] = "TORVA/InkPanel";
inline constexpr char kSettingsFile[] = "T_Tonedot.ini";
// The file format's version mark: defaults stored under another section are never read.
// Presets use the same section.
inline constexpr char kSettingsSection[] = "Version=1.5";

// ---- what the programs built around the effect say of it (the frei0r filter) -------------
inline constexpr char kMaker[] = "TORVA";
inline constexpr char kSummary[] = "Halftone dots: the picture as a grid of shaped, coloured dots";

// The record the framework reads.
inline constexpr EffectIdentity kThisEffect = {
    kName,
    kMatchName,
    kCategory,
    kVersion,
    kOutFlags,
    kOutFlags2,
    kAboutTexts,
    sizeof kAboutTexts / sizeof kAboutTexts[0],
    kSettingsFolder,
    kSettingsFile,
    kSettingsSection,
};

}  // namespace Identity
