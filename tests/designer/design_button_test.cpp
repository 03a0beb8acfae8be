// The office's 设计 buttons reach the designer through the engine: the roster's 设计业主证明
// opens the owner certificate template in the designer window.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QToolButton>

#include <functional>

#include "billing/jiaofeidan.h"
#include "billing/jiaofeiguanli_single.h"
#include "billing/roster.h"
#include "billing/shoukuan.h"
#include "designer/FR_Desgn.h"
#include "report/FR_Preview.h"
#include "report/FR_Report.h"
#include "shell/dm.h"
#include "shell/loginstate.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

// The engine's settings file for tests (report/FR_Ctrls.h, whose dock names clash with the
// grid's in this unit).
void SetUserSettingsFile(const QString& fileName);

namespace {

TEST(DesignButtonTest, TheRosterDesignButtonOpensTheCertificateInTheDesigner) {
  const QString shipped = QString::fromUtf8(ESTATE_SOURCE_DIR "/templates/业主证明.frf");
  WorkFolder work;
  SetUserSettingsFile(work.file("settings.ini"));
  ResetLoginState();
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  RightFlags.set(QString::fromUtf8("编辑权"), true);
  // The window looks for its template beside the program.
  const QString target = TForm_housecharge::CertificateTemplate();
  QFile::remove(target);
  ASSERT_TRUE(QFile::copy(shipped, target));
  RegisterReportDesigner();
  {
    TForm_housecharge form;
    ScriptedUi ui;
    QString caption;
    int objects = 0;
    ui.onModal([&](QDialog* d) {
      auto* designer = qobject_cast<TfrDesignerForm*>(d);
      ASSERT_NE(designer, nullptr);
      caption = designer->windowTitle();
      objects = int(designer->Model().Page()->Objects.size());
      designer->action("N10")->trigger();
    });
    QTest::mouseClick(form.bitbtn_design, Qt::LeftButton);
    EXPECT_EQ(caption, QString::fromUtf8("设计器 - 业主证明.frf"));
    EXPECT_GT(objects, 0);
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
  }
  RegisteredDesigner() = nullptr;
  QFile::remove(target);
  delete Dm1;
  Dm1 = nullptr;
  ResetLoginState();
  SetUserSettingsFile(QString());
}


// The notice windows' 设计 commands open their template before anything was printed: its
// preview reads the empty print tables and shows a page, with no error.
TEST(DesignButtonTest, TheNoticeWindowsTemplatesPreviewFromTheDesignerBeforeAnyPrint) {
  WorkFolder work;
  SetUserSettingsFile(work.file("settings.ini"));
  ResetLoginState();
  Dm1 = new TDm1();
  Dm1->ADO_system->Open();
  RightFlags.set(QString::fromUtf8("编辑权"), true);
  RightFlags.set(QString::fromUtf8("打印权"), true);
  RegisterReportDesigner();
  struct Case {
    const char* fileName;
    std::function<void()> run;   // opens the window and gives the design command
  };
  auto preview = [](ScriptedUi& ui, const char* fileName) {
    ui.onModal([&ui, fileName](QDialog* d) {
      auto* designer = qobject_cast<TfrDesignerForm*>(d);
      ASSERT_NE(designer, nullptr);
      EXPECT_EQ(designer->windowTitle(), QString::fromUtf8("设计器 - ") + QString::fromUtf8(fileName));
      bool previewed = false;
      ui.onModal([&](QDialog* p) {
        previewed = qobject_cast<TfrPreviewForm*>(p) != nullptr;
        p->reject();
      });
      designer->action("N39")->trigger();   // 预览
      EXPECT_TRUE(previewed) << fileName;
      designer->action("N10")->trigger();
    });
  };
  const Case cases[] = {
      {"缴费通知单.frf",
       [&] {
         TForm_jiaofeidan_duoyue form;
         form.frReport1->ShowProgress = false;
         ScriptedUi ui;
         preview(ui, "缴费通知单.frf");
         QTest::mouseClick(form.bitbtn_design, Qt::LeftButton);
         EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
       }},
      {"澄川收款收据.frf",
       [&] {
         TForm_jiaofeidan_duoyue form;
         form.frReport1->ShowProgress = false;
         ScriptedUi ui;
         preview(ui, "澄川收款收据.frf");
         form.N5->trigger();
         EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
       }},
      {"缴费通知单一.frf",
       [&] {
         TForm_jiaofeiguanli form;
         form.frReport1->ShowProgress = false;
         ScriptedUi ui;
         preview(ui, "缴费通知单一.frf");
         QTest::mouseClick(form.SpeedButton2, Qt::LeftButton);
         EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fileName);
    const QString target = ProgramTemplatePath(QString::fromUtf8(c.fileName));
    QFile::remove(target);
    ASSERT_TRUE(QFile::copy(QString::fromUtf8(ESTATE_SOURCE_DIR "/templates/") + QString::fromUtf8(c.fileName), target));
    c.run();
    QFile::remove(target);
  }
  RegisteredDesigner() = nullptr;
  delete Dm1;
  Dm1 = nullptr;
  ResetLoginState();
  SetUserSettingsFile(QString());
}

}  // namespace
