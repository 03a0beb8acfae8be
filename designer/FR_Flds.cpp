#include "designer/FR_Flds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

#include "designer/FR_Desgn.h"
#include "designer/FR_Glyphs.h"
#include "designer/FR_Surface.h"
#include "platform/ui.h"
#include "designer/FR_Small.h"
#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "report/FR_DBSet.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

QString FieldReference(const QString& source, const QString& field) {
  return source + QStringLiteral(".\"") + field + '"';
}

QString& LastFieldListSource() {
  static QString s;
  return s;
}

QString& LastPickerSource() {
  static QString s;
  return s;
}

QStringList TfrFieldsListBox::mimeTypes() const { return {QString::fromLatin1(kFieldMimeType)}; }

QMimeData* TfrFieldsListBox::mimeData(const QList<QListWidgetItem*>&) const {
  auto* data = new QMimeData;
  const QString ref = ReferenceOfCurrent ? ReferenceOfCurrent() : QString();
  data->setData(QLatin1String(kFieldMimeType), ref.toUtf8());
  data->setText('[' + ref + ']');
  return data;
}

// Entries of the field lists: each name after the 16 x 16 picture of a source or a field.
static void addEntries(QListWidget* list, const QStringList& names, const char* glyph) {
  const QIcon icon = DesignerIcon(QString::fromLatin1(glyph));
  list->setIconSize(QSize(16, 16));
  for (const QString& n : names) list->addItem(new QListWidgetItem(icon, n));
}

TfrFieldLists::TfrFieldLists(TfrReport* report, QListWidget* sources, QListWidget* fields, QString& remembered)
    : report_(report), sources_(sources), fields_(fields), remembered_(remembered) {
  QObject::connect(sources_, &QListWidget::currentTextChanged, sources_,
                   [this](const QString& s) { ShowFieldsOf(s); });
}

void TfrFieldLists::Fill() {
  const QSignalBlocker block(sources_);
  sources_->clear();
  fields_->clear();
  if (!report_) return;
  QStringList sources;
  report_->Dictionary.ListReportSources(sources);
  addEntries(sources_, sources, "SourceIcon");
  if (sources.isEmpty()) return;
  const int i = std::max<int>(0, int(sources.indexOf(remembered_)));
  sources_->setCurrentRow(i);
  ShowFieldsOf(sources[i]);
}

void TfrFieldLists::ShowFieldsOf(const QString& source) {
  fields_->clear();
  if (!report_ || source.isEmpty()) return;
  QStringList fields;
  try {
    report_->Dictionary.ListFieldsOf(source, fields);
  } catch (const Exception&) {
    // A source whose data set is gone shows no fields.
  }
  addEntries(fields_, fields, "FieldIcon");
}

QString TfrFieldLists::Reference() {
  if (sources_->count() > 0 && sources_->currentItem()) remembered_ = sources_->currentItem()->text();
  if (!fields_->currentItem() || remembered_.isEmpty()) return QString();
  return FieldReference(remembered_, fields_->currentItem()->text());
}

// ---------------------------------------------------------------------------------------

TfrInsFieldsForm::TfrInsFieldsForm(TfrReport* report, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      DatasetsLB(new QListWidget),
      FieldsLB(new TfrFieldsListBox),
      lists_(report, DatasetsLB, FieldsLB, LastFieldListSource()) {
  setObjectName(QStringLiteral("TfrInsFieldsForm"));
  setWindowTitle(LocaleText(53450));
  resize(184, 300);
  DatasetsLB->setObjectName(QStringLiteral("DatasetsLB"));
  FieldsLB->setObjectName(QStringLiteral("FieldsLB"));
  FieldsLB->setDragEnabled(true);
  FieldsLB->setDragDropMode(QAbstractItemView::DragOnly);
  FieldsLB->ReferenceOfCurrent = [this] {
    const QString ref = lists_.Reference();
    if (!ref.isEmpty()) DropText = ref;
    return DropText;
  };
  auto* split = new QSplitter(Qt::Vertical);
  split->setObjectName(QStringLiteral("Splitter"));
  split->addWidget(DatasetsLB);
  split->addWidget(FieldsLB);
  split->setSizes({120, 180});
  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(1, 1, 1, 1);
  v->addWidget(split);
}

void TfrInsFieldsForm::RefreshLists() {
  lists_.Reference();
  lists_.Fill();
}

void TfrInsFieldsForm::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  lists_.Fill();
}

