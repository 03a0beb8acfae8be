// The component's further entry points: composite reports, export through a filter, editing a
// built page through the designer hook, switching printers, and the form-resource block.
#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QMouseEvent>

#include "report/FR_Dialog.h"
#include "report/FR_Report.h"
#include "tests/report/band_fixture.h"
#include "tests/support/scripted_ui.h"

using namespace bandtest;

namespace {
// A key pressed and released on `w`, with its text when it types one.
void keyClick(QWidget* w, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}
void keyClicks(QWidget* w, const QString& text) {
  for (QChar c : text) keyClick(w, c.toUpper().unicode(), QString(c));
}
// The left button pressed and released at `at` (the middle when not given).
void mouseClick(QWidget* w, QPoint at = QPoint(-1, -1)) {
  if (at.x() < 0) at = w->rect().center();
  const QPointF global = w->mapToGlobal(QPointF(at));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w, &release);
}

class ComponentExtras : public BillFixture {
 protected:
  // One page: a title line and one row per bill.
  void layList(TfrReport* r, const QString& title, bool onPreviousPage = false) {
    TfrReport* saved = report;
    report = r;
    TfrPage* p = newPage();
    p->PrintToPrevPage = onPreviousPage;
    band(p, btReportTitle, "Title", 20, 20);
    text(p, "Caption", 10, 21, title);
    band(p, btMasterData, "Data", 50, 20, "frDBDataSet1");
    text(p, "Item", 10, 51, kItem);
    report = saved;
  }
  // A button control of a dialog page that closes the window with `result`.
  void addButton(TfrPage* d, const char* name, const char* caption, int result, int left) {
    auto* b = static_cast<TfrButtonControl*>(CreateViewByType(gtAddIn, "TfrButtonControl"));
    b->Name = name;
    b->Memo = QStringList{QString::fromUtf8(caption)};
    b->ModalResult = result;
    b->SetBounds(left, d->Height - 70, 75, 28);
    d->Objects.emplace_back(b);
  }
  void TearDown() override {
    BuiltPageDesigner() = nullptr;
    BillFixture::TearDown();
  }
};

// Records what the engine hands over.
class RecordingFilter : public TfrExportFilter {
 public:
  QStringList events;
  bool cancel = false;
  void BeforeExport(const QString&, bool& c) override { c = cancel; }
  void OnBeginDoc(QIODevice&) override { events << "doc"; }
  void OnBeginPage(int i, QIODevice&) override { events << QString("page %1").arg(i + 1); }
  void OnData(TfrView* v, QIODevice& f) override {
    f.write(v->Memo.join(" ").toUtf8() + "\n");
    events << v->Memo.join(" ");
  }
  void OnEndDoc(QIODevice&) override { events << "end"; }
  void AfterExport(const QString& name) override { events << "after " + QFileInfo(name).fileName(); }
};
}  // namespace

TEST_F(ComponentExtras, CompositeReportJoinsMembersAndContinuesOnThePreviousPage) {
  insert({{1, "A", "水费", "1"}, {2, "A", "电费", "2"}});
  TfrReport first(&owner), second(&owner), third(&owner);
  layList(&first, "第一份");
  layList(&second, "第二份", true);
  layList(&third, "第三份");
  TfrCompositeReport composite(&owner);
  composite.ShowProgress = false;
  composite.Reports = {&first, &second, &third};
  ASSERT_TRUE(composite.BuildReport());
  ASSERT_EQ(composite.EMFPages().Count(), 2);
  EXPECT_EQ(composite.EMFPages().PageTexts(0), QStringList({"第一份", "水费", "电费", "第二份", "水费", "电费"}));
  EXPECT_EQ(composite.EMFPages().PageTexts(1), QStringList({"第三份", "水费", "电费"}));
  EXPECT_EQ(first.EMFPages().Count(), 0);   // the members' own pages stay empty
}

TEST_F(ComponentExtras, ExportToHandsEveryObjectToTheFilter) {
  insert({{1, "A", "水费", "1"}});
  layList(report, "清单");
  ASSERT_TRUE(report->BuildReport());
  RecordingFilter filter;
  const QString path = dir.filePath("list.txt");
  report->ExportTo(&filter, path);
  EXPECT_EQ(filter.events, QStringList({"doc", "page 1", "清单", "水费", "end", "after list.txt"}));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()), QString::fromUtf8("清单\n水费\n"));
  RecordingFilter refused;
  refused.cancel = true;
  report->ExportTo(&refused, dir.filePath("none.txt"));
  EXPECT_TRUE(refused.events.isEmpty());
  EXPECT_FALSE(QFile::exists(dir.filePath("none.txt")));
  EXPECT_TRUE(ExportFilters().isEmpty());
}

