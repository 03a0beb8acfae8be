// The designer's files, options and settings: new, open, save through a temporary file, save
// as in the other formats, preview from the designer, page, report and designer options, and
// the settings kept between windows.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "designer/FR_Dialogs.h"
#include "designer/FR_Small.h"
#include "report/FR_Built.h"
#include "report/FR_FileStream.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

class DesignerFilesTest : public designtest::DesignerWindowFixture {
 protected:
  void deleteMemo1() {
    form->SelectByName("Memo1");
    form->action("N27")->trigger();
    ASSERT_TRUE(form->IsModified());
  }
  QStringList objectsInFile(const QString& file) {
    TfrReport r;
    QStringList names;
    if (!r.LoadFromFile(file)) return {"<unreadable>"};
    for (auto& p : r.Pages)
      for (auto& o : p->Objects) names << o->Name;
    return names;
  }
  static void clickOk(QDialog* d) { d->findChild<QPushButton*>("OKButton")->click(); }
};

TEST_F(DesignerFilesTest, SaveReplacesTheFileWholeOrReportsWhyNot) {
  ScriptedUi ui;
  open();
  deleteMemo1();
  form->action("N20")->trigger();
  EXPECT_TRUE(form->SaveSucceeded);
  EXPECT_FALSE(form->IsModified());
  EXPECT_FALSE(form->button("FileBtn3")->isEnabled());
  EXPECT_EQ(objectsInFile(path), QStringList({"Memo2"}));
  EXPECT_EQ(QDir(work.path()).entryList(QDir::Files | QDir::Hidden).filter(QString::fromUtf8("收据")),
            QStringList({QString::fromUtf8("收据.frf")}));   // no temporary file left behind

  // A text the template cannot hold: the file keeps its last good contents.
  obj("Memo2")->Memo = QStringList{QString::fromUtf8("表情 \U0001F600")};
  form->MarkModified(true);
  form->action("N20")->trigger();
  EXPECT_FALSE(form->SaveSucceeded);
  EXPECT_TRUE(form->IsModified());
  EXPECT_TRUE(ui.lastMessage().text.startsWith(QString::fromUtf8("无法保存报表文件"))) << ui.lastMessage().text.toStdString();
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Error);
  EXPECT_EQ(objectsInFile(path), QStringList({"Memo2"}));

  // A place that cannot be written.
  obj("Memo2")->Memo = QStringList{"ok"};
  form->SetDesignFileName(work.path());
  form->action("N20")->trigger();
  EXPECT_FALSE(form->SaveSucceeded);
  EXPECT_TRUE(form->IsModified());
  EXPECT_TRUE(QFileInfo(work.path()).isDir());
}

TEST_F(DesignerFilesTest, NewThenSaveRunsSaveAsAndCancelLeavesTheDesignModified) {
  ScriptedUi ui;
  open();
  form->button("FileBtn1")->Click();   // nothing changed: no question
  EXPECT_TRUE(ui.messages().isEmpty());
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - Untitled"));
  ASSERT_EQ(report->Pages.size(), 1u);
  EXPECT_TRUE(report->Pages[0]->Objects.empty());
  EXPECT_EQ(form->Model().UndoCount(), 0);
  form->SetTool(toolText);
  ui.onModal([](QDialog* d) { d->reject(); });   // the editor after the insertion
  QTest::mouseMove(form->DesignSurface, {100, 100});
  QTest::mouseClick(form->DesignSurface, Qt::LeftButton, Qt::NoModifier, {100, 100});
  ASSERT_TRUE(form->IsModified());
  ui.cancel(ScriptedUi::Dialog::SaveFile);
  form->action("N20")->trigger();
  EXPECT_FALSE(form->SaveSucceeded);
  EXPECT_TRUE(form->IsModified());
  const QString fresh = work.file(QString::fromUtf8("新报表"));
  ui.answerSaveFile(fresh);
  form->action("N20")->trigger();
  EXPECT_TRUE(form->SaveSucceeded);
  EXPECT_FALSE(form->IsModified());
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - 新报表.frf"));
  EXPECT_EQ(objectsInFile(fresh + ".frf"), QStringList({"Memo1"}));
  // New with unsaved changes asks first; Cancel keeps everything.
  form->MarkModified(true);
  ui.answerMessage(mrCancel);
  form->button("FileBtn1")->Click();
  EXPECT_EQ(report->Pages[0]->Objects.size(), 1u);
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("保存变动 到 新报表.frf?"));
}

