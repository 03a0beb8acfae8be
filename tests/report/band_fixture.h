#pragma once
// A bill table in SQLite behind a query, a record source "frDBDataSet1" on it owned by a
// form-like object, and a report on that owner; helpers that lay out templates in code.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/data/ado.h"
#include "report/FR_Band.h"
#include "report/FR_Built.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Prntr.h"

namespace bandtest {

struct Row {
  int no;
  QString building;
  QString item;
  QString amount;   // SQL literal
};

class BillFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ReportVariables().RemoveAll();
    ReportPrinter().SelectPrinter(ReportPrinter().VirtualPrinterIndex);
    ReportPrinter().OutputFileName.clear();
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/bills.mdb").arg(dir.path());
    conn.Open();
    conn.Execute(QString::fromUtf8(
        "create table 表1 (号 integer, 楼号 text collate nocase, 名称 text collate nocase, 金额 money)"));
    query.SetConnection(&conn);
    query.SQL.Add(QString::fromUtf8("select * from 表1 order by 号"));
    owner.setObjectName(QStringLiteral("Form_print"));
    source = new TfrDBDataSet(&owner);
    source->setObjectName(QStringLiteral("frDBDataSet1"));
    source->SetDataSet(&query);
    report = new TfrReport(&owner);
    report->setObjectName(QStringLiteral("frReport1"));
    report->ShowProgress = false;
  }
  void TearDown() override {
    delete report;
    report = nullptr;
    ReportVariables().RemoveAll();
    ReportPrinter().OutputFileName.clear();
  }

  void insert(const QList<Row>& rows) {
    for (const Row& r : rows)
      conn.Execute(QString::fromUtf8("insert into 表1 values (%1, '%2', '%3', %4)")
                       .arg(r.no)
                       .arg(r.building, r.item, r.amount));
  }
  void insertNumbered(int count) {
    // One statement: rows 1 to count with item "项" + number and the number as amount.
    conn.Execute(QString::fromUtf8("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                                   "insert into 表1 select i, 'A', '项' || i, i from n")
                     .arg(count));
  }

  TfrPage* newPage(int heightTenths = 2970) {
    TfrPage* p = report->AppendPage();
    p->Name = QStringLiteral("Page%1").arg(report->Pages.size());
    p->pgSize = heightTenths == 2970 ? 9 : 256;
    p->pgWidth = 2100;
    p->pgHeight = heightTenths;
    p->LeftMargin = p->TopMargin = p->RightMargin = p->BottomMargin = 36;
    return p;
  }
  TfrBandView* band(TfrPage* p, int kind, const QString& name, int top, int height,
                    const QString& source = QString()) {
    auto* b = static_cast<TfrBandView*>(p->Add(CreateViewByType(gtBand)));
    b->Name = name;
    b->SetBandKind(kind);
    b->SetBounds(0, top, 700, height);
    b->FormatStr = source;
    return b;
  }
  TfrMemoView* text(TfrPage* p, const QString& name, int left, int top, const QString& line, int width = 300) {
    auto* m = static_cast<TfrMemoView*>(p->Add(CreateViewByType(gtMemo)));
    m->Name = name;
    m->SetBounds(left, top, width, 18);
    m->Memo = QStringList{line};
    m->FrameTyp = 0;
    return m;
  }

  // The texts of every built page, page by page.
  QList<QStringList> builtTexts() {
    QList<QStringList> pages;
    for (int i = 0; i < report->EMFPages().Count(); ++i) pages << report->EMFPages().PageTexts(i);
    return pages;
  }
  QStringList allTexts() {
    QStringList all;
    for (const QStringList& p : builtTexts()) all << p;
    return all;
  }

  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery query;
  QObject owner;
  TfrDBDataSet* source = nullptr;
  TfrReport* report = nullptr;
};

inline const QString kAmount = QString::fromUtf8("[frDBDataSet1.\"金额\"]");
inline const QString kItem = QString::fromUtf8("[frDBDataSet1.\"名称\"]");
inline const QString kBuilding = QString::fromUtf8("[frDBDataSet1.\"楼号\"]");

}  // namespace bandtest
