// Writing an output so that it appears whole or not at all: the content goes to a
// temporary file beside the target, which is renamed over the target once every byte is
// known to be on the disk.
#pragma once
#include <string>

namespace tonedot::cli {

class AtomicFile {
public:
    // Reserves a temporary name in the target's folder, with the target's extension
    // (".<stem>.tonedot-XXXXXX.<ext>").  Throws an IO CliError when the folder does not
    // exist or cannot be written.
    explicit AtomicFile(const std::string& target);
    // Removes the temporary file unless Commit() succeeded.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& TempPath() const { return temp_; }
    const std::string& Target() const { return target_; }
    // A message (say, a library's) with the temporary file named as the target.
    std::string Shown(std::string message) const;
    // Flushes the temporary file to the disk and renames it over the target (keeping the
    // target's permission bits when it existed, else the usual ones for a new file).
    // Throws an IO CliError when the data cannot be made durable or the rename fails, and
    // a cancelled CliError when the run was interrupted meanwhile: the target is then left
    // as it was.
    void Commit();

private:
    std::string target_, temp_;
    int slot_ = -1;
    bool committed_ = false;
};

// "cannot write "<path>": <reason>." as an IO CliError.
[[noreturn]] void ThrowWriteError(const std::string& path, const std::string& reason);

// Writes all of `size` bytes to a file descriptor (retrying short writes).  Answers 0 or
// the errno of the failure.
int WriteAll(int fd, const void* data, std::size_t size);

// Writes a text file whole through an AtomicFile and reads it back: throws an IO
// CliError unless the file then holds exactly `text`.
void WriteTextFileAtomically(const std::string& path, const std::string& text);

// The whole content of a file, or nullopt-like false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& out);

// Removes every temporary file still reserved (at the end of a run).
void RemovePendingTempFiles();
// The same, using only async-signal-safe calls: for a signal handler.
void RemovePendingTempFilesInSignal();

}  // namespace tonedot::cli
