#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "platform/operatortext.h"
#include "platform/ui.h"
#include "tests/support/modal_watchdog.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// Sets the application title for one test and puts the previous one back.
struct TitleScope {
  explicit TitleScope(const QString& title) : previous(QGuiApplication::applicationDisplayName()) {
    QGuiApplication::setApplicationDisplayName(title);
  }
  ~TitleScope() { QGuiApplication::setApplicationDisplayName(previous); }
  QString previous;
};

}  // namespace

// The office's message conventions: icon, buttons, caption and preselected button.
TEST(UiMessages, ConventionsOfTheHelpers) {
  TitleScope title(U("岚舟软件"));
  ScriptedUi ui;
  ui.answerMessage(mrNo).answerMessage(mrYes);
  ShowNotice(U("请输入业主代码！"));
  ShowInformation(U("没有找到"));
  ShowError(U("所选打印机错误"));
  ShowMessage(U("没有输入缴费年度,重新输入"));
  EXPECT_FALSE(AskYesNo(U("要删除当前记录吗? ")));
  EXPECT_TRUE(AskYesNo(U("确定吗?"), U("提示"), mrYes));

  struct Want {
    const char* text;
    const char* caption;
    MsgIcon icon;
    QList<int> buttons;
    int defaultButton;
  };
  const Want want[] = {
      {"请输入业主代码！", "提示", MsgIcon::Exclamation, {mrOk}, mrOk},
      {"没有找到", "提示", MsgIcon::Information, {mrOk}, mrOk},
      {"所选打印机错误", "错误", MsgIcon::Error, {mrOk}, mrOk},
      {"没有输入缴费年度,重新输入", "岚舟软件", MsgIcon::None, {mrOk}, mrOk},
      {"要删除当前记录吗? ", "请选择", MsgIcon::Question, {mrYes, mrNo}, mrNo},
      {"确定吗?", "提示", MsgIcon::Question, {mrYes, mrNo}, mrYes},
  };
  ASSERT_EQ(ui.messages().size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const auto& m = ui.messages()[int(i)];
    EXPECT_EQ(m.text, U(want[i].text)) << i;
    EXPECT_EQ(m.caption, U(want[i].caption)) << i;
    EXPECT_EQ(m.icon, want[i].icon) << i;
    EXPECT_EQ(m.buttons, want[i].buttons) << i;
    EXPECT_EQ(m.defaultButton, want[i].defaultButton) << i;
  }
}

// The numeric form: buttons, icon and default button from MB_* flags.
TEST(UiMessages, FlagsAndMessageDlg) {
  struct Case {
    int flags;
    QList<int> buttons;
    MsgIcon icon;
    int defaultButton;
    int answer;
  };
  const Case cases[] = {
      {MB_OK, {mrOk}, MsgIcon::None, mrOk, mrOk},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, {mrYes, mrNo}, MsgIcon::Question, mrNo, mrYes},
      {MB_OKCANCEL | MB_ICONEXCLAMATION, {mrOk, mrCancel}, MsgIcon::Exclamation, mrOk, mrCancel},
      {MB_YESNOCANCEL | MB_ICONINFORMATION | MB_DEFBUTTON3, {mrYes, mrNo, mrCancel}, MsgIcon::Information, mrCancel, mrNo},
      {MB_ABORTRETRYIGNORE | MB_ICONERROR, {mrAbort, mrRetry, mrIgnore}, MsgIcon::Error, mrAbort, mrRetry},
      {MB_RETRYCANCEL | MB_DEFBUTTON3, {mrRetry, mrCancel}, MsgIcon::None, mrRetry, mrRetry},  // no third button
  };
  for (const auto& c : cases) {
    ScriptedUi ui;
    if (c.buttons.size() > 1) ui.answerMessage(c.answer);
    EXPECT_EQ(MessageBoxFlags(U("t"), U("c"), c.flags), c.answer) << c.flags;
    const auto& m = ui.lastMessage();
    EXPECT_EQ(m.buttons, c.buttons) << c.flags;
    EXPECT_EQ(m.icon, c.icon) << c.flags;
    EXPECT_EQ(m.defaultButton, c.defaultButton) << c.flags;
  }

  ScriptedUi ui;
  ui.answerMessage(mrAll);
  EXPECT_EQ(MessageDlg(U("是否忽略该错误?"), mtError, {mrYes, mrNo, mrAll}), mrAll);
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Error);
  EXPECT_EQ(ui.lastMessage().caption, U("错误"));
  EXPECT_EQ(ui.lastMessage().defaultButton, mrYes);
  ui.cancel(ScriptedUi::Dialog::Message);
  EXPECT_EQ(MessageDlg(U("Delete record?"), mtConfirmation, {mrOk, mrCancel}), mrCancel);
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Question);
  EXPECT_EQ(ui.lastMessage().caption, U("确认"));
}

