// Company documents and their circulation on a real PostgreSQL server: the one-use
// connection from 公司信息, numbers unique and upper case, recipients without duplicates,
// reading and marking read, the searches, pictures, and the connection failure.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "platform/data/sqlquote.h"
#include "platform/datetime.h"
#include "services/DM2.h"
#include "services/chooseperson.h"
#include "services/companyfile.h"
#include "services/companyfile_check.h"
#include "services/servicecommands.h"
#include "services/showphoto.h"
#include "tests/platform/pg_server.h"
#include "tests/services/services_fixture.h"
#include "tests/support/scripted_ui.h"

namespace {

TEST(CompanyFileQuery, ConditionsQuotedAndInDialogOrder) {
  CompanyFileQueryFields f;
  EXPECT_EQ(CompanyFileQueryCondition(f), QString());
  f.number = u8("F'1%");
  f.title = u8("通知");
  f.dates = true;
  f.from = EncodeDate(2006, 5, 1);
  f.to = EncodeDate(2006, 5, 31);
  EXPECT_EQ(CompanyFileQueryCondition(f),
            u8("(文件名称 ilike '%通知%' ESCAPE '\\')and(发文号 ilike '%F''1\\%%' ESCAPE '\\')"
               "and(发文日期 between '2006-05-01 00:00:00' and '2006-05-31 23:59:59')"));
  f = {};
  f.read = u8("否");
  f.operatorCode = u8("0'2");
  EXPECT_EQ(CompanyFileQueryCondition(f),
            u8("(发文号 in (select 发文号 from 阅览公司文件明细表 where (代码='0''2')and(阅览完毕 = 0)))"));
}

class CompanyFileTest : public ServicesTest {
 protected:
  void SetUp() override {
    ServicesTest::SetUp();
    dm2_ = std::make_unique<Tform_Dm2>();
    {
      TADOConnection c;
      ASSERT_NO_FATAL_FAILURE(OpenNewPgDatabase(c, QStringLiteral("company_docs")));
      ASSERT_NO_FATAL_FAILURE(RunSchemaResource(c, QStringLiteral(":/schema/company_pg.sql")));
    }
    setServer(QStringLiteral("%1,%2").arg(PgServer::instance().socketDir()).arg(PgServer::instance().port()));
    exec(u8("insert into 权限表 (代码, 姓名) values ('002', '张三'), ('003', '李四')"));
    exec(u8("insert into 部门表 (部门名称) values ('办公室'), ('财务部')"));
  }
  void TearDown() override {
    DisconnectCompanyServer();
    dm2_.reset();
    ServicesTest::TearDown();
  }
  void setServer(const QString& server) {
    exec(u8("update 公司信息 set 服务器名=") + SqlQuote::Text(server) +
         u8(", 数据库名='company_docs', 登陆名='postgres', 登陆口令=''"));
  }
  // A value read from the company database, or "<none>".
  QString company(const QString& sql) { return FirstValueIn(form_Dm2->ADO_system1, sql); }
  std::unique_ptr<TForm_companyfile> openDocuments() {
    auto form = std::make_unique<TForm_companyfile>();
    OpenOrdered(form->q_companyfile, u8("select * from 公司文件"), u8("order by 发文号 desc"));
    form->show();
    return form;
  }
  void fill(TADOQuery* q, const char* title, const char* number, TDateTime date) {
    q->FieldByName(u8("文件名称"))->SetAsString(u8(title));
    q->FieldByName(u8("发文号"))->SetAsString(u8(number));
    q->FieldByName(u8("发文日期"))->SetAsDateTime(date);
  }
  std::unique_ptr<Tform_Dm2> dm2_;
};

TEST_F(CompanyFileTest, ConnectionFailureOpensNoWindow) {
  setServer(u8("/nonexistent-socket-dir"));
  ScriptedUi ui;
  OpenCompanyFiles(nullptr);
  EXPECT_EQ(ui.lastMessage().text, u8("公司的数据库连接不上，请检查网络配置！"));
  EXPECT_TRUE(ui.modalWindows().isEmpty());
  EXPECT_FALSE(form_Dm2->ADO_system1->Connected());
  OpenCompanyFilesToRead(nullptr);
  EXPECT_EQ(ui.messages().size(), 2);
}

TEST_F(CompanyFileTest, DocumentsCirculateAndAreMarkedRead) {
  ScriptedUi ui;
  ASSERT_TRUE(ConnectCompanyServer());
  auto form = openDocuments();
  TADOQuery* q = form->q_companyfile;
  {
    // 编辑 on an empty list starts a new document; the number is kept in upper case.
    TForm_companyfile_edit edit(form.get());
    edit.FormShow();
    EXPECT_EQ(q->State(), dsInsert);
    edit.b_saveClick();  // nothing typed: nothing happens
    EXPECT_TRUE(ui.messages().isEmpty());
    q->FieldByName(u8("发文号"))->SetAsString(u8("x"));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("文件名称不能为空,请重新输入!"));
    fill(q, "通知", "fw-001", EncodeDate(2006, 5, 2));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
    edit.b_appendClick();
    EXPECT_FALSE(edit.b_append->isEnabled());
    EXPECT_FALSE(edit.b_return->isEnabled());
    fill(q, "决定", "FW-001", EncodeDate(2006, 5, 3));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("发文号不能重复,请重新输入!"));
    q->FieldByName(u8("发文号"))->SetAsString(u8("FW-002"));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
    EXPECT_TRUE(edit.b_append->isEnabled());
  }
  EXPECT_EQ(company(u8("select count(*) from 公司文件 where 发文号 in ('FW-001', 'FW-002')")), u8("2"));
  EXPECT_EQ(company(u8("select 操作员 from 公司文件 where 发文号='FW-001'")), u8("操作员甲"));
  {
    // An existing document keeps its own number; another's number is refused.
    form->BitBtn_refreshClick();
    ASSERT_TRUE(q->Locate(u8("发文号"), Variant(u8("FW-002"))));
    TForm_companyfile_edit edit(form.get());
    edit.FormShow();
    q->FieldByName(u8("文件名称"))->SetAsString(u8("决定（修订）"));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
    edit.FormShow();
    q->FieldByName(u8("发文号"))->SetAsString(u8("FW-001"));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("发文号不能重复,请重新输入!"));
    edit.b_cancelClick();
  }
  EXPECT_EQ(company(u8("select 文件名称 from 公司文件 where 发文号='FW-002'")), u8("决定（修订）"));

  // Recipients: both operators for FW-002, then 张三 again: one row each.
  auto choose = [&](const QStringList& codes) {
    TForm_chooseperson picker(form.get());
    picker.SetCallerTag(u8("companyfile"));
    picker.q_temp->SQL.Add(u8("select * from 权限表 order by 代码"));
    picker.q_temp->Open();
    picker.show();
    for (const QString& code : codes) {
      ASSERT_TRUE(picker.q_temp->Locate(u8("代码"), Variant(code)));
      picker.DBGrideh1->MarkedRows()->SetCurrentRowMarked(true);
    }
    picker.DBGrideh1DblClick();
    EXPECT_EQ(picker.result(), int(QDialog::Accepted));
  };
  ASSERT_TRUE(q->Locate(u8("发文号"), Variant(u8("FW-002"))));
  choose({u8("002"), u8("003")});
  choose({u8("002")});
  EXPECT_EQ(company(u8("select count(*) from 阅览公司文件明细表 where 发文号='FW-002'")), u8("2"));
  EXPECT_EQ(company(u8("select count(*) from 阅览公司文件明细表 where 发文号='FW-002' and 阅览完毕 = 0")), u8("2"));
  ASSERT_TRUE(q->Locate(u8("发文号"), Variant(u8("FW-001"))));
  choose({u8("002")});
  EXPECT_EQ(form->t_temp->RecordCount(), 1);

  // 张三 reads: two unread documents; marking one read and refreshing leaves one.
  CurrentOperatorCode = u8("002");
  CurrentOperatorName = u8("张三");
  TForm_companyfile_check reading;
  for (const QString& line : UnreadDocumentsSql(CurrentOperatorCode)) reading.q_companyfile->SQL.Add(line);
  reading.q_companyfile->Open();
  ASSERT_EQ(reading.q_companyfile->RecordCount(), 2);
  EXPECT_EQ(reading.q_companyfile->FieldByName(u8("发文号"))->AsString(), u8("FW-002"));
  {
    TForm_companyfile_check_edit dialog(&reading);
    dialog.LoadCirculationRow();
    ASSERT_EQ(dialog.q_temp->RecordCount(), 1);
    const int shown = ui.messages().size();
    dialog.bitbtn_saveClick();  // nothing changed
    EXPECT_EQ(ui.messages().size(), shown);
    dialog.q_temp->Edit();
    dialog.q_temp->FieldByName(u8("阅览完毕"))->SetAsBoolean(true);
    dialog.q_temp->FieldByName(u8("阅览人"))->SetAsString(u8("手写"));
    dialog.bitbtn_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
  }
  EXPECT_EQ(company(u8("select 阅览人 from 阅览公司文件明细表 where 发文号='FW-002' and 代码='002'")), u8("张三"));
  EXPECT_NE(company(u8("select 阅览日期 from 阅览公司文件明细表 where 发文号='FW-002' and 代码='002'")), u8("<none>"));
  EXPECT_EQ(company(u8("select 阅览完毕 from 阅览公司文件明细表 where 发文号='FW-002' and 代码='003'")), u8("False"));
  reading.BitBtn_refreshClick();
  ASSERT_EQ(reading.q_companyfile->RecordCount(), 1);
  EXPECT_EQ(reading.q_companyfile->FieldByName(u8("发文号"))->AsString(), u8("FW-001"));
  {
    // 查找 with 阅览完毕 "是": only what he has read.
    TForm_companyfile_check_query search(&reading);
    search.Target = reading.q_companyfile;
    search.ComboBox2->setCurrentText(u8("是"));
    search.bitbtn_seekClick();
    ASSERT_EQ(reading.q_companyfile->RecordCount(), 1);
    EXPECT_EQ(reading.q_companyfile->FieldByName(u8("发文号"))->AsString(), u8("FW-002"));
  }

  // Deleting a document removes its circulation with it: a new document under the same
  // number starts without recipients and in nobody's unread list.
  ASSERT_TRUE(q->Locate(u8("发文号"), Variant(u8("FW-002"))));
  ui.answerMessage(mrYes);
  form->bitbtn_deleteClick();
  EXPECT_EQ(ui.lastMessage().text, u8("确实要删除当前记录?"));
  EXPECT_EQ(company(u8("select count(*) from 公司文件")), u8("1"));
  EXPECT_EQ(company(u8("select count(*) from 阅览公司文件明细表 where 发文号='FW-002'")), u8("0"));
  EXPECT_EQ(company(u8("select count(*) from 阅览公司文件明细表 where 发文号='FW-001'")), u8("1"));
  {
    TForm_companyfile_edit edit(form.get());
    edit.FormShow();
    edit.b_appendClick();
    fill(q, "新通知", "FW-002", EncodeDate(2006, 6, 1));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
  }
  EXPECT_EQ(form->t_temp->RecordCount(), 0);
  reading.q_companyfile->Close();
  reading.q_companyfile->SQL.Clear();
  for (const QString& line : UnreadDocumentsSql(CurrentOperatorCode)) reading.q_companyfile->SQL.Add(line);
  reading.q_companyfile->Open();
  ASSERT_EQ(reading.q_companyfile->RecordCount(), 1);
  EXPECT_EQ(reading.q_companyfile->FieldByName(u8("发文号"))->AsString(), u8("FW-001"));
}

