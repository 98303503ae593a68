#include <gtest/gtest.h>

#include "support/text_helpers.h"

TEST(TextHelpers, FindTextPositionsAreOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(FindText("abc,def", ","), 4);
  EXPECT_EQ(FindText("abcabc", "bc"), 2);
  EXPECT_EQ(FindText("abc", ","), 0);
  EXPECT_EQ(FindText("", "a"), 0);
  EXPECT_EQ(FindText("abc", ""), 0);
  // The comma-split idiom: nothing before a comma that is absent.
  EXPECT_EQ(LeftPart("no comma", FindText("no comma", ",") - 1), "");
}

TEST(TextHelpers, MidPartClampsItsRange) {
  EXPECT_EQ(MidPart("abcdef", 2, 3), "bcd");
  EXPECT_EQ(MidPart("abcdef", 0, 2), "ab");
  EXPECT_EQ(MidPart("abcdef", -4, 2), "ab");
  EXPECT_EQ(MidPart("abcdef", 5, 100), "ef");
  EXPECT_EQ(MidPart("abcdef", 7, 1), "");
  EXPECT_EQ(MidPart("abcdef", 2, 0), "");
  EXPECT_EQ(MidPart("abcdef", 2, -1), "");
  EXPECT_EQ(MidPart("", 1, 1), "");
}

TEST(TextHelpers, LeftAndRightPartHandleTheTrailingSeparatorIdiom) {
  const std::string folder = "/home/user/";
  EXPECT_EQ(RightPart(folder, 1), "/");
  EXPECT_EQ(LeftPart(folder, TextLength(folder) - 1), "/home/user");
  EXPECT_EQ(LeftPart("abc", 10), "abc");
  EXPECT_EQ(RightPart("abc", 10), "abc");
  EXPECT_EQ(LeftPart("abc", 0), "");
  EXPECT_EQ(RightPart("abc", 0), "");
  EXPECT_EQ(RightPart("abc", -2), "");
  EXPECT_EQ(RightPart("abcdef", 2), "ef");
  EXPECT_EQ(TextLength("caf\xC3\xA9"), 5);  // bytes, not letters
}

TEST(TextHelpers, IntToTextHasNoSeparators) {
  EXPECT_EQ(IntToText(0), "0");
  EXPECT_EQ(IntToText(1234567), "1234567");
  EXPECT_EQ(IntToText(-42), "-42");
  EXPECT_EQ(IntToText(INT32_MIN), "-2147483648");
}

TEST(TextHelpers, TextToIntReadsDecimalAndHexadecimal) {
  EXPECT_EQ(TextToInt(""), 0);
  EXPECT_EQ(TextToInt("   "), 0);
  EXPECT_EQ(TextToInt("-7"), -7);
  EXPECT_EQ(TextToInt("+7"), 7);
  EXPECT_EQ(TextToInt("  260"), 260);
  EXPECT_EQ(TextToInt("$1F"), 31);
  EXPECT_EQ(TextToInt("$ff"), 255);
  EXPECT_EQ(TextToInt("$FFFFFFFF"), -1);
  EXPECT_EQ(TextToInt("-$10"), -16);
  EXPECT_EQ(TextToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(TextToInt("-2147483648"), INT32_MIN);
}

TEST(TextHelpers, TextToIntStopsAtAStrayCharacterKeepingTheSign) {
  EXPECT_EQ(TextToInt("12x"), 12);
  EXPECT_EQ(TextToInt("x12"), 0);
  EXPECT_EQ(TextToInt("-"), 0);
  EXPECT_EQ(TextToInt("12 "), 12);
  // A damaged settings value must not turn a negative number positive.
  EXPECT_EQ(TextToInt("-5x"), -5);
  EXPECT_EQ(TextToInt("$1G"), 1);
}

TEST(TextHelpers, TextToIntStopsBeforeAnOverflow) {
  EXPECT_EQ(TextToInt("21474836470"), 2147483647);
  EXPECT_EQ(TextToInt("99999999999"), 999999999);
  EXPECT_EQ(TextToInt("-99999999999"), -999999999);
  EXPECT_EQ(TextToInt("$123456789"), 0x12345678);
}
