// Suggestions for a mistyped name: the known names nearest to it.
#pragma once
#include <string>
#include <vector>

namespace tonedot::session {

// Edit distance (insertions, deletions, substitutions, swaps of neighbours) between two
// texts compared without regard to case.
std::size_t NameDistance(const std::string& a, const std::string& b);

// Up to `limit` names from `known` that are near `wanted`, nearest first: names within an
// edit distance of about a third of the longer text, and names that contain `wanted` (or
// that `wanted` contains), ignoring case, blanks and punctuation.
std::vector<std::string> ClosestNames(const std::string& wanted,
                                      const std::vector<std::string>& known,
                                      std::size_t limit = 5);

// " Did you mean \"A\", \"B\" or \"C\"?" or "" when nothing is near.
std::string DidYouMean(const std::string& wanted, const std::vector<std::string>& known);

}  // namespace tonedot::session