// Two operators of the same name are two recipients; searches ignore letter case.
TEST_F(CompanyFileTest, RecipientsByCodeAndSearchesIgnoreCase) {
  ScriptedUi ui;
  exec(u8("insert into 权限表 (代码, 姓名) values ('004', '张三')"));
  ASSERT_TRUE(ConnectCompanyServer());
  auto form = openDocuments();
  TADOQuery* q = form->q_companyfile;
  {
    TForm_companyfile_edit edit(form.get());
    edit.FormShow();
    fill(q, "Safety Notice", "AQ-1", EncodeDate(2006, 5, 2));
    q->FieldByName(u8("文件全文"))->SetAsString(u8("Fire Drill on Friday"));
    edit.b_saveClick();
    EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
  }
  form->BitBtn_refreshClick();
  TForm_chooseperson picker(form.get());
  picker.SetCallerTag(u8("companyfile"));
  picker.q_temp->SQL.Add(u8("select * from 权限表 order by 代码"));
  picker.q_temp->Open();
  picker.show();
  for (const char* code : {"002", "004"}) {
    ASSERT_TRUE(picker.q_temp->Locate(u8("代码"), Variant(u8(code))));
    picker.DBGrideh1->MarkedRows()->SetCurrentRowMarked(true);
  }
  picker.DBGrideh1DblClick();
  EXPECT_EQ(company(u8("select string_agg(代码, ',' order by 代码) from 阅览公司文件明细表 where 发文号='AQ-1'")),
            u8("002,004"));

  const struct {
    const char* title;
    const char* fullText;
    int found;
  } searches[] = {{"safety", "", 1}, {"NOTICE", "", 1}, {"", "fire drill", 1}, {"safety", "flood", 0}};
  for (const auto& c : searches) {
    TForm_companyfile_query search(form.get());
    search.Target = q;
    search.Edit1->setText(u8(c.title));
    search.Edit4->setText(u8(c.fullText));
    if (c.found == 0) ui.answerMessage(mrNo);
    search.bitbtn_seekClick();
    EXPECT_EQ(q->RecordCount(), c.found) << c.title << c.fullText;
  }
}

