// The BaseFilter sequence operations: create, free, flatten and rebuild the per-instance
// sequence data.  All handle work goes through the host's handle callbacks in
// in_data->utils.
#include <cstring>
#include "AEUtil/BaseFilter.h"
#include "AEUtil/SeqHeader.h"

namespace {

void PutLE32(uint8_t* out, uint32_t value)
{
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

// Reads the stored bytes front to back; a read past the end yields 0.
class ByteReader {
public:
    ByteReader(const uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    uint32_t Le32()
    {
        if (size_ - pos_ < 4) {
            pos_ = size_;
            return 0;
        }
        const uint8_t* p = bytes_ + pos_;
        pos_ += 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    uint8_t Byte() { return pos_ < size_ ? bytes_[pos_++] : 0; }

private:
    const uint8_t* bytes_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

bool HasHandleCallbacks(const PF_InData* in_data)
{
    const PF_UtilCallbacks* u = in_data ? in_data->utils : nullptr;
    return u && u->host_new_handle && u->host_lock_handle && u->host_unlock_handle &&
           u->host_dispose_handle && u->host_get_handle_size;
}

// Steps shared by SequenceFlatten and GetFlattenedSequenceData: a new flat handle in
// out_data->sequence_data made from in_data->sequence_data, which stays untouched.
PF_Err MakeFlatCopy(PF_InData* in_data, PF_OutData* out_data)
{
    if (!HasHandleCallbacks(in_data)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_UtilCallbacks& u = *in_data->utils;
    PF_Handle live = in_data->sequence_data;
    if (!live) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    auto* block = static_cast<const uint8_t*>(u.host_lock_handle(live));
    if (!block) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    const std::size_t size = static_cast<std::size_t>(u.host_get_handle_size(live));
    std::vector<uint8_t> flat;
    if (size >= std::size_t(kSeqFlatSize)) {
        SeqHeader header{};
        std::memcpy(&header, block, size < kSeqLiveSize ? size : kSeqLiveSize);
        if (header.magic == kSeqMagic && header.form == kSeqFormFlat) {
            // Already flat (the host flattened twice): copy it as it is rather than
            // swapping version and size a second time.
            flat.assign(block, block + kSeqFlatSize);
        } else {
            flat = SerializeSeqHeader(header);
        }
    }
    if (flat.empty()) {
        // Too short to hold a header: there is nothing sound to store.
        u.host_unlock_handle(live);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }

    PF_Err err = PF_Err_NONE;
    PF_Handle stored = u.host_new_handle(flat.size());
    if (!stored) {
        err = PF_Err_OUT_OF_MEMORY;
    } else if (void* dst = u.host_lock_handle(stored)) {
        std::memcpy(dst, flat.data(), flat.size());
        out_data->sequence_data = stored;
        u.host_unlock_handle(stored);
    } else {
        u.host_dispose_handle(stored);
        err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    u.host_unlock_handle(live);
    return err;
}

}  // namespace

SeqHeader FreshSeqHeader()
{
    SeqHeader h{};
    h.magic = kSeqMagic;
    h.form = kSeqFormLive;
    h.flatSize = kSeqFlatSize;
    h.version = kSeqVersion;
    return h;
}

std::vector<uint8_t> SerializeSeqHeader(const SeqHeader& live)
{
    std::vector<uint8_t> out(kSeqFlatSize);
    PutLE32(&out[0], live.magic);  // "qesp", the magic's bytes in memory order
    PutLE32(&out[4], uint32_t(kSeqFormFlat));
    PutLE32(&out[8], uint32_t(live.version));
    PutLE32(&out[12], uint32_t(live.flatSize));
    std::memcpy(&out[16], live.reserved, 8);
    return out;
}

bool UnflattenSeqHeader(const uint8_t* bytes, std::size_t size, SeqHeader& live)
{
    if (!bytes || size < std::size_t(kSeqFlatSize)) {
        live = FreshSeqHeader();
        return false;
    }
    ByteReader in(bytes, size);
    SeqHeader h{};
    h.magic = in.Le32();
    h.form = int32_t(in.Le32());
    h.version = int32_t(in.Le32());
    h.flatSize = int32_t(in.Le32());
    for (uint8_t& b : h.reserved) b = in.Byte();
    if (h.magic == kSeqMagic && h.version == kSeqVersion) {
        h.form = kSeqFormLive;
        live = h;
        return true;
    }
    live = FreshSeqHeader();
    return false;
}

bool IsLiveSeqBlock(const void* block, std::size_t size)
{
    if (!block || size < kSeqLiveSize) return false;
    SeqHeader h;
    std::memcpy(&h, block, sizeof h);
    return h.magic == kSeqMagic && h.form == kSeqFormLive;
}

PF_Err BaseFilter::SequenceSetup(PF_InData* in_data, PF_OutData* out_data)
{
    if (!HasHandleCallbacks(in_data)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_UtilCallbacks& u = *in_data->utils;
    PF_Handle h = u.host_new_handle(kSeqLiveSize);
    if (!h) return PF_Err_OUT_OF_MEMORY;
    void* block = u.host_lock_handle(h);
    if (!block) {
        u.host_dispose_handle(h);
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
    const SeqHeader fresh = FreshSeqHeader();
    std::memcpy(block, &fresh, sizeof fresh);
    out_data->sequence_data = h;
    u.host_unlock_handle(h);
    return PF_Err_NONE;
}

PF_Err BaseFilter::SequenceSetdown(PF_InData* in_data, PF_OutData*)
{
    if (in_data && in_data->sequence_data) {
        if (!HasHandleCallbacks(in_data)) return PF_Err_BAD_CALLBACK_PARAM;
        in_data->utils->host_dispose_handle(in_data->sequence_data);
    }
    return PF_Err_NONE;
}

PF_Err BaseFilter::SequenceFlatten(PF_InData* in_data, PF_OutData* out_data)
{
    const PF_Err err = MakeFlatCopy(in_data, out_data);
    if (err == PF_Err_NONE) in_data->utils->host_dispose_handle(in_data->sequence_data);
    return err;
}

PF_Err BaseFilter::GetFlattenedSequenceData(PF_InData* in_data, PF_OutData* out_data)
{
    return MakeFlatCopy(in_data, out_data);
}

PF_Err BaseFilter::SequenceResetup(PF_InData* in_data, PF_OutData* out_data)
{
    if (!HasHandleCallbacks(in_data)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_UtilCallbacks& u = *in_data->utils;
    PF_Handle stored = in_data->sequence_data;
    const uint8_t* bytes = stored ? static_cast<const uint8_t*>(u.host_lock_handle(stored)) : nullptr;
    const std::size_t size = bytes ? static_cast<std::size_t>(u.host_get_handle_size(stored)) : 0;
    if (!bytes || size < std::size_t(kSeqFlatSize) || ByteReader(bytes, size).Le32() != kSeqMagic) {
        if (bytes) u.host_unlock_handle(stored);
        return ResetSequenceData(in_data, out_data);
    }
    // The stored handle stays locked (once) until we are done with its bytes.
    const std::vector<uint8_t> copy(bytes, bytes + size);

    PF_Err err = SequenceSetup(in_data, out_data);
    if (err == PF_Err_NONE) {
        PF_Handle fresh = out_data->sequence_data;
        if (void* block = u.host_lock_handle(fresh)) {
            SeqHeader live;
            UnflattenSeqHeader(copy.data(), copy.size(), live);  // invalid data: fresh header
            std::memcpy(block, &live, sizeof live);
            u.host_unlock_handle(fresh);
        } else {
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }
    u.host_unlock_handle(stored);
    return err;
}
