// The three host render paths, all ending in RenderByFormat with a RenderRecord:
// PF_Cmd_RENDER (record on the stack), PF_Cmd_SMART_PRE_RENDER (record in a host handle) and
// PF_Cmd_SMART_RENDER (takes the handle back).
#include "AEUtil/RenderPlumbing.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <vector>
#include "AEUtil/AEWorldSuite.h"
#include "AEUtil/BaseFilter.h"
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"

using namespace Params;

namespace {

// Checkout ids of the size probes are the plain ids plus this.
constexpr A_long kSizeProbeOffset = 1000000;

// In the pre-render handle, the effect's value record follows the record at this offset.
constexpr std::size_t kValuesOffset =
    (sizeof(RenderRecord) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) *
    alignof(std::max_align_t);

// The effect's value record of one frame in the call's own storage: `size` bytes, aligned
// for any type and zeroed (no storage when the effect has no values).
class ValueBlock {
public:
    explicit ValueBlock(std::size_t size)
        : words_((size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t)) {}
    void* data() { return words_.empty() ? nullptr : words_.data(); }

private:
    std::vector<std::max_align_t> words_;
};

// Puts an extra layer's world where the effect's value record keeps it.
void SetSlot(void* values, const ExtraLayer& layer, PF_LayerDef* world) {
    if (!values) return;
    std::memcpy(static_cast<char*>(values) + layer.valueOffset, &world, sizeof world);
}

// The plain path's layer checkouts, kept in the call's own storage: the host may run several
// plain renders at once, so the descriptors' shared definitions are left alone.  Whatever is
// still checked out when this goes (an exception, say) is checked in.
class PlainLayerCheckouts {
public:
    PlainLayerCheckouts(PF_InData* in_data, ExtraLayerList layers)
        : in_data_(in_data), layers_(layers), defs_(layers.count), held_(layers.count, false) {}
    ~PlainLayerCheckouts() { CheckinAll(); }
    PlainLayerCheckouts(const PlainLayerCheckouts&) = delete;
    PlainLayerCheckouts& operator=(const PlainLayerCheckouts&) = delete;

    PF_Err Checkout(void* values) {
        for (std::size_t i = 0; i < layers_.count; ++i) {
            SetSlot(values, layers_.items[i], nullptr);
            const A_long index = FindParamIndex(layers_.items[i].paramId);
            if (index <= 0) continue;
            // Checked out whether or not its control is enabled: the smart path's checkouts
            // do not look at the UI either, and both paths must give the same frame (a
            // control the effect disables may still act).
            std::memset(&defs_[i], 0, sizeof defs_[i]);
            const PF_Err err =
                PF_CHECKOUT_PARAM(in_data_, index, in_data_->current_time, in_data_->time_step,
                                  in_data_->time_scale, &defs_[i]);
            if (err != PF_Err_NONE) return err;
            held_[i] = true;
            SetSlot(values, layers_.items[i], AEUtil::LayerOrNull(&defs_[i].u.ld));
        }
        return PF_Err_NONE;
    }

    // Checks every held layer in; the first failure is the result.
    PF_Err CheckinAll() {
        PF_Err first = PF_Err_NONE;
        for (std::size_t i = 0; i < layers_.count; ++i) {
            if (!held_[i]) continue;
            held_[i] = false;
            const PF_Err err = PF_CHECKIN_PARAM(in_data_, &defs_[i]);
            if (first == PF_Err_NONE) first = err;
        }
        return first;
    }

private:
    PF_InData* in_data_;
    ExtraLayerList layers_;
    std::vector<PF_ParamDef> defs_;
    std::vector<bool> held_;
};

// Owns the pre-render handle until it is handed to the host for good: on any failure, thrown
// or returned, the handle is disposed and pre_render_data cleared.
class PreRenderHandle {
public:
    PreRenderHandle(PF_InData* in_data, PF_PreRenderOutput* output)
        : in_data_(in_data), output_(output) {}
    ~PreRenderHandle() { Abandon(); }
    PreRenderHandle(const PreRenderHandle&) = delete;
    PreRenderHandle& operator=(const PreRenderHandle&) = delete;

    // Allocates and locks the handle and builds a new record in it, followed by a zeroed
    // value record of `valuesSize` bytes.
    PF_Err Create(RenderRecord** record, std::size_t valuesSize) {
        handle_ = in_data_->utils->host_new_handle(kValuesOffset + valuesSize);
        if (!handle_) return PF_Err_OUT_OF_MEMORY;
        void* memory = in_data_->utils->host_lock_handle(handle_);
        if (!memory) return PF_Err_INTERNAL_STRUCT_DAMAGED;
        locked_ = true;
        RenderRecord* made = new (memory) RenderRecord(NewRenderRecord());
        made->smart = 1;
        made->disposeHandle = in_data_->utils->host_dispose_handle;
        if (valuesSize > 0) {
            made->values = static_cast<char*>(memory) + kValuesOffset;
            std::memset(made->values, 0, valuesSize);
        }
        output_->pre_render_data = handle_;
        output_->delete_pre_render_data_func = &AEUtil::DeleteRenderRecordHandle;
        *record = made;
        return PF_Err_NONE;
    }

