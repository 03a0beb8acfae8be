#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <memory>
#include <typeindex>

#include "platform/exception.h"
#include "platform/variant.h"

class QWidget;

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

// ---- stored properties read back through interceptors -------------------------------------

// Stands in for a target object while its stored properties are read back from storage: a
// stored property that the interceptor publishes under the same name is written to the
// interceptor instead of the target, and once everything was read ApplyReadValues runs.
class TStoragePropertyInterceptor {
 public:
  explicit TStoragePropertyInterceptor(void* target) : target_(target) {}
  virtual ~TStoragePropertyInterceptor() = default;
  TStoragePropertyInterceptor(const TStoragePropertyInterceptor&) = delete;
  TStoragePropertyInterceptor& operator=(const TStoragePropertyInterceptor&) = delete;
  void* Target() const { return target_; }
  virtual bool WantsInterception() const { return true; }
  // Called once all properties were read.
  virtual void ApplyReadValues() {}
  // The properties the interceptor publishes.
  virtual QStringList PublishedProperties() const { return {}; }
  bool Publishes(const QString& name) const { return PublishedProperties().contains(name); }
  // A readable published property's value; false for an unknown or write-only one.
  virtual bool ReadProperty(const QString& name, QVariant& value) const;
  // Writes a published property; false for an unknown one or a value of the wrong kind.
  virtual bool WriteProperty(const QString& name, const QVariant& value);

 private:
  void* target_;
};

// The registry pairing a target class with the interceptor class that reads its stored
// properties. A target has at most one interceptor: the last registered.
using TInterceptorFactoryEh = std::unique_ptr<TStoragePropertyInterceptor> (*)(void* target);
struct TInterceptorClassEh {
  std::type_index Type;
  TInterceptorFactoryEh Create;
};
void AddInterceptorClass(std::type_index target, const TInterceptorClassEh& interceptor);
void RemoveInterceptorClass(std::type_index target, std::type_index interceptor);
// The interceptor class registered for a target class, or none.
const TInterceptorClassEh* FindInterceptorClass(std::type_index target);
int InterceptorClassCount();

template <class TTarget, class TInterceptor>
void AddInterceptorClass() {
  AddInterceptorClass(typeid(TTarget), TInterceptorClassEh{typeid(TInterceptor), [](void* t) {
                        return std::unique_ptr<TStoragePropertyInterceptor>(new TInterceptor(static_cast<TTarget*>(t)));
                      }});
}
template <class TTarget, class TInterceptor>
void RemoveInterceptorClass() {
  RemoveInterceptorClass(typeid(TTarget), typeid(TInterceptor));
}
// An interceptor of the class registered for TTarget over `target`; none when nothing is
// registered or the interceptor does not want to intercept.
template <class TTarget>
std::unique_ptr<TStoragePropertyInterceptor> NewInterceptorFor(TTarget* target) {
  const TInterceptorClassEh* c = FindInterceptorClass(typeid(TTarget));
  if (!c) return nullptr;
  std::unique_ptr<TStoragePropertyInterceptor> i = c->Create(target);
  return i && i->WantsInterception() ? std::move(i) : nullptr;
}

// A window's state as stored.
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
TWindowState WindowStateOf(const QWidget* form);
QString WindowStateName(TWindowState s);
// -1 for a text that names no state.
int WindowStateByName(const QString& name);
// The rectangle of a window in its normal state, also while it is maximised or minimised.
QRect FormNormalBounds(const QWidget* form);
// The screen's pixels per inch (the primary screen's logical resolution).
int ScreenPixelsPerInch();

// Takes over a window's stored position, size, state and active control: the values are
// collected while they are read and applied together afterwards, scaled from the resolution
// they were stored at to the screen's.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
 public:
  explicit TFormStoragePropertyInterceptor(QWidget* form);
  QWidget* Form() const { return static_cast<QWidget*>(Target()); }
  QStringList PublishedProperties() const override;
  bool ReadProperty(const QString& name, QVariant& value) const override;
  bool WriteProperty(const QString& name, const QVariant& value) override;
  void ApplyReadValues() override;
  bool PositionWasRead() const { return positionWasRead_; }

  // The values as read so far (the form's own until then).
  QString ActiveControl;  // object name of a child of the form
  int Height = 0;
  int Left = 0;
  int PixelsPerInch = 96;
  int Top = 0;
  int Width = 0;
  TWindowState WindowState = wsNormal;

 private:
  bool positionWasRead_ = false;
};

// The names of the registry roots, so that a root is stored as "HKEY_CURRENT_USER" rather than
// as a number; a value outside the map is written as its number.
bool HKeyToIdent(quint32 key, QString& ident);
bool IdentToHKey(const QString& ident, quint32& key);
QString HKeyText(quint32 key);
// A root from its name or its number; false when the text is neither.
bool HKeyFromText(const QString& text, quint32& key);
