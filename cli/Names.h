// The command line is a front end of the session and the print screens: it uses their
// names as its own.  Its own names (CliError, UsageError, ...) come first where both have one.
#pragma once

namespace tonedot::session {}
namespace tonedot::print {}

namespace tonedot::cli {
using namespace tonedot::session;
using namespace tonedot::print;
}  // namespace tonedot::cli
