#include "cli/DotVectors.h"

#include <charconv>
#include <cmath>
#include <mutex>
#include <sstream>

#include "AEUtil/Pixel.h"
#include "AEUtil/RenderRecord.h"
#include "cli/ExitCodes.h"
#include "effect/ParamTable.h"
#include "host/ParamServices.h"
#include "look/ParamValues.h"
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"
#include "render/drawing/DotTracer.h"
#include "render/frame/DrawDots.h"
#include "render/frame/RenderFrame.h"
#include "render/raster/AffineTransform.h"
#include "render/raster/VertexList.h"

using namespace Look;
using namespace Params;
using namespace Render;

namespace tonedot::cli {
namespace {

// The effect's descriptors, linked into this program, fill the value record exactly as
// they do inside the effect.  Their keeping-mode fetch writes the descriptors' own
// definitions, so one frame at a time.
std::mutex& DescriptorMutex() {
    static std::mutex m;
    return m;
}

std::string Num(double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, std::round(v * 1000.0) / 1000.0,
                                 std::chars_format::fixed, 3);
    std::string s(buffer, r.ptr);
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

template <class P>
int Byte(typename PixelTraits<P>::Channel c) {
    const double u = PixelTraits<P>::ToUnit(c);
    const double clamped = u < 0 ? 0 : (u > 1 ? 1 : u);
    return static_cast<int>(clamped * 255.0 + 0.5);
}

PF_EffectWorld* PresentOrNull(PF_EffectWorld* world) {
    return world && world->data ? world : nullptr;
}

// The outline sink of vector output: each dot a closed path, its points mapped onto the
// layer, in its colour and opacity.  Fully transparent dots and empty outlines are left out.
template <class P>
class SvgPathSink {
public:
    explicit SvgPathSink(std::ostream& out) : out_(out) {}

    void Outline(VertexList& vertices, const AffineTransform& transform, const P& color) {
        if (vertices.empty()) return;
        const double alpha = PixelTraits<P>::ToUnit(color.alpha);
        if (!(alpha > 0)) return;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02X%02X%02X", Byte<P>(color.red), Byte<P>(color.green),
                      Byte<P>(color.blue));
        out_ << "<path d=\"M";
        for (size_t k = 0; k < vertices.size(); ++k) {
            const OutlineVertex& v = vertices[k];
            out_ << (k ? " " : "") << Num(transform.MapX(v.x, v.y)) << " " << Num(transform.MapY(v.x, v.y));
        }
        out_ << "Z\" fill=\"" << colour << "\"";
        if (alpha < 1) out_ << " fill-opacity=\"" << Num(alpha < 0.001 ? 0.001 : alpha) << "\"";
        out_ << "/>\n";
    }

private:
    std::ostream& out_;
};

struct SvgSize {
    int width;
    int height;
};

// The dot layer's size: the layer at the current downsampling.
SvgSize FrameDotsSvgSize(const Instance& instance, const PreparedFrame& frame) {
    const InstanceContext& c = instance.context;
    const double dsx = 1.0 / frame.context.downsampleX, dsy = 1.0 / frame.context.downsampleY;
    return {static_cast<int>(c.width * dsx + 0.5), static_cast<int>(c.height * dsy + 0.5)};
}

}  // namespace

void WriteFrameDotPaths(std::ostream& out, EffectSession& session, Instance& instance, const PreparedFrame& frame) {
    Host& host = session.GetHost();
    PF_InData inData = host.MakeInData(instance);
    const InstanceContext& c = instance.context;
    ParamArray array = tonedot::Params(instance).MakeParamArray(c.currentTime, c.timeScale);
    if (frame.context.smartPath) {
        // The smart path checks the layers out whatever the controls' state.
        for (PF_ParamDef& def : array.defs) def.ui_flags &= ~PF_PUI_DISABLED;
    }
    const double dsx = 1.0 / frame.context.downsampleX, dsy = 1.0 / frame.context.downsampleY;
    const SvgSize size = FrameDotsSvgSize(instance, frame);

    std::lock_guard<std::mutex> lock(DescriptorMutex());
    static bool built = false;
    if (!built) {
        BuildParamList(&inData);
        built = true;
    }
    ParamValues values{};
    RenderRecord record = NewRenderRecord();
    record.values = &values;
    record.inData = &inData;
    record.smart = frame.context.smartPath ? 1 : 0;
    record.pixelFormat = frame.input->Format();
    GetParamFromArray getter(array.data());
    const PF_Err err = FetchParams(&values, getter);
    if (err != PF_Err_NONE)
        throw RenderError("cannot read the frame's parameters for vector output: " + HostErrorText(err, "") + ".");
    values.maskTargetLayer = PresentOrNull(values.maskTargetLayer);
    for (EffectorParams& e : values.effector) e.customMapLayer = PresentOrNull(e.customMapLayer);
    ScaleToDownsampling(values, dsx, dsy);

    WithPixelType(DepthFromFormat(record.pixelFormat), [&](auto p) {
        using P = decltype(p);
        SvgPathSink<P> sink(out);
        if (!TraceFrameDots<P>(record, size.width, size.height, sink))
            throw RenderError("the frame holds too many dots for vector output.");
    });
}

std::string FrameDotsSvg(EffectSession& session, Instance& instance, const PreparedFrame& frame) {
    const SvgSize size = FrameDotsSvgSize(instance, frame);
    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << size.width << "\" height=\"" << size.height
        << "\" viewBox=\"0 0 " << size.width << " " << size.height << "\">\n"
        << "<!-- T_Tonedot dots of frame " << frame.context.frame << ", drawing order -->\n";
    WriteFrameDotPaths(svg, session, instance, frame);
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace tonedot::cli
