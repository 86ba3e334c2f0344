#include "cli/FrameSequence.h"

#include <climits>
#include <cctype>
#include <cstdio>
#include <set>

#include <OpenImageIO/filesystem.h>

#include "cli/ExitCodes.h"

namespace tonedot::cli {
namespace {

constexpr long kMaxFrames = 1000000;

}  // namespace

FramePattern FramePattern::Literal(const std::string& name) {
    FramePattern literal;
    literal.pattern_ = literal.before_ = name;
    return literal;
}

FramePattern::FramePattern(const std::string& given) : pattern_(given) {
    // "#" and "@" padding become the printf form first, as the image library reads them.
    std::string pattern = given;
    if (given.find_first_of("#@") != std::string::npos) {
        std::string frames;
        if (!OIIO::Filesystem::parse_pattern(given.c_str(), 0, pattern, frames))
            throw UsageError("bad frame-number field in \"" + given + "\".");
        if (!frames.empty())
            throw UsageError("\"" + given + "\" names frames in the file name; give them with --frames instead.");
    }
    std::string* out = &before_;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '%') {
            out->push_back(c);
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            out->push_back('%');
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        int width = 0;
        if (j < pattern.size() && pattern[j] == '0') {
            ++j;
            while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])) && width < 100)
                width = width * 10 + (pattern[j++] - '0');
            if (width < 1 || width > 18) j = pattern.size();  // malformed
        }
        if (j >= pattern.size() || pattern[j] != 'd')
            throw UsageError("bad frame-number field in \"" + given +
                             "\": use %d or %0Nd (for example in.%04d.png), # for four digits or @ for one; "
                             "write %% for a percent sign.");
        if (hasField_) throw UsageError("\"" + given + "\" has more than one frame-number field.");
        hasField_ = true;
        width_ = width;
        out = &after_;
        i = j;
    }
}

std::string FramePattern::Expand(long frame) const {
    if (!hasField_) return before_;
    char number[32];
    std::snprintf(number, sizeof number, "%0*ld", width_, frame);
    return before_ + number + after_;
}

std::vector<long> ParseFrameList(const std::string& text) {
    auto bad = [&](const std::string& why) {
        return UsageError("bad frame range \"" + text + "\": " + why +
                          "; expected FIRST-LAST, FIRST-LASTxSTEP or one frame number, or several separated by "
                          "commas, whole numbers from 0 with FIRST not above LAST (for example 1-48 or 1-10x2,15).");
    };
    // Each item is checked here; the image library's sequence reader expands them.
    long count = 0;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        long numbers[3] = {0, 0, 1};
        int n = 0;
        std::size_t i = 0;
        while (n < 3) {
            const std::size_t digits = i;
            while (i < item.size() && std::isdigit(static_cast<unsigned char>(item[i]))) ++i;
            if (i == digits || i - digits > 18) throw bad("\"" + item + "\" is not a frame or range");
            numbers[n++] = std::stol(item.substr(digits, i - digits));
            if (numbers[n - 1] > INT_MAX) throw bad("frame numbers and steps go up to " + std::to_string(INT_MAX));
            if (i == item.size()) break;
            if ((n == 1 && item[i] != '-') || (n == 2 && item[i] != 'x') || n == 3)
                throw bad("\"" + item + "\" is not a frame or range");
            ++i;
        }
        if (n == 1) numbers[1] = numbers[0];
        if (numbers[0] > numbers[1]) throw bad("FIRST above LAST in \"" + item + "\"");
        if (numbers[2] < 1) throw bad("a step of 0 in \"" + item + "\"");
        count += (numbers[1] - numbers[0]) / numbers[2] + 1;
        if (count > kMaxFrames)
            throw UsageError("bad --frames \"" + text + "\": too many frames (at most " + std::to_string(kMaxFrames) + ").");
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    std::vector<int> expanded;
    if (!OIIO::Filesystem::enumerate_sequence(text, expanded) || static_cast<long>(expanded.size()) != count)
        throw bad("it cannot be read");
    std::vector<long> frames(expanded.begin(), expanded.end());
    std::set<long> seen;
    for (long f : frames)
        if (!seen.insert(f).second) throw bad("frame " + std::to_string(f) + " is listed twice");
    return frames;
}

}  // namespace tonedot::cli
