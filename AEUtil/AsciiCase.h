// Names compared as Windows compares profile sections and keys and as the host's language
// tags are read: ASCII letters without regard to case, every other byte as it is.
#pragma once
#include <cstddef>
#include <string_view>

namespace AEUtil {

constexpr char FoldAsciiCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldAsciiCase(a[i]) != FoldAsciiCase(b[i])) return false;
    return true;
}

}  // namespace AEUtil
