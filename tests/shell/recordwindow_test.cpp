// The behaviour all record and list windows share: export names and exporters, print
// substitutions, sorting by title markers, row colours, the scratch-row delete, the memo
// editor, layout reset, Enter chains and input-method names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QToolButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/PrnDbgeh.h"
#include "platform/data/ado.h"
#include "platform/format.h"
#include "shell/bz.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "shell/recordwindow.h"
#include "tests/support/keys.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {

// New databases in a fresh folder, the data module, and a query over the operators with a
// grid showing it.
class RecordWindowTest : public DataModuleTest {
 protected:
  void SetUp() override {
    OpenDatabases(true);
    exec(u("insert into 权限表 (代码, 姓名) values ('002', '乙'), ('003', '甲'), ('004', '丙')"));
    query_ = new TADOQuery();
    query_->SetConnection(Dm1->ADO_system);
    OpenOrdered(query_, u("select * from 权限表 "), u("order by 代码"));
    source_ = new TDataSource();
    source_->SetDataSet(query_);
    grid_ = new TDBGridEh();
    SetupListGrid(grid_, source_);
    AddGridColumn(grid_, u("代码"), u("代码"), true);
    AddGridColumn(grid_, u("姓名"), u("姓名"), true);
  }
  void TearDown() override {
    delete grid_;
    delete source_;
    delete query_;
    CloseDatabases();
  }
  QStringList codes() {
    QStringList out;
    for (query_->First(); !query_->Eof(); query_->Next()) out << query_->FieldByName(u("代码"))->AsString();
    return out;
  }

  TADOQuery* query_ = nullptr;
  TDataSource* source_ = nullptr;
  TDBGridEh* grid_ = nullptr;
};


}  // namespace

TEST(RecordWindowExport, FileNameGetsTheFiltersExtensionUnlessItEndsInIt) {
  struct Case {
    const char* chosen;
    int filter;
    const char* written;
  };
  const Case cases[] = {
      {"/tmp/操作员", 1, "/tmp/操作员.txt"},
      {"/tmp/操作员", 2, "/tmp/操作员.csv"},
      {"/tmp/list.CSV", 2, "/tmp/list.CSV"},     // any case is kept as typed
      {"/tmp/list.txt", 2, "/tmp/list.txt.csv"}, // another extension gets the filter's after it
      {"/tmp/list", 3, "/tmp/list.htm"},
      {"/tmp/list.htm", 3, "/tmp/list.htm"},
      {"/tmp/list", 4, "/tmp/list.rtf"},
      {"/tmp/list.xls", 5, "/tmp/list.xls"},
      {"/tmp/list", 0, ""},  // no exporter: nothing is written
      {"/tmp/list", 6, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen);
    EXPECT_EQ(ExportFileName(u(c.chosen), c.filter), u(c.written));
    EXPECT_EQ(bool(ExportClassForFilter(c.filter)), *c.written != 0);
  }
}