TEST_F(ComponentExtras, EditBuiltPageThroughTheDesignerHook) {
  insert({{1, "A", "水费", "1"}});
  layList(report, "清单");
  ASSERT_TRUE(report->BuildReport());
  // Without a designer nothing happens.
  report->EditBuiltPage(0);
  struct Case {
    int answer;
    QString shown;
  };
  for (const Case& c : {Case{mrNo, "水费"}, Case{mrYes, "改过的"}}) {
    int calls = 0;
    BuiltPageDesigner() = [&](TfrReport* r, TfrPage* page) {
      ++calls;
      EXPECT_EQ(r->Pages.size(), 1u);
      EXPECT_EQ(r->Pages.front().get(), page);
      for (auto& v : page->Objects)
        if (v->Memo.value(0) == QString::fromUtf8("水费")) v->Memo = QStringList{QString::fromUtf8("改过的")};
      return true;
    };
    ScriptedUi ui;
    ui.answerMessage(c.answer);
    report->EditBuiltPage(0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("保存变动?"));
    EXPECT_EQ(report->EMFPages().PageTexts(0).value(1), c.shown);
    // The template is back as it was.
    ASSERT_EQ(report->Pages.size(), 1u);
    EXPECT_NE(report->FindObject("Item"), nullptr);
  }
}

TEST_F(ComponentExtras, SwitchPrinterAndBackOnFailure) {
  TfrPrinter& p = ReportPrinter();
  p.AttachPrinterNames({QString::fromUtf8("前台打印机"), QString::fromUtf8("收据打印机")}, 0);
  layList(report, "清单");
  ScriptedUi ui;
  EXPECT_TRUE(report->SwitchPrinter(0, 1));
  EXPECT_EQ(p.PrinterIndex, 1);
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("收据打印机"));
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_FALSE(report->SwitchPrinter(1, 9));
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("所选打印机错误"));
  EXPECT_EQ(p.PrinterIndex, 1);
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("收据打印机"));
  // RebuildPrinter: a printer chosen in the print dialog rebuilds the report for it.
  insert({{1, "A", "水费", "1"}});
  ASSERT_TRUE(report->BuildReport());
  p.SelectPrinter(0);
  EXPECT_FALSE(report->RebuildForPrinter(1));   // RebuildPrinter is off
  report->RebuildPrinter = true;
  EXPECT_TRUE(report->RebuildForPrinter(1));
  EXPECT_EQ(report->PrinterName, QString::fromUtf8("前台打印机"));
  EXPECT_EQ(report->EMFPages().Count(), 1);
  p.AttachPrinterNames({}, 0);
}

TEST_F(ComponentExtras, ReportFormHoldsTheTemplateOnlyWhenStoredInTheForm) {
  layList(report, "清单");
  EXPECT_EQ(report->ReportForm(), QByteArray::fromHex("19000000"));
  report->StoreInDFM = true;
  const QByteArray block = report->ReportForm();
  EXPECT_GT(block.size(), 8);
  TfrReport back(&owner);
  back.StoreInDFM = true;
  back.SetReportForm(block);
  ASSERT_EQ(back.Pages.size(), 1u);
  EXPECT_NE(back.FindObject("Caption"), nullptr);
  TfrReport versionOnly(&owner);
  versionOnly.StoreInDFM = true;
  versionOnly.SetReportForm(QByteArray::fromHex("19000000"));
  EXPECT_TRUE(versionOnly.Pages.empty());
}

// A dialog page with controls opens as a modal window before the build, its script runs as it
// opens, and its Cancel button stops the build.
TEST_F(ComponentExtras, DialogPageAsksBeforeTheBuildAndCancelStopsIt) {
  insert({{1, "A", "水费", "1"}});
  TfrPage* d = report->AppendPage();
  d->Name = "Ask";
  d->PageType = ptDialog;
  d->Caption = QString::fromUtf8("选择月份");
  d->Width = 320;
  d->Height = 160;
  d->Script = QStringList{"Month := 5"};
  addButton(d, "OK", "确定", 1, 120);
  addButton(d, "Cancel", "取消", 2, 210);
  layList(report, "[Month]月");
  struct Case {
    const char* button;
    bool built;
  };
  for (const Case& c : {Case{"Cancel", false}, Case{"OK", true}}) {
    ScriptedUi ui;
    QString title;
    ui.onModal([&](QDialog* w) {
      title = w->windowTitle();
      auto* b = w->findChild<QPushButton*>(c.button);
      ASSERT_NE(b, nullptr);
      mouseClick(b);
    });
    EXPECT_EQ(report->BuildReport(), c.built) << c.button;
    EXPECT_EQ(title, QString::fromUtf8("选择月份"));
    EXPECT_EQ(BuildStopped(), !c.built);
    EXPECT_EQ(report->EMFPages().Count(), c.built ? 1 : 0);
  }
  EXPECT_EQ(report->EMFPages().PageTexts(0).value(0), QString::fromUtf8("5月"));
}

