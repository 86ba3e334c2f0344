// One parameter value as the user gives it (--set, --layer, presets), its parse with
// errors that name the valid range or the expected form, its text, and its conversion to
// the host's parameter definition.
#pragma once
#include <string>

#include "AEUtil/HostApi.h"
#include "session/RegisteredParams.h"

namespace tonedot::session {

enum class LayerChoice { None, Self, File };

struct ParamValue {
    double number = 0;   // float slider value; angle in degrees
    A_long integer = 0;  // integer slider, popup choice (1-based), checkbox (0 or 1)
    PF_Pixel color{};    // alpha, red, green, blue
    double x = 0, y = 0; // point, in full-resolution layer pixels or percent of the layer
    bool xPercent = false, yPercent = false;
    LayerChoice layer = LayerChoice::None;
    std::string layerFile;  // LayerChoice::File
    bool layerLuma = false; // the file's luminance is its alpha ("FILE:luma")
};

// The registered value (the user's stored default included, when the effect used one).
ParamValue RegisteredValue(const ParamInfo& info);

// Parses the text of a value for the parameter.  Throws a Usage error that names the
// parameter and the valid range, the choices or the expected form.
ParamValue ParseValue(const ParamInfo& info, const std::string& text);

// A layer source: a file name ("FILE:luma": its luminance as alpha), "self" or "none".
ParamValue ParseLayerValue(const ParamInfo& info, const std::string& text);

// The value as ParseValue reads it back ("Star", "20", "#FF7D14", "50%,50%", "on", "self").
std::string FormatValue(const ParamInfo& info, const ParamValue& value);

// What the parameter accepts: "a number from 0 to 1000", "one of: Circle, Square, ...".
std::string AcceptedText(const ParamInfo& info);

// A number without needless trailing zeros (at most six decimals).
std::string FormatNumber(double v);

// The definition the host holds for this value on a layer of the given full-resolution
// size: the registered definition with its value replaced.  Points become layer pixels
// (16.16); a layer value leaves the layer part alone.
PF_ParamDef ToHostDef(const ParamInfo& info, const ParamValue& value, A_long layerWidth,
                      A_long layerHeight);

}  // namespace tonedot::session
