// The designer's small dialogs (display format, highlight, tag, restrictions, password, about),
// driven through mouse and key events and checked on the edited text objects.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "designer/FR_Expr.h"
#include "designer/FR_Small.h"
#include "report/FR_Class.h"
#include "tests/designer/editors_support.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>

namespace {

using editors::click;
using editors::clickRow;
using editors::shot;
using editors::type;

void retype(QLineEdit* e, const QString& text) {
  e->setFocus();
  e->selectAll();
  QTest::keyClick(e, Qt::Key_Delete);
  type(e, text);
}


std::unique_ptr<TfrMemoView> memo(const char* name) {
  auto m = std::make_unique<TfrMemoView>();
  m->Name = QString::fromLatin1(name);
  return m;
}

}  // namespace

TEST(EditorsSmallTest, DisplayFormatWordsFromTheDialog) {
  struct Case {
    const char* what;
    uint32_t start;
    int category, kind;  // rows clicked; -1 leaves the list alone
    const char *decimals, *separator, *custom;
    uint32_t expected;
    const char* expectedText;
  } cases[] = {
      {"format 0 confirmed as it is", 0, -1, -1, nullptr, nullptr, nullptr, 44, ""},
      {"number 1 234,50 with 2 decimals and a point", 0, 1, 3, "2", ".", nullptr, (1u << 24) + (3u << 16) + (2u << 8) + 46, ""},
      {"date custom takes the format text", 0, 2, 4, nullptr, nullptr, "yyyy-mm-dd", (2u << 24) + (4u << 16) + 44, "yyyy-mm-dd"},
      {"decimals that are no integer count 0", 0, 1, 1, "x", "", nullptr, (1u << 24) + (1u << 16) + 44, ""},
      {"255 decimals still fit", 0, 1, 1, "255", ",", nullptr, (1u << 24) + (1u << 16) + (255u << 8) + 44, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto a = memo("Memo1"), b = memo("Memo2");
    a->Format = b->Format = c.start;
    a->FormatStr = b->FormatStr = u("old");
    ScriptedUi ui;
    bool dateEditsDisabled = false;
    ui.onModal([&](QDialog* d) {
      auto* f = qobject_cast<TfrFmtForm*>(d);
      ASSERT_NE(f, nullptr);
      if (c.category >= 0) clickRow(f->CatLB, c.category);
      if (c.kind >= 0) clickRow(f->TypeLB, c.kind);
      if (c.decimals) retype(f->DecEdit, u(c.decimals));
      if (c.separator) retype(f->SplEdit, u(c.separator));
      if (c.custom) {
        dateEditsDisabled = !f->DecEdit->isEnabled() && !f->SplEdit->isEnabled() && f->FormatEdit->isEnabled();
        retype(f->FormatEdit, u(c.custom));
      }
      click(f->Button1);
    });
    ASSERT_TRUE(EditDisplayFormat({a.get(), b.get()}, nullptr));
    EXPECT_EQ(a->Format, c.expected);
    EXPECT_EQ(b->Format, c.expected);
    // the format text changes only when the custom edit was in use
    EXPECT_EQ(a->FormatStr, c.custom ? u(c.custom) : u("old"));
    if (c.custom) EXPECT_TRUE(dateEditsDisabled);
  }
}

TEST(EditorsSmallTest, DisplayFormatOpensOnTheObjectsFormatAndCancelChangesNothing) {
  auto a = memo("Memo1");
  a->Format = (3u << 24) + (2u << 16);
  a->FormatStr = u("hh");
  ScriptedUi ui;
  QString kind, dec;
  bool formatEnabled = true;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrFmtForm*>(d);
    kind = f->CatLB->currentItem()->text() + u("/") + f->TypeLB->currentItem()->text();
    dec = f->DecEdit->text();
    formatEnabled = f->FormatEdit->isEnabled();
    shot(f, "editors_format.png");
    click(f->Button2);
  });
  EXPECT_FALSE(EditDisplayFormat({a.get()}, nullptr));
  EXPECT_EQ(kind, u("时间/02:43"));
  EXPECT_EQ(dec, u(""));
  EXPECT_FALSE(formatEnabled);
  EXPECT_EQ(a->Format, (3u << 24) + (2u << 16));
  EXPECT_EQ(a->FormatStr, u("hh"));
}

