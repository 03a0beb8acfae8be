#include "grid/LibrarySupportEh.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/canvas.h"  // MulDiv
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

// ---- stored properties read back through interceptors -------------------------------------

bool TStoragePropertyInterceptor::ReadProperty(const QString&, QVariant&) const { return false; }
bool TStoragePropertyInterceptor::WriteProperty(const QString&, const QVariant&) { return false; }

namespace {

// Two parallel lists: target classes and their interceptor classes.
struct InterceptorRegistry {
  std::vector<std::type_index> targets;
  std::vector<TInterceptorClassEh> interceptors;
};

InterceptorRegistry& Registry() {
  static InterceptorRegistry registry;
  return registry;
}

}  // namespace

void AddInterceptorClass(std::type_index target, const TInterceptorClassEh& interceptor) {
  InterceptorRegistry& r = Registry();
  // Every earlier registration of the same target goes first.
  for (int i = int(r.targets.size()) - 1; i >= 0; --i)
    if (r.targets[size_t(i)] == target) RemoveInterceptorClass(target, r.interceptors[size_t(i)].Type);
  r.targets.push_back(target);
  r.interceptors.push_back(interceptor);
}

void RemoveInterceptorClass(std::type_index target, std::type_index interceptor) {
  InterceptorRegistry& r = Registry();
  for (int i = int(r.targets.size()) - 1; i >= 0; --i)
    if (r.targets[size_t(i)] == target && r.interceptors[size_t(i)].Type == interceptor) {
      r.targets.erase(r.targets.begin() + i);
      r.interceptors.erase(r.interceptors.begin() + i);
    }
}

const TInterceptorClassEh* FindInterceptorClass(std::type_index target) {
  InterceptorRegistry& r = Registry();
  for (size_t i = 0; i < r.targets.size(); ++i)
    if (r.targets[i] == target) return &r.interceptors[i];
  return nullptr;
}

int InterceptorClassCount() { return int(Registry().targets.size()); }

// ---- windows ------------------------------------------------------------------------------

TWindowState WindowStateOf(const QWidget* form) {
  const Qt::WindowStates s = form->windowState();
  if (s & Qt::WindowMinimized) return wsMinimized;
  if (s & (Qt::WindowMaximized | Qt::WindowFullScreen)) return wsMaximized;
  return wsNormal;
}

namespace {
const char* const kWindowStateNames[] = {"wsNormal", "wsMinimized", "wsMaximized"};
}

QString WindowStateName(TWindowState s) { return QString::fromLatin1(kWindowStateNames[int(s)]); }

