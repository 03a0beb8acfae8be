#include "platform/data/field.h"

#include "platform/data/dataset.h"
#include "platform/data/jet.h"
#include "platform/exception.h"
#include "platform/format.h"

TField::TField(TDataSet* dataSet, const QString& fieldName, TFieldType type, int size, int index)
    : dataSet_(dataSet), fieldName_(fieldName), dataType_(type), size_(size), index_(index) {
  if (IsNumeric()) Alignment = taRightJustify;
  // Money columns arrive as exact decimals whose Currency flag is off, as the office's lists
  // expect them: a sum of 1.25 and 2.5 shows "3.75", not a currency-formatted text.
}

bool TField::IsNumeric() const {
  switch (dataType_) {
    case ftSmallint: case ftInteger: case ftLargeint: case ftAutoInc:
    case ftFloat: case ftCurrency: case ftBCD:
      return true;
    default:
      return false;
  }
}

bool TField::CanModify() const {
  if (fieldKind_ == fkLookup) {
    // A lookup value is written through its keys.
    if (ReadOnly || !dataSet_->CanModify() || !LookupDataSet) return false;
    const QStringList keys = KeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (keys.isEmpty()) return false;
    for (const QString& k : keys) {
      TField* f = dataSet_->FindField(k.trimmed());
      if (!f || f->IsLookup() || !f->CanModify()) return false;
    }
    return true;
  }
  return !ReadOnly && canUpdate_ && dataType_ != ftAutoInc && dataSet_->CanModify();
}

Variant TField::Value() const { return dataSet_->fieldValue_(this); }
Variant TField::OldValue() const { return dataSet_->fieldOldValue_(this); }
void TField::SetValue(const Variant& value) { dataSet_->setFieldValue_(this, value); }
bool TField::IsNull() const { return Value().isNullOrEmpty(); }

QString TField::AsString() const {
  Variant v = Value();
  if (v.isNullOrEmpty()) return QString();
  switch (dataType_) {
    case ftDate: return DateToStr(v.toDateTime());
    case ftTime: return TimeToStr(v.toDateTime());
    case ftDateTime: return DateTimeToStr(v.toDateTime());
    case ftCurrency: case ftBCD: return v.toMoney().toString();
    case ftFloat: return FloatToStr(v.toDouble());
    case ftBlob: case ftGraphic: return QString::fromLatin1(AsBytes());
    default: return v.toString();
  }
}

int TField::AsInteger() const { Variant v = Value(); return v.isNullOrEmpty() ? 0 : v.toInt(); }
int64_t TField::AsLargeInt() const { Variant v = Value(); return v.isNullOrEmpty() ? 0 : v.toInt64(); }
double TField::AsFloat() const { Variant v = Value(); return v.isNullOrEmpty() ? 0.0 : v.toDouble(); }
Money TField::AsMoney() const { Variant v = Value(); return v.isNullOrEmpty() ? Money() : v.toMoney(); }
bool TField::AsBoolean() const { Variant v = Value(); return v.isNullOrEmpty() ? false : v.toBool(); }
TDateTime TField::AsDateTime() const {
  Variant v = Value();
  if (v.isNullOrEmpty()) return 0;
  if (v.isText()) {
    if (auto d = ParseJetDate(v.toString())) return *d;
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(v.toString()));
  }
  return v.toDateTime();
}
QByteArray TField::AsBytes() const { return dataSet_->fieldBytes_(this); }
void TField::SetAsBytes(const QByteArray& bytes) { dataSet_->setFieldBytes_(this, bytes); }

