#include "Cp1252.h"
#include "PathPattern.h"
#include "SafePath.h"
#include "uPakReader.h"

#include <gtest/gtest.h>

namespace {

struct SafetyCase {
    const char* Path;
    bool Safe;
};

class SafeRelativePath : public ::testing::TestWithParam<SafetyCase> {};

TEST_P(SafeRelativePath, RefusesWhatCouldLeaveTheDestination) {
    const SafetyCase& c = GetParam();
    EXPECT_EQ(IsSafeRelativePath(c.Path), c.Safe) << c.Path;
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SafeRelativePath,
    ::testing::Values(SafetyCase{"", true}, SafetyCase{"name", true},
                      SafetyCase{"a/b/name.ext", true}, SafetyCase{"a/./b", true},
                      SafetyCase{"..name", true}, SafetyCase{"name..", true},
                      SafetyCase{"a/...", true}, SafetyCase{"..", false}, SafetyCase{"../x", false},
                      SafetyCase{"a/../../x", false}, SafetyCase{"a/..", false},
                      SafetyCase{"/etc/passwd", false}, SafetyCase{"//server/share", false}));

TEST(SafeRelativePathBytes, RefusesEmbeddedNul) {
    EXPECT_FALSE(IsSafeRelativePath(std::string_view("a\0/../x", 7)));
    EXPECT_FALSE(IsSafeRelativePath(std::string_view("..\0x", 4)));
}

TEST(SafeRelativePathPlatform, BackslashSeparatesOnlyOnWindows) {
#ifdef _WIN32
    EXPECT_FALSE(IsSafeRelativePath("a\\..\\..\\x"));
    EXPECT_FALSE(IsSafeRelativePath("C:\\x"));
    EXPECT_FALSE(IsSafeRelativePath("C:x"));
    EXPECT_FALSE(IsSafeRelativePath("\\x"));
#else
    // On this platform "\" is an ordinary character of a file name.
    EXPECT_TRUE(IsSafeRelativePath("a\\..\\..\\x"));
    EXPECT_TRUE(IsSafeRelativePath("C:x"));
#endif
}

TEST(Cp1252, ConvertsToUtf8AndBack) {
    const std::string ansi = "Gr\xFC\xDF"
                             "e \x80 \x9F \x81";
    const std::string utf8 = cp1252::ToUtf8(ansi);
    EXPECT_EQ(utf8, "Grüße € Ÿ \xC2\x81");
    std::string back;
    ASSERT_TRUE(cp1252::FromUtf8(utf8, back));
    EXPECT_EQ(back, ansi);
    EXPECT_FALSE(cp1252::FromUtf8("日本", back));
    EXPECT_FALSE(cp1252::FromUtf8("\xC3", back));
    std::u16string utf16(ansi.size(), u'?');
    cp1252::ToUtf16(ansi, utf16.data());
    EXPECT_EQ(utf16, u"Grüße € Ÿ \u0081");
}

TEST(Cp1252, ToDiskPathConvertsNamesAndSeparators) {
    EXPECT_EQ(ToDiskPath("k\xE4se/br\xF6t"), std::string("käse") + kPathSeparator + "bröt");
}

} // namespace

namespace {

TEST(PathPattern, StarsStayWithinAComponentAndDoubleStarsCrossThem) {
    EXPECT_TRUE(MatchesPattern("textures/*.dds", "textures/stein.dds"));
    EXPECT_FALSE(MatchesPattern("textures/*.dds", "textures/alt/stein.dds"));
    EXPECT_TRUE(MatchesPattern("textures/**.dds", "textures/alt/stein.dds"));
    EXPECT_TRUE(MatchesPattern("**/*.dds", "stein.dds"));
    EXPECT_TRUE(MatchesPattern("a/**/b", "a/b"));
    EXPECT_TRUE(MatchesPattern("a/**/b", "a/x/y/b"));
    EXPECT_FALSE(MatchesPattern("a/**/b", "a/xb"));
    EXPECT_TRUE(MatchesPattern("karte_??.png", "karte_07.png"));
    EXPECT_FALSE(MatchesPattern("karte_??.png", "karte_7.png"));
    EXPECT_FALSE(MatchesPattern("a?b", "a/b"));
    EXPECT_FALSE(MatchesPattern("*.DDS", "x.dds")); // byte for byte, as the archive spells it
    EXPECT_TRUE(MatchesPattern(std::string(40, '*') + "x", std::string(5000, 'a') + "x"));
}

} // namespace
