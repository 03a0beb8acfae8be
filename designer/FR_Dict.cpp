#include "designer/FR_Dict.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QLabel>
#include <QListWidget>
#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QPainter>
#include <QStyledItemDelegate>

#include "designer/FR_Expr.h"
#include "designer/FR_Glyphs.h"
#include "designer/FR_Small.h"
#include "platform/ui.h"
#include "platform/data/dataset.h"
#include "report/FR_DBSet.h"
#include "report/FR_Pars.h"
#include "report/FR_Utils.h"

namespace {

bool isCategory(const QString& name) { return name.startsWith(QLatin1Char(' ')); }

// The dictionary's lists: each entry's 16 x 16 picture 2 pixels from the left, its text 20
// pixels in and 1 from the top, on rows of a fixed height.
class IconEntryDelegate : public QStyledItemDelegate {
 public:
  IconEntryDelegate(int rowHeight, QObject* parent) : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    p->save();
    p->fillRect(option.rect, option.palette.brush(selected ? QPalette::Highlight : QPalette::Base));
    const QIcon icon = index.data(Qt::DecorationRole).value<QIcon>();
    if (!icon.isNull()) icon.paint(p, QRect(option.rect.left() + 2, option.rect.top(), 16, 16));
    p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    p->setFont(option.font);
    p->drawText(option.rect.adjusted(20, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, index.data().toString());
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(20 + QFontMetrics(option.font).horizontalAdvance(index.data().toString()) + 4,
                 std::max(rowHeight_, QFontMetrics(option.font).height() + 1));
  }