TEST_F(RecordWindowTest, ExportChecksGuardsThenWritesTheChosenFormat) {
  ScriptedUi ui;
  // Without the right: the refusal, no dialog.
  EXPECT_FALSE(ExportShownRows(grid_, u("操作员"), "导出权", false));
  EXPECT_EQ(ui.lastMessage().text, u(kNoRightMessage));
  EXPECT_TRUE(ui.fileRequests().isEmpty());

  RightFlags.set(u("导出权"), true);
  // The dialog starts with the default name; a cancelled dialog writes nothing.
  ui.cancel(ScriptedUi::Dialog::SaveFile);
  EXPECT_FALSE(ExportShownRows(grid_, u("操作员"), "导出权", false));
  ASSERT_EQ(ui.fileRequests().size(), 1);
  EXPECT_EQ(ui.fileRequests()[0].fileName, u("操作员"));
  EXPECT_EQ(ui.fileRequests()[0].filterIndex, 5);

  // CSV filter, a name without extension.
  Dm1->SaveDialog1->FilterIndex = 2;
  ui.answerSaveFile(work_->file(u("导出")));
  EXPECT_TRUE(ExportShownRows(grid_, u("操作员"), "导出权", false));
  QFile file(work_->file(u("导出.csv")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.contains("002"));
  EXPECT_TRUE(bytes.contains("004"));

  // With a row guard an empty list exports nothing and asks nothing.
  exec(u("delete from 权限表"));
  query_->Close();
  query_->Open();
  const int shown = ui.fileRequests().size();
  EXPECT_FALSE(ExportShownRows(grid_, u("操作员"), "导出权", true));
  EXPECT_EQ(ui.fileRequests().size(), shown);
  // Without a row guard the titles alone are written.
  ui.answerSaveFile(work_->file(u("空.txt")));
  Dm1->SaveDialog1->FilterIndex = 1;
  EXPECT_TRUE(ExportShownRows(grid_, u("操作员"), "导出权", false));
  EXPECT_TRUE(QFile::exists(work_->file(u("空.txt"))));
}

// More rows than an XLS file holds: the export is refused and leaves the chosen file as it was,
// neither created nor emptied.
TEST_F(RecordWindowTest, ARefusedXlsExportLeavesNoFileBehind) {
  exec(u("with recursive n(i) as (select 5 union all select i + 1 from n where i < 65540) "
         "insert into 权限表 (代码, 姓名) select printf('%06d', i), 'x' from n"));
  query_->Close();
  query_->Open();
  ScriptedUi ui;
  RightFlags.set(u("导出权"), true);
  struct Case {
    const char* name;
    bool existedBefore;
  };
  for (const Case& c : {Case{"新清单.xls", false}, Case{"旧清单.xls", true}}) {
    SCOPED_TRACE(c.name);
    const QString path = work_->file(u(c.name));
    if (c.existedBefore) {
      QFile old(path);
      ASSERT_TRUE(old.open(QIODevice::WriteOnly));
      old.write("old");
    }
    Dm1->SaveDialog1->FilterIndex = 5;
    ui.answerSaveFile(path);
    EXPECT_THROW(ExportShownRows(grid_, u("操作员"), "导出权", false), Exception);
    if (c.existedBefore) {
      QFile old(path);
      ASSERT_TRUE(old.open(QIODevice::ReadOnly));
      EXPECT_EQ(old.readAll(), QByteArray("old"));
    } else {
      EXPECT_FALSE(QFile::exists(path));
    }
    EXPECT_EQ(QDir(work_->file(QString())).entryList({u("*.xls*")}, QDir::Files).size(), c.existedBefore ? 1 : 0);
  }
}

TEST_F(RecordWindowTest, PrintSetsUpThePageTextsAndHandsTheSubstitutionsToThePreview) {
  ScriptedUi ui;
  CurrentOperatorName = u("张三");
  TPrintDBGridEh print;
  SetupGridPrint(&print, grid_, u("操作员及权限"));
  EXPECT_EQ(print.DBGridEh(), grid_);
  EXPECT_EQ(print.PageHeader.CenterText, QStringList{u("操作员及权限打印清单")});
  EXPECT_EQ(print.PageHeader.LeftText, (QStringList{u(""), u("第&[Page]页")}));
  ASSERT_EQ(print.AfterGridText()->Count(), 1);
  EXPECT_TRUE(print.AfterGridText()->Strings(0).startsWith(u("%[Today]")));
  EXPECT_TRUE(print.AfterGridText()->Strings(0).endsWith(u("%[czy]")));
  EXPECT_EQ(print.Units(), MM);

  int previews = 0;
  QStringList keys, values;
  TGridPrintPreview previous = SetGridPrintPreview([&](TPrintDBGridEh* p) {
    ++previews;
    keys = p->SubstituteKeys();
    values = p->SubstituteValues();
  });
  EXPECT_FALSE(PrintShownRows(&print, "打印权", false));
  EXPECT_EQ(ui.lastMessage().text, u(kNoRightMessage));
  EXPECT_EQ(previews, 0);

  RightFlags.set(u("打印权"), true);
  EXPECT_TRUE(PrintShownRows(&print, "打印权", false));
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(keys, (QStringList{u("%[Today]"), u("%[czy]")}));
  ASSERT_EQ(values.size(), 2);
  EXPECT_TRUE(values[0].startsWith(u("打印时间:") + DateToStr(Today()))) << values[0].toStdString();
  EXPECT_EQ(values[1], u("制表:张三 ."));

  // A row guard on an empty list: no preview, no refusal either.
  exec(u("delete from 权限表"));
  query_->Close();
  query_->Open();
  const int boxes = ui.messages().size();
  EXPECT_FALSE(PrintShownRows(&print, "打印权", true));
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(ui.messages().size(), boxes);
  SetGridPrintPreview(previous);
}

TEST_F(RecordWindowTest, TheComponentRendersTheListIntoThePreview) {
  ScriptedUi ui;
  CurrentOperatorName = u("张三");
  TPrintDBGridEh print;
  SetupGridPrint(&print, grid_, u("操作员及权限"));
  // The component's own run onto the preview's recording printer.
  TGridPrintPreview previous = SetGridPrintPreview([](TPrintDBGridEh* p) { p->ShowPreview(); });
  EXPECT_TRUE(PrintShownRows(&print, nullptr, true));
  SetGridPrintPreview(previous);
  EXPECT_GE(print.LastRunPageCount(), 1);
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->inherits("TPreviewFormEh")) w->close();
}

