// Sequence data: live and flat forms byte for byte, and the rules that decide what a
// stored block turns back into.  The handle callbacks are a small in-process fake so that
// lock balance and disposal can be checked exactly.
#include <gtest/gtest.h>
#include <cstring>
#include <map>
#include <memory>
#include <vector>
#include "AEUtil/BaseFilter.h"
#include "AEUtil/SeqHeader.h"

namespace {

struct FakeHandle {
    std::vector<uint8_t> bytes;
    void* slot = nullptr;
    int locks = 0;
};

struct FakeHandles {
    static FakeHandles* current;
    std::map<PF_Handle, std::unique_ptr<FakeHandle>> live;
    int disposed = 0;
    bool refuseNew = false;
    bool refuseLock = false;

    PF_Handle Make(std::vector<uint8_t> bytes)
    {
        auto h = std::make_unique<FakeHandle>();
        h->bytes = std::move(bytes);
        h->slot = h->bytes.data();
        PF_Handle key = &h->slot;
        live[key] = std::move(h);
        return key;
    }
    FakeHandle& At(PF_Handle h) { return *live.at(h); }
    std::vector<uint8_t> Bytes(PF_Handle h) { return At(h).bytes; }

    static PF_Handle New(A_u_longlong size)
    {
        if (current->refuseNew) return nullptr;
        return current->Make(std::vector<uint8_t>(size, 0xCD));  // host memory is not cleared
    }
    static void* Lock(PF_Handle h)
    {
        if (current->refuseLock) return nullptr;
        FakeHandle& f = current->At(h);
        ++f.locks;
        return f.bytes.data();
    }
    static void Unlock(PF_Handle h) { --current->At(h).locks; }
    static void Dispose(PF_Handle h)
    {
        current->live.erase(h);
        ++current->disposed;
    }
    static A_u_longlong Size(PF_Handle h) { return current->At(h).bytes.size(); }
};
FakeHandles* FakeHandles::current = nullptr;

// BaseFilter with nothing overridden: the sequence operations are the framework's own.
class PlainFilter : public BaseFilter {};

class SequenceDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeHandles::current = &handles;
        utils.host_new_handle = &FakeHandles::New;
        utils.host_lock_handle = &FakeHandles::Lock;
        utils.host_unlock_handle = &FakeHandles::Unlock;
        utils.host_dispose_handle = &FakeHandles::Dispose;
        utils.host_get_handle_size = &FakeHandles::Size;
        in.utils = &utils;
        in.appl_id = kAfterEffectsApplId;
    }
    void TearDown() override
    {
        for (auto& kv : handles.live) EXPECT_EQ(kv.second->locks, 0) << "unbalanced lock";
        FakeHandles::current = nullptr;
    }

    // Runs `op` with `input` as in_data->sequence_data; returns out_data->sequence_data.
    template <class Op>
    PF_Handle Run(Op op, PF_Handle input, PF_Err expected = PF_Err_NONE)
    {
        in.sequence_data = input;
        out = PF_OutData{};
        EXPECT_EQ((filter.*op)(&in, &out), expected);
        return out.sequence_data;
    }

    static std::vector<uint8_t> FlatBytes(int version, std::vector<uint8_t> reserved = {})
    {
        std::vector<uint8_t> b = {'q', 'e', 's', 'p', 1, 0, 0, 0};
        for (int v : {version, 24})
            for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
        reserved.resize(8, 0);
        b.insert(b.end(), reserved.begin(), reserved.end());
        return b;
    }

    FakeHandles handles;
    PF_UtilCallbacks utils{};
    PF_InData in{};
    PF_OutData out{};
    PlainFilter filter;
};

const std::vector<uint8_t> kFreshLive = {'q', 'e', 's', 'p', 0, 0, 0, 0, 24, 0, 0, 0, 1, 0, 0, 0,
                                         0,   0,   0,   0,   0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0};

