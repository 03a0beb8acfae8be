#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;
class QWidget;
class TADOQuery;
class TDataSet;
class TDataSource;
class TDBGridEh;

// What the pickers share: the caller's tag decides which fields of the chosen row go into
// the caller's current row.
//
// The receiving dataset is the one the caller names with SetCallerDataSet; without one the
// picker takes, by tag, the shared query or the query of the calling window (its parent) that
// the tag stands for: "houselease" → Dm1.q_houselease, "tousuinfo" → the caller's
// q_tousuinfo, "yajin" → the caller's q_yajin.
TDataSet* PickerTargetFor(QWidget* picker, const QString& tag, TDataSet* named);

// Copies `fields` of the list's current row into the target's current row, put into editing
// first (nothing is posted). A list without rows gives empty values. False when the target
// is missing or cannot be edited.
bool CopyPickedFields(TDataSet* list, TDataSet* target, const QStringList& fields);

// The building picker (caption "选择楼宇"). The caller writes its tag into the hidden Label1,
// sets and opens q_temp over 楼宇资料, shows the picker modally and frees it. A selection
// (选中 or a double-click) acts by tag and closes; a tag it does not know leaves it open:
//   "tousuinfo": 小区代码, 小区名称, 楼宇代码, 楼宇名称 into the complaint row.
class TForm_choosestorey : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_choosestorey(QWidget* parent = nullptr);

  void SetCallerTag(const QString& tag);
  QString CallerTag() const;
  void SetCallerDataSet(TDataSet* dataSet) { callerDataSet_ = dataSet; }

  QLabel* Label1 = nullptr;  // the caller's tag, hidden
  TADOQuery* q_temp = nullptr;
  TDataSource* ds_temp = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  QPushButton* bitbtn_select = nullptr;  // 选中(&S)
  QPushButton* SpeedButton4 = nullptr;   // 返回

 public slots:
  void bitbtn_selectClick();
  void DBGridEh1DblClick();
  void SpeedButton4Click();
  void DBGrideh1SortMarkingChanged();

 private:
  QPointer<TDataSet> callerDataSet_;
};
