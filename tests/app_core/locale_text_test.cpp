// On every system: iconv's charsets on POSIX, the code pages on Windows.

#include "app_core/locale_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Utf8ToCharset, GbkGivesTheBytesOfAChineseWorkstation)
{
    EXPECT_EQ(Utf8ToCharset("Time：设置量程成功 -- 9.7894", "GBK"),
              "Time\xA3\xBA\xC9\xE8\xD6\xC3\xC1\xBF\xB3\xCC\xB3\xC9\xB9\xA6 -- 9.7894");
}

TEST(Utf8ToCharset, EachUnrepresentableCharacterBecomesOneQuestionMark)
{
    const struct {
        const char* charset;
        std::string utf8;
        std::string expected;
    } cases[] = {
        {"GBK", "a😀b한c", "a?b?c"},
        {"GBK", "设\xFF置", "\xC9\xE8?\xD6\xC3"}, // a byte that is not UTF-8
        {"GBK", "end\xE8\xAE", "end?"},           // a character cut short
        {"ASCII", "Time：ok", "Time?ok"},
        {"ISO-8859-1", "Größe：",
         "Gr\xF6\xDF"
         "e?"},
        {"UTF-8", "Time：设置", "Time：设置"},
        {"no-such-charset", "Time：x\xFF", "Time?x?"}, // unknown to iconv: ASCII
        {"GBK", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Utf8ToCharset(c.utf8, c.charset), c.expected) << c.charset << " " << c.utf8;
}

TEST(Utf8ToCharset, LongTextsConvertWhole)
{
    std::string utf8;
    std::string gbk;
    for (int i = 0; i < 1000; ++i) {
        utf8 += "成😀";
        gbk += "\xB3\xC9?";
    }
    EXPECT_EQ(Utf8ToCharset(utf8, "GBK"), gbk);
}

} // namespace
