// Writing an output so that it appears whole or not at all: the content goes to a
// temporary file beside the target, which is renamed over the target once complete.
#pragma once
#include <string>

namespace tonedot::cli {

class AtomicFile {
public:
    // Reserves a temporary name in the target's folder, with the target's extension
    // (".<stem>.tonedot-XXXXXX.<ext>").  Throws
    // an IO CliError when the folder does not exist or cannot be written.
    explicit AtomicFile(const std::string& target);
    // Removes the temporary file unless Commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& TempPath() const { return temp_; }
    const std::string& Target() const { return target_; }
    // Renames the temporary file over the target (keeping the target's permission bits
    // when it existed, else the usual ones for a new file).  Throws an IO CliError.
    void Commit();

private:
    std::string target_, temp_;
    bool committed_ = false;
};

// Writes a text file whole through an AtomicFile.
void WriteTextFileAtomically(const std::string& path, const std::string& text);

// Removes every temporary file still reserved (called when the process is interrupted).
void RemovePendingTempFiles();

}  // namespace tonedot::cli
