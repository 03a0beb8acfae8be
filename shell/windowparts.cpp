// The shared building blocks of the windows: data components, tool bars, picker lists and
// search conditions.

#include "shell/windowparts.h"

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QToolButton>

#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "shell/dm.h"
#include "shell/gardeninfo.h"
#include "shell/recordwindow.h"
#include "shell/loginstate.h"

// ---------------------------------------------------------------------------------------
// Data components

namespace {
void nameIt(QObject* o, const char* name) {
  if (name) o->setObjectName(QString::fromLatin1(name));
}
}  // namespace

TADOQuery* NewQuery(QObject* owner, const char* name, TADOConnection* connection) {
  auto* q = new TADOQuery(owner);
  nameIt(q, name);
  q->SetConnection(connection);
  return q;
}

TADOTable* NewTable(QObject* owner, const char* name, TADOConnection* connection, const QString& tableName,
                    const QString& masterFields, TDataSource* master) {
  auto* t = new TADOTable(owner);
  nameIt(t, name);
  t->SetConnection(connection);
  t->TableName = tableName;
  if (master) {
    t->MasterFields = masterFields;
    t->SetMasterSource(master);
  }
  return t;
}

TDataSource* NewDataSource(QObject* owner, const char* name, TDataSet* dataSet) {
  auto* s = new TDataSource(owner);
  nameIt(s, name);
  s->SetDataSet(dataSet);
  return s;
}

void PlaceEditors(QGridLayout* grid, QWidget* parent, std::initializer_list<TPlacedEditor> editors,
                  Qt::Alignment captionAlignment) {
  for (const TPlacedEditor& p : editors) {
    if (p.caption && *p.caption)
      grid->addWidget(new QLabel(QString::fromUtf8(p.caption), parent), p.row, p.col * 2, captionAlignment);
    grid->addWidget(p.editor, p.row, p.col * 2 + 1, 1, p.span);
  }
}

int PlaceCaptionedRows(QGridLayout* grid, QWidget* parent, int row,
                       std::initializer_list<std::pair<const char*, QWidget*>> rows, int span,
                       Qt::Alignment captionAlignment) {
  for (const auto& [caption, editor] : rows) {
    grid->addWidget(new QLabel(QString::fromUtf8(caption), parent), row, 0, captionAlignment);
    grid->addWidget(editor, row++, 1, 1, span);
  }
  return row;
}

void PlaceCodeEditor(QGridLayout* grid, QWidget* panel, const QString& caption, QWidget* code, QWidget* beside) {
  auto* box = new QHBoxLayout;
  box->setContentsMargins(0, 0, 0, 0);
  box->addWidget(code, 1);
  box->addWidget(beside);
  grid->addWidget(new QLabel(caption, panel), 0, 0, Qt::AlignRight);
  grid->addLayout(box, 0, 1);
}

void SetImeNames(std::initializer_list<QWidget*> editors, const QString& name) {
  for (QWidget* w : editors) SetImeName(w, name);
}

TDBGridEh* NewListGrid(QWidget* parent, const char* name, TDataSource* source, int footerRows) {
  auto* grid = new TDBGridEh(parent);
  nameIt(grid, name);
  SetupListGrid(grid, source, footerRows);
  return grid;
}

void StripeGridRows(TCustomDBGridEh* grid) {
  grid->OnGetCellParams = [grid](QObject*, TColumnEh*, TFontEh&, TColor& background, TGridDrawState) {
    StripeOddRows(grid, background);
  };
}

TPrintDBGridEh* NewGridPrint(QObject* owner, const char* name, TDBGridEh* grid, const QString& listTitle) {
  auto* print = new TPrintDBGridEh(owner);
  nameIt(print, name);
  SetupGridPrint(print, grid, listTitle);
  return print;
}

void CloseQuery(TADOQuery* query) { query->Close(); }

void SetWindowFont(QWidget* window) {
  QFont font(QString::fromUtf8("宋体"));
  font.setPointSize(9);
  window->setFont(font);
}

void SetupDialog(QWidget* dialog, const char* name, const QString& title) {
  nameIt(dialog, name);
  if (!title.isEmpty()) dialog->setWindowTitle(title);
  SetWindowFont(dialog);
}

void SetupFixedDialog(QDialog* dialog, const char* name, const QString& title, bool closeButton) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (closeButton) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  dialog->setWindowFlags(flags);
  SetupDialog(dialog, name, title);
}

