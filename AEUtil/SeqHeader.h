// The effect's sequence data: a small header that identifies and versions the block, plus
// (in the live form only) 8 bytes the effect keeps for itself, which the framework carries
// without reading them.
//
// Live form: a host handle of 32 bytes laid out as SeqHeader below.  Flat form (stored in
// projects): exactly 24 bytes, 32-bit values little-endian, version and flat size swapped
// against the live form:
//   0 magic "qesp" | 4 form = 1 | 8 version | 12 flat size | 16..23 reserved bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>
#include "AEUtil/HostApi.h"

struct SeqHeader {
    uint32_t magic;          // kSeqMagic
    int32_t form;            // kSeqFormLive or kSeqFormFlat
    int32_t flatSize;        // kSeqFlatSize
    int32_t version;         // kSeqVersion
    uint8_t reserved[8];     // zero when created; carried through flattening
    // The effect's own state of this instance: zero when created and whenever rebuilt from
    // stored bytes (never flattened), copied with the live block.
    alignas(4) uint8_t effectState[8];
};

static_assert(sizeof(SeqHeader) == 32, "live sequence data is 32 bytes");
static_assert(offsetof(SeqHeader, form) == 4 && offsetof(SeqHeader, flatSize) == 8 &&
                  offsetof(SeqHeader, version) == 12 && offsetof(SeqHeader, reserved) == 16 &&
                  offsetof(SeqHeader, effectState) == 24,
              "live sequence data layout");

constexpr uint32_t kSeqMagic = 0x70736571;  // the bytes "qesp" in memory order
constexpr int32_t kSeqFormLive = 0;
constexpr int32_t kSeqFormFlat = 1;
constexpr int32_t kSeqVersion = 1;
constexpr int32_t kSeqFlatSize = 24;
constexpr std::size_t kSeqLiveSize = sizeof(SeqHeader);

// A fresh live header: magic, live form, flat size 24, version 1, everything else zero.
SeqHeader FreshSeqHeader();

// The 24 flat bytes of a live header.  Always succeeds.
std::vector<uint8_t> SerializeSeqHeader(const SeqHeader& live);

// Rebuilds a live header from stored bytes.  Returns true when the bytes were a valid flat
// header; otherwise `live` is set to a fresh header and false is returned.  The effect's
// bytes of the result are always zero.
bool UnflattenSeqHeader(const uint8_t* bytes, std::size_t size, SeqHeader& live);

// True when a locked block of `size` bytes is a live header the UI handlers may touch:
// at least 32 bytes, the magic and the live form.  Anything else counts as "no sequence
// data" for them.
bool IsLiveSeqBlock(const void* block, std::size_t size);
