#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QToolButton>
#include <memory>

#include "billing/houseitem.h"
#include "billing/iteminfo.h"
#include "billing/jiaofeidan.h"
#include "billing/shoukuan.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Preview.h"
#include "report/FR_Prntr.h"
#include "tests/support/pdf_read.h"
#include "tests/support/scripted_ui.h"

#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/money.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/data_module_test.h"

#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const Money& m, std::ostream* os) { *os << m.toString().toStdString(); }

inline QString u8(const char* utf8) { return QString::fromUtf8(utf8); }
inline Money money(const char* text) { return *Money::parse(QString::fromLatin1(text)); }

// New databases in a fresh folder, an operator with every action right, and helpers to put
// houses, charge items and standards in place and read values back.
class BillingTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases();
    LogIn(u8("收银员甲"));
  }
  Money storedMoney(const QString& sql) {
    TADOQuery q;
    q.SetConnection(db());
    q.SQL.Add(sql);
    q.Open();
    return q.IsEmpty() || q.Fields()[0]->IsNull() ? Money::fromUnits(-1) : q.Fields()[0]->AsMoney();
  }

  void addHouse(const QString& code, const QString& owner, double area = 80.25, const char* balance = "0") {
    exec(u8("insert into 房屋资料 (小区代码, 小区名称, 楼宇代码, 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 房屋面积, "
            "使用面积, 关联单位, 零头) values ('0001', '默认小区', 'A', 'A栋', '1单元', ") +
         SqlQuote::Text(code) + u8(", ") + SqlQuote::Text(owner) + u8(", ") + QString::number(area + 10) + u8(", ") +
         QString::number(area) + u8(", '', ") + SqlQuote::Money(money(balance)) + u8(")"));
  }
  void addItem(const QString& name, const QString& formula, const char* price, const char* area = "",
               const char* stopped = "否", const char* kind = "业主收费金额不同", const char* amount = "0") {
    exec(u8("insert into 收费项目 (收费名称, 单价, 计算公式, 收费面积, 停止收费, 收费类别, 金额) values (") +
         SqlQuote::Text(name) + u8(", ") + SqlQuote::Money(money(price)) + u8(", ") + SqlQuote::Text(formula) +
         u8(", ") + SqlQuote::Text(u8(area)) + u8(", ") + SqlQuote::Text(u8(stopped)) + u8(", ") +
         SqlQuote::Text(u8(kind)) + u8(", ") + SqlQuote::Money(money(amount)) + u8(")"));
  }
  // Items of one amount a month for every owner ({name, amount}), with their standards given
  // to the default estate's houses `houses`.
  void addFixedItems(std::initializer_list<std::pair<const char*, const char*>> items,
                     std::initializer_list<const char*> houses) {
    for (const auto& [name, amount] : items)
      addItem(u8(name), ChargeFormula::Direct, "0", "", "否", "业主收费金额相同", amount);
    QList<EstateHouseKey> keys;
    for (const char* h : houses) keys << EstateHouseKey{u8("0001"), u8(h)};
    AssignChargeItems(db(), keys, kAllChargeItems, CurrentOperatorName);
  }
  // House `code` of the default estate's building A, unit 1, as bill generation copies it.
  static BillHouse billHouse(const char* code, const char* owner = "张三") {
    return BillHouse{u8(code), u8("0001"), u8("默认小区"), u8("A"), u8("A栋"), u8("1单元"), u8(owner), QString()};
  }
  // The bill rows of `houses` for every item (or `item` alone) from one month to another.
  void billMonths(const QVector<BillHouse>& houses, int fromYear, int fromMonth, int toYear, int toMonth,
                  const QString& item = QString()) {
    GenerateBills(db(), houses, item, BillMonthsBetween(fromYear, fromMonth, toYear, toMonth), CurrentOperatorName,
                  Now());
  }
};

// The shipped report template of that name, in the source tree.
inline QString ShippedTemplate(const char* name) {
  return QString::fromUtf8(ESTATE_SOURCE_DIR "/templates/") + u8(name);
}

// Puts the shipped template where the windows look for their templates. The copy lands under
// a temporary name and is renamed into place, so tests running side by side never read half a
// file.
inline void InstallTemplate(const char* name) {
  const QString target = ProgramTemplatePath(u8(name));
  if (QFile::exists(target)) return;
  QDir().mkpath(QFileInfo(target).absolutePath());
  const QString part = target + u8(".") + QString::number(QCoreApplication::applicationPid());
  QFile::remove(part);
  ASSERT_TRUE(QFile::copy(ShippedTemplate(name), part)) << target.toStdString();
  if (!QFile::rename(part, target)) QFile::remove(part);
}

// Answers the next report preview: with `pdf` it prints the pages into that PDF file through
// the preview's print button first; then it closes the preview.
inline void AnswerPreview(ScriptedUi& ui, const QString& pdf = QString(), int* pagesShown = nullptr) {
  if (!pdf.isEmpty()) ReportPrinter().OutputFileName = pdf;
  ui.onWindow<TfrPreviewForm>([pdf, pagesShown](TfrPreviewForm* preview) {
    if (pagesShown) *pagesShown = preview->PageCount();
    if (!pdf.isEmpty()) preview->PrintBtn->click();
    preview->ExitBtn->click();
  });
  if (!pdf.isEmpty()) ui.answerPrint();
}

// The record sources a window offers the shipped templates: frDBDataSet1 and frDS_HT over
// q_biao1 (表1, or the local 收费明细表 of a notice), frDS_biao2 over q_biao2 (表2, or
// 澄川交费通知单), and the receipt number query. Create it after Dm1.
struct PrintSources {
  QObject window;
  TADOQuery q_biao1, q_biao2, q_shoujuhao;
  TfrReport* report = new TfrReport(&window);  // finds the record sources beside it
  PrintSources() {
    report->ShowProgress = false;
    q_biao1.SetConnection(Dm1->db_local);
    q_biao2.SetConnection(Dm1->db_local);
    q_shoujuhao.SetConnection(Dm1->ADO_system);
    // The receipt reads its drawn number from the window's own query, found by name.
    q_shoujuhao.setObjectName(QStringLiteral("q_shoujuhao"));
    q_shoujuhao.setParent(&window);
    for (const char* name : {"frDBDataSet1", "frDS_HT"}) {
      auto* source = new TfrDBDataSet(&window);
      source->setObjectName(QString::fromLatin1(name));
      source->SetDataSet(&q_biao1);
    }
    auto* totals = new TfrDBDataSet(&window);
    totals->setObjectName(QStringLiteral("frDS_biao2"));
    totals->SetDataSet(&q_biao2);
  }
  ReceiptQueries queries() { return ReceiptQueries{&q_biao1, &q_biao2, &q_shoujuhao}; }
};
