#include "designer/FR_Expr.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "designer/FR_Small.h"
#include "platform/ui.h"
#include "report/FR_Utils.h"

namespace {

struct FunctionText {
  const char* name;
  int category;
  int description;
};

// The engine's functions as the designer offers them (category and description are engine
// texts).
const FunctionText kEngineFunctions[] = {
    {"AVG", 55349, 55360},
    {"COUNT", 55349, 55361},
    {"DAYOF", 55350, 55362},
    {"FORMATDATETIME", 55351, 55363},
    {"FORMATFLOAT", 55351, 55364},
    {"FORMATTEXT", 55351, 55416},
    {"INPUT", 55352, 55365},
    {"LENGTH", 55351, 55366},
    {"LOWERCASE", 55351, 55367},
    {"MAX", 55349, 55368},
    {"MIN", 55349, 55369},
    {"MONTHOF", 55350, 55370},
    {"NAMECASE", 55351, 55371},
    {"STRTODATE", 55350, 55372},
    {"STRTOTIME", 55350, 55373},
    {"SUM", 55349, 55374},
    {"TRIM", 55351, 55375},
    {"UPPERCASE", 55351, 55376},
    {"YEAROF", 55350, 55377},
    {"MAXNUM", 55353, 55412},
    {"MINNUM", 55353, 55413},
    {"POS", 55351, 55414},
    {"MESSAGEBOX", 55352, 55415},
    {"IF", 55352, 55378},
    {"COPY", 55351, 55379},
    {"MOD", 55353, 55380},
    {"STR", 55351, 55381},
    {"NOT", 55354, 55382},
    {"AND", 55354, 55383},
    {"OR", 55354, 55384},
    {"ROUND", 55353, 55385},
    {"FRAC", 55353, 55386},
    {"INT", 55353, 55387},
    {"TRUE", 55354, 55388},
    {"FALSE", 55354, 55389},
    {"PAGE#", 55352, 55390},
    {"DATE", 55350, 55391},
    {"TIME", 55350, 55392},
    {"LINE#", 55352, 55393},
    {"LINETHROUGH#", 55352, 55394},
    {"COLUMN#", 55352, 55395},
    {"TOTALPAGES", 55352, 55396},
    {"REPORTCOMMENT", 55622, 55623},
    {"REPORTNAME", 55622, 55624},
    {"REPORTAUTOR", 55622, 55625},
    {"VMAJOR", 55622, 55626},
    {"VMINOR", 55622, 55627},
    {"VRELEASE", 55622, 55628},
    {"VBUILD", 55622, 55629},
    {"REPORTDATE", 55622, 55630},
    {"REPORTLASTCHANGE", 55622, 55631},
    {"MROK", 55355, 55397},
    {"MRCANCEL", 55355, 55398},
    {"CURY", 55355, 55399},
    {"FREESPACE", 55355, 55400},
    {"FINALPASS", 55355, 55401},
    {"PAGEHEIGHT", 55355, 55402},
    {"PAGEWIDTH", 55355, 55403},
    {"PROGRESS", 55355, 55404},
    {"MODALRESULT", 55355, 55405},
    {"STOPREPORT", 55355, 55406},
    {"NEWPAGE", 55355, 55407},
    {"NEWCOLUMN", 55355, 55408},
    {"SHOWBAND", 55355, 55409},
    {"INC", 55355, 55410},
    {"DEC", 55355, 55411},

};

QPushButton* button(QWidget* parent, const QString& name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(name);
  return b;
}

// The signature (bold) and the word-wrapped description of a function.
void makeDescriptionLabels(QWidget* parent, QLabel*& func, QLabel*& descr) {
  func = new QLabel(parent);
  func->setObjectName(QStringLiteral("FuncLabel"));
  QFont bold = func->font();
  bold.setBold(true);
  func->setFont(bold);
  descr = new QLabel(parent);
  descr->setObjectName(QStringLiteral("DescrLabel"));
  descr->setWordWrap(true);
  descr->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  descr->setMinimumHeight(32);
}

QString rootText() { return LocaleText(55348); }

}  // namespace