// The decimals and the separator have 8 bits each: a larger count or a wide separator would
// change the kind or the category. The dialog refuses them and stays open.
TEST(EditorsSmallTest, DisplayFormatRefusesValuesThatSpillIntoOtherFields) {
  struct Case {
    const char *decimals, *separator, *message;
  } cases[] = {
      {"256", ".", "小数位必须是 0 到 255 之间的整数。"},
      {"65536", ".", "小数位必须是 0 到 255 之间的整数。"},
      {"-1", ".", "小数位必须是 0 到 255 之间的整数。"},
      {"2", "。", "小数位分隔符必须是西文字符 (如 . 或 ,)。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.decimals);
    auto a = memo("Memo1");
    a->Format = 0;
    ScriptedUi ui;
    bool stayedOpen = false;
    ui.onModal([&](QDialog* d) {
      auto* f = qobject_cast<TfrFmtForm*>(d);
      clickRow(f->CatLB, 1);
      retype(f->DecEdit, u(c.decimals));
      retype(f->SplEdit, u(c.separator));
      click(f->Button1);  // refused with a message
      stayedOpen = f->isVisible();
      retype(f->DecEdit, u("2"));
      retype(f->SplEdit, u("."));
      click(f->Button1);
    });
    ASSERT_TRUE(EditDisplayFormat({a.get()}, nullptr));
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(ui.lastMessage().text, u(c.message));
    EXPECT_EQ(a->Format, (1u << 24) + (0u << 16) + (2u << 8) + 46);
  }
}

TEST(EditorsSmallTest, DisplayFormatSkipsObjectsThatMayNotBeChanged) {
  auto a = memo("Memo1"), locked = memo("Memo2");
  locked->Restrictions = 8;
  const uint32_t lockedFormat = locked->Format;
  ScriptedUi ui;
  int undoSteps = 0;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrFmtForm*>(d);
    clickRow(f->CatLB, 4);
    clickRow(f->TypeLB, 1);
    click(f->Button1);
  });
  ASSERT_TRUE(EditDisplayFormat({a.get(), locked.get()}, nullptr, [&] { ++undoSteps; }));
  EXPECT_EQ(undoSteps, 1);
  EXPECT_EQ(a->Format, (4u << 24) + (1u << 16) + 44);
  EXPECT_EQ(locked->Format, lockedFormat);
}

TEST(EditorsSmallTest, HighlightWritesConditionColoursAndStyle) {
  auto a = memo("Memo1"), b = memo("Memo2");
  a->HighlightStyle = 8 | 2;  // strike-out and bold
  a->HighlightFill = 0x00FF00;
  ScriptedUi ui;
  bool fillButtonDisabled = false;
  ui.onModal([&](QDialog* d) {
    ui.answerColor(0x0000FF);
    auto* f = qobject_cast<TfrHilightForm*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->RB2->isChecked());
    EXPECT_TRUE(f->CB1->isChecked());
    f->Edit1->lineEdit()->setFocus();
    type(f->Edit1->lineEdit(), u("[金额] > 100"));
    click(f->SpeedButton1);  // the colour dialog answers red
    click(f->CB1);           // bold off
    click(f->CB3);           // underline on
    click(f->RB1);           // transparent
    fillButtonDisabled = !f->SpeedButton2->isEnabled();
    shot(f, "editors_highlight.png");
    click(f->Button3);
  });
  ASSERT_TRUE(EditHighlight({a.get(), b.get()}, nullptr));
  EXPECT_TRUE(fillButtonDisabled);
  for (TfrMemoView* m : {a.get(), b.get()}) {
    EXPECT_EQ(m->HighlightCondition, u("[金额] > 100"));
    EXPECT_EQ(m->HighlightColor, 0x0000FF);
    EXPECT_EQ(m->HighlightFill, clNone);
    EXPECT_EQ(m->HighlightStyle, 4);  // underline; strike-out cleared
  }
}

TEST(EditorsSmallTest, HighlightConditionThroughTheExpressionBuilder) {
  auto a = memo("Memo1");
  a->HighlightCondition = u("A");
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrHilightForm*>(d);
    ui.onModal([&](QDialog* e) {
      auto* x = qobject_cast<TfrExprForm*>(e);
      ASSERT_NE(x, nullptr);
      EXPECT_EQ(x->ExprMemo->toPlainText(), u("A"));
      x->ExprMemo->setFocus();
      QTest::keyClick(x->ExprMemo, Qt::Key_End);
      QTest::keyClicks(x->ExprMemo, u(" "));
      click(x->OperatorButtons[9]);  // "<="
      QTest::keyClicks(x->ExprMemo, u("5"));
      click(x->Button1);
    });
    QTest::mouseClick(f->Edit1->button(), Qt::LeftButton, {}, f->Edit1->button()->rect().center());
    click(f->Button3);
  });
  ASSERT_TRUE(EditHighlight({a.get()}, nullptr));
  EXPECT_EQ(a->HighlightCondition, u("A <= 5"));
}

TEST(EditorsSmallTest, RestrictionsAndTag) {
  auto a = memo("Memo1"), b = memo("Memo2");
  a->Restrictions = 1;
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrRestrictionsForm*>(d);
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->CB1->isChecked());
    click(f->CB1);
    click(f->CB6);
    click(f->CB7);
    shot(f, "editors_restrictions.png");
    click(f->Button1);
  });
  ASSERT_TRUE(EditRestrictions({a.get(), b.get()}, nullptr));
  EXPECT_EQ(a->Restrictions, 96);
  EXPECT_EQ(b->Restrictions, 96);

  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrAttrEditorForm*>(d);
    ASSERT_NE(f, nullptr);
    retype(f->Edit1->lineEdit(), u("收款"));
    shot(f, "editors_tag.png");
    click(f->Button1);
  });
  ASSERT_TRUE(EditTag(a.get(), nullptr));
  EXPECT_EQ(a->Tag, u("收款"));
  // flag 4 forbids editing the contents: no dialog
  a->Restrictions = 4;
  EXPECT_FALSE(EditTag(a.get(), nullptr));
  EXPECT_EQ(a->Tag, u("收款"));
}

