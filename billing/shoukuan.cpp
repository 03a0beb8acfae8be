#include "platform/datafolder.h"
#include "billing/shoukuan.h"

#include <QCoreApplication>
#include <QFile>

#include "billing/printtables.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/exception.h"
#include "platform/ui.h"
#include "report/FR_Class.h"
#include "shell/loginstate.h"

namespace {

bool integerText(const QString& s) {
  if (s.isEmpty()) return false;
  for (QChar c : s)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  return true;
}

void closeQuery(TADOQuery* q) {
  if (q) q->Close();
}

}  // namespace

QString NextReceiptNumber(const QString& year, const QString& last) {
  const QString text = last.trimmed();
  if (text.isEmpty()) return year + u("00001");
  if (!integerText(text)) throw EConvertError(u("'") + last + u("' is not a valid integer value"));
  if (!year.isEmpty() && text.startsWith(year) && text.size() > year.size()) {
    const QString serial = text.mid(year.size());
    const qulonglong next = serial.toULongLong() + 1;
    return year + QStringLiteral("%1").arg(next, 5, 10, QLatin1Char('0'));
  }
  bool ok = false;
  const qulonglong value = text.toULongLong(&ok);
  if (!ok) throw EConvertError(u("'") + last + u("' is not a valid integer value"));
  return QString::number(value + 1);
}

QString DrawReceiptNumber(TADOConnection* db, const QString& year) {
  return WithWriteTransaction(db, [&] {
    TADOQuery q;
    q.SetConnection(db);
    q.SQL.Add(u("select 收据号码 from 收据号码 where 年度=") + SqlQuote::Text(year));
    q.Open();
    QString number;
    if (!q.IsEmpty()) {
      number = NextReceiptNumber(year, q.Fields()[0]->AsString());
      db->Execute(u("update 收据号码 set 收据号码=") + SqlQuote::Text(number) + u(" where 年度=") +
                  SqlQuote::Text(year));
    } else {
      number = NextReceiptNumber(year, QString());
      db->Execute(u("insert into 收据号码 (年度, 收据号码) values (") + SqlQuote::Text(year) + u(", ") +
                  SqlQuote::Text(number) + u(")"));
    }
    q.Close();
    return number;
  });
}

void ReopenQuery(TADOQuery* q, const QString& sql) {
  if (!q) return;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(sql);
  q->Open();
}

void RollBackPrintedFlags(TADOConnection* main, TADOQuery* payments) {
  main->RollbackTrans();
  if (payments->State() == dsEdit || payments->State() == dsInsert) payments->Cancel();
  payments->Close();
  payments->Open();
}

QString ProgramTemplatePath(const QString& fileName) {
  return DataFilePath(fileName);
}

bool LoadTemplate(TfrReport* report, const QString& templatePath, const QString& missingText,
                  const QString& brokenText) {
  if (!QFile::exists(templatePath)) {
    if (!missingText.isEmpty()) MessageBox(missingText, u("提示"), MsgIcon::Exclamation);
    return false;
  }
  if (!report->LoadFromFile(templatePath)) {
    MessageBox(brokenText, u("提示"), MsgIcon::Exclamation);
    return false;
  }
  return true;
}

bool ShowTemplate(TfrReport* report, const QString& templatePath, const QString& missingText,
                  const QString& brokenText) {
  if (!LoadTemplate(report, templatePath, missingText, brokenText)) return false;
  if (report->BuildReport()) {
    report->ShowBuiltReport();
    return true;
  }
  MessageBox(brokenText, u("提示"), MsgIcon::Exclamation);
  return false;
}

namespace {
// A receipt whose template could not be built: the number and the flags are given back.
struct NotBuilt {};
}  // namespace

