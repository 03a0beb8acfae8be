// Clipboard copy, cut, paste and delete of a grid's selection, the grid's binary clipboard
// format and the importers that write pasted values into the dataset.
#include "grid/DBGridEhClipboard.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <cstring>

#include "grid/DBGridEhBookmarks.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/gbk.h"
#include "platform/ui.h"

namespace {

const QString kTextStateError = QStringLiteral("TDBGridEhImportAsText.CheckState: ");
const QString kKtwPrefixError = QStringLiteral("TDBGridEhImportAsKTWDBIF.ReadPrefix: ");

void PutInt32(QByteArray& out, int32_t v) {
  const uint32_t u = uint32_t(v);
  for (int i = 0; i < 4; ++i) out.append(char((u >> (8 * i)) & 0xFF));
}

int32_t Int32Of(const QByteArray& b) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= uint32_t(uint8_t(b[i])) << (8 * i);
  return int32_t(u);
}

// Enables the dataset's controls again however the block is left.
struct ControlsGuard {
  TDataSet* ds;
  explicit ControlsGuard(TDataSet* d) : ds(d) {
    if (ds) ds->DisableControls();
  }
  ~ControlsGuard() {
    if (ds) ds->EnableControls();
  }
};

bool IsDateTimeType(TFieldType t) { return t == ftDate || t == ftTime || t == ftDateTime; }

}  // namespace

// ---- KTWDBIF output -----------------------------------------------------------------------

void TDBGridEhExportAsKTWDBIF::BeginOutput() {
  QByteArray out("KTWDBIF");
  out.append(char(1));
  PutInt32(out, Columns.Count());
  for (int i = 0; i < Columns.Count(); ++i) {
    out.append(char(Columns[i]->Visible() ? 1 : 0));
    out.append(char(0));  // no field name is written
  }
  Write(out);
}

void TDBGridEhExportAsKTWDBIF::EndOutput() { Write(QByteArray(1, '\0')); }

void TDBGridEhExportAsKTWDBIF::PutDataCell(TColumnEh* column, TColCellParamsEh&) {
  TField* f = column->BoundField();
  QByteArray out;
  if (!f) {
    out.append(char(1));
  } else if (f->IsNull()) {
    out.append(char(2));
  } else {
    switch (f->DataType()) {
      case ftSmallint: case ftInteger: case ftAutoInc:
        out.append(char(3));
        PutInt32(out, f->AsInteger());
        break;
      case ftFloat: case ftCurrency: case ftBCD: case ftDate: case ftTime: case ftDateTime: {
        out.append(char(4));
        const double d = IsDateTimeType(f->DataType()) ? f->AsDateTime() : f->AsFloat();
        char raw[8];
        std::memcpy(raw, &d, 8);
        out.append(raw, 8);
        break;
      }
      case ftString: case ftBoolean: case ftMemo: case ftLargeint: {
        const QByteArray text = EncodeGb18030(f->AsString());
        out.append(char(5));
        PutInt32(out, int32_t(text.size()));
        out.append(text);
        break;
      }
      case ftBlob: case ftGraphic: {
        const QByteArray bytes = f->AsBytes();
        out.append(char(6));
        PutInt32(out, int32_t(bytes.size()));
        out.append(bytes);
        break;
      }
      default:
        out.append(char(1));
        break;
    }
  }
  Write(out);
}

// ---- the import driver --------------------------------------------------------------------

void TDBGridEhImport::GetRecordRow(TColumnsEhList& columns) {
  for (int i = 0; i < columns.Count(); ++i) GetDataCell(columns[i]);
}

TField* TDBGridEhImport::TargetField(TColumnEh* column) {
  if (!column || !column->MayEditCell(false)) return nullptr;
  return column->BoundField();
}

bool TDBGridEhImport::PrepareTarget(TField* target) {
  TDataSet* ds = target->DataSet();
  if (!ds) return false;
  if (ds->CanModify() && ds->State() != dsEdit && ds->State() != dsInsert) ds->Edit();
  return ds->State() == dsEdit || ds->State() == dsInsert;
}