TEST_F(SequenceDataTest, SetupWritesTheLiveHeaderOverUnclearedMemory)
{
    PF_Handle h = Run(&BaseFilter::SequenceSetup, nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(handles.Bytes(h), kFreshLive);
}

TEST_F(SequenceDataTest, SetupReportsRefusedMemoryAndLocks)
{
    handles.refuseNew = true;
    EXPECT_EQ(Run(&BaseFilter::SequenceSetup, nullptr, PF_Err_OUT_OF_MEMORY), nullptr);
    handles.refuseNew = false;
    handles.refuseLock = true;
    EXPECT_EQ(Run(&BaseFilter::SequenceSetup, nullptr, PF_Err_INTERNAL_STRUCT_DAMAGED), nullptr);
    EXPECT_TRUE(handles.live.empty()) << "the unlockable handle is disposed";
}

TEST_F(SequenceDataTest, FlattenGivesTheStoredBytesAndFreesTheLiveBlock)
{
    PF_Handle live = Run(&BaseFilter::SequenceSetup, nullptr);
    PF_Handle flat = Run(&BaseFilter::SequenceFlatten, live);
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(handles.Bytes(flat), FlatBytes(1));
    EXPECT_EQ(handles.live.count(live), 0u);
}

TEST_F(SequenceDataTest, GetFlattenedKeepsTheLiveBlock)
{
    PF_Handle live = Run(&BaseFilter::SequenceSetup, nullptr);
    handles.At(live).bytes[24] = 1;
    handles.At(live).bytes[28] = 2;
    PF_Handle flat = Run(&BaseFilter::GetFlattenedSequenceData, live);
    EXPECT_EQ(handles.Bytes(flat), FlatBytes(1)) << "UI state is never stored";
    ASSERT_EQ(handles.live.count(live), 1u);
    EXPECT_EQ(handles.At(live).bytes[24], 1);
}

TEST_F(SequenceDataTest, FlattenFailuresKeepTheLiveBlock)
{
    PF_Handle live = Run(&BaseFilter::SequenceSetup, nullptr);
    handles.refuseNew = true;
    out.sequence_data = nullptr;
    Run(&BaseFilter::SequenceFlatten, live, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(handles.live.count(live), 1u);
    handles.refuseNew = false;
    Run(&BaseFilter::SequenceFlatten, nullptr, PF_Err_INTERNAL_STRUCT_DAMAGED);
    PF_Handle tiny = handles.Make(std::vector<uint8_t>(10, 0));
    Run(&BaseFilter::SequenceFlatten, tiny, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(handles.live.count(tiny), 1u);
}

TEST_F(SequenceDataTest, FlatteningAnAlreadyFlatBlockCopiesItUnchanged)
{
    const auto stored = FlatBytes(1, {9, 8, 7, 6, 5, 4, 3, 2});
    PF_Handle flat = handles.Make(stored);
    PF_Handle again = Run(&BaseFilter::SequenceFlatten, flat);
    EXPECT_EQ(handles.Bytes(again), stored);
}

TEST_F(SequenceDataTest, ReservedBytesSurviveFlattenAndResetup)
{
    PF_Handle live = Run(&BaseFilter::SequenceSetup, nullptr);
    for (int i = 0; i < 8; ++i) handles.At(live).bytes[16 + i] = uint8_t(i + 1);
    handles.At(live).bytes[24] = 1;
    handles.At(live).bytes[28] = 2;
    PF_Handle flat = Run(&BaseFilter::SequenceFlatten, live);
    EXPECT_EQ(handles.Bytes(flat), FlatBytes(1, {1, 2, 3, 4, 5, 6, 7, 8}));

    PF_Handle back = Run(&BaseFilter::SequenceResetup, flat);
    std::vector<uint8_t> expected = kFreshLive;
    for (int i = 0; i < 8; ++i) expected[16 + i] = uint8_t(i + 1);
    EXPECT_EQ(handles.Bytes(back), expected) << "UI state comes back zero";
    EXPECT_EQ(handles.live.count(flat), 1u) << "the stored handle is the host's to free";
}

TEST_F(SequenceDataTest, ResetupReplacesUnusableDataWithAFreshBlock)
{
    auto shortData = FlatBytes(1);
    shortData.pop_back();
    auto foreign = FlatBytes(1);
    foreign[0] = 'x';
    auto reserved = std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8};
    auto wrongVersion = FlatBytes(2, reserved);
    for (const auto& stored : {shortData, foreign, wrongVersion}) {
        PF_Handle h = handles.Make(stored);
        PF_Handle back = Run(&BaseFilter::SequenceResetup, h);
        ASSERT_NE(back, nullptr);
        EXPECT_NE(back, h);
        EXPECT_EQ(handles.Bytes(back), kFreshLive);
    }
    PF_Handle none = Run(&BaseFilter::SequenceResetup, nullptr);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(handles.Bytes(none), kFreshLive);
}

TEST_F(SequenceDataTest, ResetupReadsLongerStoredDataByItsFirstBytes)
{
    auto stored = FlatBytes(1, {4, 4, 4, 4, 4, 4, 4, 4});
    stored.resize(40, 0xEE);
    PF_Handle back = Run(&BaseFilter::SequenceResetup, handles.Make(stored));
    EXPECT_EQ(handles.Bytes(back)[16], 4);
    EXPECT_EQ(handles.Bytes(back)[24], 0);
    EXPECT_EQ(handles.Bytes(back).size(), 32u);
}

TEST_F(SequenceDataTest, SetdownDisposesOnlyWhatItIsGiven)
{
    Run(&BaseFilter::SequenceSetdown, nullptr);
    EXPECT_EQ(handles.disposed, 0);
    PF_Handle live = Run(&BaseFilter::SequenceSetup, nullptr);
    in.sequence_data = live;
    out = PF_OutData{};
    out.sequence_data = live;
    EXPECT_EQ(filter.SequenceSetdown(&in, &out), PF_Err_NONE);
    EXPECT_EQ(handles.disposed, 1);
    EXPECT_TRUE(handles.live.empty());
}

TEST(SeqHeaderTest, UnflattenReportsValidity)
{
    SeqHeader h;
    const uint8_t good[24] = {'q', 'e', 's', 'p', 1, 0, 0, 0, 1, 0, 0, 0, 24, 0, 0, 0};
    EXPECT_TRUE(UnflattenSeqHeader(good, sizeof good, h));
    EXPECT_EQ(h.form, kSeqFormLive);
    EXPECT_EQ(h.version, 1);
    EXPECT_EQ(h.flatSize, 24);
    EXPECT_FALSE(UnflattenSeqHeader(good, 23, h));
    EXPECT_FALSE(UnflattenSeqHeader(nullptr, 0, h));
    EXPECT_EQ(std::memcmp(&h, kFreshLive.data(), 32), 0);
}

TEST(SeqHeaderTest, OnlyFullLiveBlocksCountAsLive)
{
    SeqHeader h = FreshSeqHeader();
    EXPECT_TRUE(IsLiveSeqBlock(&h, 32));
    EXPECT_FALSE(IsLiveSeqBlock(&h, 31));
    EXPECT_FALSE(IsLiveSeqBlock(nullptr, 32));
    h.form = kSeqFormFlat;
    EXPECT_FALSE(IsLiveSeqBlock(&h, 32));
    h = FreshSeqHeader();
    h.magic = 0;
    EXPECT_FALSE(IsLiveSeqBlock(&h, 32));
}

}  // namespace
