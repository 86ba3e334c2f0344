#include "cli/FrameRenderer.h"

#include <memory>
#include <vector>

#include "cli/AtomicFile.h"
#include "cli/ExitCodes.h"
#include "cli/FrameMemory.h"
#include "cli/ImageFile.h"
#include "session/DotVectors.h"

namespace tonedot::cli {

FrameRenderer::FrameRenderer(EffectSession& session, const RenderPlan& plan, const ParamSettings& settings)
    : session_(session), plan_(plan), settings_(settings) {
    for (const ParamInfo& info : session_.Params().All()) {
        if (info.index == 0 || info.kind != ParamKind::Layer) continue;
        auto it = settings_.find(info.index);
        const ParamValue value = it != settings_.end() ? it->second : RegisteredValue(info);
        if (value.layer == LayerChoice::File) ++layerFiles_;
    }
}

void FrameRenderer::Run(Instance& instance, long frame) {
    const std::string inputPath = plan_.input.Expand(frame);
    const std::string outputPath = plan_.output.Expand(frame);
    // The frame's need is weighed against the memory there is before it is decoded.
    const ImageHeader header = ReadImageHeader(inputPath);
    const Depth depth = plan_.depth.value_or(header.fileDepth);
    const std::uint64_t need = FrameNeed(header.width, header.height, depth, layerFiles_,
                                         plan_.context.downsampleX, plan_.context.downsampleY);
    const std::uint64_t available = AvailableMemory();
    if (need > available)
        throw CliError(kExitMemory, "frame " + std::to_string(frame) + " (\"" + inputPath + "\", " +
                                        std::to_string(header.width) + " x " + std::to_string(header.height) +
                                        ", " + std::to_string(static_cast<int>(depth)) + "-bit) needs about " +
                                        Megabytes(need) + " of memory and only " + Megabytes(available) +
                                        " is available; render it with --downsample, a lower --depth or fewer --jobs.");

    LoadedImage loaded = ReadImage(inputPath, plan_.depth);
    const std::shared_ptr<const SourceTraits> traits = loaded.traits;
    FrameContext context = plan_.context;
    context.frame = frame;
    context.layerWidth = loaded.picture.Width();
    context.layerHeight = loaded.picture.Height();
    const Depth renderDepth = loaded.picture.GetDepth();
    const bool reduce = context.downsampleX > 1 || context.downsampleY > 1;
    Picture input = reduce ? Downsample(loaded.picture, context.downsampleX, context.downsampleY)
                           : std::move(loaded.picture);
    loaded.picture = Picture();

    FrameLayers layers;
    layers.input = &input;
    std::vector<std::shared_ptr<const Picture>> held;
    for (const ParamInfo& info : session_.Params().All()) {
        if (info.index == 0 || info.kind != ParamKind::Layer) continue;
        auto it = settings_.find(info.index);
        const ParamValue value = it != settings_.end() ? it->second : RegisteredValue(info);
        if (value.layer == LayerChoice::Self) {
            layers.layers[info.index] = &input;
        } else if (value.layer == LayerChoice::File) {
            const FramePattern pattern =
                plan_.sequence ? FramePattern(value.layerFile) : FramePattern::Literal(value.layerFile);
            const std::string path = pattern.Expand(frame);
            std::shared_ptr<const Picture> picture =
                pattern.HasField() ? files_.Read(path, renderDepth, value.layerLuma, info.name)
                                   : files_.Get(path, renderDepth, value.layerLuma, info.name);
            if (reduce)
                picture = std::make_shared<const Picture>(
                    Downsample(*picture, context.downsampleX, context.downsampleY));
            held.push_back(picture);
            layers.layers[info.index] = picture.get();
        }
    }

    session_.ApplySettings(instance, settings_, context);
    PreparedFrame prepared = session_.Prepare(instance, context, layers);
    // The host holds its own copies now.
    input = Picture();
    held.clear();
    const RenderedFrame result = session_.RenderFrame(instance, prepared);
    std::string svg;
    if (plan_.svg) svg = FrameDotsSvg(session_, instance, prepared);
    WriteOptions options;
    options.compression = plan_.encoding.compression;
    options.compressionLevel = plan_.encoding.compressionLevel;
    options.jpegQuality = plan_.encoding.jpegQuality;
    options.source = traits.get();
    WriteImage(outputPath, result.View(), options);
    if (plan_.svg) WriteTextFileAtomically(plan_.svg->Expand(frame), svg);
}

}  // namespace tonedot::cli
