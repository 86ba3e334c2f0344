// BaseFilter's command table and the order of its virtual operations.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AEUtil/BaseFilter.h"
#include "tests/support/BuildVersion.h"

namespace {

// Records which operation a command reached and with which arguments.
class RecordingFilter : public BaseFilter {
public:
    std::vector<std::string> calls;
    void* lastExtra = nullptr;
    PF_ParamDef** lastParams = nullptr;
    PF_LayerDef* lastOutput = nullptr;

    PF_Err Note(const char* name, PF_ParamDef** params = nullptr, PF_LayerDef* output = nullptr,
                void* extra = nullptr) {
        calls.push_back(name);
        lastParams = params;
        lastOutput = output;
        lastExtra = extra;
        return 1000 + static_cast<PF_Err>(calls.size());
    }

    PF_Err About(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("About", p, o);
    }
    PF_Err GlobalSetup(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("GlobalSetup", p, o);
    }
    PF_Err GlobalSetdown(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("GlobalSetdown", p, o);
    }
    PF_Err ParamsSetup(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("ParamsSetup", p, o);
    }
    PF_Err UserChangedParam(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o,
                            void* e) override {
        return Note("UserChangedParam", p, o, e);
    }
    PF_Err UpdateParamsUI(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("UpdateParamsUI", p, o);
    }
    PF_Err Render(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("Render", p, o);
    }
    PF_Err SmartPreRender(PF_InData*, PF_OutData*, PF_PreRenderExtra* e) override {
        return Note("SmartPreRender", nullptr, nullptr, e);
    }
    PF_Err SmartRender(PF_InData*, PF_OutData*, PF_SmartRenderExtra* e) override {
        return Note("SmartRender", nullptr, nullptr, e);
    }
    PF_Err SequenceSetup(PF_InData*, PF_OutData*) override { return Note("SequenceSetup"); }
    PF_Err SequenceSetdown(PF_InData*, PF_OutData*) override { return Note("SequenceSetdown"); }
    PF_Err SequenceFlatten(PF_InData*, PF_OutData*) override { return Note("SequenceFlatten"); }
    PF_Err GetFlattenedSequenceData(PF_InData*, PF_OutData*) override {
        return Note("GetFlattenedSequenceData");
    }
    PF_Err SequenceResetup(PF_InData*, PF_OutData*) override { return Note("SequenceResetup"); }
    PF_Err QueryDynamicFlags(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o) override {
        return Note("QueryDynamicFlags", p, o);
    }
    PF_Err Event(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o, void* e) override {
        return Note("Event", p, o, e);
    }
    PF_Err ArbitraryCallback(PF_InData*, PF_OutData*, PF_ParamDef* p[], PF_LayerDef* o,
                             void* e) override {
        return Note("ArbitraryCallback", p, o, e);
    }
};

TEST(Dispatch, EachCommandReachesItsOperationWithItsArguments) {
    struct Row {
        PF_Cmd cmd;
        const char* operation;
        bool passesParams;
        bool passesExtra;
    } rows[] = {
        {PF_Cmd_ABOUT, "About", true, false},
        {PF_Cmd_GLOBAL_SETUP, "GlobalSetup", true, false},
        {PF_Cmd_GLOBAL_SETDOWN, "GlobalSetdown", true, false},
        {PF_Cmd_PARAMS_SETUP, "ParamsSetup", true, false},
        {PF_Cmd_SEQUENCE_SETUP, "SequenceSetup", false, false},
        {PF_Cmd_SEQUENCE_RESETUP, "SequenceResetup", false, false},
        {PF_Cmd_SEQUENCE_FLATTEN, "SequenceFlatten", false, false},
        {PF_Cmd_SEQUENCE_SETDOWN, "SequenceSetdown", false, false},
        {PF_Cmd_RENDER, "Render", true, false},
        {PF_Cmd_USER_CHANGED_PARAM, "UserChangedParam", true, true},
        {PF_Cmd_UPDATE_PARAMS_UI, "UpdateParamsUI", true, false},
        {PF_Cmd_EVENT, "Event", true, true},
        {PF_Cmd_QUERY_DYNAMIC_FLAGS, "QueryDynamicFlags", true, false},
        {PF_Cmd_ARBITRARY_CALLBACK, "ArbitraryCallback", true, true},
        {PF_Cmd_SMART_PRE_RENDER, "SmartPreRender", false, true},
        {PF_Cmd_SMART_RENDER, "SmartRender", false, true},
        {PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, "GetFlattenedSequenceData", false, false},
    };
    PF_ParamDef param{};
    PF_ParamDef* params[] = {&param};
    PF_LayerDef output{};
    int extra = 0;
    PF_InData in{};
    PF_OutData out{};
    for (const Row& row : rows) {
        RecordingFilter filter;
        const PF_Err err = filter.Dispatch(row.cmd, &in, &out, params, &output, &extra);
        ASSERT_EQ(filter.calls.size(), 1u) << row.cmd;
        EXPECT_EQ(filter.calls[0], row.operation);
        EXPECT_EQ(err, 1001) << "the operation's result is the command's";
        EXPECT_EQ(filter.lastParams, row.passesParams ? params : nullptr);
        EXPECT_EQ(filter.lastOutput, row.passesParams ? &output : nullptr);
        EXPECT_EQ(filter.lastExtra, row.passesExtra ? static_cast<void*>(&extra) : nullptr);
    }
}

TEST(Dispatch, OtherCommandsCallNothing) {
    RecordingFilter filter;
    PF_InData in{};
    PF_OutData out{};
    for (PF_Cmd cmd : std::initializer_list<PF_Cmd>{PF_Cmd_FRAME_SETUP, PF_Cmd_FRAME_SETDOWN, PF_Cmd_UNUSED_0,
                       PF_Cmd_GET_EXTERNAL_DEPENDENCIES, PF_Cmd_AUDIO_RENDER, 25, 27, 29, 1000,
                       -1}) {
        EXPECT_EQ(filter.Dispatch(cmd, &in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    }
    EXPECT_TRUE(filter.calls.empty());
}

TEST(Dispatch, DefaultsOfTheBaseClass) {
    BaseFilter filter;
    PF_InData in{};
    PF_OutData out{};
    EXPECT_EQ(filter.GlobalSetup(&in, &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.my_version, tonedot::test::kBuildVersion);
    EXPECT_EQ(out.out_flags, 0x06000072);
    EXPECT_EQ(out.out_flags2, 0x08801419);
    EXPECT_EQ(filter.GlobalSetdown(&in, &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.Event(&in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.ArbitraryCallback(&in, &out, nullptr, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.Initialize(&in, &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.SmartRenderPrepare(&in, &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.RenderByFormat(nullptr), PF_Err_INTERNAL_STRUCT_DAMAGED);
    // An effect that says nothing more has no UI rules, no dialog and no extra layers.
    PF_UserChangedParamExtra changed{1};
    EXPECT_EQ(filter.UserChangedParam(&in, &out, nullptr, nullptr, &changed), PF_Err_NONE);
    EXPECT_EQ(filter.UpdateParamsUI(&in, &out, nullptr, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.RunOptionsDialog(&in, nullptr), PF_Err_NONE);
    EXPECT_EQ(filter.ExtraLayers().count, 0u);
}

TEST(Dispatch, ResetSequenceDataRunsSequenceSetup) {
    RecordingFilter filter;
    PF_InData in{};
    PF_OutData out{};
    filter.ResetSequenceData(&in, &out);
    ASSERT_EQ(filter.calls.size(), 1u);
    EXPECT_EQ(filter.calls[0], "SequenceSetup");
}

#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__aarch64__))
// Under the Itanium C++ ABI a pointer to a virtual member holds 1 + its byte offset in the
// virtual table; the destructor takes the first two slots.
template <class F>
size_t Slot(F member) {
    struct Rep {
        size_t ptr;
        ptrdiff_t adj;
    };
    static_assert(sizeof(F) == sizeof(Rep), "Itanium member pointer");
    Rep rep;
    std::memcpy(&rep, &member, sizeof rep);
    return (rep.ptr - 1) / sizeof(void*);
}

TEST(Dispatch, VirtualOperationsKeepTheirOrder) {
    EXPECT_EQ(Slot(&BaseFilter::Dispatch), 2u);
    EXPECT_EQ(Slot(&BaseFilter::About), 3u);
    EXPECT_EQ(Slot(&BaseFilter::GlobalSetup), 4u);
    EXPECT_EQ(Slot(&BaseFilter::GlobalSetdown), 5u);
    EXPECT_EQ(Slot(&BaseFilter::ParamsSetup), 6u);
    EXPECT_EQ(Slot(&BaseFilter::UserChangedParam), 7u);
    EXPECT_EQ(Slot(&BaseFilter::UpdateParamsUI), 8u);
    EXPECT_EQ(Slot(&BaseFilter::Render), 9u);
    EXPECT_EQ(Slot(&BaseFilter::SmartPreRender), 10u);
    EXPECT_EQ(Slot(&BaseFilter::SmartRender), 11u);
    EXPECT_EQ(Slot(&BaseFilter::SequenceSetup), 12u);
    EXPECT_EQ(Slot(&BaseFilter::SequenceSetdown), 13u);
    EXPECT_EQ(Slot(&BaseFilter::SequenceFlatten), 14u);
    EXPECT_EQ(Slot(&BaseFilter::GetFlattenedSequenceData), 15u);
    EXPECT_EQ(Slot(&BaseFilter::SequenceResetup), 16u);
    EXPECT_EQ(Slot(&BaseFilter::QueryDynamicFlags), 17u);
    EXPECT_EQ(Slot(&BaseFilter::Event), 18u);
    EXPECT_EQ(Slot(&BaseFilter::ArbitraryCallback), 19u);
    EXPECT_EQ(Slot(&BaseFilter::PreRenderCheckout), 20u);
    EXPECT_EQ(Slot(&BaseFilter::SmartRenderPrepare), 21u);
    EXPECT_EQ(Slot(&BaseFilter::ResetSequenceData), 22u);
    EXPECT_EQ(Slot(&BaseFilter::Initialize), 23u);
    EXPECT_EQ(Slot(&BaseFilter::RenderByFormat), 24u);
}
#endif

}  // namespace
