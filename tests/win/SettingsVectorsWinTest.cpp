// The settings-file reading rules (tests/SettingsVectors.h) against the Windows kernel's own
// private-profile functions, called here directly rather than through the effect's
// platform layer, so the table's answers are Windows' answers.  The portable reader runs
// the same table on other systems (tests/PrivateProfileTest.cpp); both must give what the
// table lists.  The stored-defaults readers run on the kernel functions in this build, so
// their rows are checked through them.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "WinTestSupport.h"
#include "params/StoredDefaults.h"
#include "tests/support/SettingsVectors.h"

using namespace Params;

namespace {

using SettingsVectors::Reader;
using SettingsVectors::Vector;

// A scratch folder of the test's own under the system's temporary folder.
class ScratchFolder {
public:
    ScratchFolder() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "tonedot-vectors-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchFolder() {
        WIN32_FIND_DATAA entry;
        HANDLE find = FindFirstFileA((path_ + "\\*").c_str(), &entry);
        if (find != INVALID_HANDLE_VALUE) {
            do DeleteFileA((path_ + "\\" + entry.cFileName).c_str());
            while (FindNextFileA(find, &entry));
            FindClose(find);
        }
        RemoveDirectoryA(path_.c_str());
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// What the row's reader answers, as text.  Every row gets a file name of its own: the
// kernel keeps the last profile file it read cached.
std::string Read(const Vector& v, const std::string& file) {
    switch (v.reader) {
    case Reader::ProfileString: {
        std::string buffer(v.bufferLength + 8, '#');
        const DWORD n = GetPrivateProfileStringA(v.section, v.key, v.fallbackText, &buffer[0],
                                                 DWORD(v.bufferLength), file.c_str());
        EXPECT_EQ(buffer[v.bufferLength], '#') << v.what << ": wrote past the buffer";
        const std::string text = buffer.c_str();
        EXPECT_EQ(size_t(n), text.size()) << v.what << ": returned length";
        return text;
    }
    case Reader::ProfileInt:
        return std::to_string(int(GetPrivateProfileIntA(v.section, v.key, int(v.fallback), file.c_str())));
    case Reader::IniInt:
        return std::to_string(ReadIniInt(file.c_str(), v.key, A_long(v.fallback)));
    case Reader::IniReal: {
        char text[64];
        std::snprintf(text, sizeof(text), "%.17g", ReadIniReal(file.c_str(), v.key, v.fallback));
        return text;
    }
    }
    return "?";
}

std::string Expected(const Vector& v) {
    switch (v.reader) {
    case Reader::ProfileString:
        return v.expectedText;
    case Reader::ProfileInt:
    case Reader::IniInt:
        return std::to_string(static_cast<long long>(v.expected));
    case Reader::IniReal: {
        char text[64];
        std::snprintf(text, sizeof(text), "%.17g", v.expected);
        return text;
    }
    }
    return "?";
}

}  // namespace

TEST(SettingsVectorsWin, KernelProfileFunctionsAnswerEveryRowAsListed) {
    ScratchFolder folder;
    SetSettingsSection(SettingsVectors::kSection);
    int row = 0;
    for (const Vector& v : SettingsVectors::kVectors) {
        const std::string file = folder.Path() + "\\row" + std::to_string(row++) + ".ini";
        if (v.fileText) {
            ASSERT_TRUE(WinTest::WriteFile(file, v.fileText)) << file;
        }
        EXPECT_EQ(Read(v, file), Expected(v)) << "row " << row - 1 << ": " << v.what;
    }
    SetSettingsSection(nullptr);
}

// What the effect writes, the kernel reads back: the writers replace the file whole by
// the rules every platform shares and leave unrelated keys and sections alone.
TEST(SettingsVectorsWin, WrittenValuesReadBackThroughTheKernel) {
    ScratchFolder folder;
    const std::string file = folder.Path() + "\\written.ini";
    ASSERT_TRUE(WinTest::WriteFile(file, "[Other]\r\nKeep=1\r\n[Version=1.5]\r\nUnrelated=x\r\n"));
    SetSettingsSection(SettingsVectors::kSection);
    WriteIniReal(file.c_str(), "Dot Size", 25.0);
    WriteIniInt(file.c_str(), "Dot Shape", 4);
    WriteIniColor(file.c_str(), "Dot Color", PF_Pixel{200, 1, 2, 3});
    SetSettingsSection(nullptr);

    char text[64] = {};
    GetPrivateProfileStringA("Version=1.5", "Dot Size", "", text, sizeof(text), file.c_str());
    EXPECT_STREQ(text, "25.000000");
    EXPECT_EQ(GetPrivateProfileIntA("Version=1.5", "Dot Shape", 0, file.c_str()), 4u);
    EXPECT_EQ(GetPrivateProfileIntA("Version=1.5", "Dot Color.r", 0, file.c_str()), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("Version=1.5", "Dot Color.g", 0, file.c_str()), 2u);
    EXPECT_EQ(GetPrivateProfileIntA("Version=1.5", "Dot Color.b", 0, file.c_str()), 3u);
    EXPECT_EQ(GetPrivateProfileIntA("Version=1.5", "Dot Color.a", 0, file.c_str()), 200u);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "Keep", 0, file.c_str()), 1u);
    GetPrivateProfileStringA("Version=1.5", "Unrelated", "", text, sizeof(text), file.c_str());
    EXPECT_STREQ(text, "x");
}
