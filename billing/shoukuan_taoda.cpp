#include "billing/shoukuan_taoda.h"

#include "billing/estatescope.h"
#include "billing/printtables.h"
#include "billing/shoukuan.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "report/FR_Class.h"

namespace {

QString cell(int n) { return u("c") + QString::number(n); }

}  // namespace

PrePrintedOutcome PrintPrePrintedReceipt(TADOQuery* payments, const QStringList& marked, TADOConnection* main,
                                         TADOConnection* local, TfrReport* report, const QString& templatePath,
                                         const QString& operatorName, TADOQuery* biao1, TADOQuery* biao2) {
  PrePrintedOutcome out;
  auto refuse = [&out](const char* text) {
    out.refusal = u(text);
    MessageBox(out.refusal, u("提示"), MsgIcon::Exclamation);
    return out;
  };
  if (marked.size() > 6) return refuse("抱歉，一张收据上面只能打印6条记录，请重新选择！");
  const std::vector<PrintTableFill> empty = {{u("表1"), {}}, {u("表2"), {}}};
  if (!payments->Active() || payments->IsEmpty()) {
    FillPrintTables(local, empty);
    return out;
  }
  auto f = [payments](const char* name) { return payments->FieldByName(u(name)); };

  const QString house = f("房屋代码")->AsString(), estate = RowEstate(payments);
  for (const QString& bookmark : marked) {
    payments->SetBookmark(bookmark);
    if (f("房屋代码")->AsString() != house || RowEstate(payments) != estate) {
      FillPrintTables(local, empty);
      return refuse("一次只能打印同一个业主的收据，请重新选择！");
    }
  }

  std::vector<PrintRow> lines;
  for (const QString& bookmark : marked) {
    payments->SetBookmark(bookmark);
    PrintRow row;
    const Money received = f("实收金额")->AsMoney();
    const QString remark = f("备注")->AsString();
    QString item = f("收费项目")->AsString() + PrePrintedPeriodText(f("收费年月")->AsString());
    if (f("本期表数")->AsFloat() > 0)
      item += u(" (") + f("本期表数")->AsMoney().toString() + u("-") + f("上期表数")->AsMoney().toString() + u(")");
    if (!remark.isEmpty()) item += u("(") + remark + u(")");
    row.insert(u("c0"), Variant(f("房屋代码")->AsString()));
    row.insert(u("c1"), Variant(f("业主名称")->AsString()));
    row.insert(u("c2"), Variant(item));
    row.insert(u("c3"), Variant(AmountText(received)));
    const QMap<int, QString> digits = DigitCells(received, 4, 12);
    for (auto it = digits.begin(); it != digits.end(); ++it) row.insert(cell(it.key()), Variant(it.value()));
    row.insert(u("c13"), Variant(remark));
    lines.push_back(row);
    out.total += received;
  }

  std::vector<PrintRow> totals;
  if (!marked.isEmpty() && out.total > Money()) {
    // The list stands on the last marked payment.
    const QString code = f("房屋代码")->AsString();
    const Money area = HouseAmount(main, "房屋面积", RowEstate(payments), code);
    PrintRow row;
    row.insert(u("c0"), Variant(code));
    row.insert(u("c1"), Variant(code + u(" ") + f("业主名称")->AsString() + u("  面积：") + AmountText(area) +
                                u("平方米")));
    for (int i = 2; i <= 10; ++i) row.insert(cell(i), Variant(QString()));
    // The capital digits fill c2..c10 from the right with "币" in front when there is room; a
    // total with more digits than cells puts the leading digits together in c2.
    const QStringList capitals = MoneyToReceiptCapital(out.total);
    const int n = int(capitals.size());
    if (n <= 9) {
      if (10 - n >= 2) row.insert(cell(10 - n), Variant(u("币")));
      for (int i = 0; i < n; ++i) row.insert(cell(11 - n + i), Variant(capitals[i].left(1)));
    } else {
      const int lead = n - 8;
      QString first;
      for (int i = 0; i < lead; ++i) first += capitals[i].left(1);
      row.insert(cell(2), Variant(first));
      for (int i = lead; i < n; ++i) row.insert(cell(3 + i - lead), Variant(capitals[i].left(1)));
    }
    const QMap<int, QString> digits = DigitCells(out.total, 11, 19);
    for (auto it = digits.begin(); it != digits.end(); ++it) row.insert(cell(it.key()), Variant(it.value()));
    row.insert(u("c20"), Variant(operatorName));
    totals.push_back(row);
  }
  FillPrintTables(local, {{u("表1"), lines}, {u("表2"), totals}});
  out.lines = int(lines.size());
  // The payments stay unprinted unless the form can be shown.
  const QString broken = u("收款收据打印文件被破坏，请与程序员联系！");
  if (report && !LoadTemplate(report, templatePath, QString(), broken)) return out;

  main->BeginWriteTrans();
  try {
    for (const QString& bookmark : marked) {
      payments->SetBookmark(bookmark);
      payments->Edit();
      f("打印")->SetAsBoolean(true);
      payments->Post();
    }
    main->CommitTrans();
  } catch (...) {
    RollBackPrintedFlags(main, payments);
    throw;
  }
  out.filled = true;
  ReopenQuery(biao1, u("select * from 表1 order by xh"));
  ReopenQuery(biao2, u("select * from 表2 order by xh"));
  if (report) {
    if (report->BuildReport()) report->ShowBuiltReport();
    else MessageBox(broken, u("提示"), MsgIcon::Exclamation);
  }
  for (TADOQuery* q : {biao1, biao2})
    if (q) q->Close();
  return out;
}
