#include "designer/FR_Dict.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "designer/FR_Expr.h"
#include "designer/FR_Small.h"
#include "platform/ui.h"
#include "report/FR_DBSet.h"
#include "report/FR_Pars.h"
#include "report/FR_Utils.h"

namespace {

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
  v->addLayout(OkCancelRow(this, Button4, Button5, "Button4", "Button5"));
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
  v->addLayout(OkCancelRow(this, Button1, Button2, "Button1", "Button2"));
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

// ---------------------------------------------------------------------------------------
// Dictionary dialog

namespace {
// Item data: the stored entry name.
constexpr int kEntryRole = Qt::UserRole + 1;
}  // namespace

TfrDictForm::TfrDictForm(TfrDataDictionary* dictionary, QWidget* parent)
    : QDialog(parent), VariablesCopy(new TfrVariables), dictionary_(dictionary) {
  setObjectName(QStringLiteral("frDictForm"));
  setWindowTitle(LocaleText(53340));
  VariablesCopy->CopyFrom(dictionary->Variables);
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName(QStringLiteral("PageControl1"));
  TabSheet1 = new QWidget;
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  PageControl1->addTab(TabSheet1, LocaleText(53341));

  VarTree = new QTreeWidget(TabSheet1);
  VarTree->setObjectName(QStringLiteral("VarTree"));
  VarTree->setHeaderHidden(true);
  VarTree->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  VarTree->installEventFilter(this);
  auto tool = [this](const char* name, int hint) {
    auto* b = new QToolButton(TabSheet1);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(LocaleText(hint));
    b->setToolTip(LocaleText(hint));
    return b;
  };
  NewCategoryBtn = tool("NewCategoryBtn", 53347);
  NewVarBtn = tool("NewVarBtn", 53348);
  EditBtn = tool("EditBtn", 53349);
  DelBtn = tool("DelBtn", 53350);
  EditListBtn = tool("EditListBtn", 53351);
  ValCombo = new QComboBox(TabSheet1);
  ValCombo->setObjectName(QStringLiteral("ValCombo"));
  ValList = new QListWidget(TabSheet1);
  ValList->setObjectName(QStringLiteral("ValList"));
  ExprCB = new QCheckBox(LocaleText(53346), TabSheet1);
  ExprCB->setObjectName(QStringLiteral("ExprCB"));
  ExprEdit = new TfrComboEdit(TabSheet1);
  ExprEdit->setObjectName(QStringLiteral("ExprEdit"));
  AttachExpressionBuilder(ExprEdit, true);
  ExprEdit->lineEdit()->installEventFilter(this);

  auto* varLabel = new QLabel(LocaleText(53344), TabSheet1);
  varLabel->setBuddy(VarTree);
  auto* valLabel = new QLabel(LocaleText(53345), TabSheet1);
  valLabel->setObjectName(QStringLiteral("Label4"));
  valLabel->setBuddy(ValCombo);
  auto* left = new QVBoxLayout;
  left->addWidget(varLabel);
  left->addWidget(VarTree, 1);
  auto* tools = new QHBoxLayout;
  for (QToolButton* b : {NewCategoryBtn, NewVarBtn, EditBtn, DelBtn, EditListBtn}) tools->addWidget(b);
  tools->addStretch(1);
  left->addLayout(tools);
  auto* right = new QVBoxLayout;
  right->addWidget(valLabel);
  right->addWidget(ValCombo);
  right->addWidget(ValList, 1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 3);
  top->addLayout(right, 2);
  auto* page = new QVBoxLayout(TabSheet1);
  page->addLayout(top, 1);
  page->addWidget(ExprCB);
  page->addWidget(ExprEdit);
  auto* v = new QVBoxLayout(this);
  v->addWidget(PageControl1, 1);
  v->addLayout(OkCancelRow(this, Button1, Button2, "Button1", "Button2"));
  resize(560, 440);

  QStringList sets;
  dictionary_->ListDatasetsForDesign(sets);
  ValCombo->addItems(sets);
  ValCombo->addItem(LocaleText(55075));
  ValCombo->setCurrentIndex(0);
  fillValues();
  FillTree();

  connect(NewCategoryBtn, &QToolButton::clicked, this, &TfrDictForm::NewCategory);
  connect(NewVarBtn, &QToolButton::clicked, this, &TfrDictForm::NewVariable);
  connect(DelBtn, &QToolButton::clicked, this, &TfrDictForm::DeleteNode);
  connect(EditBtn, &QToolButton::clicked, this, [this] {
    if (!empty_ && VarTree->currentItem()) VarTree->editItem(VarTree->currentItem());
  });
  connect(EditListBtn, &QToolButton::clicked, this, [this] {
    storeExpression();
    if (EditVariableList(*VariablesCopy, this)) FillTree();
  });
  connect(VarTree, &QTreeWidget::currentItemChanged, this, [this] { nodeSelected(); });
  connect(VarTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { renamed(item); });
  connect(ValCombo, &QComboBox::currentIndexChanged, this, [this] {
    if (!filling_) fillValues();
  });
  connect(ExprEdit->lineEdit(), &QLineEdit::textEdited, this, [this] {
    if (!editedNode_) editedNode_ = VarTree->currentItem();
  });
  connect(ValList, &QListWidget::itemClicked, this, [this] { valueClicked(); });
  connect(ExprCB, &QCheckBox::toggled, this, [this](bool on) {
    ExprEdit->setEnabled(on);
    if (on) {
      if (!filling_) editedNode_ = VarTree->currentItem();  // the typed text belongs to this variable
      if (!VarTree->hasFocus()) ExprEdit->setFocus();
      ValList->setCurrentRow(0);
    } else {
      ExprEdit->setEditText(QString());
      if (!filling_) setValue(QString());
    }
  });
  VarTree->setFocus();
}

TfrDictForm::~TfrDictForm() { delete VariablesCopy; }

QString TfrDictForm::entryName(QTreeWidgetItem* item) const {
  return item ? item->data(0, kEntryRole).toString() : QString();
}

void TfrDictForm::FillTree() {
  filling_ = true;
  VarTree->clear();
  QTreeWidgetItem* category = nullptr;
  for (int i = 0; i < VariablesCopy->EntryCount(); ++i) {
    const QString name = VariablesCopy->NameAt(i);
    QTreeWidgetItem* item = nullptr;
    if (isCategory(name)) {
      item = category = new QTreeWidgetItem(VarTree, QStringList{name.mid(1)});
    } else if (category) {
      item = new QTreeWidgetItem(category, QStringList{name});
    }
    if (item) {
      item->setData(0, kEntryRole, name);
      item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
  }
  empty_ = VarTree->topLevelItemCount() == 0;
  if (empty_) new QTreeWidgetItem(VarTree, QStringList{LocaleText(55076)});
  VarTree->setRootIsDecorated(!empty_);
  ExprCB->setEnabled(!empty_);
  VarTree->expandAll();
  filling_ = false;
  VarTree->setCurrentItem(VarTree->topLevelItem(0));
  nodeSelected();
}

void TfrDictForm::NewCategory() {
  storeExpression();
  if (empty_) {
    VarTree->clear();
    empty_ = false;
    VarTree->setRootIsDecorated(true);
    ExprCB->setEnabled(true);
  }
  int n = 1;
  while (n < 1000 && VariablesCopy->Contains(QStringLiteral(" Category%1").arg(n))) ++n;
  const QString name = QStringLiteral("Category%1").arg(n);
  VariablesCopy->InsertNameAt(QLatin1Char(' ') + name, VariablesCopy->EntryCount());
  VariablesCopy->PutValueAt(VariablesCopy->EntryCount() - 1, Variant(QString()));
  filling_ = true;
  auto* item = new QTreeWidgetItem(VarTree, QStringList{name});
  item->setData(0, kEntryRole, QString(QLatin1Char(' ') + name));
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  filling_ = false;
  VarTree->setCurrentItem(item);
  VarTree->editItem(item);
}

void TfrDictForm::NewVariable() {
  QTreeWidgetItem* node = VarTree->currentItem();
  if (empty_ || !node) return;
  storeExpression();
  QTreeWidgetItem* category = node->parent() ? node->parent() : node;
  int n = 1;
  while (n < 1000 && VariablesCopy->Contains(QStringLiteral("Variable%1").arg(n))) ++n;
  const QString name = QStringLiteral("Variable%1").arg(n);
  const int next = VarTree->indexOfTopLevelItem(category) + 1;
  if (next < VarTree->topLevelItemCount()) {
    const int at = VariablesCopy->FindName(entryName(VarTree->topLevelItem(next)));
    VariablesCopy->InsertNameAt(name, at);
    VariablesCopy->PutValueAt(at, Variant(QStringLiteral("0")));
  } else {
    VariablesCopy->InsertNameAt(name, VariablesCopy->EntryCount());
    VariablesCopy->PutValueAt(VariablesCopy->EntryCount() - 1, Variant(QString()));
  }
  filling_ = true;
  auto* item = new QTreeWidgetItem(category, QStringList{name});
  item->setData(0, kEntryRole, name);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  filling_ = false;
  category->setExpanded(true);
  VarTree->setCurrentItem(item);
  VarTree->editItem(item);
}

void TfrDictForm::renamed(QTreeWidgetItem* item) {
  if (filling_ || empty_) return;
  const QString old = entryName(item);
  const QString text = item->text(0).trimmed();
  const QString key = item->parent() ? text : QLatin1Char(' ') + text;
  filling_ = true;
  // A name already used by another entry is refused silently; the old name comes back.
  if (text.isEmpty() || (key.compare(old, Qt::CaseInsensitive) != 0 && VariablesCopy->Contains(key))) {
    item->setText(0, item->parent() ? old : old.mid(1));
  } else {
    VariablesCopy->RenameAt(VariablesCopy->FindName(old), key);
    item->setData(0, kEntryRole, key);
    item->setText(0, text);
  }
  filling_ = false;
}

void TfrDictForm::DeleteNode() {
  QTreeWidgetItem* node = VarTree->currentItem();
  if (empty_ || !node) return;
  editedNode_ = nullptr;
  int at = VariablesCopy->FindName(entryName(node));
  if (at >= 0) {
    VariablesCopy->RemoveAt(at);
    if (!node->parent())  // a category takes its variables with it
      while (at < VariablesCopy->EntryCount() && !isCategory(VariablesCopy->NameAt(at))) VariablesCopy->RemoveAt(at);
  }
  delete node;
  if (VarTree->topLevelItemCount() == 0) FillTree();
}

void TfrDictForm::fillValues() {
  ValList->clear();
  ValList->addItem(LocaleText(55076));
  if (ValCombo->currentIndex() == ValCombo->count() - 1) {
    ValList->addItems(SystemVariableTexts());
  } else {
    QStringList fields;
    dictionary_->ListFieldsOf(ValCombo->currentText(), fields);
    ValList->addItems(fields);
  }
}

void TfrDictForm::setValue(const QString& value) {
  QTreeWidgetItem* node = VarTree->currentItem();
  if (empty_ || !node || !node->parent()) return;
  const int at = VariablesCopy->FindName(entryName(node));
  if (at >= 0) VariablesCopy->PutValueAt(at, Variant(value));
}

void TfrDictForm::storeExpression() {
  if (editedNode_ && ExprEdit->isEnabled() && !empty_) {
    const int at = VariablesCopy->FindName(entryName(editedNode_));
    if (at >= 0) VariablesCopy->PutValueAt(at, Variant(ExprEdit->currentText()));
  }
  editedNode_ = nullptr;
}

void TfrDictForm::nodeSelected() {
  if (filling_) return;
  storeExpression();
  QTreeWidgetItem* node = VarTree->currentItem();
  filling_ = true;
  const bool variable = !empty_ && node && node->parent();
  ExprCB->setEnabled(variable);
  ExprCB->setChecked(false);
  ExprEdit->setEnabled(false);
  ExprEdit->setEditText(QString());
  ValList->setCurrentRow(-1);
  if (variable) {
    const QString value = VariablesCopy->ValueOf(entryName(node)).toString();
    const int dot = int(value.lastIndexOf(QLatin1Char('.')));
    int setIndex = -1;
    if (dot >= 0) {
      const QString set = value.left(dot);
      for (int i = 0; i + 1 < ValCombo->count(); ++i)
        if (dictionary_->RealSourceNameOf(ValCombo->itemText(i)).compare(set, Qt::CaseInsensitive) == 0) setIndex = i;
    }
    const int system = int(SystemVariableNames().indexOf(value.trimmed().toUpper()));
    if (setIndex >= 0) {
      ValCombo->setCurrentIndex(setIndex);
      fillValues();
      QString field = value.mid(dot + 1);
      if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
        field = field.mid(1, field.size() - 2);
      for (int i = 1; i < ValList->count(); ++i)
        if (dictionary_->RealFieldNameOf(ValCombo->currentText(), ValList->item(i)->text())
                .compare(field, Qt::CaseInsensitive) == 0)
          ValList->setCurrentRow(i);
    } else if (!value.trimmed().isEmpty() && system >= 0 && system != 1) {
      ValCombo->setCurrentIndex(ValCombo->count() - 1);
      fillValues();
      ValList->setCurrentRow(system == 0 ? 1 : system);
    } else if (!value.trimmed().isEmpty()) {
      ExprCB->setChecked(true);
      ExprEdit->setEnabled(true);
      ExprEdit->setEditText(value);
      editedNode_ = node;
    } else {
      ValList->setCurrentRow(0);
    }
  }
  filling_ = false;
}

void TfrDictForm::valueClicked() {
  QTreeWidgetItem* node = VarTree->currentItem();
  if (empty_ || !node || !node->parent()) return;
  editedNode_ = nullptr;
  filling_ = true;
  ExprCB->setChecked(false);
  ExprEdit->setEnabled(false);
  filling_ = false;
  const int row = ValList->currentRow();
  QString value;
  if (row > 0) {
    if (ValCombo->currentIndex() == ValCombo->count() - 1) {
      value = SystemVariableAt(row - 1);
    } else {
      const QString set = ValCombo->currentText();
      value = dictionary_->RealSourceNameOf(set) + QStringLiteral(".\"") +
              dictionary_->RealFieldNameOf(set, ValList->item(row)->text()) + QLatin1Char('"');
    }
  }
  setValue(value);
}

bool TfrDictForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ExprEdit->lineEdit()) {
    if (event->type() == QEvent::FocusIn) editedNode_ = VarTree->currentItem();
    if (event->type() == QEvent::FocusOut) {
      QTreeWidgetItem* keep = editedNode_;
      storeExpression();
      editedNode_ = keep;
    }
  } else if (watched == VarTree && event->type() == QEvent::KeyPress) {  // an in-place editor gets its own keys
    auto* k = static_cast<QKeyEvent*>(event);
    if (k->key() == Qt::Key_Insert) {
      if ((k->modifiers() & Qt::ControlModifier) || empty_ || !VarTree->currentItem()) {
        NewCategory();
      } else {
        NewVariable();
      }
      return true;
    }
    if (k->key() == Qt::Key_Delete) {
      DeleteNode();
      return true;
    }
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      if (!empty_ && VarTree->currentItem()) VarTree->editItem(VarTree->currentItem());
      return true;
    }
    if (k->key() == Qt::Key_Escape) {
      reject();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrDictForm::accept() {
  if (ExprEdit->lineEdit()->hasFocus() || editedNode_) {
    if (!editedNode_) editedNode_ = VarTree->currentItem();
    storeExpression();
  }
  dictionary_->Variables.CopyFrom(*VariablesCopy);
  dictionary_->ClearCache();
  QDialog::accept();
}

bool EditDictionary(TfrDataDictionary* dictionary, QWidget* parent) {
  if (!dictionary) return false;
  TfrDictForm form(dictionary, parent);
  return RunModal(&form) == QDialog::Accepted;
}