TEST_F(DesignerFilesTest, SaveAsTemplateOrDictionaryKeepsTheDesignFileAndItsState) {
  ScriptedUi ui;
  open();
  deleteMemo1();
  const QString templ = work.file(QString::fromUtf8("模版.frt"));
  ui.answerSaveFile(templ);
  ui.onModal([](QDialog* d) {
    d->findChild<QPlainTextEdit*>("Memo1")->setPlainText(QString::fromUtf8("缴费收据模版"));
    d->accept();
  });
  form->action("N17")->trigger();
  EXPECT_TRUE(QFileInfo(templ).isFile());
  EXPECT_EQ(form->DesignFileName, path);
  EXPECT_TRUE(form->IsModified());   // the design's own file is still the old one
  TfrReport probe;
  QStringList description;
  QImage picture;
  ASSERT_TRUE(probe.ReadDescribedTemplate(templ, description, true, picture));
  EXPECT_EQ(description, QStringList{QString::fromUtf8("缴费收据模版")});
  EXPECT_EQ(probe.Pages[0]->Objects.size(), 1u);

  const QString dict = work.file(QString::fromUtf8("字典.frd"));
  ui.answerSaveFile(dict);
  form->action("N17")->trigger();
  EXPECT_TRUE(QFileInfo(dict).isFile());
  EXPECT_FALSE(form->SaveSucceeded);
  EXPECT_TRUE(form->IsModified());
  EXPECT_EQ(form->DesignFileName, path);
}

