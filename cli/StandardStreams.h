// Standard input and output as image files: "-" as a render's input reads one image from
// standard input, "-o -" writes the result to standard output.  The image library reads
// and writes files, so the image passes through a temporary file that is removed however
// the run ends; the image library finds the input's format from its content.
#pragma once
#include <memory>
#include <string>

namespace tonedot::cli {

class AtomicFile;

inline bool IsStandardStream(const std::string& name) { return name == "-"; }

// A named pipe, a device or a socket: read once, as standard input is.
bool IsStream(const std::string& path);

// Standard input, or the named stream, read whole (once) into a temporary file.  Throws an
// IO CliError when it cannot be read or is empty (a terminal is refused: an image does not
// come from a keyboard).
class StandardInputFile {
public:
    explicit StandardInputFile(const std::string& stream = "");
    ~StandardInputFile();
    const std::string& Path() const;
    // "standard input", or the stream's name in quotes, for messages.
    const std::string& Shown() const { return shown_; }

private:
    std::string shown_;
    std::unique_ptr<AtomicFile> file_;
};

// A temporary file with the extension of `format` ("png", "jpg", "tif", "exr"...) for the
// image writer; Send() copies it whole to standard output.
class StandardOutputFile {
public:
    explicit StandardOutputFile(const std::string& format);
    ~StandardOutputFile();
    const std::string& Path() const;
    // Throws an IO CliError when standard output does not take every byte.
    void Send() const;

private:
    std::unique_ptr<AtomicFile> file_;
};

}  // namespace tonedot::cli
