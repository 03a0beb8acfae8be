#pragma once

#include <QString>
#include <QStringList>
#include <array>

class TDataSet;

// Who is logged in, with which rights, on which estate: process-wide values set at start-up
// and at log-in and read by every window. Never stored.
extern QString CurrentOperatorName;   // 姓名 of the logged-in operator
extern QString CurrentOperatorCode;   // 代码
extern QString CurrentOperatorIme;    // 输入法: the input method of Chinese-text editors
extern QString LoginPasswordText;     // the text of the last log-in attempt or password change
extern bool LoggedIn;
extern int LoginFailures;
extern QString CurrentGardenCode;     // empty unless an estate-scoped log-in chose one
extern QString CurrentGardenName;
extern bool GardenScoped;             // false in this system
extern QString PerGardenServerDb;     // "是" or "否"
extern QString CompanyDocCheckSwitch; // "是" or "否"

// The 41 rights of 权限表, each named by its field, in the order the log-in reads them:
// 36 module rights, then the action rights 打印权, 删除权, 编辑权, 导出权, 查找权.
class TRightFlags {
 public:
  static constexpr int kCount = 41;
  static const QStringList& Names();
  // The right of that field name; false for a name that is not a right.
  bool value(const QString& name) const;
  void set(const QString& name, bool on);  // unknown names are ignored
  bool at(int index) const { return flags_[size_t(index)]; }
  void clear() { flags_.fill(false); }

 private:
  std::array<bool, kCount> flags_{};
};
extern TRightFlags RightFlags;

// The values before the first log-in (LoggedIn false, operator values empty, all rights false,
// GardenScoped false, PerGardenServerDb "否", CompanyDocCheckSwitch "是").
void ResetLoginState();

// After a successful log-in: the operator values and all 41 rights at once from the current
// 权限表 row of the dataset. A right field that is null or missing gives false.
void LoadOperatorFromRow(TDataSet* row);

// The company-server connection text joined from the 公司信息 values, in the office's order.
// A value holding ';', quotes or edge blanks is double-quoted so it stays one value.
QString CompanyServerConnectionString(const QString& server, const QString& database, const QString& login,
                                      const QString& password);
// The same from the current row of a dataset over 公司信息 (服务器名, 数据库名, 登陆名, 登陆口令;
// null or missing fields give empty values).
QString CompanyServerConnectionString(TDataSet* companyInfo);
