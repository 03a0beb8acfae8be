#pragma once

#include <QDialog>
#include <initializer_list>
#include <utility>
#include <QPointer>
#include <QString>
#include <QStringList>

class QComboBox;
class QHBoxLayout;
class QLabel;
class TDBEditEh;
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

// A picker of one row of its own list: q_temp over the rows the caller sets, the caller's tag
// in the hidden Label1, 选中 and 返回 over the grid of the list's columns (sorted by title
// clicks; a double click selects). What a selection does is the picker's own; 返回 closes the
// list and the picker.
class TListPicker : public QDialog {
  Q_OBJECT
 public:
  void SetCallerTag(const QString& tag);
  QString CallerTag() const;

  QLabel* Label1 = nullptr;  // the caller's tag, hidden
  TADOQuery* q_temp = nullptr;
  TDataSource* ds_temp = nullptr;
  TDBGridEh* DBGridEh1 = nullptr;
  QPushButton* bitbtn_select = nullptr;  // 选中(&S)
  QPushButton* SpeedButton4 = nullptr;   // 返回

 public slots:
  virtual void bitbtn_selectClick() = 0;
  void DBGridEh1DblClick();
  void SpeedButton4Click();
  void DBGrideh1SortMarkingChanged();

 protected:
  // One column of the list: its field, its title (the field's name when null), its width.
  struct TPickerColumn {
    const char* field;
    const char* title;
    int width;
  };
  TListPicker(QWidget* parent, const char* name, const QString& title, std::initializer_list<TPickerColumn> columns);
};

// A picker of one row of a shared list found by a search: the caller's tag in the hidden
// Label2, 选中 and 返回, then the search (its choice box, the text in Edit1 typed in upper case,
// 查找; Enter in the text searches) over the grid of the list's columns (sorted by title
// clicks; a double click selects). What a search and a selection do is the picker's own;
// 返回 closes the picker.
class TSearchPicker : public QDialog {
  Q_OBJECT
 public:
  void SetCallerTag(const QString& tag);
  QString CallerTag() const;
  void SetCallerDataSet(TDataSet* dataSet) { callerDataSet_ = dataSet; }

  QLabel* Label2 = nullptr;              // the caller's tag, hidden
  TDBEditEh* Edit1 = nullptr;            // the text searched for, upper case
  QPushButton* bitbtn_seek = nullptr;    // 查找
  QPushButton* bitbtn_select = nullptr;  // 选中
  QPushButton* SpeedButton4 = nullptr;   // 返回
  TDBGridEh* DBGridEh1 = nullptr;

 public slots:
  virtual void bitbtn_seekClick() = 0;
  virtual void bitbtn_selectClick() = 0;
  void DBGridEh1DblClick();
  void SpeedButton4Click();
  void DBGrideh1SortMarkingChanged();

 protected:
  // How a search picker looks: its name and caption, the choice box's name and choices, the
  // caption of 选中, and its list with the grid's columns (field and width) and footer rows.
  struct TSearchPickerLook {
    const char* name;
    QString title;
    const char* choiceName;
    QStringList choices;
    QString selectCaption;
    TADOQuery* list;
    TDataSource* source;
    int footerRows;
    std::initializer_list<std::pair<const char*, int>> columns;
  };
  explicit TSearchPicker(QWidget* parent, const TSearchPickerLook& look);
  QComboBox* ChoiceBox() const { return choice_; }
  // Places `w` in the search after the text (for a second way to search).
  void AddSearchWidget(QWidget* w);
  QPointer<TDataSet> callerDataSet_;

 private:
  TADOQuery* list_;
  QComboBox* choice_ = nullptr;
  QHBoxLayout* tools_ = nullptr;
};

// The building picker (caption "选择楼宇"). The caller writes its tag, sets and opens q_temp
// over 楼宇资料, shows the picker modally and frees it. A selection acts by tag and closes; a
// tag it does not know leaves it open:
//   "tousuinfo": 小区代码, 小区名称, 楼宇代码, 楼宇名称 into the complaint row.
class TForm_choosestorey : public TListPicker {
  Q_OBJECT
 public:
  explicit TForm_choosestorey(QWidget* parent = nullptr);

  void SetCallerDataSet(TDataSet* dataSet) { callerDataSet_ = dataSet; }

 public slots:
  void bitbtn_selectClick() override;

 private:
  QPointer<TDataSet> callerDataSet_;
};
