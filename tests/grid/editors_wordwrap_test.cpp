#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>


#include "grid/DBCtrlsEh.h"
#include "tests/grid/editors_keys.h"

namespace {

const QString kLong = QStringLiteral("北区三号楼二单元的租约今年十二月到期 请及时联系业主续签");

// The rows and the horizontal extent of the dark (text) pixels of an editor's picture.
struct Ink {
  int top = -1, bottom = -1, left = -1, right = -1;
};
Ink inkOf(const QImage& img) {
  Ink ink;
  for (int y = 2; y < img.height() - 2; ++y)
    for (int x = 2; x < img.width() - 2; ++x)
      if (qGray(img.pixel(x, y)) < 110) {
        if (ink.top < 0) ink.top = y;
        ink.bottom = y;
        if (ink.left < 0 || x < ink.left) ink.left = x;
        ink.right = qMax(ink.right, x);
      }
  return ink;
}

QImage shot(TDBEditEh& edit) { return edit.grab().toImage(); }

}  // namespace

TEST(EditorsWordWrap, LongTextRunsOntoFurtherLinesAndAlignsAsAsked) {
  TDBEditEh edit;
  edit.resize(150, 80);
  edit.SetText(kLong);
  const int line = QFontMetrics(edit.font()).height();

  const Ink single = inkOf(shot(edit));
  ASSERT_GE(single.top, 0);
  EXPECT_LT(single.bottom - single.top, line + 2);  // one line, cut at the right
  EXPECT_TRUE(edit.TextOverflows());

  edit.SetWordWrap(true);
  const QImage wrapped = shot(edit);
  wrapped.save(QDir(QCoreApplication::applicationDirPath()).filePath("editor_word_wrap.png"));
  const Ink multi = inkOf(wrapped);
  EXPECT_GT(multi.bottom - multi.top, 2 * line);  // three lines or more
  EXPECT_FALSE(edit.TextOverflows());
  EXPECT_LT(multi.left, 12);

  // Right and centred text line up on the right or around the middle of each line.
  struct Case { TAlignment align; Qt::Alignment expected; };
  for (const Case& c : {Case{taRightJustify, Qt::AlignRight}, Case{taCenter, Qt::AlignHCenter},
                        Case{taLeftJustify, Qt::AlignLeft}}) {
    edit.SetAlignment(c.align);
    EXPECT_EQ(edit.WrappedTextAlignment(), c.expected);
  }
  edit.SetText(QStringLiteral("短"));
  edit.SetAlignment(taRightJustify);
  const Ink right = inkOf(shot(edit));
  EXPECT_GT(right.left, edit.width() / 2);
  edit.SetAlignment(taLeftJustify);
  EXPECT_LT(inkOf(shot(edit)).right, edit.width() / 2);

  // A short editor still cannot show all lines of the long text.
  edit.SetText(kLong);
  edit.resize(150, 24);
  EXPECT_TRUE(edit.TextOverflows());
}

TEST(EditorsWordWrap, EnterAndCtrlEnterTypeNoLineBreak) {
  TDBEditEh edit;
  edit.resize(150, 80);
  edit.SetWordWrap(true);
  edit.show();
  edit.activateWindow();
  edit.setFocus();
  edit.DoEnter();
  edit.SetSel(0, 0);
  testkeys::type(&edit, QStringLiteral("ab"));
  testkeys::press(&edit, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
  testkeys::press(&edit, Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\n"));
  testkeys::type(&edit, QStringLiteral("cd"));
  EXPECT_EQ(edit.Text(), QStringLiteral("abcd"));
  edit.WantReturns = true;  // Enter reaches the editor, still as no line break in the text
  testkeys::press(&edit, Qt::Key_Return, Qt::ControlModifier, QStringLiteral("\n"));
  EXPECT_EQ(edit.Text(), QStringLiteral("abcd"));
  edit.DoExit();
  // Once the focus leaves, the editor draws the text itself again, on the first line.
  const Ink ink = inkOf(shot(edit));
  ASSERT_GE(ink.top, 0);
  EXPECT_LT(ink.top, QFontMetrics(edit.font()).height() + 6);
}