// ---------------------------------------------------------------------------------------
// Installed functions

void TfrInstalledFunctions::Add(const QString& name, const QString& category, const QString& description) {
  if (category.isEmpty()) return;
  for (const Entry& e : entries_)
    if (e.name == name) return;
  entries_.append({name, category, description});
}

QString TfrInstalledFunctions::DescriptionOf(const QString& name) const {
  for (const Entry& e : entries_)
    if (e.name.compare(name, Qt::CaseInsensitive) == 0) return e.description;
  return {};
}

QStringList TfrInstalledFunctions::ListCategories() const {
  QStringList list;
  for (const Entry& e : entries_) {
    bool seen = false;
    for (const QString& c : list) seen = seen || c.compare(e.category, Qt::CaseInsensitive) == 0;
    if (!seen) list << e.category;
  }
  list.sort(Qt::CaseInsensitive);
  return list;
}

QStringList TfrInstalledFunctions::ListFunctionsIn(const QString& category) const {
  QStringList list;
  const bool all = category == rootText();
  for (const Entry& e : entries_)
    if (all || e.category.compare(category, Qt::CaseInsensitive) == 0) list << e.name;
  list.sort(Qt::CaseInsensitive);
  return list;
}

TfrInstalledFunctions& InstalledFunctions() {
  static TfrInstalledFunctions* list = [] {
    auto* l = new TfrInstalledFunctions;
    for (const FunctionText& f : kEngineFunctions)
      l->Add(QString::fromLatin1(f.name), LocaleText(f.category), LocaleText(f.description));
    return l;
  }();
  return *list;
}

