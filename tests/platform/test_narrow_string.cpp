// Narrow strings carry any bytes through QString and wide strings and back unchanged.
#include <gtest/gtest.h>

#include "platform/NarrowString.h"

namespace {

class NarrowStringTest : public ::testing::TestWithParam<const char*> {};

TEST_P(NarrowStringTest, BytesComeBackUnchanged) {
    const QByteArray bytes(GetParam());
    const QString text = FromNarrow(bytes);
    EXPECT_EQ(ToNarrow(text), bytes);
    EXPECT_EQ(ToNarrow(FromWide(ToWide(text))), bytes);
    // UTF-8 reads as its characters, other bytes as characters no UTF-8 text holds.
    EXPECT_EQ(text == QString::fromUtf8(bytes), QByteArrayView(bytes).isValidUtf8());
}

INSTANTIATE_TEST_SUITE_P(Bytes, NarrowStringTest,
                         ::testing::Values("plain/ascii", "Пapka/снимки",
                                           "\xF0\x9F\x93\xB7 4 bytes", "\xFF\xFE lone",
                                           "\x80 continuation", "\xC0\xAF overlong",
                                           "\xED\xA0\x80 surrogate", "\xF4\x90\x80\x80 too high",
                                           "cut \xE2\x82", "\xEF\xBF\xBD replacement"));

}  // namespace
