#include <gtest/gtest.h>

#include "platform/data/rowstore.h"

// A new block is not cleared: every row must start as nulls in every column, in the first block
// and in the following ones, and every cell must read back as written, across blocks and text
// chunks (one text larger than a chunk).
TEST(RowStoreTest, CellsKeepTheirValuesWhileBlocksAndChunksGrow) {
  RowStore store;
  store.reset(3);
  const uint32_t rows = RowStore::kBlockSize * 2 + 100;
  auto textOf = [](uint32_t r) {
    // Some texts are long, so that chunks fill at odd places; one is larger than a whole chunk.
    if (r == 70000) return QByteArray(int(RowStore::kChunkSize) + 10, 'x');
    return QByteArray::number(r) + QByteArray(int(r % 97), 'a');
  };
  for (uint32_t r = 0; r < rows; ++r) {
    ASSERT_EQ(store.addRow(), r);
    ASSERT_EQ(store.get(r, 0).tag, ctNull);
    ASSERT_EQ(store.get(r, 2).tag, ctNull);
    store.set(r, 0, Cell::fromInt(int64_t(r) * 3 - 7));
    const QByteArray t = textOf(r);
    store.set(r, 1, store.makeBytes(t.constData(), size_t(t.size())));
    if (r % 5 == 0) store.set(r, 2, Cell::fromReal(r / 4.0));
  }
  ASSERT_EQ(store.rowCount(), rows);
  for (uint32_t r = 0; r < rows; ++r) {
    ASSERT_EQ(store.get(r, 0), Cell::fromInt(int64_t(r) * 3 - 7)) << r;
    ASSERT_EQ(store.get(r, 1).tag, ctText) << r;
    ASSERT_EQ(store.byteArray(store.get(r, 1)), textOf(r)) << r;
    if (r % 5 == 0)
      ASSERT_EQ(store.get(r, 2).asReal(), r / 4.0) << r;
    else
      ASSERT_EQ(store.get(r, 2).tag, ctNull) << r;
  }
}

// Texts are written into the pool as UTF-8 without a copy on the way: the bytes must be those
// QString::toUtf8 gives for every kind of unit (one to four bytes, a surrogate without its
// partner), and a text must find room when the last chunk is nearly full.
TEST(RowStoreTest, TextsKeepTheBytesOfToUtf8) {
  const char16_t lone[] = {u'a', 0xd800, u'b', 0xdc00, 0xdbff, 0xdfff, 0xdc01, 0xd801};
  const QString cases[] = {QString(),
                           QStringLiteral("ascii only"),
                           QString::fromUtf8("é ß ÿ ߿"),
                           QString::fromUtf8("收费明细表 ￥ \uFFFE\uFFFF"),
                           QString::fromUtf8("\U0001F600 𠀀 \U0010FFFF"),
                           QString(reinterpret_cast<const QChar*>(lone), int(std::size(lone))),
                           QString(reinterpret_cast<const QChar*>(lone + 1), 1),
                           QString(200000, QChar(0x4e2d))};
  RowStore store;
  store.reset(1);
  std::vector<Cell> cells;
  // Enough texts to fill more than one chunk, so some start a new one.
  for (int round = 0; round < 60; ++round)
    for (const QString& s : cases) cells.push_back(store.makeText(s));
  size_t i = 0;
  for (int round = 0; round < 60; ++round)
    for (const QString& s : cases) {
      SCOPED_TRACE(i);
      ASSERT_EQ(cells[i].tag, ctText);
      ASSERT_EQ(store.byteArray(cells[i]), s.toUtf8());
      ++i;
    }
}
