#pragma once

#include <QList>
#include <QPointer>

#include "stats/statisticswindow.h"

class QAction;
class QCheckBox;
class QMenu;
class TDBComboBoxEh;

// The house condition of the combined reports: house code (equality), building (containment),
// building unit (equality) and, where given, house type (equality); blank filters are left out.
QString CombinedHouseCondition(const QString& house, const QString& building, const QString& unit,
                               const QString& houseType = QString());

// The combined reports share the house filters and the house-type box.
class TCombinedReport : public TStatisticsWindow {
  Q_OBJECT
 public:
  TCombinedReport(QWidget* parent, const char* objectName, const char* caption, bool houseType);
  void FillFilterLists() override;
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;  // 房屋类型 (reports one and three)

 protected:
  // Opens the selected houses on Dm1.q_change, in table order (all houses without filters).
  void OpenHouses();
  // The bill or deposit rows of the houses OpenHouses takes: "and(房屋代码 in (…))", or
  // nothing when every house is taken.
  QString HouseRowsCondition() const;
};

// 业主缴费综合报表一: per house the deposits of the year, the arrears of the previous year and
// what of them was collected during the year.
class TForm_statistics_mafan1 : public TCombinedReport {
  Q_OBJECT
 public:
  explicit TForm_statistics_mafan1(QWidget* parent = nullptr);

 protected:
  void RunStatistics() override;
};

// The fourteen sums of one house and month (due, then received, of the seven charge groups),
// and their column titles.
QStringList MonthlyGroupTitles(int year, int month);

// 业主缴费综合报表二 (twelve months) and 三 (one month) over the scratch table 麻烦.
class TMonthlyCombinedReport : public TCombinedReport {
  Q_OBJECT
 public:
  TMonthlyCombinedReport(QWidget* parent, bool wholeYear);

  // Report two's extra controls.
  QCheckBox* cbDichromatic = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QToolButton* ToolButton1 = nullptr;  // 显示隐藏的列
  QToolButton* ToolButton2 = nullptr;  // 隐藏最右边的列
  QMenu* PopupMenu1 = nullptr;

 public slots:
  void ToolButton2Click();
  void ToolButton1Click();
  void RestoreHiddenColumn(QAction* item);

 protected:
  void RunStatistics() override;

 private:
  void rebuildColumns(int count);
  bool wholeYear_;
};

class TForm_statistics_mafan2 : public TMonthlyCombinedReport {
  Q_OBJECT
 public:
  explicit TForm_statistics_mafan2(QWidget* parent = nullptr) : TMonthlyCombinedReport(parent, true) {}
};
class TForm_statistics_mafan3 : public TMonthlyCombinedReport {
  Q_OBJECT
 public:
  explicit TForm_statistics_mafan3(QWidget* parent = nullptr) : TMonthlyCombinedReport(parent, false) {}
};

// Opens report two or three as its menu command does (the scratch table is 麻烦).
template <class Window>
void OpenMonthlyCombinedReport(QWidget* parent, const char* right);
void EmptyTroubleTableForOpening();

template <class Window>
void OpenMonthlyCombinedReport(QWidget* parent, const char* right) {
  if (!CheckActionRight(right)) return;
  auto* window = new Window(parent);
  window->FillFilterLists();
  EmptyTroubleTableForOpening();
  RunStatisticsWindowModal(window);
}