 private:
  int rowHeight_;
};

// Gives each tool button of the variables page its picture at 22 x 22.
void dictionaryTool(QToolButton* b) {
  const QIcon icon = DesignerIcon(b->objectName());
  if (icon.isNull()) return;
  b->setIcon(icon);
  b->setIconSize(QSize(16, 16));
  b->setFixedSize(22, 22);
  b->setAutoRaise(true);
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

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
  CategoryLB->setItemDelegate(new IconEntryDelegate(16, CategoryLB));
  VarLB->setItemDelegate(new IconEntryDelegate(16, VarLB));
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
  for (int i = 0; i < CategoryLB->count(); ++i)
    CategoryLB->item(i)->setIcon(DesignerIcon(QString::fromLatin1(i + 1 < CategoryLB->count() ? "CategoryIcon" : "SysVarIcon")));
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
    for (const QString& text : SystemVariableTexts())
      VarLB->addItem(new QListWidgetItem(DesignerIcon(QStringLiteral("SysVarIcon")), text));
  } else if (dictionary_ && CategoryLB->currentItem()) {
    QStringList names;
    dictionary_->ListCategoryVariables(CategoryLB->currentItem()->text(), names);
    for (const QString& name : names) VarLB->addItem(new QListWidgetItem(DesignerIcon(QStringLiteral("VariableIcon")), name));
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
// Title pages

namespace {
constexpr int kNameRole = Qt::UserRole + 2;    // the record set's or field's own name
constexpr int kKindRole = Qt::UserRole + 3;    // 1 record set, 2 field, 3 placeholder
QString titleText(const Variant& v) { return v.isNull() ? QString() : v.toString(); }

// A drag between the two halves of a page is the dialog's own: the left button pressed on an
// entry and moved past the platform's drag distance carries the selection along, and released
// over the other half it moves the entries there. The cursor tells whether a release would be
// taken. (It never leaves the dialog, so it needs no drag of the window system.)
class TitlesDrag {
 public:
  QWidget* Target = nullptr;   // the other half's viewport
  std::function<void()> OnDrop;

  // move and release return true when they took the event.
  void press(QMouseEvent* e, bool onEntry) {
    pressed_ = e->button() == Qt::LeftButton && onEntry;
    dragging_ = false;
    start_ = e->position().toPoint();
  }
  bool move(QAbstractItemView* view, QMouseEvent* e) {
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) return false;
    if (!dragging_ && (e->position().toPoint() - start_).manhattanLength() < QApplication::startDragDistance())
      return true;
    dragging_ = true;
    view->viewport()->setCursor(over(e) ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
    return true;
  }
  bool release(QAbstractItemView* view, QMouseEvent* e) {
    const bool was = dragging_;
    pressed_ = dragging_ = false;
    if (!was) return false;
    view->viewport()->unsetCursor();
    if (over(e) && OnDrop) Guard(OnDrop);
    return true;
  }

 private:
  bool over(QMouseEvent* e) const {
    return Target && Target->isVisible() && Target->rect().contains(Target->mapFromGlobal(e->globalPosition().toPoint()));
  }
  bool pressed_ = false, dragging_ = false;
  QPoint start_;
};

// The list of names not yet shown: its selection is dragged onto the tree.
class TitlesList : public QListWidget {
 public:
  explicit TitlesList(QWidget* parent) : QListWidget(parent) {
    setDragEnabled(true);   // a press on a selected entry keeps the other selected ones for the drag
  }
  TitlesDrag Drag;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    QListWidget::mousePressEvent(e);
    QListWidgetItem* item = itemAt(e->position().toPoint());
    Drag.press(e, item && item->isSelected());
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (!Drag.move(this, e)) QListWidget::mouseMoveEvent(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (!Drag.release(this, e)) QListWidget::mouseReleaseEvent(e);
  }
};

// The tree of shown names: a record set (or one of its fields, which stands for its record set)
// is dragged back onto the list; the root stays.
class TitlesTree : public QTreeWidget {
 public:
  explicit TitlesTree(QWidget* parent) : QTreeWidget(parent) {}
  TitlesDrag Drag;

 protected:
  void mousePressEvent(QMouseEvent* e) override {
    QTreeWidget::mousePressEvent(e);
    QTreeWidgetItem* item = itemAt(e->position().toPoint());
    Drag.press(e, item && item->parent());
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    if (!Drag.move(this, e)) QTreeWidget::mouseMoveEvent(e);
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    if (!Drag.release(this, e)) QTreeWidget::mouseReleaseEvent(e);
  }
};

}  // namespace

TfrTitlesPage::TfrTitlesPage(TfrVariables& titles, const QStringList& names, const QString& rootText,
                             std::function<QStringList(const QString&)> fieldsOf, QWidget* parent)
    : QWidget(parent), titles_(titles), names_(names), fieldsOf_(std::move(fieldsOf)) {
  // Names dragged from the list onto the tree are shown, nodes dragged back are not.
  auto* tree = new TitlesTree(this);
  Tree = tree;
  Tree->setObjectName(QStringLiteral("Tree"));
  Tree->setHeaderHidden(true);
  Tree->installEventFilter(this);
  auto* list = new TitlesList(this);
  list->Drag.Target = Tree->viewport();
  list->Drag.OnDrop = [this] { AddSelected(); };
  tree->Drag.Target = list->viewport();
  tree->Drag.OnDrop = [this] { RemoveSelected(); };
  AllLB = list;
  AllLB->setObjectName(QStringLiteral("AllLB"));
  AllLB->setSelectionMode(QAbstractItemView::ExtendedSelection);
  AllLB->setSortingEnabled(true);
  AllLB->setItemDelegate(new IconEntryDelegate(16, AllLB));
  auto tool = [this](const char* name, const char* text) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(QString::fromLatin1(text));
    b->setFixedWidth(32);
    return b;
  };
  AddBtn = tool("AddBtn", ">");
  RemoveBtn = tool("RemoveBtn", "<");
  AddAllBtn = tool("AddAllBtn", ">>");
  RemoveAllBtn = tool("RemoveAllBtn", "<<");
  auto* group = new QGroupBox(LocaleText(53354), this);
  TitleEdit = new QLineEdit(group);
  TitleEdit->setObjectName(QStringLiteral("TitleEdit"));
  TitleEdit->installEventFilter(this);
  auto* titleLabel = new QLabel(LocaleText(53355), group);
  titleLabel->setBuddy(TitleEdit);
  auto* g = new QVBoxLayout(group);
  auto* row = new QHBoxLayout;
  row->addWidget(titleLabel);
  row->addWidget(TitleEdit, 1);
  g->addLayout(row);
  if (fieldsOf_) {
    // The engine's text table has no entry for this caption: the designer's own text.
    const QString exclude = LocaleText(53356);
    ExcludeCB = new QCheckBox(exclude.isEmpty() ? QString::fromUtf8("从列表中排除字段(&x)") : exclude, group);
    ExcludeCB->setObjectName(QStringLiteral("CB1"));
    g->addWidget(ExcludeCB);
  }
  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  for (QToolButton* b : {AddBtn, RemoveBtn, AddAllBtn, RemoveAllBtn}) buttons->addWidget(b);
  buttons->addStretch(1);
  auto* allLabel = new QLabel(LocaleText(fieldsOf_ ? 53353 : 53358), this);
  auto* left = new QVBoxLayout;
  left->addWidget(allLabel);
  left->addWidget(AllLB, 1);
  auto* top = new QHBoxLayout;
  top->addLayout(left, 2);
  top->addLayout(buttons);
  top->addWidget(Tree, 3);
  auto* v = new QVBoxLayout(this);
  v->addLayout(top, 1);
  v->addWidget(group);

  root_ = new QTreeWidgetItem(Tree, QStringList{rootText});
  fill();
  connect(AddBtn, &QToolButton::clicked, this, &TfrTitlesPage::AddSelected);
  connect(AddAllBtn, &QToolButton::clicked, this, &TfrTitlesPage::AddAll);
  connect(RemoveBtn, &QToolButton::clicked, this, &TfrTitlesPage::RemoveSelected);
  connect(RemoveAllBtn, &QToolButton::clicked, this, &TfrTitlesPage::RemoveAll);
  connect(AllLB, &QListWidget::itemDoubleClicked, this, [this] { AddSelected(); });
  connect(Tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* n) { expand(n); });
  connect(Tree, &QTreeWidget::currentItemChanged, this, [this] { nodeSelected(); });
  connect(TitleEdit, &QLineEdit::textEdited, this, [this] {
    if (!editedNode_) editedNode_ = Tree->currentItem();
  });
  connect(TitleEdit, &QLineEdit::editingFinished, this, [this] { StoreTitle(); });
  if (ExcludeCB)
    connect(ExcludeCB, &QCheckBox::clicked, this, [this](bool on) {
      QTreeWidgetItem* n = Tree->currentItem();
      if (filling_ || !n || n->data(0, kKindRole).toInt() != 2) return;
      const QString key = keyOf(n);
      if (on) titles_.PutValue(key, Variant(QString()));
      else if (const int i = titles_.FindName(key); i >= 0) titles_.RemoveAt(i);
      setNodeText(n);
      TitleEdit->setText(n->data(0, kNameRole).toString());
    });
}

