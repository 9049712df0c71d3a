#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <filesystem>

#include "platform/FileFind.h"
#include "platform/NarrowString.h"

namespace {

struct WildcardCase {
    const char* pattern;
    const char* name;
    bool matches;
};

class WildcardTest : public ::testing::TestWithParam<WildcardCase> {};

TEST_P(WildcardTest, MatchesIgnoringCase) {
    const WildcardCase& c = GetParam();
    EXPECT_EQ(FileFind::MatchesWildcard(QString::fromUtf8(c.pattern), QString::fromUtf8(c.name)),
              c.matches)
        << c.pattern << " vs " << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, WildcardTest,
                         ::testing::Values(WildcardCase{"NEWPIC_*.jpg", "NEWPIC_7.jpg", true},
                                           WildcardCase{"NEWPIC_*.jpg", "newpic_7.JPG", true},
                                           WildcardCase{"NEWPIC_*.jpg", "NEWPIC_.jpg", true},
                                           WildcardCase{"NEWPIC_*.jpg", "NEWPIC_7.jpeg", false},
                                           WildcardCase{"NEWPIC_*.jpg", "NEWPIC7.jpg", false},
                                           WildcardCase{"NEWPIC_*.jpg", "XNEWPIC_7.jpg", false},
                                           WildcardCase{"NEWPIC_*.jpg", "NEWPIC_5.old.jpg", true},
                                           WildcardCase{"a?c", "abc", true},
                                           WildcardCase{"a?c", "ac", false},
                                           WildcardCase{"*", "", true},
                                           WildcardCase{"a*b*c", "aXbYbZc", true},
                                           WildcardCase{"ПРЕФ_*.jpg", "преф_1.jpg", true}));

void Touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(FileFindTest, ListsMatchesWithTheirKinds) {
    QTemporaryDir dir;
    Touch(dir.filePath("P_1.jpg"));
    Touch(dir.filePath(".P_2.jpg"));
    Touch(dir.filePath("Q_3.jpg"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("P_4.jpg"));

    FileFind finder;
    QSet<QString> files, hidden, folders;
    bool more = finder.FindFile(dir.path() + "/*P_*.jpg");
    ASSERT_TRUE(more);
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDirectory()) {
            folders << finder.GetFileName();
        } else if (finder.IsHidden()) {
            hidden << finder.GetFileName();
        } else {
            files << finder.GetFileName();
        }
        EXPECT_FALSE(finder.IsSystem());
        EXPECT_EQ(finder.GetFilePath(), dir.path() + "/" + finder.GetFileName());
    }
    EXPECT_EQ(files, QSet<QString>{"P_1.jpg"});
    EXPECT_EQ(hidden, QSet<QString>{".P_2.jpg"});
    EXPECT_EQ(folders, QSet<QString>{"P_4.jpg"});
}

TEST(FileFindTest, NothingFoundInAMissingOrEmptyMatch) {
    QTemporaryDir dir;
    FileFind finder;
    EXPECT_FALSE(finder.FindFile(dir.path() + "/missing/*.jpg"));
    EXPECT_FALSE(finder.FindFile(dir.path() + "/*.jpg"));
    EXPECT_FALSE(finder.FindNextFile());
    EXPECT_TRUE(finder.GetFileName().isEmpty());
}

TEST(FileFindTest, DotsAreReportedWhenThePatternMatchesThem) {
    QTemporaryDir dir;
    FileFind finder;
    int dots = 0;
    bool more = finder.FindFile(dir.path() + "/*");
    while (more) {
        more = finder.FindNextFile();
        if (finder.IsDots()) ++dots;
    }
    EXPECT_EQ(dots, 2);
}

// A folder and a name that are not UTF-8 are found by their bytes; a link that leads
// nowhere still takes its name.
TEST(FileFindTest, NamesThatAreNotUtf8AreFoundAndTaken) {
    QTemporaryDir dir;
    const QByteArray folder = ToNarrow(dir.path()) + "/\xff\xfe/";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    ASSERT_EQ(::symlink("missing", (folder + "P_\xe9.jpg").constData()), 0);
    FileFind finder;
    ASSERT_TRUE(finder.FindFile(FromNarrow(folder) + "p_*.JPG"));
    finder.FindNextFile();
    EXPECT_EQ(ToNarrow(finder.GetFilePath()), folder + "P_\xe9.jpg");
    EXPECT_FALSE(finder.IsDirectory());
    EXPECT_TRUE(FileFind::Exists(finder.GetFilePath()));
    EXPECT_FALSE(FileFind::Exists(FromNarrow(folder) + "Q.jpg"));
    std::filesystem::remove_all(folder.toStdString());
}

}  // namespace
