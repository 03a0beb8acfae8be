#include "services/servicewindow.h"

#include <QWidget>

#include "grid/DBCtrlsEh.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "grid/PrnDbgeh.h"
#include "shell/bz.h"
#include "shell/recordwindow.h"
#include "shell/windowparts.h"

void AddCondition(QString& where, const QString& condition) {
  if (!where.isEmpty()) where += QStringLiteral("and");
  where += condition;
}

QString ContainsCondition(const QString& field, const QString& value) {
  return QStringLiteral("(") + field + QStringLiteral(" like ") + SqlQuote::Like(value, true, true) +
         SqlQuote::LikeEscape() + QStringLiteral(")");
}

QString EqualsCondition(const QString& field, const QString& value) {
  return QStringLiteral("(") + field + QStringLiteral(" = ") + SqlQuote::Text(value) + QStringLiteral(")");
}

bool DateBoxEmpty(const TCustomDBEditEh* box) {
  const QString text = box->Text();
  return text.isEmpty() || text.at(0) == QLatin1Char(' ') || box->Value().isNullOrEmpty();
}

TDateTime DateBoxDay(const TCustomDBEditEh* box) { return DateOf(box->Value().toDateTime()); }

DateRangeState CheckDateRange(const TCustomDBEditEh* from, const TCustomDBEditEh* to) {
  const bool noFrom = DateBoxEmpty(from), noTo = DateBoxEmpty(to);
  if (noFrom && noTo) return DateRangeState::Empty;
  if (noFrom != noTo) return DateRangeState::OneMissing;
  if (DateBoxDay(to) < DateBoxDay(from)) return DateRangeState::Reversed;
  return DateRangeState::Filled;
}

bool AcceptDateRange(TCustomDBEditEh* from, TCustomDBEditEh* to, const QString& missing, const QString& reversed) {
  const DateRangeState state = CheckDateRange(from, to);
  if (state == DateRangeState::Empty || state == DateRangeState::Filled) return true;
  ShowNotice(state == DateRangeState::OneMissing ? missing : reversed);
  from->setFocus();
  return false;
}

namespace {
template <class E>
E* bound(E* editor, const char* name, TDataSource* source, const QString& field) {
  editor->setObjectName(QString::fromLatin1(name));
  editor->SetDataSource(source);
  editor->SetDataField(field);
  return editor;
}
}  // namespace

TDBEditEh* MakeDBEdit(QWidget* parent, const char* name, TDataSource* source, const QString& field) {
  return bound(new TDBEditEh(parent), name, source, field);
}

TDBDateTimeEditEh* MakeDBDateEdit(QWidget* parent, const char* name, TDataSource* source, const QString& field) {
  return bound(new TDBDateTimeEditEh(parent), name, source, field);
}

TDBComboBoxEh* MakeDBCombo(QWidget* parent, const char* name, TDataSource* source, const QString& field) {
  return bound(new TDBComboBoxEh(parent), name, source, field);
}

TDBMemo* MakeDBMemo(QWidget* parent, const char* name, TDataSource* source, const QString& field) {
  return bound(new TDBMemo(parent), name, source, field);
}

TDBCheckBoxEh* MakeDBCheck(QWidget* parent, const char* name, TDataSource* source, const QString& field,
                           const QString& caption) {
  auto* c = bound(new TDBCheckBoxEh(parent), name, source, field);
  c->Caption = caption;
  c->setMinimumSize(60, 20);
  return c;
}

TDBDateTimeEditEh* MakeDateBox(QWidget* parent, const char* name) {
  auto* e = new TDBDateTimeEditEh(parent);
  e->setObjectName(QString::fromLatin1(name));
  return e;
}

TPrintDBGridEh* NewCompanyFilePrint(QObject* owner, TDBGridEh* grid) {
  TPrintDBGridEh* print = NewGridPrint(owner, "PrintDBGridEh1", grid, QString::fromUtf8("公司文件明细表"));
  print->PageHeader.CenterText = QStringList{QString::fromUtf8("公司文件明细表打印列表")};
  print->PageHeader.RightText = QStringList{QString::fromUtf8("第&[Page]页")};
  print->PageHeader.LeftText.clear();
  return print;
}

void ViewMemosOnDoubleClick(QWidget* parent, TDataSource* source, std::initializer_list<TDBMemo*> memos) {
  for (TDBMemo* m : memos)
    OnEditorDoubleClick(m, [parent, source, m] {
      auto* form = new TForm_bz(parent);
      form->Bind(source, m->DataField());
      form->DBMemo1->setReadOnly(m->isReadOnly());
      RunModal(form);
      delete form;
    });
}