QString TfrTitlesPage::keyOf(QTreeWidgetItem* node) const {
  if (!node || node == root_) return {};
  if (node->data(0, kKindRole).toInt() == 2)
    return FieldKey(node->parent()->data(0, kNameRole).toString(), node->data(0, kNameRole).toString());
  return node->data(0, kNameRole).toString();
}

void TfrTitlesPage::setNodeText(QTreeWidgetItem* node) {
  const QString name = node->data(0, kNameRole).toString();
  const int i = titles_.FindName(keyOf(node));
  const QString title = i >= 0 ? titleText(titles_.ValueAt(i)) : QString();
  node->setText(0, title.isEmpty() ? name : name + QStringLiteral(" {") + title + QLatin1Char('}'));
  // An excluded field is shown greyed.
  const bool excluded = node->data(0, kKindRole).toInt() == 2 && i >= 0 && title.isEmpty();
  node->setForeground(0, excluded ? QBrush(Qt::gray) : QBrush());
}

QTreeWidgetItem* TfrTitlesPage::addSetNode(const QString& name) {
  auto* n = new QTreeWidgetItem(root_);
  n->setData(0, kNameRole, name);
  n->setData(0, kKindRole, 1);
  n->setIcon(0, DesignerIcon(QStringLiteral("SourceIcon")));
  setNodeText(n);
  if (fieldsOf_) {
    auto* placeholder = new QTreeWidgetItem(n, QStringList{LocaleText(55076)});
    placeholder->setData(0, kKindRole, 3);
  }
  root_->sortChildren(0, Qt::AscendingOrder);
  return n;
}

