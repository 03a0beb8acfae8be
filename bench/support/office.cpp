#include "bench/support/office.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QVector>
#include <cstdio>

#include "billing/estatescope.h"
#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "billing/meter.h"
#include "billing/shoukuan.h"
#include "billing/yajin.h"
#include "platform/data/ado.h"
#include "platform/datafolder.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "services/tousuinfo.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

const char* const kOperator = "系统管理员";
const char* const kUnpaid = "未缴费";

struct Estate {
  QString code, name;
};

struct Item {
  const char* name;
  const QString& formula;
  const char* area;  // 收费面积
  int64_t priceUnits;
  const char* kind;     // 收费类别
  int64_t fixedUnits;   // 金额 of "业主收费金额相同"
};

// The ten items of each estate: all five formulas; names are the same in both estates.
const Item kItems[] = {
    {"物业管理费", ChargeFormula::Area, "房屋面积", 18000, "业主收费金额不同", 0},
    {"电梯费", ChargeFormula::Area, "使用面积", 3500, "业主收费金额不同", 0},
    {"绿化费", ChargeFormula::Area, "其它面积一", 2000, "业主收费金额不同", 0},
    {"水费", ChargeFormula::Meter, "", 32000, "业主收费金额不同", 0},
    {"电费", ChargeFormula::Meter, "", 6200, "业主收费金额不同", 0},
    {"公摊电费", ChargeFormula::Quantity, "", 6200, "业主收费金额不同", 0},
    {"公摊水费", ChargeFormula::Quantity, "", 32000, "业主收费金额不同", 0},
    {"车位费", ChargeFormula::Direct, "", 1500000, "业主收费金额相同", 1500000},
    {"垃圾清运费", ChargeFormula::Direct, "", 100000, "业主收费金额相同", 100000},
    {"保安费", ChargeFormula::Ratio, "", 1000, "业主收费金额不同", 0},
};
constexpr int kItemCount = int(sizeof(kItems) / sizeof(kItems[0]));

struct House {
  int estate = 0;  // index into the estates
  int index = 0;   // within the estate
  QString code, buildingCode, buildingName, unit, owner, phone;
  double area = 0, usable = 0, other = 0;
};

// How a house pays: the paths an office's cashiers take.
enum class Path { Dialog, Transfer, Quick, Deposit, Cheque };
Path PathOf(const House& h) { return Path(h.index % 5); }

TDateTime At(int y, int m, int d, int hour, int minute) { return EncodeDateTime(y, m, d, hour, minute, 0); }

// A bill row as the payments need it.
struct Bill {
  int64_t rowid;
  int item;
  int year, month;
  Money amount;
  double basis, previous, current, price;
};

struct Writer {
  TADOConnection* db;
  QVector<Estate> estates;
  QVector<House> houses;
  OfficeShape shape;
  OfficeFigures figures;

  void exec(const QString& sql, const std::vector<Variant>& params = {}) { db->Execute(sql, params); }

