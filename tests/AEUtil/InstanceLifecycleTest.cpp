// An instance's sequence data through the stand-in host's lifecycle: applied, saved into a
// project (written to a file and read back), reopened, copied while live, removed.
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include "AEUtil/SeqHeader.h"
#include "effect/ParamIds.h"
#include "host/InstanceLifecycle.h"
#include "host/ParamServices.h"
#include "look/SequenceUIState.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestHost.h"

namespace tonedot::test {
namespace {

const std::vector<uint8_t> kFreshFlat = {'q', 'e', 's', 'p', 1, 0, 0, 0, 1, 0, 0, 0,
                                         24,  0,   0,   0,   0, 0, 0, 0, 0, 0, 0, 0};

class InstanceLifecycleTest : public LinkedHostTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(host.Send(PF_Cmd_GLOBAL_SETUP).err, PF_Err_NONE);
        ASSERT_EQ(host.Send(PF_Cmd_PARAMS_SETUP).err, PF_Err_NONE);
    }
    void TearDown() override
    {
        for (Instance* i : applied) {
            if (i->sequenceData) {
                EXPECT_EQ(RemoveEffect(host, *i).err, PF_Err_NONE);
            }
        }
        LinkedHostTest::TearDown();
    }

    Instance& Apply(Instance& instance)
    {
        EXPECT_EQ(ApplyEffect(host, instance).err, PF_Err_NONE);
        applied.push_back(&instance);
        return instance;
    }
    Instance& Open(const SavedInstance& saved)
    {
        Instance* opened = nullptr;
        EXPECT_EQ(OpenInstance(host, saved, opened).err, PF_Err_NONE);
        applied.push_back(opened);
        return *opened;
    }
    SeqHeader Live(Instance& instance)
    {
        SeqHeader h{};
        const auto bytes = HandleBytes(host, instance.sequenceData);
        EXPECT_EQ(bytes.size(), sizeof h);
        if (bytes.size() == sizeof h) std::memcpy(&h, bytes.data(), sizeof h);
        return h;
    }
    void SetReserved(Instance& instance, uint8_t first)
    {
        auto* p = static_cast<uint8_t*>(host.Handles().Lock(instance.sequenceData));
        for (int i = 0; i < 8; ++i) p[16 + i] = uint8_t(first + i);
        host.Handles().Unlock(instance.sequenceData);
    }

    std::vector<Instance*> applied;
};

TEST_F(InstanceLifecycleTest, AFreshInstanceFlattensToTheStoredBytes)
{
    Instance& a = Apply(host.Main());
    std::vector<uint8_t> flat;
    ASSERT_EQ(GetFlattened(host, a, flat).err, PF_Err_NONE);
    EXPECT_EQ(flat, kFreshFlat);
    const SeqHeader live = Live(a);
    EXPECT_EQ(live.form, kSeqFormLive) << "get-flattened leaves the instance live";
    const Look::SequenceUIState ui = Look::ReadUIState(live);
    EXPECT_EQ(ui.uiStateSet, 1) << "the UI command after applying remembered the choice";
    EXPECT_EQ(ui.distanceChoice, 1);
}

TEST_F(InstanceLifecycleTest, AProjectSurvivesSavingToAFileAndReopening)
{
    Instance& a = Apply(host.Main());
    Instance& b = Apply(host.NewInstance());
    SetReserved(a, 1);
    SetReserved(b, 11);
    const A_long dotSize = Catalog(host).IndexOfId(ParamId::DotSize);
    Params(a).SetFloat(dotSize, 33.5);

    Project project;
    ASSERT_EQ(SaveProject(host, {&a, &b}, project).err, PF_Err_NONE);
    ASSERT_EQ(project.instances.size(), 2u);
    EXPECT_EQ(project.instances[0].sequenceData,
              (std::vector<uint8_t>{'q', 'e', 's', 'p', 1, 0, 0, 0, 1, 0, 0, 0, 24, 0, 0, 0,
                                    1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(Live(a).form, kSeqFormLive) << "saving leaves the instance working";
    EXPECT_EQ(Live(a).reserved[7], 8);

    ScratchFolder folder;
    ASSERT_TRUE(project.WriteFile(folder / "scene.tdproj"));
    Project reread;
    ASSERT_TRUE(Project::ReadFile(folder / "scene.tdproj", reread));

    Instance& a2 = Open(reread.instances[0]);
    Instance& b2 = Open(reread.instances[1]);
    const SeqHeader ha = Live(a2), hb = Live(b2);
    EXPECT_EQ(ha.magic, kSeqMagic);
    EXPECT_EQ(ha.flatSize, 24);
    EXPECT_EQ(ha.version, 1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ha.reserved[i], 1 + i);
        EXPECT_EQ(hb.reserved[i], 11 + i);
    }
    PF_ParamDef value{};
    ASSERT_EQ(Params(a2).ValueAt(dotSize, 0, 24, &value), PF_Err_NONE);
    EXPECT_EQ(value.u.fs_d.value, 33.5);
}

TEST_F(InstanceLifecycleTest, UnusableStoredDataOpensAsAFreshBlock)
{
    std::vector<uint8_t> shortData(kFreshFlat.begin(), kFreshFlat.end() - 1);
    std::vector<uint8_t> foreign = kFreshFlat;
    foreign[0] = 'Q';
    std::vector<uint8_t> version2 = kFreshFlat;
    version2[8] = 2;
    version2[16] = 9;
    for (const auto& bytes : {shortData, foreign, version2, std::vector<uint8_t>{}}) {
        SavedInstance saved;
        saved.sequenceData = bytes;
        const SeqHeader h = Live(Open(saved));
        EXPECT_EQ(h.magic, kSeqMagic);
        EXPECT_EQ(h.version, 1);
        EXPECT_EQ(h.reserved[0], 0);
    }
}

TEST(ProjectTextTest, RejectsWhatIsNotAProject)
{
    Project p;
    EXPECT_FALSE(Project::Parse("", p));
    EXPECT_FALSE(Project::Parse("tonedot-project 1\ninstance\nsequence 7\nend\n", p));
    EXPECT_FALSE(Project::Parse("tonedot-project 1\ninstance\n", p)) << "unterminated";
    EXPECT_FALSE(Project::Parse("tonedot-project 1\nvalue 3 00\n", p));
    ASSERT_TRUE(Project::Parse("tonedot-project 1\ninstance\nsequence 0aFF\nend\n", p));
    EXPECT_EQ(p.instances.at(0).sequenceData, (std::vector<uint8_t>{0x0a, 0xff}));
}

}  // namespace
}  // namespace tonedot::test
