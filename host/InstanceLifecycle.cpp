#include "host/InstanceLifecycle.h"
#include <cstring>
#include <fstream>
#include <sstream>
#include "host/EffectUI.h"
#include "host/ParamServices.h"

namespace tonedot {

namespace {

const char kProjectMark[] = "tonedot-project 1";

std::string Hex(const void* data, size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

bool FromHex(const std::string& text, std::vector<uint8_t>& out)
{
    if (text.size() % 2) return false;
    out.clear();
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<uint8_t>(hi << 4 | lo));
    }
    return true;
}

bool IsLayer(const PF_ParamDef& def) { return def.param_type == PF_Param_LAYER; }

// The registered definition's union with only the value fields taken from a saved project;
// pointers a project may hold (choice strings, labels) are never trusted.
PF_ParamDefUnion SavedValueOver(const PF_ParamDef& registered, const PF_ParamDefUnion& saved)
{
    PF_ParamDefUnion u = registered.u;
    switch (registered.param_type) {
    case PF_Param_POPUP: u.pd.value = saved.pd.value; break;
    case PF_Param_SLIDER: u.sd.value = saved.sd.value; break;
    case PF_Param_FLOAT_SLIDER: u.fs_d.value = saved.fs_d.value; break;
    case PF_Param_ANGLE: u.ad.value = saved.ad.value; break;
    case PF_Param_CHECKBOX: u.bd.value = saved.bd.value; break;
    case PF_Param_COLOR: u.cd.value = saved.cd.value; break;
    case PF_Param_POINT:
        u.td.x_value = saved.td.x_value;
        u.td.y_value = saved.td.y_value;
        break;
    default: break;
    }
    return u;
}

}  // namespace

std::vector<uint8_t> HandleBytes(Host& host, PF_Handle handle)
{
    std::vector<uint8_t> bytes;
    if (!handle) return bytes;
    const auto size = static_cast<size_t>(host.Handles().Size(handle));
    if (const void* p = host.Handles().Lock(handle)) {
        bytes.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
        host.Handles().Unlock(handle);
    }
    return bytes;
}

PF_Handle HandleWithBytes(Host& host, const std::vector<uint8_t>& bytes)
{
    PF_Handle handle = host.Handles().New(bytes.size());
    if (!handle) return nullptr;
    if (void* p = host.Handles().Lock(handle)) {
        if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
        host.Handles().Unlock(handle);
    }
    return handle;
}

CallResult ApplyEffect(Host& host, Instance& instance)
{
    CallResult setup = host.Send(PF_Cmd_SEQUENCE_SETUP, instance);
    if (setup.err != PF_Err_NONE) return setup;
    CallResult ui = SendUpdateParamsUI(host, instance);
    return ui.err != PF_Err_NONE ? ui : setup;
}

CallResult SaveInstance(Host& host, Instance& instance, SavedInstance& saved)
{
    CallResult flat = host.Send(PF_Cmd_SEQUENCE_FLATTEN, instance);
    if (flat.err != PF_Err_NONE) return flat;
    PF_Handle flatHandle = instance.sequenceData;
    saved.sequenceData = HandleBytes(host, flatHandle);

    // Values by parameter id, as a project stores them.
    saved.values.clear();
    ParamCatalog& catalog = Catalog(host);
    InstanceParams& params = Params(instance);
    for (A_long i = 1; i < catalog.Count(); ++i) {
        PF_ParamDef def{};
        if (!catalog.Definition(i, &def) || IsLayer(def)) continue;
        PF_ParamDef value{};
        if (params.ValueAt(i, instance.context.currentTime, instance.context.timeScale, &value) ==
            PF_Err_NONE)
            saved.values[def.uu.id] = value.u;
    }

    // The host goes on working with the instance: it rebuilds the live data from the flat
    // handle, then frees the flat handle itself.
    CallResult resetup = host.Send(PF_Cmd_SEQUENCE_RESETUP, instance);
    if (flatHandle && instance.sequenceData != flatHandle) host.Handles().Dispose(flatHandle);
    return resetup;
}