// A dialog the test did not expect fails the test, names what was shown and is answered
// the way that changes nothing; it never waits for a person.
TEST(UiScript, UnexpectedDialogsFailClearly) {
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        EXPECT_FALSE(AskYesNo(U("要删除当前记录吗? ")));
      },
      "要删除当前记录吗?");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        ui.answerOpenFile(QStringLiteral("/tmp/a.txt"));
        EXPECT_EQ(MessageBox(U("q"), U("c"), MsgIcon::Question, MsgButtons::YesNoCancel), mrCancel);
        ui.answerOpenFile(QStringLiteral("x"));  // consumed below so only one failure
        (void)OpenFileDialog({});
        (void)OpenFileDialog({});
      },
      "the next scripted answer is for a open-file dialog");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        ui.answerMessage(mrRetry);
        EXPECT_EQ(MessageBox(U("q"), U("c"), MsgIcon::Question, MsgButtons::YesNo), mrNo);
      },
      "is not a button of");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        ui.answerMessage(mrYes).answerColor(clRed);
      },
      "never used: message box, colour dialog");
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("Form_unexpected"));
        EXPECT_EQ(RunModal(&dialog), QDialog::Rejected);
      },
      "Form_unexpected");
}

TEST(UiScript, CommonDialogs) {
  ScriptedUi ui;
  ui.answerOpenFile(QStringLiteral("/data/bill.txt"))
      .cancel(ScriptedUi::Dialog::OpenFile)
      .answerSaveFile(QStringLiteral("/data/export"))
      .answerSaveFile(QStringLiteral("/data/export.csv"))
      .answerColor(clRed)
      .cancel(ScriptedUi::Dialog::Color)
      .answerFont(TFont())
      .answerPrint([](PrintDialogRequest& r) {
        r.range = PrintDialogRequest::PageRange;
        r.fromPage = 2;
        r.toPage = 3;
      })
      .cancel(ScriptedUi::Dialog::Print)
      .answerPrinterSetup([](PrinterSetupRequest& r) { r.landscape = true; })
      .answerInput(U("2024"))
      .cancel(ScriptedUi::Dialog::Input)
      .answerInput(U("2025"));

  FileDialogRequest open;
  open.filter = U("文本文件|*.txt|所有文件|*.*");
  EXPECT_EQ(OpenFileDialog(open), std::optional<QString>(QStringLiteral("/data/bill.txt")));
  EXPECT_EQ(OpenFileDialog(open), std::nullopt);
  FileDialogRequest save;
  save.defaultExt = QStringLiteral("xls");
  save.fileName = U("收费明细");
  EXPECT_EQ(SaveFileDialog(save), std::optional<QString>(QStringLiteral("/data/export.xls")));
  EXPECT_EQ(SaveFileDialog(save), std::optional<QString>(QStringLiteral("/data/export.csv")));
  EXPECT_EQ(ui.fileRequests().size(), 4);
  EXPECT_EQ(ui.fileRequests()[2].fileName, U("收费明细"));
  EXPECT_EQ(ColorDialog(clBlack), std::optional<TColor>(clRed));
  EXPECT_EQ(ColorDialog(clBlack), std::nullopt);
  EXPECT_TRUE(FontDialog(TFont()).has_value());
  PrintDialogRequest print;
  print.maxPage = 5;
  EXPECT_TRUE(PrintDialog(print));
  EXPECT_EQ(print.range, PrintDialogRequest::PageRange);
  EXPECT_EQ(print.fromPage, 2);
  EXPECT_EQ(print.toPage, 3);
  EXPECT_FALSE(PrintDialog(print));
  PrinterSetupRequest setup;
  EXPECT_TRUE(PrinterSetupDialog(setup));
  EXPECT_TRUE(setup.landscape);
  QString year = U("2023");
  EXPECT_TRUE(InputQuery(U("缴费年度"), U("年度"), year));
  EXPECT_EQ(year, U("2024"));
  EXPECT_EQ(InputBox(U("缴费年度"), U("年度"), U("2023")), U("2023"));
  EXPECT_EQ(InputBox(U("缴费年度"), U("年度"), U("2023")), U("2025"));
  EXPECT_EQ(ui.pendingAnswers(), 0);
}

