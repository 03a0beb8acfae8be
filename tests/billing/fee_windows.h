// The fee windows as a cashier meets them: the program started over fresh databases, the
// administrator logged in, each window opened through the main window's menu; texts typed key
// by key, rows marked with Ctrl+clicks, buttons clicked with the mouse. Screenshots and PDFs go
// into the build folder.
#pragma once

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <memory>
#include "billing/chargecommands.h"
#include "billing/deskcommands.h"
#include "billing/houseitem.h"
#include "billing/jiaofeidan_edit.h"
#include "billing/iteminfo.h"
#include "billing/jiaofei.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeiguanli.h"
#include "billing/frontdesk.h"
#include "billing/jiaofeiguanli_duoyue.h"
#include "billing/jiaofeiguanli_fast.h"
#include "billing/jiaofeiguanli_single.h"
#include "billing/roster.h"
#include "billing/yajin.h"
#include "billing/paycommands.h"
#include "billing/printcommands.h"
#include "billing/rostercommands.h"
#include "billing/shoukuan_window.h"
#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/datetime.h"
#include "shell/bz.h"
#include "shell/enter.h"
#include "shell/mainform.h"
#include "tests/billing/billing_fixture.h"


// Where the screenshots and PDFs of these tests go: the build folder the tests run in.
inline QString outputFolder() {
  static const QString folder = [] {
    const QString f = QString::fromUtf8(qgetenv("ESTATE_SCREENSHOTS"));
    const QString path = f.isEmpty() ? QCoreApplication::applicationDirPath() + u8("/screens") : f;
    QDir().mkpath(path);
    return path;
  }();
  return folder;
}

// The window at a desktop's size (1280×1000), as the office sees it.
inline void screenshot(QWidget* w, const char* name) {
  if (w->windowState() & Qt::WindowMaximized) {
    w->setWindowState(Qt::WindowNoState);
    w->resize(1280, 1000);
  }
  QApplication::processEvents();
  w->grab().save(outputFolder() + u8("/") + u8(name) + u8(".png"));
}

// Types `text` key by key (Chinese characters as the input method delivers them).
inline void typeInto(QWidget* editor, const QString& text) {
  editor->setFocus();
  QApplication::processEvents();  // the editor has taken the focus before the first key
  for (QChar ch : text) {
    if (ch.unicode() < 128) {
      QTest::keyClick(editor, ch.toLatin1());
      continue;
    }
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(editor, &release);
  }
}

inline void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

// Enter in `editor`, as the cashier presses it there.
inline void pressEnter(QWidget* editor) {
  editor->setFocus();
  QTest::keyClick(editor, Qt::Key_Return);
}

// The pages of a printed PDF as PNG pictures beside it (NAME-1.png, NAME-2.png, ...), to look at.
inline void PdfPagesToPng(const QString& pdf) {
  QProcess::execute(u8("pdftoppm"), {u8("-png"), u8("-r"), u8("80"), pdf, pdf.chopped(4)});
}

// Ctrl+click on a data row of a grid (0-based screen row), as the cashier marks rows.
inline void ctrlClickRow(TDBGridEh* grid, int screenRow, int column = 0) {
  const QPoint at = grid->CellRect(grid->ColumnToGridIndex(column), grid->DataRowOffset() + screenRow).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
}
inline void clickRow(TDBGridEh* grid, int screenRow, int column = 0) {
  const QPoint at = grid->CellRect(grid->ColumnToGridIndex(column), grid->DataRowOffset() + screenRow).center();
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// The program over fresh databases with the fee commands registered; the administrator logs
// in with the empty password of a new installation.
class FeeWindowsTest : public BillingTest {
 protected:
  void SetUp() override {
    BillingTest::SetUp();
    QApplication::setQuitOnLastWindowClosed(false);
    TForm_main::setProgramFolder(work_->path());
    RegisterChargingCommands();
    RegisterDeskCommands();
    RegisterPaymentCommands();
    RegisterPrintCommands();
    RegisterMeterDepositRosterCommands();
    for (const char* name : {"缴费收据.frf", "收款收据.frf", "缴费通知单.frf"}) InstallTemplate(name);

    addHouse(u8("H1"), u8("张三"), 80, "0");
    addHouse(u8("H2"), u8("李四"), 60, "0");
    addFixedItems({{"物业费", "100"}}, {"H1", "H2"});

    ui = std::make_unique<ScriptedUi>();
    ui->onWindow<TForm_Enter>([](TForm_Enter* enter) {
      enter->DBLookupComboBox1->setCurrentIndex(enter->DBLookupComboBox1->findText(u8("系统管理员")));
      enter->BitBtn_OKClick();
    });
    main = std::make_unique<TForm_main>();
    main->resize(1280, 1000);
    main->show();
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    ASSERT_TRUE(main->startupCompleted());
  }
  void TearDown() override {
    main->close();
    main.reset();
    ui.reset();
    BillingTest::TearDown();
  }
  // H1's bill rows (物业费, 100.00 a month) from `fromMonth` to `toMonth` of 2005.
  void billH1(int fromMonth, int toMonth) {
    billMonths({billHouse("H1")}, 2005, fromMonth, 2005, toMonth);
  }
  // 查找 of the bill window for one house code, typed into 房屋代码.
  static void findHouse(TForm_jiaofeidan_duoyue* w, const char* code) {
    typeInto(w->Edit1, u8(code));
    click(w->bitbtn_seek);
  }
  // Runs the menu command `item` with `act` working the window it opens.
  void menu(const char* item, std::function<void(QDialog*)> act) {
    ui->onModal([act](QDialog* d) {
      QApplication::processEvents();
      act(d);
      if (d->isVisible()) d->reject();
    });
    QAction* a = main->MainMenu1->findChild<QAction*>(QString::fromLatin1(item));
    ASSERT_NE(a, nullptr) << item;
    a->trigger();
  }
  // The same for a command that opens a `W`.
  template <class W>
  void menuWindow(const char* item, std::function<void(W*)> act) {
    menu(item, [act](QDialog* d) {
      auto* w = qobject_cast<W*>(d);
      ASSERT_NE(w, nullptr) << d->metaObject()->className();
      act(w);
    });
  }

  std::unique_ptr<ScriptedUi> ui;
  std::unique_ptr<TForm_main> main;
};
