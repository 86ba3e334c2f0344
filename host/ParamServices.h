// The stand-in host's parameter services: the definitions the effect adds at
// PF_Cmd_PARAMS_SETUP, each instance's parameter values over time and UI flags, checking
// parameters out and in (counted), the "PF Param Utils Suite" (2 and 3, recording every
// PF_UpdateParamUI) and the "PF AE App Suite" 7 with a configurable language.
//
// Values are held per instance as keys in time: a checkout at time t gets the last key at or
// before t (the first key before all keys); a parameter without keys has the default the
// effect registered.
#pragma once
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "AEUtil/HostApi.h"

namespace tonedot {

class Host;
class Instance;

// What the effect registered: position 0 is the input layer, positions 1.. the parameters
// in the order they were added.  One per host.
class ParamCatalog {
public:
    explicit ParamCatalog(Instance&);

    std::vector<PF_ParamDef> Definitions();
    // Number of host parameters (input layer included).
    A_long Count();
    // Host index of the parameter with this display name (first match), or 0.
    A_long IndexOf(const std::string& name);
    // Host index of the parameter with this id, or 0.
    A_long IndexOfId(A_long id);
    // The registered definition of `index`; false when there is none.
    bool Definition(A_long index, PF_ParamDef* out);

    // add_param answers `error` from the (n+1)-th add on (n = `after`).
    void FailAddAfter(size_t after, PF_Err error);
    // "PF AE App Suite" 7's language answer (five letters, e.g. "ja_JP"), and an error the
    // query returns instead (the buffer then stays as the effect cleared it).
    void SetLanguage(const std::string& tag, PF_Err error = PF_Err_NONE);

    // Forgets every definition (the host does this before each PF_Cmd_PARAMS_SETUP).
    void Reset();

    // Called by the callbacks.
    PF_Err Add(PF_ParamIndex index, const PF_ParamDef& def);
    PF_Err Language(A_char* tag);

private:
    std::mutex mutex_;
    std::vector<PF_ParamDef> defs_;
    size_t failAfter_ = static_cast<size_t>(-1);
    PF_Err failError_ = PF_Err_NONE;
    std::string language_ = "en_US";
    PF_Err languageError_ = PF_Err_NONE;
};

// A parameter array for one command, as the host hands it to the effect.
struct ParamArray {
    std::vector<PF_ParamDef> defs;
    std::vector<PF_ParamDef*> pointers;
    PF_ParamDef** data() { return pointers.data(); }
};

// One recorded PF_UpdateParamUI call.
struct ParamUIUpdate {
    A_long index;
    PF_ParamDef def;
};

// One instance's parameter state.
class InstanceParams {
public:
    explicit InstanceParams(Instance& instance);

    // Sets the value part (the PF_ParamDefUnion) of `index` from `value`: with `seconds`
    // given, as a key at that time, otherwise for all times (dropping every key).
    void SetValue(A_long index, const PF_ParamDefUnion& value);
    void SetValueAt(A_long index, double seconds, const PF_ParamDefUnion& value);
    // Convenience setters on top of the registered definition (all times).
    void SetPopup(A_long index, A_long choice);
    void SetSlider(A_long index, A_long value);
    void SetFloat(A_long index, double value);
    void SetAngle(A_long index, double degrees);
    void SetCheckbox(A_long index, bool on);
    void SetColor(A_long index, A_u_char red, A_u_char green, A_u_char blue);
    void SetPoint(A_long index, double x, double y);
    // The world a checkout of a layer parameter (or index 0, the input) answers with; null
    // answers an empty layer.
    void SetLayer(A_long index, const PF_LayerDef* layer);

    // The definition with the value at a time and the current UI flags.
    PF_Err ValueAt(A_long index, A_long time, A_u_long scale, PF_ParamDef* out);
    // Every parameter at a time, as the host's parameter array.
    ParamArray MakeParamArray(A_long time, A_u_long scale);
    // Takes over the values the effect marked PF_ChangeFlag_CHANGED_VALUE in `array`.
    void TakeChangedValues(const ParamArray& array);

    PF_ParamUIFlags UIFlags(A_long index);
    void SetUIFlags(A_long index, PF_ParamUIFlags flags);
    std::vector<ParamUIUpdate> UIUpdates();
    void ClearUIUpdates();

    int Checkouts();
    int Checkins();
    std::vector<A_long> CheckedOutIndices();
    // Checkouts not checked in yet.
    int Outstanding();

    // Called by the callbacks.
    PF_Err Checkout(PF_ParamIndex index, A_long time, A_long step, A_u_long scale,
                    PF_ParamDef* out);
    PF_Err Checkin(PF_ParamDef* def);
    PF_Err UpdateParamUI(PF_ParamIndex index, const PF_ParamDef* def);

private:
    PF_Err ValueAtLocked(A_long index, double seconds, PF_ParamDef* out);
    bool Registered(A_long index, PF_ParamDef* out);
    void Modify(A_long index, void (*edit)(PF_ParamDef&, const void*), const void* arg);

    Instance& instance_;
    std::mutex mutex_;
    std::map<A_long, std::map<double, PF_ParamDefUnion>> keys_;
    std::map<A_long, PF_ParamDefUnion> values_;
    std::map<A_long, PF_ParamUIFlags> uiFlags_;
    std::map<A_long, const PF_LayerDef*> layers_;
    std::vector<ParamUIUpdate> uiUpdates_;
    std::vector<A_long> checkedOut_;
    int checkouts_ = 0;
    int checkins_ = 0;
};

// The host's catalog and an instance's parameters.
ParamCatalog& Catalog(Host& host);
InstanceParams& Params(Instance& instance);

// Installs the callbacks and suites on a host (Host's constructor calls this).
void InstallParamServices(Host& host);
// Called by the host before it sends a command.
void BeforeParamCommand(Host& host, PF_Cmd cmd);

// The registered parameters, one line each: index, id, name, kind, range, default.
std::string DescribeParams(Host& host);

// The suite tables served (tests can copy and change them).
extern const PF_ParamUtilsSuite1 kParamUtilsSuite2;
extern const PF_ParamUtilsSuite3 kParamUtilsSuite3;
extern const PFAppSuite5 kAppSuite7;

}  // namespace tonedot
