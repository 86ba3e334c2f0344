// The About texts, shared by the About box and the options dialog.  Each key has a Japanese
// and an English text; a missing text falls back to the other language.  The texts are the
// effect's own (EffectIdentity::aboutTexts); the keys are what the framework asks for.
#pragma once

enum AboutTextKey {
    kAboutProductName = 0,  // the effect's name
    kAboutBody = 1,         // copyright line, carriage return, web site
    kAboutDialogTitle = 2,  // the options dialog's title
    kAboutManualUrl = 3,    // the online manual
};

// The text of `key` in `language` (0 Japanese, 1 English); "" for an unknown key or
// language.  Japanese texts are Shift-JIS bytes.
const char* GetAboutText(int key, int language);
