// The About box and the registration of the parameters (PF_Cmd_ABOUT, PF_Cmd_PARAMS_SETUP).
#include <cstdio>
#include <cstring>

#include "AEUtil/AboutText.h"
#include "AEUtil/BaseFilter.h"
#include "AEUtil/EffectIdentity.h"
#include "AEUtil/HostLanguage.h"
#include "AEUtil/HostVersion.h"
#include "AEUtil/Platform.h"
#include "params/ParamRegistry.h"
#include "params/StoredDefaults.h"

using namespace Params;

namespace {

const char* const kStageNames[] = {"Develop", "Alpha", "Beta", "Release"};

constexpr size_t kMessageSize = sizeof(PF_OutData{}.return_msg);

bool IsShiftJisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Copies at most `room` - 1 bytes of `text` into `out` (terminated), never ending on the
// first byte of a two-byte Shift-JIS character.
void CopyFitted(char* out, size_t room, const char* text) {
    size_t n = 0;
    while (text[n] != '\0') {
        const bool pair =
            IsShiftJisLeadByte(static_cast<unsigned char>(text[n])) && text[n + 1] != '\0';
        const size_t width = pair ? 2 : 1;
        if (n + width > room - 1) {
            break;
        }
        n += width;
    }
    std::memcpy(out, text, n);
    out[n] = '\0';
}

}  // namespace

PF_Err BaseFilter::About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* /*params*/[],
                         PF_LayerDef* /*output*/) {
    const int language =
        AEUtil::IsEnglishUI(in_data) ? AEUtil::kLanguageEnglish : AEUtil::kLanguageJapanese;
    const char* body = GetAboutText(kAboutBody, language);
    const bool shift = AEUtil::Platform::ShiftKeyHeld();
    const EffectIdentity& effect = ThisEffect();
    const A_u_long version = effect.version;
    const unsigned major = static_cast<unsigned>(AEUtil::VersionMajor(version));
    const unsigned minor = static_cast<unsigned>(AEUtil::VersionMinor(version));
    const unsigned bugFix = static_cast<unsigned>(AEUtil::VersionBugFix(version));
    const char* stage = kStageNames[AEUtil::VersionStage(version)];

    // Everything before the body, measured here so that the body can be cut to what
    // return_msg still holds: the host's sprintf writes without a bound.
    char head[64];
    int headLen;
    if (shift) {
        headLen = std::snprintf(head, sizeof(head), "%s %u.%u.%u %s build:%u\r\r", effect.name,
                                major, minor, bugFix, stage,
                                static_cast<unsigned>(AEUtil::VersionBuild(version)));
    } else {
        headLen = std::snprintf(head, sizeof(head), "%s %u.%u.%u %s\r\r", effect.name, major,
                                minor, bugFix, stage);
    }
    if (headLen < 0 || static_cast<size_t>(headLen) >= sizeof(head)) {
        headLen = 0;
        head[0] = '\0';
    }
    char fitted[kMessageSize];
    CopyFitted(fitted, kMessageSize - static_cast<size_t>(headLen), body);
    PF_SPRINTF(out_data->return_msg, "%s%s", head, fitted);
    return PF_Err_NONE;
}

PF_Err BaseFilter::ParamsSetup(PF_InData* in_data, PF_OutData* out_data,
                               PF_ParamDef* /*params*/[], PF_LayerDef* /*output*/) {
    char iniPath[kSettingsPathSize] = {};
    const char* path = nullptr;
    if (HostVersionAbove(in_data, 12, 11)) {
        // No settings path (no application-data folder, or a path too long) means no
        // stored defaults at all.
        if (GetSettingsPath(iniPath)) {
            path = iniPath;
        }
        SetSettingsSection(ThisEffect().settingsSection);
    } else {
        SetSettingsSection("");
    }
    const PF_Err err = AddParamsToHost(in_data, path);
    out_data->num_params = HostParamCount();
    return err;
}
