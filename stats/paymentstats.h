#pragma once

#include "stats/statisticswindow.h"

class QStatusBar;
class TDBDateTimeEditEh;

// 业主欠费总表: per house the unpaid amounts of every month of a period with running totals,
// a blank line between houses and a closing total line.
class TForm_statistics_arrear : public TStatisticsWindow {
  Q_OBJECT
 public:
  explicit TForm_statistics_arrear(QWidget* parent = nullptr);
  void FillFilterLists() override;
  QStatusBar* StatusBar1 = nullptr;

 protected:
  void RunStatistics() override;
};

// 按月份统计缴费总金额: per month the amounts due, paid and unpaid and their houses.
class TForm_statistics_money : public TStatisticsWindow {
  Q_OBJECT
 public:
  explicit TForm_statistics_money(QWidget* parent = nullptr);
  void FillFilterLists() override;

 protected:
  void RunStatistics() override;
};

// 按收费项目统计缴费总金额: per month and charge item the amounts due, paid and unpaid.
class TForm_statistics_item : public TStatisticsWindow {
  Q_OBJECT
 public:
  explicit TForm_statistics_item(QWidget* parent = nullptr);
  void FillFilterLists() override;

 protected:
  void RunStatistics() override;
};

// The three lists of single bill rows: full status, paid and unpaid.
class TBillRowList : public TStatisticsWindow {
  Q_OBJECT
 public:
  enum Kind { FullStatus, Paid, Unpaid };
  TBillRowList(QWidget* parent, Kind kind);
  void FillFilterLists() override;
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 实缴时间从 (paid list)
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 到

 protected:
  void RunStatistics() override;

 private:
  Kind kind_;
};

class TForm_statistics_quankuang : public TBillRowList {
  Q_OBJECT
 public:
  explicit TForm_statistics_quankuang(QWidget* parent = nullptr) : TBillRowList(parent, FullStatus) {}
};
class TForm_statistics_yijiao : public TBillRowList {
  Q_OBJECT
 public:
  explicit TForm_statistics_yijiao(QWidget* parent = nullptr) : TBillRowList(parent, Paid) {}
};
class TForm_statistics_weijiao : public TBillRowList {
  Q_OBJECT
 public:
  explicit TForm_statistics_weijiao(QWidget* parent = nullptr) : TBillRowList(parent, Unpaid) {}
};

// 统计缴费情况(按收费项目+楼宇): per charge item and building, due/paid/unpaid of a period
// and of all time.
class TForm_statistics_storey : public TStatisticsWindow {
  Q_OBJECT
 public:
  explicit TForm_statistics_storey(QWidget* parent = nullptr);
  void FillFilterLists() override;

 protected:
  void RunStatistics() override;
};

// 统计缴费情况(按月份+楼宇): per building the twelve monthly sums of a year and their total.
class TForm_statistics_month_storey : public TStatisticsWindow {
  Q_OBJECT
 public:
  explicit TForm_statistics_month_storey(QWidget* parent = nullptr);
  void FillFilterLists() override;

 protected:
  void RunStatistics() override;
};
