// The private-profile reader against the shared table, and the writer's care for the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "AEUtil/Platform.h"
#include "params/StoredDefaults.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/SettingsVectors.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Params;

namespace fs = std::filesystem;
using namespace AEUtil::Platform;

namespace {

class SectionScope {
public:
    explicit SectionScope(const char* section) { SetSettingsSection(section); }
    ~SectionScope() { SetSettingsSection(nullptr); }
};

std::string RunVector(const SettingsVectors::Vector& v, const std::string& file) {
    using SettingsVectors::Reader;
    SectionScope section(v.section);
    switch (v.reader) {
    case Reader::ProfileString: {
        std::string buffer(v.bufferLength + 8, '#');
        const std::size_t n = ProfileReadString(v.section, v.key, v.fallbackText, &buffer[0],
                                                v.bufferLength, file.c_str());
        const std::string text = buffer.c_str();
        EXPECT_EQ(n, text.size()) << v.what;
        EXPECT_EQ(buffer[v.bufferLength], '#') << v.what << ": wrote past the buffer";
        return text;
    }
    case Reader::ProfileInt:
        return std::to_string(
            ProfileReadInt(v.section, v.key, static_cast<int>(v.fallback), file.c_str()));
    case Reader::IniInt:
        return std::to_string(
            ReadIniInt(file.c_str(), v.key, static_cast<A_long>(v.fallback)));
    case Reader::IniReal: {
        const double value = ReadIniReal(file.c_str(), v.key, v.fallback);
        EXPECT_EQ(value, v.expected) << v.what;
        return std::to_string(value);
    }
    }
    return std::string();
}

std::string Expected(const SettingsVectors::Vector& v) {
    using SettingsVectors::Reader;
    switch (v.reader) {
    case Reader::ProfileString:
        return v.expectedText;
    case Reader::ProfileInt:
    case Reader::IniInt:
        return std::to_string(static_cast<long long>(v.expected));
    case Reader::IniReal:
        return std::to_string(v.expected);
    }
    return std::string();
}

}  // namespace

TEST(SettingsVectorsTest, EveryRowReadsAsListed) {
    ScratchFolder folder;
    const std::string file = folder / "vector.ini";
    for (const auto& v : SettingsVectors::kVectors) {
        fs::remove(file);
        if (v.fileText) WriteBytes(file, v.fileText);
        EXPECT_EQ(RunVector(v, file), Expected(v)) << v.what;
    }
}

TEST(PrivateProfileWriteTest, CreatesTheFileOnlyWhenItsFolderExists) {
    ScratchFolder folder;
    const std::string file = folder / "new.ini";
    ASSERT_TRUE(ProfileWriteString("Version=1.5", "Dot Shape", "2", file.c_str()));
    EXPECT_EQ(ReadBytes(file), "[Version=1.5]\r\nDot Shape=2\r\n");

    const std::string lost = folder / "missing/inner/new.ini";
    EXPECT_FALSE(ProfileWriteString("S", "k", "v", lost.c_str()));
    EXPECT_FALSE(fs::exists(folder / "missing"));
}

// The file's lines as the kept-lines test compares them.  On Windows the kernel's own
// writer lays out line endings and blank lines its own way (wine's rewrites the file with
// CRLF and drops blank lines); every other line must still be kept, in order.
static std::string Layout(const std::string& text) {
#ifdef _WIN32
    std::string out, line;
    std::istringstream in(text);
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) out += line + "\n";
    }
    return out;
#else
    return text;
#endif
}