ReceiptOutcome PrintReceipt(TADOQuery* payments, const QStringList& marked, TADOConnection* main,
                            TADOConnection* local, const ReceiptQueries& queries, TfrReport* report,
                            const QString& templatePath, const QString& year) {
  ReceiptOutcome out;
  if (marked.isEmpty() || !payments->Active() || payments->IsEmpty()) return out;
  const QString broken = u("缴费收据打印文件被破坏，请与程序员联系！");
  // The template comes first: without a receipt to show no number is drawn and no payment
  // leaves the list of unprinted ones.
  if (report && !LoadTemplate(report, templatePath, u("缴费收据打印文件不存在，请与程序员联系！"), broken)) return out;

  // The receipt lines, read from the marked payments without writing anything yet.
  auto f = [payments](const char* name) { return payments->FieldByName(u(name)); };
  std::vector<PrintRow> lines;
  for (const QString& bookmark : marked) {
    payments->SetBookmark(bookmark);
    PrintRow row;
    for (const char* copied : {"收费项目", "单价", "上期表数", "本期表数", "行度面积", "实收金额", "业主名称", "备注"})
      row.insert(u(copied), f(copied)->Value());
    row.insert(u("应收金额"), f("收费金额")->Value());
    row.insert(u("上次余额"), f("上次零头")->Value());
    row.insert(u("本次余额"), f("零头")->Value());
    row.insert(u("计费期间"), Variant(ReceiptPeriodText(f("收费年月")->AsString())));
    lines.push_back(row);
    out.total += f("实收金额")->AsMoney();
  }
  std::vector<PrintRow> totals;
  if (out.total > Money()) {
    // The list stands on the last marked payment.
    PrintRow row;
    row.insert(u("c1"), f("业主名称")->Value());
    row.insert(u("c2"), Variant(CurrentOperatorName));   // the cashier who takes the money
    row.insert(u("大写金额"), Variant(MoneyToChineseCapital(out.total)));
    row.insert(u("小写金额"), Variant(out.total));
    row.insert(u("业主名称"), f("业主名称")->Value());
    row.insert(u("房屋代码"), f("房屋代码")->Value());
    totals.push_back(row);
  }
  closeQuery(queries.biao1);
  closeQuery(queries.biao2);
  FillPrintTables(local, {{u("表1"), lines}, {u("表2"), totals}});
  out.lines = int(lines.size());
  ReopenQuery(queries.biao1, u("select * from 表1 order by xh"));
  ReopenQuery(queries.biao2, u("select * from 表2 order by xh"));

  TField* numberField = payments->FindField(u("收据号码"));
  // The number, the flags and the number stored with each payment land together, and only
  // when the receipt was built: another seat waits for the write lock, so it can neither draw
  // the same number nor print the same payments meanwhile.
  main->BeginWriteTrans();
  try {
    out.number = DrawReceiptNumber(main, year);
    for (const QString& bookmark : marked) {
      payments->SetBookmark(bookmark);
      payments->Edit();
      f("打印")->SetAsBoolean(true);
      if (numberField) numberField->SetAsString(out.number);
      payments->Post();
    }
    // The template reads the number drawn here, never the counter another seat may move.
    ReopenQuery(queries.shoujuhao, u("select ") + SqlQuote::Text(year) + u(" as 年度, ") + SqlQuote::Text(out.number) +
                                  u(" as 收据号码"));
    if (report && !report->BuildReport()) throw NotBuilt{};
    main->CommitTrans();
  } catch (...) {
    RollBackPrintedFlags(main, payments);
    closeQuery(queries.shoujuhao);
    closeQuery(queries.biao1);
    closeQuery(queries.biao2);
    out.number.clear();
    try {
      throw;
    } catch (const NotBuilt&) {
      MessageBox(broken, u("提示"), MsgIcon::Exclamation);
      return out;
    }
  }
  out.printed = true;
  if (report) report->ShowBuiltReport();
  closeQuery(queries.shoujuhao);
  closeQuery(queries.biao1);
  closeQuery(queries.biao2);
  return out;
}