TEST_F(RecordWindowTest, SortByTitleMarkersReplacesTheLastLineAndReopens) {
  TColumnEh* code = grid_->Columns()->Items(0);
  TColumnEh* name = grid_->Columns()->Items(1);
  struct Case {
    const char* what;
    std::vector<std::pair<TColumnEh*, TSortMarkerEh>> marked;
    const char* line;
    QStringList order;
  };
  const Case cases[] = {
      {"one column down", {{name, smDownEh}}, " ORDER BY 姓名", {u("004"), u("002"), u("003"), u("001")}},
      {"one column up", {{code, smUpEh}}, " ORDER BY 代码 DESC ", {u("004"), u("003"), u("002"), u("001")}},
      {"two columns in marking order",
       {{code, smDownEh}, {name, smUpEh}},
       " ORDER BY 代码, 姓名 DESC ",
       {u("001"), u("002"), u("003"), u("004")}},
      {"no marked column", {}, "", {u("001"), u("002"), u("003"), u("004")}},
  };
  // 姓名 by code point: 丙(004) 乙(002) 甲(003) 系统管理员(001).
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // The operator's clicks: markers set in order (the grid keeps its list of marked columns).
    for (TColumnEh* column : {code, name}) column->Title()->SetSortMarker(smNoneEh);
    grid_->SortOrderColumns().Clear();
    for (auto& [column, marker] : c.marked) {
      column->Title()->SetSortMarker(marker);
      if (grid_->SortOrderColumns().IndexOf(column) < 0) grid_->SortOrderColumns().Add(column);
    }
    ASSERT_EQ(grid_->SortOrderColumns().Count(), int(c.marked.size()));
    SortByTitleMarkers(grid_, query_);
    ASSERT_EQ(query_->SQL.Count(), 2);
    EXPECT_EQ(query_->SQL[0], u("select * from 权限表 "));
    EXPECT_EQ(query_->SQL[1], u(c.line));
    ASSERT_TRUE(query_->Active());
    EXPECT_EQ(codes(), c.order);
  }
  // An empty list is left as it is.
  exec(u("delete from 权限表"));
  query_->Close();
  query_->Open();
  grid_->SortOrderColumns().Clear();
  grid_->SortOrderColumns().Add(code);
  SortByTitleMarkers(grid_, query_);
  EXPECT_EQ(query_->SQL[1], u(""));
}

