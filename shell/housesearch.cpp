#include "shell/housesearch.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "platform/exception.h"
#include "platform/format.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/windowparts.h"

namespace {

QString like(const QString& field, const QString& text) {
  return u("(") + field + u(" like ") + SqlQuote::Like(text, true, true) + SqlQuote::LikeEscape() + u(")");
}

// A date box is empty when its text begins with a blank (or holds nothing).
bool dateEmpty(const QLineEdit* box) {
  const QString text = box->text();
  return text.isEmpty() || text.at(0).isSpace();
}
}  // namespace

// ---------------------------------------------------------------------------------------
// TForm_houseinfo_query

TForm_houseinfo_query::TForm_houseinfo_query(QWidget* parent) : QDialog(parent) {
  SetupFixedDialog(this, "Form_houseinfo_query", u("查询"), false);

  auto line = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QString::fromLatin1(name));
    return e;
  };
  auto choice = [this](const char* name, const QStringList& items) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->addItems(items);
    c->setCurrentIndex(-1);
    c->setEditText(QString());
    return c;
  };
  Edit1 = line("Edit1");
  ComboBox1 = choice("ComboBox1", {});
  ComboBox2 = choice("ComboBox2", {u("完全产权"), u("使用权"), u("没有产权")});
  ComboBox3 = choice("ComboBox3", {u("一房一厅"), u("二房一厅"), u("二房二厅"), u("三房一厅"), u("三房二厅"),
                                   u("四房一厅"), u("四房二厅"), u("别墅")});
  Edit2 = line("Edit2");
  Edit3 = line("Edit3");
  Edit4 = line("Edit4");
  Edit5 = line("Edit5");
  Edit6 = line("Edit6");
  MaskEdit1 = line("MaskEdit1");
  MaskEdit2 = line("MaskEdit2");
  MaskEdit3 = line("MaskEdit3");
  MaskEdit4 = line("MaskEdit4");
  for (QLineEdit* d : {MaskEdit1, MaskEdit2, MaskEdit3, MaskEdit4}) d->setPlaceholderText(u("yyyy-m-d"));
  using D = TForm_houseinfo_query;
  AddDialogButtons<D>(this, {{&D::BitBtn1, "BitBtn1", "查询 (&F)", &D::BitBtn1Click},
                            {&D::BitBtn2, "BitBtn2", "返回 (&R)", &D::BitBtn2Click}});

  auto* grid = new QGridLayout;
  int r = 0;
  auto put = [&](const char* caption, QWidget* w) {
    grid->addWidget(new QLabel(u(caption), this), r, 0, Qt::AlignRight);
    grid->addWidget(w, r++, 1, 1, 3);
  };
  put("房屋代码：", Edit1);
  put("楼宇名称：", ComboBox1);
  grid->addWidget(new QLabel(u("产权状况："), this), r, 0, Qt::AlignRight);
  grid->addWidget(ComboBox2, r, 1);
  grid->addWidget(new QLabel(u("房型："), this), r, 2, Qt::AlignRight);
  grid->addWidget(ComboBox3, r++, 3);
  put("关联单位：", Edit2);
  put("车辆车位：", Edit3);
  put("业主名称：", Edit4);
  put("装修情况：", Edit5);
  put("备注：", Edit6);
  auto range = [&](const char* caption, QLineEdit* from, QLineEdit* to) {
    grid->addWidget(new QLabel(u(caption), this), r, 0, Qt::AlignRight);
    grid->addWidget(from, r, 1);
    grid->addWidget(new QLabel(u("到"), this), r, 2, Qt::AlignCenter);
    grid->addWidget(to, r++, 3);
  };
  range("入住日期 从：", MaskEdit1, MaskEdit2);
  range("入伙日期 从：", MaskEdit3, MaskEdit4);
  auto* buttons = NewButtonRow({BitBtn1, BitBtn2});
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addLayout(buttons);
  setFixedSize(sizeHint());
  CentreOnScreen(this);

  auto* chain = new TEnterChain(this);
  chain->Chain({Edit1, ComboBox1, ComboBox2, ComboBox3, Edit2, Edit3, Edit4, Edit5, Edit6, MaskEdit1, MaskEdit2,
                MaskEdit3, MaskEdit4},
               [this] { BitBtn1Click(); });
  for (QWidget* w : {static_cast<QWidget*>(Edit4), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(ComboBox1),
                     static_cast<QWidget*>(ComboBox3), static_cast<QWidget*>(ComboBox2)})
    SetImeName(w, CurrentOperatorIme);
  Edit1->setFocus();
}