bool TDBGridEhImport::AskToIgnore(const QString& message) {
  if (IgnoreAll) return true;
  const int answer = MessageDlg(QStringLiteral("在插入值的时候出现了错误:") + QLatin1Char('\n') + message +
                                    QStringLiteral("\n\n是否忽略该错误?"),
                                mtError, {mrYes, mrNo, mrAll});
  if (answer == mrAll) IgnoreAll = true;
  return answer == mrYes || answer == mrAll;
}

void TDBGridEhImport::InsertRemaining() {
  TDataSet* ds = Grid->DataSet();
  while (!EndOfInput) {
    if (appendMode_) ds->Append();
    else ds->Insert();
    GetRecordRow(Columns);
    ds->Post();
    if (!appendMode_) ds->Next();
  }
}

void TDBGridEhImport::ReadRowsFromStream(QIODevice& stream, bool whole) {
  Stream = &stream;
  EndOfInput = false;
  TDataSet* ds = Grid ? Grid->DataSet() : nullptr;
  if (!ds || !ds->Active()) return;
  TDBGridEhSelection* sel = Grid->CurrentSelection();
  TDBGridColumnsEh* all = Grid->Columns();
  if (whole) {
    sel->Unselect();
    ds->First();
    for (int i = 0; i < all->Count(); ++i)
      if (all->Items(i)->Visible()) {
        Grid->SelectColumnIndex(i);
        break;
      }
  }
  appendMode_ = ds->Eof();
  const bool insertMode = ds->State() == dsInsert;
  if (!insertMode) Grid->RememberPosition();
  bool restored = false;
  auto restore = [&] {
    if (!insertMode && !restored) {
      restored = true;
      Grid->ReturnToPosition();
    }
  };
  try {
    ControlsGuard guard(ds);
    Columns.Clear();
    const TDBGridEhSelectionType kind = sel->ActiveType();
    auto visibleFrom = [&](int from, int to) {
      for (int i = qMax(0, from); i <= to && i < all->Count(); ++i)
        if (all->Items(i)->Visible()) Columns.Add(all->Items(i));
    };
    switch (kind) {
      case gstNon: {
        visibleFrom(Grid->SelectedColumnIndex(), all->Count() - 1);
        BeginInput();
        if (insertMode) {
          InsertRemaining();
        } else {
          restore();
          restored = false;
          while (!ds->Eof() && !EndOfInput) {
            GetRecordRow(Columns);
            ds->Next();
          }
          if (!EndOfInput && (Grid->AllowedOperations & alopAppendEh)) {
            appendMode_ = true;
            InsertRemaining();
          }
        }
        break;
      }
      case gstRecordBookmarks: {
        visibleFrom(0, all->Count() - 1);
        BeginInput();
        if (insertMode) {
          InsertRemaining();
        } else {
          for (const QString& bm : sel->Rows().ReachableBookmarks()) {
            if (!ds->BookmarkValid(bm.toLatin1())) continue;
            ds->GotoBookmark(bm.toLatin1());
            GetRecordRow(Columns);
          }
        }
        break;
      }
      case gstRectangle: {
        visibleFrom(sel->Rect().LeftCol(), sel->Rect().RightCol());
        BeginInput();
        if (insertMode) {
          InsertRemaining();
        } else {
          // The records shown between the corners, whether or not the corners' own are.
          const int rows = sel->Rect().GotoFirstShownRow();
          for (int i = 0; i < rows; ++i) {
            if (i > 0) ds->Next();
            GetRecordRow(Columns);
          }
        }
        break;
      }
      case gstColumns:
      case gstAll: {
        if (kind == gstColumns) {
          for (int i = 0; i < sel->Columns().Count(); ++i) Columns.Add(sel->Columns()[i]);
        } else {
          visibleFrom(0, all->Count() - 1);
        }
        BeginInput();
        if (insertMode) {
          InsertRemaining();
        } else {
          ds->First();
          while (!ds->Eof()) {
            GetRecordRow(Columns);
            ds->Next();
          }
        }
        break;
      }
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
  EndInput();
}

void TDBGridEhImport::ReadRowsFromFile(const QString& fileName, bool whole) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) throw Exception(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
  ReadRowsFromStream(file, whole);
}

void ImportGridFromStream(const TDBGridEhImportClass& importClass, TCustomDBGridEh* grid, QIODevice& stream,
                          bool whole) {
  std::unique_ptr<TDBGridEhImport> importer = importClass();
  importer->Grid = grid;
  importer->ReadRowsFromStream(stream, whole);
}

// ---- text input ---------------------------------------------------------------------------

void TDBGridEhImportAsText::ReadRowsFromStream(QIODevice& stream, bool whole) {
  IgnoreAll = false;
  // The last byte is the text's terminating zero and is never read. The bytes are GB18030,
  // which reads GBK text unchanged and carries every other character as well.
  QByteArray bytes = stream.readAll();
  if (!bytes.isEmpty()) bytes.chop(1);
  text_ = DecodeGb18030(bytes);
  pos_ = 0;
  TDBGridEhImport::ReadRowsFromStream(stream, whole);
}

void TDBGridEhImportAsText::NextState() {
  if (pos_ >= text_.size()) {
    LastChar = QChar();
    LastState = 3;
    EndOfInput = true;
    return;
  }
  LastChar = text_[pos_++];
  if (LastChar == QLatin1Char('\t')) {
    LastState = 1;
  } else if (LastChar == QLatin1Char('\r')) {
    if (pos_ < text_.size() && text_[pos_] == QLatin1Char('\n')) {
      ++pos_;
      LastState = 2;
    } else {
      throw EDBGridEhImportError(kTextStateError + QStringLiteral("无效的文本格式"));
    }
  } else {
    LastState = 0;
  }
}

int TDBGridEhImportAsText::NextCellText() {
  CellText = LastChar;
  NextState();
  while (LastState == 0) {
    CellText += LastChar;
    NextState();
  }
  const int ending = LastState;
  if (ending == 1) NextState();
  return ending;
}

void TDBGridEhImportAsText::BeginInput() { NextState(); }

void TDBGridEhImportAsText::GetRecordRow(TColumnsEhList& columns) {
  if (LastState == 3) return;
  int i = 0;
  if (LastState == 0) {
    NextCellText();
    if (columns.Count() > 0) GetDataCell(columns[0]);
    i = 1;
  }
  while (LastState == 0 || LastState == 1) {
    if (LastState == 1) {
      CellText.clear();
      NextState();
    } else {
      NextCellText();
    }
    if (i < columns.Count()) GetDataCell(columns[i]);
    ++i;
  }
  NextState();
}

void TDBGridEhImportAsText::GetDataCell(TColumnEh* column) {
  TField* target = TargetField(column);
  if (!target) return;
  try {
    if (!PrepareTarget(target)) return;
    if (column->ColumnKind() == ckKeyListEh) {
      const int k = int(column->PickList.indexOf(CellText));
      if (k < 0) target->Clear();
      else target->SetAsString(column->KeyList.value(k));
    } else {
      target->SetAsString(CellText);
    }
  } catch (const Exception& e) {
    if (!AskToIgnore(e.message())) throw TDBGridEhImportAbort{};
  }
}

// ---- KTWDBIF input ------------------------------------------------------------------------

void TDBGridEhImportAsKTWDBIF::ReadRowsFromStream(QIODevice& stream, bool whole) {
  IgnoreAll = false;
  HasFieldNames = false;
  Descriptors.clear();
  Stream = &stream;
  TDBGridEhImport::ReadRowsFromStream(stream, whole);
  Descriptors.clear();
}

QByteArray TDBGridEhImportAsKTWDBIF::ReadBytes(qint64 count) {
  QByteArray b = count > 0 ? Stream->read(count) : QByteArray();
  if (b.size() < count) throw EDBGridEhImportError(kKtwPrefixError + QStringLiteral("无效的 KTWDBIF 格式"));
  return b;
}

void TDBGridEhImportAsKTWDBIF::BeginInput() {
  Header = ReadBytes(12);
  if (!Header.startsWith("KTWDBIF")) throw EDBGridEhImportError(kKtwPrefixError + QStringLiteral("无效的 KTWDBIF 格式"));
  const int32_t n = Int32Of(Header.mid(8, 4));
  for (int32_t i = 0; i < n; ++i) {
    Descriptor d;
    d.visible = ReadBytes(1)[0] != 0;
    for (;;) {
      const char c = ReadBytes(1)[0];
      if (c == 0) break;
      d.name.append(c);
    }
    if (!d.name.isEmpty()) HasFieldNames = true;
    Descriptors.append(d);
  }
  ReadNextCellValue();
}

void TDBGridEhImportAsKTWDBIF::ReadNextCellValue() {
  if (EndOfInput) return;
  const char tag = ReadBytes(1)[0];
  CurrentValue = Variant();
  switch (tag) {
    case 0: EndOfInput = true; break;
    case 1: break;
    case 2: CurrentValue = Variant::null(); break;
    case 3: CurrentValue = Variant(int(Int32Of(ReadBytes(4)))); break;
    case 4: {
      const QByteArray b = ReadBytes(8);
      double d;
      std::memcpy(&d, b.constData(), 8);
      CurrentValue = Variant(d);
      break;
    }
    case 5:
    case 6: {
      const int32_t len = Int32Of(ReadBytes(4));
      if (len < 0) throw EDBGridEhImportError(kKtwPrefixError + QStringLiteral("无效的 KTWDBIF 格式"));
      const QByteArray b = ReadBytes(len);
      // Text is in GB18030 (GBK and every other character); binary data keeps its bytes one
      // per character.
      CurrentValue = tag == 5 ? Variant(DecodeGb18030(b)) : Variant(QString::fromLatin1(b));
      break;
    }
    default: break;
  }
}

void TDBGridEhImportAsKTWDBIF::GetRecordRow(TColumnsEhList& columns) {
  for (int i = 0; i < Descriptors.size(); ++i) {
    if (EndOfInput) return;
    GetDataCell(i < columns.Count() ? columns[i] : nullptr);
  }
}

void TDBGridEhImportAsKTWDBIF::GetDataCell(TColumnEh* column) {
  TField* target = !CurrentValue.isEmpty() && column ? TargetField(column) : nullptr;
  if (target) {
    try {
      if (PrepareTarget(target)) {
        const TFieldType t = target->DataType();
        if (CurrentValue.isNull()) target->Clear();
        else if ((t == ftBlob || t == ftGraphic) && CurrentValue.isText())
          target->SetAsBytes(CurrentValue.toString().toLatin1());
        else if (IsDateTimeType(t) && CurrentValue.isNumeric())
          target->SetValue(Variant::dateTime(CurrentValue.toDouble()));
        else
          target->SetValue(CurrentValue);
      }
    } catch (const Exception& e) {
      if (!AskToIgnore(e.message())) throw TDBGridEhImportAbort{};
    }
  }
  ReadNextCellValue();
}

// ---- copy, delete, paste ------------------------------------------------------------------

namespace {

QByteArray ExportToBytes(const TDBGridEhExportClass& cls, TCustomDBGridEh* grid, bool whole) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  ExportGridToStream(cls, grid, buffer, whole);
  return buffer.data();
}

void ClearCellsOfColumns(const TColumnsEhList& columns) {
  for (int i = 0; i < columns.Count(); ++i) {
    TColumnEh* c = columns[i];
    if (!c->MayEditCell(false)) continue;
    TField* f = c->BoundField();
    if (!f || !f->DataSet()) continue;
    TDataSet* ds = f->DataSet();
    if (ds->CanModify() && ds->State() != dsEdit && ds->State() != dsInsert) ds->Edit();
    if (ds->State() == dsEdit || ds->State() == dsInsert) f->Clear();
  }
}

}  // namespace

