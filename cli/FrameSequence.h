// Numbered image sequences: file-name patterns such as "in.%04d.png" or "in.#.png" and
// frame lists such as "1-48" or "1-10x2,15".
#pragma once
#include <string>
#include <vector>

namespace tonedot::cli {

// A file name with at most one frame-number field.
class FramePattern {
public:
    // A sequence's name: the field is "%d" or "%0Nd", or "#" (four digits each) and "@" (one
    // digit each) as in other image tools; "%%" stands for a plain percent sign.  Throws a
    // usage CliError for a malformed field or more than one.
    explicit FramePattern(const std::string& pattern);
    // A still image's name, taken as it is ('%', '#' and '@' included).
    static FramePattern Literal(const std::string& name);

    bool HasField() const { return hasField_; }
    // The file name of a frame (the name itself when it has no field).
    std::string Expand(long frame) const;
    const std::string& Text() const { return pattern_; }

private:
    FramePattern() = default;
    std::string pattern_, before_, after_;
    int width_ = 0;
    bool hasField_ = false;
};

// "A-B", "A-BxSTEP" or a single "N", or several of them separated by commas ("1-10x2,15"):
// whole numbers from 0 with A <= B and STEP >= 1, no frame twice, at most a million frames,
// in the order given.  Throws a usage CliError.
std::vector<long> ParseFrameList(const std::string& text);

}  // namespace tonedot::cli
