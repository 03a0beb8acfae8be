#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>

#include "platform/exception.h"
#include "platform/variant.h"

// Equality of two variants as the grid library uses it (editors, check box, columns, special
// rows). It never raises: values that cannot be compared are unequal.
// - Exactly one of the two is an array: unequal.
// - Two arrays of the same length: equal when every pair of elements is equal (by the rules
//   below, element by element); two EMPTY arrays are unequal; arrays of different lengths
//   are unequal.
// - Otherwise exactly one Empty (unassigned): unequal; two Empty are equal; Null equals Null
//   and nothing else.
// - Numbers, booleans (True counts -1) and date-times compare by value across types; text
//   compares with text exactly (letter case counts); text against a number (or a date-time)
//   is equal only when the text converts to that number (date-time); a text that does not
//   convert is unequal.
bool VariantsEqual(const Variant& a, const Variant& b);

// A failure of the memory stream.
class EStreamError : public Exception { using Exception::Exception; };

// The library's memory stream: one block of bytes (`Memory`, `Size` bytes long) that the
// clipboard and export code fill and read back whole. The block grows in steps of
// 2 × GrowthHalfStep bytes (8,192 by default), so that many small writes do not reallocate
// each time. Bytes between the old end and a write past it, and bytes added by SetSize, are
// zero.
class TMemoryStreamEh {
 public:
  enum TSeekOrigin { soBeginning, soCurrent, soEnd };

  TMemoryStreamEh() = default;
  virtual ~TMemoryStreamEh();
  TMemoryStreamEh(const TMemoryStreamEh&) = delete;
  TMemoryStreamEh& operator=(const TMemoryStreamEh&) = delete;

  // Half the allocation step; twice the value must be a power of two (EInvalidOperation else).
  int32_t GrowthHalfStep() const { return growthHalfStep_; }
  void SetGrowthHalfStep(int32_t value);

  char* Memory() { return memory_; }
  const char* Memory() const { return memory_; }
  int64_t Size() const { return size_; }
  int64_t Position() const { return position_; }
  int64_t Capacity() const { return capacity_; }

  void SetPosition(int64_t position) { position_ = position; }
  void SetSize(int64_t newSize);
  void SetCapacity(int64_t newCapacity);
  void Clear();

  // Read and Write move Position and return the number of bytes moved (0 for a negative
  // count or position).
  int64_t Read(void* buffer, int64_t count);
  int64_t Write(const void* buffer, int64_t count);
  // The same, raising EStreamError when not all bytes could be moved.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  int64_t Seek(int64_t offset, TSeekOrigin origin);

  QByteArray ToByteArray() const { return QByteArray(memory_, static_cast<qsizetype>(size_)); }
  // Replaces the contents with everything the device still has to read; position 0.
  void LoadFromDevice(QIODevice& device);
  void SaveToDevice(QIODevice& device) const;
  void LoadFromFile(const QString& path);
  void SaveToFile(const QString& path) const;

 protected:
  // Called with the wanted capacity whenever the capacity must change; may adjust it and
  // returns the block to use.
  virtual char* Realloc(int64_t& newCapacity);

 private:
  char* memory_ = nullptr;
  int64_t size_ = 0;
  int64_t position_ = 0;
  int64_t capacity_ = 0;
  int32_t growthHalfStep_ = 4096;
};
