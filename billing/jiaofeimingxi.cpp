#include "billing/jiaofeimingxi.h"
#include "billing/jiaofei.h"

#include "shell/windowparts.h"
#include "billing/billingwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "billing/estatescope.h"
#include "platform/data/ado.h"
#include "platform/data/sqlquote.h"
#include "platform/ui.h"
#include "shell/dm.h"
#include "shell/loginstate.h"

namespace {
}  // namespace

TForm_jiaofeimingxi::TForm_jiaofeimingxi(QWidget* parent)
    : TRecordForm(parent), layoutReset_(QStringLiteral("jiaofeimingxi.ini")) {
  setObjectName(QStringLiteral("Form_jiaofeimingxi"));
  setWindowTitle(u("业主缴费明细查询"));
  setWindowState(Qt::WindowMaximized);

  using W = TForm_jiaofeimingxi;
  InstallHouseRowsQueries(this, &W::q_jiaofeidan, &W::ds_jiaofeidan, "q_jiaofeidan", &W::change);
  q_jiaofeidan->AfterScroll = [this](TDataSet*) { showStatusWords(); };

  const auto [bar, row] = NewToolBar<W>(this, kScratchListBar,
                                        {{&W::bitbtn_out, "bitbtn_out", "导出", &W::bitbtn_outClick},
                                         {&W::bitbtn_print, "bitbtn_print", "打印", &W::bitbtn_printClick},
                                         {&W::SpeedButton4, "SpeedButton4", "返回", &W::SpeedButton4Click},
                                         {&W::SpeedButton2, "SpeedButton2", "初始界面", &W::SpeedButton2Click}});
  SpeedButton2->setVisible(false);
  row->addStretch(1);

  auto* title = new QFrame(this);
  auto* trow = new QHBoxLayout(title);
  auto* caption = new QLabel(u("业主缴费明细查询"), title);
  QFont big = caption->font();
  big.setPointSize(16);
  big.setBold(true);
  caption->setFont(big);
  trow->addWidget(caption);
  Label3 = new QLabel(u(kUnpaid), title);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label5 = new QLabel(u("已缴费"), title);
  Label5->setObjectName(QStringLiteral("Label5"));
  for (QLabel* l : {Label3, Label5}) {
    l->setFont(big);
    l->setStyleSheet(QStringLiteral("color: red;"));
    l->setVisible(false);
    trow->addWidget(l);
  }
  trow->addStretch(1);
  trow->addWidget(new QLabel(u("缴费时间："), title));
  DateTimePicker1 = new QDateEdit(QDate::currentDate(), title);
  DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
  DateTimePicker1->setDisplayFormat(u("yyyy-M-d"));
  trow->addWidget(DateTimePicker1);
  CheckBox1 = new QCheckBox(u("仅含"), title);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  CheckBox1->setChecked(true);
  trow->addWidget(CheckBox1);

  auto* search = new QFrame(this);
  auto* srow = new QHBoxLayout(search);
  DBComboBoxEh3 = AddEditableList(search, "DBComboBoxEh3");
  Edit1 = AddLineEdit(search, "Edit1");
  Edit3 = AddLineEdit(search, "Edit3");
  SetImeName(Edit3, CurrentOperatorIme);
  ComboBox4 = AddEditableList(search, "ComboBox4");
  const struct {
    const char* label;
    QWidget* editor;
  } placed[] = {{"楼宇名称：", DBComboBoxEh3}, {"房屋代码：", Edit1}, {"业主名称：", Edit3}, {"关联单位：", ComboBox4}};
  for (const auto& p : placed) {
    srow->addWidget(new QLabel(u(p.label), search));
    srow->addWidget(p.editor);
  }
  SpeedButton1 = AddToolButton(srow, "SpeedButton1", u("查找"));
  RadioButton1 = new QRadioButton(u("已缴费"), search);
  RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
  RadioButton2 = new QRadioButton(u(kUnpaid), search);
  RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
  RadioButton3 = new QRadioButton(u("全部"), search);
  RadioButton3->setObjectName(QStringLiteral("RadioButton3"));
  RadioButton3->setChecked(true);
  for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3}) {
    srow->addWidget(r);
    connect(r, &QRadioButton::clicked, this, Guarded([this] { change(); }));
  }
  srow->addStretch(1);

  DBGridEh1 = AddHouseListGrid(this, ds_houseinfo, HouseListSort::AllColumns, false,
                               [this] { DBGridEh1SortMarkingChanged(); });

  DBGridEh2 = NewListGrid(this, "DBGridEh2", ds_jiaofeidan);
  for (const char* f : {"年度", "月份"}) AddGridColumn(DBGridEh2, u(f));
  SetFooterText(AddGridColumn(DBGridEh2, u("收费名称")), u("合计"));
  for (const char* f : {"单价", "本月表数", "上月表数"}) AddGridColumn(DBGridEh2, u(f));
  AddGridColumn(DBGridEh2, u("面积或数量"), u("面积/数量"));
  AddGridColumn(DBGridEh2, u("收费金额"))->Footer()->SetValueType(fvtSum);
  for (const char* f : {"开始日期", "结束日期", "计算公式", "房屋代码", "业主名称", "缴费状态", "单据号码", "缴费人",
                        "收款人", "缴费时间", "备注"})
    AddGridColumn(DBGridEh2, u(f));
  DBGridEh2->OnGetCellParams = [this](QObject*, TColumnEh*, TFontEh& font, TColor&, TGridDrawState) {
    PaintStatusRows(q_jiaofeidan, u("缴费状态"), u(kUnpaid), font);
  };
  PrintDBGridEh1 = NewGridPrint(this, "PrintDBGridEh1", DBGridEh2, u("业主缴费明细表"));
  SetListOutput({DBGridEh2, u("业主缴费明细表"), nullptr, nullptr});

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter->setObjectName(QStringLiteral("Splitter1"));
  splitter->addWidget(DBGridEh1);
  splitter->addWidget(DBGridEh2);
  splitter->setStretchFactor(1, 3);
  auto* column = new QVBoxLayout(this);
  column->addWidget(bar);
  column->addWidget(title);
  column->addWidget(search);
  column->addWidget(splitter, 1);
  resize(1100, 680);

  ConnectClicks(this, {{SpeedButton1, &W::SpeedButton1Click}});
  connect(DateTimePicker1, &QDateEdit::dateChanged, this, Guarded([this] { change(); }));
  connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { DateTimePicker1->setEnabled(on); });
  auto* chain = new TEnterChain(this);
  chain->Chain({DBComboBoxEh3, Edit1, Edit3, ComboBox4}, [this] { SpeedButton1Click(); });
}