TEST(UiDialogs, FileFilterAndDefaultExtension) {
  struct FilterCase {
    const char* platform;
    const char* qt;
  };
  const FilterCase filters[] = {
      {"文本文件|*.txt|所有文件|*.*", "文本文件 (*.txt);;所有文件 (*.*)"},
      {"Excel 文件(*.xls)|*.xls;*.xlsx", "Excel 文件(*.xls) (*.xls *.xlsx)"},
      {"", ""},
  };
  for (const auto& c : filters) EXPECT_EQ(QtFileFilter(U(c.platform)), U(c.qt)) << c.platform;

  struct ExtCase {
    const char* name;
    const char* ext;
    const char* result;
  };
  const ExtCase exts[] = {
      {"/a/b", "txt", "/a/b.txt"},       {"/a/b", ".txt", "/a/b.txt"},  {"/a/b.csv", "txt", "/a/b.csv"},
      {"/a.d/b", "frf", "/a.d/b.frf"},   {"", "txt", ""},               {"/a/b", "", "/a/b"},
  };
  for (const auto& c : exts) EXPECT_EQ(ApplyDefaultExt(U(c.name), U(c.ext)), U(c.result)) << c.name;
}

// The real message box maps its buttons back to the answers, Escape included.
TEST(UiDialogs, QtMessageBoxReturnsThePressedButton) {
  ASSERT_EQ(&CurrentUiBackend(), &QtUiBackend());
  auto press = [](const QString& caption, bool escape) {
    QTimer::singleShot(0, [caption, escape] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      if (escape) {
        box->reject();
        return;
      }
      for (QAbstractButton* b : box->buttons())
        if (b->text() == caption) b->click();
    });
  };
  press(U("否(&N)"), false);
  EXPECT_EQ(MessageBox(U("删除?"), U("请选择"), MsgIcon::Question, MsgButtons::YesNo, mrNo), mrNo);
  press(U("是(&Y)"), false);
  EXPECT_EQ(MessageBox(U("删除?"), U("请选择"), MsgIcon::Question, MsgButtons::YesNo, mrNo), mrYes);
  press(QString(), true);
  EXPECT_EQ(MessageBox(U("保存?"), U("提示"), MsgIcon::Question, MsgButtons::YesNoCancel), mrCancel);
  press(U("全部(&A)"), false);
  EXPECT_EQ(MessageDlg(U("x"), mtError, {mrYes, mrNo, mrAll}), mrAll);
}

// The real save dialog tells its caller which format the operator left chosen, so an export
// follows the filter picked in the dialog rather than the one it opened with.
TEST(UiDialogs, QtSaveDialogReportsTheChosenFilter) {
  ASSERT_EQ(&CurrentUiBackend(), &QtUiBackend());
  WorkFolder work;
  FileDialogRequest request;
  request.filter = U("Text files (*.txt)|*.TXT|Comma separated values (*.csv)|*.CSV");
  request.filterIndex = 1;
  request.defaultExt = QStringLiteral("txt");
  int chosen = 0;
  request.chosenFilterIndex = &chosen;
  bool sawDialog = false;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    sawDialog = true;
    const QStringList filters = dialog->nameFilters();
    ASSERT_EQ(filters.size(), 2);
    dialog->selectNameFilter(filters[1]);
    dialog->selectFile(work.file(QStringLiteral("list.csv")));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
  });
  const auto name = SaveFileDialog(request);
  ASSERT_TRUE(sawDialog);
  ASSERT_TRUE(name.has_value());
  EXPECT_EQ(chosen, 2);
}

