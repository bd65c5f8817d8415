#include "app_core/locale_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8ToCharset, WiderCharsetsOutgrowTheFirstBuffer)
{
    // A charset with more bytes per character than UTF-8 (iconv only).
    const std::string ascii(1000, 'a');
    std::string wide;
    for (char c : ascii)
        wide += std::string{c, '\0', '\0', '\0'};
    EXPECT_EQ(Utf8ToCharset(ascii, "UTF-32LE"), wide);
}

} // namespace
