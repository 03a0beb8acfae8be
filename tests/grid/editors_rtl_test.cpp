// Right-to-left editors: mirrored buttons, image, text and drop-downs, through real clicks.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include "grid/DBCtrlsEh.h"
#include "grid/ImgListEh.h"
#include "platform/data/ado.h"
#include "platform/datetime.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"

namespace {

// The leftmost and rightmost columns holding dark (text) pixels inside a rectangle.
std::pair<int, int> inkColumns(const QImage& img, const QRect& r) {
  int left = -1, right = -1;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(img.pixel(x, y)) < 110) {
        if (left < 0 || x < left) left = x;
        right = qMax(right, x);
      }
  return {left, right};
}

// A text editor whose text area a test reads.
struct AreaEdit : TDBEditEh {
  using TDBEditEh::TDBEditEh;
  using TCustomDBEditEh::TextAreaRect;
};

QString buildFile(const QString& name) { return QDir(QCoreApplication::applicationDirPath()).filePath(name); }

// An editor placed toward the middle of a shown window, so a drop-down fits either way.
struct Form {
  QWidget window;
  Form() {
    window.resize(420, 260);
    window.move(200, 150);
  }
  void show() {
    window.show();
    window.activateWindow();
  }
  QRect globalRect(QWidget* w) const { return QRect(w->mapToGlobal(QPoint(0, 0)), w->size()); }
};

}  // namespace

TEST(EditorsRightToLeft, ButtonsImageAndTextAreaMirrorAndClicksReachTheMirroredButtons) {
  Form f;
  auto* edit = new AreaEdit(&f.window);
  edit->setGeometry(100, 20, 220, 22);
  edit->EditButton()->SetVisible(true);
  edit->EditButton()->SetStyle(ebsEllipsisEh);
  TEditButtonEh* extra = edit->EditButtons()->Add();
  extra->SetStyle(ebsPlusEh);
  TImageList images(12, 12);
  QPixmap square(12, 12);
  square.fill(Qt::darkGreen);
  images.Add(square);
  edit->EditImage()->SetImages(&images);
  edit->EditImage()->SetVisible(true);
  edit->EditImage()->SetImageIndex(0);
  int mainClicks = 0, extraClicks = 0;
  // The main button's press (it would otherwise open the editor's drop-down).
  edit->OnButtonDown = [&](QObject*, bool, bool&, bool& handled) {
    ++mainClicks;
    handled = true;
  };
  extra->OnClick = [&](QObject*, bool& handled) { ++extraClicks; handled = true; };
  f.show();

  const int bw = GetSystemMetrics(SM_CXVSCROLL);
  struct Case {
    TBiDiMode mode;
    int extraX, mainX;   // where the buttons stand
    int textLeft, textRight;
    int imageLeft;
  };
  const int w = edit->width();
  const int iw = 12 + 4;
  for (const Case& c : {Case{bdLeftToRight, w - bw, w - 2 * bw, iw, w - 2 * bw - 1, 0},
                        Case{bdRightToLeft, 0, bw, 2 * bw, w - iw - 1, w - iw}}) {
    SCOPED_TRACE(c.mode);
    edit->SetBiDiMode(c.mode);
    EXPECT_EQ(edit->BiDiMode(), c.mode);
    const auto& controls = edit->ButtonControls();
    EXPECT_EQ(controls[1].control->x(), c.extraX);
    EXPECT_EQ(controls[0].control->x(), c.mainX);  // the main button always next to the text
    EXPECT_EQ(edit->TextAreaRect().left(), c.textLeft);
    EXPECT_EQ(edit->TextAreaRect().right(), c.textRight);
    EXPECT_EQ(edit->ImageRect().left(), c.imageLeft);

    // Real clicks in the window land on the buttons where they are drawn.
    const QPoint origin = edit->pos();
    const int before = extraClicks, mainBefore = mainClicks;
    EXPECT_EQ(testkeys::clickAt(&f.window, origin + QPoint(c.extraX + bw / 2, 10)), controls[1].control);
    EXPECT_EQ(extraClicks, before + 1);
    testkeys::clickAt(&f.window, origin + QPoint(c.mainX + bw / 2, 10));
    EXPECT_EQ(mainClicks, mainBefore + 1);
    // Where the buttons stand in the other direction there is text now.
    const int otherSide = c.mode == bdRightToLeft ? w - bw - iw - 2 : iw + 4;
    EXPECT_EQ(testkeys::clickAt(&f.window, origin + QPoint(otherSide, 10)), edit);
    EXPECT_EQ(extraClicks, before + 1);
    EXPECT_EQ(mainClicks, mainBefore + 1);
  }
}

