#include "grid/LibrarySupportEh.h"

#include <QFile>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/format.h"

namespace {

bool numberLike(Variant::Type t) {
  switch (t) {
    case Variant::Bool:
    case Variant::Byte:
    case Variant::Int:
    case Variant::Int64:
    case Variant::Double:
    case Variant::Currency:
    case Variant::DateTime:
      return true;
    default:
      return false;
  }
}

// The platform's equality of two non-array values; throws when they cannot be compared.
bool plainEqual(const Variant& a, const Variant& b) {
  if (a.isEmpty() || b.isEmpty()) return a.isEmpty() && b.isEmpty();
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  if (a.isText() && b.isText()) return a.toString() == b.toString();
  if (numberLike(a.type()) && numberLike(b.type())) return Variant::compare(a, b) == 0;
  // Text against a number or date-time: the text is converted (raising when it cannot be).
  const Variant& text = a.isText() ? a : b;
  const Variant& other = a.isText() ? b : a;
  if (other.type() == Variant::DateTime) return Variant::dateTime(text.toDateTime()) == other;
  return Variant(StrToFloat(text.toString())) == Variant(other.toDouble());
}

bool equalOrThrow(const Variant& a, const Variant& b) {
  if (a.isArray() != b.isArray()) return false;
  if (a.isArray()) {
    const QVector<Variant>& x = a.items();
    const QVector<Variant>& y = b.items();
    if (x.size() != y.size() || x.isEmpty()) return false;
    for (qsizetype i = 0; i < x.size(); ++i)
      if (!equalOrThrow(x[i], y[i])) return false;
    return true;
  }
  return plainEqual(a, b);
}

}  // namespace

bool VariantsEqual(const Variant& a, const Variant& b) {
  try {
    return equalOrThrow(a, b);
  } catch (...) {
    return false;
  }
}

// ---------------------------------------------------------------------------------------

TMemoryStreamEh::~TMemoryStreamEh() { std::free(memory_); }

void TMemoryStreamEh::SetGrowthHalfStep(int32_t value) {
  int64_t step = static_cast<int64_t>(value) * 2;
  if (value <= 0 || (step & (step - 1)) != 0)
    throw EInvalidOperation(QStringLiteral("Invalid growth step %1").arg(value));
  growthHalfStep_ = value;
}

char* TMemoryStreamEh::Realloc(int64_t& newCapacity) {
  if (newCapacity > 0 && newCapacity != size_) {
    const int64_t step = static_cast<int64_t>(growthHalfStep_) * 2;
    if (newCapacity > std::numeric_limits<int64_t>::max() - (step - 1))
      throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
    newCapacity = (newCapacity + (step - 1)) & ~(step - 1);
  }
  char* result = memory_;
  if (newCapacity != capacity_) {
    if (newCapacity == 0) {
      std::free(memory_);
      result = nullptr;
    } else {
      void* block = static_cast<uint64_t>(newCapacity) > std::numeric_limits<size_t>::max()
                        ? nullptr
                        : (capacity_ == 0 ? std::malloc(static_cast<size_t>(newCapacity))
                                          : std::realloc(memory_, static_cast<size_t>(newCapacity)));
      if (!block) throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
      result = static_cast<char*>(block);
    }
  }
  return result;
}

void TMemoryStreamEh::SetCapacity(int64_t newCapacity) {
  if (newCapacity < 0) newCapacity = 0;
  memory_ = Realloc(newCapacity);
  capacity_ = newCapacity;
  if (size_ > capacity_) size_ = capacity_;
}

void TMemoryStreamEh::SetSize(int64_t newSize) {
  if (newSize < 0) newSize = 0;
  int64_t oldPosition = position_;
  int64_t oldSize = size_;
  SetCapacity(newSize);
  if (newSize > oldSize) std::memset(memory_ + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  size_ = newSize;
  if (oldPosition > newSize) Seek(0, soEnd);
}

void TMemoryStreamEh::Clear() {
  SetCapacity(0);
  size_ = 0;
  position_ = 0;
}

int64_t TMemoryStreamEh::Read(void* buffer, int64_t count) {
  if (position_ < 0 || count < 0) return 0;
  int64_t available = size_ - position_;
  if (available <= 0) return 0;
  if (available > count) available = count;
  std::memcpy(buffer, memory_ + position_, static_cast<size_t>(available));
  position_ += available;
  return available;
}

int64_t TMemoryStreamEh::Write(const void* buffer, int64_t count) {
  if (position_ < 0 || count < 0) return 0;
  if (count > std::numeric_limits<int64_t>::max() - position_)
    throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
  int64_t end = position_ + count;
  if (end > 0) {
    if (end > size_) {
      if (end > capacity_) SetCapacity(end);
      // a write past the end leaves zeros, not old heap contents, in the gap
      if (position_ > size_) std::memset(memory_ + size_, 0, static_cast<size_t>(position_ - size_));
      size_ = end;
    }
    if (count > 0) std::memcpy(memory_ + position_, buffer, static_cast<size_t>(count));
    position_ = end;
  }
  return count;
}

void TMemoryStreamEh::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EStreamError(QStringLiteral("Stream read error"));
}

void TMemoryStreamEh::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EStreamError(QStringLiteral("Stream write error"));
}

int64_t TMemoryStreamEh::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning: position_ = offset; break;
    case soCurrent: position_ += offset; break;
    case soEnd: position_ = size_ + offset; break;
  }
  return position_;
}

void TMemoryStreamEh::LoadFromDevice(QIODevice& device) {
  QByteArray data = device.readAll();
  SetSize(data.size());
  if (!data.isEmpty()) std::memcpy(memory_, data.constData(), static_cast<size_t>(data.size()));
  position_ = 0;
}

void TMemoryStreamEh::SaveToDevice(QIODevice& device) const {
  if (size_ > 0 && device.write(memory_, size_) != size_) throw EStreamError(QStringLiteral("Stream write error"));
}

void TMemoryStreamEh::LoadFromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw EStreamError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
  LoadFromDevice(file);
}

void TMemoryStreamEh::SaveToFile(const QString& path) const {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw EStreamError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, file.errorString()));
  SaveToDevice(file);
}
