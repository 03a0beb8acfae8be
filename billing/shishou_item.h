#pragma once

#include <optional>

#include "platform/datetime.h"
#include "shell/recordwindow.h"

class QComboBox;
class QLineEdit;
class TDBDateTimeEditEh;

// The filters of the takings per charge item. `from`/`to` are both given or both absent
// (no period: every payment ever made counts).
struct TakingsFilter {
  std::optional<TDateTime> from, to;
  QString house;     // exact 房屋代码 when its trimmed text is not empty (of the one estate keeping it)
  QString building;  // 楼宇名称 containing the text when its trimmed text is not empty
  QString unit;      // 关联单位 containing the trimmed text when not empty
};

// Fills the scratch table 通用 with one row per row of 收费项目 (an item of one estate) whose
// payments (rows of 收费汇总表 of that estate with 收费项目 equal to its 收费名称, within the
// filters; payments written without an estate count on the first row of their item; payments of
// an estate that keeps no item of the name get a line of their own) add up to more than 0:
// datea/dateb the period, textc 收费名称, numbera the number of payments, moneya the sum of
// 实收金额, textd/texte the house and building filters as typed. Returns the rows listed.
int ListTakingsByItem(const TakingsFilter& filter);

// 统计实收金额(按收费项目).
class TForm_shishou_item : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_shishou_item(QWidget* parent = nullptr);
  ~TForm_shishou_item() override;

  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 缴费时间从
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 到
  QLineEdit* Edit1 = nullptr;                      // 房屋代码
  QComboBox* ComboBox2 = nullptr;                  // 楼宇名称
  QComboBox* ComboBox4 = nullptr;                  // 关联单位
  QToolButton* SpeedButton1 = nullptr;             // 统计
  QToolButton* SpeedButton2 = nullptr;             // 初始界面 (hidden)
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  // The opener's preparation: building and unit lists, an empty result.
  void Prepare();

 public slots:
  void SpeedButton1Click();
  void SpeedButton2Click();
  void bitbtn_deleteClick();
  void DBGridEh1SortMarkingChanged();
};

// N33: opens the window modally, frees it and closes the scratch query.
void OpenTakingsByItemCommand(QWidget* owner);
