#pragma once

#include <QString>
#include <QStringList>

#include "shell/recordwindow.h"

class QEvent;
class QLabel;
class TADOQuery;
class TCustomDBEditEh;
class TDataSet;
class TDataSource;
class TDBEditEh;
class TDBMemo;
class TDBNumberEditEh;

// ---------------------------------------------------------------------------------------
// What the estate, building and house windows share

// Letters typed (or pasted) into the editor become upper case.
void SetUpperCaseTyping(TCustomDBEditEh* editor);

// The rows of one estate in a table that carries 小区代码: those holding the code, and rows
// whose 小区代码 was left empty (written while no estate was chosen), which belong to the
// only estate an office of that kind keeps.
QString SameEstateCondition(const QString& estateCode);

// Writes the stamps (the operator field and 操作日期), posts the row and runs the rename
// statements, all in one transaction of the main database: either the row and every copy are
// written, or nothing is. On failure the transaction is rolled back, a row still being edited
// is cancelled, the reason is shown ("存盘失败：" and the database's message) and false is
// returned; the caller reopens its list, whose snapshot may hold the posted values.
bool PostWithRenameCascade(TDataSet* dataSet, const QString& operatorField, const QStringList& statements);

// The tables that copy an estate's code and name, in the order they are rewritten.
const QStringList& EstateCopyTables();
// The statements that write a changed estate code (and the estate's name beside it) into
// every table that copies them.
QStringList EstateRenameStatements(const QString& oldCode, const QString& newCode, const QString& newName);

// Reopens a list after a failed save and goes back to the row whose `keyField` holds `key`
// (the first row when it is gone).
void ReopenAt(TDataSet* dataSet, const QString& keyField, const QString& key);

// ---------------------------------------------------------------------------------------
// The estate window (caption "楼盘资料管理"): the rows of 小区资料 over its own q_gardeninfo.
// Estates come with the database: 增加 and 删除 are created disabled and stay so. A changed
// code is written, with the estate's name, into every table that copies it.
class TForm_gardeninfo : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_gardeninfo(QWidget* parent = nullptr);

  QLabel* Label10 = nullptr;                 // the blue hint on the code's length
  TDBEditEh* DBEdit1 = nullptr;              // 楼盘代码 (小区代码), upper case
  TDBEditEh* DBEdit2 = nullptr;              // 楼盘名称
  TDBEditEh* DBEdit3 = nullptr;              // 地址
  TDBNumberEditEh* DBNumberEditEh1 = nullptr;  // 楼宇数量
  TDBNumberEditEh* DBNumberEditEh2 = nullptr;  // 房屋数量
  TDBNumberEditEh* DBNumberEditEh3 = nullptr;  // 住户数量
  TDBEditEh* DBEdit4 = nullptr;              // 备注
  TDBMemo* DBMemo1 = nullptr;                // 楼盘简介 (小区简介)
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  TADOQuery* q_gardeninfo = nullptr;
  TDataSource* ds_gardeninfo = nullptr;

 public slots:
  void FormActivate();
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void DBMemo1DblClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  bool activated_ = false;
};

// 楼盘资料设置: right 楼宇资料设置; the window over every estate ordered by name, shown
// modally and freed.
void OpenGardenInfoWindow(QWidget* owner);
