// Sequence data as a project file may hold it: arbitrary bytes in the stored handle handed
// to PF_Cmd_SEQUENCE_RESETUP, through the stand-in host.
//
// Checked on every input: resetup succeeds with a sound live block (stored data that is not
// a valid flat header gives a fresh one, valid data keeps its reserved bytes), flattening
// gives 24 bytes that resetup turns back into the same block, and every handle comes back
// with its locks balanced.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "AEUtil/EntryPoint.h"
#include "AEUtil/SeqHeader.h"
#include "host/Host.h"

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "sequence data fuzz: %s\n", what);
        std::abort();
    }
}

tonedot::Host& TheHost() {
    static tonedot::Host* host = [] {
        auto* h = new tonedot::Host(&EntryPointFunc);
        Check(h->Send(PF_Cmd_GLOBAL_SETUP).err == PF_Err_NONE, "global setup failed");
        return h;
    }();
    return *host;
}

PF_Handle StoredHandle(tonedot::Host& host, const std::uint8_t* data, std::size_t size) {
    PF_Handle h = host.Handles().New(size);
    Check(h != nullptr, "host refused a handle");
    if (size) {
        void* p = host.Handles().Lock(h);
        std::memcpy(p, data, size);
        host.Handles().Unlock(h);
    }
    return h;
}

SeqHeader LiveHeader(tonedot::Host& host, PF_Handle h) {
    Check(h != nullptr, "no live block");
    Check(host.Handles().Size(h) == kSeqLiveSize, "live block is not 32 bytes");
    SeqHeader live;
    std::memcpy(&live, host.Handles().Lock(h), sizeof live);
    host.Handles().Unlock(h);
    Check(IsLiveSeqBlock(&live, sizeof live), "live block without magic or live form");
    Check(live.version == kSeqVersion, "live block version");
    for (const std::uint8_t b : live.effectState) Check(b == 0, "effect state not cleared");
    return live;
}

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tonedot::Host& host = TheHost();
    tonedot::Instance& instance = host.Main();
    const std::size_t handlesBefore = host.Handles().LiveCount();

    PF_Handle stored = StoredHandle(host, data, size);
    instance.sequenceData = stored;
    Check(host.Send(PF_Cmd_SEQUENCE_RESETUP, instance).err == PF_Err_NONE, "resetup failed");
    Check(host.Handles().Owns(stored) && host.Handles().LockCount(stored) == 0,
          "stored handle disposed or left locked");
    Check(instance.sequenceData != stored, "resetup kept the stored handle as live data");
    const SeqHeader live = LiveHeader(host, instance.sequenceData);

    const bool valid = size >= 24 && Le32(data) == kSeqMagic && Le32(data + 8) == kSeqVersion;
    if (valid) {
        Check(std::memcmp(live.reserved, data + 16, 8) == 0, "reserved bytes not carried");
        Check(live.flatSize == std::int32_t(Le32(data + 12)), "stored flat size not carried");
    } else {
        const SeqHeader fresh = FreshSeqHeader();
        Check(std::memcmp(&live, &fresh, sizeof live) == 0, "invalid data did not give a fresh block");
    }
    host.Handles().Dispose(stored);

    // A copy for the project, then the real flattening, then back.
    const tonedot::CallResult copy = host.Send(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, instance);
    Check(copy.err == PF_Err_NONE && copy.out.sequence_data, "get-flattened failed");
    Check(host.Handles().Size(copy.out.sequence_data) == 24, "flat copy is not 24 bytes");
    host.Handles().Dispose(copy.out.sequence_data);

    Check(host.Send(PF_Cmd_SEQUENCE_FLATTEN, instance).err == PF_Err_NONE, "flatten failed");
    PF_Handle flat = instance.sequenceData;
    Check(host.Handles().Size(flat) == 24, "flat block is not 24 bytes");
    Check(host.Send(PF_Cmd_SEQUENCE_RESETUP, instance).err == PF_Err_NONE, "second resetup failed");
    host.Handles().Dispose(flat);
    const SeqHeader again = LiveHeader(host, instance.sequenceData);
    Check(std::memcmp(&again, &live, sizeof live) == 0, "round trip changed the block");

    Check(host.Send(PF_Cmd_SEQUENCE_SETDOWN, instance).err == PF_Err_NONE, "setdown failed");
    Check(host.Handles().LiveCount() == handlesBefore, "a handle was left behind");
    Check(host.Handles().MisuseCount() == 0, "a handle was used after disposal");
    return 0;
}
