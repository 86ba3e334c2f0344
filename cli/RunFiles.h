// The files one run reads and writes, checked before anything is written: no output may
// be an input of the run (by identity: device and inode, after links) and no two outputs
// may be one file (by identity, and by name for files that are not there yet).
#pragma once
#include <map>
#include <string>
#include <sys/types.h>
#include <utility>

#include "cli/CommandLine.h"

namespace tonedot::cli {

class RunFiles {
public:
    // A file the run reads; one that does not exist is not recorded.
    void AddInput(const std::string& path);
    // A file the run writes.  Throws the usage error that names the clash.
    void AddOutput(const std::string& path);
    // Standard output as the run's output (-o -): when it is redirected to a file, that
    // file may be no input.  Throws the usage error that names the input.
    void AddStandardOutput();
    // The settings files a run reads: every --preset, and the stored-defaults file unless
    // --factory-defaults leaves it out.
    void AddSettingsInputs(const ParsedArgs& args);

private:
    using Identity = std::pair<dev_t, ino_t>;
    std::map<Identity, std::string> inputs_;
    std::map<Identity, std::string> outputIds_;
    std::map<std::string, std::string> outputNames_;
};

// An output's folder exists and is writable.  Throws the I/O error that says which it is not.
void CheckOutputFolder(const std::string& path);

}  // namespace tonedot::cli