// Leaving the document window with a pending document change, with the recipients open or
// closed, writes nothing; taking it down (the documents and their footer go first, the
// recipients' table linked to them after) touches no freed object.
TEST_F(CompanyFileTest, LeavingWithAPendingChangeWritesNothing) {
  ScriptedUi ui;
  ASSERT_TRUE(ConnectCompanyServer());
  {
    auto form = openDocuments();
    form->q_companyfile->Append();
    fill(form->q_companyfile, "通知", "FW-001", EncodeDate(2006, 5, 2));
    form->q_companyfile->Post();
  }
  for (const bool closeFirst : {true, false}) {
    for (const char* state : {"browse", "edit", "insert", "recipients closed"}) {
      SCOPED_TRACE(std::string(state) + (closeFirst ? " close" : " destroy"));
      auto form = openDocuments();
      ASSERT_TRUE(form->t_temp->Active());
      if (qstrcmp(state, "edit") == 0) {
        form->q_companyfile->Edit();
        form->q_companyfile->FieldByName(u8("文件名称"))->SetAsString(u8("决定"));
      } else if (qstrcmp(state, "insert") == 0) {
        form->q_companyfile->Append();
        fill(form->q_companyfile, "决定", "FW-002", EncodeDate(2006, 5, 3));
      } else if (qstrcmp(state, "recipients closed") == 0) {
        form->t_temp->Close();
      }
      if (closeFirst) form->close();
      form.reset();
      EXPECT_EQ(company(u8("select count(*) from 公司文件")), u8("1"));
      EXPECT_EQ(company(u8("select 文件名称 from 公司文件")), u8("通知"));
    }
  }
}

