#pragma once

#include <QString>
#include <QStringList>

#include "shell/recordwindow.h"

class QEvent;
class QLabel;
class TADOQuery;
class TADOTable;
class TDataSource;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBNumberEditEh;

// The tables that copy a building's code and name, in the order they are rewritten.
const QStringList& BuildingCopyTables();
// The statements that write a changed building code (and the building's name beside it) into
// the rows of the building's estate that copy them.
QStringList BuildingRenameStatements(const QString& estateCode, const QString& oldCode, const QString& newCode,
                                     const QString& newName);

// The building window (caption "楼宇资料管理"): estates on the left (q_gardeninfo), the
// buildings of the selected estate in the main grid and the editors (t_storeyinfo, linked by
// 小区代码). A changed building code is written, with the building's name, into the rows of
// that estate that copy it.
class TForm_storeyinfo : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_storeyinfo(QWidget* parent = nullptr);

  QToolButton* bitbtn_select = nullptr;  // 选中 (created disabled)
  QLabel* Label12 = nullptr;             // the hint
  TDBEditEh* DBEdit2 = nullptr;          // 楼宇代码, upper case
  QToolButton* SpeedButton1 = nullptr;   // "<<": the code becomes the name
  TDBEditEh* DBEdit3 = nullptr;          // 楼宇名称, upper case
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 建成日期
  TDBEditEh* DBEdit4 = nullptr;                    // 楼房结构
  TDBNumberEditEh* DBNumberEditEh1 = nullptr;      // 楼宇层数
  TDBNumberEditEh* DBNumberEditEh2 = nullptr;      // 单元数
  TDBNumberEditEh* DBNumberEditEh3 = nullptr;      // 房屋数量
  TDBNumberEditEh* DBNumberEditEh4 = nullptr;      // 住户数量
  TDBNumberEditEh* DBNumberEditEh5 = nullptr;      // 空置房数量
  TDBEditEh* DBEdit1 = nullptr;                    // 备注
  TDBGridEh* DBGridEh2 = nullptr;                  // estates
  TDBGridEh* DBGridEh1 = nullptr;                  // buildings
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  TADOQuery* q_gardeninfo = nullptr;
  TDataSource* ds_gardeninfo = nullptr;
  TADOTable* t_storeyinfo = nullptr;
  TDataSource* ds_storeyinfo = nullptr;

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void bitbtn_selectClick();
  void SpeedButton1Click();
  void DBEdit1DblClick();

 private:
  bool listHasRows() const;
};

// 楼宇资料设置: right 楼宇资料设置; the estates (the log-in estate only when scoped) with
// their buildings, shown modally and freed.
void OpenStoreyInfoWindow(QWidget* owner);