TEST(UiBarrier, EscapingExceptionsAreShownAndSwallowed) {
  TitleScope title(U("岚舟软件"));
  ScriptedUi ui;
  EXPECT_TRUE(Guard([] {}));
  EXPECT_FALSE(Guard([] { throw EConvertError(U("'abc' 不是有效的整数")); }));
  EXPECT_FALSE(Guard([] { throw std::runtime_error("disk full"); }));
  EXPECT_FALSE(Guard([] { throw 42; }));
  ASSERT_EQ(ui.messages().size(), 3);
  EXPECT_EQ(ui.messages()[0].text, U("'abc' 不是有效的整数"));
  EXPECT_EQ(ui.messages()[1].text, QStringLiteral("disk full"));
  for (const auto& m : ui.messages()) {
    EXPECT_EQ(m.caption, U("岚舟软件"));
    EXPECT_EQ(m.icon, MsgIcon::Error);
  }
}

// A failing click handler shows its message and the event loop keeps running.
TEST(UiBarrier, GuardedSlotKeepsTheEventLoopRunning) {
  ScriptedUi ui;
  QPushButton button;
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, &button, Guarded([&] {
                     ++clicks;
                     throw EDatabaseError(U("数据库已锁定"));
                   }));
  bool checkedArg = true;
  QObject::connect(&button, &QPushButton::clicked, &button, Guarded([&](bool checked) { checkedArg = checked; }));
  QTimer::singleShot(0, &button, [&] { button.click(); });
  QTimer::singleShot(0, &button, [&] { button.click(); });
  bool loopWentOn = false;
  QTimer::singleShot(10, &button, [&] {
    loopWentOn = true;
    QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
  EXPECT_TRUE(loopWentOn);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(checkedArg);
  EXPECT_EQ(ui.messageTexts(), QStringList({U("数据库已锁定"), U("数据库已锁定")}));
}

namespace {

// A small window as the program's windows are built: named children, a handler that asks
// before it finishes the window.
class TForm_sample : public QDialog {
 public:
  TForm_sample() {
    setObjectName(QStringLiteral("Form_sample"));
    auto* layout = new QVBoxLayout(this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("edit_name"));
    auto* ok = new QPushButton(U("确定"), this);
    ok->setObjectName(QStringLiteral("bitbtn_ok"));
    layout->addWidget(edit_);
    layout->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, Guarded([this] { bitbtn_okClick(); }));
  }
  void bitbtn_okClick() {
    if (edit_->text().isEmpty()) {
      ShowNotice(U("名称不能为空！"));
      return;
    }
    if (AskYesNo(U("要保存吗? "))) accept();
  }

 private:
  QLineEdit* edit_;
};

}  // namespace

TEST(UiModal, TestActsOnTheModalWindowAndClosesIt) {
  ScriptedUi ui;
  TForm_sample form;
  ui.onModal([](QDialog* d) {
      EXPECT_TRUE(d->isVisible());
      EXPECT_TRUE(d->isModal());
      auto* ok = d->findChild<QPushButton*>(QStringLiteral("bitbtn_ok"));
      ASSERT_NE(ok, nullptr);
      ok->click();  // empty name: a notice, the window stays
      EXPECT_TRUE(d->isVisible());
      d->findChild<QLineEdit*>(QStringLiteral("edit_name"))->setText(U("一号楼"));
      ok->click();  // answered No: stays
      EXPECT_TRUE(d->isVisible());
      ok->click();  // answered Yes: accepted
    })
      .answerMessage(mrNo)
      .answerMessage(mrYes);
  EXPECT_EQ(RunModal(&form), QDialog::Accepted);
  EXPECT_EQ(ui.messageTexts(), QStringList({U("名称不能为空！"), U("要保存吗? "), U("要保存吗? ")}));
  EXPECT_EQ(ui.messages()[0].icon, MsgIcon::Exclamation);
  EXPECT_EQ(ui.messages()[1].caption, U("请选择"));
  EXPECT_EQ(ui.modalWindows(), QStringList{QStringLiteral("Form_sample")});
  EXPECT_FALSE(form.isVisible());
}

