#include <gtest/gtest.h>

#include "tools/vesper_scene/code_page.h"

namespace {

using namespace vesper::tools;

TEST(CodePage, EveryByteStringSurvivesTheTripThroughUtf8)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    const CodePageText back = Utf8ToCodePage(CodePageToUtf8(all));
    ASSERT_TRUE(back.text) << back.problem;
    EXPECT_EQ(*back.text, all);
}

TEST(CodePage, WesternCharactersTakeTheirWindowsBytes)
{
    EXPECT_EQ(CodePageToUtf8("caf\xE9 \x80 \x93x\x94"), "caf\u00E9 \u20AC \u201Cx\u201D");
    EXPECT_EQ(Utf8ToCodePage("\u0152uvre \u2122 \u00FF").text, "\x8Cuvre \x99 \xFF");
    // Bytes the code page leaves undefined stand for the control character of the same number.
    EXPECT_EQ(CodePageToUtf8("\x81"), "\u0081");
}

TEST(CodePage, CharactersWithoutAByteAndBrokenUtf8AreRefused)
{
    const CodePageText cjk = Utf8ToCodePage("\u65E5");
    EXPECT_FALSE(cjk.text);
    EXPECT_NE(cjk.problem.find("U+65E5"), std::string::npos);
    // U+0080 is not the byte 0x80, which stands for the euro sign.
    EXPECT_FALSE(Utf8ToCodePage("\u0080").text);
    for (const char* broken : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "a\x80"}) {
        const CodePageText result = Utf8ToCodePage(broken);
        EXPECT_FALSE(result.text) << broken;
        EXPECT_EQ(result.problem, "invalid UTF-8") << broken;
    }
}

}  // namespace