QString BracketIfNeeded(const QString& name) {
  for (QChar c : name.toUpper()) {
    const char16_t u = c.unicode();
    if (!((u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '.' || u == '_'))
      return QLatin1Char('[') + name + QLatin1Char(']');
  }
  return name;
}

std::function<bool(QString&, QWidget*)>& FieldPickerHook() {
  static std::function<bool(QString&, QWidget*)> hook;
  return hook;
}

std::function<bool(QString&, QWidget*)>& VariablePickerHook() {
  static std::function<bool(QString&, QWidget*)> hook;
  return hook;
}

// ---------------------------------------------------------------------------------------
// Expression builder

TfrExprForm::TfrExprForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frExprForm"));
  setWindowTitle(LocaleText(53700));
  GroupBox1 = new QGroupBox(LocaleText(53701), this);
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  ExprMemo = new QPlainTextEdit(GroupBox1);
  ExprMemo->setObjectName(QStringLiteral("ExprMemo"));
  ExprMemo->setTabChangesFocus(true);
  ExprMemo->installEventFilter(this);
  (new QVBoxLayout(GroupBox1))->addWidget(ExprMemo);

  GroupBox2 = new QGroupBox(LocaleText(53702), this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  auto* grid = new QGridLayout(GroupBox2);
  grid->setSpacing(3);
  const char* ops[] = {"+", "-", "*", "/", "=", "<>", ">", "<", ">=", "<=", "And", "Or", "Not"};
  for (int i = 0; i < 13; ++i) {
    auto* b = button(GroupBox2, QStringLiteral("frSpeedButton%1").arg(i + 1), QString::fromLatin1(ops[i]));
    b->setFixedSize(36, 24);
    b->setFocusPolicy(Qt::NoFocus);
    OperatorButtons << b;
    grid->addWidget(b, i / 5, i % 5);
    connect(b, &QPushButton::clicked, this, [this, b] { InsertText(b->text() + QLatin1Char(' ')); });
  }
  InsDBBtn = button(GroupBox2, QStringLiteral("InsDBBtn"), LocaleText(53703));
  InsVarBtn = button(GroupBox2, QStringLiteral("InsVarBtn"), LocaleText(53704));
  InsFuncBtn = button(GroupBox2, QStringLiteral("InsFuncBtn"), LocaleText(53705));
  auto* side = new QVBoxLayout;
  side->addWidget(InsDBBtn);
  side->addWidget(InsVarBtn);
  side->addWidget(InsFuncBtn);
  side->addStretch(1);
  grid->addLayout(side, 0, 5, 3, 1);
  InsDBBtn->setEnabled(bool(FieldPickerHook()));
  InsVarBtn->setEnabled(bool(VariablePickerHook()));

  connect(InsDBBtn, &QPushButton::clicked, this, [this] {
    QString name;
    if (FieldPickerHook() && FieldPickerHook()(name, this) && !name.isEmpty()) InsertText(BracketIfNeeded(name));
  });
  connect(InsVarBtn, &QPushButton::clicked, this, [this] {
    QString name;
    if (VariablePickerHook() && VariablePickerHook()(name, this) && !name.isEmpty())
      InsertText(BracketIfNeeded(name));
  });
  connect(InsFuncBtn, &QPushButton::clicked, this, [this] {
    TfrFuncForm picker(this);
    if (RunModal(&picker) != QDialog::Accepted) return;
    const QString name = picker.SelectedName();
    if (name.isEmpty()) return;
    if (picker.FuncLabel->text().contains(QLatin1Char('('))) {
      TfrFuncArgForm args(this);
      args.FuncLabel->setText(picker.FuncLabel->text());
      args.DescrLabel->setText(picker.DescrLabel->text());
      args.CallText = name;
      if (RunModal(&args) == QDialog::Accepted) InsertText(args.CallText);
    } else {
      InsertText(BracketIfNeeded(name));
    }
  });

  auto* v = new QVBoxLayout(this);
  v->addWidget(GroupBox1, 1);
  v->addWidget(GroupBox2);
  v->addLayout(OkCancelRow(this, Button1, Button2));
  resize(420, 320);
  ExprMemo->setFocus();
}

void TfrExprForm::InsertText(const QString& text) {
  ExprMemo->insertPlainText(text);  // replaces the selection
  ExprMemo->setFocus();
}

bool TfrExprForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ExprMemo && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    reject();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

bool EditExpression(QString& text, QWidget* parent) {
  TfrExprForm form(parent);
  form.ExprMemo->setPlainText(text);
  form.ExprMemo->moveCursor(QTextCursor::End);
  if (RunModal(&form) != QDialog::Accepted) return false;
  text = form.ExprMemo->toPlainText();
  return true;
}

// ---------------------------------------------------------------------------------------
// Function picker

TfrFuncForm::TfrFuncForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frFuncForm"));
  setWindowTitle(LocaleText(53720));
  Tree1 = new QTreeWidget(this);
  Tree1->setObjectName(QStringLiteral("Tree1"));
  Tree1->setHeaderHidden(true);
  FuncLB = new QListWidget(this);
  FuncLB->setObjectName(QStringLiteral("FuncLB"));
  makeDescriptionLabels(this, FuncLabel, DescrLabel);
  auto* bevel = new QFrame(this);
  bevel->setObjectName(QStringLiteral("Bevel1"));
  bevel->setFrameShape(QFrame::StyledPanel);
  auto* bv = new QVBoxLayout(bevel);
  bv->addWidget(FuncLabel);
  bv->addWidget(DescrLabel, 1);

  auto* root = new QTreeWidgetItem(Tree1, QStringList{rootText()});
  for (const QString& c : InstalledFunctions().ListCategories()) new QTreeWidgetItem(root, QStringList{c});
  Tree1->expandAll();

  // The function icon 2 pixels from the left, the name 20 pixels from the left.
  QPixmap icon(16, 16);
  icon.fill(Qt::transparent);
  {
    QPainter p(&icon);
    p.setPen(QColor(0, 0, 128));
    QFont f = p.font();
    f.setItalic(true);
    f.setBold(true);
    f.setPixelSize(13);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("f"));
  }
  FuncLB->setIconSize(QSize(16, 16));
  FuncLB->setProperty("functionIcon", icon);

  connect(Tree1, &QTreeWidget::currentItemChanged, this, [this, icon](QTreeWidgetItem* item) {
    FuncLB->clear();
    if (!item) return;
    for (const QString& name : InstalledFunctions().ListFunctionsIn(item->text(0)))
      new QListWidgetItem(QIcon(icon), name, FuncLB);
    if (FuncLB->count()) FuncLB->setCurrentRow(0);
    showFunction();
  });
  connect(FuncLB, &QListWidget::currentRowChanged, this, [this](int) { showFunction(); });
  connect(FuncLB, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) { accept(); });

  auto* lists = new QHBoxLayout;
  lists->addWidget(Tree1, 1);
  lists->addWidget(FuncLB, 1);
  auto* v = new QVBoxLayout(this);
  v->addLayout(lists, 1);
  v->addWidget(bevel);
  v->addLayout(OkCancelRow(this, Button1, Button2));
  Tree1->setCurrentItem(root);
  resize(440, 380);
}

