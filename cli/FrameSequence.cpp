#include "cli/FrameSequence.h"

#include <cctype>
#include <cstdio>

#include "cli/ExitCodes.h"

namespace tonedot::cli {

FramePattern::FramePattern(const std::string& pattern) : pattern_(pattern) {
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
            if (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j])) && pattern[j] != '0') {
                width = pattern[j] - '0';
                ++j;
            } else {
                j = pattern.size();  // malformed
            }
        }
        if (j >= pattern.size() || pattern[j] != 'd')
            throw UsageError("bad frame-number field in \"" + pattern +
                             "\": use %d or %0Nd (for example in.%04d.png); write %% for a percent sign.");
        if (hasField_)
            throw UsageError("\"" + pattern + "\" has more than one frame-number field.");
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

FrameRange ParseFrameRange(const std::string& text) {
    FrameRange r;
    auto bad = [&]() {
        return UsageError("bad frame range \"" + text +
                          "\": expected FIRST-LAST or one frame number, whole numbers from 0 "
                          "with FIRST not above LAST (for example 1-48).");
    };
    const std::size_t dash = text.find('-');
    auto number = [&](const std::string& s, long& out) {
        if (s.empty() || s.size() > 9) throw bad();
        for (char c : s)
            if (!std::isdigit(static_cast<unsigned char>(c))) throw bad();
        out = std::stol(s);
    };
    if (dash == std::string::npos) {
        number(text, r.first);
        r.last = r.first;
    } else {
        number(text.substr(0, dash), r.first);
        number(text.substr(dash + 1), r.last);
    }
    if (r.first > r.last) throw bad();
    return r;
}

}  // namespace tonedot::cli
