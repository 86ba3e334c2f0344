// The render driver: one frame from its parameter values to the output image, written once
// over the pixel type.  Clears the output, copies the source (unless "Clear Background"),
// draws the dots into a private dot layer at the current downsampling and lays that layer over
// the output through the mask.
#pragma once
#include <algorithm>
#include <vector>
#include "AEUtil/AEWorldSuite.h"
#include "AEUtil/HostApi.h"
#include "AEUtil/OutlineSuite.h"
#include "AEUtil/Pixel.h"
#include "AEUtil/RenderPlumbing.h"
#include "AEUtil/RenderRecord.h"
#include "AEUtil/SuiteHolder.h"
#include "look/ParamValues.h"
#include "render/drawing/DotCanvas.h"
#include "render/frame/DotLayerTransfer.h"
#include "render/frame/DrawDots.h"

namespace Render {

// Where the input lands on the output: the input's origin relative to the output's, clipped
// to both worlds together so source and destination always have the same size (the copy never
// stretches).  False when nothing of the input lies on the output.
inline bool SourceCopyRects(const PF_EffectWorld& input, const PF_EffectWorld& output,
                            PF_Rect* source, PF_Rect* dest) {
    const A_long dx = input.origin_x - output.origin_x;
    const A_long dy = input.origin_y - output.origin_y;
    const A_long left = std::max<A_long>(dx, 0);
    const A_long top = std::max<A_long>(dy, 0);
    const A_long right = std::min<A_long>(dx + input.width, output.width);
    const A_long bottom = std::min<A_long>(dy + input.height, output.height);
    if (left >= right || top >= bottom) return false;
    *dest = {left, top, right, bottom};
    *source = {left - dx, top - dy, right - dx, bottom - dy};
    return true;
}

// Sizes follow the downsampling: "Dot Size" and every effector's Size, ABS Size and Offset
// Size by the smaller factor, the distances by their own axis.  Positions are left as the host
// delivers them.
inline void ScaleToDownsampling(Look::ParamValues& values, double dsx, double dsy) {
    const double m = std::min(dsx, dsy);
    values.dotSize *= m;
    for (Look::EffectorParams& effector : values.effector) {
        effector.size *= m;
        effector.absSize *= m;
        effector.offsetSize *= m;
    }
    values.dotDistanceX *= dsx;
    values.dotDistanceY *= dsy;
}

// The outline suite when the host asks this render call for outlines rather than pixels
// (only the stand-in host serves it); null otherwise.  Released when the holder goes.
class OutlineSuiteHolder {
public:
    explicit OutlineSuiteHolder(PF_InData* in_data) : basic_(in_data->pica_basicP) {
        const void* suite = nullptr;
        if (basic_ && basic_->AcquireSuite(kTonedotOutlineSuite, kTonedotOutlineSuiteVersion1, &suite) == kSPNoError &&
            suite) {
            suite_ = static_cast<const TonedotOutlineSuite1*>(suite);
            if (!suite_->WantsOutlines(in_data->effect_ref)) Release();
        }
    }
    ~OutlineSuiteHolder() { Release(); }
    OutlineSuiteHolder(const OutlineSuiteHolder&) = delete;
    OutlineSuiteHolder& operator=(const OutlineSuiteHolder&) = delete;
    const TonedotOutlineSuite1* Wanted() const { return suite_; }

private:
    void Release() {
        if (suite_) basic_->ReleaseSuite(kTonedotOutlineSuite, kTonedotOutlineSuiteVersion1);
        suite_ = nullptr;
    }
    SPBasicSuite* basic_;
    const TonedotOutlineSuite1* suite_ = nullptr;
};

// The outline sink that hands each dot to the host's outline suite: its points mapped onto
// the dot layer, its colour and opacity from 0 to 1.
template <class P>
class HostOutlineSink {
public:
    HostOutlineSink(const TonedotOutlineSuite1& suite, PF_ProgPtr ref) : suite_(suite), ref_(ref) {}
    void Outline(VertexList& vertices, const AffineTransform& transform, const P& color) {
        if (err_ != PF_Err_NONE) return;
        points_.clear();
        for (size_t k = 0; k < vertices.size(); ++k) {
            points_.push_back(transform.MapX(vertices[k].x, vertices[k].y));
            points_.push_back(transform.MapY(vertices[k].x, vertices[k].y));
        }
        const double rgba[4] = {PixelTraits<P>::ToUnit(color.red), PixelTraits<P>::ToUnit(color.green),
                                PixelTraits<P>::ToUnit(color.blue), PixelTraits<P>::ToUnit(color.alpha)};
        err_ = suite_.AddOutline(ref_, points_.data(), static_cast<A_long>(vertices.size()), rgba);
    }
    PF_Err Err() const { return err_; }

private:
    const TonedotOutlineSuite1& suite_;
    PF_ProgPtr ref_;
    std::vector<double> points_;
    PF_Err err_ = PF_Err_NONE;
};

// `record` is the frame's own copy: its size values are scaled in place.
template <class P>
PF_Err RenderFrame(RenderRecord& record) {
    PF_InData* in_data = record.inData;
    PF_EffectWorld* output = record.output;
    Look::ParamValues& values = Look::ValuesOf(record);
    SuiteHolder suites(in_data->pica_basicP);

    // The whole output becomes transparent black.
    const PF_Pixel transparent = {0, 0, 0, 0};
    const PF_Rect whole = {0, 0, output->width, output->height};
    PF_Err err = suites.FillMatteSuite2()->fill(in_data->effect_ref, &transparent, &whole, output);

    if (err == PF_Err_NONE && !values.clearBackground) {
        PF_Rect source, dest;
        if (SourceCopyRects(*record.input, *output, &source, &dest)) {
            const PF_WorldTransformSuite1* transform = suites.WorldTransformSuite1();
            err = in_data->quality == PF_Quality_HI
                      ? transform->copy_hq(in_data->effect_ref, record.input, output, &source, &dest)
                      : transform->copy(in_data->effect_ref, record.input, output, &source, &dest);
        }
    }
    if (err != PF_Err_NONE) return err;

    const double dsx = AEUtil::DownsampleFactor(in_data->downsample_x);
    const double dsy = AEUtil::DownsampleFactor(in_data->downsample_y);
    const A_long layerWidth = static_cast<A_long>(in_data->width * dsx + 0.5);
    const A_long layerHeight = static_cast<A_long>(in_data->height * dsy + 0.5);
    ScaleToDownsampling(values, dsx, dsy);
    // A host that asks for outlines gets the dots' outlines instead of their pixels.
    OutlineSuiteHolder outlines(in_data);
    if (const TonedotOutlineSuite1* suite = outlines.Wanted()) {
        HostOutlineSink<P> sink(*suite, in_data->effect_ref);
        if (!TraceFrameDots<P>(record, layerWidth, layerHeight, sink)) return TooManyDots<P>(record);
        return sink.Err();
    }

    AEUtil::EffectWorldPtr dotLayer =
        AEUtil::WorldSuite::newWorld(in_data, layerWidth, layerHeight, record.pixelFormat);
    {
        DotCanvas<P> canvas(dotLayer->data, dotLayer->width, dotLayer->height,
                            dotLayer->rowbytes);
        err = DrawDots<P>(record, canvas);
    }
    if (err != PF_Err_NONE) return err;

    const DotLayerTransfer transfer = {record.input,
                                       output,
                                       dotLayer.get(),
                                       values.mask,
                                       AEUtil::LayerOrNull(values.maskTargetLayer),
                                       values.invertMask != 0,
                                       record.smart != 0};
    return TransferDotLayer(in_data, suites, transfer);
}

}  // namespace Render