// Save as an XML template makes the XML file the design's file; Save keeps writing XML to it
// (never the binary template under an XML name), and Open offers the XML templates and reads
// them back as the design that was saved.
TEST_F(DesignerFilesTest, SaveAsXmlMakesItTheDesignFileThatSaveAndOpenKeep) {
  ScriptedUi ui;
  open();
  deleteMemo1();
  const QString xml = work.file(QString::fromUtf8("收据 & 通知.fr3"));
  auto startOf = [](const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  };
  ui.answerSaveFile(xml);
  form->action("N17")->trigger();
  ASSERT_TRUE(QFileInfo(xml).isFile()) << ui.messageTexts().join(" | ").toStdString();
  EXPECT_TRUE(startOf(xml).startsWith("<?xml")) << startOf(xml).left(80).toStdString();
  EXPECT_FALSE(startOf(xml).contains("Memo1"));
  EXPECT_TRUE(form->SaveSucceeded);
  EXPECT_FALSE(form->IsModified());
  EXPECT_EQ(form->DesignFileName, xml);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - 收据 & 通知.fr3"));
  EXPECT_EQ(objectsInFile(path), QStringList({"Memo1", "Memo2"}));   // the old file is left alone
  EXPECT_EQ(objectsInFile(xml), QStringList({"Memo2"}));

  // Save writes XML to the design's XML file.
  auto* memo = static_cast<TfrMemoView*>(obj("Memo2"));
  ASSERT_NE(memo, nullptr);
  memo->Memo = QStringList{QString::fromUtf8("已改 & <保存>")};
  memo->SetBounds(memo->Left + 3, memo->Top + 5, memo->Width + 7, memo->Height);
  const QRect bounds(memo->Left, memo->Top, memo->Width, memo->Height);
  form->MarkModified(true);
  form->action("N20")->trigger();
  EXPECT_TRUE(form->SaveSucceeded);
  EXPECT_FALSE(form->IsModified());
  EXPECT_TRUE(startOf(xml).startsWith("<?xml")) << startOf(xml).left(80).toStdString();
  EXPECT_EQ(ui.pendingAnswers(), 0);

  // A text the templates cannot hold: the XML file keeps its last good contents, as the
  // template file does, and the design stays modified.
  const QByteArray good = startOf(xml);
  memo->Memo = QStringList{QString::fromUtf8("表情 \U0001F600")};
  form->MarkModified(true);
  form->action("N20")->trigger();
  EXPECT_FALSE(form->SaveSucceeded);
  EXPECT_TRUE(form->IsModified());
  EXPECT_TRUE(ui.lastMessage().text.startsWith(QString::fromUtf8("无法保存报表文件"))) << ui.lastMessage().text.toStdString();
  EXPECT_EQ(startOf(xml), good);
  memo->Memo = QStringList{QString::fromUtf8("已改 & <保存>")};
  form->MarkModified(false);

  // Another design is opened, then the XML file: the design comes back as it was saved, and the
  // XML file is the design's file again.
  ui.answerOpenFile(path);
  form->action("N19")->trigger();
  ASSERT_NE(obj("Memo1"), nullptr);
  EXPECT_EQ(form->DesignFileName, path);
  ui.answerOpenFile(xml);
  form->action("N19")->trigger();
  const FileDialogRequest& request = ui.fileRequests().last();
  EXPECT_TRUE(request.filter.endsWith(QString::fromUtf8("|Chartula3 表单 (*.fr3)|*.fr3"))) << request.filter.toStdString();
  EXPECT_TRUE(request.filter.startsWith(QString::fromUtf8("Chartula 表单 (*.frf)|*.frf|Chartula 字典 (*.frd)|*.frd|")))
      << request.filter.toStdString();
  EXPECT_EQ(obj("Memo1"), nullptr) << ui.messageTexts().join(" | ").toStdString();
  memo = static_cast<TfrMemoView*>(obj("Memo2"));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->Memo, QStringList{QString::fromUtf8("已改 & <保存>")});
  EXPECT_EQ(QRect(memo->Left, memo->Top, memo->Width, memo->Height), bounds);
  EXPECT_EQ(form->DesignFileName, xml);
  EXPECT_EQ(report->FileName, xml);
  EXPECT_FALSE(form->IsModified());
  EXPECT_EQ(form->Model().UndoCount(), 0);
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - 收据 & 通知.fr3"));

  // A change saved after the Open is XML again, and Save as a template file goes back to the
  // binary format under the new name.
  form->SelectByName("Memo2");
  form->action("N27")->trigger();
  form->action("N20")->trigger();
  EXPECT_TRUE(form->SaveSucceeded);
  EXPECT_TRUE(startOf(xml).startsWith("<?xml"));
  EXPECT_EQ(objectsInFile(xml), QStringList());
  const QString binary = work.file(QString::fromUtf8("回到.frf"));
  ui.answerSaveFile(binary);
  form->action("N17")->trigger();
  EXPECT_EQ(form->DesignFileName, binary);
  EXPECT_FALSE(startOf(binary).startsWith("<"));
  EXPECT_EQ(uint8_t(startOf(binary).at(0)), kCurrentStreamVersion);
  EXPECT_EQ(ui.messages().size(), 1) << ui.messageTexts().join(" | ").toStdString();
}

