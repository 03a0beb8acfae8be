// The log-in dialog and the password change: choosing the operator by row, the password
// compared in capitals, the shared count of three failures, and the rules of the new password.
#include <QApplication>
#include "platform/utf8.h"
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <memory>

#include "shell/dm.h"
#include "shell/enter.h"
#include "shell/loginstate.h"
#include "shell/mainform.h"
#include "shell/password.h"
#include "tests/support/keys.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/data_module_test.h"

namespace {


class LogInTest : public DataModuleTest {
 protected:
  void SetUp() override {
    QApplication::setQuitOnLastWindowClosed(false);
    OpenDatabases();
    LoggedIn = false;
  }

  void addOperator(const char* code, const char* name, const char* password, const char* rights = "") {
    QString columns = u("代码, 姓名, 操作口令");
    QString values = u("'%1', '%2', %3").arg(u(code), u(name), password ? u("'%1'").arg(u(password)) : u("null"));
    if (*rights) {
      for (const QString& r : u(rights).split(u(","))) {
        columns += u(", ") + r;
        values += u(", 1");
      }
    }
    exec(u("insert into 权限表 (%1) values (%2)").arg(columns, values));
  }
  QString storedPassword(const char* code) {
    TADOQuery q;
    q.SetConnection(Dm1->ADO_system);
    q.SQL.Add(u("select 操作口令 from 权限表 where 代码='%1'").arg(u(code)));
    q.Open();
    return q.FieldByName(u("操作口令"))->AsString();
  }
  // Whether the operator's row holds the hash of `password` (never the text itself).
  bool storesHashOf(const char* code, const QString& password) {
    const QString stored = storedPassword(code);
    return IsPasswordHash(stored) && PasswordMatches(stored, password);
  }

  // Opens the operator list as the main window does and shows the log-in dialog, acted on by
  // `act`. Returns whether the log-in succeeded.
  bool runLogin(ScriptedUi& ui, std::function<void(TForm_Enter*)> act) {
    Dm1->q_qxb->Close();
    Dm1->q_qxb->SQL.Clear();
    Dm1->q_qxb->SQL.Add(u("select * from 权限表 order by 姓名"));
    Dm1->q_qxb->Open();
    ui.onModal([act](QDialog* d) { act(qobject_cast<TForm_Enter*>(d)); });
    auto dialog = std::make_unique<TForm_Enter>();
    RunModal(dialog.get());
    const bool ok = dialog->succeeded();
    Dm1->q_qxb->Close();
    return ok;
  }

};

// Chooses the `nth` list entry showing `name` (0 for the first).
void choose(TForm_Enter* d, const QString& name, int nth = 0) {
  int index = -1;
  for (int i = 0; i < d->DBLookupComboBox1->count(); ++i)
    if (d->DBLookupComboBox1->itemText(i) == name && nth-- == 0) {
      index = i;
      break;
    }
  ASSERT_GE(index, 0) << name.toStdString();
  d->DBLookupComboBox1->setCurrentIndex(index);
}

// Types `text` into `edit` key by key, as the operator would.
void type(QWidget* edit, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
    QApplication::sendEvent(edit, &press);
  }
}


}  // namespace

TEST_F(LogInTest, OperatorsOfTheSameNameLogInAgainstTheirOwnRows) {
  addOperator("010", "王五", "AAA", "收费项目设置");
  addOperator("011", "王五", "BBB", "业主投诉");
  ScriptedUi ui;
  // The second 王五 with his own password.
  EXPECT_TRUE(runLogin(ui, [](TForm_Enter* d) {
    EXPECT_EQ(d->DBLookupComboBox1->count(), 3);  // 系统管理员 and both 王五
    choose(d, u("王五"), 1);
    d->Edit1->setText(u("BBB"));
    d->BitBtn_OKClick();
  }));
  EXPECT_EQ(CurrentOperatorCode, u("011"));
  EXPECT_EQ(CurrentOperatorName, u("王五"));
  EXPECT_TRUE(RightFlags.value(u("业主投诉")));
  EXPECT_FALSE(RightFlags.value(u("收费项目设置")));
  EXPECT_TRUE(ui.messages().isEmpty());

  // The first 王五 does not get in with the second one's password.
  EXPECT_FALSE(runLogin(ui, [](TForm_Enter* d) {
    choose(d, u("王五"), 0);
    d->Edit1->setText(u("BBB"));
    d->BitBtn_OKClick();
    d->BitBtn_CancelClick();
  }));
  EXPECT_EQ(ui.messageTexts(), QStringList{u("密码不对，第1次！  ")});
  EXPECT_EQ(CurrentOperatorCode, u("011"));  // a failed attempt changes nothing
}

