#pragma once
// The tables and record sources the shipped receipt reads, over one payment, and the text of
// a printed PDF.
#include <QObject>
#include "platform/utf8.h"
#include <QProcess>
#include <QString>

#include <QFile>

#include "platform/data/ado.h"
#include "report/FR_Ctrls.h"
#include "report/FR_Prntr.h"
#include "tests/support/pdf_read.h"
#include "tests/support/work_folder.h"
#include "report/FR_DBSet.h"

namespace receipttest {


inline QString pdfText(const QString& pdf) { return PdfText(pdf); }

// The receipt's two record sources over the tables a receipt fills.
struct ReceiptData {
  explicit ReceiptData(const QString& folder, const QString& amount = QStringLiteral("100"),
                       const QString& words = QString::fromUtf8("壹佰元整")) {
    conn.ConnectionString = u("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/local.mdb").arg(folder);
    conn.Open();
    conn.Execute(u("create table 表1 (xh integer primary key, 收费项目 text, 单价 money, 上期表数 float, 本期表数 float, "
                   "行度面积 float, 应收金额 money, 实收金额 money, 计费期间 text)"));
    conn.Execute(u("create table 表2 (xh integer primary key, 大写金额 text, 小写金额 money, 业主名称 text, 房屋代码 text, "
                   "c2 text)"));
    conn.Execute(u("insert into 表1 values (1, '水费', 2, 100, 150, 50, 100, 100, '2005年5月')"));
    conn.Execute(u("insert into 表2 values (1, '%1', %2, '张三', 'H1', '李收银')").arg(words, amount));
    conn.Execute(u("create table 收据号码 (年度 text, 收据号码 text)"));
    conn.Execute(u("insert into 收据号码 values ('2005', '200500017')"));
    q1.SetConnection(&conn);
    q1.SQL.Add(u("select * from 表1 order by xh"));
    q2.SetConnection(&conn);
    q2.SQL.Add(u("select * from 表2 order by xh"));
    q1.Open();
    q2.Open();
    owner.setObjectName("Form_shoukuan");
    auto* s1 = new TfrDBDataSet(&owner);
    s1->setObjectName("frDBDataSet1");
    s1->SetDataSet(&q1);
    auto* s2 = new TfrDBDataSet(&owner);
    s2->setObjectName("frDS_biao2");
    s2->SetDataSet(&q2);
    // The receipt number is read from the window's own query of the counter.
    auto* number = new TADOQuery(&owner);
    number->setObjectName("q_shoujuhao");
    number->SetConnection(&conn);
    number->SQL.Add(u("select * from 收据号码 where 年度='2005'"));
    number->Open();
  }
  TADOConnection conn;
  TADOQuery q1, q2;
  QObject owner;
};

// The shipped receipt template copied (writable) into the work folder, the user settings kept
// there and the virtual printer chosen; the copy's path, empty when it could not be copied.
inline QString CopyShippedReceipt(WorkFolder& work) {
  SetUserSettingsFile(work.file("settings.ini"));
  const QString path = work.file(u("缴费收据.frf"));
  if (!QFile::copy(QString::fromUtf8(ESTATE_SOURCE_DIR "/templates/缴费收据.frf"), path)) return QString();
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
  ReportPrinter().SelectPrinter(ReportPrinter().VirtualPrinterIndex);
  return path;
}

}  // namespace receipttest