// Reading a dictionary file changes the design: the Save button wakes up and closing asks; the
// saved template carries the dictionary.
TEST_F(DesignerFilesTest, OpeningADictionaryMarksTheDesignChanged) {
  ScriptedUi ui;
  const QString dict = work.file(QString::fromUtf8("字典.frd"));
  report->Dictionary.Variables.PutValue(QString::fromUtf8("单位"), QString::fromUtf8("'物业'"));
  ASSERT_TRUE(report->SaveDictionaryFile(dict));
  report->Dictionary.Variables.RemoveAll();
  open();
  ASSERT_FALSE(form->IsModified());
  ui.answerOpenFile(dict);
  form->action("N19")->trigger();
  ASSERT_EQ(report->Dictionary.Variables.EntryCount(), 1);
  EXPECT_TRUE(form->IsModified());
  EXPECT_TRUE(form->button("FileBtn3")->isEnabled());
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - 收据.frf"));
  ui.answerMessage(mrYes);
  form->done(mrOk);
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("保存变动 到 收据.frf?"));
  EXPECT_FALSE(form->isVisible());
  TfrReport saved;
  ASSERT_TRUE(saved.LoadFromFile(path));
  ASSERT_EQ(saved.Dictionary.Variables.EntryCount(), 1);
  EXPECT_EQ(saved.Dictionary.Variables.NameAt(0).trimmed(), QString::fromUtf8("单位"));
}

TEST_F(DesignerFilesTest, AFileThatIsNoReadableTemplateIsNeverTreatedAsOpened) {
  ScriptedUi ui;
  // A built-report file and a damaged template.
  report->ShowProgress = false;
  ASSERT_TRUE(report->BuildReport());
  const QString built = work.file(QString::fromUtf8("收据.frp"));
  report->SaveBuiltReportFile(built);
  ASSERT_TRUE(QFileInfo(built).isFile());
  const QString damaged = work.file(QString::fromUtf8("坏.frf"));
  {
    QFile f(damaged);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QFile good(path);
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    f.write(good.readAll().left(40));
  }
  const QString dict = work.file(QString::fromUtf8("字典.frd"));
  report->Dictionary.Variables.PutValue(QString::fromUtf8("单位"), QString::fromUtf8("'物业'"));
  ASSERT_TRUE(report->SaveDictionaryFile(dict));
  report->Dictionary.Variables.RemoveAll();
  open();
  deleteMemo1();
  for (const QString& file : {built, damaged}) {
    ui.answerMessage(mrNo);   // the unsaved change is not to be saved
    ui.answerOpenFile(file);
    form->action("N19")->trigger();
    EXPECT_TRUE(ui.lastMessage().text.startsWith(QString::fromUtf8("无法打开报表文件")))
        << file.toStdString() << ": " << ui.messageTexts().join(" | ").toStdString();
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - 收据.frf"));
    EXPECT_TRUE(form->IsModified());
    EXPECT_EQ(obj("Memo1"), nullptr);   // the design as it was, not half a file
    EXPECT_NE(obj("Memo2"), nullptr);
    EXPECT_EQ(report->FileName, path);
  }
  // A dictionary file changes the dictionary only.
  ui.answerMessage(mrNo);
  ui.answerOpenFile(dict);
  form->action("N19")->trigger();
  ASSERT_EQ(report->Dictionary.Variables.EntryCount(), 1);
  EXPECT_EQ(report->Dictionary.Variables.NameAt(0).trimmed(), QString::fromUtf8("单位"));
  EXPECT_TRUE(form->IsModified());
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("设计器 - 收据.frf"));
  // The template itself opens: its objects, a clean state and no steps.
  ui.answerMessage(mrNo);
  ui.answerOpenFile(path);
  form->action("N19")->trigger();
  EXPECT_NE(obj("Memo1"), nullptr);
  EXPECT_FALSE(form->IsModified());
  EXPECT_EQ(form->Model().UndoCount(), 0);
}

