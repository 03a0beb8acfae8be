#include "designer/FR_BandEd.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "designer/FR_Desgn.h"
#include "designer/FR_DesignModel.h"
#include "platform/ui.h"
#include "report/FR_Report.h"
#include "report/FR_Utils.h"

namespace {

QDialogButtonBox* okCancelButtons(QDialog* d) {
  auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  b->button(QDialogButtonBox::Ok)->setText(LocaleText(55000));
  b->button(QDialogButtonBox::Cancel)->setText(LocaleText(55001));
  QObject::connect(b, &QDialogButtonBox::accepted, d, &QDialog::accept);
  QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
  return b;
}

// The entry that shows a source text; the none entry when nothing matches.
int entryOf(TfrReport* report, const QStringList& entries, const QString& text) {
  if (IsVirtualSourceText(text)) return 1;
  const QString shown = report ? report->Dictionary.DisplayNameOf(text) : text;
  const int i = entries.indexOf(shown);
  return i >= 2 ? i : 0;
}

// The source text behind an entry: the number for the virtual source, else the record
// source's own name (the entry itself when it is no title).
QString storedText(TfrReport* report, int entry, const QString& entryText, const QString& number) {
  if (entry == 1) return number;
  if (!report || entry == 0) return entryText;
  const QString real = report->Dictionary.RealSourceNameOf(entryText);
  return real.isEmpty() ? entryText : real;
}

}  // namespace

bool IsVirtualSourceText(const QString& text) { return !text.isEmpty() && text[0] >= '1' && text[0] <= '9'; }

QStringList BandSourceEntries(TfrReport* report) {
  QStringList entries{LocaleText(55076), LocaleText(55333)};
  if (report) {
    QStringList sources;
    report->Dictionary.ListReportSources(sources);
    entries << sources;
  }
  return entries;
}

// ---------------------------------------------------------------------------------------

