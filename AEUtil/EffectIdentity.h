// Who an effect is: what it declares to the host (names, version, flags), its About texts
// and where its stored defaults live.  The framework declares the record and reads it; each
// effect fills one and hands it over by defining ThisEffect(), as it defines CreateEffect().
#pragma once
#include <cstddef>

#include "AEUtil/HostApi.h"
#include "AEUtil/HostLanguage.h"

struct EffectIdentity {
    const char* name;       // the name the host lists (PiPL "name"), the About box's first word
    const char* matchName;  // the name projects store the effect under (PiPL "eMNA")
    const char* category;   // the host's effect category (PiPL "catg")
    A_u_long version;       // PF_VERSION(major, minor, bug fix, stage, build)
    PF_OutFlags outFlags;   // declared at PF_Cmd_GLOBAL_SETUP and in the PiPL
    PF_OutFlags2 outFlags2;
    // The About texts, keyed by AboutTextKey (AEUtil/AboutText.h).
    const AEUtil::LanguageText* aboutTexts;
    std::size_t aboutTextCount;
    // The stored-defaults file: <application-data folder>/<settingsFolder>/<settingsFile>,
    // where settingsFolder names one or more folders joined by '/'; its one section.
    const char* settingsFolder;
    const char* settingsFile;
    const char* settingsSection;
};

// The identity of the effect this library holds.  Defined by the effect.
const EffectIdentity& ThisEffect();

namespace AEUtil {

// The parts of a packed PF_VERSION number.
constexpr A_u_long VersionMajor(A_u_long v) {
    return (((v >> PF_Vers_VERS_HIGH_SHIFT) & PF_Vers_VERS_HIGH_BITS) << PF_Vers_VERS_LOW_SHIFT) |
           ((v >> PF_Vers_VERS_SHIFT) & PF_Vers_VERS_BITS);
}
constexpr A_u_long VersionMinor(A_u_long v) {
    return (v >> PF_Vers_SUBVERS_SHIFT) & PF_Vers_SUBVERS_BITS;
}
constexpr A_u_long VersionBugFix(A_u_long v) {
    return (v >> PF_Vers_BUGFIX_SHIFT) & PF_Vers_BUGFIX_BITS;
}
constexpr A_u_long VersionStage(A_u_long v) {
    return (v >> PF_Vers_STAGE_SHIFT) & PF_Vers_STAGE_BITS;
}
constexpr A_u_long VersionBuild(A_u_long v) {
    return (v >> PF_Vers_BUILD_SHIFT) & PF_Vers_BUILD_BITS;
}

}  // namespace AEUtil
