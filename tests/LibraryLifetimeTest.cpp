// The library's unload hook empties both process-wide registries; the load hook keeps the
// module handle.
#include <cstdint>

#include <gtest/gtest.h>

#include "AEUtil/EffectHooks.h"
#include "AEUtil/LibraryLifetime.h"
#include "dialog/DialogBase.h"
#include "params/ParamRegistry.h"

namespace {

TEST(LibraryLifetime, UnloadEmptiesTheDialogAndParameterRegistries) {
    BuildParamList(nullptr);
    torvaDlg::DialogBase dialog(nullptr, nullptr, 206);
    const torvaDlg::DlgWindow window = reinterpret_cast<torvaDlg::DlgWindow>(std::uintptr_t{0x7700});
    torvaDlg::RegisterDialog(window, &dialog);
    ASSERT_EQ(torvaDlg::FindDialog(window), &dialog);
    ASSERT_GT(ParamCount(), 0u);

    AEUtil::OnLibraryUnload();
    EXPECT_EQ(torvaDlg::RegisteredDialogCount(), 0u);
    EXPECT_EQ(torvaDlg::FindDialog(window), nullptr);
    EXPECT_EQ(ParamCount(), 0u);

    BuildParamList(nullptr);  // other tests drive the linked effect
}

TEST(LibraryLifetime, LoadKeepsTheModuleHandle) {
    void* const before = AEUtil::ModuleHandle();
    int marker = 0;
    AEUtil::OnLibraryLoad(&marker);
    EXPECT_EQ(AEUtil::ModuleHandle(), &marker);
    AEUtil::OnLibraryLoad(before);
}

}  // namespace