TEST(EditorsSmallTest, PasswordAskedOnceOrTwice) {
  ScriptedUi ui;
  auto type = [&](const char* text, QString* prompt = nullptr) {
    ui.onModal([&ui, text, prompt](QDialog* d) {
      auto* f = qobject_cast<TfrPasswEditForm*>(d);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->E1->echoMode(), QLineEdit::Password);
      EXPECT_TRUE(f->E1->text().isEmpty());
      if (prompt) *prompt = f->L1->text();
      QTest::keyClicks(f->E1, u(text));
      shot(f, "editors_password.png");
      QTest::keyClick(f->E1, Qt::Key_Return);
    });
  };
  QString pw, second;
  type("secret");
  EXPECT_TRUE(AskPassword(pw));
  EXPECT_EQ(pw, u("secret"));

  type("abc");
  type("abc", &second);
  EXPECT_TRUE(AskPassword(pw, true));
  EXPECT_EQ(pw, u("abc"));
  EXPECT_EQ(second, u("请再次输入密码以确认"));

  pw = u("kept");
  type("abc");
  type("abd");
  EXPECT_FALSE(AskPassword(pw, true));
  EXPECT_EQ(pw, u("kept"));
  EXPECT_EQ(ui.lastMessage().text, u("两次输入的口令不一致, 口令没有改变。"));
}

TEST(EditorsSmallTest, AboutLinksOpenTheirTargets) {
  QStringList opened;
  auto saved = TfrAboutForm::OpenLink();
  TfrAboutForm::OpenLink() = [&](const QString& t) { opened << t; };
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrAboutForm*>(d);
    ASSERT_NE(f, nullptr);
    shot(f, "editors_about.png");
    for (QLabel* l : {f->lbUrl, f->lbEMail, f->Image1}) {
      const QPoint before = l->pos();
      QTest::mousePress(l, Qt::LeftButton, {}, QPoint(2, 2));
      EXPECT_EQ(l->pos(), before + QPoint(1, 1));
      QTest::mouseRelease(l, Qt::LeftButton, {}, QPoint(2, 2));
      EXPECT_EQ(l->pos(), before);
    }
    click(f->Button1);
  });
  ShowAbout(nullptr);
  TfrAboutForm::OpenLink() = saved;
  ASSERT_EQ(opened.size(), 3);
  EXPECT_TRUE(opened[0].startsWith(u("http://")));
  EXPECT_TRUE(opened[1].startsWith(u("mailto:")));
  EXPECT_FALSE(opened[2].isEmpty());
}

namespace {

using editors::click;

TEST(PictureEditorTest, PreviewPlacement) {
  struct Case {
    QSize picture;
    QRect expected;
  } cases[] = {
      {{16, 16}, {142, 92, 16, 16}},     // small: centred at its own size
      {{2000, 2000}, {0, 0, 300, 200}},  // too large: stretched over the whole box
      {{301, 10}, {0, 0, 300, 200}},     // wider only
      {{300, 200}, {0, 0, 300, 200}},    // exactly the box
  };
  for (const Case& c : cases)
    EXPECT_EQ(TfrGEditorForm::PreviewRect(c.picture, {300, 200}), c.expected) << c.picture.width();
}

TEST(PictureEditorTest, LoadClearPasteAndABadFile) {
  WorkFolder work;
  const QString good = work.file("logo.bmp");
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(Qt::green);
  ASSERT_TRUE(img.save(good, "BMP"));
  const QString bad = work.file(u("坏图.bmp"));
  {
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a picture");
  }
  TfrPictureView view;
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = static_cast<TfrGEditorForm*>(d);
    EXPECT_TRUE(f->Image1.isEmpty());
    ui.answerOpenFile(good);
    ui.answerOpenFile(bad);
    click(f->Button3);
    EXPECT_EQ(f->Image1.width(), 40);
    click(f->Button3);   // the bad file: reported, the loaded picture stays
    EXPECT_EQ(f->Image1.width(), 40);
    editors::shot(d, "editors_picture.png");
    click(f->Button4);
    EXPECT_TRUE(f->Image1.isEmpty());
    QImage clip(12, 8, QImage::Format_RGB32);
    clip.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(clip);
    QTest::keyClick(d, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->Image1.width(), 12);
    click(f->Button1);
  });
  bool began = false;
  TfrGEditorForm form;
  EXPECT_EQ(form.EditView(&view, [&] { began = true; }), 1);
  EXPECT_TRUE(began);
  EXPECT_EQ(view.Picture.width(), 12);
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_TRUE(ui.messages()[0].text.contains(u("坏图.bmp")));
  // Cancel leaves the object's picture.
  ui.onModal([](QDialog* d) {
    click(static_cast<TfrGEditorForm*>(d)->Button4);
    d->reject();
  });
  TfrGEditorForm again;
  EXPECT_EQ(again.EditView(&view), 2);
  EXPECT_EQ(view.Picture.width(), 12);
}

}  // namespace