TEST(EditorsRightToLeft, DropDownsOpenAtTheMirroredSide) {
  Form f;
  auto* number = new TDBNumberEditEh(&f.window);
  number->setGeometry(150, 20, 120, 22);
  number->EditButton()->SetVisible(true);
  auto* date = new TDBDateTimeEditEh(&f.window);
  date->setGeometry(150, 60, 120, 22);
  auto* combo = new TDBComboBoxEh(&f.window);
  combo->setGeometry(150, 100, 120, 22);
  combo->SetItems({QStringLiteral("甲"), QStringLiteral("乙")});
  combo->DropDownBox.Width = 200;
  f.show();

  struct Opened {
    TCustomDBEditEh* editor;
    std::function<QWidget*()> window;
  };
  const std::vector<Opened> editors = {
      {number, [&] { return static_cast<QWidget*>(number->CalcShown() ? number->PopupCalculator() : nullptr); }},
      {date, [&] { return static_cast<QWidget*>(date->CalendarShown() ? date->Calendar() : nullptr); }},
      {combo, [&] { return static_cast<QWidget*>(combo->ListOpen() ? combo->ListWindow() : nullptr); }}};
  for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
    for (const Opened& o : editors) {
      SCOPED_TRACE(testing::Message() << o.editor->metaObject()->className() << " mode " << mode);
      o.editor->SetBiDiMode(mode);
      TEditButtonControlEh* button = o.editor->ButtonControls()[0].control;
      // The main button sits at the left in right-to-left: click it where it is drawn.
      EXPECT_EQ(button->x() < o.editor->width() / 2, mode == bdRightToLeft);
      const QPoint onButton = o.editor->pos() + button->geometry().center();
      testkeys::clickAt(&f.window, onButton);
      QWidget* popup = o.window();
      ASSERT_NE(popup, nullptr);
      const QRect editorRect = f.globalRect(o.editor);
      const QRect popupRect(popup->pos(), popup->size());
      EXPECT_GT(popupRect.width(), editorRect.width());
      if (mode == bdRightToLeft) EXPECT_EQ(popupRect.right(), editorRect.right());
      else EXPECT_EQ(popupRect.left(), editorRect.left());
      EXPECT_EQ(popupRect.top(), editorRect.bottom() + 1);
      o.editor->CloseDropDown(false);
      EXPECT_EQ(o.window(), nullptr);
      QCoreApplication::processEvents();  // the closing marker is delivered without effect
    }
  }
}

TEST(EditorsRightToLeft, BoundFieldDecidesAndTheParentDirectionIsFollowed) {
  GridDbFixture db(QStringLiteral("name varchar(20), qty integer, day datetime"));
  db.Exec(QStringLiteral("insert into t values (1, '甲', 3, '2026-12-08')"));
  db.query.Open();
  TDataSource& source = db.source;

  QWidget form;
  auto* edit = new TDBEditEh(&form);
  edit->resize(150, 22);
  edit->EditButton()->SetVisible(true);
  EXPECT_TRUE(edit->ParentBiDiMode());
  EXPECT_EQ(edit->BiDiMode(), bdLeftToRight);
  form.setLayoutDirection(Qt::RightToLeft);  // the window turns: the editor follows
  EXPECT_EQ(edit->BiDiMode(), bdRightToLeft);
  EXPECT_EQ(edit->ButtonControls()[0].control->x(), 0);

  edit->SetDataSource(&source);
  struct Case {
    const char* field;
    bool mirrored;
  };
  // Text and dates turn; a number keeps its left-to-right look and its buttons at the right.
  for (const Case& c : {Case{"name", true}, Case{"qty", false}, Case{"day", true}}) {
    SCOPED_TRACE(c.field);
    edit->SetDataField(QString::fromLatin1(c.field));
    EXPECT_EQ(edit->UseRightToLeftAlignment(), c.mirrored);
    EXPECT_EQ(edit->ButtonControls()[0].control->x() == 0, c.mirrored);
  }
  // Reading right to left without mirrored alignment keeps the layout.
  edit->SetDataField(QStringLiteral("name"));
  edit->SetBiDiMode(bdRightToLeftReadingOnly);
  EXPECT_FALSE(edit->ParentBiDiMode());
  EXPECT_TRUE(edit->UseRightToLeftReading());
  EXPECT_FALSE(edit->UseRightToLeftAlignment());
  EXPECT_GT(edit->ButtonControls()[0].control->x(), 0);
  edit->SetParentBiDiMode(true);
  EXPECT_EQ(edit->BiDiMode(), bdRightToLeft);
}