  void writeEstatesAndHouses() {
    estates = {{u("0001"), u("默认小区")}, {u("0002"), u("东湖花园")}};
    exec(u("update 小区资料 set 小区地址='滨江路1号', 操作人员=?, 操作日期=? where 小区代码='0001'"),
         {Variant(u(kOperator)), Variant::dateTime(Now())});
    exec(u("insert into 小区资料 (小区代码, 小区名称, 小区地址, 操作人员, 操作日期) values (?,?,?,?,?)"),
         {Variant(estates[1].code), Variant(estates[1].name), Variant(u("东湖路8号")), Variant(u(kOperator)),
          Variant::dateTime(Now())});
    for (const char* category : {"01\t装修押金", "02\t水电押金"}) {
      const QStringList parts = u(category).split(QLatin1Char('\t'));
      exec(u("insert into 押金类别 (代码, 名称) values (?, ?)"), {Variant(parts[0]), Variant(parts[1])});
    }
    const int perBuilding = shape.housesPerEstate / shape.buildingsPerEstate;
    for (int e = 0; e < estates.size(); ++e) {
      for (int b = 0; b < shape.buildingsPerEstate; ++b)
        exec(u("insert into 楼宇资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇层数, 单元数, 房屋数量, 操作人员, "
               "操作日期) values (?,?,?,?,?,?,?,?,?)"),
             {Variant(estates[e].code), Variant(estates[e].name), Variant(QStringLiteral("%1").arg(b + 1, 2, 10, QLatin1Char('0'))),
              Variant(u("%1栋").arg(b + 1)), Variant(perBuilding / 4), Variant(2), Variant(perBuilding),
              Variant(u(kOperator)), Variant::dateTime(Now())});
      for (int i = 0; i < shape.housesPerEstate; ++i) {
        House h;
        h.estate = e;
        h.index = i;
        const int b = i / perBuilding, n = i % perBuilding;
        h.buildingCode = QStringLiteral("%1").arg(b + 1, 2, 10, QLatin1Char('0'));
        h.buildingName = u("%1栋").arg(b + 1);
        h.unit = u("%1单元").arg(n % 2 + 1);
        // "03-1202": building, floor and door; the same codes in both estates.
        h.code = QStringLiteral("%1-%2%3").arg(h.buildingCode).arg(n / 4 + 1).arg(n % 4 + 1, 2, 10, QLatin1Char('0'));
        h.owner = (e == 0 ? u("业主") : u("住户")) + QString::number(i + 1);
        h.phone = QStringLiteral("139%1").arg(e * 10000000 + i * 37 + 1000000, 8, 10, QLatin1Char('0'));
        h.area = 60 + (i * 7) % 90 + 0.25;
        h.usable = h.area * 0.8;
        h.other = 5 + i % 20;
        exec(u("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 房屋代码, 楼宇单元, 房号, 楼层, 房屋面积, "
               "使用面积, 其它面积一, 业主名称, 联系电话, 入伙日期, 零头, 押金, 使用状况, 操作人员, 操作日期) "
               "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
             {Variant(estates[e].code), Variant(estates[e].name), Variant(h.buildingCode), Variant(h.buildingName),
              Variant(h.code), Variant(h.unit), Variant(QStringLiteral("%1").arg(n % 4 + 1, 2, 10, QLatin1Char('0'))),
              Variant(u("%1层").arg(n / 4 + 1)), Variant(h.area), Variant(h.usable), Variant(h.other), Variant(h.owner),
              Variant(h.phone), Variant::dateTime(At(shape.firstYear, 1, 1, 0, 0)), Variant(Money()), Variant(Money()),
              Variant(u("入住")), Variant(u(kOperator)), Variant::dateTime(Now())});
        houses.append(h);
      }
    }
    figures.houses = houses.size();
  }

  void writeItems() {
    for (const Estate& e : estates)
      for (const Item& it : kItems)
        exec(u("insert into 收费项目 (小区代码, 小区名称, 收费名称, 单价, 计算公式, 收费面积, 停止收费, 收费周期, 收费类别, "
               "金额, 操作人员, 操作日期) values (?,?,?,?,?,?,?,?,?,?,?,?)"),
             {Variant(e.code), Variant(e.name), Variant(u(it.name)), Variant(Money::fromUnits(it.priceUnits)),
              Variant(it.formula), Variant(u(it.area)), Variant(u("否")), Variant(u("每月")), Variant(u(it.kind)),
              Variant(Money::fromUnits(it.fixedUnits)), Variant(u(kOperator)), Variant::dateTime(Now())});
    figures.items = kItemCount * estates.size();
  }

  // The standards through the house charge standards window's routine, one estate at a time (as
  // an estate's operator assigns them); then the bases the operator types: the number of units
  // for the quantity items, the property fee for the ratio item; 金额 = 单价 × 预付金额.
  void writeStandards() {
    const bool scoped = GardenScoped;
    for (int e = 0; e < estates.size(); ++e) {
      QList<EstateHouseKey> keys;
      for (const House& h : houses)
        if (h.estate == e) keys.append({estates[e].code, h.code});
      GardenScoped = true;
      CurrentGardenCode = estates[e].code;
      AssignChargeItems(db, keys, kAllChargeItems, u(kOperator));
    }
    GardenScoped = scoped;
    CurrentGardenCode.clear();
    db->BeginWriteTrans();
    for (const House& h : houses) {
      const QString estate = estates[h.estate].code;
      const Money fee = Money::fromUnits(kItems[0].priceUnits) * Money::fromDouble(h.area);
      for (const Item& it : kItems) {
        Money basis;
        if (&it.formula == &ChargeFormula::Quantity) basis = Money::fromInt(1);
        else if (&it.formula == &ChargeFormula::Ratio) basis = fee;
        else continue;
        const Money price = Money::fromUnits(it.priceUnits);
        exec(u("update 房屋收费项目 set 预付金额=?, 金额=? where 小区代码=? and 房屋代码=? and 收费名称=?"),
             {Variant(basis), Variant(price * basis), Variant(estate), Variant(h.code), Variant(u(it.name))});
      }
    }
    db->CommitTrans();
  }

  // The bills through the bill window's generation, one estate at a time.
  void writeBills() {
    const QVector<BillMonth> months = BillMonthsBetween(shape.firstYear, 1, shape.firstYear + shape.years - 1, 12);
    const bool scoped = GardenScoped;
    for (int e = 0; e < estates.size(); ++e) {
      QVector<BillHouse> list;
      for (const House& h : houses)
        if (h.estate == e)
          list.append({h.code, estates[e].code, estates[e].name, h.buildingCode, h.buildingName, h.unit, h.owner, QString()});
      GardenScoped = true;
      CurrentGardenCode = estates[e].code;
      figures.bills += GenerateBills(db, list, QString(), months, u(kOperator), At(shape.firstYear, 1, 1, 9, 0)).appended;
    }
    GardenScoped = scoped;
    CurrentGardenCode.clear();
  }

  // The owners' meter readings as the bill-row editor writes them: this and last month's
  // readings, the consumption as 面积或数量 and 收费金额 = 单价 × consumption. Then the
  // building meters: the month's reading row with the common consumption, apportioned
  // over the building's houses by the meter window's routine.
  void writeMeters() {
    db->BeginWriteTrans();
    for (const House& h : houses) {
      for (int k : {3, 4}) {
        const Item& it = kItems[k];
        double reading = 1000 + h.index * 3;
        for (int y = shape.firstYear; y < shape.firstYear + shape.years; ++y)
          for (int m = 1; m <= 12; ++m) {
            const double use = (k == 3 ? 8 : 120) + (h.index * 7 + m * 13 + y) % (k == 3 ? 12 : 90);
            const Money amount = Money::fromUnits(it.priceUnits) * Money::fromDouble(use);
            exec(u("update 收费明细表 set 上月表数=?, 本月表数=?, 面积或数量=?, 收费金额=? where 小区代码=? and "
                   "房屋代码=? and 年度=? and 月份=? and 收费名称=?"),
                 {Variant(reading), Variant(reading + use), Variant(use), Variant(amount), Variant(estates[h.estate].code),
                  Variant(h.code), Variant(QString::number(y)), Variant(QString::number(m)), Variant(u(it.name))});
            reading += use;
          }
      }
    }
    db->CommitTrans();
    for (int e = 0; e < estates.size(); ++e)
      for (int b = 0; b < shape.buildingsPerEstate; ++b)
        for (const MeterKind* kind : {&ElectricityMeter(), &WaterMeter()}) {
          const QString building = QStringLiteral("%1").arg(b + 1, 2, 10, QLatin1Char('0'));
          int closing = 50000 + b * 1000;
          for (int y = shape.firstYear; y < shape.firstYear + shape.years; ++y)
            for (int m = 1; m <= 12; ++m) {
              const OwnersMetered owners = OwnersMeteredUse(db, *kind, estates[e].code, building, y, m);
              const int common = (kind->water ? 40 : 600) + (b * 11 + m * 7) % 50;
              const int previous = closing;
              closing += owners.consumption + common;
              const MeterFigures f = ComputeMeterFigures(
                  {previous, closing, closing - previous, 0, common, 0, 0}, owners, previous);
              const QString item = kind->water ? u("公摊水费") : u("公摊电费");
              exec(u("insert into ") + kind->table +
                       u(" (小区代码, 小区名称, 楼宇代码, 楼宇名称, 收费日期, 上月止码, 本月止码, 本月表数, 业主本月表数, "
                         "分摊数量, 楼宇业主数, 业主分摊数量, 收费名称, 是否分摊, 操作人员, 操作日期) "
                         "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                   {Variant(estates[e].code), Variant(estates[e].name), Variant(building), Variant(u("%1栋").arg(b + 1)),
                    Variant::dateTime(At(y, m, 25, 0, 0)), Variant(f.previousReading), Variant(f.currentReading),
                    Variant(f.buildingUse), Variant(f.ownersUse), Variant(f.common), Variant(f.owners), Variant(f.share),
                    Variant(item), Variant(true), Variant(u(kOperator)), Variant::dateTime(At(y, m, 25, 16, 0))});
              ++figures.meterRows;
              MeterApportionment a{estates[e].code, building, item, y, m, f.common};
              ApportionBuildingMeter(db, *kind, a);
            }
        }
  }

  // Deposits: every house paying from its deposit left one when it moved in; one house in four
  // left a decoration deposit, given back half a year later.
  void writeDeposits() {
    db->BeginWriteTrans();
    auto row = [&](const House& h, TDateTime at, const char* type, Money amount, const char* code, const char* category,
                   const char* remark) {
      const Estate& e = estates[h.estate];
      exec(u("insert into 押金明细表 (日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 操作类型, 金额, "
             "缴费方式, 单据号码, 押金类别代码, 押金类别, 备注, 操作人员, 操作日期) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
           {Variant::dateTime(at), Variant(e.code), Variant(e.name), Variant(h.buildingCode), Variant(h.buildingName),
            Variant(h.unit), Variant(h.code), Variant(h.owner), Variant(u(type)), Variant(amount), Variant(u("现金")),
            Variant(QString()), Variant(u(code)), Variant(u(category)), Variant(u(remark)), Variant(u(kOperator)),
            Variant::dateTime(at)});
      ChangeHouseDeposit(db, e.code, h.code, u(type) == u("收取") ? amount : -amount);
      ++figures.depositRows;
    };
    for (const House& h : houses) {
      if (PathOf(h) == Path::Deposit)
        row(h, At(shape.firstYear, 1, 2, 9, 30), "收取", Money::fromInt(60000), "02", "水电押金", "预存费用");
      if (h.index % 4 == 1) {
        row(h, At(shape.firstYear, 3, 5, 10, 0), "收取", Money::fromInt(2000), "01", "装修押金", "装修");
        row(h, At(shape.firstYear, 9, 5, 10, 0), "退还", Money::fromInt(2000), "01", "装修押金", "装修完毕");
      }
    }
    db->CommitTrans();
  }

  // The bill rows of one house, by item and month.
  QVector<Bill> billsOf(const House& h) {
    TADOQuery q;
    q.SetConnection(db);
    q.SQL.Add(u("select rowid, 收费名称, 年度, 月份, 收费金额, 面积或数量, 上月表数, 本月表数, 单价 from 收费明细表 where ") +
              EstateHouse(estates[h.estate].code, h.code) + u(" order by 收费名称, cast(年度 as integer), cast(月份 as integer)"));
    q.Open();
    QHash<QString, int> itemIndex;
    for (int k = 0; k < kItemCount; ++k) itemIndex.insert(u(kItems[k].name), k);
    QVector<Bill> bills;
    for (q.First(); !q.Eof(); q.Next()) {
      auto f = [&q](int i) { return q.Fields()[size_t(i)]; };
      bills.append({f(0)->AsLargeInt(), itemIndex.value(f(1)->AsString()), f(2)->AsString().toInt(), f(3)->AsString().toInt(),
                    f(4)->IsNull() ? Money() : f(4)->AsMoney(), f(5)->AsFloat(), f(6)->AsFloat(), f(7)->AsFloat(),
                    f(8)->AsFloat()});
    }
    return bills;
  }

  // One payment: its journal row, the bill rows it pays, the deposit offset when paid from the
  // deposit. Returns the journal row's rowid.
  int64_t pay(const House& h, Path path, int item, const QVector<const Bill*>& rows, TDateTime at) {
    const Estate& e = estates[h.estate];
    Money due;
    QString months;
    for (const Bill* b : rows) {
      due += b->amount;
      months += u("%1年%2月;").arg(b->year).arg(b->month);
    }
    const Bill& last = *rows.back();
    const QString operatorName = u(kOperator);
    QString method, voucher;
    Money cash, cheque, other;
    switch (path) {
      case Path::Dialog: method = u("现金"); cash = due; break;
      case Path::Transfer: method = u("银行转帐"); other = due; voucher = u("ZZ%1").arg(figures.payments + 1, 8, 10, QLatin1Char('0')); break;
      case Path::Quick: method = u("现金"); cash = due; voucher = method; break;
      case Path::Deposit: method = u("冲抵押金"); cash = due; voucher = method; break;
      case Path::Cheque: method = u("其它"); cheque = due; voucher = u("ZP%1").arg(figures.payments + 1, 8, 10, QLatin1Char('0')); break;
    }
    const bool dialog = path == Path::Dialog || path == Path::Transfer || path == Path::Cheque;
    // The payment dialog copies the bill row's price and readings and carries the balance;
    // quick payment writes the columns its window fills.
    std::vector<Variant> v{Variant(due), Variant(months), Variant(u(kItems[item].name)), Variant(e.name), Variant(e.code),
                           Variant(h.buildingCode), Variant(h.buildingName), Variant(h.unit), Variant(h.code),
                           Variant(QString()), Variant(h.owner), Variant::dateTime(at), Variant(method), Variant(cash),
                           Variant(cheque), Variant(other), Variant(due), Variant(h.owner), Variant(operatorName),
                           Variant(Money()), Variant(voucher), Variant(operatorName), Variant::dateTime(at)};
    QString columns = u("收费金额, 收费年月, 收费项目, 小区名称, 小区代码, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 关联单位, "
                        "业主名称, 缴费时间, 缴费方式, 现金, 支票, 其它金额, 实收金额, 缴费人, 收款人, 零头, 单据号码, "
                        "操作人员, 操作日期");
    if (dialog) {
      columns += u(", 上次零头, 单价");
      v.push_back(Variant(Money()));
      v.push_back(Variant(last.price));
    }
    if (last.current > 0) {
      columns += u(", 上期表数, 本期表数");
      v.push_back(Variant(rows.front()->previous));
      v.push_back(Variant(last.current));
    }
    columns += u(", 行度面积");
    v.push_back(Variant(last.basis));
    QString marks = QStringLiteral("?,").repeated(int(v.size()) - 1) + QStringLiteral("?");
    exec(u("insert into 收费汇总表 (") + columns + u(") values (") + marks + u(")"), v);
    const int64_t payment = sqlite3LastRowid();
    ++figures.payments;
    // The bill rows the payment took (`payment` is the journal row that took them).
    QStringList ids;
    for (const Bill* b : rows) ids << QString::number(b->rowid);
    exec(u("update 收费明细表 set 缴费状态=?, 缴费时间=?, 缴费人=?, 收款人=?, 单据号码=?, 缴费编号=? where rowid in (") +
             ids.join(QLatin1Char(',')) + u(")"),
         {Variant(method), Variant::dateTime(at), Variant(h.owner), Variant(operatorName), Variant(voucher),
          Variant(payment)});
    figures.paidBills += rows.size();
    if (path == Path::Deposit) {
      exec(u("insert into 押金明细表 (日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 业主名称, 房屋代码, 操作类型, 押金类别, "
             "金额, 缴费方式, 单据号码, 备注, 操作人员, 操作日期) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
           {Variant::dateTime(at), Variant(e.code), Variant(e.name), Variant(h.buildingCode), Variant(h.buildingName),
            Variant(h.unit), Variant(h.owner), Variant(h.code), Variant(u("冲抵费用")), Variant(u("冲抵费用")), Variant(due),
            Variant(u("现金")), Variant(voucher), Variant(u(kItems[item].name) + months), Variant(operatorName),
            Variant::dateTime(at)});
      ChangeHouseDeposit(db, e.code, h.code, -due);
      ++figures.depositRows;
    }
    return payment;
  }

  int64_t sqlite3LastRowid() {
    TADOQuery q;
    q.SetConnection(db);
    q.SQL.Add(u("select last_insert_rowid()"));
    q.Open();
    return q.Fields()[0]->AsLargeInt();
  }

  // Payments: the dialog paths pay a quarter at a visit, quick payment and the deposit a month
  // at a visit; the last month is still open everywhere and one house in ten owes the last half
  // year. The cashier prints a receipt for each visit but those paid from the deposit.
  void writePayments() {
    const int lastYear = shape.firstYear + shape.years - 1;
    db->BeginWriteTrans();
    for (const House& h : houses) {
      const Path path = PathOf(h);
      const int openMonths = h.index % 10 == 7 ? 6 : 1;
      const int perVisit = path == Path::Quick || path == Path::Deposit ? 1 : 3;
      const QVector<Bill> bills = billsOf(h);
      // bills by item, in month order
      QVector<QVector<const Bill*>> byItem(kItemCount);
      for (const Bill& b : bills) {
        const int age = (lastYear - b.year) * 12 + (12 - b.month);
        if (age < openMonths || b.amount <= Money()) continue;
        byItem[b.item].append(&b);
      }
      // visits: the paid time of a group of months; every item of the visit gets its own payment
      QMap<TDateTime, QVector<int64_t>> visits;
      for (int k = 0; k < kItemCount; ++k) {
        const QVector<const Bill*>& rows = byItem[k];
        for (int i = 0; i < rows.size(); i += perVisit) {
          const QVector<const Bill*> group = rows.mid(i, perVisit);
          const Bill& last = *group.back();
          const TDateTime at = At(last.year, last.month, 10 + h.index % 15, 9 + h.index % 8, (h.index * 7) % 60);
          visits[at].append(pay(h, path, k, group, at));
        }
      }
      if (path == Path::Deposit) continue;
      for (auto it = visits.cbegin(); it != visits.cend(); ++it) {
        const QString number = DrawReceiptNumber(db, QString::number(YearOf(it.key())));
        QStringList ids;
        for (int64_t id : it.value()) ids << QString::number(id);
        exec(u("update 收费汇总表 set 打印=1, 收据号码=? where rowid in (") + ids.join(QLatin1Char(',')) + u(")"),
             {Variant(number)});
        ++figures.receipts;
      }
    }
    db->CommitTrans();
  }

  // Complaints: two a house a year, numbered as the complaint window numbers them; the older
  // ones handled.
  void writeComplaints() {
    db->BeginWriteTrans();
    QHash<QString, int> serials;  // month prefix -> last serial
    const char* contents[] = {"楼上漏水", "电梯故障", "噪音扰民", "绿化损坏", "停车位被占"};
    const int total = houses.size() * 2 * shape.years;
    for (int n = 0; n < total; ++n) {
      const House& h = houses[(n * 7919) % houses.size()];
      const int y = shape.firstYear + n % shape.years, m = n / houses.size() % 12 + 1, d = n % 28 + 1;
      const TDateTime at = At(y, m, d, 9, 30);
      const QString prefix = ComplaintMonthPrefix(at);
      const int serial = ++serials[prefix];
      const QString number = ComplaintNumberFor(at, QString::number(serial - 1));
      const bool handled = y < shape.firstYear + shape.years - 1 || n % 3 != 0;
      const Estate& e = estates[h.estate];
      exec(u("insert into 业主投诉表 (投诉单号, 投诉日期, 小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, "
             "联系电话, 投诉形式, 投诉内容, 记录人, 处理形式, 处理结果, 处理日期, 处理人, 操作人员, 操作日期) "
             "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
           {Variant(number), Variant::dateTime(at), Variant(e.code), Variant(e.name), Variant(h.buildingCode),
            Variant(h.buildingName), Variant(h.unit), Variant(h.code), Variant(h.owner), Variant(h.phone),
            Variant(u("电话")), Variant(u(contents[n % 5])), Variant(u(kOperator)),
            handled ? Variant(u("上门维修")) : Variant::null(), Variant(handled ? u("完成") : u("未完成")),
            handled ? Variant::dateTime(IncDay(at, 2)) : Variant::null(), handled ? Variant(u("维修组")) : Variant::null(),
            Variant(u(kOperator)), Variant::dateTime(at)});
      ++figures.complaints;
    }
    db->CommitTrans();
  }
};

void step(const char* what, QElapsedTimer& t) {
  std::printf("  %-28s %6.1f s\n", what, t.elapsed() / 1000.0);
  std::fflush(stdout);
  t.restart();
}

}  // namespace

OfficeFigures WriteOffice(const QString& folder, const OfficeShape& shape) {
  QElapsedTimer all, t;
  all.start();
  t.start();
  QDir().mkpath(folder);
  if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("kelo.db"))))
    throw Exception(u("数据文件夹已有数据库: ") + folder);
  SetDataFolder(folder);
  const TDm1::StartCheck check = TDm1::PrepareDatabases();
  if (!check.problem.isEmpty()) throw Exception(check.problem);
  const bool ownDm = Dm1 == nullptr;
  if (ownDm) Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  const QString operatorBefore = CurrentOperatorName;
  CurrentOperatorName = u(kOperator);
  Writer w{Dm1->ADO_system, {}, {}, shape, {}};
  w.db->BeginWriteTrans();
  w.writeEstatesAndHouses();
  w.writeItems();
  w.db->CommitTrans();
  step("estates, houses, items", t);
  w.writeStandards();
  step("charge standards", t);
  w.writeBills();
  step("bills", t);
  w.writeMeters();
  step("meters", t);
  w.writeDeposits();
  step("deposits", t);
  w.writePayments();
  step("payments and receipts", t);
  w.writeComplaints();
  step("complaints", t);
  w.figures.seconds = all.elapsed() / 1000.0;
  CurrentOperatorName = operatorBefore;
  if (ownDm) {
    delete Dm1;
    Dm1 = nullptr;
  }
  return w.figures;
}