TEST_F(DesignerFilesTest, PageOptionsApplyWholeOrNotAtAll) {
  ScriptedUi ui;
  TfrPage* p = report->Pages[0].get();
  p->LeftMargin = p->TopMargin = p->RightMargin = p->BottomMargin = 36;
  open();
  QStringList shown;
  ui.onModal([&](QDialog* d) {
    for (const char* e : {"E3", "E4", "E5", "E6"}) shown << d->findChild<QLineEdit*>(e)->text();
    d->findChild<QLineEdit*>("E3")->setText("12.5");
    d->findChild<QLineEdit*>("E4")->setText("7,5");
    d->findChild<QRadioButton*>("RB2")->setChecked(true);
    clickOk(d);
  });
  form->action("N25")->trigger();
  EXPECT_EQ(shown, QStringList({"10", "10", "10", "10"}));
  EXPECT_EQ(p->LeftMargin, 45);
  EXPECT_EQ(p->TopMargin, 27);
  EXPECT_EQ(p->pgOr, 1);
  EXPECT_TRUE(form->IsModified());
  EXPECT_EQ(form->DesignSurface->width(), p->PageWidthPixels());

  // One bad entry: a message, the dialog stays, and nothing of it is applied.
  bool stayedOpen = false;
  ui.onModal([&](QDialog* d) {
    d->findChild<QLineEdit*>("E3")->setText("20");
    d->findChild<QRadioButton*>("RB1")->setChecked(true);
    d->findChild<QLineEdit*>("Edit1")->setText("abc");
    clickOk(d);
    stayedOpen = d->isVisible() && d->result() != QDialog::Accepted;
    d->reject();
  });
  form->action("N25")->trigger();
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(ui.lastMessage().text, QString::fromUtf8("栏数不正确：abc"));
  EXPECT_EQ(p->LeftMargin, 45);
  EXPECT_EQ(p->pgOr, 1);

  // A custom paper is shown in millimetres.
  p->pgSize = 256;
  p->pgWidth = 2100;
  p->pgHeight = 2970;
  TfrPgoptForm dialog;
  dialog.Fill(*p, false);
  EXPECT_EQ(dialog.E1->text(), "210");
  EXPECT_EQ(dialog.E2->text(), "297");
  EXPECT_TRUE(dialog.E1->isEnabled());
}

// The build behind a preview reads the template back into new objects; every step recorded
// before it still applies to them, both ways, and editing goes on.
TEST_F(DesignerFilesTest, PreviewFromTheDesignerKeepsTheUndoHistory) {
  ScriptedUi ui;
  report->ShowProgress = false;
  open();
  form->SelectByName("Memo1");
  QTest::keyClick(form->DesignSurface, Qt::Key_Right, Qt::ControlModifier);   // moved
  form->SelectByName("Memo2");
  form->action("N27")->trigger();                                             // deleted
  TfrView* added = form->Model().InsertObject(CreateViewByType(gtMemo));      // inserted
  added->SetBounds(200, 200, 96, 20);
  const QString addedName = added->Name;
  ASSERT_EQ(form->Model().UndoCount(), 3);
  QString caption;
  ui.onModal([&](QDialog* d) {
    caption = d->windowTitle();
    d->reject();
  });
  form->action("N39")->trigger();
  EXPECT_EQ(caption, QString::fromUtf8("预览"));
  EXPECT_EQ(form->Model().Page(), report->Pages[0].get());
  EXPECT_EQ(form->Model().UndoCount(), 3);
  EXPECT_TRUE(form->action("N46")->isEnabled());
  auto names = [&] {
    QStringList n;
    for (auto& o : report->Pages[0]->Objects) n << o->Name;
    return n;
  };
  ASSERT_EQ(names(), QStringList({"Memo1", addedName}));
  form->Undo();
  EXPECT_EQ(names(), QStringList({"Memo1"}));
  form->Undo();
  EXPECT_EQ(names(), QStringList({"Memo1", "Memo2"}));
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Left, 40);
  EXPECT_EQ(form->Model().UndoCount(), 0);
  form->Redo();
  EXPECT_EQ(obj("Memo1")->Left, 41);
  // Editing goes on with the objects the build left, and a second preview keeps it too.
  form->SelectByName("Memo1");
  QTest::keyClick(form->DesignSurface, Qt::Key_Right, Qt::ControlModifier);
  ui.onModal([](QDialog* d) { d->reject(); });
  form->action("N39")->trigger();
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Left, 41);
  form->Undo();
  EXPECT_EQ(obj("Memo1")->Left, 40);
  EXPECT_EQ(names(), QStringList({"Memo1", "Memo2"}));
}