TfrBandEditorForm::TfrBandEditorForm(TfrReport* report, QWidget* parent) : QDialog(parent), report_(report) {
  setObjectName(QStringLiteral("TfrBandEditorForm"));
  setWindowTitle(LocaleText(53480));
  auto* gb = new QGroupBox;
  auto* g = new QVBoxLayout(gb);
  LB1 = new QListWidget;
  LB1->setObjectName(QStringLiteral("LB1"));
  LB1->addItems(BandSourceEntries(report));
  g->addWidget(LB1);
  auto* row = new QHBoxLayout;
  Label2 = new QLabel(LocaleText(53482));
  Edit1 = new QLineEdit(QStringLiteral("1"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Label2->setBuddy(Edit1);
  row->addWidget(Label2);
  row->addWidget(Edit1);
  g->addLayout(row);
  auto* v = new QVBoxLayout(this);
  v->addWidget(gb);
  v->addWidget(okCancelButtons(this));
  connect(LB1, &QListWidget::currentRowChanged, this, [this] { choiceChanged(); });
  connect(LB1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  LB1->setCurrentRow(0);
  choiceChanged();
  resize(260, 260);
}

void TfrBandEditorForm::choiceChanged() {
  const bool virt = LB1->currentRow() == 1;
  Label2->setEnabled(virt);
  Edit1->setEnabled(virt);
}

void TfrBandEditorForm::ShowSource(const QString& source) {
  if (IsVirtualSourceText(source)) Edit1->setText(source);
  QStringList entries;
  for (int i = 0; i < LB1->count(); ++i) entries << LB1->item(i)->text();
  LB1->setCurrentRow(entryOf(report_, entries, source));
  choiceChanged();
}

QString TfrBandEditorForm::SourceText() const {
  const int i = LB1->currentRow() < 0 ? 0 : LB1->currentRow();
  return storedText(report_, i, LB1->item(i)->text(), Edit1->text());
}

// ---------------------------------------------------------------------------------------

TfrVBandEditorForm::TfrVBandEditorForm(TfrReport* report, QWidget* parent) : QDialog(parent), report_(report) {
  setObjectName(QStringLiteral("TfrVBandEditorForm"));
  setWindowTitle(LocaleText(53485));
  auto* gb1 = new QGroupBox(LocaleText(53486));
  auto* g1 = new QVBoxLayout(gb1);
  LB1 = new QListWidget;
  LB1->setObjectName(QStringLiteral("LB1"));
  g1->addWidget(LB1);
  auto* gb2 = new QGroupBox(LocaleText(53487));
  auto* g2 = new QVBoxLayout(gb2);
  CB1 = new QComboBox;
  CB1->setObjectName(QStringLiteral("CB1"));
  CB1->addItems(BandSourceEntries(report));
  g2->addWidget(CB1);
  Label1 = new QLabel(LocaleText(53488));
  Edit1 = new QLineEdit(QStringLiteral("1"));
  Edit1->setObjectName(QStringLiteral("Edit1"));
  g2->addWidget(Label1);
  g2->addWidget(Edit1);
  g2->addStretch();
  auto* h = new QHBoxLayout;
  h->addWidget(gb1);
  h->addWidget(gb2);
  auto* v = new QVBoxLayout(this);
  v->addLayout(h);
  v->addWidget(okCancelButtons(this));
  connect(LB1, &QListWidget::currentRowChanged, this, [this](int r) { bandChosen(r); });
  connect(CB1, &QComboBox::currentIndexChanged, this, [this](int i) {
    Label1->setEnabled(i == 1);
    Edit1->setEnabled(i == 1);
    storeChoice();
  });
  connect(Edit1, &QLineEdit::editingFinished, this, [this] { storeChoice(); });
  resize(420, 180);
}

bool TfrVBandEditorForm::Prepare(TfrPage* page, const QString& crossText) {
  LB1->clear();
  bands_.clear();
  sources_.clear();
  const QString upper = crossText.toUpper();
  for (const auto& o : page->Objects) {
    if (o->Typ != gtBand) continue;
    const int k = BandKindOf(o.get());
    if (k <= 3 || k == kBandOverlay || (k >= kBandCrossHeader && k <= kBandCrossFooter)) continue;
    QString source = QStringLiteral("0");
    if (!crossText.contains(';')) {
      source = crossText;
    } else {
      const QString key = o->Name.toUpper() + '=';
      int at = upper.indexOf(key);
      // The name must start an entry, not end another band's name.
      while (at > 0 && upper[at - 1] != ';') at = upper.indexOf(key, at + 1);
      if (at >= 0) {
        const int from = at + key.size();
        const int end = crossText.indexOf(';', from);
        source = crossText.mid(from, end < 0 ? -1 : end - from);
      }
    }
    bands_ << o->Name;
    sources_[o->Name] = source;
    LB1->addItem(o->Name + QStringLiteral(": ") + BandKindNames().value(k));
  }
  if (bands_.isEmpty()) return false;
  LB1->setCurrentRow(0);
  return true;
}

void TfrVBandEditorForm::bandChosen(int row) {
  shownBand_ = -1;
  if (row < 0 || row >= bands_.size()) return;
  const QString source = sources_.value(bands_[row]);
  if (IsVirtualSourceText(source)) Edit1->setText(source);
  QStringList entries;
  for (int i = 0; i < CB1->count(); ++i) entries << CB1->itemText(i);
  CB1->setCurrentIndex(entryOf(report_, entries, source));
  Label1->setEnabled(CB1->currentIndex() == 1);
  Edit1->setEnabled(CB1->currentIndex() == 1);
  shownBand_ = row;
}

void TfrVBandEditorForm::storeChoice() {
  if (shownBand_ < 0 || shownBand_ >= bands_.size()) return;
  const int i = std::max(0, CB1->currentIndex());
  sources_[bands_[shownBand_]] = storedText(report_, i, CB1->itemText(i), Edit1->text());
}

QString TfrVBandEditorForm::SourcesText() {
  storeChoice();
  QString text;
  for (const QString& b : bands_) text += b + '=' + sources_.value(b) + ';';
  return text;
}

// ---------------------------------------------------------------------------------------

TfrGroupEditorForm::TfrGroupEditorForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrGroupEditorForm"));
  setWindowTitle(LocaleText(53490));
  auto* gb = new QGroupBox(LocaleText(53491));
  auto* h = new QHBoxLayout(gb);
  Edit1 = new QLineEdit;
  Edit1->setObjectName(QStringLiteral("Edit1"));
  ExprBtn = new QToolButton;
  ExprBtn->setObjectName(QStringLiteral("ExprBtn"));
  ExprBtn->setText(QStringLiteral("..."));
  ExprBtn->setToolTip(LocaleText(53492));
  h->addWidget(Edit1);
  h->addWidget(ExprBtn);
  auto* v = new QVBoxLayout(this);
  v->addWidget(gb);
  v->addWidget(okCancelButtons(this));
  connect(ExprBtn, &QToolButton::clicked, this, Guarded([this] {
            QString text;
            if (TfrReportDesigner* d = Designer ? Designer : ActiveDesigner()) d->PickExpression(text);
            if (!text.isEmpty()) Edit1->setText(text);
          }));
  resize(320, 110);
}

// ---------------------------------------------------------------------------------------
// The designer's side: the editors of a selected band

void TfrDesignerForm::EditBand(TfrView* band) {
  if (!band || band->Typ != gtBand) return;
  const int k = BandKindOf(band);
  auto* b = static_cast<TfrBandView*>(band);
  // The one band is the step's subject, whatever else is selected.
  auto record = [&] {
    QList<TfrView*> sel = model_.Selection();
    for (TfrView* s : sel) s->Selected = false;
    const bool was = b->Selected;
    b->Selected = true;
    model_.RecordUndo(acEdit);
    b->Selected = was;
    for (TfrView* s : sel) s->Selected = true;
  };
  if (k == 5 || k == 8 || k == 11) {   // master, detail and sub-detail data
    TfrBandEditorForm form(report_, this);
    form.ShowSource(b->DataSource());
    if (RunModal(&form) != QDialog::Accepted) return;
    const QString text = form.SourceText();
    if (text == b->DataSource()) return;
    record();
    b->FormatStr = text;
  } else if (k == 16) {   // group header
    TfrGroupEditorForm form(this);
    form.Designer = this;
    form.Edit1->setText(b->FormatStr);
    if (RunModal(&form) != QDialog::Accepted || form.Edit1->text() == b->FormatStr) return;
    record();
    b->FormatStr = form.Edit1->text();
  } else if (k == kBandCrossData) {
    TfrVBandEditorForm form(report_, this);
    if (!form.Prepare(model_.Page(), b->DataSource())) return;
    if (RunModal(&form) != QDialog::Accepted) return;
    const QString text = form.SourcesText();
    if (text == b->DataSource()) return;
    record();
    b->FormatStr = text;
  } else {
    return;
  }
  RepaintSurface();
  RefreshInspector();
}
