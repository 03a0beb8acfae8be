// The designer as the office reaches it: the main window's 实收金额明细表 opens the payment
// journal, whose 设计收据 opens the receipt in the designer. There every tool the staff edits a
// template with is opened once (office_tools.cpp).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
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
#include "designer/FR_Flds.h"
#include "designer/FR_Insp.h"
#include "report/FR_Preview.h"
#include "report/FR_Report.h"
#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "tests/designer/office_tools.h"
#include "tests/support/login_answer.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

// The engine's settings file for tests (declared in report/FR_Ctrls.h, whose dock names clash
// with the grid's that the journal's header brings).
void SetUserSettingsFile(const QString& fileName);

namespace {

using officetest::settle;

// Logs in as 系统管理员 on a fresh data folder, opens the journal from the main menu, lets
// `prepare` set the journal up and clicks 设计收据; `inDesigner` then works in the designer
// opened on the receipt, which is closed afterwards without saving.
void DesignReceiptFromJournal(const std::function<void(TForm_shoufeimingxibiao*)>& prepare,
                              const std::function<void(ScriptedUi&, TfrDesignerForm*)>& inDesigner) {
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
    AnswerLogIn(ui);
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
        inDesigner(ui, f);
        designed = true;
        if (f->IsModified()) ui.answerMessage(mrNo);
        f->action("N10")->trigger();
      });
      prepare(w);
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

TEST(OfficeDesignTest, TheJournalsDesignButtonOpensTheReceiptAndEveryTool) {
  DesignReceiptFromJournal(
      [](TForm_shoufeimingxibiao* w) {
        // The receipt's two record sets as a print leaves them, so the field lists show fields.
        w->q_biao1->SQL.Clear();
        w->q_biao1->SQL.Add(u("select * from 表1 order by xh"));
        w->q_biao2->SQL.Clear();
        w->q_biao2->SQL.Add(u("select * from 表2 order by xh"));
      },
      [](ScriptedUi& ui, TfrDesignerForm* f) { officetest::OpenEveryTool(ui, f); });
}

// Before anything was printed the receipt previews from the designer over the empty print
// tables, without an error, and the inspector and the field list are where they were after it.
TEST(OfficeDesignTest, TheReceiptPreviewsFromTheDesignerBeforeAnyPrint) {
  // The pages are built without the progress window, so the preview is the only window opened.
  auto quiet = [](TForm_shoufeimingxibiao* w) { w->frReport1->ShowProgress = false; };
  DesignReceiptFromJournal(quiet, [](ScriptedUi& ui, TfrDesignerForm* f) {
    settle(20);
    ASSERT_TRUE(f->Inspector && f->Inspector->isVisible());
    ASSERT_TRUE(f->FieldList && f->FieldList->isVisible());
    for (int round = 0; round < 2; ++round) {
      bool previewed = false;
      ui.onModal([&](QDialog* preview) {
        previewed = qobject_cast<TfrPreviewForm*>(preview) != nullptr;
        preview->reject();
      });
      QTest::keyClick(f, Qt::Key_P, Qt::ControlModifier);
      settle(20);
      EXPECT_TRUE(previewed) << "round " << round;
      EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
      EXPECT_TRUE(f->Inspector && f->Inspector->isVisible()) << "round " << round;
      EXPECT_TRUE(f->FieldList && f->FieldList->isVisible()) << "round " << round;
    }
  });
}

}  // namespace
