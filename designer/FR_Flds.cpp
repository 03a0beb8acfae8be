#include "designer/FR_Flds.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

#include "designer/FR_Desgn.h"
#include "designer/FR_Surface.h"
#include "platform/ui.h"
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
  sources_->addItems(sources);
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
  fields_->addItems(fields);
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
