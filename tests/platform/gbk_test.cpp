#include <gtest/gtest.h>

#include "platform/exception.h"
#include "platform/gbk.h"

namespace {

TEST(GbkTest, ChineseTextRoundTrips) {
  const char* texts[] = {"", "abc 123", "小区", "岚舟软件", "收费明细表：2004年6月，金额￥1,234.50元",
                         "全角ＡＢＣ，标点“”《》、…", "繁體字與简体字", "€"};
  for (const char* t : texts) {
    int unmappable = -1;
    QByteArray gbk = EncodeGbk(u(t), &unmappable);
    EXPECT_EQ(unmappable, 0) << t;
    int invalid = -1;
    EXPECT_EQ(DecodeGbk(gbk, &invalid), u(t)) << t;
    EXPECT_EQ(invalid, 0) << t;
    EXPECT_EQ(DecodeGbkStrict(EncodeGbkStrict(u(t))), u(t)) << t;
    EXPECT_TRUE(IsGbkText(u(t))) << t;
  }
  EXPECT_EQ(EncodeGbk(u("小区")), QByteArray("\xD0\xA1\xC7\xF8"));
}

TEST(GbkTest, ByteLengths) {
  const std::pair<const char*, int> cases[] = {
      {"", 0}, {"A", 1}, {"ab12", 4}, {"小区", 4}, {"小区A1", 6}, {"１", 2}, {"￥", 2}, {"😀", 1}, {"a😀b", 3},
  };
  for (const auto& [text, length] : cases) EXPECT_EQ(GbkLength(u(text)), length) << text;
}

TEST(GbkTest, UnmappableCharactersAreReplacedAndReported) {
  // An emoji and an ideograph outside GBK (U+20000).
  int unmappable = 0;
  QByteArray gbk = EncodeGbk(u("小😀区𠀀!"), &unmappable);
  EXPECT_EQ(unmappable, 2);
  EXPECT_EQ(gbk, QByteArray("\xD0\xA1?\xC7\xF8?!"));
  EXPECT_FALSE(IsGbkText(u("a😀")));
  // A lone surrogate is not silently turned into something else either.
  QString lone = u("a");
  lone += QChar(0xD800);
  EXPECT_EQ(EncodeGbk(lone, &unmappable), QByteArray("a?"));
  EXPECT_EQ(unmappable, 1);

  try {
    EncodeGbkStrict(u("ab😀"));
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_TRUE(e.message().contains(u("U+1F600"))) << e.message().toStdString();
  }
  EXPECT_THROW(EncodeGbkStrict(lone), EConvertError);
}

TEST(GbkTest, InvalidBytesOnDecode) {
  struct Case { QByteArray bytes; const char* text; int invalid; };
  const Case cases[] = {
      {QByteArray("a\xFF" "b"), "a\xEF\xBF\xBD" "b", 1},                  // 0xFF is never a lead byte
      {QByteArray("\xD0\xA1\xC7"), "小\xEF\xBF\xBD", 1},                   // cut in the middle of a character
      {QByteArray("\xD0\x20\xC7\xF8"), "\xEF\xBF\xBD \xE5\x8C\xBA", 1},    // a lead byte followed by a blank
      {QByteArray("ok"), "ok", 0},
  };
  for (const auto& c : cases) {
    int invalid = -1;
    EXPECT_EQ(DecodeGbk(c.bytes, &invalid), u(c.text)) << c.bytes.toHex().toStdString();
    EXPECT_EQ(invalid, c.invalid) << c.bytes.toHex().toStdString();
    if (c.invalid > 0) {
      EXPECT_THROW(DecodeGbkStrict(c.bytes), EConvertError);
    }
  }
}

TEST(GbkTest, Gb18030HoldsEverything) {
  QString all = u("小区😀𠀀€");
  QByteArray bytes = EncodeGb18030(all);
  int invalid = -1;
  EXPECT_EQ(DecodeGb18030(bytes, &invalid), all);
  EXPECT_EQ(invalid, 0);
  // GBK characters have the same two bytes in GB18030.
  EXPECT_EQ(EncodeGb18030(u("小区")), EncodeGbk(u("小区")));
}

TEST(GbkTest, LongTextGrowsTheBuffers) {
  QString text;
  for (int i = 0; i < 5000; ++i) text += u(i % 3 ? "区" : "a😀");
  int unmappable = 0;
  QByteArray gbk = EncodeGbk(text, &unmappable);
  EXPECT_EQ(unmappable, 1667);
  EXPECT_EQ(gbk.size(), GbkLength(text));
  QString back = DecodeGbk(gbk);
  EXPECT_EQ(back.size(), 5000 + 1667);
}

}  // namespace
