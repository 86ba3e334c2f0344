#include "AEUtil/AboutText.h"

#include "AEUtil/EffectIdentity.h"

const char* GetAboutText(int key, int language) {
    const EffectIdentity& effect = ThisEffect();
    return AEUtil::FindLanguageText(effect.aboutTexts, effect.aboutTextCount, key, language);
}
