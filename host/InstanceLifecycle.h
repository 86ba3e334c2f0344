// The life of an applied effect instance as the real host runs it: sequence setup when the
// effect is applied, flattening when the project is saved (the host keeps the flat bytes in
// the project), resetup when a project is opened, the flattened copy the host asks for while
// the instance stays live, and setdown when the effect is removed.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>
#include "host/Host.h"

namespace tonedot {

// One instance as a saved project holds it: its flat sequence data and its parameter
// values by parameter id (layer parameters are not kept).
struct SavedInstance {
    std::vector<uint8_t> sequenceData;
    std::map<A_long, PF_ParamDefUnion> values;
};

struct Project {
    std::vector<SavedInstance> instances;

    // A text form of the project: one "instance" block per instance with its sequence data
    // and values in hexadecimal.
    std::string Serialize() const;
    // Reads the text form; false (and `out` untouched) when it is not a project.
    static bool Parse(const std::string& text, Project& out);
    bool WriteFile(const std::string& path) const;
    static bool ReadFile(const std::string& path, Project& out);
};

// Applies the effect to an instance: PF_Cmd_SEQUENCE_SETUP, then PF_Cmd_UPDATE_PARAMS_UI
// when the effect asked for it.
CallResult ApplyEffect(Host& host, Instance& instance);

// Saves one instance into `saved`: PF_Cmd_SEQUENCE_FLATTEN, the flat bytes copied into the
// project, then PF_Cmd_SEQUENCE_RESETUP from the flat handle so the instance goes on
// working (the host frees the flat handle afterwards).
CallResult SaveInstance(Host& host, Instance& instance, SavedInstance& saved);
// Saves every listed instance; stops at the first failure and returns it.
CallResult SaveProject(Host& host, const std::vector<Instance*>& instances, Project& project);

// Opens one saved instance as a new instance of `host`: its values restored, a handle
// holding the stored bytes handed to PF_Cmd_SEQUENCE_RESETUP (and freed by the host
// afterwards), then PF_Cmd_UPDATE_PARAMS_UI when the effect asked for it.
CallResult OpenInstance(Host& host, const SavedInstance& saved, Instance*& opened);

// PF_Cmd_GET_FLATTENED_SEQUENCE_DATA: the flat bytes, the instance staying live.
CallResult GetFlattened(Host& host, Instance& instance, std::vector<uint8_t>& bytes);

// Removes the effect: PF_Cmd_SEQUENCE_SETDOWN.
CallResult RemoveEffect(Host& host, Instance& instance);

// The bytes of a host handle (empty for none).
std::vector<uint8_t> HandleBytes(Host& host, PF_Handle handle);
// A new host handle holding `bytes`.
PF_Handle HandleWithBytes(Host& host, const std::vector<uint8_t>& bytes);

}  // namespace tonedot
