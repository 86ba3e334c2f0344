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
#include "params/ParamGetter.h"
#include "params/ParamRegistry.h"
#include "render/AffineTransform.h"
#include "render/DotShapes.h"
#include "render/DrawDots.h"
#include "render/RenderFrame.h"
#include "render/VertexList.h"

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

template <class P>
void WriteDots(std::ostringstream& svg, const RenderRecord& record, int width, int height) {
    DotList<P> list;
    uint64_t count = 0;
    if (!LayOutFrameDots<P>(record, width, height, list, count))
        throw RenderError("the frame holds too many dots for vector output.");
    VertexList vertices;
    const size_t n = list.dots.size();
    for (size_t i = 0; i < n; ++i) {
        const DotRecord<P>& dot = list.dots[list.noOrdering ? i : n - 1 - i];
        if (dot.width == 0.0 || dot.height == 0.0) continue;
        if (!std::isfinite(dot.width) || !std::isfinite(dot.height) || !std::isfinite(dot.x) ||
            !std::isfinite(dot.y) || !std::isfinite(dot.rotation))
            continue;
        AffineTransform transform = AffineTransform::Identity();
        transform.Translate(dot.x, dot.y);
        transform.Rotate(dot.rotation);
        if (!BuildDotOutline(vertices, transform, dot.shape, dot.width, dot.height) || vertices.empty())
            continue;
        const double alpha = PixelTraits<P>::ToUnit(dot.color.alpha);
        if (!(alpha > 0)) continue;
        char colour[8];
        std::snprintf(colour, sizeof colour, "#%02X%02X%02X", Byte<P>(dot.color.red),
                      Byte<P>(dot.color.green), Byte<P>(dot.color.blue));
        svg << "<path d=\"M";
        for (size_t k = 0; k < vertices.size(); ++k) {
            const OutlineVertex& v = vertices[k];
            svg << (k ? " " : "") << Num(transform.MapX(v.x, v.y)) << " " << Num(transform.MapY(v.x, v.y));
        }
        svg << "Z\" fill=\"" << colour << "\"";
        if (alpha < 1) svg << " fill-opacity=\"" << Num(alpha < 0.001 ? 0.001 : alpha) << "\"";
        svg << "/>\n";
    }
}

}  // namespace

std::string FrameDotsSvg(EffectSession& session, Instance& instance, const PreparedFrame& frame) {
    Host& host = session.GetHost();
    PF_InData inData = host.MakeInData(instance);
    const InstanceContext& c = instance.context;
    ParamArray array = tonedot::Params(instance).MakeParamArray(c.currentTime, c.timeScale);
    if (frame.context.smartPath) {
        // The smart path checks the layers out whatever the controls' state.
        for (PF_ParamDef& def : array.defs) def.ui_flags &= ~PF_PUI_DISABLED;
    }
    const double dsx = 1.0 / frame.context.downsampleX, dsy = 1.0 / frame.context.downsampleY;
    const int width = static_cast<int>(c.width * dsx + 0.5);
    const int height = static_cast<int>(c.height * dsy + 0.5);

    std::ostringstream svg;
    svg << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << height
        << "\" viewBox=\"0 0 " << width << " " << height << "\">\n"
        << "<!-- T_Tonedot dots of frame " << frame.context.frame << ", drawing order -->\n";

    std::lock_guard<std::mutex> lock(DescriptorMutex());
    static bool built = false;
    if (!built) {
        BuildParamList(&inData);
        built = true;
    }
    RenderRecord record = NewRenderRecord();
    record.inData = &inData;
    record.smart = frame.context.smartPath ? 1 : 0;
    record.pixelFormat = frame.input->Format();
    GetParamFromArray getter(array.data());
    const PF_Err err = FetchParams(&record.values, getter);
    if (err != PF_Err_NONE)
        throw RenderError("cannot read the frame's parameters for vector output: " + HostErrorText(err, "") + ".");
    record.values.maskTargetLayer = PresentOrNull(record.values.maskTargetLayer);
    for (EffectorParams& e : record.values.effector) e.customMapLayer = PresentOrNull(e.customMapLayer);
    ScaleToDownsampling(record.values, dsx, dsy);

    WithPixelType(DepthFromFormat(record.pixelFormat),
                  [&](auto p) { WriteDots<decltype(p)>(svg, record, width, height); });
    svg << "</svg>\n";
    return svg.str();
}

}  // namespace tonedot::cli
