#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <memory>

#include "platform/data/datasource.h"

class QLabel;
class QPushButton;

// A memo bound to one field of a data source: what is typed goes into the current row at
// once (the row enters editing as with any bound editor), and the row's value shows when the
// row changes.
class TDBMemo : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TDBMemo(QWidget* parent = nullptr);
  ~TDBMemo() override;

  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* source);
  QString DataField() const { return field_; }
  void SetDataField(const QString& name);
  TField* Field() const;

 private:
  class Link;
  friend class Link;
  void load();
  void typed();
  std::unique_ptr<Link> link_;
  QString field_;
  bool loading_ = false;
};

// The memo editor (caption "备忘录"): one memo under the label "内容：" bound to the
// caller's data source and field, and "返回", which closes it. The caller's 存盘 or 取消
// decides what becomes of the text.
class TForm_bz : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_bz(QWidget* parent = nullptr);

  void Bind(TDataSource* source, const QString& field);

  QLabel* Label1 = nullptr;
  TDBMemo* DBMemo1 = nullptr;
  QPushButton* SpeedButton1 = nullptr;  // 返回

 public slots:
  void SpeedButton1Click();
};