void TfrTitlesPage::fill() {
  filling_ = true;
  qDeleteAll(root_->takeChildren());
  AllLB->clear();
  QStringList sorted = names_;
  sorted.sort(Qt::CaseInsensitive);
  for (const QString& n : sorted) {
    if (titles_.FindName(n) >= 0) addSetNode(n);
    else AllLB->addItem(new QListWidgetItem(DesignerIcon(QStringLiteral("SourceIcon")), n));
  }
  root_->setExpanded(true);
  Tree->setCurrentItem(root_);
  filling_ = false;
  nodeSelected();
}

void TfrTitlesPage::expand(QTreeWidgetItem* node) {
  if (!fieldsOf_ || node->childCount() != 1 || node->child(0)->data(0, kKindRole).toInt() != 3) return;
  delete node->takeChild(0);
  QStringList fields;
  try {
    fields = fieldsOf_(node->data(0, kNameRole).toString());
  } catch (const Exception&) {
    // A record set whose fields cannot be read shows none.
  }
  fields.sort(Qt::CaseInsensitive);
  for (const QString& f : fields) {
    auto* c = new QTreeWidgetItem(node);
    c->setData(0, kNameRole, f);
    c->setData(0, kKindRole, 2);
    c->setIcon(0, DesignerIcon(QStringLiteral("FieldIcon")));
    setNodeText(c);
  }
}

void TfrTitlesPage::nodeSelected() {
  if (filling_) return;
  StoreTitle();
  filling_ = true;
  QTreeWidgetItem* n = Tree->currentItem();
  const int kind = n ? n->data(0, kKindRole).toInt() : 0;
  QString title;
  bool excluded = false;
  if (kind == 1 || kind == 2) {
    const int i = titles_.FindName(keyOf(n));
    title = i >= 0 ? titleText(titles_.ValueAt(i)) : QString();
    excluded = kind == 2 && i >= 0 && title.isEmpty();
    if (title.isEmpty() && !excluded) title = n->data(0, kNameRole).toString();
  }
  TitleEdit->setText(title);
  TitleEdit->setEnabled(kind == 1 || kind == 2);
  if (ExcludeCB) {
    ExcludeCB->setChecked(excluded);
    ExcludeCB->setEnabled(kind == 2);
  }
  editedNode_ = nullptr;
  filling_ = false;
}

void TfrTitlesPage::StoreTitle() {
  QTreeWidgetItem* n = editedNode_;
  editedNode_ = nullptr;
  if (!n || n == root_) return;
  const int kind = n->data(0, kKindRole).toInt();
  if (kind != 1 && kind != 2) return;
  QString title = TitleEdit->text().trimmed();
  // The own name typed as the title means no title.
  if (title == n->data(0, kNameRole).toString()) title.clear();
  const QString key = keyOf(n);
  if (kind == 2 && title.isEmpty()) {
    if (const int i = titles_.FindName(key); i >= 0) titles_.RemoveAt(i);
  } else {
    titles_.PutValue(key, Variant(title));
  }
  if (ExcludeCB && kind == 2) ExcludeCB->setChecked(false);
  setNodeText(n);
}