int WindowStateByName(const QString& name) {
  for (int i = 0; i < 3; ++i)
    if (name.compare(QLatin1String(kWindowStateNames[i]), Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QRect FormNormalBounds(const QWidget* form) {
  if (WindowStateOf(form) != wsNormal) return form->normalGeometry();
  return form->geometry();
}

int ScreenPixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

TFormStoragePropertyInterceptor::TFormStoragePropertyInterceptor(QWidget* form)
    : TStoragePropertyInterceptor(form) {
  if (!form) return;
  const QRect r = FormNormalBounds(form);
  Top = r.top();
  Left = r.left();
  Height = r.height();
  Width = r.width();
  PixelsPerInch = ScreenPixelsPerInch();
  WindowState = WindowStateOf(form);
  if (QWidget* focus = form->focusWidget(); focus && focus != form) ActiveControl = focus->objectName();
}

QStringList TFormStoragePropertyInterceptor::PublishedProperties() const {
  return {QStringLiteral("ActiveControl"), QStringLiteral("Height"), QStringLiteral("Left"),
          QStringLiteral("PixelsPerInch"), QStringLiteral("Top"), QStringLiteral("Width"),
          QStringLiteral("WindowState")};
}

bool TFormStoragePropertyInterceptor::ReadProperty(const QString& name, QVariant& value) const {
  // Only the bounds are readable, and always live from the window.
  const QRect r = Form() ? FormNormalBounds(Form()) : QRect(0, 0, 0, 0);
  if (name == QLatin1String("Left")) value = Form() ? r.left() : 0;
  else if (name == QLatin1String("Top")) value = Form() ? r.top() : 0;
  else if (name == QLatin1String("Width")) value = Form() ? r.width() : 0;
  else if (name == QLatin1String("Height")) value = Form() ? r.height() : 0;
  else return false;
  return true;
}

bool TFormStoragePropertyInterceptor::WriteProperty(const QString& name, const QVariant& value) {
  if (name == QLatin1String("ActiveControl")) {
    ActiveControl = value.toString();
    return true;
  }
  if (name == QLatin1String("WindowState")) {
    bool number = false;
    int s = value.toInt(&number);
    if (!number) s = WindowStateByName(value.toString());
    if (s < 0 || s > 2) return false;
    WindowState = TWindowState(s);
    return true;
  }
  bool ok = false;
  const int v = value.toInt(&ok);
  if (!ok) return false;
  if (name == QLatin1String("Left")) Left = v, positionWasRead_ = true;
  else if (name == QLatin1String("Top")) Top = v, positionWasRead_ = true;
  else if (name == QLatin1String("Width")) Width = v;
  else if (name == QLatin1String("Height")) Height = v;
  else if (name == QLatin1String("PixelsPerInch")) {
    if (v <= 0) return false;  // a resolution of 0 would divide by zero below
    PixelsPerInch = v;
  } else return false;
  return true;
}

void TFormStoragePropertyInterceptor::ApplyReadValues() {
  const int screen = ScreenPixelsPerInch();
  Height = MulDiv(Height, screen, PixelsPerInch);
  Left = MulDiv(Left, screen, PixelsPerInch);
  Top = MulDiv(Top, screen, PixelsPerInch);
  Width = MulDiv(Width, screen, PixelsPerInch);
  QWidget* form = Form();
  if (!form) return;
  const QRect normal(Left, Top, Width, Height);
  const Qt::WindowStates other = form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  const Qt::WindowStates state = other | (WindowState == wsMaximized   ? Qt::WindowMaximized
                                          : WindowState == wsMinimized ? Qt::WindowMinimized
                                                                       : Qt::WindowNoState);
  // The normal-state rectangle is given in the normal state; a maximised or minimised window
  // keeps it for when it is restored.
  if (form->windowState() != other) form->setWindowState(other);
  form->setGeometry(normal);
  if (state != other) form->setWindowState(state);
  // The control that has the focus when the window is active; a window that is active now
  // keeps its focus where it is.
  if (!ActiveControl.isEmpty() && !form->isActiveWindow())
    if (QWidget* c = form->findChild<QWidget*>(ActiveControl)) c->setFocus(Qt::OtherFocusReason);
  // A stored position is kept: the window is not placed again when it is shown.
  if (PositionWasRead()) form->setAttribute(Qt::WA_Moved);
}

namespace {

// Registered at start-up: every window's stored placement goes through the form interceptor.
const bool kFormInterceptorRegistered = [] {
  AddInterceptorClass<QWidget, TFormStoragePropertyInterceptor>();
  return true;
}();

const struct {
  quint32 key;
  const char* name;
} kHKeyNames[] = {
    {0x80000000u, "HKEY_CLASSES_ROOT"},     {0x80000001u, "HKEY_CURRENT_USER"}, {0x80000002u, "HKEY_LOCAL_MACHINE"},
    {0x80000003u, "HKEY_USERS"},            {0x80000004u, "HKEY_PERFORMANCE_DATA"},
    {0x80000005u, "HKEY_CURRENT_CONFIG"},   {0x80000006u, "HKEY_DYN_DATA"},
};

}  // namespace

bool HKeyToIdent(quint32 key, QString& ident) {
  for (const auto& k : kHKeyNames)
    if (k.key == key) {
      ident = QString::fromLatin1(k.name);
      return true;
    }
  return false;
}

bool IdentToHKey(const QString& ident, quint32& key) {
  for (const auto& k : kHKeyNames)
    if (ident.compare(QLatin1String(k.name), Qt::CaseInsensitive) == 0) {
      key = k.key;
      return true;
    }
  return false;
}

QString HKeyText(quint32 key) {
  QString ident;
  return HKeyToIdent(key, ident) ? ident : QString::number(key);
}

bool HKeyFromText(const QString& text, quint32& key) {
  if (IdentToHKey(text, key)) return true;
  bool ok = false;
  const quint32 v = text.toUInt(&ok);
  if (ok) key = v;
  return ok;
}