// A template that asks for a month: the dialog page's label, combo box, edit, check box and
// buttons are saved in the template file and read back; the answers are given with the mouse
// and the keyboard on the modal window, and the built report prints them. Closing the window
// without an answer, or with Cancel, stops the build.
TEST_F(ComponentExtras, DialogControlsAnswerTheBuild) {
  insert({{1, "A", "水费", "1"}});
  TfrPage* d = report->AppendPage();
  d->Name = "Ask";
  d->PageType = ptDialog;
  d->Caption = QString::fromUtf8("选择月份");
  d->Width = 300;
  d->Height = 170;
  d->BorderStyle = 3;
  d->Position = 4;
  auto* label = static_cast<TfrControl*>(CreateViewByType(gtAddIn, "TfrLabelControl"));
  label->Name = "Label1";
  label->Memo = QStringList{QString::fromUtf8("收费月份:")};
  label->SetBounds(12, 16, 70, 20);
  d->Objects.emplace_back(label);
  auto* combo = static_cast<TfrComboBoxControl*>(CreateViewByType(gtAddIn, "TfrComboBoxControl"));
  combo->Name = "ComboBox1";
  for (int m = 1; m <= 12; ++m) combo->Memo << QString::number(m);
  combo->ItemIndex = 0;
  combo->Text = "1";
  combo->SetBounds(90, 12, 80, 24);
  d->Objects.emplace_back(combo);
  auto* edit = static_cast<TfrControl*>(CreateViewByType(gtAddIn, "TfrEditControl"));
  edit->Name = "Edit1";
  edit->SetBounds(90, 44, 180, 24);
  d->Objects.emplace_back(edit);
  auto* check = static_cast<TfrCheckBoxControl*>(CreateViewByType(gtAddIn, "TfrCheckBoxControl"));
  check->Name = "CheckBox1";
  check->Memo = QStringList{QString::fromUtf8("含滞纳金")};
  check->SetBounds(90, 76, 120, 20);
  // Its script runs on each click: the report reads what it left.
  check->Script = QStringList{QString::fromUtf8("if CheckBox1.Checked then Late := '含' else Late := '不含'")};
  d->Objects.emplace_back(check);
  addButton(d, "OK", "确定", 1, 110);
  addButton(d, "Cancel", "取消", 2, 200);
  d->Script = QStringList{QString::fromUtf8("Late := '不含'")};
  layList(report, QString::fromUtf8("[ComboBox1.Text]月 [Edit1.Text] [Late]滞纳金"));
  // Through the template file: the controls come back by their class names.
  const QString file = dir.filePath("ask.frf");
  report->SaveTemplateFile(file);
  ASSERT_TRUE(report->OpenTemplateFile(file));
  ASSERT_EQ(report->Pages.size(), 2u);
  ASSERT_NE(dynamic_cast<TfrComboBoxControl*>(report->FindObject("ComboBox1")), nullptr);
  EXPECT_EQ(static_cast<TfrComboBoxControl*>(report->FindObject("ComboBox1"))->Memo.size(), 12);
  EXPECT_EQ(dynamic_cast<TfrButtonControl*>(report->FindObject("Cancel"))->ModalResult, 2);

  {
    ScriptedUi ui;
    // A progress window on screen steps aside while the page asks and comes back after it.
    TfrProgressForm progress(report);
    progress.show();
    ProgressWindow() = &progress;
    bool progressHiddenWhileAsking = false;
    ui.onModal([&](QDialog* w) {
      w->activateWindow();
      progressHiddenWhileAsking = !progress.isVisible();
      auto* box = w->findChild<QComboBox*>("ComboBox1");
      auto* line = w->findChild<QLineEdit*>("Edit1");
      auto* late = w->findChild<QCheckBox*>("CheckBox1");
      ASSERT_TRUE(box && line && late);
      EXPECT_EQ(w->findChild<QLabel*>("Label1")->text(), QString::fromUtf8("收费月份:"));
      // Month 7: six steps down the list from month 1.
      box->setFocus();
      for (int i = 0; i < 6; ++i) keyClick(box, Qt::Key_Down);
      line->setFocus();
      keyClicks(line, "A-01");
      mouseClick(late, QPoint(8, late->height() / 2));
      EXPECT_TRUE(late->isChecked());
      const QImage shot = w->grab().toImage();
      EXPECT_TRUE(shot.save(QCoreApplication::applicationDirPath() + "/dialog_page_month.png"));
      mouseClick(w->findChild<QPushButton*>("OK"));
    });
    // The list page is formed after the dialog page: the window is back by then.
    bool progressBackForThePages = false;
    report->OnBeginPage = [&](int) { progressBackForThePages = progress.isVisible(); };
    const bool built = report->BuildReport();
    report->OnBeginPage = nullptr;
    ProgressWindow() = nullptr;
    ASSERT_TRUE(built) << ui.messageTexts().join("\n").toStdString();
    EXPECT_TRUE(progressHiddenWhileAsking);
    EXPECT_TRUE(progressBackForThePages);
    EXPECT_EQ(report->EMFPages().PageTexts(0).value(0), QString::fromUtf8("7月 A-01 含滞纳金"));
  }
  // Escape closes the window without a result; the Cancel button closes it with Cancel. Both
  // stop the build, and the template is as it was (month 1 chosen).
  for (const char* how : {"escape", "cancel"}) {
    ScriptedUi ui;
    int shownMonth = 0;
    ui.onModal([&](QDialog* w) {
      shownMonth = w->findChild<QComboBox*>("ComboBox1")->currentText().toInt();
      if (QByteArray(how) == "escape")
        keyClick(w, Qt::Key_Escape);
      else
        mouseClick(w->findChild<QPushButton*>("Cancel"));
    });
    EXPECT_FALSE(report->BuildReport()) << how;
    EXPECT_TRUE(BuildStopped()) << how;
    EXPECT_EQ(report->EMFPages().Count(), 0) << how;
    EXPECT_EQ(shownMonth, 1) << how;
  }
}