TEST(PrivateProfileWriteTest, KeepsEveryOtherLineAsItWas) {
    ScratchFolder folder;
    const std::string file = folder / "kept.ini";
    const std::string original =
        "; written by hand\n"
        "[Other Product]\n"
        "Dot Size=99\n"
        "\n"
        "[version=1.5]\n"
        "  dot size =  1.000000\n"
        "Foreign Key=keep me\n"
        "\n"
        "[Tail]\n"
        "x=1\n";
    WriteBytes(file, original);

    // An existing key changes in place and keeps its spelling; LF endings stay LF.
    ASSERT_TRUE(ProfileWriteString("Version=1.5", "Dot Size", "2.500000", file.c_str()));
    std::string expected = original;
    expected.replace(expected.find("  dot size =  1.000000"), 22, "dot size=2.500000");
    EXPECT_EQ(Layout(ReadBytes(file)), Layout(expected));

    // A new key goes after the section's last line, before the blank line and next section.
    ASSERT_TRUE(ProfileWriteString("Version=1.5", "Dot Shape", "3", file.c_str()));
    expected.insert(expected.find("Foreign Key=keep me\n") + 20, "Dot Shape=3\n");
    EXPECT_EQ(Layout(ReadBytes(file)), Layout(expected));

    // A new section is added at the end.
    ASSERT_TRUE(ProfileWriteString("Fresh", "k", "v", file.c_str()));
    expected += "\n[Fresh]\nk=v\n";
    EXPECT_EQ(Layout(ReadBytes(file)), Layout(expected));

    char buffer[64];
    ProfileReadString("Other Product", "Dot Size", "", buffer, sizeof buffer, file.c_str());
    EXPECT_STREQ(buffer, "99");
}

TEST(PrivateProfileWriteTest, AddsAKeyToAnUnendedLastLine) {
    ScratchFolder folder;
    const std::string file = folder / "unended.ini";
    WriteBytes(file, "[S]\r\na=1");
    ASSERT_TRUE(ProfileWriteString("S", "b", "2", file.c_str()));
    EXPECT_EQ(ReadBytes(file), "[S]\r\na=1\r\nb=2\r\n");
}

TEST(PrivateProfileWriteTest, RefusesTextThatWouldChangeTheFileStructure) {
    ScratchFolder folder;
    const std::string file = folder / "guard.ini";
    WriteBytes(file, "[S]\r\nk=1\r\n");
    EXPECT_FALSE(ProfileWriteString("S", "k", "1\r\n[Injected]", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("S", "k=x", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("S", "[k", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("S\nT", "k", "1", file.c_str()));
    EXPECT_FALSE(ProfileWriteString("", "k", "1", file.c_str()));
    EXPECT_EQ(ReadBytes(file), "[S]\r\nk=1\r\n");
}

TEST(PrivateProfileWriteTest, ManyWritesLeaveOnlyTheFile) {
    ScratchFolder folder;
    const std::string file = folder / "only.ini";
    for (int i = 0; i < 40; ++i) {
        const std::string key = "Key " + std::to_string(i % 10);
        ASSERT_TRUE(ProfileWriteString("S", key.c_str(), std::to_string(i).c_str(),
                                       file.c_str()));
    }
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        ++entries;
        EXPECT_EQ(entry.path().filename(), "only.ini");
    }
    EXPECT_EQ(entries, 1);
    for (int k = 0; k < 10; ++k) {
        const std::string key = "key " + std::to_string(k);
        EXPECT_EQ(ProfileReadInt("s", key.c_str(), -1, file.c_str()), 30 + k);
    }
}

#ifndef _WIN32
TEST(PrivateProfileWriteTest, KeepsPermissionsAndSymbolicLinks) {
    ScratchFolder folder;
    const std::string real = folder / "real.ini";
    const std::string link = folder / "link.ini";
    WriteBytes(real, "[S]\nk=1\n");
    ASSERT_EQ(chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, link);

    ASSERT_TRUE(ProfileWriteString("S", "k", "2", link.c_str()));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(real), "[S]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(stat(real.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(PrivateProfileWriteTest, AFolderInThePlaceOfTheFileIsLeftAlone) {
    ScratchFolder folder;
    const std::string file = folder / "taken.ini";
    fs::create_directory(file);
    EXPECT_FALSE(ProfileWriteString("S", "k", "1", file.c_str()));
    char buffer[16];
    EXPECT_EQ(ProfileReadString("S", "k", "d", buffer, sizeof buffer, file.c_str()), 1u);
    EXPECT_STREQ(buffer, "d");
    EXPECT_TRUE(fs::is_directory(file));
}
#endif
