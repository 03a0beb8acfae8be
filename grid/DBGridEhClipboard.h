#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "grid/DBGridEhImpExp.h"
#include "platform/exception.h"
#include "platform/variant.h"

// Copy, cut, paste and delete of a grid's selection through the clipboard. Copy puts the
// selection under four formats at once: plain text, "Csv", "Rich Text Format" and the grid's
// own binary format "KTWDBIF", which keeps values with their types so a paste between grids
// does not go through display texts. Paste reads "KTWDBIF" when present, else plain text.

// MIME names of the clipboard formats.
inline const char* const kKTWDBIFMime = "KTWDBIF";
inline const char* const kCsvMime = "Csv";
inline const char* const kRtfMime = "Rich Text Format";

// The grid's own binary format: magic, version, column descriptors, then tagged cells.
class TDBGridEhExportAsKTWDBIF : public TDBGridEhExport {
 public:
  void BeginOutput() override;
  void EndOutput() override;
  void PutDataCell(TColumnEh* column, TColCellParamsEh& params) override;

 protected:
  bool NeedsCellText(TColumnEh*) override { return false; }
};

class EDBGridEhImportError : public Exception {
  using Exception::Exception;
};

// Writes values read from a stream into the grid's dataset, over the selection.
class TDBGridEhImport {
 public:
  TDBGridEhImport() = default;
  virtual ~TDBGridEhImport() = default;
  TDBGridEhImport(const TDBGridEhImport&) = delete;
  TDBGridEhImport& operator=(const TDBGridEhImport&) = delete;

  TCustomDBGridEh* Grid = nullptr;
  QIODevice* Stream = nullptr;
  TColumnsEhList Columns;
  bool EndOfInput = false;

  virtual void BeginInput() {}
  virtual void EndInput() {}
  virtual void GetRecordRow(TColumnsEhList& columns);
  virtual void GetDataCell(TColumnEh*) {}
  virtual void ReadRowsFromStream(QIODevice& stream, bool whole);
  void ReadRowsFromFile(const QString& fileName, bool whole);

 protected:
  // The field a column's values go to; nullptr when the column may not be modified.
  TField* TargetField(TColumnEh* column);
  // Puts the target's dataset in edit state when it may be modified; whether it is editing.
  bool PrepareTarget(TField* target);
  // Asks whether to go on after a value was refused; false aborts the paste.
  bool AskToIgnore(const QString& message);
  bool IgnoreAll = false;

 private:
  void InsertRemaining();
  bool appendMode_ = false;
};

// Paste aborted by the operator (No in the error question): ends the paste silently.
struct TDBGridEhImportAbort {};

class TDBGridEhImportAsText : public TDBGridEhImport {
 public:
  void BeginInput() override;
  void GetRecordRow(TColumnsEhList& columns) override;
  void GetDataCell(TColumnEh* column) override;
  void ReadRowsFromStream(QIODevice& stream, bool whole) override;

  QString CellText;
  QChar LastChar;
  int LastState = 0;  // 0 text, 1 end of cell, 2 end of line, 3 end of input

 private:
  void NextState();
  int NextCellText();
  QString text_;
  int pos_ = 0;
};

class TDBGridEhImportAsKTWDBIF : public TDBGridEhImport {
 public:
  void BeginInput() override;
  void GetRecordRow(TColumnsEhList& columns) override;
  void GetDataCell(TColumnEh* column) override;
  void ReadRowsFromStream(QIODevice& stream, bool whole) override;

  struct Descriptor {
    bool visible = false;
    QByteArray name;
  };
  QByteArray Header;
  QList<Descriptor> Descriptors;
  bool HasFieldNames = false;
  Variant CurrentValue;

 private:
  void ReadNextCellValue();
  QByteArray ReadBytes(qint64 count);
};

using TDBGridEhImportClass = std::function<std::unique_ptr<TDBGridEhImport>()>;
template <class T>
TDBGridEhImportClass ImportClassOf() {
  return [] { return std::unique_ptr<TDBGridEhImport>(new T()); };
}
void ImportGridFromStream(const TDBGridEhImportClass& importClass, TCustomDBGridEh* grid, QIODevice& stream,
                          bool whole);

void CopyGridSelection(TCustomDBGridEh* grid, bool whole);
void CutGridSelection(TCustomDBGridEh* grid, bool whole);
void DeleteGridSelection(TCustomDBGridEh* grid, bool whole);
void PasteGridSelection(TCustomDBGridEh* grid, bool whole);

// The grid's ClipboardAction hook: runs copy, cut, paste or delete on the selection.
bool GridClipboardAction(TCustomDBGridEh* grid, TDBGridEhEditAction action);
