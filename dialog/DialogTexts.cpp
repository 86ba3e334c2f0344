#include "dialog/DialogTexts.h"

#include "AEUtil/HostLanguage.h"

namespace FxOptionDlg {

namespace {

// Japanese texts, as Shift-JIS bytes:
//   0 "設定 （次回起動から有効になります）"
//   1 "現在のパラメータ設定をデフォルト値として記憶する"
//   2 "パラメータのデフォルト値設定を初期状態に復帰する"
//   4 "<a>オンラインマニュアル</a>"
const AEUtil::LanguageText kTexts[] = {
    {kTextGroup,
     "\220\335\222\350 \201i\216\237\211\361\213N\223\256\202\251\202\347\227L\214\370\202\311"
     "\202\310\202\350\202\334\202\267\201j",
     "Settings (Valid from next start-up)"},
    {kTextSave,
     "\214\273\215\335\202\314\203p\203\211\203\201\201[\203^\220\335\222\350\202\360\203f\203t"
     "\203H\203\213\203g\222l\202\306\202\265\202\304\213L\211\257\202\267\202\351",
     "Set current parameter values to default"},
    {kTextRestore,
     "\203p\203\211\203\201\201[\203^\202\314\203f\203t\203H\203\213\203g\222l\220\335\222\350"
     "\202\360\217\211\212\372\217\363\221\324\202\311\225\234\213A\202\267\202\351",
     "Restore initial default parameter values"},
    {kTextManualLink, "<a>\203I\203\223\203\211\203C\203\223\203}\203j\203\205\203A\203\213</a>",
     "<a>Online Manual</a>"},
};

}  // namespace

const char* GetDialogText(int key, int language)
{
    return AEUtil::FindLanguageText(kTexts, key, language);
}

}  // namespace FxOptionDlg
