#include "AEUtil/AboutText.h"

namespace {

struct AboutRow {
    int key;
    const char* japanese;
    const char* english;  // null: the Japanese text serves both languages
};

const AboutRow kAboutRows[] = {
    {kAboutProductName, "T_Tonedot", nullptr},
    {kAboutBody, "Copyright (C) TORVA. All rights reserved.\rhttps://torva.example.com/",
     nullptr},
    {kAboutDialogTitle, "T_Tonedot", nullptr},
    {kAboutManualUrl, "https://torva.example.com/tonedot/manual/", nullptr},
};

}  // namespace

const char* GetAboutText(int key, int language) {
    for (const AboutRow& row : kAboutRows) {
        if (row.key != key) {
            continue;
        }
        const char* first = nullptr;
        const char* second = nullptr;
        if (language == 0) {
            first = row.japanese;
            second = row.english;
        } else if (language == 1) {
            first = row.english;
            second = row.japanese;
        }
        if (first != nullptr) {
            return first;
        }
        return second != nullptr ? second : "";
    }
    return "";
}