void TField::SetAsString(const QString& v) {
  switch (dataType_) {
    case ftString: case ftMemo:
      SetValue(Variant(v));
      return;
    case ftBlob: case ftGraphic:
      SetAsBytes(v.toLatin1());
      return;
    default:
      break;
  }
  QString t = v.trimmed();
  if (t.isEmpty()) { SetValue(Variant::null()); return; }
  switch (dataType_) {
    case ftDate: case ftTime: case ftDateTime: {
      auto d = ParseJetDate(t);
      if (!d) throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(v));
      SetValue(Variant::dateTime(*d));
      return;
    }
    case ftBoolean: {
      QString l = t.toLower();
      if (l == QLatin1String("true") || l == QLatin1String("1") || l == QLatin1String("yes") || l == QStringLiteral("是")) SetValue(Variant(true));
      else if (l == QLatin1String("false") || l == QLatin1String("0") || l == QLatin1String("no") || l == QStringLiteral("否")) SetValue(Variant(false));
      else throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(v));
      return;
    }
    case ftCurrency: case ftBCD: {
      auto m = Money::parse(t);
      if (!m) throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(v));
      SetValue(Variant(*m));
      return;
    }
    case ftFloat:
      SetValue(Variant(StrToFloat(t)));
      return;
    default: {
      bool ok = false;
      qlonglong n = t.toLongLong(&ok);
      if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(v));
      SetValue(Variant(int64_t(n)));
      return;
    }
  }
}

QString TField::formatNumber(const QString& pattern) const {
  Variant v = Value();
  if (v.isNullOrEmpty()) return QString();
  if (dataType_ == ftCurrency || dataType_ == ftBCD) {
    Money m = v.toMoney();
    if (!pattern.isEmpty()) return FormatFloat(pattern, m);
    if (Currency) return CurrToStrF(m, ffCurrency, DefaultFormatSettings().currencyDecimals);
    return m.toString();
  }
  double d = v.toDouble();
  if (!pattern.isEmpty()) return FormatFloat(pattern, d);
  if (Currency) return FloatToStrF(d, ffCurrency, Precision, DefaultFormatSettings().currencyDecimals);
  if (dataType_ == ftFloat) return FloatToStrF(d, ffGeneral, Precision, 0);
  return v.toString();
}

QString TField::DisplayText() const {
  if (OnGetText) {
    QString text;
    OnGetText(const_cast<TField*>(this), text, true);
    return text;
  }
  if (IsNumeric()) return formatNumber(DisplayFormat);
  if (dataType_ == ftDate || dataType_ == ftTime || dataType_ == ftDateTime) {
    if (IsNull()) return QString();
    if (!DisplayFormat.isEmpty()) return FormatDateTime(DisplayFormat, AsDateTime());
    return AsString();
  }
  if (dataType_ == ftBoolean) {
    if (IsNull()) return QString();
    return AsBoolean() ? QStringLiteral("True") : QStringLiteral("False");
  }
  if (dataType_ == ftMemo) return AsString();
  if (dataType_ == ftBlob || dataType_ == ftGraphic) return IsNull() ? QString() : QStringLiteral("(BLOB)");
  return AsString();
}

QString TField::Text() const {
  if (OnGetText) {
    QString text;
    OnGetText(const_cast<TField*>(this), text, false);
    return text;
  }
  if (IsNumeric()) {
    if (IsNull()) return QString();
    if (!EditFormat.isEmpty()) return formatNumber(EditFormat);
    if (dataType_ == ftCurrency || dataType_ == ftBCD) return AsMoney().toString();
    if (dataType_ == ftFloat) return FloatToStr(AsFloat());
    return Value().toString();
  }
  return AsString();
}

void TField::FocusControl() {
  if (dataSet_->Active()) dataSet_->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(this));
}

int TField::DisplayWidth() const {
  if (displayWidth_ > 0) return displayWidth_;
  switch (dataType_) {
    case ftString: return size_ > 0 ? size_ : 20;
    case ftSmallint: return 6;
    case ftInteger: case ftAutoInc: return 11;
    case ftLargeint: return 15;
    case ftFloat: case ftCurrency: case ftBCD: return 10;
    case ftBoolean: return 5;
    case ftDate: return 10;
    case ftTime: return 8;
    case ftDateTime: return 18;
    default: return 10;
  }
}

const char* FieldTypeName(TFieldType t) {
  static const char* names[] = {"Unknown", "String", "Memo", "Smallint", "Integer", "Largeint",
                                "AutoInc", "Float", "Currency", "BCD", "Boolean", "Date",
                                "Time", "DateTime", "Blob", "Graphic"};
  return names[t];
}
