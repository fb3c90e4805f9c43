#include "runtime/text.h"

#include <gtest/gtest.h>

namespace korvalen {
namespace {

TEST(TextTest, FixedWidthFieldsPadCutAndCompareWithoutTrailingBlanks)
{
    Text<5> a("Ann");
    EXPECT_EQ(a.padded(), "Ann  ");
    EXPECT_EQ(a.view(), "Ann");
    EXPECT_TRUE(a == "Ann   ");
    EXPECT_FALSE(a == " Ann");
    EXPECT_TRUE(Text<5>("Ann") == Text<5>("Ann  "));
    EXPECT_TRUE(Text<5>("Ann") < Text<5>("Anna"));
    EXPECT_EQ(Text<5>("Annabel").view(), "Annab");
    EXPECT_TRUE(Text<3>().isBlank());
    // Never cut inside a character: "Zoë" is 4 bytes, so 3 keep "Zo".
    EXPECT_EQ(Text<3>("Zo\xC3\xAB").view(), "Zo");
    EXPECT_EQ(Text<4>("Zo\xC3\xAB").view(), "Zo\xC3\xAB");
    EXPECT_EQ(utf8Prefix("\xE2\x82\xAC\xE2\x82\xAC", 5), "\xE2\x82\xAC"); // two euro signs
}

TEST(TextTest, OneUpperCaseRuleForAsciiAndBeyond)
{
    EXPECT_EQ(upperCase("mary-jo o'neil"), "MARY-JO O'NEIL");
    EXPECT_EQ(upperCase("zo\xC3\xAB \xC3\xA6r\xC3\xB8"), "ZO\xC3\x8B \xC3\x86R\xC3\x98");
    EXPECT_EQ(upperCase("\xCE\xB1\xCE\xB2"), "\xCE\x91\xCE\x92"); // Greek
    EXPECT_EQ(upperCase("bad \xFF byte"), "BAD \xFF BYTE");
}

TEST(TextTest, CompareUpperOrdersAsTheUpperCaseForms)
{
    struct Case
    {
        const char *a;
        const char *b;
        int expected;
    };
    const Case cases[] = {
        {"smith", "SMITH", 0},
        {"Smith", "Smithe", -1},
        {"b", "A", 1},
        {"_", "a", 1}, // as upper case: '_' (0x5F) comes after 'A'
        {"zo\xC3\xAB", "ZO\xC3\x8B", 0},
        {"\xC3\xA9mile", "EMILE", 1},
        {"", "a", -1},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(compareUpper(c.a, c.b), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(compareUpper(c.b, c.a), -c.expected) << c.b << " vs " << c.a;
    }
}

} // namespace
} // namespace korvalen
