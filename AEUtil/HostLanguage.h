// Which language the effect's user-facing texts use: the host application's language, or,
// for hosts that cannot tell, the "-L" command-line switch of old hosts and the user's
// user-interface language; and the texts in both languages, looked up by that language.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "AEUtil/HostApi.h"

namespace AEUtil {

// The language values: what IsEnglishUI's answer makes of them and how text tables are
// read.
constexpr int kLanguageJapanese = 0;
constexpr int kLanguageEnglish = 1;

// One row of a text table: a key and its text in each language (Japanese as Shift-JIS
// bytes); null or "" where a language has no text of its own.
struct LanguageText {
    int key;
    const char* japanese;
    const char* english;
};

// The text of `key` in `language` from `table`: the other language's text when that
// language has none; "" for an unknown key or language, or when neither has a text.
const char* FindLanguageText(const LanguageText* table, std::size_t count, int key,
                             int language);
template <std::size_t N>
const char* FindLanguageText(const LanguageText (&table)[N], int key, int language) {
    return FindLanguageText(table, N, key, language);
}

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
