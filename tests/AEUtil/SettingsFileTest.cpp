// Settings files as the platform layer reads and writes them whole: the size limit, the
// encodings (a UTF-16 file stays UTF-16 when a key is written), and what is not a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "AEUtil/Platform.h"
#include "tests/support/ScratchFolder.h"

using namespace AEUtil::Platform;

namespace {

enum class Form { Plain, Utf8Mark, Utf16LE, Utf16BE };

// ASCII `text` in the form's bytes.
std::string Bytes(Form form, const std::string& text) {
    if (form == Form::Plain) return text;
    if (form == Form::Utf8Mark) return "\xEF\xBB\xBF" + text;
    const bool big = form == Form::Utf16BE;
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : text) {
        out += big ? '\0' : c;
        out += big ? c : '\0';
    }
    return out;
}

std::string Value(const std::string& file, const char* key) {
    char value[64];
    ProfileReadString("Version=1.5", key, "(none)", value, sizeof value, file.c_str());
    return value;
}

TEST(SettingsFile, EncodingsAndTheLimitAreKeptByReadsAndWrites) {
    const std::string ini = "[Version=1.5]\r\nDot Size=3\r\n";
    const std::string padded = ini + "; " + std::string(kSettingsFileLimit - ini.size() - 4, 'x') + "\r\n";
    ASSERT_EQ(padded.size(), kSettingsFileLimit);
    struct Case {
        const char* name;
        std::string bytes;
        SettingsFileStatus status;
        std::string written;  // the file after Dot Shape=4 is written; "" when refused
    } cases[] = {
        {"plain", Bytes(Form::Plain, ini), SettingsFileStatus::Read,
         Bytes(Form::Plain, ini + "Dot Shape=4\r\n")},
        {"UTF-8 with its mark", Bytes(Form::Utf8Mark, ini), SettingsFileStatus::Read,
         Bytes(Form::Utf8Mark, ini + "Dot Shape=4\r\n")},
        {"UTF-16LE", Bytes(Form::Utf16LE, ini), SettingsFileStatus::Read,
         Bytes(Form::Utf16LE, ini + "Dot Shape=4\r\n")},
        {"UTF-16BE", Bytes(Form::Utf16BE, ini), SettingsFileStatus::Read,
         Bytes(Form::Utf16BE, ini + "Dot Shape=4\r\n")},
        {"UTF-16 of an odd length", Bytes(Form::Utf16LE, ini) + "x", SettingsFileStatus::BadText, ""},
        {"UTF-16 with a lone surrogate", Bytes(Form::Utf16BE, ini) + std::string("\xDC\x00", 2),
         SettingsFileStatus::BadText, ""},
        {"at the limit", padded, SettingsFileStatus::Read, padded + "Dot Shape=4\r\n"},
        {"one byte over the limit", padded + "\n", SettingsFileStatus::TooLarge, ""},
        {"20 MB", std::string(20'000'000, '\n') + ini, SettingsFileStatus::TooLarge, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFolder folder;
        const std::string file = folder / "T_Tonedot.ini";
        WriteBytes(file, c.bytes);
        std::string text;
        const std::size_t opens = SettingsFileOpenCount();
        ASSERT_EQ(ReadSettingsFile(file.c_str(), text), c.status);
        EXPECT_LE(SettingsFileOpenCount() - opens, 1u);
        const bool read = c.status == SettingsFileStatus::Read;
        if (read) {
            EXPECT_NE(text.find("[Version=1.5]\r\nDot Size=3\r\n"), std::string::npos);
        }
#ifndef _WIN32  // the Windows kernel's reader answers ProfileReadString there
        EXPECT_EQ(Value(file, "Dot Size"), read ? "3" : "(none)");
#endif
        EXPECT_EQ(ProfileWriteStrings("Version=1.5", {{"Dot Shape", "4"}}, file.c_str()), read);
        EXPECT_EQ(ReadBytes(file), read ? c.written : c.bytes);
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"T_Tonedot.ini"});
    }
}

#ifndef _WIN32
TEST(SettingsFile, DevicesAndFoldersAreNotReadAndAPipeIsReadOnce) {
    ScratchFolder folder;
    std::string text;
    EXPECT_EQ(ReadSettingsFile("/dev/zero", text), SettingsFileStatus::NotAFile);
    EXPECT_EQ(ReadSettingsFile(folder.path().string().c_str(), text), SettingsFileStatus::NotAFile);
    EXPECT_EQ(ReadSettingsFile((folder / "missing.ini").c_str(), text), SettingsFileStatus::Missing);

    // The reader closes the pipe at the limit; the writer then gets EPIPE, not a signal.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const std::string fifo = folder / "fifo.ini";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::size_t size : {std::size_t(100), kSettingsFileLimit + 1}) {
        const std::string sent = Bytes(Form::Utf16LE, "[Version=1.5]\nDot Size=5\n") + std::string(size, '\0');
        std::thread writer([&] {
            const int fd = open(fifo.c_str(), O_WRONLY);
            // The reader may stop reading at the limit; the rest is not wanted.
            for (std::size_t done = 0; fd >= 0 && done < sent.size();) {
                const ssize_t n = write(fd, sent.data() + done, sent.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            if (fd >= 0) close(fd);
        });
        const SettingsFileStatus status = ReadSettingsFile(fifo.c_str(), text);
        writer.join();
        if (size > kSettingsFileLimit) {
            EXPECT_EQ(status, SettingsFileStatus::TooLarge);
        } else {
            ASSERT_EQ(status, SettingsFileStatus::Read);
            EXPECT_EQ(text.substr(0, 25), "[Version=1.5]\nDot Size=5\n");
        }
    }
    sigaction(SIGPIPE, &previous, nullptr);
    // Nor is anything but a regular file written (a pipe without a writer: no wait).
    EXPECT_FALSE(ProfileWriteStrings("Version=1.5", {{"Dot Size", "1"}}, fifo.c_str()));
    EXPECT_FALSE(ProfileWriteStrings("Version=1.5", {{"Dot Size", "1"}}, "/dev/null"));
}
#endif

}  // namespace
