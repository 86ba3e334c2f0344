// The stored-defaults file in the real application-data folder: its path as the shell
// names the folder, the folders made with SHCreateDirectoryExA and removed again.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "WinTestSupport.h"
#include "effect/Identity.h"
#include "params/StoredDefaults.h"

using namespace Params;

TEST(StoredDefaultsWin, FileLivesUnderTheApplicationDataFolder) {
    char path[kSettingsPathSize] = {};
    ASSERT_TRUE(GetSettingsPath(path));
    EXPECT_EQ(std::string(path), WinTest::AppDataFolder() + "\\TORVA\\InkPanel\\T_Tonedot.ini");
    // Asking for the path makes nothing.
    WinTest::SettingsFolderGuard guard;
    ASSERT_TRUE(GetSettingsPath(path));
    EXPECT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));
}

TEST(StoredDefaultsWin, FoldersAreMadeAndRemovedAgain) {
    WinTest::SettingsFolderGuard guard;
    char path[kSettingsPathSize] = {};
    ASSERT_TRUE(GetSettingsPath(path));
    ASSERT_TRUE(CreateSettingsFolder(path));
    EXPECT_TRUE(WinTest::FolderExists(WinTest::SettingsFolder()));

    SetSettingsSection(Identity::kSettingsSection);
    WriteIniInt(path, "Dot Shape", 2);
    SetSettingsSection(nullptr);
    EXPECT_TRUE(WinTest::FileExists(WinTest::SettingsFile()));

    DeleteStoredDefaults(path);
    EXPECT_FALSE(WinTest::FileExists(WinTest::SettingsFile()));
    EXPECT_FALSE(WinTest::FolderExists(WinTest::SettingsFolder()));
    EXPECT_FALSE(WinTest::FolderExists(WinTest::VendorFolder()));
    EXPECT_TRUE(WinTest::FolderExists(WinTest::AppDataFolder()));
}

TEST(StoredDefaultsWin, ANonEmptyFolderStaysAndSoDoesEverythingAboveIt) {
    WinTest::SettingsFolderGuard guard;
    char path[kSettingsPathSize] = {};
    ASSERT_TRUE(GetSettingsPath(path));
    ASSERT_TRUE(CreateSettingsFolder(path));
    const std::string note = WinTest::SettingsFolder() + "\\readme.txt";
    ASSERT_TRUE(WinTest::WriteFile(note, "kept"));
    SetSettingsSection(Identity::kSettingsSection);
    WriteIniInt(path, "Dot Shape", 2);
    SetSettingsSection(nullptr);

    DeleteStoredDefaults(path);
    EXPECT_FALSE(WinTest::FileExists(WinTest::SettingsFile()));
    EXPECT_TRUE(WinTest::FileExists(note));
    EXPECT_TRUE(WinTest::FolderExists(WinTest::VendorFolder()));
}
