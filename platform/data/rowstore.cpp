#include "platform/data/rowstore.h"

#include <cstring>

void RowStore::reset(int columnCount) {
  columnCount_ = columnCount;
  rowCount_ = 0;
  cols_.clear();
  cols_.resize(size_t(columnCount));
  chunks_.clear();
  chunkUsed_ = kChunkSize;
  lastChunkSize_ = 0;
  rowIds.clear();
}

uint32_t RowStore::addRow() {
  uint32_t row = rowCount_;
  // A new block is left uninitialised: each row's tags are set as the row is added, so a
  // result of a few rows touches a few pages of its blocks, not all 576 KB of each.
  if ((row & (kBlockSize - 1)) == 0)
    for (auto& col : cols_) col.push_back(std::unique_ptr<Block>(new Block));
  const uint32_t i = row & (kBlockSize - 1);
  for (auto& col : cols_) col.back()->tags[i] = ctNull;
  ++rowCount_;
  return row;
}

char* RowStore::reserve(size_t need) {
  if (chunkUsed_ + need > lastChunkSize_) {
    size_t size = need > kChunkSize ? need : kChunkSize;
    chunks_.emplace_back(new char[size]);
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
  for (auto& col : cols_) n += col.size() * sizeof(Block);
  if (!chunks_.empty()) n += (chunks_.size() - 1) * kChunkSize + lastChunkSize_;
  return n + rowIds.capacity() * 8;
}
