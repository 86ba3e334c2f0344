// The library's unload hook destroys the effect object, whose destructor empties the registry
// of open dialogs, and every parameter descriptor; the load hook keeps the module handle.
#include <cstdint>

#include <gtest/gtest.h>

#include "AEUtil/LibraryLifetime.h"
#include "dialog/DialogBase.h"
#include "effect/ParamTable.h"
#include "params/ParamRegistry.h"
#include "tests/support/TestHost.h"

using namespace Params;

namespace tonedot::test {
namespace {

class LibraryLifetime : public LinkedHostTest {};

TEST_F(LibraryLifetime, UnloadEmptiesTheDialogAndParameterRegistries) {
    ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);  // the effect object is alive
    torvaDlg::DialogBase dialog(nullptr, nullptr, 206);
    const torvaDlg::DlgWindow window = reinterpret_cast<torvaDlg::DlgWindow>(std::uintptr_t{0x7700});
    torvaDlg::RegisterDialog(window, &dialog);
    ASSERT_EQ(torvaDlg::FindDialog(window), &dialog);
    ASSERT_GT(ParamCount(), 0u);

    AEUtil::OnLibraryUnload();
    EXPECT_EQ(torvaDlg::RegisteredDialogCount(), 0u);
    EXPECT_EQ(torvaDlg::FindDialog(window), nullptr);
    EXPECT_EQ(ParamCount(), 0u);
    EXPECT_EQ(host.Send(PF_Cmd_ABOUT).err, PF_Err_BAD_CALLBACK_PARAM) << "the object is gone";

    // Other tests drive the linked effect.
    BuildParamList(nullptr);
    EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
}

TEST_F(LibraryLifetime, LoadKeepsTheModuleHandle) {
    void* const before = AEUtil::ModuleHandle();
    int marker = 0;
    AEUtil::OnLibraryLoad(&marker);
    EXPECT_EQ(AEUtil::ModuleHandle(), &marker);
    AEUtil::OnLibraryLoad(before);
}

}  // namespace
}  // namespace tonedot::test
