// tonedot_language_probe MAJOR MINOR APP_LANGUAGE [anything...]
//
// Asks the effect's IsEnglishUI once, as a host of effect API version MAJOR.MINOR would
// make it, and answers through the exit code: 10 English, 20 Japanese, 2 bad usage.
// APP_LANGUAGE is what the host's "PF AE App Suite" 7 reports, or "-" for a host without
// that suite.  The rest of the command line is there for the effect to read ("-L en"), so
// the tests can start the probe with the command lines and Windows languages they need:
// the effect reads the switch once per process.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AEUtil/HostApi.h"
#include "AEUtil/HostLanguage.h"

namespace {

std::string gLanguage;
bool gHaveAppSuite = false;

PF_Err AppGetLanguage(A_char* tag) {
    // The suite writes five letters and a zero, as the host does.
    std::strncpy(tag, gLanguage.c_str(), 5);
    tag[5] = 0;
    return PF_Err_NONE;
}

PFAppSuite5 gAppSuite{};

SPErr Acquire(const char* name, int32 version, const void** suite) {
    if (gHaveAppSuite && std::strcmp(name, kPFAppSuite) == 0 && version == kPFAppSuiteVersion5) {
        *suite = &gAppSuite;
        return 0;
    }
    *suite = nullptr;
    return kSPSuiteNotFoundError;
}

SPErr Release(const char*, int32) { return 0; }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s MAJOR MINOR APP_LANGUAGE|- [...]\n", argv[0]);
        return 2;
    }
    gHaveAppSuite = std::strcmp(argv[3], "-") != 0;
    gLanguage = argv[3];
    gAppSuite.PF_AppGetLanguage = &AppGetLanguage;

    SPBasicSuite basic{};
    basic.AcquireSuite = &Acquire;
    basic.ReleaseSuite = &Release;
    PF_InData in{};
    in.appl_id = kAfterEffectsApplId;
    in.version.major = static_cast<A_short>(std::atoi(argv[1]));
    in.version.minor = static_cast<A_short>(std::atoi(argv[2]));
    in.pica_basicP = &basic;

    const bool english = AEUtil::IsEnglishUI(&in);
    std::printf("%s\n", english ? "English" : "Japanese");
    return english ? 10 : 20;
}
