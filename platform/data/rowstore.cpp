#include "platform/data/rowstore.h"

#include <algorithm>
#include <cstring>

void RowStore::reset(int columnCount) {
  columnCount_ = columnCount;
  rowCount_ = 0;
  lastBlockCapacity_ = 0;
  cols_.clear();
  cols_.resize(size_t(columnCount));
  chunks_.clear();
  poolBytes_ = 0;
  chunkUsed_ = kChunkSize;
  lastChunkSize_ = 0;
  rowIds.clear();
}

RowStore::BlockPtr RowStore::newBlock(uint32_t capacity) {
  // Left uninitialised: each row's tags are set as the row is added.
  BlockPtr b(static_cast<Block*>(::operator new(sizeof(Block) + size_t(capacity) * (sizeof(uint64_t) + 1))));
  b->capacity = capacity;
  return b;
}

uint32_t RowStore::addRow() {
  const uint32_t row = rowCount_;
  const uint32_t i = row & (kBlockSize - 1);
  if (i == 0) {
    // The first block starts small; a result that needs a second one is large, and its
    // further blocks are whole at once.
    lastBlockCapacity_ = row == 0 ? kFirstBlockCapacity : kBlockSize;
    for (auto& col : cols_) col.push_back(newBlock(lastBlockCapacity_));
  } else if (i == lastBlockCapacity_) {
    const uint32_t capacity = std::min(lastBlockCapacity_ * 2, kBlockSize);
    for (auto& col : cols_) {
      BlockPtr grown = newBlock(capacity);
      std::memcpy(grown->vals(), col.back()->vals(), size_t(i) * sizeof(uint64_t));
      std::memcpy(grown->tags(), col.back()->tags(), size_t(i));
      col.back() = std::move(grown);
    }
    lastBlockCapacity_ = capacity;
  }
  for (auto& col : cols_) col.back()->tags()[i] = ctNull;
  ++rowCount_;
  return row;
}

char* RowStore::reserve(size_t need) {
  if (chunkUsed_ + need > lastChunkSize_) {
    // Chunks double from a small first one up to the full size.
    const size_t next = chunks_.empty() ? kFirstChunkSize : std::min(kChunkSize, lastChunkSize_ * 2);
    const size_t size = std::max(need, next);
    chunks_.emplace_back(new char[size]);
    poolBytes_ += size;
    lastChunkSize_ = size;
    chunkUsed_ = 0;
  }
  return chunks_.back().get() + chunkUsed_;
}

Cell RowStore::makeBytes(const char* data, size_t len, CellTag tag) {
  char* base = reserve(len + 4);
  uint32_t n = uint32_t(len);
  std::memcpy(base, &n, 4);
  if (len) std::memcpy(base + 4, data, len);
  Cell c;
  c.tag = tag;
  c.slot = (uint64_t(chunks_.size() - 1) << 32) | uint64_t(chunkUsed_);
  chunkUsed_ += len + 4;
  return c;
}

Cell RowStore::makeText(QStringView s) {
  // At most three bytes for each UTF-16 unit (a pair of two takes four).
  char* base = reserve(4 + 3 * size_t(s.size()));
  auto* out = reinterpret_cast<unsigned char*>(base + 4);
  const char16_t* p = s.utf16();
  const char16_t* const end = p + s.size();
  while (p < end) {
    const char16_t u = *p++;
    if (u < 0x80) {
      *out++ = uchar(u);
    } else if (u < 0x800) {
      *out++ = uchar(0xc0 | (u >> 6));
      *out++ = uchar(0x80 | (u & 0x3f));
    } else if (!QChar::isSurrogate(u)) {
      *out++ = uchar(0xe0 | (u >> 12));
      *out++ = uchar(0x80 | ((u >> 6) & 0x3f));
      *out++ = uchar(0x80 | (u & 0x3f));
    } else if (QChar::isHighSurrogate(u) && p < end && QChar::isLowSurrogate(*p)) {
      const char32_t c = QChar::surrogateToUcs4(u, *p++);
      *out++ = uchar(0xf0 | (c >> 18));
      *out++ = uchar(0x80 | ((c >> 12) & 0x3f));
      *out++ = uchar(0x80 | ((c >> 6) & 0x3f));
      *out++ = uchar(0x80 | (c & 0x3f));
    } else {
      // A surrogate without its partner: QString::toUtf8 writes '?' for it.
      *out++ = '?';
    }
  }
  const uint32_t n = uint32_t(out - reinterpret_cast<unsigned char*>(base + 4));
  std::memcpy(base, &n, 4);
  Cell c;
  c.tag = ctText;
  c.slot = (uint64_t(chunks_.size() - 1) << 32) | uint64_t(chunkUsed_);
  chunkUsed_ += n + 4;
  return c;
}

const char* RowStore::bytes(Cell c, uint32_t& len) const {
  const char* base = chunks_[size_t(c.slot >> 32)].get() + (c.slot & 0xffffffffu);
  std::memcpy(&len, base, 4);
  return base + 4;
}

size_t RowStore::memoryBytes() const {
  size_t n = 0;
  for (auto& col : cols_)
    for (const BlockPtr& b : col) n += sizeof(Block) + size_t(b->capacity) * (sizeof(uint64_t) + 1);
  n += poolBytes_;
  return n + rowIds.capacity() * 8;
}