QString BenchOfficeFolder(const OfficeShape& shape) {
  QString folder = qEnvironmentVariable("BENCH_OFFICE");
  if (folder.isEmpty()) folder = QDir::current().filePath(QStringLiteral("bench-office"));
  const OfficeShape usual;
  const QString shapeText = QStringLiteral("%1-%2-%3-%4")
                                .arg(shape.firstYear)
                                .arg(shape.housesPerEstate)
                                .arg(shape.years)
                                .arg(shape.buildingsPerEstate);
  if (shape.firstYear != usual.firstYear || shape.housesPerEstate != usual.housesPerEstate ||
      shape.years != usual.years || shape.buildingsPerEstate != usual.buildingsPerEstate)
    folder += QLatin1Char('-') + shapeText;
  folder = QFileInfo(folder).absoluteFilePath();
  // A finished office leaves this file naming its shape; a half-written one is written again.
  QFile done(QDir(folder).filePath(QStringLiteral("office.done")));
  bool whole = false;
  if (done.open(QIODevice::ReadOnly)) {
    const QByteArray written = done.readAll().trimmed();
    whole = written.isEmpty() || written == shapeText.toLatin1();
    done.close();
  }
  if (!whole) {
    QDir(folder).removeRecursively();
    std::printf("writing the office into %s\n", qPrintable(folder));
    std::fflush(stdout);
    WriteOffice(folder, shape);
    done.open(QIODevice::WriteOnly);
    done.write(shapeText.toLatin1());
  }
  return folder;
}
