#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/data/field.h"

// The compact in-memory snapshot of a dataset's rows.
//
// Each cell is 9 bytes: a type tag and a 64-bit slot (an integer, the bits of a double, money
// units, or the place of a text in the string pool). Columns are stored in blocks of up to
// 65,536 cells so that growing never copies large arrays; texts and blobs live in pool chunks
// of up to 16 MB, each preceded by its 4-byte length. A million rows of ten columns therefore
// take about 90 MB plus their text bytes, and no Variant exists until a field is read. The
// first block of each column and the first chunks start small and double as rows come, so
// that a result of a few rows (most queries) allocates a few kilobytes, not 576 KB a column
// and 16 MB of pool, which the allocator would map, fault in and give back on every query.
//
// The pool only grows: a cell that is overwritten leaves its old text in the pool, so a Cell
// copied earlier (the original values of an edit) stays readable.
enum CellTag : uint8_t { ctNull = 0, ctInt, ctReal, ctMoney, ctText, ctBlob };

struct Cell {
  uint8_t tag = ctNull;
  uint64_t slot = 0;
  static Cell fromInt(int64_t v) { Cell c; c.tag = ctInt; c.slot = uint64_t(v); return c; }
  static Cell fromReal(double v) { Cell c; c.tag = ctReal; std::memcpy(&c.slot, &v, 8); return c; }
  static Cell fromMoney(int64_t units) { Cell c; c.tag = ctMoney; c.slot = uint64_t(units); return c; }
  int64_t asInt() const { return int64_t(slot); }
  double asReal() const { double d; std::memcpy(&d, &slot, 8); return d; }
  bool operator==(const Cell& o) const { return tag == o.tag && slot == o.slot; }
};

// Where a result column comes from and what it is.
struct ColumnInfo {
  QString name;          // the result column's name
  TFieldType type = ftUnknown;
  int size = 0;          // text length for ftString
  QString baseColumn;    // the table column it reads, empty for an expression
  bool updatable = false;
};

class RowStore {
 public:
  static constexpr int kBlockBits = 16;
  static constexpr uint32_t kBlockSize = 1u << kBlockBits;
  static constexpr size_t kChunkSize = 16u << 20;

  void reset(int columnCount);
  int columnCount() const { return columnCount_; }
  uint32_t rowCount() const { return rowCount_; }

  // Appends a row of Null cells and returns its number.
  uint32_t addRow();

  Cell get(uint32_t row, int col) const {
    const Block& b = *cols_[col][row >> kBlockBits];
    uint32_t i = row & (kBlockSize - 1);
    return Cell{b.tags()[i], b.vals()[i]};
  }
  void set(uint32_t row, int col, Cell c) {
    Block& b = *cols_[col][row >> kBlockBits];
    uint32_t i = row & (kBlockSize - 1);
    b.tags()[i] = c.tag;
    b.vals()[i] = c.slot;
  }

  // Copies bytes into the pool; tag is ctText or ctBlob.
  Cell makeBytes(const char* data, size_t len, CellTag tag = ctText);
  // The text's UTF-8 bytes (as QString::toUtf8 gives them), written straight into the pool.
  Cell makeText(QStringView s);
  // The bytes of a ctText or ctBlob cell.
  const char* bytes(Cell c, uint32_t& len) const;
  QByteArray byteArray(Cell c) const { uint32_t n; const char* p = bytes(c, n); return QByteArray(p, int(n)); }
  QString text(Cell c) const { uint32_t n; const char* p = bytes(c, n); return QString::fromUtf8(p, int(n)); }

  // Database row identity of each row (SQLite rowid; PostgreSQL ctid packed as page<<16|item).
  std::vector<int64_t> rowIds;
  std::vector<ColumnInfo> columns;
  QString updateTable;   // the one table edits write back to; empty = read-only result

  size_t memoryBytes() const;

 private:
  // The cells of a block follow its header: `capacity` slots, then `capacity` tags.
  struct alignas(8) Block {
    uint32_t capacity;
    uint64_t* vals() { return reinterpret_cast<uint64_t*>(this + 1); }
    const uint64_t* vals() const { return reinterpret_cast<const uint64_t*>(this + 1); }
    uint8_t* tags() { return reinterpret_cast<uint8_t*>(vals() + capacity); }
    const uint8_t* tags() const { return reinterpret_cast<const uint8_t*>(vals() + capacity); }
  };
  struct FreeBlock {
    void operator()(Block* b) const { ::operator delete(b); }
  };
  using BlockPtr = std::unique_ptr<Block, FreeBlock>;
  static BlockPtr newBlock(uint32_t capacity);
  // The first block's cells at first, and the first chunk's bytes.
  static constexpr uint32_t kFirstBlockCapacity = 64;
  static constexpr size_t kFirstChunkSize = 64u << 10;
  int columnCount_ = 0;
  uint32_t rowCount_ = 0;
  uint32_t lastBlockCapacity_ = 0;  // of every column's last block
  std::vector<std::vector<BlockPtr>> cols_;
  // Room for `need` more bytes at the end of the pool (a new chunk when the last is full).
  char* reserve(size_t need);
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t chunkUsed_ = kChunkSize;  // bytes used in the last chunk
  size_t lastChunkSize_ = 0;
  size_t poolBytes_ = 0;  // of all chunks
};
