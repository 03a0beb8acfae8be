#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "platform/datetime.h"
#include "shell/recordwindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TADOQuery;
class TDataSet;
class TDataSource;
class TDBComboBoxEh;
class TDBDateTimeEditEh;
class TDBEditEh;
class TDBGridEh;
class TDBMemo;
class TPrintDBGridEh;

// The complaint register (caption "业主投诉管理") over its own query q_tousuinfo on the main
// database. The opener sets q_tousuinfo's SQL lines (the last one is the ORDER BY line), opens
// it, shows the window modally and frees it. Front-desk mode: the opener writes "前台模式"
// into the hidden Label13 and the house's 房屋代码 into the hidden Label15; the house is then
// fixed (增加 fills it, the picker is refused).
class TForm_tousuinfo : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_tousuinfo(QWidget* parent = nullptr);
  ~TForm_tousuinfo() override;

  TADOQuery* q_tousuinfo = nullptr;
  TDataSource* ds_tousuinfo = nullptr;

  QLabel* Label13 = nullptr;  // "前台模式" in front-desk mode, hidden
  QLabel* Label15 = nullptr;  // the front desk's 房屋代码, hidden
  // The front desk's 小区代码 (empty text for a house without one); null when the opener
  // names no estate, then the house is the only one holding the code.
  QString FrontDeskEstate;
  QCheckBox* CheckBox1 = nullptr;  // "房屋代码：": ticked, saving requires 房屋代码; else 楼宇名称
  QCheckBox* CheckBox2 = nullptr;  // "业主投诉：": ticked, the picker chooses a house; else a building
  QToolButton* SpeedButton2 = nullptr;  // 查找
  QToolButton* SpeedButton6 = nullptr;  // "<<": follow-up entry

  TDBEditEh* DBEdit1 = nullptr;  // 投诉单号 (read-only)
  TDBEditEh* DBEdit2 = nullptr;  // 楼宇名称 (read-only)
  TDBEditEh* DBEdit3 = nullptr;  // 业主名称 (read-only)
  TDBEditEh* DBEdit4 = nullptr;  // 联系电话 (read-only)
  TDBComboBoxEh* DBComboBoxEh4 = nullptr;  // 房屋代码 (read-only; its button opens the picker)
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 投诉日期
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;  // 投诉形式
  TDBMemo* DBMemo1 = nullptr;              // 投诉内容
  TDBEditEh* DBEdit5 = nullptr;            // 记录人
  TDBMemo* DBMemo2 = nullptr;              // 备注
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;  // 处理结果 ("未完成", "完成"; list only)
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 处理日期
  TDBEditEh* DBEdit6 = nullptr;            // 处理人
  TDBComboBoxEh* DBComboBoxEh3 = nullptr;  // 处理形式
  TDBMemo* DBMemo3 = nullptr;              // 回访情况

  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

  bool FrontDeskMode() const;

 public slots:
  void bitbtn_addClick() override;
  void bitbtn_editClick() override;
  void bitbtn_deleteClick() override;
  void bitbtn_saveClick() override;
  void SpeedButton2Click();
  void SpeedButton6Click();
  void DBComboBoxEh4EditButtons0Click();
  void DBGridEh1SortMarkingChanged();

 protected:
  void done(int result) override;

 private:
  // Draws the number of a new complaint, stamps and posts; false (reason shown, the typed row
  // kept for correction) when the database refuses it.
  bool writeComplaint();
};

// True when a complaint with this number is stored.
bool ComplaintNumberTaken(const QString& number);
// Called with each number drawn for a new complaint, before the complaint is written (a test
// stands for another seat there).
extern std::function<void(const QString&)> ComplaintNumberDrawn;

// The open complaint register: the pickers and the query dialog write into its query.
extern TForm_tousuinfo* Form_tousuinfo;

// The complaint number of a complaint dated `date` when the highest serial of its month so
// far is `maxSerial` (text, empty when the month has none): "TSGL" + yyyyMMdd + the next
// serial in four digits. Empty when the month's 9999 serials are used up.
QString ComplaintNumberFor(TDateTime date, const QString& maxSerial);
// "TSGL" + yyyyMM: the prefix shared by the numbers of a month.
QString ComplaintMonthPrefix(TDateTime date);
// Draws the next number for a complaint dated `date` from 业主投诉表 (through Dm1.q_change).
QString DrawComplaintNumber(TDateTime date);
// The follow-up text after one more call: the old text, ";" and the entry, or the entry alone.
QString AppendFollowUp(const QString& old, const QString& entry);

// The query dialog's fields as typed (dates as values; null when the box is empty).
struct ComplaintQueryFields {
  QString number, building, owner, house, result, form, recorder, content, remark, followUp;
  bool complaintDates = false;
  TDateTime complaintFrom = 0, complaintTo = 0;
  bool handledDates = false;
  TDateTime handledFrom = 0, handledTo = 0;
};
// The condition text of a search: one parenthesised condition per field that is not empty
// after trimming, in the dialog's order, every later one with "and" before it. Empty when no
// field is given.
QString ComplaintQueryCondition(const ComplaintQueryFields& fields);

// The complaint query dialog (caption "查询").
class TForm_tousuinfo_query : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_tousuinfo_query(QWidget* parent = nullptr);

  QLineEdit* Edit1 = nullptr;      // 投诉单号
  QComboBox* ComboBox4 = nullptr;  // 楼宇名称
  QLineEdit* Edit2 = nullptr;      // 业主名称
  QComboBox* ComboBox2 = nullptr;  // 房屋代码
  QComboBox* ComboBox1 = nullptr;  // 处理结果
  QComboBox* ComboBox3 = nullptr;  // 投诉形式
  QLineEdit* Edit4 = nullptr;      // 记录人
  QLineEdit* Edit3 = nullptr;      // 投诉内容
  QLineEdit* Edit5 = nullptr;      // 备注
  QLineEdit* Edit6 = nullptr;      // 回访情况
  TDBDateTimeEditEh* DBDateTimeEditEh1 = nullptr;  // 投诉日期 从
  TDBDateTimeEditEh* DBDateTimeEditEh2 = nullptr;  // 投诉日期 到
  TDBDateTimeEditEh* DBDateTimeEditEh3 = nullptr;  // 处理日期 从
  TDBDateTimeEditEh* DBDateTimeEditEh4 = nullptr;  // 处理日期 到
  QPushButton* bitbtn_seek = nullptr;    // 查询 (&F)
  QPushButton* bitbtn_return = nullptr;  // 返回 (&R)

 public slots:
  void bitbtn_seekClick();
};