TEST(EditorsRightToLeft, TextAndCheckBoxAreDrawnMirrored) {
  QWidget form;
  form.resize(260, 170);
  form.setAutoFillBackground(true);
  auto* left = new TDBEditEh(&form);
  left->setGeometry(10, 10, 240, 22);
  left->SetText(QStringLiteral("左对齐"));
  auto* right = new TDBEditEh(&form);
  right->setGeometry(10, 40, 240, 22);
  right->SetText(QStringLiteral("右对齐"));
  right->SetAlignment(taRightJustify);
  auto* date = new TDBDateTimeEditEh(&form);
  date->setGeometry(10, 70, 240, 22);
  date->SetValue(Variant::dateTime(EncodeDateTime(2026, 12, 8, 0, 0, 0)));
  auto* wrapped = new TDBEditEh(&form);
  wrapped->setGeometry(10, 100, 240, 40);
  wrapped->SetWordWrap(true);
  wrapped->SetText(QStringLiteral("第一行\r\n第二行"));
  auto* check = new TDBCheckBoxEh(&form);
  check->setGeometry(10, 145, 240, 20);
  check->SetChecked(true);
  form.show();

  const QRect textRow(3, 3, 234, 16);
  for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
    SCOPED_TRACE(mode);
    for (TCustomDBEditEh* e : {static_cast<TCustomDBEditEh*>(left), static_cast<TCustomDBEditEh*>(right),
                               static_cast<TCustomDBEditEh*>(date), static_cast<TCustomDBEditEh*>(wrapped)})
      e->SetBiDiMode(mode);
    check->SetBiDiMode(mode);
    const bool rtl = mode == bdRightToLeft;
    const QImage img = form.grab().toImage();
    img.save(buildFile(rtl ? "editor_right_to_left.png" : "editor_left_to_right.png"));
    const int middle = 10 + 120;
    // Left-aligned text runs from the reading side; right-aligned text from the other one.
    const auto l = inkColumns(img, textRow.translated(10, 10));
    const auto r = inkColumns(img, textRow.translated(10, 40));
    ASSERT_GE(l.first, 0);
    ASSERT_GE(r.first, 0);
    // Text "at the right" starts right of the middle; "at the left" ends left of it.
    auto atRight = [&](std::pair<int, int> ink) { return ink.first > middle; };
    auto atLeft = [&](std::pair<int, int> ink) { return ink.second < middle; };
    EXPECT_TRUE(rtl ? atRight(l) : atLeft(l));
    EXPECT_TRUE(rtl ? atLeft(r) : atRight(r));
    const auto w = inkColumns(img, QRect(13, 103, 234, 34));
    EXPECT_TRUE(rtl ? atRight(w) : atLeft(w));
    EXPECT_EQ(wrapped->WrappedTextAlignment(), rtl ? Qt::AlignRight : Qt::AlignLeft);
    // The check box stands on the other side of its (empty) caption.
    EXPECT_EQ(check->BoxAtRight(), rtl);
    const auto box = inkColumns(img, QRect(10, 145, 240, 20));
    ASSERT_GE(box.first, 0);
    EXPECT_TRUE(rtl ? atRight(box) : atLeft(box));
  }
}