QString TfrFuncForm::SelectedName() const {
  auto* item = FuncLB->currentItem();
  return item ? item->text() : QString();
}

void TfrFuncForm::showFunction() {
  const QString d = InstalledFunctions().DescriptionOf(SelectedName());
  const int slash = d.indexOf(QLatin1Char('/'));
  FuncLabel->setText(slash < 0 ? d : d.left(slash));
  DescrLabel->setText(slash < 0 ? QString() : d.mid(slash + 1).left(1000));
}

// ---------------------------------------------------------------------------------------
// Argument dialog

TfrFuncArgForm::TfrFuncArgForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frFuncArgForm"));
  setWindowTitle(LocaleText(53730));
  makeDescriptionLabels(this, FuncLabel, DescrLabel);
  auto* grid = new QGridLayout;
  QLabel** labels[] = {&Label1, &Label2, &Label3};
  TfrComboEdit** edits[] = {&ArgEdit1, &ArgEdit2, &ArgEdit3};
  for (int i = 0; i < 3; ++i) {
    *edits[i] = new TfrComboEdit(this);
    (*edits[i])->setObjectName(QStringLiteral("ArgEdit%1").arg(i + 1));
    AttachExpressionBuilder(*edits[i], true);
    *labels[i] = new QLabel(LocaleText(53731) + QStringLiteral(" &%1").arg(i + 1), this);
    (*labels[i])->setObjectName(QStringLiteral("Label%1").arg(i + 1));
    (*labels[i])->setBuddy(*edits[i]);
    grid->addWidget(*labels[i], i, 0);
    grid->addWidget(*edits[i], i, 1);
  }
  grid->setColumnStretch(1, 1);
  auto* v = new QVBoxLayout(this);
  v->addWidget(FuncLabel);
  v->addWidget(DescrLabel);
  v->addSpacing(6);
  v->addLayout(grid);
  v->addStretch(1);
  v->addLayout(OkCancelRow(this, Button1, Button2));
  resize(400, 260);
}

void TfrFuncArgForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const int commas = int(FuncLabel->text().count(QLatin1Char(',')));
  Label2->setEnabled(commas >= 1);
  ArgEdit2->setEnabled(commas >= 1);
  Label3->setEnabled(commas >= 2);
  ArgEdit3->setEnabled(commas >= 2);
  ArgEdit1->setFocus();
}

void TfrFuncArgForm::done(int result) {
  QString call = CallText + QLatin1Char('(') + ArgEdit1->currentText();
  if (!ArgEdit2->currentText().isEmpty()) call += QStringLiteral(", ") + ArgEdit2->currentText();
  if (!ArgEdit3->currentText().isEmpty()) call += QStringLiteral(", ") + ArgEdit3->currentText();
  CallText = call + QLatin1Char(')');
  QDialog::done(result);
}
