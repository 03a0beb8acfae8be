// The designer as the office reaches it: the main window's 实收金额明细表 opens the payment
// journal, whose 设计收据 opens the receipt in the designer. There every tool the staff edits a
// template with is opened once (office_tools.cpp).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QToolButton>
#include <QTest>

#include "billing/jiaofeiguanli.h"
#include "billing/paycommands.h"
#include "billing/shoukuan.h"
#include "platform/data/ado.h"
#include "designer/FR_Desgn.h"
#include "report/FR_Report.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/designer/office_tools.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

// The engine's settings file for tests (declared in report/FR_Ctrls.h, whose dock names clash
// with the grid's that the journal's header brings).
void SetUserSettingsFile(const QString& fileName);

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

using officetest::settle;

TEST(OfficeDesignTest, TheJournalsDesignButtonOpensTheReceiptAndEveryTool) {
  WorkFolder work;
  SetUserSettingsFile(work.file("settings.ini"));
  QApplication::setQuitOnLastWindowClosed(false);
  TForm_main::setProgramFolder(work.path());
  ResetLoginState();
  Dm1 = new TDm1();
  RegisterPaymentCommands();
  RegisterReportDesigner();
  {
    auto main = std::make_unique<TForm_main>();
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(ESTATE_SOURCE_DIR "/templates/收款收据.frf"),
                            ProgramTemplatePath(u("收款收据.frf"))));
    ScriptedUi ui;
    ui.onModal([](QDialog* d) {
      auto* enter = qobject_cast<TForm_Enter*>(d);
      ASSERT_NE(enter, nullptr);
      enter->DBLookupComboBox1->setCurrentIndex(enter->DBLookupComboBox1->findText(u("系统管理员")));
      enter->Edit1->setText(QString());
      enter->BitBtn_OKClick();
    });
    main->resize(1280, 1000);
    main->show();
    QElapsedTimer t;
    t.start();
    while (!main->startupCompleted() && t.elapsed() < 5000) settle(10);
    ASSERT_TRUE(main->startupCompleted());

    bool designed = false;
    ui.onModal([&](QDialog* journal) {
      auto* w = qobject_cast<TForm_shoufeimingxibiao*>(journal);
      ASSERT_NE(w, nullptr);
      ui.onModal([&](QDialog* d) {
        auto* f = qobject_cast<TfrDesignerForm*>(d);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->windowTitle(), u("设计器 - 收款收据.frf"));
        officetest::OpenEveryTool(ui, f);
        designed = true;
        if (f->IsModified()) ui.answerMessage(mrNo);
        f->action("N10")->trigger();
      });
      // The receipt's two record sets as a print leaves them, so the field lists show fields.
      w->q_biao1->SQL.Add(u("select * from 表1 order by xh"));
      w->q_biao2->SQL.Add(u("select * from 表2 order by xh"));
      QTest::mouseClick(w->SpeedButton6, Qt::LeftButton);
      journal->reject();
    });
    main->MainMenu1->findChild<QAction*>(QStringLiteral("N53"))->trigger();
    EXPECT_TRUE(designed);
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
    main->close();
  }
  RegisteredDesigner() = nullptr;
  delete Dm1;
  Dm1 = nullptr;
  ResetLoginState();
  TForm_main::setProgramFolder(QString());
  SetUserSettingsFile(QString());
}

}  // namespace