void CopyGridSelection(TCustomDBGridEh* grid, bool whole) {
  auto mime = std::make_unique<QMimeData>();
  TDataSet* ds = grid->DataSet();
  {
    ControlsGuard guard(ds && ds->Active() ? ds : nullptr);
    // Plain text is handed over as Unicode; the other formats keep their bytes with the
    // terminating zero, as other programs expect them.
    QByteArray text = ExportToBytes(ExportClassOf<TDBGridEhExportAsText>(), grid, whole);
    mime->setText(DecodeGbk(text));
    mime->setData(QString::fromLatin1(kCsvMime), ExportToBytes(ExportClassOf<TDBGridEhExportAsCSV>(), grid, whole) +
                                                     QByteArray(1, '\0'));
    mime->setData(QString::fromLatin1(kRtfMime), ExportToBytes(ExportClassOf<TDBGridEhExportAsRTF>(), grid, whole) +
                                                     QByteArray(1, '\0'));
    mime->setData(QString::fromLatin1(kKTWDBIFMime),
                  ExportToBytes(ExportClassOf<TDBGridEhExportAsKTWDBIF>(), grid, whole));
  }
  QApplication::clipboard()->setMimeData(mime.release());
}

void DeleteGridSelection(TCustomDBGridEh* grid, bool whole) {
  TDataSet* ds = grid->DataSet();
  if (!grid->DataSource() || !ds) return;
  TDBGridEhSelection* sel = grid->CurrentSelection();
  const TDBGridEhSelectionType kind = whole ? gstAll : sel->ActiveType();
  if (kind == gstNon) return;
  QString question;
  if (kind == gstRecordBookmarks)
    question = sel->Rows().BookmarkCount() < 2 ? QStringLiteral("Delete record?") : QStringLiteral("Delete all selected records?");
  else if (kind == gstRectangle)
    question = QStringLiteral("是否清除选定的单元格?");
  else if (kind == gstAll)
    // Every record of the dataset goes: never without the operator's consent.
    question = QStringLiteral("Delete all selected records?");
  if (!question.isEmpty() && (grid->Options() & dgConfirmDelete) &&
      MessageDlg(question, mtConfirmation, {mrOk, mrCancel}) != mrOk)
    return;
  grid->RememberPosition();
  ControlsGuard guard(ds);
  TColumnsEhList columns;
  switch (kind) {
    case gstRecordBookmarks: {
      for (const QString& bm : sel->Rows().ReachableBookmarks()) {
        if (!ds->BookmarkValid(bm.toLatin1())) continue;
        ds->GotoBookmark(bm.toLatin1());
        ds->Delete();
      }
      sel->Unselect();
      break;
    }
    case gstRectangle: {
      for (int i = sel->Rect().LeftCol(); i <= sel->Rect().RightCol() && i < grid->Columns()->Count(); ++i)
        if (i >= 0 && grid->Columns()->Items(i)->Visible()) columns.Add(grid->Columns()->Items(i));
      // The records shown between the corners, whether or not the corners' own are.
      const int rows = sel->Rect().GotoFirstShownRow();
      for (int i = 0; i < rows; ++i) {
        if (i > 0) ds->Next();
        ClearCellsOfColumns(columns);
      }
      grid->ReturnToPosition();
      break;
    }
    case gstColumns: {
      for (int i = 0; i < sel->Columns().Count(); ++i) columns.Add(sel->Columns()[i]);
      ds->First();
      while (!ds->Eof()) {
        ClearCellsOfColumns(columns);
        ds->Next();
      }
      grid->ReturnToPosition();
      break;
    }
    case gstAll:
      ds->First();
      while (!ds->IsEmpty() && !ds->Eof()) ds->Delete();
      break;
    case gstNon:
      break;
  }
}