TEST_F(LogInTest, PasswordsAreComparedInCapitals) {
  struct Case {
    const char* stored;  // nullptr: null in the database
    const char* typed;
    bool accepted;
  };
  const Case cases[] = {
      {"abc", "abc", true}, {"abc", "ABC", true}, {"AbC", "aBc", true}, {nullptr, "", true},
      {"", "", true},       {"", "X", false},     {"abc", "ab", false}, {"abc", "ABC ", false},
  };
  int code = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.stored ? c.stored : "(null)") + " / " + c.typed);
    const QByteArray codeText = QByteArray::number(code++);
    const QString name = u("测试") + QString::fromLatin1(codeText);
    addOperator(codeText.constData(), name.toUtf8().constData(), c.stored);
    ScriptedUi ui;
    const bool ok = runLogin(ui, [&](TForm_Enter* d) {
      choose(d, name);
      d->Edit1->setText(u(c.typed));
      d->BitBtn_OKClick();
      if (d->isVisible() && !d->succeeded()) d->BitBtn_CancelClick();
    });
    EXPECT_EQ(ok, c.accepted);
    if (ok) {
      EXPECT_EQ(CurrentOperatorCode, QString::fromLatin1(codeText));
    }
    LoggedIn = true;  // later cancels only close the dialog
  }
}

TEST_F(LogInTest, ThePasswordFieldTypesCapitalsBehindStars) {
  ScriptedUi ui;
  runLogin(ui, [](TForm_Enter* d) {
    type(d->Edit1, u("ab1c"));
    EXPECT_EQ(d->Edit1->text(), u("AB1C"));
    EXPECT_EQ(d->Edit1->echoMode(), QLineEdit::Password);
    d->BitBtn_CancelClick();
  });
}

TEST_F(LogInTest, EnterInThePasswordFieldConfirms) {
  addOperator("020", "赵六", "K9");
  ScriptedUi ui;
  EXPECT_TRUE(runLogin(ui, [](TForm_Enter* d) {
    choose(d, u("赵六"));
    type(d->Edit1, u("k9"));
    PressKey(d->Edit1, Qt::Key_Return);
  }));
  EXPECT_EQ(CurrentOperatorCode, u("020"));
}