void TfrInsFieldsForm::hideEvent(QHideEvent* e) {
  const QString ref = lists_.Reference();
  if (!ref.isEmpty()) DropText = ref;
  QWidget::hideEvent(e);
}

// ---------------------------------------------------------------------------------------

TfrFieldsForm::TfrFieldsForm(TfrReport* report, QWidget* parent)
    : QDialog(parent),
      DatasetsLB(new QListWidget),
      FieldsLB(new QListWidget),
      lists_(report, DatasetsLB, FieldsLB, LastPickerSource()) {
  setObjectName(QStringLiteral("TfrFieldsForm"));
  setWindowTitle(LocaleText(53450));
  DatasetsLB->setObjectName(QStringLiteral("DatasetsLB"));
  FieldsLB->setObjectName(QStringLiteral("FieldsLB"));
  DatasetsLB->setMinimumSize(237, 149);
  FieldsLB->setMinimumSize(157, 149);
  auto* v = new QVBoxLayout(this);
  auto* h = new QHBoxLayout;
  h->addWidget(DatasetsLB, 3);
  h->addWidget(FieldsLB, 2);
  v->addLayout(h);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(LocaleText(55000));
  buttons->button(QDialogButtonBox::Cancel)->setText(LocaleText(55001));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(FieldsLB, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  v->addWidget(buttons);
  lists_.Fill();
}

void TfrFieldsForm::done(int r) {
  const QString ref = lists_.Reference();
  if (!ref.isEmpty()) PickedField = ref;
  QDialog::done(r);
}

// ---------------------------------------------------------------------------------------
// The designer's side

void TfrDesignerForm::ToggleFieldList(bool show) {
  if (!show) {
    delete FieldList;
    FieldList = nullptr;
    return;
  }
  if (!FieldList) {
    FieldList = new TfrInsFieldsForm(report_, this);
    connect(FieldList, &QObject::destroyed, this, [this] { FieldList = nullptr; });
    // It floats at the left edge of the design area.
    FieldList->move(ScrollBox1->mapToGlobal(QPoint(24, 8)));
  }
  FieldList->show();
  FieldList->raise();
  FieldList->activateWindow();
}

void TfrDesignerForm::RefreshFieldList() {
  if (FieldList) FieldList->RefreshLists();
}

void TfrDesignerForm::DropField(const QString& reference, QPoint pagePoint) {
  controller_.DropField(pagePoint, '[' + reference + ']');
}

// ---------------------------------------------------------------------------------------
// Insert-fields dialog

TfrInsertFieldsForm::TfrInsertFieldsForm(TfrReport* report, QWidget* parent) : QDialog(parent), report_(report) {
  setObjectName(QStringLiteral("frInsertFieldsForm"));
  setWindowTitle(LocaleText(53630));
  DatasetCB = new QComboBox(this);
  DatasetCB->setObjectName(QStringLiteral("DatasetCB"));
  Label1 = new QLabel(LocaleText(53631), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setBuddy(DatasetCB);
  FieldsL = new QListWidget(this);
  FieldsL->setObjectName(QStringLiteral("FieldsL"));
  FieldsL->setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* g1 = new QGroupBox(LocaleText(53632), this);
  g1->setObjectName(QStringLiteral("GroupBox1"));
  HorzRB = new QRadioButton(LocaleText(53633), g1);
  HorzRB->setObjectName(QStringLiteral("HorzRB"));
  HorzRB->setChecked(true);
  VertRB = new QRadioButton(LocaleText(53634), g1);
  VertRB->setObjectName(QStringLiteral("VertRB"));
  auto* v1 = new QVBoxLayout(g1);
  v1->addWidget(HorzRB);
  v1->addWidget(VertRB);
  auto* g2 = new QGroupBox(this);
  g2->setObjectName(QStringLiteral("GroupBox2"));
  HeaderCB = new QCheckBox(LocaleText(53635), g2);
  HeaderCB->setObjectName(QStringLiteral("HeaderCB"));
  HeaderCB->setChecked(true);
  BandCB = new QCheckBox(LocaleText(53636), g2);
  BandCB->setObjectName(QStringLiteral("BandCB"));
  BandCB->setChecked(true);
  auto* v2 = new QVBoxLayout(g2);
  v2->addWidget(HeaderCB);
  v2->addWidget(BandCB);

  auto* left = new QVBoxLayout;
  left->addWidget(Label1);
  left->addWidget(DatasetCB);
  left->addWidget(FieldsL, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(g1);
  right->addWidget(g2);
  right->addStretch(1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 3);
  top->addLayout(right, 2);
  auto* v = new QVBoxLayout(this);
  v->addLayout(top, 1);
  v->addLayout(OkCancelRow(this, Button1, Button2));
  resize(400, 280);

  // On show: the visible sources, the first chosen.
  if (report_) {
    QStringList sources;
    report_->Dictionary.ListReportSources(sources);
    sources.sort();
    DatasetCB->addItems(sources);
  }
  connect(DatasetCB, &QComboBox::currentIndexChanged, this, [this] { sourceChosen(); });
  if (DatasetCB->count() > 0) DatasetCB->setCurrentIndex(0);
  sourceChosen();
}

void TfrInsertFieldsForm::sourceChosen() {
  SourceDataSet = nullptr;
  SourceName.clear();
  FieldsL->clear();
  if (!report_ || DatasetCB->currentIndex() < 0) return;
  const QString shown = DatasetCB->currentText();
  SourceName = report_->Dictionary.RealSourceNameOf(shown);
  try {
    SourceDataSet = qobject_cast<TfrDBDataSet*>(FindComponentByPath(report_->Dictionary.Owner, SourceName));
  } catch (const Exception&) {
    SourceDataSet = nullptr;   // the source's component is gone
  }
  QStringList fields;
  try {
    report_->Dictionary.ListFieldsOf(shown, fields);
  } catch (const Exception&) {
  }
  addEntries(FieldsL, fields, "FieldIcon");
}

QStringList TfrInsertFieldsForm::SelectedFields() const {
  QStringList list;
  for (int i = 0; i < FieldsL->count(); ++i)
    if (FieldsL->item(i)->isSelected()) list << FieldsL->item(i)->text();
  return list;
}

// ---------------------------------------------------------------------------------------
// The insert-fields command

namespace {
// Pixels of `text` in the object's font.
int textWidth(const TfrMemoView* m, const QString& text) {
  QFont f = m->Font.toQFont();
  f.setPixelSize(std::max(1, m->PixelFontHeight()));
  return QFontMetrics(f).horizontalAdvance(text);
}
int cutToGrid(int w, int grid) { return grid > 0 ? std::max(grid, w - w % grid) : w; }
}  // namespace

void TfrDesignerForm::InsertFields() {
  TfrPage* page = model_.Page();
  if (!page || page->PageType != ptReport) return;
  TfrInsertFieldsForm form(report_, this);
  if (RunModal(&form) != QDialog::Accepted) return;
  const QStringList fields = form.SelectedFields();
  if (!form.SourceDataSet || fields.isEmpty()) return;
  TDataSet* ds = nullptr;
  try {
    ds = form.SourceDataSet->ResolveDataSet();
  } catch (const Exception&) {
    ds = nullptr;
  }
  const QString shownSource = form.DatasetCB->currentText();
  const bool headers = form.HeaderCB->isChecked(), horizontal = form.HorzRB->isChecked();
  const int grid = model_.Settings.GridSize;
  int x0 = page->LeftEdge(), y0 = page->TopMargin;
  model_.UnselectAll();
  QList<TfrView*> headerList, dataList;
  auto newText = [&](int x, int y) {
    auto* m = static_cast<TfrMemoView*>(CreateViewByType(gtMemo));
    int w = 0, h = 0;
    controller_.DefaultObjectSize(w, h);
    m->SetBounds(x, y, w, h);
    m->Font.setName(controller_.Last.FontName);
    m->Font.setSize(controller_.Last.FontSize);
    model_.InsertObject(m, false);
    return m;
  };
  for (const QString& shownField : fields) {
    const QString real = report_->Dictionary.RealFieldNameOf(form.SourceName, shownField);
    TField* field = ds ? ds->FindField(real) : nullptr;
    int width = field ? field->DisplayWidth() : 0;
    if (width <= 0 || width >= 256) width = 6;
    const QString label = field ? field->DisplayLabel() : shownField;
    const QString reference = '[' + FieldReference(shownSource, shownField) + ']';
    TfrMemoView* first = newText(x0, y0);
    if (headers) {
      first->Font.setStyle(first->Font.style() | fsBold);
      first->Memo = QStringList{label};
      first->Width = cutToGrid(textWidth(first, label + QStringLiteral("   ")), grid);
      headerList << first;
      const QPoint at = horizontal ? QPoint(x0, y0 + 72) : QPoint(x0 + 2 * grid + first->Width, y0);
      TfrMemoView* data = newText(at.x(), at.y());
      data->Memo = QStringList{reference};
      data->Width = cutToGrid(width * textWidth(data, QStringLiteral("=")), grid);
      dataList << data;
    } else {
      first->Memo = QStringList{reference};
      first->Width = cutToGrid(width * textWidth(first, QStringLiteral("=")), grid);
      dataList << first;
    }
    TfrView* last = dataList.last();
    if (horizontal) x0 += grid + last->Width;
    else y0 += grid + last->Height;
  }
  // Too wide for the page: everything is shrunk to fit between the edges.
  if (horizontal) {
    const int left = page->LeftEdge();
    const double P = page->RightEdge() - left;
    const double E = dataList.last()->Left + dataList.last()->Width - left;
    if (P > 0 && P < E) {
      const double k = E / P;
      for (int i = 0; i < dataList.size(); ++i) {
        TfrView* d = dataList[i];
        d->Left = left + int(std::lround((d->Left - left) / k));
        d->Width = int(std::lround(d->Width / k));
        if (headers) {
          TfrView* hd = headerList[i];
          hd->Left = left + int(std::lround((hd->Left - left) / k));
          hd->Width = std::min(hd->Width, d->Width);
        }
      }
    }
  }
  QList<TfrView*> added = headerList + dataList;
  if (form.BandCB->isChecked()) {
    const QList<TfrView*>& lastList = headers ? headerList : dataList;
    int bottom = 0;
    for (TfrView* v : lastList) bottom = std::max(bottom, v->Top + v->Height);
    const int H = bottom - page->TopMargin;
    auto addBand = [&](int kind, int top) {
      auto* b = static_cast<TfrBandView*>(CreateViewByType(gtBand));
      b->SetBandKind(kind);
      b->SetBounds(0, top, page->PageWidthPixels(), H);
      model_.InsertObject(b, false);
      added << b;
      return b;
    };
    TfrBandView* master = nullptr;
    if (headers && horizontal) {
      bool hasHeader = false;
      for (const auto& o : page->Objects) hasHeader = hasHeader || BandKindOf(o.get()) == 2;
      if (!hasHeader) addBand(2, page->TopMargin);
      master = addBand(5, page->TopMargin + 72);
    } else {
      master = addBand(5, page->TopMargin);
    }
    master->FormatStr = form.SourceName;
  }
  model_.UnselectAll();
  for (TfrView* v : added) v->Selected = true;
  model_.NormalizeBands();
  model_.RecordUndo(acInsert);
  Refresh();
}