TEST(UiModal, WindowsLeftOpenOrNestedAreHandled) {
  // A window the test forgets to close fails the test and is closed, never hangs.
  EXPECT_NONFATAL_FAILURE(
      {
        ScriptedUi ui;
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("Form_open"));
        ui.onModal([](QDialog*) {});
        EXPECT_EQ(RunModal(&dialog), QDialog::Rejected);
      },
      "was left open");

  // A modal window opened from a modal window gets the next action.
  ScriptedUi ui;
  QDialog outer, inner;
  outer.setObjectName(QStringLiteral("Form_outer"));
  inner.setObjectName(QStringLiteral("Form_inner"));
  int innerResult = -1;
  ui.onModal([&](QDialog* d) {
      innerResult = RunModal(&inner);
      d->done(mrYes);
    })
      .onModal([](QDialog* d) { d->reject(); });
  EXPECT_EQ(RunModal(&outer), mrYes);
  EXPECT_EQ(innerResult, QDialog::Rejected);
  EXPECT_EQ(ui.modalWindows(), QStringList({QStringLiteral("Form_outer"), QStringLiteral("Form_inner")}));
}

// A modal window opened around the seams fails the test after a while instead of hanging.
TEST(TestSupport, WatchdogClosesForgottenModalWindows) {
  EXPECT_NONFATAL_FAILURE(
      {
        ModalWatchdog watchdog(200);
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("Form_forgotten"));
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
      },
      "Form_forgotten");
}

