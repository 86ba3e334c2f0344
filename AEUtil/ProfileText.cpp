// The text of private-profile files: encoding, lines and edits, on every platform.
#include "AEUtil/ProfileText.h"

#include <cstdint>

#include "AEUtil/AsciiCase.h"

namespace AEUtil {
namespace Platform {
namespace ProfileText {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1a';
}

enum class LineKind { Blank, Section, Key };

struct ProfileLine {
    LineKind kind = LineKind::Blank;
    std::string_view name;   // section or key name
    std::string_view value;  // key value, when hasValue
    bool hasValue = false;
    std::size_t start = 0;       // offset of the line's first byte
    std::size_t contentEnd = 0;  // offset of its line ending ("\r\n", "\n") or the text's end
    std::size_t next = 0;        // offset of the following line
};

std::size_t SkipByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

std::vector<ProfileLine> ParseLines(std::string_view text) {
    std::vector<ProfileLine> lines;
    std::size_t pos = SkipByteOrderMark(text);
    while (pos < text.size()) {
        ProfileLine line;
        line.start = pos;
        std::size_t newline = text.find('\n', pos);
        line.next = newline == std::string_view::npos ? text.size() : newline + 1;
        line.contentEnd = newline == std::string_view::npos ? text.size() : newline;
        if (line.contentEnd > line.start && text[line.contentEnd - 1] == '\r') --line.contentEnd;
        pos = line.next;

        const std::string_view body = Trim(text.substr(line.start, line.next - line.start));
        if (body.empty()) {
            lines.push_back(line);
            continue;
        }
        const std::size_t close = body.rfind(']');
        if (body.front() == '[' && close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.name = body.substr(1, close - 1);
        } else {
            line.kind = LineKind::Key;
            const std::size_t equals = body.find('=');
            if (equals == std::string_view::npos) {
                line.name = body;
            } else {
                line.name = Trim(body.substr(0, equals));
                line.value = Trim(body.substr(equals + 1));
                line.hasValue = true;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

// Where a section and key are in a parsed file; -1 for "not there".
struct ProfileLocation {
    long section = -1;
    long key = -1;
    long lastContent = -1;  // last non-blank line of the section
};

ProfileLocation Locate(const std::vector<ProfileLine>& lines, std::string_view section,
                       std::string_view key) {
    ProfileLocation at;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ProfileLine& line = lines[i];
        if (line.kind == LineKind::Section) {
            if (at.section >= 0) break;  // the section ended
            if (!line.name.empty() && EqualIgnoringAsciiCase(line.name, section)) {
                at.section = static_cast<long>(i);
                at.lastContent = at.section;
            }
            continue;
        }
        if (at.section < 0 || line.kind == LineKind::Blank) continue;
        at.lastContent = static_cast<long>(i);
        if (at.key < 0 && EqualIgnoringAsciiCase(line.name, key)) at.key = static_cast<long>(i);
    }
    return at;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string Folded(std::string_view s) {
    std::string folded(s);
    for (char& c : folded) c = FoldAsciiCase(c);
    return folded;
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUnit(std::string& out, std::uint32_t unit, bool bigEndian) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

}  // namespace

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool Decode(const std::string& bytes, std::string& text, Encoding& encoding) {
    text.clear();
    encoding = Encoding::Bytes;
    const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0;
    const bool big = bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (!little && !big) {
        text = bytes;
        return true;
    }
    encoding = little ? Encoding::Utf16LE : Encoding::Utf16BE;
    if (bytes.size() % 2 != 0) return false;
    const auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? (std::uint32_t(b) << 8 | a) : (std::uint32_t(a) << 8 | b);
    };
    text.reserve(bytes.size());
    for (std::size_t i = 2; i < bytes.size(); i += 2) {
        std::uint32_t c = unit(i);
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 2 >= bytes.size()) return false;
            const std::uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(text, c);
    }
    return true;
}

std::string Encode(const std::string& text, Encoding encoding) {
    if (encoding == Encoding::Bytes) return text;
    const bool big = encoding == Encoding::Utf16BE;
    std::string out;
    out.reserve(2 + text.size() * 2);
    AppendUnit(out, 0xFEFF, big);
    // The text came from Decode or from ASCII names and values; a byte that does not start
    // a UTF-8 sequence stands for itself.
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const std::size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        std::uint32_t c = length == 1 ? b : b & (0x7F >> length);
        bool valid = i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        if (!valid) {
            c = b;
            i += 1;
        } else {
            i += length;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            AppendUnit(out, 0xD800 + (c >> 10), big);
            AppendUnit(out, 0xDC00 + (c & 0x3FF), big);
        } else {
            AppendUnit(out, c, big);
        }
    }
    return out;
}

std::map<std::string, std::string> SectionValues(std::string_view text, std::string_view section) {
    std::map<std::string, std::string> values;
    const std::vector<ProfileLine> lines = ParseLines(text);
    const std::string_view wanted = Trim(section);
    bool inSection = false, sawSection = false;
    std::map<std::string, bool> seen;
    for (const ProfileLine& line : lines) {
        if (line.kind == LineKind::Section) {
            if (inSection) break;  // only the first section of the name counts
            inSection = !sawSection && !line.name.empty() && EqualIgnoringAsciiCase(line.name, wanted);
            sawSection = sawSection || inSection;
            continue;
        }
        if (!inSection || line.kind != LineKind::Key || line.name.empty()) continue;
        std::string key = Folded(line.name);
        if (!seen.emplace(key, true).second) continue;
        if (line.hasValue) values.emplace(std::move(key), std::string(Unquoted(line.value)));
    }
    return values;
}

const std::string* FindValue(const std::map<std::string, std::string>& values,
                             std::string_view key) {
    const auto it = values.find(Folded(Trim(key)));
    return it == values.end() ? nullptr : &it->second;
}

bool SetValues(std::string& text, std::string_view section,
               const std::vector<std::pair<std::string, std::string>>& values) {
    const std::string_view sectionName = Trim(section);
    if (sectionName.empty() || HasLineBreak(sectionName)) return false;
    for (const auto& v : values) {
        const std::string_view keyName = Trim(v.first);
        if (keyName.empty() || HasLineBreak(keyName) || HasLineBreak(v.second) ||
            keyName.find('=') != std::string_view::npos || keyName.front() == '[') {
            return false;
        }
    }
    const bool hadText = !text.empty();
    const char* eol = (!hadText || text.find("\r\n") != std::string::npos ||
                       text.find('\n') == std::string::npos)
                          ? "\r\n"
                          : "\n";
    for (const auto& v : values) {
        const std::string_view keyName = Trim(v.first);
        const std::string& value = v.second;
        const std::string entry = std::string(keyName) + "=" + value;
        const std::vector<ProfileLine> lines = ParseLines(text);
        const ProfileLocation at = Locate(lines, sectionName, keyName);
        if (at.key >= 0) {
            const ProfileLine& line = lines[static_cast<std::size_t>(at.key)];
            if (line.hasValue && line.value == value) continue;  // nothing to change
            // The key keeps its spelling in the file.
            const std::string replaced = std::string(line.name) + "=" + value;
            text.replace(line.start, line.contentEnd - line.start, replaced);
        } else if (at.section >= 0) {
            const ProfileLine& last = lines[static_cast<std::size_t>(at.lastContent)];
            std::string insert;
            // The last line of the file may lack its '\n' (a lone '\r' does not end a line).
            if (last.next == 0 || text[last.next - 1] != '\n') insert += eol;
            insert += entry + eol;
            text.insert(last.next, insert);
        } else {
            if (!text.empty() && text.back() != '\n') text += eol;
            if (!Trim(std::string_view(text).substr(SkipByteOrderMark(text))).empty()) text += eol;
            text += "[" + std::string(sectionName) + "]" + eol + entry + eol;
        }
    }
    return true;
}

}  // namespace ProfileText
}  // namespace Platform
}  // namespace AEUtil
