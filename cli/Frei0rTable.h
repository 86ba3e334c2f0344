// `tonedot params --frei0r`: the parameters as the frei0r filter shows them to its hosts,
// read from the filter library itself through the frei0r API.
#pragma once
#include <string>

namespace tonedot::cli {

// The frei0r filter to read: `explicitPath` when given, else $TONEDOT_FREI0R, else the one
// installed with the program (../lib/frei0r-1/tonedot.so from its folder), else the one it
// was built with.  Empty when there is none.
std::string FindFrei0rFilter(const std::string& explicitPath);

// The table: index, name, type and what the value means, one parameter a line.  Throws a
// render CliError when the filter cannot be loaded or set up.
std::string Frei0rTable(const std::string& filterPath);

}  // namespace tonedot::cli