TEST_F(RecordWindowTest, StripesAndStatusColours) {
  EXPECT_EQ(StripeColorOf(1), TColor(16382444));
  EXPECT_EQ(StripeColorOf(2), TColor(16777215));
  EXPECT_EQ(StripeColorOf(3), TColor(16382444));
  // The grid's record number decides.
  query_->First();
  TColor background = clWindow;
  StripeOddRows(grid_, background);
  EXPECT_EQ(background, TColor(16382444));
  query_->Next();
  StripeOddRows(grid_, background);
  EXPECT_EQ(background, TColor(16777215));

  // Red font only where the field holds the value.
  query_->First();  // 001 系统管理员
  TFontEh font;
  font.Color = clBlue;
  PaintStatusRows(query_, u("姓名"), u("甲"), font);
  EXPECT_EQ(font.Color, clBlue);
  query_->Locate(u("代码"), Variant(u("003")));
  PaintStatusRows(query_, u("姓名"), u("甲"), font);
  EXPECT_EQ(font.Color, TColor(255));
}

TEST_F(RecordWindowTest, ScratchRowDeleteAsksAndReportsAFailure) {
  ScriptedUi ui;
  query_->Locate(u("代码"), Variant(u("004")));
  ui.answerMessage(mrNo);
  DeleteScratchRow(query_);
  EXPECT_EQ(query_->RecordCount(), 4);
  EXPECT_EQ(ui.lastMessage().text, u("要删除当前记录吗? "));
  EXPECT_EQ(ui.lastMessage().caption, u("请选择"));
  EXPECT_EQ(ui.lastMessage().defaultButton, int(mrNo));
  ui.answerMessage(mrYes);
  DeleteScratchRow(query_);
  EXPECT_EQ(query_->RecordCount(), 3);

  // A database refusal is reported with its reason, the row stays.
  exec(u("create trigger keep before delete on 权限表 begin select raise(abort, '记录被锁定'); end"));
  ui.answerMessage(mrYes);
  DeleteScratchRow(query_);
  EXPECT_EQ(query_->RecordCount(), 3);
  EXPECT_TRUE(ui.lastMessage().text.contains(u("记录被锁定"))) << ui.lastMessage().text.toStdString();
  EXPECT_EQ(ui.lastMessage().caption, u("提示"));
}

TEST_F(RecordWindowTest, MemoEditorWritesIntoTheCallersRowOnlyWhileEditing) {
  ScriptedUi ui;
  CurrentOperatorIme = u("拼音");
  TDBEditEh remark;
  remark.SetDataSource(source_);
  remark.SetDataField(u("备注"));
  query_->Locate(u("代码"), Variant(u("003")));

  // Browse state: the editor is read-only and nothing opens.
  remark.SetReadOnly(true);
  OpenMemoEditor(nullptr, &remark);
  EXPECT_TRUE(ui.modalWindows().isEmpty());

  remark.SetReadOnly(false);
  query_->Edit();
  ui.onWindow<TForm_bz>([](TForm_bz* bz) {
    EXPECT_EQ(bz->windowTitle(), u("备忘录"));
    EXPECT_EQ(ImeName(bz->DBMemo1), u("拼音"));
    bz->DBMemo1->setPlainText(u("第一行\n第二行"));
    bz->SpeedButton1Click();
  });
  OpenMemoEditor(nullptr, &remark);
  EXPECT_EQ(ui.modalWindows(), QStringList{u("Form_bz")});
  // The caller is still editing; its save decides.
  EXPECT_EQ(query_->State(), dsEdit);
  EXPECT_EQ(query_->FieldByName(u("备注"))->AsString(), u("第一行\n第二行"));
  query_->Post();
  query_->Close();
  query_->Open();
  query_->Locate(u("代码"), Variant(u("003")));
  EXPECT_EQ(query_->FieldByName(u("备注"))->AsString(), u("第一行\n第二行"));

  // A memo shows the row's text and follows the row.
  TDBMemo memo;
  memo.SetDataSource(source_);
  memo.SetDataField(u("备注"));
  EXPECT_EQ(memo.toPlainText(), u("第一行\n第二行"));
  query_->Locate(u("代码"), Variant(u("002")));
  EXPECT_EQ(memo.toPlainText(), u(""));

  // The first text typed into a browsing row puts the row into editing and is kept, not
  // replaced by the stored text that entering the edit state shows again.
  ASSERT_EQ(query_->State(), dsBrowse);
  memo.setPlainText(u("新的备注"));
  EXPECT_EQ(query_->State(), dsEdit);
  EXPECT_EQ(memo.toPlainText(), u("新的备注"));
  EXPECT_EQ(query_->FieldByName(u("备注"))->AsString(), u("新的备注"));
  query_->Cancel();
  EXPECT_EQ(memo.toPlainText(), u(""));
}

