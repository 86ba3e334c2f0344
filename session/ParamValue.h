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

// The rule for numbers (float sliders and angles) that --set, presets read and written,
// the stored defaults and the Slurm script all follow: a number is taken at the six
// decimals the settings files write (StoredNumber) and must then lie in the parameter's
// range (NumberInRange: a float slider's valid range; for an angle what the host's 16.16
// fixed-point angle holds, -32768 to 32767.999985 degrees).  A number one part
// accepts, every other part accepts and gives back the same.
double StoredNumber(double v);
bool NumberInRange(const ParamInfo& info, double v);
// The six-decimal text of a number as the settings files hold it ("12.500000"; never "-0").
std::string StoredNumberText(double v);

// A number without needless trailing zeros (at most six decimals).
std::string FormatNumber(double v);

// The definition the host holds for this value on a layer of the given full-resolution
// size: the registered definition with its value replaced.  Points become layer pixels
// (16.16); a layer value leaves the layer part alone.
PF_ParamDef ToHostDef(const ParamInfo& info, const ParamValue& value, A_long layerWidth,
                      A_long layerHeight);

}  // namespace tonedot::session