CallResult SaveProject(Host& host, const std::vector<Instance*>& instances, Project& project)
{
    project.instances.clear();
    CallResult last;
    for (Instance* instance : instances) {
        SavedInstance saved;
        last = SaveInstance(host, *instance, saved);
        if (last.err != PF_Err_NONE) return last;
        project.instances.push_back(std::move(saved));
    }
    return last;
}

CallResult OpenInstance(Host& host, const SavedInstance& saved, Instance*& opened)
{
    Instance& instance = host.NewInstance();
    opened = &instance;
    ParamCatalog& catalog = Catalog(host);
    for (const auto& entry : saved.values) {
        const A_long index = catalog.IndexOfId(entry.first);
        PF_ParamDef def{};
        if (index > 0 && catalog.Definition(index, &def) && !IsLayer(def))
            Params(instance).SetValue(index, SavedValueOver(def, entry.second));
    }
    PF_Handle stored = saved.sequenceData.empty() ? nullptr : HandleWithBytes(host, saved.sequenceData);
    instance.sequenceData = stored;
    CallResult resetup = host.Send(PF_Cmd_SEQUENCE_RESETUP, instance);
    if (stored && instance.sequenceData != stored) host.Handles().Dispose(stored);
    if (resetup.err != PF_Err_NONE) {
        if (instance.sequenceData == stored) instance.sequenceData = nullptr;
        return resetup;
    }
    CallResult ui = SendUpdateParamsUI(host, instance);
    return ui.err != PF_Err_NONE ? ui : resetup;
}

CallResult GetFlattened(Host& host, Instance& instance, std::vector<uint8_t>& bytes)
{
    CallResult result = host.Send(PF_Cmd_GET_FLATTENED_SEQUENCE_DATA, instance);
    bytes.clear();
    PF_Handle copy = result.out.sequence_data;
    if (result.err == PF_Err_NONE && copy && copy != instance.sequenceData) {
        bytes = HandleBytes(host, copy);
        host.Handles().Dispose(copy);
    }
    return result;
}

CallResult RemoveEffect(Host& host, Instance& instance)
{
    return host.Send(PF_Cmd_SEQUENCE_SETDOWN, instance);
}

std::string Project::Serialize() const
{
    std::ostringstream out;
    out << kProjectMark << "\n";
    for (const SavedInstance& s : instances) {
        out << "instance\n";
        out << "sequence " << Hex(s.sequenceData.data(), s.sequenceData.size()) << "\n";
        for (const auto& v : s.values)
            out << "value " << v.first << " " << Hex(&v.second, sizeof v.second) << "\n";
        out << "end\n";
    }
    return out.str();
}

bool Project::Parse(const std::string& text, Project& out)
{
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kProjectMark) return false;
    Project project;
    SavedInstance* current = nullptr;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word.empty()) continue;
        if (word == "instance") {
            if (current) return false;
            project.instances.emplace_back();
            current = &project.instances.back();
        } else if (word == "end") {
            if (!current) return false;
            current = nullptr;
        } else if (word == "sequence" && current) {
            std::string hex;
            words >> hex;
            if (!FromHex(hex, current->sequenceData)) return false;
        } else if (word == "value" && current) {
            A_long id = 0;
            std::string hex;
            std::vector<uint8_t> bytes;
            if (!(words >> id >> hex) || !FromHex(hex, bytes) || bytes.size() != sizeof(PF_ParamDefUnion))
                return false;
            PF_ParamDefUnion value;
            std::memcpy(&value, bytes.data(), sizeof value);
            current->values[id] = value;
        } else {
            return false;
        }
    }
    if (current) return false;
    out = std::move(project);
    return true;
}

bool Project::WriteFile(const std::string& path) const
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << Serialize();
    return static_cast<bool>(f);
}

bool Project::ReadFile(const std::string& path, Project& out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream text;
    text << f.rdbuf();
    return Parse(text.str(), out);
}

}  // namespace tonedot
