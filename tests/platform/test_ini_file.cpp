#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/IniFile.h"
#include "platform/NarrowString.h"

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("settings.ini"));
};

struct IntCase {
    const char* text;
    UINT expected;
};

class ProfileIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(ProfileIntTest, ParsesLikeThePlatform) {
    EXPECT_EQ(ParseProfileInt(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ProfileIntTest,
                         ::testing::Values(IntCase{"0", 0}, IntCase{"1", 1}, IntCase{"5", 5},
                                           IntCase{"abc", 0}, IntCase{"7z", 7}, IntCase{"1.5", 1},
                                           IntCase{"  42", 42}, IntCase{"+3", 3},
                                           IntCase{"-4", 0u - 4u}, IntCase{"0x1A", 26},
                                           IntCase{"0b101", 5}, IntCase{"0o17", 15}, IntCase{"", 0},
                                           IntCase{"4294967297", 1}));

TEST_F(IniFileTest, ReadsSectionAndKeyIgnoringCaseWithTrimmedValues) {
    WriteAll(file, "; comment\n[Other]\nlan=7\n[LUMIVISOR]\n  LAN =  1  \n Path = /a b/ \n");
    EXPECT_EQ(GetPrivateProfileInt("lumivisor", "lan", 9, file), 1u);
    EXPECT_EQ(GetPrivateProfileString("lumivisor", "path", "x", 260, file), "/a b/");
}

TEST_F(IniFileTest, FirstSectionAndFirstKeyOfANameWin) {
    WriteAll(file, "[s]\nk=first\nk=second\n[S]\nk=third\nj=only-in-second\n");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "d", 260, file), "first");
    EXPECT_EQ(GetPrivateProfileString("s", "j", "d", 260, file), "d");
}

TEST_F(IniFileTest, MissingFileSectionKeyOrEmptyIntegerGiveTheDefault) {
    EXPECT_EQ(GetPrivateProfileInt("s", "k", 3, file), 3u);
    WriteAll(file, "[s]\nempty=\nk=x\n");
    EXPECT_EQ(GetPrivateProfileInt("s", "missing", 4, file), 4u);
    EXPECT_EQ(GetPrivateProfileInt("t", "k", 5, file), 5u);
    EXPECT_EQ(GetPrivateProfileInt("s", "empty", 6, file), 6u);
    EXPECT_EQ(GetPrivateProfileInt("s", "k", 6, file), 0u);  // text reads as 0
    EXPECT_EQ(GetPrivateProfileString("s", "empty", "dflt", 260, file), "");
}

TEST_F(IniFileTest, StringReadIsCutToTheBuffer) {
    const QString longValue(300, u'p');
    WriteAll(file, "[s]\nk=" + longValue.toUtf8() + "\n");
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", 260, file).size(), 259);
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", 4096, file), longValue);
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", 0, file), "");
}

TEST_F(IniFileTest, WriteReplacesOnlyItsKeyAndKeepsEverythingElse) {
    WriteAll(file,
             "; my notes\n[first]\nx = 1\n\n[Lumivisor]\n; keep me\nLan=1\npath=/old/\n\n"
             "[last]\ny=2\n");
    ASSERT_TRUE(WritePrivateProfileString("lumivisor", "lan", "0", file));
    EXPECT_EQ(ReadAll(file),
              "; my notes\n[first]\nx = 1\n\n[Lumivisor]\n; keep me\nLan=0\npath=/old/\n\n"
              "[last]\ny=2\n");
}

TEST_F(IniFileTest, WriteAddsAMissingKeyToItsSectionAndAMissingSectionAtTheEnd) {
    WriteAll(file, "[lumivisor]\nlan=1\n\n[other]\nz=3");
    ASSERT_TRUE(WritePrivateProfileString("lumivisor", "path", "/p/", file));
    ASSERT_TRUE(WritePrivateProfileString("new", "k", "v", file));
    EXPECT_EQ(ReadAll(file), "[lumivisor]\nlan=1\npath=/p/\n\n[other]\nz=3\n\n[new]\nk=v");
    EXPECT_EQ(GetPrivateProfileString("other", "z", "", 260, file), "3");
}

TEST_F(IniFileTest, WriteKeepsEveryOtherByte) {
    // A byte-order mark, bytes that are not UTF-8 (in a value of the key too), both line
    // ends, no line break at the end.
    const QByteArray rest = "\r\nk=\xff\xfe/\x80\r\n; \xe9t\xe9\n[t]\nu=\xc3(";
    WriteAll(file, "\xEF\xBB\xBF[s]\nlan=1" + rest);
    EXPECT_EQ(ToNarrow(GetPrivateProfileString("s", "k", "", 260, file)), "\xff\xfe/\x80");
    ASSERT_TRUE(WritePrivateProfileString("s", "lan", "0", file));
    EXPECT_EQ(ReadAll(file), "\xEF\xBB\xBF[s]\nlan=0" + rest);
    ASSERT_TRUE(WritePrivateProfileString("s", "k", FromNarrow("\xfe\xff"), file));
    EXPECT_EQ(ReadAll(file), "\xEF\xBB\xBF[s]\nlan=0\r\nk=\xfe\xff\r\n; \xe9t\xe9\n[t]\nu=\xc3(");
}

TEST_F(IniFileTest, WriteCreatesTheFileAndItsFolder) {
    const QString nested = dir.filePath(QStringLiteral("a/b/lumivisor.ini"));
    ASSERT_TRUE(WritePrivateProfileString("lumivisor", "lan", "1", nested));
    EXPECT_EQ(ReadAll(nested), "[lumivisor]\nlan=1\n");
}

TEST_F(IniFileTest, WriteKeepsWindowsLineEnds) {
    WriteAll(file, "[s]\r\na=1\r\n");
    ASSERT_TRUE(WritePrivateProfileString("s", "b", "2", file));
    EXPECT_EQ(ReadAll(file), "[s]\r\na=1\r\nb=2\r\n");
    EXPECT_EQ(GetPrivateProfileString("s", "a", "", 260, file), "1");
}

TEST_F(IniFileTest, RefusedWritesLeaveTheFileUnchanged) {
    WriteAll(file, "[s]\nk=old\n");
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "two\nlines", file));
    EXPECT_FALSE(WritePrivateProfileString("s", "a=b", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("s]x", "k", "v", file));
    EXPECT_EQ(ReadAll(file), "[s]\nk=old\n");
    // A path that cannot be a file.
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkdir(folder));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", folder));
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFilesBehind) {
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "1", file));
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "2", file));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("settings.ini")});
}

}  // namespace
