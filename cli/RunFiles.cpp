#include "cli/RunFiles.h"

#include <climits>
#include <cstdlib>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/ExitCodes.h"
#include "params/StoredDefaults.h"

namespace tonedot::cli {
namespace {

std::optional<std::pair<dev_t, ino_t>> IdentityOf(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return std::nullopt;
    return std::make_pair(st.st_dev, st.st_ino);
}

CliError OutputIsInput(const std::string& output, const std::string& input) {
    return UsageError(output + " is " + (output == "\"" + input + "\"" ? "an input" : "the input \"" + input + "\"") +
                      " of this run; tonedot never writes over its input.");
}

// The name a file that may not exist yet will have: its folder resolved through links.
std::string ResolvedName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char buffer[PATH_MAX];
    if (!realpath(folder.c_str(), buffer)) return path;
    return std::string(buffer) + "/" + name;
}

CliError SameFile(const std::string& first, const std::string& second) {
    return UsageError("the outputs \"" + first + "\" and \"" + second +
                      "\" are the same file; give each output a name of its own.");
}

}  // namespace

void RunFiles::AddInput(const std::string& path) {
    if (auto id = IdentityOf(path)) inputs_.emplace(*id, path);
}

void RunFiles::AddOutput(const std::string& path) {
    if (auto id = IdentityOf(path)) {
        const auto in = inputs_.find(*id);
        if (in != inputs_.end()) throw OutputIsInput("the output \"" + path + "\"", in->second);
        const auto [known, added] = outputIds_.emplace(*id, path);
        if (!added) throw SameFile(known->second, path);
    }
    const auto [known, added] = outputNames_.emplace(ResolvedName(path), path);
    if (!added) throw SameFile(known->second, path);
}

void RunFiles::AddStandardOutput() {
    struct stat st;
    if (fstat(STDOUT_FILENO, &st) != 0 || !S_ISREG(st.st_mode)) return;  // a terminal or a pipe reads no input
    const auto in = inputs_.find({st.st_dev, st.st_ino});
    if (in != inputs_.end()) throw OutputIsInput("standard output (-o -)", in->second);
}

void RunFiles::AddSettingsInputs(const ParsedArgs& args) {
    for (const std::string& preset : args.All("preset")) AddInput(preset);
    char stored[Params::kSettingsPathSize];
    if (!args.Has("factory-defaults") && Params::GetSettingsPath(stored)) AddInput(stored);
}

void CheckOutputFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw IOError("cannot write \"" + path + "\": the folder \"" + folder + "\" does not exist.");
    if (access(folder.c_str(), W_OK) != 0)
        throw IOError("cannot write \"" + path + "\": the folder \"" + folder + "\" is not writable.");
}

}  // namespace tonedot::cli
