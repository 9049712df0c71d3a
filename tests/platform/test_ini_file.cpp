// INI files, narrow strings, wildcards, special folders and locale ids.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "TestSupport.h"
#include "platform/FileFind.h"
#include "platform/IniFile.h"
#include "platform/LocaleId.h"
#include "platform/NarrowString.h"
#include "platform/ShellFolders.h"

namespace {

using lumitest::ReadFile;
using lumitest::WriteFile;

TEST(IniFile, IntegersParseLikeThePlatform) {
    const std::pair<const char*, UINT> cases[] = {{"abc", 0},      {"7z", 7},        {"  42", 42},
                                                  {"-4", 0u - 4u}, {"0x1A", 26},     {"0b101", 5},
                                                  {"0o17", 15},    {"4294967297", 1}};
    for (const auto& [text, value] : cases) EXPECT_EQ(ParseProfileInt(text), value) << text;
}

// Case-blind names, trimmed values, first section and key win, defaults, buffer size.
TEST(IniFile, ReadsLikeThePlatform) {
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.ini");
    EXPECT_EQ(GetPrivateProfileInt("s", "k", 3, file), 3u);
    ASSERT_TRUE(WriteFile(file,
                          "; c\n[Other]\nlan=7\n[LUMIVISOR]\n  LAN =  1  \n Path = /a b/ \n"
                          "k=first\nk=second\nempty=\nt=x\n[lumivisor]\nj=second\n"));
    EXPECT_EQ(GetPrivateProfileInt("lumivisor", "lan", 9, file), 1u);
    EXPECT_EQ(GetPrivateProfileString("lumivisor", "path", "x", 260, file), "/a b/");
    EXPECT_EQ(GetPrivateProfileString("lumivisor", "k", "d", 260, file), "first");
    EXPECT_EQ(GetPrivateProfileString("lumivisor", "j", "d", 260, file), "d");
    EXPECT_EQ(GetPrivateProfileString("lumivisor", "empty", "d", 260, file), "");
    EXPECT_EQ(QList<UINT>({GetPrivateProfileInt("lumivisor", "missing", 4, file),
                           GetPrivateProfileInt("none", "lan", 5, file),
                           GetPrivateProfileInt("lumivisor", "empty", 6, file),
                           GetPrivateProfileInt("lumivisor", "t", 6, file)}),
              QList<UINT>({4, 5, 6, 0}));
    const QString longValue(300, u'p');
    ASSERT_TRUE(WriteFile(file, "[s]\nk=" + longValue.toUtf8() + "\n"));
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", 260, file), longValue.left(259));
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", 4096, file), longValue);
    EXPECT_EQ(GetPrivateProfileString("s", "k", "", 0, file), "");
}

// A write changes only its key's line and keeps every other byte.
TEST(IniFile, WritesChangeOnlyTheirKey) {
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.ini");
    ASSERT_TRUE(
        WriteFile(file, "; notes\n[first]\nx = 1\n\n[Lumivisor]\n; keep\nLan=1\n\n[o]\nz=3"));
    ASSERT_TRUE(WritePrivateProfileString("lumivisor", "lan", "0", file));
    ASSERT_TRUE(WritePrivateProfileString("lumivisor", "path", "/p/", file));
    ASSERT_TRUE(WritePrivateProfileString("new", "k", "v", file));
    EXPECT_EQ(ReadFile(file),
              "; notes\n[first]\nx = 1\n\n[Lumivisor]\n; keep\nLan=0\npath=/p/\n\n[o]\nz=3\n\n"
              "[new]\nk=v");
    const QByteArray rest = "\r\nk=\xff\xfe/\x80\r\n; \xe9t\xe9\n[t]\nu=\xc3(";
    ASSERT_TRUE(WriteFile(file, "\xEF\xBB\xBF[s]\nlan=1" + rest));
    EXPECT_EQ(ToNarrow(GetPrivateProfileString("s", "k", "", 260, file)), "\xff\xfe/\x80");
    ASSERT_TRUE(WritePrivateProfileString("s", "k", FromNarrow("\xfe\xff"), file));
    EXPECT_EQ(ReadFile(file), "\xEF\xBB\xBF[s]\nlan=1\r\nk=\xfe\xff\r\n; \xe9t\xe9\n[t]\nu=\xc3(");
    const QString nested = dir.filePath("a/b/lumivisor.ini");
    ASSERT_TRUE(WritePrivateProfileString("lumivisor", "lan", "1", nested));
    EXPECT_EQ(ReadFile(nested), "[lumivisor]\nlan=1\n");
}

// Refused writes leave the file unchanged and no temporary file behind.
TEST(IniFile, RefusedWritesLeaveTheFileUnchanged) {
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.ini");
    ASSERT_TRUE(WriteFile(file, "[s]\nk=old\n"));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "two\nlines", file));
    EXPECT_FALSE(WritePrivateProfileString("s", "a=b", "v", file));
    EXPECT_FALSE(WritePrivateProfileString("s]x", "k", "v", file));
    EXPECT_EQ(ReadFile(file), "[s]\nk=old\n");
    ASSERT_TRUE(QDir().mkdir(dir.filePath("folder.ini")));
    EXPECT_FALSE(WritePrivateProfileString("s", "k", "v", dir.filePath("folder.ini")));
    EXPECT_TRUE(QFileInfo(dir.filePath("folder.ini")).isDir());
    ASSERT_TRUE(WritePrivateProfileString("s", "k", "2", file));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.ini"});
}

