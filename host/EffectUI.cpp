#include "host/EffectUI.h"
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace tonedot {

namespace {

// Host-wide UI state, kept with the host's first instance.
struct HostWindows {
    explicit HostWindows(Instance&) {}
    void* mainWindow = nullptr;
};

HostWindows& Windows(Host& host) { return host.Main().Extension<HostWindows>(); }

PF_Err PlatformData(PF_ProgPtr ref, PF_PlatDataID which, void* data)
{
    Instance* instance = Instance::FromRef(ref);
    if (!instance || !data) return PF_Err_BAD_CALLBACK_PARAM;
    switch (which) {
    case PF_PlatData_MAIN_WND:
        *static_cast<void**>(data) = Windows(instance->host()).mainWindow;
        return PF_Err_NONE;
    default:
        return PF_Err_BAD_CALLBACK_PARAM;
    }
}

bool Supervised(Host& host, A_long index)
{
    PF_ParamDef def{};
    return Catalog(host).Definition(index, &def) && (def.flags & PF_ParamFlag_SUPERVISE) != 0;
}

// Sets an environment variable for the length of one command and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        Set(value.c_str());
    }
    ~ScopedEnv() { Set(had_ ? old_.c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const char* value)
    {
#ifdef _WIN32
        _putenv_s(name_, value ? value : "");
#else
        if (value) setenv(name_, value, 1);
        else unsetenv(name_);
#endif
    }
    const char* name_;
    bool had_ = false;
    std::string old_;
};

std::string TranscriptPath()
{
    static int serial = 0;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = static_cast<int>(getpid());
#endif
    return folder + "/tonedot-dialog-" + std::to_string(pid) + "-" + std::to_string(++serial) +
           ".txt";
}

}  // namespace

void InstallEffectUI(Host& host) { host.utils.get_platform_data = &PlatformData; }

void SetMainWindow(Host& host, void* window) { Windows(host).mainWindow = window; }

CallResult SendUpdateParamsUI(Host& host, Instance& instance)
{
    if (!(host.DeclaredOutFlags() & PF_OutFlag_SEND_UPDATE_PARAMS_UI)) return CallResult{};
    ParamArray params =
        Params(instance).MakeParamArray(instance.context.currentTime, instance.context.timeScale);
    return host.Send(PF_Cmd_UPDATE_PARAMS_UI, instance, params.data());
}

CallResult UserChangesParam(Host& host, Instance& instance, A_long index,
                            const std::function<void(InstanceParams&)>& change)
{
    InstanceParams& values = Params(instance);
    if (change) change(values);
    if (Supervised(host, index)) {
        ParamArray params =
            values.MakeParamArray(instance.context.currentTime, instance.context.timeScale);
        PF_UserChangedParamExtra extra{index};
        CallResult changed = host.Send(PF_Cmd_USER_CHANGED_PARAM, instance, params.data(),
                                       nullptr, &extra);
        if (changed.err != PF_Err_NONE) return changed;
        values.TakeChangedValues(params);
    }
    return SendUpdateParamsUI(host, instance);
}

CallResult RunOptionsDialogCommand(Host& host, Instance& instance, const std::string& script,
                                   std::vector<std::string>* transcript)
{
    const std::string path = TranscriptPath();
    std::remove(path.c_str());
    CallResult result;
    {
        ScopedEnv scriptEnv("TONEDOT_DIALOG_SCRIPT", script);
        ScopedEnv transcriptEnv("TONEDOT_DIALOG_TRANSCRIPT", path);
        ParamArray params = Params(instance).MakeParamArray(instance.context.currentTime,
                                                            instance.context.timeScale);
        result = host.Send(PF_Cmd_DO_DIALOG, instance, params.data());
    }
    if (transcript) {
        transcript->clear();
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) transcript->push_back(line);
    }
    std::remove(path.c_str());
    return result;
}

}  // namespace tonedot
