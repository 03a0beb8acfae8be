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