QHBoxLayout* NewButtonRow(std::initializer_list<QWidget*> buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  for (QWidget* b : buttons) row->addWidget(b);
  return row;
}

std::tuple<TADOQuery*, TDataSource*, TADOTable*, TDataSource*> NewMasterDetail(QObject* owner, const char* master,
                                                                              const char* detail,
                                                                              const QString& table,
                                                                              const QString& linkFields) {
  const QByteArray m(master), d(detail);
  TADOQuery* query = NewQuery(owner, ("q_" + m).constData(), Dm1->ADO_system);
  TDataSource* querySource = NewDataSource(owner, ("ds_" + m).constData(), query);
  TADOTable* rows = NewTable(owner, ("t_" + d).constData(), Dm1->ADO_system, table, linkFields, querySource);
  return {query, querySource, rows, NewDataSource(owner, ("ds_" + d).constData(), rows)};
}

// ---------------------------------------------------------------------------------------
// Tool bars

QToolButton* NewToolButton(QWidget* parent, QHBoxLayout* row, const char* name, const QString& caption) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(caption);
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setAutoRaise(true);
  b->setMinimumWidth(52);
  if (row) row->addWidget(b);
  return b;
}

TToolBar NewToolBarFrame(QWidget* owner, const TToolBarLook& look) {
  TToolBar bar;
  bar.frame = new QFrame(owner);
  nameIt(bar.frame, look.frameName);
  if (look.framed) bar.frame->setFrameShape(QFrame::StyledPanel);
  bar.row = new QHBoxLayout(bar.frame);
  if (look.margin >= 0) bar.row->setContentsMargins(look.margin, look.margin, look.margin, look.margin);
  if (look.spacing >= 0) bar.row->setSpacing(look.spacing);
  return bar;
}

QFrame* NewEditorPanel(QWidget* owner) {
  auto* panel = new QFrame(owner);
  panel->setObjectName(QStringLiteral("Panel2"));
  panel->setFrameShape(QFrame::StyledPanel);
  return panel;
}

QLabel* AddToolBarHint(const TToolBar& bar, const char* name, const QString& text) {
  auto* hint = new QLabel(text, bar.frame);
  nameIt(hint, name);
  hint->setStyleSheet(QStringLiteral("color: blue;"));
  bar.row->addSpacing(16);
  bar.row->addWidget(hint);
  bar.row->addStretch(1);
  return hint;
}

void AddPickButton(TDBComboBoxEh* box, std::function<void()> click) {
  box->SetReadOnly(true);
  if (TEditButtonEh* b = box->EditButtons()->Add()) {
    b->SetStyle(ebsEllipsisEh);
    b->SetVisible(true);
    b->OnClick = [click = std::move(click)](QObject*, bool& handled) {
      handled = true;
      Guard([&] { click(); });
    };
  }
}

QLineEdit* NewLineEdit(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  nameIt(e, name);
  return e;
}

QFrame* NewSearchRow(QWidget* owner, const char* name, std::initializer_list<std::pair<const char*, QWidget*>> editors,
                     QWidget* searchButton) {
  auto* frame = new QFrame(owner);
  nameIt(frame, name);
  auto* row = new QHBoxLayout(frame);
  for (const auto& [caption, editor] : editors) {
    row->addWidget(new QLabel(QString::fromUtf8(caption), frame));
    row->addWidget(editor);
  }
  row->addWidget(searchButton);
  row->addStretch(1);
  return frame;
}

// ---------------------------------------------------------------------------------------
// Queries and picker lists

void ReopenQuery(TADOQuery* query, const QStringList& sqlLines) {
  query->Close();
  query->SQL.Clear();
  for (const QString& line : sqlLines) query->SQL.Add(line);
  query->Open();
}

QStringList FieldValues(TADOQuery* query, const QStringList& sqlLines, const QString& field, bool distinct) {
  ReopenQuery(query, sqlLines);
  QStringList values;
  for (query->First(); !query->Eof(); query->Next()) {
    const QString value = query->FieldByName(field)->AsString();
    if (!distinct || !values.contains(value)) values << value;
  }
  query->Close();
  return values;
}

QStringList SearchFieldValues(const QStringList& sqlLines, const QString& field, bool distinct) {
  return FieldValues(Dm1->q_search, sqlLines, field, distinct);
}

void FillComboFromQuery(QComboBox* box, TADOQuery* query, const QStringList& sqlLines, const QString& field) {
  const QStringList values = FieldValues(query, sqlLines, field);
  box->clear();
  box->addItems(values);
}