TEST_F(RecordWindowTest, LayoutResetDeletesTheFileOnlyWhenRequested) {
  ScriptedUi ui;
  const QString file = work_->file(u("iteminfo.ini"));
  for (bool requested : {false, true}) {
    SCOPED_TRACE(requested);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    TLayoutReset reset(file);
    if (requested) reset.Click();
    reset.WindowClosed();
    EXPECT_EQ(QFile::exists(file), !requested);
  }
  EXPECT_EQ(ui.lastMessage().text, u("界面初始化完毕！"));
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Exclamation);
  // No file of its own: the message only.
  TLayoutReset messageOnly;
  messageOnly.Click();
  messageOnly.WindowClosed();
  EXPECT_EQ(ui.messages().size(), 2);
}

TEST(RecordWindowKeys, EnterChainMovesFocusRunsTheLastActionAndPassesOtherKeys) {
  QWidget window;
  auto* a = new QLineEdit(&window);
  auto* b = new QLineEdit(&window);
  auto* c = new QLineEdit(&window);
  auto* stay = new QLineEdit(&window);
  window.show();
  QApplication::setActiveWindow(&window);
  int saves = 0;
  TEnterChain chain(&window);
  chain.Chain({a, b, c}, [&] { ++saves; });
  chain.Swallow(stay);

  a->setFocus();
  PressKey(a, Qt::Key_Return);
  EXPECT_TRUE(b->hasFocus());
  PressKey(b, Qt::Key_Return);
  EXPECT_TRUE(c->hasFocus());
  PressKey(c, Qt::Key_Return);
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(c->hasFocus());
  // A swallowed Enter leaves the focus where it is and the text alone.
  stay->setFocus();
  stay->setText(u("x"));
  PressKey(stay, Qt::Key_Return);
  EXPECT_TRUE(stay->hasFocus());
  EXPECT_EQ(stay->text(), u("x"));
  // Other keys reach the editor.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, u("y"));
  QApplication::sendEvent(stay, &key);
  EXPECT_EQ(stay->text(), u("xy"));
}

TEST(RecordWindowKeys, InputMethodNamesAreKeptPerEditor) {
  QLineEdit a, b;
  SetImeName(&a, u("五笔"));
  EXPECT_EQ(ImeName(&a), u("五笔"));
  EXPECT_EQ(ImeName(&b), u(""));
  // The desktop's settings are put back afterwards.
  struct Saved {
    const char* name;
    QByteArray value;
    bool set;
  } saved[] = {{"QT_IM_MODULE", qgetenv("QT_IM_MODULE"), qEnvironmentVariableIsSet("QT_IM_MODULE")},
               {"GTK_IM_MODULE", qgetenv("GTK_IM_MODULE"), qEnvironmentVariableIsSet("GTK_IM_MODULE")},
               {"XMODIFIERS", qgetenv("XMODIFIERS"), qEnvironmentVariableIsSet("XMODIFIERS")}};
  qputenv("QT_IM_MODULE", "fcitx");
  qputenv("GTK_IM_MODULE", "fcitx");
  qputenv("XMODIFIERS", "@im=ibus");
  EXPECT_EQ(InstalledInputMethods(), (QStringList{u("fcitx"), u("ibus")}));
  qunsetenv("QT_IM_MODULE");
  qunsetenv("GTK_IM_MODULE");
  qunsetenv("XMODIFIERS");
  EXPECT_TRUE(InstalledInputMethods().isEmpty());
  for (const Saved& v : saved)
    if (v.set) qputenv(v.name, v.value);
}

