// Job texts as UTF-8 bytes and back, broken text in either encoding included.
#include <gtest/gtest.h>

#include <string>

#include "bits/utf8.h"

namespace {

TEST(ToUtf8Test, EmptyTextGivesEmptyBytes) { EXPECT_EQ(ToUtf8(WideText()), std::string()); }

TEST(ToUtf8Test, AsciiIsUnchanged) {
  EXPECT_EQ(ToUtf8(WIDE_TEXT("Nightly sync")), "Nightly sync");
}

TEST(ToUtf8Test, EncodesTwoThreeAndFourByteSequences) {
  EXPECT_EQ(ToUtf8(WIDE_TEXT("caf\u00e9")), "caf\xC3\xA9");
  EXPECT_EQ(ToUtf8(WIDE_TEXT("\u4e2d")), "\xE4\xB8\xAD");
  const WCHAR pair[] = {0xD83D, 0xDE00, 0};  // U+1F600
  EXPECT_EQ(ToUtf8(pair), "\xF0\x9F\x98\x80");
}

TEST(ToUtf8Test, UnpairedSurrogatesBecomeReplacementCharacters) {
  const WCHAR loneHigh[] = {u'a', 0xD83D, u'b', 0};
  EXPECT_EQ(ToUtf8(loneHigh), "a\xEF\xBF\xBD" "b");
  const WCHAR loneLow[] = {0xDE00, u'x', 0};
  EXPECT_EQ(ToUtf8(loneLow), "\xEF\xBF\xBDx");
  const WCHAR highAtEnd[] = {u'z', 0xDBFF, 0};
  EXPECT_EQ(ToUtf8(highAtEnd), "z\xEF\xBF\xBD");
  const WCHAR reversed[] = {0xDE00, 0xD83D, 0};
  EXPECT_EQ(ToUtf8(reversed), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(ToUtf8Test, KeepsEmbeddedNulAndCountsNoTerminator) {
  const WCHAR units[] = {u'a', 0, u'b'};
  const std::string bytes = ToUtf8(WideText(units, 3));
  EXPECT_EQ(bytes, std::string("a\0b", 3));
  EXPECT_EQ(ToUtf8(WideText(1, WCHAR(0))), std::string(1, '\0'));
}

TEST(ToUtf8Test, LongTextSurvivesWhole) {
  WideText text;
  std::string expected;
  for (int i = 0; i < 10000; ++i) {
    text += WIDE_TEXT("\u00e9\u4e2d");
    expected += "\xC3\xA9\xE4\xB8\xAD";
  }
  EXPECT_EQ(ToUtf8(text), expected);
}

TEST(ToUtf8Test, AppendingGivesTheSameBytesAfterWhatWasThere) {
  // Three bytes a unit is the most a text can take: a run of U+4E2D takes exactly that.
  const WideText worst(5000, WCHAR(0x4E2D));
  const WCHAR mixed[] = {u'a', 0xD83D, 0xDE00, 0xDE00, u'\u00e9', 0};
  for (const WideText& text : {worst, WideText(mixed), WideText()}) {
    std::string out = "@.";
    AppendUtf8(text, out);
    EXPECT_EQ(out, "@." + ToUtf8(text));
  }
}

// What is not UTF-8 is U+FFFD, one for each longest start of a sequence: a stray continuation, a
// byte that starts nothing, an overlong form, an encoded surrogate, a code point beyond U+10FFFF
// and sequences cut short.
TEST(FromUtf8Test, DecodesEveryLengthAndReplacesWhatIsNotUtf8) {
  EXPECT_EQ(FromUtf8(""), WideText());
  EXPECT_EQ(FromUtf8("caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80"),
            WIDE_TEXT("caf\u00e9 \u4e2d \U0001F600"));
  EXPECT_EQ(FromUtf8(std::string("a\0b", 3)), WideText(WIDE_TEXT("a\0b"), 3));
  EXPECT_EQ(FromUtf8("\x80"), WIDE_TEXT("\uFFFD"));
  EXPECT_EQ(FromUtf8("a\xFF" "b"), WIDE_TEXT("a\uFFFD" "b"));
  EXPECT_EQ(FromUtf8("\xC0\xAF"), WIDE_TEXT("\uFFFD\uFFFD"));
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), WIDE_TEXT("\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), WIDE_TEXT("\uFFFD\uFFFD\uFFFD\uFFFD"));
  EXPECT_EQ(FromUtf8("\xE4\xB8" "x"), WIDE_TEXT("\uFFFD" "x"));
  EXPECT_EQ(FromUtf8("x\xF0\x9F\x98"), WIDE_TEXT("x\uFFFD"));
}

}  // namespace
