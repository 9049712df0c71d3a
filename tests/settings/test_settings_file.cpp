#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "resources/StringTable.h"
#include "settings/Language.h"
#include "settings/SettingsFile.h"
#include "settings/SharedState.h"

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    void Write(const QByteArray& text) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString Read() {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QTemporaryDir dir;
    QString file = SettingsFilePathIn(dir.path());
};

TEST_F(SettingsFileTest, FileLivesInTheFolderGiven) {
    EXPECT_EQ(file, dir.path() + "/lumivisor.ini");
    EXPECT_EQ(SettingsFilePathIn("/cfg/"), "/cfg/lumivisor.ini");
}

TEST_F(SettingsFileTest, DefaultLanguageIsRussianOnlyForLocale2052) {
    EXPECT_EQ(DefaultLanguageFor(2052), 1);
    EXPECT_EQ(DefaultLanguageFor(1049), 0);
    EXPECT_EQ(DefaultLanguageFor(1033), 0);
}

struct LanCase {
    const char* fileText;  // nullptr: no file
    int defaultFlag;
    int expected;
};

class LanguageSettingTest : public SettingsFileTest,
                            public ::testing::WithParamInterface<LanCase> {};

TEST_P(LanguageSettingTest, ReadsLan) {
    if (GetParam().fileText) Write(GetParam().fileText);
    EXPECT_EQ(ReadLanguageSetting(file, GetParam().defaultFlag), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, LanguageSettingTest,
                         ::testing::Values(LanCase{nullptr, 0, 0}, LanCase{nullptr, 1, 1},
                                           LanCase{"[lumivisor]\nlan=0\n", 1, 0},
                                           LanCase{"[lumivisor]\nlan=1\n", 0, 1},
                                           LanCase{"[lumivisor]\nlan=5\n", 0, 5},
                                           LanCase{"[lumivisor]\nlan=russian\n", 1, 0},
                                           LanCase{"[lumivisor]\nlan=\n", 1, 1},
                                           LanCase{"[other]\nlan=1\n", 0, 0}));

TEST_F(SettingsFileTest, PathGetsOneSeparatorAndDefaultsToTheDesktop) {
    EXPECT_EQ(ReadSaveFolderSetting(file, "/home/u/Desktop"), "/home/u/Desktop/");
    Write("[lumivisor]\npath=/data/pics\n");
    EXPECT_EQ(ReadSaveFolderSetting(file, "/desk"), "/data/pics/");
    Write("[lumivisor]\npath=/data/pics/\n");
    EXPECT_EQ(ReadSaveFolderSetting(file, "/desk"), "/data/pics/");
    Write("[lumivisor]\npath=\n");
    EXPECT_EQ(ReadSaveFolderSetting(file, "/desk"), "");
}

TEST_F(SettingsFileTest, LongPathIsReadWhole) {
    QString longPath;
    while (longPath.size() < 700) longPath += "/a-rather-long-folder-name";
    Write("[lumivisor]\npath=" + longPath.toUtf8() + "\n");
    EXPECT_EQ(ReadSaveFolderSetting(file, "/desk"), longPath + "/");
}

TEST_F(SettingsFileTest, WritesKeepTheOtherKeyAndLines) {
    Write("# mine\n[lumivisor]\npath=/p/\n[x]\ny=1\n");
    ASSERT_TRUE(WriteLanguageSetting(file, 5));
    EXPECT_EQ(Read(), "# mine\n[lumivisor]\npath=/p/\nlan=1\n[x]\ny=1\n");
    ASSERT_TRUE(WriteLanguageSetting(file, 0));
    ASSERT_TRUE(WriteSaveFolderSetting(file, "/q/"));
    EXPECT_EQ(Read(), "# mine\n[lumivisor]\npath=/q/\nlan=0\n[x]\ny=1\n");
    EXPECT_EQ(ReadSaveFolderSetting(file, "/desk"), "/q/");
    EXPECT_EQ(ReadLanguageSetting(file, 1), 0);
}

TEST(SharedStateTest, InitialValues) {
    EXPECT_TRUE(SaveFolder.isEmpty());
    EXPECT_EQ(PicturePrefix, "NEWPIC");
    EXPECT_EQ(VideoPrefix, "NEWAVI");
    EXPECT_EQ(NextPictureNumber, 0);
    EXPECT_EQ(NextVideoNumber, 0);
    EXPECT_EQ(LanguageFlag, 0);
    EXPECT_EQ(AutoNumbering, 1);
    EXPECT_EQ(FrameInfo.biWidth, 0);
    EXPECT_EQ(FrameInfo.biSize, 0u);
}

TEST(StringTableTest, EveryPairHasBothTexts) {
    for (int id = kFirstStringId; id <= kLastStringId; id += 2) {
        if (id == 98) continue;  // 98 and 99 are not used
        EXPECT_FALSE(LoadStringId(id).isEmpty()) << id;
        EXPECT_FALSE(LoadStringId(id + 1).isEmpty()) << id + 1;
    }
    EXPECT_TRUE(LoadStringId(98).isEmpty());
    EXPECT_TRUE(LoadStringId(79).isEmpty());
    EXPECT_TRUE(LoadStringId(kLastStringId + 1).isEmpty());
}

TEST(StringTableTest, PickStringFollowsLanguageFlag) {
    const int saved = LanguageFlag;
    LanguageFlag = 0;
    EXPECT_EQ(PickString(100), "Orvida endoscopes &microscopes software");
    EXPECT_EQ(PickString(150), "CoInitialize Failed!\r\n");
    LanguageFlag = 7;
    EXPECT_EQ(PickString(100), "Программное обеспечение для эндоскопов и микроскопов Orvida");
    EXPECT_EQ(PickString(152), "Невозможно построить график!");
    LanguageFlag = saved;
    EXPECT_EQ(LoadStringForLanguage(152, 0), "Can\u2019t build the graph");
    EXPECT_EQ(LoadStringForLanguage(108, 1), "Запись\u2026");
    EXPECT_EQ(LoadStringForLanguage(92, 0), "   ");
}

}  // namespace
