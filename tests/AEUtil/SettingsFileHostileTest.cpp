// Settings files as other programs (or damage) may leave them: the writer's added key must
// read back, whatever ends the file.
#include <gtest/gtest.h>

#include <string>

#include "AEUtil/Platform.h"
#include "tests/support/ScratchFolder.h"

using namespace AEUtil::Platform;

namespace {

std::string Read(const char* section, const char* key, const std::string& file) {
    char value[64];
    ProfileReadString(section, key, "(none)", value, sizeof value, file.c_str());
    return value;
}

TEST(SettingsFileHostile, KeyAddedAfterALastLineEndedByACarriageReturnAlone) {
    // Found by fuzz_settings_file: a lone '\r' does not end a line, so the added key used to
    // be glued onto the last line and was lost.
    for (const std::string ending : {"\r", "\r\r", " \r", ""}) {
        ScratchFolder folder;
        const std::string file = folder / "T_Tonedot.ini";
        WriteBytes(file, "[Version=1.5]\r\nDot Shape=2" + ending);
        ASSERT_TRUE(ProfileWriteString("Version=1.5", "Dot Size", "12.5", file.c_str()));
        EXPECT_EQ(Read("Version=1.5", "Dot Size", file), "12.5");
        EXPECT_EQ(Read("Version=1.5", "Dot Shape", file), "2");
    }
}

TEST(SettingsFileHostile, BinaryBytesAroundTheKeysDoNotDisturbTheirNeighbours) {
#ifdef _WIN32
    // ProfileReadString and ProfileWriteString are the Windows kernel's there; this case is
    // for the portable reader and writer.
    GTEST_SKIP() << "the Windows kernel's reader";
#endif
    // FF FD, not FF FE: a file starting FF FE is UTF-16 (SettingsFileTest).
    ScratchFolder folder;
    const std::string file = folder / "T_Tonedot.ini";
    WriteBytes(file, std::string("\xff\xfd\n[Version=1.5]\n\x00\x01=\x02\nDot Shape=3\n", 34) +
                         std::string(5000, '\xff') + "\n[Other]\nDot Size=1\n");
    ASSERT_TRUE(ProfileWriteString("Version=1.5", "Dot Size", "7", file.c_str()));
    EXPECT_EQ(Read("Version=1.5", "Dot Size", file), "7");
    EXPECT_EQ(Read("Version=1.5", "Dot Shape", file), "3");
    EXPECT_EQ(Read("Other", "Dot Size", file), "1");
}

}  // namespace
