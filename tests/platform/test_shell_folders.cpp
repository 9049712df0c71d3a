#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "platform/LocaleId.h"
#include "platform/ShellFolders.h"

namespace {

class ShellFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }
    QTemporaryDir home;
};

TEST_F(ShellFoldersTest, LocalAppDataIsTheConfigFolder) {
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), home.path() + "/.config");
    qputenv("XDG_CONFIG_HOME", (home.path() + "/cfg/").toUtf8());
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_LOCAL_APPDATA), home.path() + "/cfg");
}

TEST_F(ShellFoldersTest, DesktopIsTheHomeFolderWhenNoDesktopFolderExists) {
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY), home.path());
    ASSERT_TRUE(QDir(home.path()).mkdir("Desktop"));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_DESKTOPDIRECTORY), home.path() + "/Desktop");
}

TEST_F(ShellFoldersTest, UnknownFolderNumberGivesNothing) {
    EXPECT_TRUE(GetSpecialFolderPath(5).isEmpty());
}

struct LocaleCase {
    const char* name;
    LCID lcid;
};

class LocaleIdTest : public ::testing::TestWithParam<LocaleCase> {};

TEST_P(LocaleIdTest, MapsLocaleNames) {
    EXPECT_EQ(LcidFromLocaleName(QString::fromLatin1(GetParam().name)), GetParam().lcid)
        << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, LocaleIdTest,
                         ::testing::Values(LocaleCase{"zh_CN", 2052},
                                           LocaleCase{"zh_CN.UTF-8", 2052},
                                           LocaleCase{"zh-Hans-CN", 2052},
                                           LocaleCase{"zh_TW", 1028}, LocaleCase{"ru_RU", 1049},
                                           LocaleCase{"ru_UA", 1049}, LocaleCase{"en_US", 1033},
                                           LocaleCase{"en_GB", 2057},
                                           LocaleCase{"de_AT@euro", 3079}, LocaleCase{"C", 1033},
                                           LocaleCase{"", 1033}, LocaleCase{"xx_YY", 1033}));

}  // namespace
