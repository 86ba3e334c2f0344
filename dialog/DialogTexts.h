// The options dialog's texts in Japanese (Shift-JIS bytes) and English.
#pragma once

namespace FxOptionDlg {

// Text keys: 0 group box, 1 "save as defaults" button, 2 "restore defaults" button,
// 4 manual link.
enum DialogTextKey { kTextGroup = 0, kTextSave = 1, kTextRestore = 2, kTextManualLink = 4 };

// Language values: 0 Japanese, 1 English.
constexpr int kLanguageJapanese = 0;
constexpr int kLanguageEnglish = 1;

// The text of `key` in `language`; a language without a text falls back to the other
// language's text; an unknown key or language gives "".
const char* GetDialogText(int key, int language);

}  // namespace FxOptionDlg