// Each non-visual control of a dialog page is handed to OnCustomizeObject when the page is made
// ready; a page with no visual control only runs its script and is not shown.
TEST_F(ComponentExtras, DialogPageHandsItsComponentsToOnCustomizeObject) {
  struct Source : TfrNonVisualControl {
    Source() { Component = &object; }
    QObject object;
    QString ClassName() const override { return "TfrTestSourceControl"; }
  };
  RegisterAddInObject("TfrTestSourceControl", [] { return new Source; });
  insert({{1, "A", "水费", "1"}});
  TfrPage* d = report->AppendPage();
  d->Name = "Ask";
  d->PageType = ptDialog;
  auto* src = static_cast<Source*>(CreateViewByType(gtAddIn, "TfrTestSourceControl"));
  src->Name = "Query1";
  src->object.setObjectName("Query1");
  d->Objects.emplace_back(src);
  d->Script = QStringList{"Month := 3"};
  layList(report, "[Month]月");
  QStringList seen;
  report->OnCustomizeObject = [&](QObject* o) { seen << (o ? o->objectName() : "nil"); };
  ScriptedUi ui;  // a window would be an unexpected modal here
  ASSERT_TRUE(report->BuildReport());
  UnregisterAddInObject("TfrTestSourceControl");
  EXPECT_EQ(seen, QStringList{"Query1"});
  EXPECT_EQ(report->EMFPages().PageTexts(0).value(0), QString::fromUtf8("3月"));
}

// A dialog page's script that sets MODALRESULT decides without showing the window (2 stops the
// build, 1 goes on); a faulty script stops the build with one error message.
TEST_F(ComponentExtras, DialogPageScriptDecidesThroughModalResult) {
  insert({{1, "A", "水费", "1"}});
  TfrPage* d = report->AppendPage();
  d->Name = "Ask";
  d->PageType = ptDialog;
  d->Caption = QString::fromUtf8("选择月份");
  layList(report, "七月");
  struct Case {
    const char* script;
    bool built;
    int messages;
  };
  for (const Case& c : {Case{"MODALRESULT := 2", false, 0}, Case{"MODALRESULT := 1", true, 0},
                        Case{"Month := (", false, 1}}) {
    // A build reads the template back: the dialog page is a new object each time.
    report->Pages[0]->Script = QStringList{QString::fromUtf8(c.script)};
    ScriptedUi ui;   // a window would be an unexpected modal here
    EXPECT_EQ(report->BuildReport(), c.built) << c.script;
    ASSERT_EQ(ui.messages().size(), c.messages) << c.script << " "
                                                 << (ui.messages().isEmpty() ? "" : ui.messages()[0].text.toStdString());
    EXPECT_EQ(report->EMFPages().Count(), c.built ? 1 : 0) << c.script;
    if (c.built) EXPECT_EQ(report->EMFPages().PageTexts(0).value(0), QString::fromUtf8("七月"));
  }
}
