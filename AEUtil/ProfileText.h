// The text of private-profile (INI) files, the same on every platform: its encoding, its
// lines, and the edits a write makes.  The platform files do the file input and output.
//
// Reading: lines are split at '\n'; blanks (and '\r') around every line are ignored.  A line
// starting with '[' and holding a ']' opens a section named by the text between the '[' and
// the last ']'.  Any other line is a key: the text before the first '=' with trailing blanks
// removed; its value is the text after the '=' with leading blanks removed.  A line without
// '=' is a key without a value.  Section and key names are compared without regard to ASCII
// case; the first section of a name is the one used, and in it the first key of a name.
//
// Writing keeps every byte of the file except the lines it sets (or the lines it adds).
#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace AEUtil {
namespace Platform {
namespace ProfileText {

// How a settings file's bytes hold its text.
enum class Encoding { Bytes, Utf16LE, Utf16BE };

// The file's text: bytes that start with a UTF-16 byte-order mark (FF FE little-endian,
// FE FF big-endian) are converted to UTF-8 without the mark; any other bytes are the text
// as they are.  False when the marked bytes are not UTF-16 (an odd count, a lone
// surrogate).
bool Decode(const std::string& bytes, std::string& text, Encoding& encoding);

// The bytes of `text` (UTF-8 for the UTF-16 encodings) in `encoding`, the byte-order mark
// first for UTF-16.
std::string Encode(const std::string& text, Encoding encoding);

// The values of `section` in `text` as a reader finds them: by key folded to lower case
// (ASCII), the first key of a name only, values trimmed and without one pair of matching
// surrounding quotes.  A key whose first line has no '=' has no value and is left out.
std::map<std::string, std::string> SectionValues(std::string_view text, std::string_view section);

// The value `SectionValues` gives for `key` in `values`, or null.
const std::string* FindValue(const std::map<std::string, std::string>& values,
                             std::string_view key);

// Sets every key of `values` in `section` of `text`, as a writer does one by one.  False,
// with `text` unchanged, when a name or value would change the file's structure (a line
// break, an empty name, a key holding '=' or starting with '[').
bool SetValues(std::string& text, std::string_view section,
               const std::vector<std::pair<std::string, std::string>>& values);

// Trims blanks (' ', '\t', '\r', '\n', '\v', '\f', 0x1A) from both ends.
std::string_view Trim(std::string_view s);

}  // namespace ProfileText
}  // namespace Platform
}  // namespace AEUtil
