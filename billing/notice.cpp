#include "billing/notice.h"

#include "billing/estatescope.h"
#include "billing/printtables.h"
#include "billing/shoukuan.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "report/FR_Class.h"

namespace {

Money moneyOf(TDataSet* ds, const char* name) { return ds->FieldByName(u(name))->AsMoney(); }

void closeQueries(const ReceiptQueries& queries) {
  for (TADOQuery* q : {queries.biao1, queries.biao2, queries.shoujuhao})
    if (q) q->Close();
}

// Builds the loaded template and shows it; a failed build says `broken`.
void showLoaded(TfrReport* report, const QString& broken) {
  if (report->BuildReport()) report->ShowBuiltReport();
  else MessageBox(broken, u("提示"), MsgIcon::Exclamation);
}

}  // namespace

NoticeOutcome PrintPaymentNotice(TDataSet* bills, const QStringList& marked, TADOConnection* main,
                                 TADOConnection* local, TfrReport* report, const QString& templatePath,
                                 const QString& year, const QString& operatorName, const ReceiptQueries& queries) {
  NoticeOutcome out;
  if (!bills->Active() || bills->IsEmpty()) return out;
  const Money balance = HouseAmount(main, "零头", RowEstate(bills), bills->FieldByName(u("房屋代码"))->AsString());

  std::vector<PrintRow> rows;
  auto copyCurrent = [&](bool withBalance) {
    PrintRow row;
    for (const char* name : {"房屋代码", "业主名称", "收费名称", "单价", "上月表数", "本月表数", "面积或数量",
                             "开始日期", "结束日期", "收费金额", "备注"})
      row.insert(u(name), bills->FieldByName(u(name))->Value());
    if (withBalance) row.insert(u("余额"), Variant(balance));
    rows.push_back(row);
    out.total += moneyOf(bills, "收费金额");
  };
  const QByteArray position = bills->GetBookmark();
  if (marked.isEmpty()) {
    for (bills->First(); !bills->Eof(); bills->Next()) copyCurrent(false);
    bills->GotoBookmark(position);
  } else {
    for (const QString& bookmark : marked) {
      bills->GotoBookmark(bookmark.toLatin1());
      copyCurrent(true);
    }
  }
  std::vector<PrintRow> totals;
  if (out.total > Money()) {
    PrintRow row;
    row.insert(u("c1"), Variant(operatorName));
    row.insert(u("大写金额"), Variant(MoneyToChineseCapital(out.total)));
    row.insert(u("小写金额"), Variant(out.total));
    totals.push_back(row);
  }
  closeQueries(queries);
  FillPrintTables(local, {{u("收费明细表"), rows}, {u("表2"), totals}});
  out.rows = int(rows.size());
  // No number is drawn for a notice that cannot be shown.
  const QString broken = u("打印文件被破坏，请与程序员联系！");
  if (report && !LoadTemplate(report, templatePath, QString(), broken)) return out;
  out.number = DrawReceiptNumber(main, year);
  out.printed = true;
  ReopenQuery(queries.biao1, u("select * from 收费明细表"));
  ReopenQuery(queries.biao2, u("select * from 表2 order by xh"));
  ReopenQuery(queries.shoujuhao,
         u("select ") + SqlQuote::Text(year) + u(" as 年度, ") + SqlQuote::Text(out.number) + u(" as 收据号码"));
  if (report) showLoaded(report, broken);
  closeQueries(queries);
  return out;
}

NoticeOutcome PrintCustomerNotice(TDataSet* bills, const QStringList& marked, TADOConnection* main,
                                  TADOConnection* local, TfrReport* report, const QString& templatePath,
                                  const QString& year, const QString& today, const ReceiptQueries& queries) {
  NoticeOutcome out;
  closeQueries(queries);
  FillPrintTables(local, {{u("澄川交费通知单"), {}}});
  if (!bills->Active() || bills->IsEmpty()) return out;
  auto text = [bills](const char* name) { return bills->FieldByName(u(name))->AsString(); };

  QString noticeYear, noticeMonth;
  if (marked.isEmpty()) {
    noticeYear = text("年度");
    noticeMonth = text("月份");
  } else {
    for (int i = 0; i < marked.size(); ++i) {
      bills->GotoBookmark(marked[i].toLatin1());
      if (i == 0) {
        noticeYear = text("年度");
        noticeMonth = text("月份");
      } else if (text("年度") != noticeYear || text("月份") != noticeMonth) {
        out.refusal = u("一次只能打印同一个月份的收据，请重新选择！");
        MessageBox(out.refusal, u("提示"), MsgIcon::Exclamation);
        return out;
      }
    }
  }
  // The current row is the last marked one (or the current one when nothing is marked).
  PrintRow row;
  row.insert(u("房屋代码"), Variant(text("房屋代码")));
  row.insert(u("业主姓名"), Variant(text("业主名称")));
  row.insert(u("年"), Variant(noticeYear));
  row.insert(u("月"), Variant(noticeMonth));
  row.insert(u("计费日"), Variant(today));

  struct Column { const char* item; const char* fee; const char* meter; };
  const Column columns[] = {{"房费", "房费", nullptr},     {"卫生费", "卫生费", nullptr}, {"保安费", "保安费", nullptr},
                            {"其他费", "其它费", nullptr}, {"水费", nullptr, "水表"},     {"电费", nullptr, "电表"}};
  for (const QString& bookmark : marked) {
    bills->GotoBookmark(bookmark.toLatin1());
    const QString item = text("收费名称");
    for (const Column& c : columns) {
      if (item != u(c.item)) continue;
      const Money amount = moneyOf(bills, "收费金额");
      out.total += amount;
      if (c.fee) {
        row.insert(u(c.fee), Variant(amount));
      } else {
        const QString m = u(c.meter);
        row.insert(m + u("上期数"), Variant(moneyOf(bills, "上月表数")));
        row.insert(m + u("本期数"), Variant(moneyOf(bills, "本月表数")));
        row.insert(m + u("度数"), Variant(moneyOf(bills, "面积或数量")));
        row.insert(m + u("单价"), Variant(moneyOf(bills, "单价")));
        row.insert(m + u("金额"), Variant(amount));
      }
    }
  }
  row.insert(u("合计金额"), Variant(out.total));
  // The template is loaded before the number is drawn: no number is burnt for a notice that
  // cannot be shown. The number goes into the row, which is written right after.
  const QString broken = u("收款收据打印文件被破坏，请与程序员联系！");
  if (report && !LoadTemplate(report, templatePath, QString(), broken)) return out;
  out.number = DrawReceiptNumber(main, year);
  row.insert(u("编号"), Variant(out.number));
  FillPrintTables(local, {{u("澄川交费通知单"), {row}}});
  out.rows = 1;
  out.printed = true;
  ReopenQuery(queries.biao2, u("select * from 澄川交费通知单"));
  if (report) showLoaded(report, broken);
  closeQueries(queries);
  return out;
}
