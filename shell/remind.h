#pragma once

#include <QDialog>

#include "platform/datetime.h"

class QLabel;
class QPushButton;
class QToolButton;
class TDBCheckBoxEh;
class TDBGridEh;
class TDBNumberEditEh;
class TPrintDBGridEh;

// The reminder window (caption "提醒功能"): rentals that run out soon and complaints left
// unfinished too long, listed in the scratch table 通用 of the local database and shown
// through Dm1.q_tongyong. The opener empties 通用 and opens "select * from 通用" /
// "order by texta" before showing it.
class TForm_txgn : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_txgn(QWidget* parent = nullptr);

  QToolButton* bitbtn_edit = nullptr;   // 提醒
  QToolButton* SpeedButton3 = nullptr;  // 打印
  QToolButton* SpeedButton2 = nullptr;  // 导出
  QToolButton* SpeedButton4 = nullptr;  // 返回
  QLabel* Label1 = nullptr;             // "提前提醒天数："
  TDBNumberEditEh* ts = nullptr;        // lead days typed for this list (not bound)
  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;

 public slots:
  void bitbtn_editClick();  // 提醒: builds the list
  void SpeedButton3Click();
  void SpeedButton2Click();
  void SpeedButton4Click();
};

// What the list is built from: the lead days and switches of both kinds.
struct ReminderSettings {
  int rentalDays = 0;
  bool rentals = false;
  int complaintDays = 0;
  bool complaints = false;
};
// The settings of the local row sysset (read through Dm1.q_local, which is closed again).
ReminderSettings ReadReminderSettings();
// Empties 通用 and fills it with the reminder lines of `today` (rental lines first, then
// complaint lines), all in one transaction; leaves Dm1.q_tongyong open over 通用. Returns the
// number of lines.
int BuildReminderList(const ReminderSettings& settings, TDateTime today);

// The start-up pass the main window makes after log-in when sysset.zdtx is on: the reminder
// window without its lead-days editor builds the list and is shown only when the list has
// rows. Dm1.q_tongyong is closed afterwards. True when the window was shown.
bool ShowStartupReminders(QWidget* parent);

// The reminder settings dialog (caption "到期报警设置") over the row sysset, which the opener
// opens in Dm1.q_tongyong ("select * from sysset").
class TForm_txcsb : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_txcsb(QWidget* parent = nullptr);

  TDBNumberEditEh* DBNumberEditEh1 = nullptr;  // 投诉提前提醒天数
  TDBNumberEditEh* DBNumberEditEh2 = nullptr;  // 租赁提前提醒天数
  TDBCheckBoxEh* DBCheckBoxEh1 = nullptr;      // 投诉自动提醒
  TDBCheckBoxEh* DBCheckBoxEh2 = nullptr;      // 租赁自动提醒
  QPushButton* bitbtn_save = nullptr;          // 存盘 (&S)
  QPushButton* bitbtn_close = nullptr;         // 返回 (&R)

 public slots:
  void bitbtn_saveClick();
  void bitbtn_closeClick();

 protected:
  void done(int result) override;
};
