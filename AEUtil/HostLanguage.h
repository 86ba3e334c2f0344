// Which language the effect's user-facing texts use: the host application's language, or,
// for hosts that cannot tell, the "-L" command-line switch of old hosts and the user's
// user-interface language.  Text tables index their columns with kLanguageJapanese and
// kLanguageEnglish.
#pragma once
#include <string>
#include <vector>

#include "AEUtil/HostApi.h"

namespace AEUtil {

constexpr int kLanguageJapanese = 0;
constexpr int kLanguageEnglish = 1;

// True for English, false for Japanese.  Asks the host on every call ("PF AE App Suite" 7);
// `in_data` may be null, then only the fallbacks decide.
bool IsEnglishUI(const PF_InData* in_data);

// True when the host was started with "-L" followed by an English language tag.  Hosts whose
// effect API version is above 9.0 do not use the switch, so for them the answer is false.
// Worked out on the first call and kept for the life of the library.
bool EnglishSwitchGiven(const PF_InData* in_data);

// The switch rule on its own: the first argument equal to "-L" (any case) counts; the
// argument after it, cut before its first space, underscore or hyphen, must be "en" (any
// case).
bool EnglishSwitchInArguments(const std::vector<std::string>& arguments);

// Forgets the cached answer of EnglishSwitchGiven (tests only).
void ResetEnglishSwitchCache();

}  // namespace AEUtil