    // The frame goes ahead: the host keeps the handle and deletes it after the render.
    void HandOver() {
        Unlock();
        handle_ = nullptr;
    }

private:
    void Unlock() {
        if (locked_) in_data_->utils->host_unlock_handle(handle_);
        locked_ = false;
    }
    void Abandon() {
        if (!handle_) return;
        Unlock();
        if (output_->pre_render_data == static_cast<void*>(handle_)) {
            output_->pre_render_data = nullptr;
            output_->delete_pre_render_data_func = nullptr;
        }
        in_data_->utils->host_dispose_handle(handle_);
        handle_ = nullptr;
    }

    PF_InData* in_data_;
    PF_PreRenderOutput* output_;
    PF_Handle handle_ = nullptr;
    bool locked_ = false;
};

// Keeps the smart render's record handle locked for the length of the call.
class LockedHandle {
public:
    LockedHandle(PF_InData* in_data, PF_Handle handle)
        : in_data_(in_data),
          handle_(handle),
          memory_(handle ? in_data->utils->host_lock_handle(handle) : nullptr) {}
    ~LockedHandle() {
        if (memory_) in_data_->utils->host_unlock_handle(handle_);
    }
    LockedHandle(const LockedHandle&) = delete;
    LockedHandle& operator=(const LockedHandle&) = delete;
    void* get() const { return memory_; }

private:
    PF_InData* in_data_;
    PF_Handle handle_;
    void* memory_;
};

// The two-step checkout of each extra layer: a probe with an empty request learns the layer's
// full size, then the whole layer is requested under the plain checkout id.
PF_Err CheckoutExtraLayers(PF_InData* in_data, PF_PreRenderExtra* extra, ExtraLayerList layers) {
    for (const ExtraLayer& layer : layers) {
        const A_long index = FindParamIndex(layer.paramId);
        PF_RenderRequest request{};
        request.rect = {0, 0, 0, 0};
        request.field = PF_Field_FRAME;
        request.channel_mask = PF_ChannelMask_ARGB;
        request.preserve_rgb_of_zero_alpha = false;
        PF_CheckoutResult probe{};
        PF_Err err = extra->cb->checkout_layer(in_data->effect_ref, index,
                                               layer.checkoutId + kSizeProbeOffset, &request,
                                               in_data->current_time, in_data->time_step,
                                               in_data->time_scale, &probe);
        if (err != PF_Err_NONE) return err;
        request.rect = {0, 0, probe.ref_width, probe.ref_height};
        PF_CheckoutResult result{};
        err = extra->cb->checkout_layer(in_data->effect_ref, index, layer.checkoutId, &request,
                                        in_data->current_time, in_data->time_step,
                                        in_data->time_scale, &result);
        if (err != PF_Err_NONE) return err;
    }
    return PF_Err_NONE;
}

}  // namespace

namespace AEUtil {

void MergeRect(PF_LRect& into, const PF_LRect& add) {
    auto empty = [](const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; };
    if (empty(add)) return;
    if (empty(into)) {
        into = add;
        return;
    }
    if (add.left < into.left) into.left = add.left;
    if (add.top < into.top) into.top = add.top;
    if (add.right > into.right) into.right = add.right;
    if (add.bottom > into.bottom) into.bottom = add.bottom;
}

double DownsampleFactor(const PF_RationalScale& scale) {
    return scale.den ? static_cast<double>(scale.num) / static_cast<double>(scale.den) : 1.0;
}

PF_EffectWorld* LayerOrNull(PF_EffectWorld* world) {
    if (!world || !world->data || world->width <= 0 || world->height <= 0) return nullptr;
    return world;
}

PF_Err CheckoutInputLayer(PF_InData* in_data, PF_PreRenderExtra* extra,
                          PF_CheckoutResult* result) {
    const PF_RenderRequest request = extra->input->output_request;
    return extra->cb->checkout_layer(in_data->effect_ref, 0, 0, &request, in_data->current_time,
                                     in_data->time_step, in_data->time_scale, result);
}

void DeleteRenderRecordHandle(void* pre_render_data) {
    PF_Handle handle = static_cast<PF_Handle>(pre_render_data);
    if (!handle || !*handle) return;
    const RenderRecord* record = static_cast<const RenderRecord*>(*handle);
    if (record->disposeHandle) record->disposeHandle(handle);
}

}  // namespace AEUtil