namespace {
// A small record window over the operators: the standard tool bar, a text editor, a list
// editor and the grid, run through the shared steps.
class SampleRecordForm : public TRecordForm {
 public:
  SampleRecordForm(TDataSource* source, TDBGridEh* grid) {
    auto* row = new QHBoxLayout;
    AddStandardToolButtons(row);
    name = new TDBEditEh(this);
    name->SetDataSource(source);
    name->SetDataField(u("姓名"));
    ime = new TDBComboBoxEh(this);
    ime->SetDataSource(source);
    ime->SetDataField(u("输入法"));
    AddTextEditor(name);
    AddListEditor(ime);
    AddStateGrid(grid);
    SetMainDataSet(source->DataSet());
    SetBrowseState();
  }
  using TRecordForm::RecordAdd;
  using TRecordForm::RecordCancel;
  using TRecordForm::RecordEdit;
  TDBEditEh* name;
  TDBComboBoxEh* ime;
};
}  // namespace

TEST_F(RecordWindowTest, StandardToolBarAndItsTwoStates) {
  ScriptedUi ui;
  SampleRecordForm form(source_, grid_);
  form.show();
  QStringList captions;
  for (QToolButton* b : {form.bitbtn_add, form.bitbtn_edit, form.bitbtn_delete, form.bitbtn_save,
                         form.bitbtn_cancel, form.bitbtn_out, form.bitbtn_print, form.SpeedButton4})
    captions << b->objectName() + u("=") + b->text();
  EXPECT_EQ(captions, (QStringList{u("bitbtn_add=增加"), u("bitbtn_edit=编辑"), u("bitbtn_delete=删除"),
                                   u("bitbtn_save=存盘"), u("bitbtn_cancel=取消"), u("bitbtn_out=导出"),
                                   u("bitbtn_print=打印"), u("SpeedButton4=返回")}));
  auto state = [&] {
    return QString::fromLatin1("%1%2%3%4 %5%6 %7%8 %9")
        .arg(form.bitbtn_add->isEnabled()).arg(form.bitbtn_edit->isEnabled()).arg(form.bitbtn_out->isEnabled())
        .arg(form.bitbtn_print->isEnabled()).arg(form.bitbtn_save->isEnabled()).arg(form.bitbtn_cancel->isEnabled())
        .arg(form.name->ReadOnly()).arg(form.ime->isEnabled()).arg(grid_->isEnabled());
  };
  EXPECT_EQ(state(), u("1111 00 10 1"));
  EXPECT_FALSE(form.RecordAdd(query_, form.name, "编辑权"));  // no right: refused, still browsing
  EXPECT_EQ(ui.lastMessage().text, u(kNoRightMessage));
  EXPECT_EQ(state(), u("1111 00 10 1"));
  RightFlags.set(u("编辑权"), true);
  EXPECT_TRUE(form.RecordAdd(query_, form.name, "编辑权"));
  EXPECT_EQ(state(), u("0000 11 01 0"));
  EXPECT_TRUE(form.IsAdding());
  EXPECT_EQ(query_->State(), dsInsert);
  form.RecordCancel(query_);
  EXPECT_EQ(state(), u("1111 00 10 1"));
  EXPECT_TRUE(form.RecordEdit(form.name, "编辑权"));
  EXPECT_EQ(state(), u("1000 11 01 0"));
  EXPECT_FALSE(form.IsAdding());
  EXPECT_TRUE(form.IsEditing());
  // Closing drops a pending change.
  query_->Edit();
  query_->FieldByName(u("姓名"))->SetAsString(u("改"));
  form.close();
  EXPECT_EQ(query_->State(), dsBrowse);
  EXPECT_NE(query_->FieldByName(u("姓名"))->AsString(), u("改"));
}