TEST_F(LogInTest, AnyThreeFailuresEndTheDialog) {
  addOperator("030", "钱七", "P");
  struct Case {
    const char* what;
    std::vector<int> attempts;  // 0: no name chosen; 1: wrong password
    QStringList messages;
  };
  const Case cases[] = {
      {"no name three times", {0, 0, 0}, {u("请选择操作人员！  "), u("请选择操作人员！  ")}},
      {"mixed", {0, 1, 1}, {u("请选择操作人员！  "), u("密码不对，第2次！  ")}},
      {"wrong password three times", {1, 1, 1}, {u("密码不对，第1次！  "), u("密码不对，第2次！  ")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedUi ui;
    bool closedByThirdFailure = false;
    const bool ok = runLogin(ui, [&](TForm_Enter* d) {
      for (int kind : c.attempts) {
        if (kind == 0) {
          d->DBLookupComboBox1->setCurrentIndex(-1);
        } else {
          choose(d, u("钱七"));
          d->Edit1->setText(u("WRONG"));
        }
        d->BitBtn_OKClick();
      }
      closedByThirdFailure = d->result() == QDialog::Rejected && !d->isVisible();
    });
    EXPECT_FALSE(ok);
    EXPECT_TRUE(closedByThirdFailure);
    EXPECT_EQ(ui.messageTexts(), c.messages);
    EXPECT_EQ(LoginFailures, 3);
  }
}

TEST_F(LogInTest, TheCountStartsAgainAtEachShowing) {
  addOperator("040", "孙八", "P");
  LoggedIn = true;  // a change of operator: cancelling keeps the program running
  ScriptedUi ui;
  for (int round = 0; round < 2; ++round) {
    runLogin(ui, [](TForm_Enter* d) {
      choose(d, u("孙八"));
      d->Edit1->setText(u("X"));
      d->BitBtn_OKClick();
      d->BitBtn_CancelClick();
    });
  }
  EXPECT_EQ(ui.messageTexts(), (QStringList{u("密码不对，第1次！  "), u("密码不对，第1次！  ")}));
}

TEST_F(LogInTest, AnEmptyOperatorTableOffersNoName) {
  exec(u("delete from 权限表"));
  ScriptedUi ui;
  EXPECT_FALSE(runLogin(ui, [](TForm_Enter* d) {
    EXPECT_EQ(d->DBLookupComboBox1->count(), 0);
    for (int i = 0; i < 3; ++i) d->BitBtn_OKClick();
  }));
  EXPECT_EQ(ui.messages().size(), 2);
}

// ---------------------------------------------------------------------------------------
// Password change

class PasswordChangeTest : public LogInTest {
 protected:
  void SetUp() override {
    LogInTest::SetUp();
    // Two operators of the same name; the logged-in one is 051.
    addOperator("050", "周九", "FIRST");
    addOperator("051", "周九", "OLD");
    CurrentOperatorCode = u("051");
    CurrentOperatorName = u("周九");
    LoginPasswordText = u("OLD");
    LoggedIn = true;
  }
  // Opens the window through the main window's command and acts on it.
  void change(ScriptedUi& ui, std::function<void(TForm_password*)> act) {
    TForm_main form;
    ui.onWindow<TForm_password>([act](TForm_password* w) {
      act(w);
      if (w->isVisible()) w->bitbtn1Click();
    });
    form.N3Click();
    EXPECT_FALSE(Dm1->q_qxb->Active());
  }
};

TEST_F(PasswordChangeTest, RulesAreCheckedInOrder) {
  struct Case {
    const char* what;
    const char* oldText;
    const char* newText;
    const char* confirmText;
    const char* message;
  };
  const Case cases[] = {
      {"wrong old password", "FIRST", "NEW", "NEW", "旧操作口令不正确,请重新输入!"},
      {"wrong old before mismatch", "X", "A", "B", "旧操作口令不正确,请重新输入!"},
      {"mismatch", "OLD", "NEW1", "NEW2", "两次输入的操作口令不一致,请重新输入!"},
      {"empty new password", "OLD", "", "", "没有输入新操作口令,请重新输入!"},
      {"blank new password", "OLD", "  ", "  ", "没有输入新操作口令,请重新输入!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedUi ui;
    change(ui, [&](TForm_password* w) {
      EXPECT_EQ(w->Label5->text(), u("周九"));
      w->MaskEdit3->setText(u(c.oldText));
      w->MaskEdit1->setText(u(c.newText));
      w->MaskEdit2->setText(u(c.confirmText));
      w->BitBtn_OKClick();
      EXPECT_TRUE(w->isVisible());
    });
    EXPECT_EQ(ui.messageTexts(), QStringList{u(c.message)});
    EXPECT_EQ(storedPassword("051"), u("OLD"));
  }
}

TEST_F(PasswordChangeTest, NewPasswordIsStoredInCapitalsInTheOperatorsOwnRow) {
  ScriptedUi ui;
  change(ui, [](TForm_password* w) {
    type(w->MaskEdit3, u("old"));
    PressKey(w->MaskEdit3, Qt::Key_Return);
    type(w->MaskEdit1, u("new9"));
    PressKey(w->MaskEdit1, Qt::Key_Return);
    type(w->MaskEdit2, u("new9"));
    PressKey(w->MaskEdit2, Qt::Key_Return);  // Enter in the last field saves
    EXPECT_FALSE(w->isVisible());
  });
  EXPECT_EQ(ui.messageTexts(), QStringList{u("已经成功的修改了操作口令,请牢记!")});
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Information);
  EXPECT_TRUE(storesHashOf("051", u("NEW9")));
  EXPECT_EQ(storedPassword("050"), u("FIRST"));  // the other operator of that name is untouched
  EXPECT_EQ(LoginPasswordText, u("NEW9"));
}

TEST_F(PasswordChangeTest, OldPasswordIsCheckedAgainstTheStoredOne) {
  // The stored password changed since the log-in (for instance by the administrator): the
  // stored one counts, not the text typed at log-in.
  exec(u("update 权限表 set 操作口令='stored' where 代码='051'"));
  ScriptedUi ui;
  change(ui, [](TForm_password* w) {
    w->MaskEdit3->setText(u("OLD"));
    w->MaskEdit1->setText(u("N"));
    w->MaskEdit2->setText(u("N"));
    w->BitBtn_OKClick();
    w->MaskEdit3->setText(u("STORED"));
    w->BitBtn_OKClick();
  });
  EXPECT_EQ(ui.messageTexts(), (QStringList{u("旧操作口令不正确,请重新输入!"), u("已经成功的修改了操作口令,请牢记!")}));
  EXPECT_TRUE(storesHashOf("051", u("N")));
}

TEST_F(PasswordChangeTest, FieldsTakeAtMostTenCapitals) {
  ScriptedUi ui;
  change(ui, [](TForm_password* w) {
    for (QLineEdit* e : {w->MaskEdit3, w->MaskEdit1, w->MaskEdit2}) {
      type(e, u("abcdefghijkl"));
      EXPECT_EQ(e->text(), u("ABCDEFGHIJ"));
      EXPECT_EQ(e->echoMode(), QLineEdit::Password);
    }
  });
}