QString EstateScopeCondition() {
  if (!GardenScoped) return QString();
  return QStringLiteral("(") + QString::fromUtf8("小区代码=") + SqlQuote::Text(CurrentGardenCode) + QStringLiteral(")");
}

QStringList EstateScopedSelect(const QString& select, const QString& orderBy) {
  QStringList lines{select};
  if (GardenScoped) lines << QStringLiteral("where ") + EstateScopeCondition();
  if (!orderBy.isEmpty()) lines << orderBy;
  return lines;
}

QStringList EstateKeySql(const QString& table, const QString& estateCode, const QString& field, const QString& value) {
  return {QString::fromUtf8("select * from ") + table + QStringLiteral(" "),
          QString::fromUtf8("where (coalesce(小区代码,'')=") + SqlQuote::Text(estateCode) + QStringLiteral(")and(") +
              field + QStringLiteral("=") + SqlQuote::Text(value) + QStringLiteral(")")};
}

QStringList EstateRowsSql(const QString& table, const QString& field, const QString& value, const QString& estateCode) {
  return {QString::fromUtf8("select * from ") + table + QStringLiteral(" "),
          QStringLiteral("where (") + field + QStringLiteral("=") + SqlQuote::Text(value) + QStringLiteral(")and") +
              SameEstateCondition(estateCode)};
}

// ---------------------------------------------------------------------------------------
// Searches

namespace {
QStringList searchLines(const QString& select, const QString& conditions, const QString& orderBy) {
  QStringList lines{select};
  if (!conditions.isEmpty()) lines << QStringLiteral(" where ") + conditions;
  lines << orderBy;
  return lines;
}
}  // namespace

void SearchList(TADOQuery* query, const QString& select, const QString& conditions, const QString& orderBy) {
  ReopenQuery(query, searchLines(select, conditions, orderBy));
  if (query->IsEmpty()) ShowInformation(QString::fromUtf8("没有找到合适的记录！"));
}

bool SearchFromDialog(TADOQuery* query, const QString& select, const QString& conditions, const QString& orderBy,
                      QWidget* firstEditor) {
  if (conditions.isEmpty()) {
    ShowNotice(QString::fromUtf8("没有输入查询条件,请重新输入!"));
    firstEditor->setFocus();
    return false;
  }
  if (!query) return false;
  ReopenQuery(query, searchLines(select, conditions, orderBy));
  return !(query->IsEmpty() && AskYesNo(QString::fromUtf8("没有找到合适的记录,是否重新查找!!"), QString::fromUtf8("提示"), mrYes));
}

// ---------------------------------------------------------------------------------------
// Search conditions

QString LikeCondition(const QString& field, const QString& value, const QString& op) {
  return QStringLiteral("(") + field + QStringLiteral(" ") + op + QStringLiteral(" ") +
         SqlQuote::Like(value, true, true) + SqlQuote::LikeEscape() + QStringLiteral(")");
}

QString DaysCondition(const QString& field, TDateTime from, TDateTime to, TDateLiteral literal) {
  auto quote = [literal](TDateTime d) {
    return literal == TDateLiteral::Jet ? SqlQuote::Date(d) : SqlQuote::DateText(d);
  };
  return QStringLiteral("(") + field + QStringLiteral(" between ") + quote(DateOf(from)) + QStringLiteral(" and ") +
         quote(EndOfDay(to)) + QStringLiteral(")");
}

TSearchConditions& TSearchConditions::Add(const QString& condition) {
  if (!condition.isEmpty()) parts_ << condition;
  return *this;
}

TSearchConditions& TSearchConditions::Contains(const QString& field, const QString& value, const QString& op) {
  if (!value.trimmed().isEmpty()) parts_ << LikeCondition(field, value, op);
  return *this;
}

TSearchConditions& TSearchConditions::Equals(const QString& field, const QString& value) {
  if (!value.trimmed().isEmpty())
    parts_ << QStringLiteral("(") + field + QStringLiteral(" = ") + SqlQuote::Text(value) + QStringLiteral(")");
  return *this;
}

TSearchConditions& TSearchConditions::Days(const QString& field, TDateTime from, TDateTime to, TDateLiteral literal) {
  parts_ << DaysCondition(field, from, to, literal);
  return *this;
}

TSearchConditions& TSearchConditions::EstateScope() { return Add(EstateScopeCondition()); }

QString TSearchConditions::Text() const { return parts_.join(QStringLiteral("and")); }