// The test support's temporary folder: current while it lives, gone afterwards.
TEST(TestSupport, WorkFolderIsCurrentAndRemoved) {
  const QString before = QDir::currentPath();
  QString path;
  {
    WorkFolder work;
    path = work.path();
    EXPECT_EQ(QDir::currentPath(), QDir(path).canonicalPath());
    QFile f(QStringLiteral("kelo.db"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(QFile::exists(work.file(QStringLiteral("kelo.db"))));
  }
  EXPECT_EQ(QDir::currentPath(), before);
  EXPECT_FALSE(QDir(path).exists());
}

// The choice of a print dialog reaches the printer of the job whole, and reads back the same.
TEST(UiDialogs, PrintChoiceAppliesToThePrinter) {
  struct Case {
    const char* name;
    bool toFile;
    int copies;
    bool collate;
    PrintDialogRequest::Range range;
    QPageSize::PageSizeId paper;
    bool landscape;
  };
  const Case cases[] = {
      {"pdf, pages 2-3, A5 landscape", true, 1, false, PrintDialogRequest::PageRange, QPageSize::A5, true},
      {"pdf, all pages, A4 portrait, 3 copies collated", true, 3, true, PrintDialogRequest::AllPages, QPageSize::A4, false},
      {"B5 portrait", true, 2, false, PrintDialogRequest::AllPages, QPageSize::B5, false},
  };
  WorkFolder work;
  for (const Case& c : cases) {
    PrintDialogRequest r;
    r.printToFile = c.toFile;
    r.outputFileName = work.file(QStringLiteral("job.pdf"));
    r.copies = c.copies;
    r.collate = c.collate;
    r.range = c.range;
    r.fromPage = 2;
    r.toPage = 3;
    r.pageSize = QPageSize(c.paper);
    r.landscape = c.landscape;
    QPrinter printer(QPrinter::HighResolution);
    ApplyPrintChoice(r, &printer);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat) << c.name;
    EXPECT_EQ(printer.outputFileName(), r.outputFileName) << c.name;
    EXPECT_EQ(printer.copyCount(), c.copies) << c.name;
    EXPECT_EQ(printer.collateCopies(), c.collate) << c.name;
    EXPECT_EQ(printer.fromPage(), c.range == PrintDialogRequest::PageRange ? 2 : 0) << c.name;
    EXPECT_EQ(printer.pageLayout().pageSize().id(), c.paper) << c.name;
    EXPECT_EQ(printer.pageLayout().orientation() == QPageLayout::Landscape, c.landscape) << c.name;
    PrintDialogRequest back;
    DescribePrinter(back, &printer);
    EXPECT_TRUE(back.printToFile) << c.name;
    EXPECT_EQ(back.outputFileName, r.outputFileName) << c.name;
    EXPECT_EQ(back.copies, c.copies) << c.name;
    EXPECT_EQ(back.pageSize.id(), c.paper) << c.name;
    EXPECT_EQ(back.landscape, c.landscape) << c.name;
  }
  // Back to a printer: the file of the earlier job no longer takes the output.
  QPrinter printer(QPrinter::HighResolution);
  PrintDialogRequest toFile;
  toFile.printToFile = true;
  toFile.outputFileName = work.file(QStringLiteral("a.pdf"));
  ApplyPrintChoice(toFile, &printer);
  PrintDialogRequest toPrinter;
  ApplyPrintChoice(toPrinter, &printer);
  EXPECT_TRUE(printer.outputFileName().isEmpty());
  // The page set-up's choice likewise.
  PrinterSetupRequest setup;
  setup.landscape = true;
  setup.pageSize = QPageSize(QPageSize::A5);
  ApplyPrinterSetup(setup, &printer);
  EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
  EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
  // The printer list is read at each call, never kept.
  EXPECT_EQ(InstalledPrinterNames(), QPrinterInfo::availablePrinterNames());
}

// The platform layers' failure texts reach the operator in Chinese, whatever layer raised them.
TEST(UiMessages, FailureTextsShownInChinese) {
  struct Case {
    const char* raised;
    const char* shown;
  };
  const Case cases[] = {
      {"Money overflow", "金额超出范围"},
      {"Integer overflow", "整数超出范围"},
      {"'12a' is not a valid integer value", "“12a”不是有效的整数"},
      {"'abc' is not a valid floating point value", "“abc”不是有效的数字"},
      {"'2004-2-30' is not a valid date", "“2004-2-30”不是有效的日期"},
      {"'2004-6-1x' is not a valid date and time", "“2004-6-1x”不是有效的日期时间"},
      {"Could not convert variant of type (String) into type (Double)", "无法把文本转换为数字"},
      {"The character '😀' (U+1F600) has no GBK form", "字符“😀”（U+1F600）不能用 GBK 编码保存"},
      {"Cannot create file \"/ro/a.xls\". Permission denied", "无法创建文件“/ro/a.xls”。 没有访问权限"},
      {"Stream write error: No space left on device", "写入文件出错: 磁盘空间不足"},
      {"Field '房屋代码' must have a value", "“房屋代码”必须填写"},
      {"Division by zero", "除数不能为零"},
      {"请输入房屋代码！", "请输入房屋代码！"},  // the program's own texts stay as they are
  };
  for (const Case& c : cases) EXPECT_EQ(OperatorText(QString::fromUtf8(c.raised)), QString::fromUtf8(c.shown)) << c.raised;

  // An exception escaping a handler is shown translated.
  ScriptedUi ui;
  Guard([] { throw EOverflow(QStringLiteral("Money overflow")); });
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.messages()[0].text, QString::fromUtf8("金额超出范围"));
}

// The real print dialog on a machine without printers proposes a PDF file named after the
// document, and takes the request's pages and copies.
TEST(UiDialogs, RealPrintDialogProposesAPdfFileWithoutPrinters) {
  if (!QPrinterInfo::availablePrinterNames().isEmpty()) GTEST_SKIP() << "a printer is installed here";
  PrintDialogRequest r;
  r.maxPage = 3;
  r.toPage = 3;
  r.copies = 2;
  r.documentName = U("业主花名册");
  QString proposed;
  int copies = 0;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    proposed = d->printer()->outputFileName();
    copies = d->printer()->copyCount();
    d->reject();
  });
  EXPECT_FALSE(QtUiBackend().print(r, nullptr));
  EXPECT_TRUE(proposed.endsWith(U("/业主花名册.pdf"))) << proposed.toStdString();
  EXPECT_EQ(copies, 2);
}
