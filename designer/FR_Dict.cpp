#include "designer/FR_Dict.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "designer/FR_Expr.h"
#include "platform/ui.h"
#include "report/FR_DBSet.h"
#include "report/FR_Pars.h"
#include "report/FR_Utils.h"

namespace {

void okCancel(QDialog* d, QVBoxLayout* v, QPushButton*& ok, QPushButton*& cancel, const char* okName,
              const char* cancelName) {
  ok = new QPushButton(LocaleText(55000), d);
  ok->setObjectName(QString::fromLatin1(okName));
  cancel = new QPushButton(LocaleText(55001), d);
  cancel->setObjectName(QString::fromLatin1(cancelName));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, d, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  v->addLayout(row);
}

bool isCategory(const QString& name) { return name.startsWith(QLatin1Char(' ')); }

}  // namespace

const QStringList& SystemVariableNames() {
  static const QStringList names = {QStringLiteral("PAGE#"),  QString(),
                                    QStringLiteral("DATE"),   QStringLiteral("TIME"),
                                    QStringLiteral("LINE#"),  QStringLiteral("LINETHROUGH#"),
                                    QStringLiteral("COLUMN#"), QStringLiteral("CURRENT#"),
                                    QStringLiteral("TOTALPAGES")};
  return names;
}

QStringList SystemVariableTexts() {
  QStringList texts;
  for (int i = 0; i < 9; ++i)
    if (i != 1) texts << LocaleText(55110 + i);
  return texts;
}

QString SystemVariableAt(int position) {
  const int index = position <= 0 ? 0 : position + 1;
  return index < SystemVariableNames().size() ? SystemVariableNames()[index] : SystemVariableNames()[0];
}

// ---------------------------------------------------------------------------------------
// Variable list editor

TfrVaredForm::TfrVaredForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frVaredForm"));
  setWindowTitle(LocaleText(53360));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Label1 = new QLabel(LocaleText(53361), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setBuddy(Memo1);
  auto* v = new QVBoxLayout(this);
  v->addWidget(Label1);
  v->addWidget(Memo1, 1);
  okCancel(this, v, Button4, Button5, "Button4", "Button5");
  resize(280, 300);
}

QStringList TfrVaredForm::ListText(const TfrVariables& list) {
  QStringList lines;
  for (int i = 0; i < list.EntryCount(); ++i) {
    const QString name = list.NameAt(i);
    lines << (isCategory(name) ? name.mid(1) : QLatin1Char(' ') + name);
  }
  return lines;
}

void TfrVaredForm::ApplyText(const QStringList& lines, TfrVariables& list) {
  QStringList names;
  QList<Variant> values;
  for (const QString& line : lines) {
    if (line.trimmed().isEmpty()) continue;
    const QString name = line.startsWith(QLatin1Char(' ')) ? line.mid(1) : QLatin1Char(' ') + line;
    names << name;
    values << (list.Contains(name) ? list.ValueOf(name) : Variant(QString()));
  }
  list.RemoveAll();
  for (int i = 0; i < names.size(); ++i) {
    list.InsertNameAt(names[i], list.EntryCount());
    list.PutValueAt(list.EntryCount() - 1, values[i]);
  }
}

void TfrVaredForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (EditedVariables) Memo1->setPlainText(ListText(*EditedVariables).join(QLatin1Char('\n')));
  Memo1->setFocus();
}

void TfrVaredForm::accept() {
  if (EditedVariables) ApplyText(Memo1->toPlainText().split(QLatin1Char('\n')), *EditedVariables);
  QDialog::accept();
}

bool EditVariableList(TfrVariables& list, QWidget* parent) {
  TfrVaredForm form(parent);
  form.EditedVariables = &list;
  return RunModal(&form) == QDialog::Accepted;
}

// ---------------------------------------------------------------------------------------
// Variable picker

QString& TfrVarForm::LastVarCategory() {
  static QString last;
  return last;
}

TfrVarForm::TfrVarForm(TfrDataDictionary* dictionary, QWidget* parent) : QDialog(parent), dictionary_(dictionary) {
  setObjectName(QStringLiteral("frVarForm"));
  setWindowTitle(LocaleText(53440));
  CategoryLB = new QListWidget(this);
  CategoryLB->setObjectName(QStringLiteral("CategoryLB"));
  VarLB = new QListWidget(this);
  VarLB->setObjectName(QStringLiteral("VarLB"));
  auto* lists = new QHBoxLayout;
  lists->addWidget(CategoryLB, 1);
  lists->addWidget(VarLB, 1);
  auto* v = new QVBoxLayout(this);
  v->addLayout(lists, 1);
  okCancel(this, v, Button1, Button2, "Button1", "Button2");
  resize(420, 240);

  if (dictionary_) {
    QStringList categories;
    dictionary_->ListVariableCategories(categories);
    CategoryLB->addItems(categories);
  }
  CategoryLB->addItem(LocaleText(55075));
  const auto found = CategoryLB->findItems(LastVarCategory(), Qt::MatchExactly);
  CategoryLB->setCurrentItem(found.isEmpty() ? CategoryLB->item(0) : found.first());
  fillVariables();
  connect(CategoryLB, &QListWidget::currentRowChanged, this, [this](int) { fillVariables(); });
  connect(VarLB, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { accept(); });
}

void TfrVarForm::fillVariables() {
  VarLB->clear();
  const bool system = CategoryLB->currentRow() == CategoryLB->count() - 1;
  if (system) {
    VarLB->addItems(SystemVariableTexts());
  } else if (dictionary_ && CategoryLB->currentItem()) {
    QStringList names;
    dictionary_->ListCategoryVariables(CategoryLB->currentItem()->text(), names);
    VarLB->addItems(names);
  }
  if (VarLB->count()) VarLB->setCurrentRow(0);
}

void TfrVarForm::done(int result) {
  if (CategoryLB->currentItem()) LastVarCategory() = CategoryLB->currentItem()->text();
  if (result == QDialog::Accepted) {
    const bool system = CategoryLB->currentRow() == CategoryLB->count() - 1;
    if (system) {
      PickedVariable = SystemVariableAt(std::max(0, VarLB->currentRow()));
    } else {
      PickedVariable = VarLB->currentItem() ? VarLB->currentItem()->text() : QString();
    }
  }
  QDialog::done(result);
}

bool PickVariable(TfrDataDictionary* dictionary, QString& name, QWidget* parent) {
  TfrVarForm form(dictionary, parent);
  if (RunModal(&form) != QDialog::Accepted || form.PickedVariable.isEmpty()) return false;
  name = form.PickedVariable;
  return true;
}

void InstallVariablePicker(TfrDataDictionary* dictionary) {
  if (!dictionary) {
    VariablePickerHook() = nullptr;
    return;
  }
  VariablePickerHook() = [dictionary](QString& name, QWidget* parent) { return PickVariable(dictionary, name, parent); };
}