void TfrTitlesPage::AddSelected() {
  StoreTitle();
  const QList<QListWidgetItem*> chosen = AllLB->selectedItems();
  if (chosen.isEmpty()) return;
  int row = AllLB->row(chosen.first());
  for (QListWidgetItem* item : chosen) {
    titles_.PutValue(item->text(), Variant(QString()));
    addSetNode(item->text());
    delete AllLB->takeItem(AllLB->row(item));
  }
  root_->setExpanded(true);
  Tree->setCurrentItem(root_);
  if (AllLB->count() > 0) AllLB->setCurrentRow(std::min(row, AllLB->count() - 1));
}

void TfrTitlesPage::AddAll() {
  AllLB->selectAll();
  AddSelected();
}

void TfrTitlesPage::RemoveSelected() {
  StoreTitle();
  QTreeWidgetItem* n = Tree->currentItem();
  while (n && n->parent() && n->parent() != root_) n = n->parent();   // a field: its record set
  if (!n || n == root_) return;
  const QString name = n->data(0, kNameRole).toString();
  const QString prefix = name + QLatin1Char('.');
  for (int i = titles_.EntryCount() - 1; i >= 0; --i) {
    const QString key = titles_.NameAt(i);
    if (key.compare(name, Qt::CaseInsensitive) == 0 || key.startsWith(prefix, Qt::CaseInsensitive)) titles_.RemoveAt(i);
  }
  delete n;
  AllLB->addItem(new QListWidgetItem(DesignerIcon(QStringLiteral("SourceIcon")), name));
  Tree->setCurrentItem(root_);
}

void TfrTitlesPage::RemoveAll() {
  editedNode_ = nullptr;
  titles_.RemoveAll();
  fill();
}

