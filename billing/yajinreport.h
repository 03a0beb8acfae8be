#pragma once

#include <QString>

#include "platform/datetime.h"
#include "shell/recordwindow.h"

class QComboBox;
class QDateEdit;
class TDBComboBoxEh;
class TDBGridEh;
class TPrintDBGridEh;

// The deposit movements of one house from `from` 0:0:0 to `to` 23:59:59 (and of one building
// name when `building` is not blank) as 通用 rows ordered by 日期: datea 日期, textc 楼宇名称,
// texta 房屋代码, textb 业主名称, textd 操作人员, the amount in moneya ("收取"), moneyb
// ("退还") or moneyc ("冲抵费用"), texte the estate (not shown), and moneyd the running
// balance from 0 of that house of that estate. Returns the rows.
int ListDepositMovements(const QString& house, const QString& building, TDateTime from, TDateTime to);
// Recomputes moneyd of the 通用 rows down the order they are shown in now, one balance per
// house (texta) of each estate (texte): balance += moneya − moneyb − moneyc (empty counts 0).
void RecomputeRunningBalance();
// The totals of every house (or building) in the range: datea/dateb the range, textc
// 楼宇名称, texta/textb 房屋代码/业主名称 (per house), moneya "收取", moneyb "冲抵费用", moneyc
// "退还" and moneyd = moneya − moneyb − moneyc. Houses and buildings without movements are
// listed with 0. `buildingCode`, when not empty, keeps that building only; `buildingName`, when
// not empty, keeps the buildings of that name (each estate's own), and the houses of them.
// Returns the rows.
int TotalDeposits(bool perBuilding, const QString& buildingCode, TDateTime from, TDateTime to,
                  const QString& buildingName = QString());

// 业主押金明细表: the movements of one house with their running balance.
class TForm_yajin_mingxi : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_yajin_mingxi(QWidget* parent = nullptr);
  ~TForm_yajin_mingxi() override;

  QDateEdit* DateTimePicker1 = nullptr;  // 日期从
  QDateEdit* DateTimePicker2 = nullptr;  // 到
  QComboBox* ComboBox1 = nullptr;        // 房屋代码
  QComboBox* ComboBox2 = nullptr;        // 楼宇名称
  QToolButton* SpeedButton1 = nullptr;   // 查询
  QToolButton* SpeedButton2 = nullptr;   // 整理
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  void Prepare();

 public slots:
  void SpeedButton1Click();
  void SpeedButton2Click();
  void bitbtn_deleteClick();
  void DBGridEh1SortMarkingChanged();
};

// 业主押金汇总表: the totals per house (TForm_yajin_storey: per building).
class TForm_yajin_sum : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_yajin_sum(QWidget* parent = nullptr) : TForm_yajin_sum(false, parent) {}
  ~TForm_yajin_sum() override;

  QDateEdit* DateTimePicker1 = nullptr;
  QDateEdit* DateTimePicker2 = nullptr;
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;  // 楼宇名称 (key items: 楼宇代码)
  QToolButton* SpeedButton1 = nullptr;     // 统计
  QToolButton* SpeedButton3 = nullptr;     // 初始界面 (hidden)
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  void Prepare();
  // The building code chosen in DBComboBoxEh1 (empty for none).
  QString ChosenBuildingCode() const;

 public slots:
  void SpeedButton1Click();
  void SpeedButton3Click();
  void DBGridEh1SortMarkingChanged();

 protected:
  TForm_yajin_sum(bool perBuilding, QWidget* parent);
  void done(int result) override;

 private:
  bool perBuilding_;
  TLayoutReset layoutReset_;
};

class TForm_yajin_storey : public TForm_yajin_sum {
  Q_OBJECT
 public:
  explicit TForm_yajin_storey(QWidget* parent = nullptr) : TForm_yajin_sum(true, parent) {}
};

void OpenDepositMovementsCommand(QWidget* owner);
void OpenDepositTotalsCommand(QWidget* owner);
void OpenDepositBuildingTotalsCommand(QWidget* owner);
