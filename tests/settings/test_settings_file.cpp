// Settings file keys, the string table, and the next file numbers of the save folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "resources/StringTable.h"
#include "settings/Language.h"
#include "settings/NumberedFiles.h"
#include "settings/SettingsFile.h"
#include "settings/SharedState.h"

namespace {

using lumitest::WriteFile;

// The save folder gets one separator; the desktop when missing, empty when empty.
TEST(SettingsFile, SaveFolderIsReadWithOneSeparator) {
    QTemporaryDir dir;
    const QString file = SettingsFilePathIn(dir.path());
    EXPECT_EQ(ReadSaveFolderSetting(file, "/home/u/Desktop"), "/home/u/Desktop/");
    for (const QString& path : {QString("/data/pics"), QString("/data/pics/"), QString()}) {
        ASSERT_TRUE(WriteFile(file, "[lumivisor]\npath=" + path.toUtf8() + "\n"));
        EXPECT_EQ(ReadSaveFolderSetting(file, "/desk"), path.isEmpty() ? "" : "/data/pics/");
    }
}

TEST(StringTable, EveryPairHasBothTextsAndTheFlagPicksOne) {
    for (int id = kFirstStringId; id <= kLastStringId; id += 2) {
        if (id == 98) continue;  // 98 and 99 are not used
        EXPECT_FALSE(LoadStringId(id).isEmpty() || LoadStringId(id + 1).isEmpty()) << id;
    }
    EXPECT_TRUE(LoadStringId(79).isEmpty() && LoadStringId(kLastStringId + 1).isEmpty());
    LanguageFlag = 7;
    EXPECT_EQ(PickString(152), LoadStringId(152));
    LanguageFlag = 0;
    EXPECT_EQ(PickString(152), LoadStringId(153));
}

// The number after the highest one (a leading decimal, no hex) in names matching the prefix.
TEST(ScanNextNumber, NextNumberAfterTheFilesPresent) {
    const std::pair<const char*, int> cases[] = {{"OTHER_5.jpg NEWPIC_9.png", 0},
                                                 {"NEWPIC_7.jpg NEWPIC_12.jpg NEWPIC_3.jpg", 13},
                                                 {"NEWPIC_abc.jpg NEWPIC_0x10.jpg", 1},
                                                 {"NEWPIC_1e3.jpg", 1001},
                                                 {"NEWPIC_old_9.jpg", 10},
                                                 {"NEWPIC_5.old.jpg", 6},
                                                 {"newpic_4.JPG NewPic_2.Jpg", 5},
                                                 {"NEWPIC_2147483646.jpg", 2147483647},
                                                 {"NEWPIC_4294967296.jpg NEWPIC_2147483647.jpg "
                                                  "NEWPIC_1e999.jpg NEWPIC_-2147483648.jpg",
                                                  0}};
    for (const auto& [files, expected] : cases) {
        QTemporaryDir dir;
        for (const QString& file : QString(files).split(' '))
            ASSERT_TRUE(WriteFile(dir.filePath(file)));
        EXPECT_EQ(ScanNextNumber(dir.path() + "/", "NEWPIC", "jpg"), expected) << files;
    }
}

// Folders do not count, hidden files do for a hidden prefix; missing folder 0; empty: current.
TEST(ScanNextNumber, FolderRules) {
    QTemporaryDir dir;
    const QString folder = dir.path() + "/";
    for (const char* file : {"NEWPIC_2.jpg", "_4.jpg", ".snap_3.jpg", "CASE_7_3.jpg"})
        ASSERT_TRUE(WriteFile(dir.filePath(file)));
    ASSERT_TRUE(QDir(dir.path()).mkdir("NEWPIC_50.jpg"));
    EXPECT_EQ(ScanNextNumber(folder, "NEWPIC", "jpg"), 3);
    EXPECT_EQ(ScanNextNumber(folder, "", "jpg"), 5);
    EXPECT_EQ(ScanNextNumber(folder, ".snap", "jpg"), 4);
    EXPECT_EQ(ScanNextNumber(folder, "CASE_7", "jpg"), 4);
    EXPECT_EQ(ScanNextNumber(folder + "missing/", "NEWPIC", "jpg"), 0);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const int next = ScanNextNumber("", "NEWPIC", "jpg");
    QDir::setCurrent(previous);
    EXPECT_EQ(next, 3);
}

}  // namespace