PF_Err BaseFilter::Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                          PF_LayerDef* output) {
    if (!params || !params[0] || !output) return PF_Err_BAD_CALLBACK_PARAM;
    RenderRecord record = NewRenderRecord();
    ValueBlock values(ValuesSize());
    record.values = values.data();
    record.inData = in_data;
    record.outData = out_data;
    record.input = &params[0]->u.ld;
    record.output = output;
    record.renderArea = in_data->extent_hint;
    record.smart = 0;

    PlainLayerCheckouts layers(in_data, ExtraLayers());
    PF_Err err = GetWorldPixelFormat(in_data, record.input, &record.pixelFormat);
    if (err == PF_Err_NONE) {
        // Copy mode: values come from temporary checkouts, nothing shared is written.
        GetParamByCheckout getter(in_data, params, true);
        err = FetchParams(record.values, getter);
    }
    if (err == PF_Err_NONE) err = layers.Checkout(record.values);
    if (err == PF_Err_NONE) err = RenderByFormat(&record);
    const PF_Err released = layers.CheckinAll();
    return err != PF_Err_NONE ? err : released;
}

PF_Err BaseFilter::SmartPreRender(PF_InData* in_data, PF_OutData* out_data,
                                  PF_PreRenderExtra* extra) {
    if (!extra || !extra->input || !extra->output || !extra->cb) return PF_Err_BAD_CALLBACK_PARAM;
    PreRenderHandle handle(in_data, extra->output);
    RenderRecord* record = nullptr;
    PF_Err err = handle.Create(&record, ValuesSize());
    if (err == PF_Err_NONE) {
        GetParamByCheckout getter(in_data, nullptr, true);
        err = FetchParams(record->values, getter);
    }
    if (err == PF_Err_NONE) err = CheckoutExtraLayers(in_data, extra, ExtraLayers());
    if (err == PF_Err_NONE) err = PreRenderCheckout(in_data, out_data, extra, record);
    if (err == PF_Err_NONE) handle.HandOver();
    return err;
}

PF_Err BaseFilter::PreRenderCheckout(PF_InData* in_data, PF_OutData* /*out_data*/,
                                     PF_PreRenderExtra* extra, RenderRecord* /*record*/) {
    PF_CheckoutResult result{};
    const PF_Err err = AEUtil::CheckoutInputLayer(in_data, extra, &result);
    AEUtil::MergeRect(extra->output->result_rect, result.result_rect);
    AEUtil::MergeRect(extra->output->max_result_rect, result.max_result_rect);
    return err;
}

PF_Err BaseFilter::SmartRenderPrepare(PF_InData* /*in_data*/, PF_OutData* /*out_data*/,
                                      PF_SmartRenderExtra* /*extra*/, RenderRecord* /*record*/) {
    return PF_Err_NONE;
}

PF_Err BaseFilter::SmartRender(PF_InData* in_data, PF_OutData* out_data,
                               PF_SmartRenderExtra* extra) {
    if (!extra || !extra->input || !extra->cb) return PF_Err_BAD_CALLBACK_PARAM;
    PF_Handle handle = static_cast<PF_Handle>(extra->input->pre_render_data);
    LockedHandle locked(in_data, handle);
    if (!locked.get()) return PF_Err_INTERNAL_STRUCT_DAMAGED;

    // The renderer changes values in place; the host's copy stays as pre-render made it.
    RenderRecord record = *static_cast<const RenderRecord*>(locked.get());
    const std::size_t valuesSize = ValuesSize();
    ValueBlock values(valuesSize);
    record.values = values.data();
    if (valuesSize > 0)
        std::memcpy(record.values, static_cast<const char*>(locked.get()) + kValuesOffset, valuesSize);
    record.inData = in_data;
    record.outData = out_data;
    record.input = nullptr;
    record.output = nullptr;

    PF_SmartRenderCallbacks* cb = extra->cb;
    PF_Err err = cb->checkout_layer_pixels(in_data->effect_ref, 0, &record.input);
    if (err == PF_Err_NONE) err = cb->checkout_output(in_data->effect_ref, &record.output);
    if (!record.input || !record.output) {
        if (err == PF_Err_NONE) return cb->checkin_layer_pixels(in_data->effect_ref, 0);
        return err;
    }
    record.renderArea = {0, 0, record.input->width, record.input->height};
    record.layerArea = {record.input->origin_x, record.input->origin_y,
                        record.input->width + record.input->origin_x,
                        record.input->height + record.input->origin_y};
    if (err == PF_Err_NONE) err = GetWorldPixelFormat(in_data, record.input, &record.pixelFormat);
    if (err == PF_Err_NONE) err = SmartRenderPrepare(in_data, out_data, extra, &record);
    for (const ExtraLayer& layer : ExtraLayers()) {
        if (err != PF_Err_NONE) break;
        PF_EffectWorld* world = nullptr;
        err = cb->checkout_layer_pixels(in_data->effect_ref, layer.checkoutId, &world);
        SetSlot(record.values, layer, AEUtil::LayerOrNull(world));
    }
    if (err == PF_Err_NONE) err = RenderByFormat(&record);
    if (err == PF_Err_NONE) err = cb->checkin_layer_pixels(in_data->effect_ref, 0);
    return err;
}
