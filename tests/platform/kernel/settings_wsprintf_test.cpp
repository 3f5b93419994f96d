#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

template <typename... Arguments>
std::string Format(const char* format, Arguments... arguments)
{
    char buffer[1100];
    const int length = wsprintfA(buffer, format, arguments...);
    EXPECT_EQ(static_cast<std::size_t>(length), std::string(buffer).size());
    return buffer;
}

TEST(Wsprintf, IntegersInEachBaseAndSize)
{
    EXPECT_EQ(Format("%ld", static_cast<LONG>(100)), "100");
    EXPECT_EQ(Format("%d|%i", -7, 2147483647), "-7|2147483647");
    EXPECT_EQ(Format("%d", static_cast<int>(0x80000000u)), "-2147483648");
    EXPECT_EQ(Format("%u", -1), "4294967295");
    EXPECT_EQ(Format("%lu", 3000000000u), "3000000000");
    EXPECT_EQ(Format("%x %X %lx", 255, 0xABCDu, 0xDEADBEEFu), "ff ABCD deadbeef");
    EXPECT_EQ(Format("%hd %hu", 65535, 65537), "-1 1");
    EXPECT_EQ(Format("%I64d %I64u %I64x", -5000000000LL, 18446744073709551615ULL, 0x123456789ULL),
              "-5000000000 18446744073709551615 123456789");
}

TEST(Wsprintf, WidthFlagsAndPrecision)
{
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
    EXPECT_EQ(Format("[%-05d]", 42), "[42   ]") << "'-' wins over '0'";
    EXPECT_EQ(Format("[%.5d]", 42), "[00042]");
    EXPECT_EQ(Format("[%.0d]", 0), "[0]") << "precision 0 still shows one digit";
    EXPECT_EQ(Format("[%2d]", 12345), "[12345]") << "a width never cuts";
    EXPECT_EQ(Format("%#x %#X %#x", 255, 255, 0), "0xff 0XFF 0");
    EXPECT_EQ(Format("[%08X]", 0xBEEFu), "[0000BEEF]");
}

TEST(Wsprintf, CharactersAndStrings)
{
    EXPECT_EQ(Format("%c%c%c", 'a', 0, 'b'), "ab") << "a zero character writes nothing";
    EXPECT_EQ(Format("[%s]", "text"), "[text]");
    EXPECT_EQ(Format("[%6s][%-6s]", "ab", "ab"), "[    ab][ab    ]");
    EXPECT_EQ(Format("[%.3s]", "abcdef"), "[abc]");
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
    const WCHAR wide[] = u"w\u00e9!";
    EXPECT_EQ(Format("%ls|%S|%hS", wide, wide, "narrow"), "w?!|w?!|narrow");
    EXPECT_EQ(Format("%C%lc", static_cast<int>(u'x'), static_cast<int>(u'\u00e9')), "x?");
}

TEST(Wsprintf, PercentAndUnknownFields)
{
    EXPECT_EQ(Format("100%%"), "100%");
    EXPECT_EQ(Format("%q%d", 5), "q5") << "an unknown field character is copied and takes no argument";
    EXPECT_EQ(Format("end%"), "end");
    EXPECT_EQ(Format("plain"), "plain");
}

TEST(Wsprintf, OutputStopsAt1023CharactersAndIsTerminated)
{
    const std::string longText(2000, 'x');
    char buffer[1100];
    buffer[1023] = '#';
    buffer[1024] = '#';
    EXPECT_EQ(wsprintfA(buffer, "%s%d", longText.c_str(), 5), 1023);
    EXPECT_EQ(buffer[1023], '\0');
    EXPECT_EQ(buffer[1024], '#');
    EXPECT_EQ(std::string(buffer), std::string(1023, 'x'));
    EXPECT_EQ(wsprintfA(buffer, "%1000000000d", 1), 1023) << "a huge width is cut at the limit";
}

}  // namespace
