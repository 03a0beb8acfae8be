#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

#include "grid/LibrarySupportEh.h"
#include "platform/datetime.h"

namespace {

TEST(LibrarySupportTest, VariantsEqual) {
  const Variant null = Variant::null();
  const Variant empty;
  const TDateTime june1 = EncodeDate(2004, 6, 1);
  struct Case { const char* name; Variant a, b; bool equal; };
  const Case cases[] = {
      {"null null", null, null, true},
      {"null unassigned", null, empty, false},
      {"unassigned unassigned", empty, empty, true},
      {"unassigned zero", empty, Variant(0), false},
      {"unassigned empty text", empty, Variant(""), false},
      {"null zero", null, Variant(0), false},
      {"null empty text", null, Variant(""), false},
      {"text abc vs 5", Variant("abc"), Variant(5), false},
      {"numeric text vs number", Variant("5"), Variant(5), true},
      {"numeric text vs other number", Variant("5.5"), Variant(5), false},
      {"text case counts", Variant("abc"), Variant("ABC"), false},
      {"same text", Variant("收费"), Variant("收费"), true},
      {"int vs double", Variant(2), Variant(2.0), true},
      {"int vs money", Variant(2), Variant(Money::fromInt(2)), true},
      {"byte vs int64", Variant::byte(7), Variant(int64_t{7}), true},
      {"true is -1", Variant(true), Variant(-1), true},
      {"false is 0", Variant(false), Variant(0), true},
      {"date vs same date", Variant::dateTime(june1), Variant::dateTime(june1), true},
      {"date vs its number", Variant::dateTime(june1), Variant(june1), true},
      {"date vs its text", Variant::dateTime(june1), Variant("2004-6-1"), true},
      {"date vs other text", Variant::dateTime(june1), Variant("2004-6-2"), false},
      {"date vs non-date text", Variant::dateTime(june1), Variant("soon"), false},
      {"arrays equal", Variant::array({1, 2}), Variant::array({1, 2}), true},
      {"arrays of other length", Variant::array({1, 2}), Variant::array({1, 2, 3}), false},
      {"arrays differ", Variant::array({1, 2}), Variant::array({1, 3}), false},
      {"arrays mixed types", Variant::array({1, "a", null}), Variant::array({1.0, "a", null}), true},
      {"array element text vs number", Variant::array({"abc"}), Variant::array({5}), false},
      {"empty arrays", Variant::array({}), Variant::array({}), false},
      {"array vs value", Variant::array({1}), Variant(1), false},
      {"value vs array", Variant(1), Variant::array({1}), false},
      {"nested arrays", Variant::array({Variant::array({1})}), Variant::array({Variant::array({1})}), true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VariantsEqual(c.a, c.b), c.equal) << c.name;
    EXPECT_EQ(VariantsEqual(c.b, c.a), c.equal) << c.name << " (reversed)";
  }
}

TEST(LibrarySupportTest, MemoryStreamGrowsInSteps) {
  TMemoryStreamEh s;
  EXPECT_EQ(s.GrowthHalfStep(), 4096);
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
  char byte = 'x';
  s.WriteBuffer(&byte, 1);
  EXPECT_EQ(s.Capacity(), 8192);
  EXPECT_EQ(s.Size(), 1);
  QByteArray block(8192, 'a');
  s.WriteBuffer(block.constData(), block.size());
  EXPECT_EQ(s.Size(), 8193);
  EXPECT_EQ(s.Capacity(), 16384);

  TMemoryStreamEh big;
  big.SetGrowthHalfStep(65536);
  big.WriteBuffer(&byte, 1);
  EXPECT_EQ(big.Capacity(), 131072);

  // Clearing frees the block.
  s.Clear();
  EXPECT_EQ(s.Capacity(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);

  EXPECT_THROW(s.SetGrowthHalfStep(3000), EInvalidOperation);
  EXPECT_THROW(s.SetGrowthHalfStep(0), EInvalidOperation);
  EXPECT_EQ(s.GrowthHalfStep(), 4096);
}

TEST(LibrarySupportTest, MemoryStreamCapacityEqualToSizeIsExact) {
  TMemoryStreamEh s;
  QByteArray data(100, 'z');
  s.WriteBuffer(data.constData(), data.size());
  EXPECT_EQ(s.Capacity(), 8192);
  s.SetCapacity(s.Size());  // trimming to the size is not rounded
  EXPECT_EQ(s.Capacity(), 100);
  EXPECT_EQ(s.ToByteArray(), data);
}

TEST(LibrarySupportTest, MemoryStreamReadWriteSeek) {
  TMemoryStreamEh s;
  s.WriteBuffer("hello", 5);
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(s.Seek(0, TMemoryStreamEh::soBeginning), 0);
  char buf[16] = {};
  EXPECT_EQ(s.Read(buf, 3), 3);
  EXPECT_EQ(QByteArray(buf, 3), "hel");
  EXPECT_EQ(s.Read(buf, 16), 2);  // only what is left
  EXPECT_EQ(s.Read(buf, 16), 0);
  EXPECT_THROW(s.ReadBuffer(buf, 1), EStreamError);
  EXPECT_EQ(s.Read(buf, -1), 0);

  // overwrite in the middle
  s.Seek(-4, TMemoryStreamEh::soEnd);
  s.WriteBuffer("EL", 2);
  EXPECT_EQ(s.ToByteArray(), "hELlo");
  EXPECT_EQ(s.Seek(1, TMemoryStreamEh::soCurrent), 4);

  // a write past the end leaves zeros in the gap
  s.Seek(8, TMemoryStreamEh::soBeginning);
  s.WriteBuffer("!", 1);
  EXPECT_EQ(s.ToByteArray(), QByteArray("hELlo\0\0\0!", 9));

  // shrinking moves the position back to the end; growing adds zeros
  s.SetSize(3);
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(s.ToByteArray(), "hEL");
  s.SetSize(5);
  EXPECT_EQ(s.ToByteArray(), QByteArray("hEL\0\0", 5));

  s.SetPosition(-1);
  EXPECT_EQ(s.Write("x", 1), 0);
}

TEST(LibrarySupportTest, MemoryStreamFilesAndDevices) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("stream.bin");
  TMemoryStreamEh s;
  QByteArray data;
  for (int i = 0; i < 20000; ++i) data += char(i % 251);
  s.WriteBuffer(data.constData(), data.size());
  s.SaveToFile(path);

  TMemoryStreamEh back;
  back.LoadFromFile(path);
  EXPECT_EQ(back.ToByteArray(), data);
  EXPECT_EQ(back.Position(), 0);
  EXPECT_EQ(back.Capacity(), 24576);

  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  back.SaveToDevice(buffer);
  EXPECT_EQ(buffer.data(), data);

  EXPECT_THROW(back.LoadFromFile(dir.filePath("missing.bin")), EStreamError);
  EXPECT_EQ(back.ToByteArray(), data);  // unchanged after the failure
}

}  // namespace
