// Private-profile (INI) files without the Windows kernel: the same file format and the
// reading rules Windows applies, so a file written on one system reads the same on the other.
//
// Reading: lines are split at '\n'; blanks (and '\r') around every line are ignored.  A line
// starting with '[' and holding a ']' opens a section named by the text between the '[' and
// the last ']'.  Any other line is a key: the text before the first '=' with trailing blanks
// removed; its value is the text after the '=' with leading blanks removed.  A line without
// '=' is a key without a value.  Section and key names are compared without regard to ASCII
// case; the first section of a name is the one used, and in it the first key of a name.
//
// Writing keeps every byte of the file except the one line it sets (or the lines it adds),
// and replaces the file through a temporary file in the same folder.
#include "AEUtil/Platform.h"

#include <atomic>
#include <cassert>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "AEUtil/AsciiCase.h"

namespace AEUtil {
namespace Platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           c == '\x1a';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
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

std::vector<ProfileLine> ParseLines(std::string_view text, std::size_t from) {
    std::vector<ProfileLine> lines;
    std::size_t pos = from;
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

std::size_t SkipByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
}

enum class LoadResult { Loaded, Missing, Failed };

LoadResult LoadFile(const char* path, std::string& text, struct stat& info) {
    text.clear();
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return LoadResult::Failed;
    }
    char chunk[8192];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            text.append(chunk, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            close(fd);
            return LoadResult::Failed;
        }
    }
    close(fd);
    return LoadResult::Loaded;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EINTR) {
            return false;
        }
    }
    return true;
}

// Replaces `target` by a file holding `text`: written and flushed under a temporary name in
// the same folder, then renamed over the target, so readers see the old or the new file.
bool ReplaceFileContents(const std::string& target, const std::string& text,
                         const struct stat* previous) {
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = target + ".~" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;
    bool ok = true;
    if (previous) ok = fchmod(fd, previous->st_mode & 07777) == 0;
    ok = ok && WriteAll(fd, text) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

std::size_t ProfileReadString(const char* section, const char* key, const char* fallback,
                              char* out, std::size_t outSize, const char* file) {
    assert(section && key && file);
    if (!out || outSize == 0) return 0;
    out[0] = '\0';
    const std::string_view wantedKey = Trim(key);
    if (wantedKey.empty()) return 0;

    std::string_view source;
    std::string text;
    std::vector<ProfileLine> lines;
    struct stat info {};
    bool found = false;
    if (LoadFile(file, text, info) == LoadResult::Loaded) {
        lines = ParseLines(text, SkipByteOrderMark(text));
        const ProfileLocation at = Locate(lines, Trim(section), wantedKey);
        if (at.key >= 0 && lines[static_cast<std::size_t>(at.key)].hasValue) {
            source = lines[static_cast<std::size_t>(at.key)].value;
            found = true;
        }
    }
    if (!found) {
        source = fallback ? std::string_view(fallback) : std::string_view();
        while (!source.empty() && source.back() == ' ') source.remove_suffix(1);
    }
    // One pair of matching quotes around the whole value is dropped.
    if (source.size() >= 2 && (source.front() == '"' || source.front() == '\'') &&
        source.back() == source.front()) {
        source = source.substr(1, source.size() - 2);
    }
    const std::size_t count = source.size() < outSize - 1 ? source.size() : outSize - 1;
    source.copy(out, count);
    out[count] = '\0';
    return count;
}

int ProfileReadInt(const char* section, const char* key, int fallback, const char* file) {
    char text[30];
    if (ProfileReadString(section, key, "", text, sizeof text, file) == 0) return fallback;
    // Decimal digits after optional blanks and a sign; the value wraps like an unsigned
    // 32-bit number, as the Windows conversion does.
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    unsigned value = 0;
    while (*p >= '0' && *p <= '9') value = value * 10u + static_cast<unsigned>(*p++ - '0');
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

bool ProfileWriteString(const char* section, const char* key, const char* value,
                        const char* file) {
    assert(section && key && value && file);
    const std::string_view sectionName = Trim(section);
    const std::string_view keyName = Trim(key);
    // Names and values that would change the file's structure are refused.
    if (sectionName.empty() || keyName.empty() || HasLineBreak(sectionName) ||
        HasLineBreak(keyName) || HasLineBreak(value) ||
        keyName.find('=') != std::string_view::npos || keyName.front() == '[') {
        return false;
    }

    // Write through a symbolic link to the file it names.
    std::string target(file);
    struct stat linkInfo {};
    if (lstat(file, &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        char* resolved = realpath(file, nullptr);
        if (!resolved) return false;
        target = resolved;
        std::free(resolved);
    }

    std::string text;
    struct stat info {};
    const LoadResult loaded = LoadFile(target.c_str(), text, info);
    if (loaded == LoadResult::Failed) return false;
    const bool existed = loaded == LoadResult::Loaded;
    if (existed && access(target.c_str(), W_OK) != 0) return false;

    const char* eol = (!existed || text.find("\r\n") != std::string::npos ||
                       text.find('\n') == std::string::npos)
                          ? "\r\n"
                          : "\n";
    const std::string entry = std::string(keyName) + "=" + value;
    const std::vector<ProfileLine> lines = ParseLines(text, SkipByteOrderMark(text));
    const ProfileLocation at = Locate(lines, sectionName, keyName);

    if (at.key >= 0) {
        const ProfileLine& line = lines[static_cast<std::size_t>(at.key)];
        if (line.hasValue && line.value == value) return true;  // nothing to change
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
        if (!Trim(text.substr(SkipByteOrderMark(text))).empty()) text += eol;
        text += "[" + std::string(sectionName) + "]" + eol + entry + eol;
    }
    return ReplaceFileContents(target, text, existed ? &info : nullptr);
}

}  // namespace Platform
}  // namespace AEUtil