bool TfrTitlesPage::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (watched == Tree && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      TitleEdit->setFocus();
      TitleEdit->selectAll();
      return true;
    }
    if (watched == Tree && key == Qt::Key_Space && ExcludeCB && ExcludeCB->isEnabled()) {
      ExcludeCB->click();
      return true;
    }
    if (watched == TitleEdit && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      StoreTitle();
      Tree->setFocus();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Dictionary dialog

namespace {
// Item data: the stored entry name.
constexpr int kEntryRole = Qt::UserRole + 1;
}  // namespace

TfrDictForm::TfrDictForm(TfrDataDictionary* dictionary, QWidget* parent)
    : QDialog(parent),
      VariablesCopy(new TfrVariables),
      FieldTitlesCopy(new TfrVariables),
      SourceTitlesCopy(new TfrVariables),
      dictionary_(dictionary) {
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
    dictionaryTool(b);
    return b;
  };
  NewCategoryBtn = tool("NewCategoryBtn", 53347);
  NewVarBtn = tool("NewVarBtn", 53348);
  EditBtn = tool("EditBtn", 53349);
  DelBtn = tool("DelBtn", 53350);
  EditListBtn = tool("EditListBtn", 53351);
  ValCombo = new QComboBox(TabSheet1);
  ValCombo->setObjectName(QStringLiteral("ValCombo"));
  ValCombo->setItemDelegate(new IconEntryDelegate(16, ValCombo));
  ValList = new QListWidget(TabSheet1);
  ValList->setObjectName(QStringLiteral("ValList"));
  ValList->setItemDelegate(new IconEntryDelegate(15, ValList));
  ExprCB = new QCheckBox(LocaleText(53346), TabSheet1);
  ExprCB->setObjectName(QStringLiteral("ExprCB"));
  ExprEdit = new TfrComboEdit(TabSheet1);
  ExprEdit->setObjectName(QStringLiteral("ExprEdit"));
  AttachExpressionBuilder(ExprEdit, true);
  ExprEdit->installEventFilter(this);
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

  // The title pages work on copies of the two title lists.
  FieldTitlesCopy->CopyFrom(dictionary_->FieldTitles);
  SourceTitlesCopy->CopyFrom(dictionary_->SourceTitles);
  QStringList recordSets;
  for (const QString& n : sets) {
    // A record set whose component is gone is not listed.
    try {
      if (qobject_cast<TDataSet*>(FindComponentByPath(dictionary_->Owner, n))) recordSets << n;
    } catch (const Exception&) {
    }
  }
  QObject* owner = dictionary_->Owner;
  TabSheet2 = new TfrTitlesPage(*FieldTitlesCopy, recordSets, LocaleText(53352), [owner](const QString& set) {
    QStringList fields;
    if (auto* ds = qobject_cast<TDataSet*>(FindComponentByPath(owner, set))) ListFieldNames(ds, fields);
    return fields;
  });
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  PageControl1->addTab(TabSheet2, LocaleText(53342));
  QStringList sources;
  CollectComponentNames(TfrDataset::staticMetaObject, sources, owner);
  TabSheet3 = new TfrTitlesPage(*SourceTitlesCopy, sources, LocaleText(53357), {});
  TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
  PageControl1->addTab(TabSheet3, LocaleText(53343));
  ValCombo->addItem(LocaleText(55075));
  for (int i = 0; i < ValCombo->count(); ++i)
    ValCombo->setItemIcon(i, DesignerIcon(QString::fromLatin1(i + 1 < ValCombo->count() ? "SourceIcon" : "SysVarIcon")));
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

TfrDictForm::~TfrDictForm() {
  delete VariablesCopy;
  delete FieldTitlesCopy;
  delete SourceTitlesCopy;
}

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
      item->setIcon(0, DesignerIcon(QStringLiteral("CategoryIcon")));
    } else if (category) {
      item = new QTreeWidgetItem(category, QStringList{name});
      item->setIcon(0, DesignerIcon(QStringLiteral("VariableIcon")));
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
  item->setIcon(0, DesignerIcon(QStringLiteral("CategoryIcon")));
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
  item->setIcon(0, DesignerIcon(QStringLiteral("VariableIcon")));
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
  ValList->addItem(LocaleText(55076));   // "[无]" has no picture
  const bool system = ValCombo->currentIndex() == ValCombo->count() - 1;
  QStringList entries;
  if (system) entries = SystemVariableTexts();
  else dictionary_->ListFieldsOf(ValCombo->currentText(), entries);
  const QIcon icon = DesignerIcon(QString::fromLatin1(system ? "SysVarIcon" : "FieldIcon"));
  for (const QString& e : entries) ValList->addItem(new QListWidgetItem(icon, e));
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
  if (watched == ExprEdit || watched == ExprEdit->lineEdit()) {
    // The box takes the focus for its edit part: either one entering or leaving counts.
    if (event->type() == QEvent::FocusIn) editedNode_ = VarTree->currentItem();
    if (event->type() == QEvent::FocusOut) {
      QTreeWidgetItem* keep = editedNode_;
      storeExpression();
      editedNode_ = keep;
    }
  } else if (watched == VarTree && event->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(event);
    // A key the open name editor left unused (Insert, Page Down, Enter once the name is
    // taken) ends here: it is no tree command and must not reach the dialog either, where
    // Enter would press OK and Esc Cancel.
    QWidget* focus = QApplication::focusWidget();
    if (focus && focus != VarTree && VarTree->isAncestorOf(focus)) return true;
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
  TabSheet2->StoreTitle();
  TabSheet3->StoreTitle();
  dictionary_->Variables.CopyFrom(*VariablesCopy);
  dictionary_->FieldTitles.CopyFrom(*FieldTitlesCopy);
  dictionary_->SourceTitles.CopyFrom(*SourceTitlesCopy);
  dictionary_->ClearCache();
  QDialog::accept();
}

bool EditDictionary(TfrDataDictionary* dictionary, QWidget* parent) {
  if (!dictionary) return false;
  TfrDictForm form(dictionary, parent);
  return RunModal(&form) == QDialog::Accepted;
}
