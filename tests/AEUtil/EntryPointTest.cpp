// The entry point as the host sees it: host check, the guarded dispatch, the object's life.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/BuildVersion.h"
#include "tests/support/TestHost.h"

namespace tonedot::test {
namespace {

class EntryPoint : public LinkedHostTest {
protected:
    // Other tests may have set the effect down; a global setup brings it back.
    void SetUp() override { ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE); }
};

TEST_F(EntryPoint, GlobalSetupDeclaresVersionAndFlags) {
    const CallResult r = host.Send(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.my_version, tonedot::test::kBuildVersion);
    EXPECT_EQ(r.out.out_flags, 0x06000072);
    EXPECT_EQ(r.out.out_flags2, 0x08801419);
}

TEST_F(EntryPoint, OtherHostsAreTurnedAwayUntouched) {
    host.applId = ('P' << 24) | ('r' << 16) | ('M' << 8) | 'r';
    PF_InData in = host.MakeInData(host.Main());
    PF_OutData out{};
    std::strcpy(out.return_msg, "untouched");
    EXPECT_EQ(host.Call(PF_Cmd_GLOBAL_SETUP, &in, &out, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_STREQ(out.return_msg, "untouched");
    EXPECT_EQ(out.my_version, 0u);
    EXPECT_EQ(host.Suites().TotalAcquires(), 0u);
}

TEST_F(EntryPoint, MissingRecordsAreRefused) {
    EXPECT_EQ(host.SendWith(PF_Cmd_ABOUT, nullptr).err, PF_Err_BAD_CALLBACK_PARAM);
    PF_InData in = host.MakeInData(host.Main());
    EXPECT_EQ(host.Call(PF_Cmd_ABOUT, &in, nullptr, nullptr, nullptr, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

TEST_F(EntryPoint, NoBasicSuiteEndsWithBadCallbackParam) {
    host.giveBasicSuite = false;
    const CallResult r = host.Send(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(r.err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(r.Message(), "error code = 516\nPF_Err_BAD_CALLBACK_PARAM");
    EXPECT_EQ(r.out.my_version, 0u) << "nothing was dispatched";
}

TEST_F(EntryPoint, CommandsOutsideTheTableAnswerNone) {
    for (PF_Cmd cmd : std::initializer_list<PF_Cmd>{PF_Cmd_FRAME_SETUP, PF_Cmd_FRAME_SETDOWN, PF_Cmd_AUDIO_SETUP, 29, 4711}) {
        const CallResult r = host.Send(cmd);
        EXPECT_EQ(r.err, PF_Err_NONE) << cmd;
        EXPECT_EQ(r.Message(), "");
    }
}

TEST_F(EntryPoint, DialogAnswersNone) {
    EXPECT_EQ(host.Send(PF_Cmd_DO_DIALOG).err, PF_Err_NONE);
}

TEST_F(EntryPoint, AfterSetdownOnlyAGlobalSetupBringsTheEffectBack) {
    EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_NONE);
    // The object is gone: nothing may reach it.
    EXPECT_EQ(host.Send(PF_Cmd_ABOUT).err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.Send(PF_Cmd_GLOBAL_SETDOWN).err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.Send(PF_Cmd_SMART_RENDER).err, PF_Err_BAD_CALLBACK_PARAM);
    // A new global setup builds it again.
    const CallResult r = host.Send(PF_Cmd_GLOBAL_SETUP);
    EXPECT_EQ(r.err, PF_Err_NONE);
    EXPECT_EQ(r.out.my_version, tonedot::test::kBuildVersion);
    EXPECT_EQ(host.Send(PF_Cmd_ABOUT).err, PF_Err_NONE);
}

TEST_F(EntryPoint, WorksFromTheHostsOwnThread) {
    // Suites taken during a command are all given back by its end.
    host.Send(PF_Cmd_ABOUT);
    host.Send(PF_Cmd_QUERY_DYNAMIC_FLAGS);
    EXPECT_TRUE(host.Suites().Balanced());
}

}  // namespace
}  // namespace tonedot::test