// Any bytes go through QString and wide strings and back unchanged.
TEST(NarrowString, BytesComeBackUnchanged) {
    for (const QByteArray bytes :
         {"Пapka/снимки", "\xFF\xFE lone", "\xC0\xAF overlong", "\xED\xA0\x80 surrogate",
          "cut \xE2\x82", "\xEF\xBF\xBD replacement"}) {
        const QString text = FromNarrow(bytes);
        EXPECT_EQ(ToNarrow(text), bytes);
        EXPECT_EQ(ToNarrow(FromWide(ToWide(text))), bytes);
        EXPECT_EQ(text == QString::fromUtf8(bytes), QByteArrayView(bytes).isValidUtf8())
            << bytes.toHex().constData();
    }
}

TEST(FileFind, WildcardsMatchIgnoringCase) {
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"NEWPIC_*.jpg", "newpic_7.JPG", true},
        {"NEWPIC_*.jpg", "NEWPIC_7.jpeg", false},
        {"NEWPIC_*.jpg", "XNEWPIC_7.jpg", false},
        {"a?c", "ac", false},
        {"a*b*c", "aXbYbZc", true},
        {"ПРЕФ_*.jpg", "преф_1.jpg", true}};
    for (const auto& [pattern, name, matches] : cases)
        EXPECT_EQ(FileFind::MatchesWildcard(pattern, name), matches) << pattern << " " << name;
}

// Special folders follow HOME and XDG_CONFIG_HOME.
TEST(ShellFolders, SpecialFoldersFollowTheEnvironment) {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), home.path() + "/.config");
    qputenv("XDG_CONFIG_HOME", (home.path() + "/cfg/").toUtf8());
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), home.path() + "/cfg");
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY), home.path());
    ASSERT_TRUE(QDir(home.path()).mkdir("Desktop"));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY), home.path() + "/Desktop");
    EXPECT_TRUE(GetSpecialFolderPath(5).isEmpty());
    qputenv("HOME", savedHome);
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

TEST(LocaleId, MapsLocaleNames) {
    const std::pair<const char*, LCID> cases[] = {
        {"zh_CN.UTF-8", 2052}, {"zh-Hans-CN", 2052}, {"zh_TW", 1028}, {"ru_UA", 1049},
        {"de_AT@euro", 3079},  {"C", 1033},          {"xx_YY", 1033}};
    for (const auto& [name, lcid] : cases) EXPECT_EQ(LcidFromLocaleName(name), lcid) << name;
}

}  // namespace
