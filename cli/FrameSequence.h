// Numbered image sequences: file-name patterns such as "in.%04d.png" and frame ranges
// such as "1-48".
#pragma once
#include <string>

namespace tonedot::cli {

// A file name with at most one frame-number field: "%d" or "%0Nd" (N from 1 to 9); "%%"
// stands for a plain percent sign.
class FramePattern {
public:
    // Throws a usage CliError for a malformed field or more than one.
    explicit FramePattern(const std::string& pattern);
    bool HasField() const { return hasField_; }
    // The file name of a frame (the pattern itself, "%%" undone, when it has no field).
    std::string Expand(long frame) const;
    const std::string& Text() const { return pattern_; }

private:
    std::string pattern_, before_, after_;
    int width_ = 0;
    bool hasField_ = false;
};

struct FrameRange {
    long first = 0;
    long last = 0;
    long Count() const { return last - first + 1; }
};

// "A-B" or a single "N", whole numbers from 0 on with A <= B.  Throws a usage CliError.
FrameRange ParseFrameRange(const std::string& text);

}  // namespace tonedot::cli
