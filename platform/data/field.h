#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

#include "platform/variant.h"

class TDataSet;

// The data types a field can have. The type of a result column is taken from the column's
// declared type in the database (see platform/data/connection.h for the mapping), else from
// the kind of value the first row holds.
enum TFieldType {
  ftUnknown,
  ftString,    // text up to Size characters
  ftMemo,      // long text
  ftSmallint,
  ftInteger,
  ftLargeint,
  ftAutoInc,   // integer numbered by the database; read-only
  ftFloat,
  ftCurrency,  // exact amount: reads as Money
  ftBCD,       // exact decimal (numeric); reads as Money
  ftBoolean,
  ftDate,
  ftTime,
  ftDateTime,
  ftBlob,
  ftGraphic,   // picture bytes
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Where a field's value comes from: a column of the dataset's result (fkData), or another
// dataset (fkLookup): the record of LookupDataSet whose LookupKeyFields equal this record's
// KeyFields gives the value of its LookupResultField.
enum TFieldKind { fkData, fkLookup };

class TField;
using TFieldNotifyEvent = std::function<void(TField* sender)>;
// Returns the text to show for the field; displayText is true for display, false for editing.
using TFieldGetTextEvent = std::function<void(TField* sender, QString& text, bool displayText)>;

// One column of a dataset's current record.
//
// Reading takes the value of the dataset's current record (or, while a data link has made
// another buffered record active for a moment, that record). Writing needs the dataset in
// edit or insert state (a write in browse state raises EDatabaseError "Not in edit or insert
// mode"... see TDataSet) and marks the dataset Modified.
//
// Field objects belong to their dataset. They survive a close and reopen when the reopened
// result has a column of the same name and type, so display settings made once stay.
class TField {
 public:
  TField(TDataSet* dataSet, const QString& fieldName, TFieldType type, int size, int index);
  virtual ~TField() = default;
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  // --- identity
  TDataSet* DataSet() const { return dataSet_; }
  const QString& FieldName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  int Index() const { return index_; }          // position among the dataset's fields
  int Size() const { return size_; }            // text length of ftString; 0 otherwise
  bool IsBlob() const { return dataType_ == ftMemo || dataType_ == ftBlob || dataType_ == ftGraphic; }
  TFieldKind FieldKind() const { return fieldKind_; }
  bool IsLookup() const { return fieldKind_ == fkLookup; }
  bool IsNumeric() const;
  // Writable: the dataset can be modified, the field is not ReadOnly and the column comes from
  // the dataset's one updatable table (an expression column cannot be written).
  bool CanModify() const;

  // --- value of the current record
  Variant Value() const;                       // Null when the field holds no value
  void SetValue(const Variant& value);         // Null or Empty clears
  bool IsNull() const;
  void Clear() { SetValue(Variant::null()); }

  QString AsString() const;                    // "" for Null
  int AsInteger() const;                       // 0 for Null
  int64_t AsLargeInt() const;
  double AsFloat() const;                      // 0 for Null
  Money AsMoney() const;                       // 0 for Null; a float column rounds to 4 decimals
  bool AsBoolean() const;                      // false for Null
  TDateTime AsDateTime() const;                // 0 for Null
  QByteArray AsBytes() const;                  // blob bytes (UTF-8 for text)
  void SetAsString(const QString& v);          // converted to the field's type; "" stores Null for non-text
  void SetAsInteger(int v) { SetValue(Variant(v)); }
  void SetAsFloat(double v) { SetValue(Variant(v)); }
  void SetAsMoney(Money v) { SetValue(Variant(v)); }
  void SetAsBoolean(bool v) { SetValue(Variant(v)); }
  void SetAsDateTime(TDateTime v) { SetValue(Variant::dateTime(v)); }
  void SetAsBytes(const QByteArray& bytes);

  // Value before the current edit (the stored value) and the value being edited.
  Variant OldValue() const;
  Variant NewValue() const { return Value(); }

  // Text for display (DisplayFormat applied) and for editing (EditFormat applied).
  // OnGetText, when set, decides both.
  QString DisplayText() const;
  QString Text() const;
  void SetText(const QString& text) { SetAsString(text); }

  // --- display properties (kept across reopen)
  QString DisplayFormat;     // numbers: FormatFloat / FormatCurr pattern; dates: FormatDateTime pattern
  QString EditFormat;        // numbers: pattern of the editing text; empty = plain
  QString EditMask;          // mask of masked editors
  TAlignment Alignment = taLeftJustify;  // numbers default to right-justified at creation
  bool Visible = true;
  bool ReadOnly = false;
  bool Required = false;
  bool Currency = false;     // float shown as money (FormatCurr) when no DisplayFormat
  int Precision = 15;        // significant digits of float display
  QString DisplayLabel() const { return displayLabel_.isEmpty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(const QString& s) { displayLabel_ = s; }
  int DisplayWidth() const;  // characters; Size for text, a type-dependent width otherwise
  void SetDisplayWidth(int w) { displayWidth_ = w; }

  // Asks the controls bound to this field to take the focus (data links' FocusControl).
  void FocusControl();

  // --- lookup fields (FieldKind fkLookup). Names are ';'-separated lists of equal length:
  // KeyFields in this field's dataset, LookupKeyFields in LookupDataSet. The value is read
  // from the lookup record of the current record's keys (Null when a key is Null, the lookup
  // dataset is closed or holds no such record). Writing a value finds the lookup record whose
  // LookupResultField equals it and writes that record's LookupKeyFields into KeyFields;
  // writing Null clears the keys; a value the lookup dataset does not hold raises
  // EDatabaseError and leaves the keys as they were.
  QString KeyFields;
  TDataSet* LookupDataSet = nullptr;
  QString LookupKeyFields;
  QString LookupResultField;

  // --- events
  TFieldNotifyEvent OnChange;     // after a value was written
  TFieldGetTextEvent OnGetText;   // replaces DisplayText/Text when set

  // Internal: the dataset renumbers and re-binds fields at open.
  void setIndex_(int i) { index_ = i; }
  void setFieldKind_(TFieldKind k) { fieldKind_ = k; }
  void setColumn_(int c) { colIdx_ = c; }
  int column_() const { return colIdx_; }
  void setSize_(int s) { size_ = s; }
  void setUpdatable_(bool u) { canUpdate_ = u; }
  bool updatable_() const { return canUpdate_; }

 private:
  QString formatNumber(const QString& pattern) const;
  TDataSet* dataSet_;
  QString fieldName_;
  TFieldType dataType_;
  TFieldKind fieldKind_ = fkData;
  int size_;
  int index_;
  int colIdx_ = -1;          // column of the dataset's row store
  bool canUpdate_ = false;
  QString displayLabel_;
  int displayWidth_ = 0;
};

const char* FieldTypeName(TFieldType t);