QString TForm_houseinfo_query::BuildCondition(bool* refused) {
  *refused = false;
  // The date pairs: both filled or both empty, real dates, the start not after the end.
  struct Pair {
    QLineEdit* from;
    QLineEdit* to;
    const char* field;
    const char* wrong;
    const char* reversed;
    TDateTime start = 0, end = 0;
    bool used = false;
  } pairs[] = {
      {MaskEdit1, MaskEdit2, "迁入日期", "入住日期输入错误,请重新输入!", "入住日期从大于入住日期到,请重新输入!"},
      {MaskEdit3, MaskEdit4, "入伙日期", "入伙日期输入错误,请重新输入!", "入伙日期从大于入伙日期到,请重新输入!"},
  };
  for (Pair& p : pairs) {
    const bool fromEmpty = dateEmpty(p.from);
    const bool toEmpty = dateEmpty(p.to);
    if (fromEmpty && toEmpty) continue;
    // One box alone, or a text that is no date, cannot be searched for.
    if (fromEmpty != toEmpty || !TryStrToDate(p.from->text().trimmed(), p.start) ||
        !TryStrToDate(p.to->text().trimmed(), p.end)) {
      ShowNotice(u(p.wrong));
      p.from->setFocus();
      *refused = true;
      return QString();
    }
    if (p.end < p.start) {
      ShowNotice(u(p.reversed));
      p.from->setFocus();
      *refused = true;
      return QString();
    }
    p.used = true;
  }

  QStringList parts;
  auto text = [](const QString& t) { return t.trimmed(); };
  if (!text(Edit1->text()).isEmpty()) parts << like(u("房屋代码"), text(Edit1->text()));
  if (!text(ComboBox1->currentText()).isEmpty()) parts << like(u("楼宇名称"), text(ComboBox1->currentText()));
  if (!text(ComboBox3->currentText()).isEmpty())
    parts << u("(房型 = ") + SqlQuote::Text(text(ComboBox3->currentText())) + u(")");
  if (!text(ComboBox2->currentText()).isEmpty())
    parts << u("(产权状况 = ") + SqlQuote::Text(text(ComboBox2->currentText())) + u(")");
  // The box labelled 关联单位 searches the house's associated unit.
  if (!text(Edit2->text()).isEmpty()) parts << like(u("关联单位"), text(Edit2->text()));
  if (!text(Edit4->text()).isEmpty()) parts << like(u("业主名称"), text(Edit4->text()));
  if (!text(Edit5->text()).isEmpty()) parts << like(u("装修情况"), text(Edit5->text()));
  if (!text(Edit6->text()).isEmpty()) parts << like(u("备注"), text(Edit6->text()));
  if (!text(Edit3->text()).isEmpty()) parts << like(u("车辆车位"), text(Edit3->text()));
  for (const Pair& p : pairs) {
    if (!p.used) continue;
    // Whole days: from the first second of the start to the last second of the end.
    parts << u("(") + u(p.field) + u(" between ") + SqlQuote::DateText(DateOf(p.start)) + u(" and ") +
                 SqlQuote::DateText(DateOf(p.end) + (86399.0 / 86400.0)) + u(")");
  }
  if (GardenScoped) parts << u("(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  return parts.join(u("and"));
}

void TForm_houseinfo_query::BitBtn1Click() {
  bool refused = false;
  const QString condition = BuildCondition(&refused);
  if (refused) return;
  if (SearchFromDialog(Dm1->q_houseinfo, u("select * from 房屋资料"), condition, u("order by 房屋代码"), Edit1))
    done(Accepted);
}

void TForm_houseinfo_query::BitBtn2Click() { done(Rejected); }

// ---------------------------------------------------------------------------------------
// TForm_house_zhuangtai

TForm_house_zhuangtai::TForm_house_zhuangtai(QWidget* parent) : QDialog(parent) {
  SetupDialog(this, "Form_house_zhuangtai", u("房屋状态表"));

  auto* bar = new QHBoxLayout;
  auto button = [this, bar](const char* name, const char* caption) { return NewToolButton(this, bar, name, u(caption)); };
  bitbtn_tj = button("bitbtn_tj", "统计");
  bitbtn_delete = button("bitbtn_delete", "删除");
  bitbtn_out = button("bitbtn_out", "导出");
  bitbtn_print = button("bitbtn_print", "打印");
  SpeedButton4 = button("SpeedButton4", "返回");
  bitbtn_delete->setVisible(false);
  Animate1 = new QLabel(u("正在统计……"), this);
  Animate1->setObjectName(QStringLiteral("Animate1"));
  Animate1->setVisible(false);
  bar->addWidget(Animate1);
  bar->addStretch(1);

  DBGridEh1 = NewListGrid(this, "DBGridEh1", Dm1->ds_tongyong);
  TColumnEh* code = AddGridColumn(DBGridEh1, u("texta"), u("房屋代码"), true, 100);
  code->Footer()->SetValueType(fvtStaticText);
  code->Footer()->SetValue(u("合计"));
  AddGridColumn(DBGridEh1, u("textf"), u("楼宇名称"), true, 100);
  AddGridColumn(DBGridEh1, u("textd"), u("业主名称"), true, 100);
  AddGridColumn(DBGridEh1, u("texte"), u("联系电话"), true, 110);
  for (const auto& [field, title] : {std::pair{"textb", "入      住"}, std::pair{"textc", "空      置"}}) {
    TColumnEh* c = AddGridColumn(DBGridEh1, u(field), u(title), true, 70);
    c->Footer()->SetValueType(fvtStaticText);
  }
  AddGridColumn(DBGridEh1, QString(), u(" "), false, 60);
  StripeGridRows(DBGridEh1);
  DBGridEh1->OnSortMarkingChanged = [this](QObject*) { Guard([this] { DBGridEh1SortMarkingChanged(); }); };
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh1, u("房屋状态表"));

  auto* column = new QVBoxLayout(this);
  column->addLayout(bar);
  column->addWidget(DBGridEh1, 1);
  OpenMaximised(this, QSize(800, 560));

  connect(bitbtn_tj, &QToolButton::clicked, this, Guarded([this] { bitbtn_tjClick(); }));
  connect(bitbtn_out, &QToolButton::clicked, this, Guarded([this] { bitbtn_outClick(); }));
  connect(bitbtn_print, &QToolButton::clicked, this, Guarded([this] { bitbtn_printClick(); }));
  connect(bitbtn_delete, &QToolButton::clicked, this, Guarded([this] { bitbtn_deleteClick(); }));
  connect(SpeedButton4, &QToolButton::clicked, this, Guarded([this] { SpeedButton4Click(); }));
}

