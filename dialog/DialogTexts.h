// The options dialog's texts in Japanese (Shift-JIS bytes) and English.
#pragma once

namespace FxOptionDlg {

// Text keys: 0 group box, 1 "save as defaults" button, 2 "restore defaults" button,
// 4 manual link.
enum DialogTextKey { kTextGroup = 0, kTextSave = 1, kTextRestore = 2, kTextManualLink = 4 };

// The text of `key` in `language` (AEUtil::kLanguageJapanese or kLanguageEnglish); a
// language without a text falls back to the other language's text; an unknown key or
// language gives "".
const char* GetDialogText(int key, int language);

}  // namespace FxOptionDlg
