#pragma once

#include "stats/statisticswindow.h"

// 业主退谱单管理: the settlement of one house leaving its premises — deposits held, paid and
// due amounts per charge item over billing months, and the amount to pay or to refund.
class TForm_tj_tuipudan : public TStatisticsWindow {
  Q_OBJECT
 public:
  explicit TForm_tj_tuipudan(QWidget* parent = nullptr);

 protected:
  void RunStatistics() override;
};
