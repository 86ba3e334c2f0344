// tonedot_make_panels OUTPUT_FOLDER: the editors' panels of the filter (EditorPanels.h),
// made at build time from the effect's registered parameters with the factory defaults:
//   OUTPUT_FOLDER/kdenlive/frei0r_tonedot.xml
//   OUTPUT_FOLDER/shotcut/tonedot/meta.qml and ui.qml
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include "effect/Identity.h"
#include "frei0r/EditorPanels.h"
#include "session/EffectSession.h"

extern "C" PF_Err EntryPointFunc(PF_Cmd, PF_InData*, PF_OutData*, PF_ParamDef*[], PF_LayerDef*, void*);

namespace {

void Write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    try {
        using namespace tonedot::frei0r;
        tonedot::session::EffectSession session(&EntryPointFunc, true);
        const std::vector<Frei0rParam> params = Frei0rParams(session.Params());
        const PanelIdentity identity{Identity::kName, Identity::kSummary, Identity::kMaker};
        const std::filesystem::path out = argv[1];
        Write(out / "kdenlive" / "frei0r_tonedot.xml", KdenliveEffect(params, identity));
        Write(out / "shotcut" / "tonedot" / "meta.qml", ShotcutMeta(identity));
        Write(out / "shotcut" / "tonedot" / "ui.qml", ShotcutUi(params));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tonedot_make_panels: %s\n", e.what());
        return 1;
    }
    return 0;
}