TEST_F(DesignerFilesTest, DesignerOptionsApplyAndSettingsComeBackInTheNextWindow) {
  ScriptedUi ui;
  open();
  ui.onModal([](QDialog* d) {
    d->findChild<QRadioButton*>("RB3")->setChecked(true);    // 18 pixels
    d->findChild<QRadioButton*>("RB7")->setChecked(true);    // millimetres
    d->findChild<QRadioButton*>("RB10")->setChecked(true);   // page on the left
    d->findChild<QCheckBox*>("CB1")->setChecked(false);      // no grid
    d->findChild<QCheckBox*>("CB4")->setChecked(false);      // no editor after inserting
    d->accept();
  });
  form->action("N14")->trigger();
  EXPECT_EQ(form->Model().Settings.GridSize, 18);
  EXPECT_EQ(form->StatusUnits->text(), "MM");
  EXPECT_EQ(form->DesignSurface->x(), 10);
  EXPECT_FALSE(form->button("GB1")->Down());
  form->SelectByName("Memo1");
  EXPECT_EQ(form->StatusBox->text(), QString::fromUtf8("11.11; 11.11   26.67; 5.56"));
  form->button("ExitB")->Click();
  form.reset();
  EXPECT_EQ(ReadSettingString(TfrDesignerSettings::Key(), "GridSize", ""), "18");
  open();
  EXPECT_EQ(form->Model().Settings.GridSize, 18);
  EXPECT_EQ(form->Model().Settings.Units, 1);
  EXPECT_FALSE(form->Model().Settings.ShowGrid);
  EXPECT_FALSE(form->Model().Settings.EditAfterInsert);
  EXPECT_EQ(form->StatusUnits->text(), "MM");
}

TEST_F(DesignerFilesTest, ReportOptionsProtectOnlyWithTwoEqualEntries) {
  ScriptedUi ui;
  open();
  auto options = [&](bool protect, const QString& name, QStringList typed) {
    ui.onModal([=](QDialog* d) {
      d->findChild<QCheckBox*>("CB3")->setChecked(protect);
      d->findChild<QCheckBox*>("CB2")->setChecked(true);
      d->findChild<QLineEdit*>("E1")->setText(name);
      d->accept();
    });
    // The password dialog asks twice; the second time with its own prompt.
    for (const QString& t : typed)
      ui.onModal([t](QDialog* d) {
        auto* f = qobject_cast<TfrPasswEditForm*>(d);
        ASSERT_NE(f, nullptr);
        EXPECT_TRUE(f->E1->text().isEmpty());
        QTest::keyClicks(f->E1, t);
        QTest::keyClick(f->E1, Qt::Key_Return);
      });
    form->action("N8")->trigger();
  };
  options(true, QString::fromUtf8("收据"), {"abc", "abd"});
  EXPECT_FALSE(report->Protected);
  EXPECT_TRUE(report->Password.isEmpty());
  EXPECT_TRUE(report->DoublePassReport);
  EXPECT_EQ(report->ReportName, QString::fromUtf8("收据"));
  EXPECT_TRUE(form->IsModified());
  options(true, QString::fromUtf8("收据"), {"abc", "abc"});
  EXPECT_TRUE(report->Protected);
  EXPECT_EQ(report->Password, QByteArray("abc"));
  options(false, QString::fromUtf8("收据"), {});
  EXPECT_FALSE(report->Protected);
  EXPECT_TRUE(report->Password.isEmpty());
}

}  // namespace