TEST_F(CompanyFileTest, FirstPictureClearedAtOnceOthersWithTheSave) {
  ScriptedUi ui;
  ASSERT_TRUE(ConnectCompanyServer());
  QImage picture(8, 6, QImage::Format_RGB32);
  picture.fill(Qt::red);
  const QString file = work_->file(QStringLiteral("p.bmp"));
  ASSERT_TRUE(picture.save(file, "BMP"));
  auto form = openDocuments();
  TADOQuery* q = form->q_companyfile;
  TForm_companyfile_edit edit(form.get());
  edit.FormShow();
  fill(q, "图", "P-1", EncodeDate(2006, 1, 1));
  edit.ShowPicture(1);  // empty box: nothing
  edit.ClearPicture(1);
  ui.answerOpenFile(file).answerOpenFile(file);
  edit.LoadPicture(1);
  edit.LoadPicture(2);
  // On a new document, clearing picture one saves nothing: the document waits for 保存.
  q->FieldByName(u8("文件名称"))->Clear();
  ui.answerMessage(mrYes);
  edit.ClearPicture(1);
  EXPECT_EQ(company(u8("select count(*) from 公司文件")), u8("0"));
  EXPECT_EQ(q->State(), dsInsert);
  q->FieldByName(u8("文件名称"))->SetAsString(u8("图"));
  ui.answerOpenFile(file);
  edit.LoadPicture(1);
  edit.b_saveClick();
  EXPECT_EQ(ui.lastMessage().text, u8("存盘完毕！"));
  const QString stored = u8("select (文件图片一 is not null)::text || (文件图片二 is not null)::text from 公司文件");
  EXPECT_EQ(company(stored), u8("truetrue"));
  edit.FormShow();
  EXPECT_EQ(edit.PictureBox(2)->Picture().size(), QSize(8, 6));
  ui.answerMessage(mrYes).answerMessage(mrYes);
  edit.ClearPicture(2);
  EXPECT_EQ(company(stored), u8("truetrue"));  // pending until 保存
  edit.ClearPicture(1);
  EXPECT_EQ(ui.lastMessage().text, u8("确实要清除当前的照片吗？"));
  EXPECT_EQ(company(stored), u8("falsefalse"));  // picture one posted at once, with the pending edit
  ui.onWindow<TForm_showphoto>([](TForm_showphoto* viewer) {
    EXPECT_EQ(viewer->Picture().size(), QSize(8, 6));
    viewer->N1Click();
    EXPECT_TRUE(viewer->Stretched());
    viewer->Image1DblClick();
  });
  ShowPhoto(nullptr, picture);
}

