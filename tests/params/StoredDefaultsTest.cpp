// The stored-defaults file: its path, round trips through the typed readers and writers,
// hand-edited files, the C runtime locale and the restore action's folder rules.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <string>

#include "AEUtil/Platform.h"
#include "effect/Identity.h"
#include "params/StoredDefaults.h"
#include "tests/support/ScratchFolder.h"

using namespace Params;

namespace fs = std::filesystem;
namespace Platform = AEUtil::Platform;

namespace {

#ifdef _WIN32
const std::string kRoot = "C:\\";
#else
const std::string kRoot = "/";
#endif

// An application-data folder of its own and the current section for each test.
class StoredDefaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        appData_ = scratch_.path() / "config";
        fs::create_directory(appData_);
        Platform::SetAppDataFolderOverride(appData_.string());
        SetSettingsSection(Identity::kSettingsSection);
    }
    void TearDown() override {
        Platform::ClearAppDataFolderOverride();
        SetSettingsSection(nullptr);
    }

    // The settings path with its folder created, as the options dialog prepares it.
    std::string PreparedPath() {
        char path[kSettingsPathSize];
        EXPECT_TRUE(GetSettingsPath(path));
        EXPECT_TRUE(CreateSettingsFolder(path));
        return path;
    }

    ScratchFolder scratch_;
    fs::path appData_;
};

PF_Pixel Pixel(int a, int r, int g, int b) {
    PF_Pixel p{};
    p.alpha = static_cast<A_u_char>(a);
    p.red = static_cast<A_u_char>(r);
    p.green = static_cast<A_u_char>(g);
    p.blue = static_cast<A_u_char>(b);
    return p;
}

}  // namespace

TEST_F(StoredDefaultsTest, PathLiesInTheApplicationDataFolder) {
    char path[kSettingsPathSize];
    ASSERT_TRUE(GetSettingsPath(path));
    const std::string sep(1, Platform::kPathSeparator);
    EXPECT_EQ(std::string(path),
              appData_.string() + sep + "TORVA" + sep + "InkPanel" + sep + "T_Tonedot.ini");

    // A trailing separator on the folder is not doubled.
    Platform::SetAppDataFolderOverride(appData_.string() + sep);
    ASSERT_TRUE(GetSettingsPath(path));
    EXPECT_EQ(std::string(path).find(sep + sep), std::string::npos);
}

