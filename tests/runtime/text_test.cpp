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
    // The width counts characters: "Zoë" is 4 bytes and 3 characters.
    EXPECT_EQ(Text<3>("Zo\xC3\xAB").view(), "Zo\xC3\xAB");
    EXPECT_EQ(Text<2>("Zo\xC3\xAB").view(), "Zo");
    EXPECT_EQ(utf8Prefix("\xE2\x82\xAC\xE2\x82\xAC", 1), "\xE2\x82\xAC"); // two euro signs
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

// A field of width N holds N characters whatever their UTF-8 length.
TEST(TextWidthTest, NamesWithAccentsAreStoredWhole)
{
    // Ten characters, fifteen bytes: a byte width cut them to "léa-ève-".
    EXPECT_EQ(Text<10>("léa-ève-zé").view(), "léa-ève-zé");
    // Two names that differ in their tenth character stay two names.
    EXPECT_NE(Text<10>("Zoë-Marie1"), Text<10>("Zoë-Marie2"));
    const std::string thirty = "ééééééééééééééééééééééééééééé€"; // 61 bytes
    ASSERT_EQ(utf8Length(thirty), 30u);
    EXPECT_EQ(Text<30>(thirty).view(), thirty);
    EXPECT_EQ(Text<30>(thirty + "x").view(), thirty);
    // The eleventh character is cut, however long it is or the first ones are.
    EXPECT_EQ(Text<10>("abcdefghij😀").view(), "abcdefghij");
    EXPECT_EQ(Text<10>("😀bcdefghijk").view(), "😀bcdefghij");
}

TEST(TextWidthTest, PaddedToNCharactersAndComparedAsValues)
{
    const Text<4> name("été");
    EXPECT_EQ(name.padded(), "été "); // three characters and one blank
    Text<4> copy;
    copy = "longer value";
    copy = name.view();
    EXPECT_TRUE(copy == name); // what a longer value left behind is not compared
    copy.clear();
    EXPECT_EQ(copy.padded(), "    ");
}

// Bytes that begin no character count one each and never decode to the
// character they imitate.
TEST(TextWidthTest, MalformedBytesAreCharactersOfTheirOwn)
{
    const char *overlongA = "\xC1\x81";
    EXPECT_EQ(utf8Length(overlongA), 2u);
    EXPECT_NE(compareUpper(overlongA, "A"), 0);
    EXPECT_NE(compareUpper("\xE0\x81\x81", "a"), 0); // three-byte overlong
    EXPECT_EQ(upperCase("\xC1\xA1"), "\xC1\xA1");    // an overlong "a" is not upper-cased
    const char *surrogate = "\xED\xA0\x80";
    EXPECT_EQ(utf8Length(surrogate), 3u);
    EXPECT_EQ(upperCase(surrogate), surrogate);
    EXPECT_EQ(utf8Length("\xF4\x90\x80\x80"), 4u); // beyond U+10FFFF
    EXPECT_EQ(utf8Length("\xF4\x8F\xBF\xBF"), 1u); // U+10FFFF itself
    EXPECT_EQ(utf8Length("\xED\x9F\xBF"), 1u);     // U+D7FF, just below the surrogates
    EXPECT_EQ(utf8Prefix("\xE2\x82", 1), "\xE2");  // cut short: one byte each
    EXPECT_EQ(Text<2>("\xC1\x81"
                      "A")
                  .view(),
              "\xC1\x81");
}

} // namespace
} // namespace korvalen
