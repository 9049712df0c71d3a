#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <vector>

#include "settings/ScanNextNumber.h"

namespace {

struct ScanCase {
    const char* name;
    std::vector<const char*> files;
    int expected;
};

class ScanNextNumberTest : public ::testing::TestWithParam<ScanCase> {};

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

TEST_P(ScanNextNumberTest, NextNumberAfterTheFilesPresent) {
    QTemporaryDir dir;
    for (const char* file : GetParam().files) Touch(dir.filePath(QString::fromUtf8(file)));
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", "NEWPIC", "jpg"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ScanNextNumberTest,
    ::testing::Values(
        ScanCase{"none", {}, 0}, ScanCase{"others", {"OTHER_5.jpg", "NEWPIC_9.png"}, 0},
        ScanCase{"zero", {"NEWPIC_0.jpg"}, 1},
        ScanCase{"highest", {"NEWPIC_7.jpg", "NEWPIC_12.jpg", "NEWPIC_3.jpg"}, 13},
        ScanCase{"text", {"NEWPIC_abc.jpg"}, 1}, ScanCase{"negative", {"NEWPIC_-4.jpg"}, 0},
        ScanCase{"fraction", {"NEWPIC_3.5.jpg"}, 4}, ScanCase{"exponent", {"NEWPIC_1e3.jpg"}, 1001},
        ScanCase{"last_underscore", {"NEWPIC_old_9.jpg"}, 10},
        ScanCase{"last_full_stop", {"NEWPIC_5.old.jpg"}, 6},
        ScanCase{"ignores_case", {"newpic_4.JPG", "NewPic_2.Jpg"}, 5},
        ScanCase{"leading_blanks", {"NEWPIC_ 8.jpg"}, 9},
        ScanCase{"trailing_text", {"NEWPIC_7x.jpg"}, 8},
        ScanCase{"largest_int", {"NEWPIC_2147483646.jpg"}, 2147483647},
        ScanCase{"past_32_bits", {"NEWPIC_4294967296.jpg", "NEWPIC_2.jpg"}, 3},
        ScanCase{"no_successor", {"NEWPIC_2147483647.jpg", "NEWPIC_6.jpg"}, 7},
        ScanCase{"huge_exponent", {"NEWPIC_1e999.jpg"}, 0},
        ScanCase{"lowest_int", {"NEWPIC_-2147483648.jpg"}, 0}),
    [](const ::testing::TestParamInfo<ScanCase>& p) { return std::string(p.param.name); });

TEST(ScanNextNumberFolderTest, FoldersAndHiddenEntriesAreIgnored) {
    QTemporaryDir dir;
    Touch(dir.filePath("NEWPIC_2.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("NEWPIC_50.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(".hidden"));
    Touch(dir.filePath(".hidden/NEWPIC_70.jpg"));  // not in the folder itself
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", "NEWPIC", "jpg"), 3);
    // With an empty prefix the pattern is "_*.jpg": a hidden "._9.jpg" does not match it
    // either way, but a hidden sibling of a dot-prefix is hidden as well.
    Touch(dir.filePath("_4.jpg"));
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", "", "jpg"), 5);
}

TEST(ScanNextNumberFolderTest, DotPrefixCountsTheProgramsOwnDotFiles) {
    QTemporaryDir dir;
    Touch(dir.filePath(".snap_3.jpg"));
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", ".snap", "jpg"), 4);
}

TEST(ScanNextNumberFolderTest, MissingFolderGivesZero) {
    QTemporaryDir dir;
    EXPECT_EQ(ScanNextNumber(dir.path() + "/missing/", "NEWPIC", "jpg"), 0);
}

TEST(ScanNextNumberFolderTest, VideosAreScannedApartFromPictures) {
    QTemporaryDir dir;
    Touch(dir.filePath("NEWPIC_20.jpg"));
    Touch(dir.filePath("NEWAVI_4.avi"));
    Touch(dir.filePath("NEWAVI_30.jpg"));
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", "NEWAVI", "avi"), 5);
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", "NEWPIC", "jpg"), 21);
}

TEST(ScanNextNumberFolderTest, PrefixWithUnderscoresReadsAfterTheLastOne) {
    QTemporaryDir dir;
    Touch(dir.filePath("CASE_7_3.jpg"));
    EXPECT_EQ(ScanNextNumber(dir.path() + "/", "CASE_7", "jpg"), 4);
}

TEST(ScanNextNumberFolderTest, EmptyFolderMeansTheCurrentFolder) {
    QTemporaryDir dir;
    Touch(dir.filePath("NEWPIC_41.jpg"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const int next = ScanNextNumber("", "NEWPIC", "jpg");
    QDir::setCurrent(previous);
    EXPECT_EQ(next, 42);
}

struct AtofCase {
    const char* text;
    double expected;
};

class ParseLeadingDoubleTest : public ::testing::TestWithParam<AtofCase> {};

TEST_P(ParseLeadingDoubleTest, ReadsLikeAtof) {
    EXPECT_DOUBLE_EQ(ParseLeadingDouble(QString::fromUtf8(GetParam().text)), GetParam().expected)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseLeadingDoubleTest,
                         ::testing::Values(AtofCase{"12", 12}, AtofCase{"  -3.75", -3.75},
                                           AtofCase{"+2e2", 200}, AtofCase{"1e", 1},
                                           AtofCase{"1e+", 1}, AtofCase{".5", 0.5},
                                           AtofCase{"5.", 5}, AtofCase{".", 0}, AtofCase{"-", 0},
                                           AtofCase{"", 0}, AtofCase{"abc", 0}, AtofCase{"0x10", 0},
                                           AtofCase{"inf", 0}, AtofCase{"nan", 0},
                                           AtofCase{"3,5", 3}, AtofCase{"1e-999", 0}));

TEST(ParseLeadingDoubleTest2, OverflowIsInfinite) {
    EXPECT_TRUE(std::isinf(ParseLeadingDouble("1e999")));
    EXPECT_TRUE(std::isinf(ParseLeadingDouble("-1e999")));
}

}  // namespace
