#include "shell/loginstate.h"

#include "platform/data/dataset.h"

QString CurrentOperatorName;
QString CurrentOperatorCode;
QString CurrentOperatorIme;
QString LoginPasswordText;
bool LoggedIn = false;
int LoginFailures = 0;
QString CurrentGardenCode;
QString CurrentGardenName;
bool GardenScoped = false;
QString PerGardenServerDb = QStringLiteral("否");
QString CompanyDocCheckSwitch = QStringLiteral("是");
TRightFlags RightFlags;

const QStringList& TRightFlags::Names() {
  static const QStringList names = {
      QStringLiteral("操作员设置"), QStringLiteral("数据初始化"), QStringLiteral("楼宇资料设置"), QStringLiteral("业主资料设置"),
      QStringLiteral("收费项目设置"), QStringLiteral("房屋收费项目设置"), QStringLiteral("到期报警"), QStringLiteral("到期报警设置"),
      QStringLiteral("楼宇电表分摊管理"), QStringLiteral("楼宇水表分摊管理"), QStringLiteral("业主投诉"), QStringLiteral("业主投诉统计"),
      QStringLiteral("物资库存管理"), QStringLiteral("业主应缴费用管理"), QStringLiteral("业主缴费管理"), QStringLiteral("业主资料明细表"),
      QStringLiteral("前台管理模式"), QStringLiteral("实收费用明细表"), QStringLiteral("业主缴费明细查询"), QStringLiteral("业主押金管理"),
      QStringLiteral("业主押金明细表"), QStringLiteral("业主押金汇总表"), QStringLiteral("业主缴费全况表"), QStringLiteral("业主已缴费项目明细表"),
      QStringLiteral("业主未缴费项目明细表"), QStringLiteral("业主欠费总表"), QStringLiteral("按月份统计缴费总金额"),
      QStringLiteral("按收费项目统计缴费总金额"), QStringLiteral("编辑工作日志"), QStringLiteral("阅审工作日志"), QStringLiteral("编辑公司文件"),
      QStringLiteral("阅读公司文件"), QStringLiteral("保洁项目设置"), QStringLiteral("保洁明细表"), QStringLiteral("设备资料设置"),
      QStringLiteral("设备维护明细表"), QStringLiteral("打印权"), QStringLiteral("删除权"), QStringLiteral("编辑权"), QStringLiteral("导出权"),
      QStringLiteral("查找权"),
  };
  return names;
}

bool TRightFlags::value(const QString& name) const {
  int i = int(Names().indexOf(name));
  return i >= 0 && flags_[size_t(i)];
}

void TRightFlags::set(const QString& name, bool on) {
  int i = int(Names().indexOf(name));
  if (i >= 0) flags_[size_t(i)] = on;
}

void ResetLoginState() {
  CurrentOperatorName.clear();
  CurrentOperatorCode.clear();
  CurrentOperatorIme.clear();
  LoginPasswordText.clear();
  LoggedIn = false;
  LoginFailures = 0;
  CurrentGardenCode.clear();
  CurrentGardenName.clear();
  GardenScoped = false;
  PerGardenServerDb = QStringLiteral("否");
  CompanyDocCheckSwitch = QStringLiteral("是");
  RightFlags.clear();
}

static QString textOf(TDataSet* ds, const QString& name) {
  TField* f = ds ? ds->FindField(name) : nullptr;
  return f ? f->AsString() : QString();
}

void LoadOperatorFromRow(TDataSet* row) {
  CurrentOperatorName = textOf(row, QStringLiteral("姓名"));
  CurrentOperatorCode = textOf(row, QStringLiteral("代码"));
  CurrentOperatorIme = textOf(row, QStringLiteral("输入法"));
  TRightFlags flags;
  for (const QString& name : TRightFlags::Names()) {
    TField* f = row ? row->FindField(name) : nullptr;
    flags.set(name, f && !f->IsNull() && f->AsBoolean());
  }
  RightFlags = flags;
}

// A value with ';', quotes or edge blanks is put in double quotes (inner ones doubled) so it
// cannot end early or add a key; other values go in as they are.
static QString keyValue(const QString& v) {
  bool plain = !v.contains(QLatin1Char(';')) && !v.contains(QLatin1Char('"')) && !v.contains(QLatin1Char('\'')) &&
               v.trimmed() == v;
  if (plain) return v;
  QString q = v;
  q.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + q + QLatin1Char('"');
}

QString CompanyServerConnectionString(const QString& serverIn, const QString& databaseIn, const QString& loginIn,
                                      const QString& passwordIn) {
  const QString server = keyValue(serverIn), database = keyValue(databaseIn), login = keyValue(loginIn), password = keyValue(passwordIn);
  return QStringLiteral("Provider=SQLOLEDB.1;") + QStringLiteral("Password=") + password +
         QStringLiteral(";Persist Security Info=True;") + QStringLiteral("User ID=") + login + QStringLiteral(";Initial Catalog=") +
         database + QStringLiteral(";Data Source=") + server + QStringLiteral(";Workstation ID=") + server;
}

QString CompanyServerConnectionString(TDataSet* companyInfo) {
  return CompanyServerConnectionString(textOf(companyInfo, QStringLiteral("服务器名")), textOf(companyInfo, QStringLiteral("数据库名")),
                                       textOf(companyInfo, QStringLiteral("登陆名")), textOf(companyInfo, QStringLiteral("登陆口令")));
}