void TForm_house_zhuangtai::bitbtn_tjClick() {
  TADOQuery* scratch = Dm1->q_tongyong;
  TADOQuery* houses = Dm1->q_search;
  Animate1->setVisible(true);
  scratch->DisableControls();
  struct Restore {
    TForm_house_zhuangtai* w;
    TADOQuery* scratch;
    ~Restore() {
      w->Animate1->setVisible(false);
      scratch->EnableControls();
    }
  } restore{this, scratch};

  scratch->Close();
  scratch->SQL.Clear();
  scratch->SQL.Add(u("delete from 通用"));
  scratch->ExecSQL();
  scratch->SQL.Clear();
  scratch->SQL.Add(u("select * from "));
  scratch->SQL.Add(u("通用"));
  scratch->SQL.Add(u(" order by texta"));
  scratch->Open();

  houses->Close();
  houses->SQL.Clear();
  houses->SQL.Add(u("select * from 房屋资料"));
  houses->SQL.Add(u("order by 房屋代码"));
  houses->Open();
  int occupied = 0, other = 0;
  const QString mark = u("△");
  // One transaction for the whole list: thousands of rows are written at once.
  TADOConnection* local = Dm1->db_local;
  const int level = local->BeginTrans();
  try {
    for (houses->First(); !houses->Eof(); houses->Next()) {
      const bool in = houses->FieldByName(u("使用状况"))->AsString() == u("入住");
      scratch->Append();
      scratch->FieldByName(u("texta"))->SetAsString(houses->FieldByName(u("房屋代码"))->AsString());
      scratch->FieldByName(u("textf"))->SetAsString(houses->FieldByName(u("楼宇名称"))->AsString());
      if (in) {
        scratch->FieldByName(u("textd"))->SetAsString(houses->FieldByName(u("业主名称"))->AsString());
        scratch->FieldByName(u("texte"))->SetAsString(houses->FieldByName(u("联系电话"))->AsString());
        scratch->FieldByName(u("textb"))->SetAsString(mark);
        ++occupied;
      } else {
        scratch->FieldByName(u("textc"))->SetAsString(mark);
        ++other;
      }
      scratch->Post();
    }
    local->CommitTrans();
  } catch (const Exception&) {
    if (scratch->State() == dsInsert) scratch->Cancel();
    while (local->TransactionLevel() >= level) local->RollbackTrans();
    houses->Close();
    scratch->Close();
    scratch->Open();
    throw;
  }
  DBGridEh1->Columns()->Items(4)->Footer()->SetValue(QString::number(occupied));
  DBGridEh1->Columns()->Items(5)->Footer()->SetValue(QString::number(other));
  scratch->First();
  houses->Close();
}

void TForm_house_zhuangtai::bitbtn_outClick() { ExportShownRows(DBGridEh1, u("房屋状态表"), nullptr, false); }

void TForm_house_zhuangtai::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, nullptr, false); }

void TForm_house_zhuangtai::bitbtn_deleteClick() {}

void TForm_house_zhuangtai::SpeedButton4Click() { close(); }

void TForm_house_zhuangtai::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, Dm1->q_tongyong); }

void RunOverEmptiedScratch(QDialog* window) {
  TADOQuery* q = Dm1->q_tongyong;
  q->Close();
  q->SQL.Clear();
  q->SQL.Add(u("delete from 通用"));
  q->ExecSQL();
  ReopenQuery(q, {u("select * from 通用"), u("order by texta")});
  RunModal(window);
  delete window;
  q->Close();
}

void OpenHouseStatusWindow(QWidget* owner) { RunOverEmptiedScratch(new TForm_house_zhuangtai(owner)); }
