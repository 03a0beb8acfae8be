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

Cell RowStore::makeBytes(const char* data, size_t len, CellTag tag) {
  size_t need = len + 4;
  if (chunkUsed_ + need > lastChunkSize_) {
    size_t size = need > kChunkSize ? need : kChunkSize;
    chunks_.emplace_back(new char[size]);
    lastChunkSize_ = size;
    chunkUsed_ = 0;
  }
  char* base = chunks_.back().get() + chunkUsed_;
  uint32_t n = uint32_t(len);
  std::memcpy(base, &n, 4);
  if (len) std::memcpy(base + 4, data, len);
  Cell c;
  c.tag = tag;
  c.slot = (uint64_t(chunks_.size() - 1) << 32) | uint64_t(chunkUsed_);
  chunkUsed_ += need;
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