TEST_F(CompanyFileTest, CommandsUseTheConnectionOnlyWhileTheirWindowIsOpen) {
  {
    ASSERT_TRUE(ConnectCompanyServer());
    TADOConnection* c = form_Dm2->ADO_system1;
    c->Execute(u8("insert into 公司文件 (发文号, 文件名称, 发文日期) values ('A1', '甲', '2006-01-01'), ('A2', '乙', '2006-01-02')"));
    c->Execute(u8("insert into 阅览公司文件明细表 (发文号, 代码, 姓名, 阅览完毕) values "
                  "('A1', '001', '操作员甲', false), ('A1', '001', '操作员甲', false), ('A2', '001', '操作员甲', true)"));
    DisconnectCompanyServer();
  }
  ScriptedUi ui;
  QStringList seen;
  auto list = [&](TADOQuery* q) {
    seen.clear();
    for (q->First(); !q->Eof(); q->Next()) seen << q->FieldByName(u8("发文号"))->AsString();
  };
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TForm_companyfile*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(form_Dm2->ADO_system1->Connected());
    list(f->q_companyfile);
    d->reject();
  });
  OpenCompanyFiles(nullptr);
  EXPECT_EQ(seen, (QStringList{u8("A2"), u8("A1")}));
  EXPECT_FALSE(form_Dm2->ADO_system1->Connected());
  // Reading: the unread document once, although it was circulated twice.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TForm_companyfile_check*>(d);
    ASSERT_NE(f, nullptr);
    list(f->q_companyfile);
    d->reject();
  });
  OpenCompanyFilesToRead(nullptr);
  EXPECT_EQ(seen, (QStringList{u8("A1")}));
  EXPECT_FALSE(form_Dm2->ADO_system1->Connected());
  EXPECT_TRUE(ui.messages().isEmpty());
}

}  // namespace
