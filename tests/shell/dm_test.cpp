// The main data module and the log-in state: the databases it creates on first start, its
// shared queries and data sources by name, the rights read at log-in and the company-server
// connection text.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/data/ado.h"
#include "platform/datafolder.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {

// A fresh folder that is the data folder (the data module's files lie there) and the
// current folder.
struct InTempFolder {
  QTemporaryDir dir;
  QString saved = QDir::currentPath();
  QString savedData = DataFolder();
  InTempFolder() {
    QDir::setCurrent(dir.path());
    SetDataFolder(dir.path());
  }
  ~InTempFolder() {
    QDir::setCurrent(saved);
    SetDataFolder(savedData);
  }
};

TEST(DataModule, CreatesBothDatabasesAndOwnsNamedComponents) {
  InTempFolder folder;
  TDm1 dm;
  EXPECT_EQ(Dm1, &dm);
  dm.ADO_system->Open();
  dm.db_local->Open();
  EXPECT_TRUE(QFile::exists(folder.dir.path() + "/kelo.db"));
  EXPECT_TRUE(QFile::exists(folder.dir.path() + "/tongyong.db"));
  const char* queries[] = {"q_search", "q_change", "q_tongyong", "q_local", "q_qxb", "q_gsxx", "q_houseinfo", "q_storeyinfo",
                           "q_iteminfo", "q_guestinfo", "q_houselease", "q_sfhzb", "q_temp", "q_houseitem", "q_gzsj",
                           "q_jiaofeidan", "q_jiaofeihuizong"};
  for (const char* name : queries) {
    auto* q = dm.findChild<TADOQuery*>(QString::fromLatin1(name));
    ASSERT_NE(q, nullptr) << name;
    QString sourceName = QString::fromLatin1(name).mid(2).prepend(qstrcmp(name, "q_gzsj") == 0 ? "DS_" : "ds_");
    auto* ds = dm.findChild<TDataSource*>(sourceName);
    ASSERT_NE(ds, nullptr) << sourceName.toStdString();
    EXPECT_EQ(ds->DataSet(), q) << name;
    bool local = qstrcmp(name, "q_tongyong") == 0 || qstrcmp(name, "q_local") == 0;
    EXPECT_EQ(q->Connection(), local ? dm.db_local : dm.ADO_system) << name;
  }
  // The first rows: one operator with every right and an empty password, one sysset row.
  dm.q_qxb->SQL.Clear();
  dm.q_qxb->SQL.Add(QStringLiteral("select * from 权限表 order by 姓名"));
  dm.q_qxb->Open();
  ASSERT_EQ(dm.q_qxb->RecordCount(), 1);
  EXPECT_EQ(dm.q_qxb->FieldByName("代码")->AsString(), "001");
  ResetLoginState();
  LoadOperatorFromRow(dm.q_qxb);
  dm.q_qxb->Close();
  EXPECT_EQ(CurrentOperatorName, "系统管理员");
  EXPECT_EQ(CurrentOperatorCode, "001");
  for (const QString& right : TRightFlags::Names()) EXPECT_TRUE(RightFlags.value(right)) << right.toStdString();
  dm.q_local->SQL.Add(QStringLiteral("select * from sysset"));
  dm.q_local->Open();
  EXPECT_EQ(dm.q_local->RecordCount(), 1);
  // The export dialog's settings.
  EXPECT_EQ(dm.SaveDialog1->FileName, "file1");
  EXPECT_EQ(dm.SaveDialog1->FilterIndex, 5);
  EXPECT_TRUE(dm.SaveDialog1->Filter.endsWith("Microsoft Excel Workbook (*.xls)|*.XLS"));
  // The office's connection strings are kept; the file names map to SQLite files.
  EXPECT_EQ(TADOConnection::SqliteFileFor(dm.ADO_system->ConnectionString), "kelo.db");
  EXPECT_EQ(TADOConnection::SqliteFileFor(dm.db_local->ConnectionString), "tongyong.db");
}

TEST(DataModule, RightsAreReadByNameAndNullMeansNo) {
  InTempFolder folder;
  TDm1 dm;
  dm.ADO_system->Open();
  // An operator with a few rights, one null, the rest false.
  dm.ADO_system->Execute(QStringLiteral("insert into 权限表 (代码, 姓名, 操作口令) values ('002', '张三', '')"));
  QStringList sets;
  for (const QString& r : TRightFlags::Names()) sets << r + QStringLiteral("=0");
  dm.ADO_system->Execute(QStringLiteral("update 权限表 set %1 where 代码='002'").arg(sets.join(',')));
  dm.ADO_system->Execute(QStringLiteral("update 权限表 set 业主投诉=1, 查找权=1 where 代码='002'"));
  dm.q_qxb->SQL.Add(QStringLiteral("select 代码, 姓名, 业主投诉, 查找权, null as 打印权 from 权限表 where 代码='002'"));
  dm.q_qxb->Open();
  RightFlags.set(QStringLiteral("删除权"), true);  // a previous operator's right
  LoadOperatorFromRow(dm.q_qxb);
  EXPECT_TRUE(RightFlags.value(QStringLiteral("业主投诉")));
  EXPECT_TRUE(RightFlags.value(QStringLiteral("查找权")));
  EXPECT_FALSE(RightFlags.value(QStringLiteral("打印权")));  // null
  EXPECT_FALSE(RightFlags.value(QStringLiteral("删除权")));  // replaced as a whole
  EXPECT_FALSE(RightFlags.value(QStringLiteral("no such right")));
  EXPECT_EQ(TRightFlags::Names().size(), TRightFlags::kCount);
  EXPECT_EQ(TRightFlags::Names().at(36), "打印权");
  EXPECT_EQ(TRightFlags::Names().at(40), "查找权");
  ResetLoginState();
  EXPECT_FALSE(LoggedIn);
  EXPECT_EQ(PerGardenServerDb, "否");
  EXPECT_EQ(CompanyDocCheckSwitch, "是");
  EXPECT_FALSE(RightFlags.value(QStringLiteral("业主投诉")));
}

TEST(DataModule, CompanyServerConnectionText) {
  // An empty password: "Password=" followed directly by the next key.
  EXPECT_EQ(CompanyServerConnectionString(QStringLiteral("srv"), QStringLiteral("db"), QStringLiteral("sa"), QString()),
            "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=sa;Initial Catalog=db;Data Source=srv;Workstation ID=srv");
  // Values that hold the separator stay single values when read back.
  QString text = CompanyServerConnectionString(QStringLiteral("srv,5432"), QStringLiteral("d;Initial Catalog=x"),
                                               QStringLiteral("u\"q"), QStringLiteral(" p;w'd "));
  auto kv = ParseConnectionString(text);
  std::map<QString, QString> m(kv.begin(), kv.end());
  EXPECT_EQ(kv.size(), 7u);
  EXPECT_EQ(m["initial catalog"], "d;Initial Catalog=x");
  EXPECT_EQ(m["user id"], "u\"q");
  EXPECT_EQ(m["password"], " p;w'd ");
  EXPECT_EQ(m["data source"], "srv,5432");
}

}  // namespace
