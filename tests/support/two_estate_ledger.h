#pragma once

// A generated ledger of two estates that share house codes, building codes and names and item
// names, with different prices, owners and telephone numbers: buildings, houses, charge items,
// bill rows of five months (paid and unpaid, meter readings), one payment row per paid bill row
// and deposit movements. The same seed gives the same ledger. Tests compare what the lists and
// statistics show with queries of their own over it.
#include <QString>
#include <QStringList>
#include <algorithm>
#include <random>
#include <vector>

#include "platform/data/ado.h"
#include "platform/money.h"
#include "platform/variant.h"

struct TwoEstateLedger {
  // The months billed: December 2007 to April 2008.
  static constexpr int kMonths[][2] = {{2007, 12}, {2008, 1}, {2008, 2}, {2008, 3}, {2008, 4}};

  static void Generate(TADOConnection* db, unsigned seed) {
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return int(random() % 100) < percent; };
    // An amount of up to 500 with two decimals, now and then four.
    auto amount = [&] {
      qint64 units = qint64(random() % 50000) * 100 + 100;
      if (chance(15)) units += qint64(random() % 100);
      return Money::fromUnits(units);
    };
    auto text = [](const char* utf8) { return QString::fromUtf8(utf8); };
    db->BeginTrans();
    db->Execute(text("insert into 小区资料 (小区代码, 小区名称) values ('0002', '西区')"));
    db->Execute(text("update 小区资料 set 小区名称='东区' where 小区代码='0001'"));
    struct Estate {
      const char* code;
      const char* name;
      const char* owner;  // owners' family name
    };
    const Estate estates[] = {{"0001", "东区", "张"}, {"0002", "西区", "李"}};
    struct Building {
      const char* estate;
      const char* code;
      const char* name;
    };
    // 01 and 02 in both estates (same codes and names); 11栋 contains 1栋 in its name.
    const Building buildings[] = {{"0001", "01", "1栋"}, {"0001", "02", "2栋"}, {"0001", "03", "11栋"},
                                  {"0002", "01", "1栋"}, {"0002", "02", "2栋"}, {"0002", "04", "3栋"}};
    for (const Building& b : buildings)
      db->Execute(text("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称) values (?, ?, ?, ?)"),
                  {Variant(text(b.estate)), Variant(text(b.estate == QLatin1String("0001") ? "东区" : "西区")),
                   Variant(text(b.code)), Variant(text(b.name))});
    struct Item {
      const char* estate;
      const char* name;
    };
    const Item items[] = {{"0001", "物业费"}, {"0001", "水费"}, {"0001", "电费"}, {"0002", "物业费"},
                          {"0002", "水费"},   {"0002", "电费"}, {"0002", "停车费"}};
    for (const Item& i : items)
      db->Execute(text("insert into 收费项目 (小区代码, 收费名称, 单价, 计算公式, 停止收费) values (?, ?, ?, '单价*数量', '否')"),
                  {Variant(text(i.estate)), Variant(text(i.name)), Variant(amount())});
    const char* units[] = {"甲公司", "乙公司", ""};
    int receipt = 0;
    for (const Building& b : buildings) {
      const Estate& e = QLatin1String(b.estate) == QLatin1String("0001") ? estates[0] : estates[1];
      for (int n = 101; n <= 103; ++n) {
        const QString house = text(b.code) + QLatin1Char('-') + QString::number(n);
        const QString owner = text(e.owner) + house;
        const QString unit = text(units[random() % 3]);
        const QString phone = text(e.code) + house;
        db->Execute(text("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 联系电话, "
                         "银行帐号, 开户银行, 房屋面积, 使用面积, 关联单位, 零头) values (?, ?, ?, ?, '一单元', ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
                    {Variant(text(e.code)), Variant(text(e.name)), Variant(text(b.code)), Variant(text(b.name)),
                     Variant(house), Variant(owner), Variant(phone), Variant(phone + text("-帐")),
                     Variant(text(e.name) + text("银行")), Variant(double(60 + random() % 80) + 0.25),
                     Variant(double(50 + random() % 50)), Variant(unit)});
        for (const Item& i : items) {
          if (QLatin1String(i.estate) != QLatin1String(e.code)) continue;
          const bool metered = QLatin1String(i.name) == QLatin1String("水费") || QLatin1String(i.name) == QLatin1String("电费");
          for (const auto& ym : kMonths) {
            if (!chance(80)) continue;
            const bool paid = chance(55);
            const Money due = amount();
            const QString first = QStringLiteral("%1-%2-01 00:00:00").arg(ym[0]).arg(ym[1], 2, 10, QLatin1Char('0'));
            const QString paidAt = QStringLiteral("%1-%2-%3 10:00:00")
                                       .arg(ym[1] == 12 ? ym[0] + 1 : ym[0])
                                       .arg(ym[1] == 12 ? 1 : ym[1] + 1, 2, 10, QLatin1Char('0'))
                                       .arg(1 + random() % 28, 2, 10, QLatin1Char('0'));
            const double previous = double(random() % 500);
            const double current = metered && chance(80) ? previous + double(random() % 90) : 0.0;
            const QString status = paid ? text(chance(50) ? "现金" : "银行转帐") : text("未缴费");
            const QString voucher = paid ? QStringLiteral("P%1").arg(++receipt) : QString();
            db->Execute(text("insert into 收费明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 关联单位, "
                             "收费名称, 单价, 收费金额, 上月表数, 本月表数, 面积或数量, 开始日期, 结束日期, 年度, 月份, 缴费状态, "
                             "缴费时间, 单据号码) values (?, ?, ?, ?, '一单元', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                        {Variant(text(e.code)), Variant(text(e.name)), Variant(text(b.code)), Variant(text(b.name)),
                         Variant(house), Variant(owner), Variant(unit), Variant(text(i.name)), Variant(Money::fromInt(2)),
                         Variant(due), Variant(previous), Variant(current), Variant(current > 0 ? current - previous : 0.0),
                         Variant(first), Variant(first), Variant(QString::number(ym[0])), Variant(QString::number(ym[1])),
                         Variant(status), paid ? Variant(paidAt) : Variant::null(), Variant(voucher)});
            if (!paid) continue;
            const Money received = chance(20) ? due + Money::fromInt(1) : due;
            db->Execute(text("insert into 收费汇总表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 关联单位, "
                             "收费项目, 收费年月, 收费金额, 实收金额, 现金, 缴费时间, 缴费方式, 缴费人, 收款人, 单据号码, 打印) "
                             "values (?, ?, ?, ?, '一单元', ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '收银员', ?, 0)"),
                        {Variant(text(e.code)), Variant(text(e.name)), Variant(text(b.code)), Variant(text(b.name)),
                         Variant(house), Variant(owner), Variant(unit), Variant(text(i.name)),
                         Variant(QStringLiteral("%1年%2月;").arg(ym[0]).arg(ym[1])), Variant(due), Variant(received),
                         Variant(received), Variant(paidAt), Variant(status), Variant(owner), Variant(voucher)});
          }
        }
        // Deposits: a receipt now and then, and a refund or an offset of part of it.
        if (chance(60)) {
          const Money taken = amount();
          db->Execute(text("insert into 押金明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 日期, 操作类型, 押金类别, 金额) "
                           "values (?, ?, ?, ?, ?, ?, '2008-01-05 09:00:00', '收取', '装修保证金', ?)"),
                      {Variant(text(e.code)), Variant(text(e.name)), Variant(text(b.code)), Variant(text(b.name)),
                       Variant(house), Variant(owner), Variant(taken)});
          if (chance(50))
            db->Execute(text("insert into 押金明细表 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 业主名称, 日期, 操作类型, 押金类别, 金额) "
                             "values (?, ?, ?, ?, ?, ?, '2008-03-05 09:00:00', ?, '装修保证金', ?)"),
                        {Variant(text(e.code)), Variant(text(e.name)), Variant(text(b.code)), Variant(text(b.name)),
                         Variant(house), Variant(owner), Variant(text(chance(50) ? "退还" : "冲抵费用")),
                         Variant(Money::fromUnits(taken.units() / 2))});
        }
      }
    }
    db->CommitTrans();
  }
};

// The rows of a query as texts "a|b|…", sorted: money columns (named money…) as exact
// decimals, an empty amount as 0; other columns as their text.
inline QStringList rowsOf(TADOConnection* db, const QString& sql) {
  TADOQuery q;
  q.SetConnection(db);
  q.SQL.Add(sql);
  q.Open();
  QStringList rows;
  for (q.First(); !q.Eof(); q.Next()) {
    QStringList cells;
    for (int i = 0; i < q.Fields().size(); ++i) {
      TField* f = q.Fields()[i];
      if (f->FieldName().startsWith(QLatin1String("money"))) cells << (f->IsNull() ? Money() : f->AsMoney()).toString();
      else cells << f->AsString();
    }
    rows << cells.join(QLatin1Char('|'));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}