TEST_F(StoredDefaultsTest, NoUsablePathMeansNoStoredDefaults) {
    char path[kSettingsPathSize];
    for (const std::string folder : {"", "relative/folder", "config"}) {
        Platform::SetAppDataFolderOverride(folder);
        std::strcpy(path, "stale");
        EXPECT_FALSE(GetSettingsPath(path)) << folder;
        EXPECT_STREQ(path, "") << folder;
    }

    // The longest path that fits 259 characters is taken; one more is refused, never cut.
    const std::string sep(1, Platform::kPathSeparator);
    const std::string tail = sep + "TORVA" + sep + "InkPanel" + sep + "T_Tonedot.ini";
    const std::string folder =
        kRoot + std::string(kSettingsPathSize - 1 - tail.size() - kRoot.size(), 'x');
    Platform::SetAppDataFolderOverride(folder);
    ASSERT_TRUE(GetSettingsPath(path));
    EXPECT_EQ(std::strlen(path), kSettingsPathSize - 1);
    Platform::SetAppDataFolderOverride(folder + "y");
    EXPECT_FALSE(GetSettingsPath(path));
    EXPECT_STREQ(path, "");

    // A smaller buffer is respected as well.
    Platform::SetAppDataFolderOverride(kRoot + "a");
    char small[20];
    EXPECT_FALSE(GetSettingsPath(small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST_F(StoredDefaultsTest, SectionIsSetClearedAndBounded) {
    EXPECT_STREQ(SettingsSection(), "Version=1.5");
    SetSettingsSection("");
    EXPECT_STREQ(SettingsSection(), "");
    const std::string longName(300, 's');
    SetSettingsSection(longName.c_str());
    EXPECT_EQ(std::strlen(SettingsSection()), kSettingsSectionSize - 1);
}

TEST_F(StoredDefaultsTest, SavedValuesReadBackAndTheFileLooksAsDocumented) {
    const std::string path = PreparedPath();
    WriteIniInt(path.c_str(), "Dot Shape", 1);
    WriteIniColor(path.c_str(), "Dot Color", Pixel(255, 255, 125, 20));
    WriteIniReal(path.c_str(), "Dot Size", 10.0);
    EXPECT_EQ(ReadBytes(path),
              "[Version=1.5]\r\nDot Shape=1\r\nDot Color.r=255\r\nDot Color.g=125\r\n"
              "Dot Color.b=20\r\nDot Color.a=255\r\nDot Size=10.000000\r\n");

    WriteIniInt(path.c_str(), "Random Seed", -123456789);
    WriteIniReal(path.c_str(), "Aspect", -0.1234567);
    WriteIniReal(path.c_str(), "Big", 123456789.5);
    WriteIniColor(path.c_str(), "Blend Color 2", Pixel(10, 0, 1, 254));

    EXPECT_EQ(ReadIniInt(path.c_str(), "Dot Shape", 9), 1);
    EXPECT_EQ(ReadIniInt(path.c_str(), "Random Seed", 9), -123456789);
    EXPECT_EQ(ReadIniReal(path.c_str(), "Dot Size", 9.0), 10.0);
    EXPECT_EQ(ReadIniReal(path.c_str(), "Aspect", 9.0), -0.123457);  // six decimals
    EXPECT_EQ(ReadIniReal(path.c_str(), "Big", 9.0), 123456789.5);
    const PF_Pixel c = ReadIniColor(path.c_str(), "Blend Color 2", Pixel(77, 9, 9, 9));
    EXPECT_EQ(c.red, 0);
    EXPECT_EQ(c.green, 1);
    EXPECT_EQ(c.blue, 254);
    EXPECT_EQ(c.alpha, 77) << "alpha is written but never read";

    // Writing again replaces values and keeps the others.
    WriteIniInt(path.c_str(), "Dot Shape", 4);
    EXPECT_EQ(ReadIniInt(path.c_str(), "Dot Shape", 9), 4);
    EXPECT_EQ(ReadIniReal(path.c_str(), "Dot Size", 9.0), 10.0);
}

TEST_F(StoredDefaultsTest, HandWrittenFileReadsIntoTheFileFormat) {
    const std::string path = PreparedPath();
    WriteBytes(path,
               "[Other]\nDot Size=1\n"
               "[VERSION=1.5]\n"
               "dot size = 2,75 \n"
               "Dot Color.r=12\n"
               "Halo Color.r=300\nHalo Color.g=-4\nHalo Color.b=x\n"
               "Angle=\"45.5\"\n");
    EXPECT_EQ(ReadIniReal(path.c_str(), "Dot Size", 1.0), 2.75);
    EXPECT_EQ(ReadIniReal(path.c_str(), "Angle", 0.0), 45.5);

    // A colour with only ".r" takes green and blue from the built-in colour.
    const PF_Pixel partial = ReadIniColor(path.c_str(), "Dot Color", Pixel(255, 1, 125, 20));
    EXPECT_EQ(partial.red, 12);
    EXPECT_EQ(partial.green, 125);
    EXPECT_EQ(partial.blue, 20);
    EXPECT_EQ(partial.alpha, 255);

    // Out-of-range components are held to a byte; text without digits gives the built-in.
    const PF_Pixel held = ReadIniColor(path.c_str(), "Halo Color", Pixel(255, 1, 2, 3));
    EXPECT_EQ(held.red, 255);
    EXPECT_EQ(held.green, 0);
    EXPECT_EQ(held.blue, 3);
}

TEST_F(StoredDefaultsTest, HostileTextNeverEscapesTheFallback) {
    const std::string path = PreparedPath();
    std::string file = "[Version=1.5]\r\n";
    file += "Long=" + std::string(100000, '9') + "\r\n";
    file += "LongReal=" + std::string(5000, '1') + ".5\r\n";
    file += std::string("Binary=\x01\x02\xff\xfe") + "\r\n";
    file += "Space=   \r\n";
    file += "Tiny=1e-400\r\n";
    WriteBytes(path, file);
    EXPECT_EQ(ReadIniInt(path.c_str(), "Long", 3), 2147483647);
    // Cut at 127 characters, the value is still a finite number.
    EXPECT_DOUBLE_EQ(ReadIniReal(path.c_str(), "LongReal", 3.0), 1.1111111111111111e126);
    EXPECT_EQ(ReadIniInt(path.c_str(), "Binary", 3), 3);
    EXPECT_EQ(ReadIniReal(path.c_str(), "Binary", 3.0), 3.0);
    EXPECT_EQ(ReadIniReal(path.c_str(), "Space", 3.0), 3.0);
    const double tiny = ReadIniReal(path.c_str(), "Tiny", 3.0);
    EXPECT_TRUE(tiny == 3.0 || tiny == 0.0) << tiny;
}

TEST_F(StoredDefaultsTest, NothingIsReadOrWrittenWithoutPathOrSection) {
    const std::string path = PreparedPath();
    WriteIniInt(nullptr, "Dot Shape", 2);
    WriteIniInt("", "Dot Shape", 2);
    EXPECT_EQ(ReadIniInt(nullptr, "Dot Shape", 5), 5);
    EXPECT_EQ(ReadIniReal(nullptr, "Dot Size", 5.5), 5.5);
    EXPECT_EQ(ReadIniColor(nullptr, "Dot Color", Pixel(1, 2, 3, 4)).green, 3);

    SetSettingsSection("");
    WriteIniInt(path.c_str(), "Dot Shape", 2);
    WriteIniColor(path.c_str(), "Dot Color", Pixel(1, 2, 3, 4));
    EXPECT_FALSE(fs::exists(path));

    SetSettingsSection(Identity::kSettingsSection);
    WriteIniInt(path.c_str(), "Dot Shape", 2);
    SetSettingsSection("");
    EXPECT_EQ(ReadIniInt(path.c_str(), "Dot Shape", 5), 5);

    // Values that have no "%f" form within the value buffer are not written.
    SetSettingsSection(Identity::kSettingsSection);
    WriteIniReal(path.c_str(), "NaN", std::nan(""));
    WriteIniReal(path.c_str(), "Huge", 1e300);
    EXPECT_EQ(ReadBytes(path).find("NaN"), std::string::npos);
    EXPECT_EQ(ReadBytes(path).find("Huge"), std::string::npos);
}

TEST_F(StoredDefaultsTest, DecimalCommaLocaleWritesAPointAndReadsBoth) {
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    }
    if (!found || std::localeconv()->decimal_point[0] != ',') {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    const std::string path = PreparedPath();
    WriteIniReal(path.c_str(), "Dot Size", 1.5);
    WriteIniInt(path.c_str(), "Count", 12345678);
    const std::string text = ReadBytes(path);
    EXPECT_NE(text.find("Dot Size=1.500000\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Count=12345678\r\n"), std::string::npos) << text;
    EXPECT_EQ(ReadIniReal(path.c_str(), "Dot Size", 0.0), 1.5);
    WriteBytes(path, "[Version=1.5]\r\nDot Size=2,25\r\n");
    EXPECT_EQ(ReadIniReal(path.c_str(), "Dot Size", 0.0), 2.25);
    std::setlocale(LC_ALL, "C");
}

TEST_F(StoredDefaultsTest, SavingCreatesTheFoldersAndRestoringRemovesThem) {
    char path[kSettingsPathSize];
    ASSERT_TRUE(GetSettingsPath(path));
    ASSERT_FALSE(fs::exists(appData_ / "TORVA"));
    ASSERT_TRUE(CreateSettingsFolder(path));
    WriteIniInt(path, "Dot Shape", 2);
    ASSERT_TRUE(fs::exists(path));

    DeleteStoredDefaults(path);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(appData_ / "TORVA"));
    EXPECT_TRUE(fs::is_directory(appData_)) << "the application-data folder stays";
}

TEST_F(StoredDefaultsTest, RestoringKeepsFoldersHoldingOtherFiles) {
    const std::string path = PreparedPath();
    WriteIniInt(path.c_str(), "Dot Shape", 2);
    WriteBytes((appData_ / "TORVA" / "T_Other.ini").string(), "[x]\r\n");
    DeleteStoredDefaults(path.c_str());
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(appData_ / "TORVA" / "InkPanel"));
    EXPECT_TRUE(fs::exists(appData_ / "TORVA" / "T_Other.ini"));

    const std::string again = PreparedPath();
    WriteIniInt(again.c_str(), "Dot Shape", 2);
    WriteBytes((appData_ / "TORVA" / "InkPanel" / "notes.txt").string(), "mine");
    DeleteStoredDefaults(again.c_str());
    EXPECT_FALSE(fs::exists(again));
    EXPECT_TRUE(fs::exists(appData_ / "TORVA" / "InkPanel" / "notes.txt"));
}

TEST_F(StoredDefaultsTest, RestoringNeverRemovesTheApplicationDataFolderOrAnythingAbove) {
    // An empty application-data folder holding only the file itself stays.
    const std::string direct = (appData_ / "T_Tonedot.ini").string();
    WriteBytes(direct, "[Version=1.5]\r\n");
    DeleteStoredDefaults(direct.c_str());
    EXPECT_FALSE(fs::exists(direct));
    EXPECT_TRUE(fs::is_directory(appData_));

    // A file deeper down: only the two folders above it may go.
    const fs::path deep = appData_ / "a" / "b" / "c";
    fs::create_directories(deep);
    WriteBytes((deep / "T_Tonedot.ini").string(), "x");
    DeleteStoredDefaults((deep / "T_Tonedot.ini").string().c_str());
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_FALSE(fs::exists(appData_ / "a" / "b"));
    EXPECT_TRUE(fs::is_directory(appData_ / "a"));

    // A file outside the application-data folder: its folders are not touched.
    const fs::path outside = scratch_.path() / "elsewhere" / "inner";
    fs::create_directories(outside);
    WriteBytes((outside / "T_Tonedot.ini").string(), "x");
    DeleteStoredDefaults((outside / "T_Tonedot.ini").string().c_str());
    EXPECT_TRUE(fs::is_directory(outside));

    // A folder whose name only begins like the application-data folder is outside it.
    const fs::path twin = scratch_.path() / "config2" / "TORVA" / "InkPanel";
    fs::create_directories(twin);
    WriteBytes((twin / "T_Tonedot.ini").string(), "x");
    DeleteStoredDefaults((twin / "T_Tonedot.ini").string().c_str());
    EXPECT_TRUE(fs::is_directory(twin));

    // Without an application-data folder the file goes and every folder stays.
    Platform::SetAppDataFolderOverride("");
    const fs::path kept = appData_ / "TORVA" / "InkPanel";
    fs::create_directories(kept);
    WriteBytes((kept / "T_Tonedot.ini").string(), "x");
    DeleteStoredDefaults((kept / "T_Tonedot.ini").string().c_str());
    EXPECT_FALSE(fs::exists(kept / "T_Tonedot.ini"));
    EXPECT_TRUE(fs::is_directory(kept));
}