TForm_jiaofeimingxi::~TForm_jiaofeimingxi() {
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  q_jiaofeidan->AfterScroll = nullptr;
}

void TForm_jiaofeimingxi::Prepare() {
  const QString estate =
      GardenScoped ? u("where (小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")\n") : QString();
  DBComboBoxEh3->clear();
  DBComboBoxEh3->addItems(DistinctSearchValues(u("select * from 楼宇资料 \n") + estate + u("order by 楼宇名称 "), "楼宇名称"));
  DBComboBoxEh3->setCurrentText(QString());
  ComboBox4->clear();
  ComboBox4->addItems(DistinctSearchValues(u("select * from 关联单位 \n") + estate, "关联单位"));
  ComboBox4->setCurrentText(QString());
}

void TForm_jiaofeimingxi::showEvent(QShowEvent* event) {
  TRecordForm::showEvent(event);
  if (activated_) return;
  activated_ = true;
  Guard([this] { FormActivate(); });
}

void TForm_jiaofeimingxi::FormActivate() {
  {
    const QSignalBlocker quiet(DateTimePicker1);
    DateTimePicker1->setDate(QDate::currentDate());
  }
  q_houseinfo->Close();
  q_houseinfo->SQL.Clear();
  q_houseinfo->SQL.Add(u("select * from 房屋资料"));
  q_houseinfo->SQL.Add(u("order by 房屋代码"));
  q_houseinfo->Open();
}

void TForm_jiaofeimingxi::change() {
  if (!q_houseinfo->Active() || q_houseinfo->IsEmpty()) return;
  const QDate d = DateTimePicker1->date();
  QString condition = u("where ") + EstateHouse(RowEstate(q_houseinfo), q_houseinfo->FieldByName(u("房屋代码"))->AsString());
  if (CheckBox1->isChecked())
    condition += u("and(年度=") + SqlQuote::Text(QString::number(d.year())) + u(")and(月份=") +
                 SqlQuote::Text(QString::number(d.month())) + u(")");
  if (RadioButton1->isChecked()) condition += u("and(缴费状态<>'未缴费')");
  else if (RadioButton2->isChecked()) condition += u("and(缴费状态='未缴费')");
  if (GardenScoped) condition += u("and(小区代码=") + SqlQuote::Text(CurrentGardenCode) + u(")");
  q_jiaofeidan->Close();
  q_jiaofeidan->SQL.Clear();
  q_jiaofeidan->SQL.Add(u("select * from 收费明细表 ") + condition);
  q_jiaofeidan->SQL.Add(u("order by 开始日期"));
  q_jiaofeidan->Open();
  q_jiaofeidan->First();
  showStatusWords();
}

void TForm_jiaofeimingxi::showStatusWords() {
  if (!q_jiaofeidan->Active() || q_jiaofeidan->IsEmpty()) {
    Label3->setVisible(false);
    Label5->setVisible(false);
    return;
  }
  const bool unpaid = q_jiaofeidan->FieldByName(u("缴费状态"))->AsString() == u(kUnpaid);
  Label3->setVisible(unpaid);
  Label5->setVisible(!unpaid);
}

void TForm_jiaofeimingxi::SpeedButton1Click() {
  TSearchConditions where = HouseSearchConditions(Edit1->text(), Edit3->text(), DBComboBoxEh3->currentText());
  where.Contains(u("关联单位"), ComboBox4->currentText().trimmed()).EstateScope();
  // The bill list follows only a house search that finds houses: an empty result keeps the
  // bills of the previous house on show.
  SearchRows(q_houseinfo, u("select * from 房屋资料 "), where, u(" order by 房屋代码 "));
}

void TForm_jiaofeimingxi::SpeedButton2Click() { layoutReset_.Click(); }
void TForm_jiaofeimingxi::bitbtn_printClick() { PrintShownRows(PrintDBGridEh1, nullptr, false); }
void TForm_jiaofeimingxi::DBGridEh1SortMarkingChanged() { SortByTitleMarkers(DBGridEh1, q_houseinfo); }

void TForm_jiaofeimingxi::done(int result) {
  TRecordForm::done(result);
  q_houseinfo->AfterScroll = nullptr;
  q_houseinfo->AfterOpen = nullptr;
  q_jiaofeidan->AfterScroll = nullptr;
  for (TADOQuery* q : {q_houseinfo, q_jiaofeidan}) {
    if (q->Active()) q->Cancel();
    q->Close();
  }
  layoutReset_.WindowClosed();
}

void OpenBillDetailCommand(QWidget* owner) {
  auto* window = new TForm_jiaofeimingxi(owner);
  window->Prepare();
  RunModal(window);
  delete window;
}
