#include "session/ClosestNames.h"

#include <algorithm>
#include <cctype>

namespace tonedot::session {
namespace {

std::string Folded(const std::string& s, bool dropPunctuation) {
    std::string out;
    for (unsigned char c : s) {
        if (dropPunctuation && !std::isalnum(c)) continue;
        out.push_back(static_cast<char>(std::tolower(c)));
    }
    return out;
}

}  // namespace

std::size_t NameDistance(const std::string& a0, const std::string& b0) {
    const std::string a = Folded(a0, false), b = Folded(b0, false);
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= m; ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

std::vector<std::string> ClosestNames(const std::string& wanted,
                                      const std::vector<std::string>& known, std::size_t limit) {
    struct Candidate {
        std::size_t score;
        std::size_t order;
        const std::string* name;
    };
    std::vector<Candidate> candidates;
    const std::string bareWanted = Folded(wanted, true);
    for (std::size_t i = 0; i < known.size(); ++i) {
        const std::string& name = known[i];
        const std::size_t distance = NameDistance(wanted, name);
        const std::size_t longer = std::max(wanted.size(), name.size());
        const std::string bareName = Folded(name, true);
        // Containment counts only for texts of three characters or more ("S" is in
        // everything).
        const bool contains = bareWanted.size() >= 3 && bareName.size() >= 3 &&
                              (bareName.find(bareWanted) != std::string::npos ||
                               bareWanted.find(bareName) != std::string::npos);
        if (distance * 3 <= longer + 1 || contains)
            candidates.push_back({contains ? std::min(distance, longer / 3) : distance, i, &name});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& x, const Candidate& y) {
        return x.score < y.score || (x.score == y.score && x.order < y.order);
    });
    std::vector<std::string> out;
    for (const Candidate& c : candidates) {
        if (out.size() == limit) break;
        out.push_back(*c.name);
    }
    return out;
}

std::string DidYouMean(const std::string& wanted, const std::vector<std::string>& known) {
    const std::vector<std::string> near = ClosestNames(wanted, known);
    if (near.empty()) return std::string();
    std::string text = " Did you mean ";
    for (std::size_t i = 0; i < near.size(); ++i) {
        if (i > 0) text += i + 1 == near.size() ? " or " : ", ";
        text += "\"" + near[i] + "\"";
    }
    return text + "?";
}

}  // namespace tonedot::session
