// tonedot-host: loads the effect library as the host does and shows what it declares.
//   tonedot-host [path-to-effect-library]
#include <cstdio>
#include <string>

#include "host/Host.h"
#include "host/ParamServices.h"

namespace {

struct FlagName {
    A_long bit;
    const char* name;
};

const FlagName kOutFlags[] = {
    {PF_OutFlag_WIDE_TIME_INPUT, "WIDE_TIME_INPUT"},
    {PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING, "SEQUENCE_DATA_NEEDS_FLATTENING"},
    {PF_OutFlag_I_DO_DIALOG, "I_DO_DIALOG"},
    {PF_OutFlag_USE_OUTPUT_EXTENT, "USE_OUTPUT_EXTENT"},
    {PF_OutFlag_DEEP_COLOR_AWARE, "DEEP_COLOR_AWARE"},
    {PF_OutFlag_SEND_UPDATE_PARAMS_UI, "SEND_UPDATE_PARAMS_UI"},
};

const FlagName kOutFlags2[] = {
    {PF_OutFlag2_SUPPORTS_QUERY_DYNAMIC_FLAGS, "SUPPORTS_QUERY_DYNAMIC_FLAGS"},
    {PF_OutFlag2_PARAM_GROUP_START_COLLAPSED_FLAG, "PARAM_GROUP_START_COLLAPSED_FLAG"},
    {PF_OutFlag2_I_AM_THREADSAFE, "I_AM_THREADSAFE"},
    {PF_OutFlag2_SUPPORTS_SMART_RENDER, "SUPPORTS_SMART_RENDER"},
    {PF_OutFlag2_FLOAT_COLOR_AWARE, "FLOAT_COLOR_AWARE"},
    {PF_OutFlag2_SUPPORTS_GET_FLATTENED_SEQUENCE_DATA, "SUPPORTS_GET_FLATTENED_SEQUENCE_DATA"},
    {PF_OutFlag2_SUPPORTS_THREADED_RENDERING, "SUPPORTS_THREADED_RENDERING"},
};

template <size_t N>
void PrintFlags(const char* label, A_long value, const FlagName (&names)[N]) {
    std::printf("%s 0x%08X", label, static_cast<unsigned>(value));
    A_long known = 0;
    for (const FlagName& flag : names) {
        if (value & flag.bit) std::printf(" %s", flag.name);
        known |= flag.bit;
    }
    if (value & ~known) std::printf(" (other bits 0x%08X)", static_cast<unsigned>(value & ~known));
    std::printf("\n");
}

const char* StageName(unsigned stage) {
    switch (stage) {
        case PF_Stage_DEVELOP: return "develop";
        case PF_Stage_ALPHA: return "alpha";
        case PF_Stage_BETA: return "beta";
        default: return "release";
    }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef TONEDOT_EFFECT_PATH
    std::string path = TONEDOT_EFFECT_PATH;
#else
    std::string path;
#endif
    if (argc > 1) path = argv[1];
    if (path.empty() || argc > 2) {
        std::fprintf(stderr, "usage: tonedot-host [path-to-effect-library]\n");
        return 2;
    }

    tonedot::Host host(path);
    if (!host.Loaded()) {
        std::fprintf(stderr, "tonedot-host: %s\n", host.LoadError().c_str());
        return 1;
    }
    std::printf("effect library: %s\n", path.c_str());

    tonedot::CallResult setup = host.Send(PF_Cmd_GLOBAL_SETUP);
    if (setup.err != PF_Err_NONE) {
        std::fprintf(stderr, "PF_Cmd_GLOBAL_SETUP failed with %d: %s\n", setup.err,
                     setup.Message().c_str());
        return 1;
    }
    const unsigned v = setup.out.my_version;
    const unsigned major = ((v >> PF_Vers_VERS_SHIFT) & PF_Vers_VERS_BITS) |
                           (((v >> PF_Vers_VERS_HIGH_SHIFT) & PF_Vers_VERS_HIGH_BITS)
                            << PF_Vers_VERS_LOW_SHIFT);
    std::printf("version 0x%08X = %u.%u.%u %s, build %u\n", v, major,
                static_cast<unsigned>((v >> PF_Vers_SUBVERS_SHIFT) & PF_Vers_SUBVERS_BITS),
                static_cast<unsigned>((v >> PF_Vers_BUGFIX_SHIFT) & PF_Vers_BUGFIX_BITS),
                StageName((v >> PF_Vers_STAGE_SHIFT) & PF_Vers_STAGE_BITS),
                static_cast<unsigned>((v >> PF_Vers_BUILD_SHIFT) & PF_Vers_BUILD_BITS));
    PrintFlags("out_flags ", setup.out.out_flags, kOutFlags);
    PrintFlags("out_flags2", setup.out.out_flags2, kOutFlags2);

    tonedot::CallResult about = host.Send(PF_Cmd_ABOUT);
    std::string text = about.Message();
    for (char& c : text) {
        if (c == '\r') c = '\n';  // the About text breaks lines the Windows way
    }
    std::printf("About (result %d):\n%s\n", about.err, text.c_str());

    tonedot::CallResult params = host.Send(PF_Cmd_PARAMS_SETUP);
    std::printf("Parameters (result %d, %d host parameters; index id name kind range default):\n%s",
                params.err, params.out.num_params, tonedot::DescribeParams(host).c_str());

    tonedot::CallResult setdown = host.Send(PF_Cmd_GLOBAL_SETDOWN);
    const std::string leaks = host.LeakReport();
    if (!leaks.empty()) {
        std::fprintf(stderr, "tonedot-host: the effect left behind: %s\n", leaks.c_str());
        return 1;
    }
    return (about.err == PF_Err_NONE && params.err == PF_Err_NONE &&
            setdown.err == PF_Err_NONE)
               ? 0
               : 1;
}
