#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "platform/money.h"
#include "shell/recordwindow.h"

class QLabel;
class TADOQuery;
class TDataSet;
class TDataSource;
class TDBComboBoxEh;
class TDBEditEh;
class TDBGridEh;
class TPrintDBGridEh;

// The five ways a charge item computes a house's monthly amount (the texts of 计算公式).
namespace ChargeFormula {
inline const QString Meter = QString::fromUtf8("单价*(本月数-上月数)");
inline const QString Area = QString::fromUtf8("单价*面积");
inline const QString Quantity = QString::fromUtf8("单价*数量");
inline const QString Ratio = QString::fromUtf8("比例*金额");
inline const QString Direct = QString::fromUtf8("直接输入金额");
// All five in the order the lists offer them.
QStringList All();
bool IsKnown(const QString& formula);
}  // namespace ChargeFormula

// The house areas an item may be charged on (收费面积), and the ones a save accepts.
QStringList ChargeAreaNames();              // 房屋面积, 使用面积, 其它面积一
bool IsAcceptedChargeArea(const QString& name);  // also 其它面积二

// A float quantity (an area, a meter consumption) as money: ×10000 rounded half to even.
Money QuantityAsMoney(double quantity);

// The basis 预付金额 a house's standard starts with: the named area for "单价*面积", 1 for
// "直接输入金额", 0 for the others (the meter readings or a typed quantity supply them).
Money StandardBasis(const QString& formula, double areaOfHouse);

// The monthly amount of a formula: 单价 × basis, where the basis of a meter item is the
// consumption (this reading − last reading) and the basis of "直接输入金额" is 1. Products
// are taken on the counts of ten-thousandths and rounded half to even. Nothing for a text
// that names no formula.
std::optional<Money> FormulaAmount(const QString& formula, Money price, Money basis, double thisReading = 0,
                                   double lastReading = 0);

// The charge-item window (物业收费项目管理) over its own q_iteminfo. The opener sets the SQL
// ("select * from 收费项目" / "order by 收费名称") and opens it.
class TForm_iteminfo : public TRecordForm {
  Q_OBJECT
 public:
  explicit TForm_iteminfo(QWidget* parent = nullptr);
  ~TForm_iteminfo() override;

  TADOQuery* q_iteminfo = nullptr;
  TDataSource* ds_iteminfo = nullptr;

  TDBEditEh* DBEdit1 = nullptr;  // 收费名称
  TDBEditEh* DBEdit2 = nullptr;  // 单价
  TDBEditEh* DBEdit3 = nullptr;  // 金额
  TDBEditEh* DBEdit4 = nullptr;  // 收费说明
  TDBComboBoxEh* DBComboBoxEh1 = nullptr;  // 收费面积
  TDBComboBoxEh* DBComboBoxEh2 = nullptr;  // 计算公式
  TDBComboBoxEh* DBComboBoxEh3 = nullptr;  // 收费范围
  TDBComboBoxEh* DBComboBoxEh4 = nullptr;  // 停止收费
  TDBComboBoxEh* DBComboBoxEh5 = nullptr;  // 收费周期
  TDBComboBoxEh* DBComboBoxEh6 = nullptr;  // 收费类别
  QLabel* Label_amount = nullptr;          // "金额："
  QLabel* Label_hint = nullptr;

  TDBGridEh* DBGridEh1 = nullptr;
  TPrintDBGridEh* PrintDBGridEh1 = nullptr;
  QToolButton* SpeedButton2 = nullptr;  // 初始界面 (hidden)

 public slots:
  void bitbtn_addClick();
  void bitbtn_editClick();
  void bitbtn_saveClick();
  void bitbtn_cancelClick();
  void bitbtn_deleteClick();
  void SpeedButton2Click();
  void DBGridEh1SortMarkingChanged();
  // Shows the 金额 editor (read-only while browsing) for "业主收费金额相同".
  void UpdateAmountEditor();

 protected:
  void done(int result) override;

 private:
  bool sameAmountChosen() const;
  TLayoutReset layoutReset_;
};

// The main window's 收费项目设置 (after its right check): the window over every item, shown
// modally and freed.
void OpenChargeItemsCommand(QWidget* owner);