void CutGridSelection(TCustomDBGridEh* grid, bool whole) {
  CopyGridSelection(grid, whole);
  DeleteGridSelection(grid, whole);
}

void PasteGridSelection(TCustomDBGridEh* grid, bool whole) {
  const QMimeData* mime = QApplication::clipboard()->mimeData();
  if (!mime) return;
  QBuffer buffer;
  try {
    if (mime->hasFormat(QString::fromLatin1(kKTWDBIFMime))) {
      buffer.setData(mime->data(QString::fromLatin1(kKTWDBIFMime)));
      buffer.open(QIODevice::ReadOnly);
      ImportGridFromStream(ImportClassOf<TDBGridEhImportAsKTWDBIF>(), grid, buffer, whole);
    } else if (mime->hasText()) {
      // The text as the system hands plain text over: its bytes and a terminating zero.
      buffer.setData(EncodeGb18030(mime->text()) + QByteArray(1, '\0'));
      buffer.open(QIODevice::ReadOnly);
      ImportGridFromStream(ImportClassOf<TDBGridEhImportAsText>(), grid, buffer, whole);
    }
  } catch (const TDBGridEhImportAbort&) {
    // The operator chose to stop: values written so far stay.
  }
}

bool GridClipboardAction(TCustomDBGridEh* grid, TDBGridEhEditAction action) {
  switch (action) {
    case geaCopyEh: CopyGridSelection(grid, false); return true;
    case geaCutEh: CutGridSelection(grid, false); return true;
    case geaPasteEh: PasteGridSelection(grid, false); return true;
    case geaDeleteEh: DeleteGridSelection(grid, false); return true;
    case geaSelectAllEh: return false;
  }
  return false;
}
