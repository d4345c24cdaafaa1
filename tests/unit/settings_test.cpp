// Settings store on the real profile functions and the real file in the
// prefix's Windows directory.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/settings.h"
#include "tests/support/settingsfile.h"
#include "tests/support/testfiles.h"

class SettingsStore : public testing::Test {
protected:
    void SetUp() override { DeleteSettingsFile(); }
    void TearDown() override { DeleteSettingsFile(); }
};

TEST_F(SettingsStore, FileNameIsSetBeforeTheEntryRuns)
{
    // Static construction has run by the time any test does.
    EXPECT_STREQ("KAVONIX.INI", g_settingsFile.Text());
}

TEST_F(SettingsStore, ProgramStringsLandInTheWindowsDirectoryFile)
{
    WriteProgramString("Starte mit", "5");
    WriteProgramString("m_lang_id", "1");
    ASSERT_TRUE(SettingsFileExists());
    EXPECT_EQ("5", ProgramSetting("Starte mit"));
    EXPECT_EQ("1", ProgramSetting("m_lang_id"));
    EXPECT_NE(std::string::npos, ReadSettingsText().find("[Program]"));

    WriteProgramString("Starte mit", "0");
    EXPECT_EQ("0", ProgramSetting("Starte mit"));
    EXPECT_EQ("1", ProgramSetting("m_lang_id"));
}

TEST_F(SettingsStore, ExplicitFileAndSectionAreUsed)
{
    std::string file = TestDir("settings") + "other.ini";
    DeleteFileA(file.c_str());
    EXPECT_NE(0, WriteString("Elsewhere", "key", "value", file.c_str()));
    EXPECT_FALSE(SettingsFileExists());

    char out[kSettingsSize] = "";
    EXPECT_EQ(5, GetString("Elsewhere", "key", "none", out, file.c_str()));
    EXPECT_STREQ("value", out);
    EXPECT_EQ(4, GetString("Program", "key", "none", out, file.c_str()));
    EXPECT_STREQ("none", out);
    std::vector<unsigned char> bytes = ReadFileBytes(file);
    EXPECT_NE(std::string::npos, std::string(bytes.begin(), bytes.end()).find("key=value"));
    DeleteFileA(file.c_str());
}

TEST_F(SettingsStore, ProgramStringKeepsTheBufferWhenTheKeyIsMissing)
{
    char buffer[kSettingsSize] = "kept";
    EXPECT_EQ(4, GetProgramString("Starte mit", buffer));
    EXPECT_STREQ("kept", buffer);

    char cleared[kSettingsSize] = {0};
    EXPECT_EQ(0, GetProgramString("Starte mit", cleared));
    EXPECT_STREQ("", cleared);

    WriteProgramSettings("6", nullptr);
    EXPECT_EQ(1, GetProgramString("Starte mit", buffer));
    EXPECT_STREQ("6", buffer);
}

TEST_F(SettingsStore, LongValuesAreCutToTheBuffer)
{
    std::string value(3000, 'x');
    WriteProgramSettings(value.c_str(), nullptr);
    char buffer[kSettingsSize] = {0};
    int count = GetProgramString("Starte mit", buffer);
    EXPECT_EQ((int)kSettingsSize - 1, count);
    EXPECT_EQ(std::string(kSettingsSize - 1, 'x'), std::string(buffer));
}

TEST_F(SettingsStore, ProgramIntReadsNumbersAndTexts)
{
    EXPECT_EQ(4, GetProgramInt("Starte mit", 4)) << "absent key";
    EXPECT_EQ(-7, GetProgramInt("Starte mit", -7)) << "absent key, negative default";

    const struct {
        const char* stored;
        int expected;
    } cases[] = {
        {"1", 1}, {"0", 0}, {"-1", -1}, {"2", 2}, {"12abc", 12}, {"abc", 0}, {"+3", 3}, {" 9", 9},
    };
    for (const auto& c : cases) {
        WriteProgramSettings(nullptr, c.stored);
        EXPECT_EQ(c.expected, GetProgramInt("m_lang_id", 77)) << "stored \"" << c.stored << "\"";
    }
    // An empty value reads as nothing at all, so the default stands.
    WriteProgramSettings(nullptr, "");
    EXPECT_EQ(77, GetProgramInt("m_lang_id", 77));
}

TEST_F(SettingsStore, IntClampsMaximumFirstThenMinimum)
{
    const struct {
        const char* stored;
        int minimum, maximum, expected;
    } cases[] = {
        {"3", 10, 5, 10}, {"7", 10, 5, 10}, {"20", 10, 5, 10}, {"-4", 10, 5, 10},
        {"9", 0, 6, 6},   {"-3", 0, 6, 0},  {"4", 0, 6, 4},    {"9", -1, 6, 9},
        {"-9", 0, -1, -9},
    };
    for (const auto& c : cases) {
        WriteProgramSettings(c.stored, nullptr);
        EXPECT_EQ(c.expected, GetInt("Program", "Starte mit", 1, c.minimum, c.maximum))
            << "stored " << c.stored << " min " << c.minimum << " max " << c.maximum;
    }
    DeleteSettingsFile();
    EXPECT_EQ(10, GetInt("Program", "Starte mit", 1, 10, 5)) << "absent key, default clamped";
    EXPECT_EQ(1, GetInt("Program", "Starte mit", 1, -1, -1));
}
