#pragma once

#include "stats/statisticswindow.h"

// The complaint counts: in total, "未完成" and "完成".
class TComplaintStatistics : public TStatisticsWindow {
  Q_OBJECT
 public:
  enum Kind { ByHouse, ByMonth, ByMonthAndHouse };
  TComplaintStatistics(QWidget* parent, Kind kind);
  void FillFilterLists() override;

 protected:
  void RunStatistics() override;

 private:
  void runByHouse();
  void runByMonth(bool perHouse);
  Kind kind_;
};

// 投诉统计(按业主)
class TForm_z_tousuinfo_house : public TComplaintStatistics {
  Q_OBJECT
 public:
  explicit TForm_z_tousuinfo_house(QWidget* parent = nullptr) : TComplaintStatistics(parent, ByHouse) {}
};
// 投诉统计(按月份)
class TForm_z_tousuinfo_yue : public TComplaintStatistics {
  Q_OBJECT
 public:
  explicit TForm_z_tousuinfo_yue(QWidget* parent = nullptr) : TComplaintStatistics(parent, ByMonth) {}
};
// 投诉统计(按月份+处理结果)
class TForm_z_tousuinfo_yuehouse : public TComplaintStatistics {
  Q_OBJECT
 public:
  explicit TForm_z_tousuinfo_yuehouse(QWidget* parent = nullptr) : TComplaintStatistics(parent, ByMonthAndHouse) {}
};
