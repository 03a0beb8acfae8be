// Columns that show their edit buttons in every row: the buttons painted right of each data
// cell's text, a press on one in a row that is not current, the tool tip kept left of them,
// and the setting copied with the column.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QToolTip>

#include "grid/DBGridEh.h"
#include "grid/DBGridEhInplace.h"
#include "grid/ImgListEh.h"
#include "grid/ToolCtrlsEh.h"
#include "tests/grid/dbgrid_fixture.h"
#include "tests/grid/editors_keys.h"

namespace {

const QString kLong = QStringLiteral("一二三四五六七八九十一二三四五六七八九十一二三四五六七八九十");

struct ButtonGrid {
  GridDbFixture db{QStringLiteral("name VARCHAR(80), note VARCHAR(20)")};
  TDBGridEh g;
  ButtonGrid() {
    for (int i = 0; i < 4; ++i) db.Exec(QStringLiteral("INSERT INTO t (name, note) VALUES ('%1', 'n')").arg(kLong));
    g.setFrameShape(QFrame::NoFrame);
    g.resize(520, 220);
    g.SetDataSource(&db.source);
    db.query.Open();
    g.show();
    name()->SetWidth(200);
    name()->ButtonStyle = cbsEllipsis;
    name()->SetAlwaysShowEditButton(true);
  }
  TColumnEh* name() { return g.Columns()->Items(1); }
  QRect cell(int screenRow) { return g.CellRect(g.ColumnToGridIndex(1), g.DataRowOffset() + screenRow); }
  QImage shot() { return g.viewport()->grab().toImage(); }
  // Clicks the first row's text and opens the cell editor there.
  TDBGridInplaceEdit* openEditor() {
    const QRect c = cell(0);
    const QPoint at(c.x() + 20, c.center().y());
    testkeys::mouse(g.viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(g.viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
    g.ShowEditor();
    QApplication::processEvents();
    return qobject_cast<TDBGridInplaceEdit*>(g.InplaceEditor());
  }
};

bool Dark(QRgb c) { return qGray(c) < 110; }

QPixmap Glyph(QColor c) {
  QPixmap p(8, 8);
  p.fill(c);
  return p;
}

}  // namespace

TEST(AlwaysShownEditButton, PaintedRightOfTheTextInEveryRow) {
  const QColor face = ToQColor(clBtnFace);
  for (bool flat : {false, true}) {
    ButtonGrid f;
    f.g.SetFlat(flat);
    QApplication::processEvents();
    const int w = flat ? FlatDefaultWidth() + 1 : kScrollBarWidth;
    ASSERT_EQ(f.name()->EditButtonsWidth(), w) << flat;
    f.g.grab().save(QDir(QCoreApplication::applicationDirPath())
                        .filePath(flat ? "always_edit_button_flat.png" : "always_edit_button.png"));
    const QImage img = f.shot();
    // Row 0 is current; rows 1 to 3 are not and show the button all the same.
    for (int row = 1; row < 4; ++row) {
      const QRect c = f.cell(row);
      const int strip = c.x() + c.width() - w;
      const int faceTop = c.y() + f.g.EditButtonHeight() / 4;
      EXPECT_EQ(QColor(img.pixel(strip + 4, faceTop)), face) << flat << " row " << row;
      // The ellipsis dots sit in the middle of the face.
      bool dots = false;
      for (int x = strip + 3; x < c.x() + c.width() - 3; ++x)
        for (int y = c.y() + c.height() / 2 - 2; y <= c.y() + c.height() / 2 + 2; ++y) dots = dots || Dark(img.pixel(x, y));
      EXPECT_TRUE(dots) << flat << " row " << row;
      // The text stops before the button: no dark stroke on the button's upper left part
      // (the dots lie lower).
      for (int x = strip + (flat ? 2 : 1); x < strip + 4; ++x)
        for (int y = c.y() + 2; y < c.y() + c.height() / 2 - 2; ++y)
          ASSERT_FALSE(Dark(img.pixel(x, y))) << flat << " row " << row << " at " << x << "," << y;
      // ... but runs up to it.
      bool text = false;
      for (int x = strip - 30; x < strip; ++x)
        for (int y = c.y(); y < c.y() + c.height(); ++y) text = text || Dark(img.pixel(x, y));
      EXPECT_TRUE(text) << flat << " row " << row;
    }
  }
  // A right-aligned text ends left of the button, not under it.
  {
    ButtonGrid f;
    TColumnEh* note = f.g.Columns()->Items(2);
    note->ButtonStyle = cbsEllipsis;
    note->SetAlwaysShowEditButton(true);
    note->SetAlignment(taRightJustify);
    QApplication::processEvents();
    const QImage img = f.shot();
    const QRect c = f.g.CellRect(f.g.ColumnToGridIndex(2), f.g.DataRowOffset() + 1);
    const int strip = c.x() + c.width() - kScrollBarWidth;
    bool text = false;
    for (int x = strip - 12; x < strip; ++x)
      for (int y = c.y(); y < c.y() + c.height(); ++y) text = text || Dark(img.pixel(x, y));
    EXPECT_TRUE(text);
  }
  // Without the setting the text runs on to the cell's right edge.
  ButtonGrid f;
  f.name()->SetAlwaysShowEditButton(false);
  QApplication::processEvents();
  const QImage img = f.shot();
  const QRect c = f.cell(1);
  bool text = false;
  for (int x = c.x() + c.width() - kScrollBarWidth; x < c.x() + c.width() - 4; ++x)
    for (int y = c.y(); y < c.y() + c.height(); ++y) text = text || Dark(img.pixel(x, y));
  EXPECT_TRUE(text);
}

TEST(AlwaysShownEditButton, ExtraButtonsFollowTheMainOneAndTallRowsFillBelow) {
  struct Case {
    bool flat;
    TColumnButtonStyleEh style;
    int extraWidth;  // own width of the extra buttons (0: the standard width)
  } cases[] = {{false, cbsEllipsis, 0}, {true, cbsEllipsis, 0}, {false, cbsNone, 0}, {false, cbsUpDown, 14},
               {true, cbsDropDown, 14}};
  for (const Case& k : cases) {
    ButtonGrid f;
    f.g.SetFlat(k.flat);
    f.g.SetRowLines(3);
    f.name()->ButtonStyle = k.style;
    TEditButtonEh* glyph = f.name()->EditButtons()->Add();
    glyph->SetStyle(ebsGlyphEh);
    glyph->SetGlyph(Glyph(Qt::red));
    glyph->SetWidth(k.extraWidth);
    TEditButtonEh* hidden = f.name()->EditButtons()->Add();
    hidden->SetVisible(false);
    TEditButtonEh* plus = f.name()->EditButtons()->Add();
    plus->SetStyle(ebsPlusEh);
    plus->SetWidth(k.extraWidth);
    QApplication::processEvents();
    const int standard = k.flat ? FlatDefaultWidth() + 1 : kScrollBarWidth;
    const int extra = k.extraWidth > 0 ? k.extraWidth + (k.flat ? 1 : 0) : standard;
    const int main = k.style == cbsNone ? 0 : standard;
    ASSERT_EQ(f.name()->EditButtonsWidth(), main + 2 * extra) << k.flat << k.style;
    const std::vector<TColumnEh::TCellButtonEh> buttons = f.name()->CellButtons();
    ASSERT_EQ(buttons.size(), size_t(main ? 3 : 2));
    if (main) EXPECT_EQ(buttons[0].Style, TDBGridInplaceEdit::ButtonStyleOf(TDBGridInplaceEdit::ColumnEditStyle(f.name())));
    EXPECT_EQ(buttons[buttons.size() - 2].Button, glyph);
    EXPECT_EQ(buttons.back().Button, plus);

    const QImage img = f.shot();
    const QRect c = f.cell(2);
    const int h = f.g.EditButtonHeight();
    ASSERT_LT(h, c.height());
    const int strip = c.x() + c.width() - f.name()->EditButtonsWidth();
    // The glyph button's red glyph stands in the middle of its slot, the plus button at the right.
    const int glyphLeft = strip + main;
    const QRgb centre = img.pixel(glyphLeft + extra / 2, c.y() + h / 2);
    EXPECT_EQ(QColor(centre), QColor(Qt::red)) << k.flat << k.style;
    EXPECT_EQ(QColor(img.pixel(c.x() + c.width() - extra + (k.flat ? 3 : 2), c.y() + 3)), ToQColor(clBtnFace));
    // Below the buttons the cell's colour shows.
    for (int x = strip; x < c.x() + c.width(); ++x)
      ASSERT_EQ(QColor(img.pixel(x, c.y() + h + 2)), ToQColor(clWindow)) << k.flat << k.style << " x " << x;
    if (k.flat && k.style == cbsEllipsis)
      f.g.grab().save(QDir(QCoreApplication::applicationDirPath()).filePath("always_edit_button_extra.png"));
  }
}

TEST(AlwaysShownEditButton, APressOnTheButtonOfAnotherRowOpensTheEditorAndClicksIt) {
  ButtonGrid f;
  int gridClicks = 0, columnClicks = 0;
  f.g.OnEditButtonClick = [&](QObject*) { ++gridClicks; };
  f.name()->OnEditButtonClick = [&](TColumnEh*, bool&) { ++columnClicks; };
  TEditButtonEh* extra = f.name()->EditButtons()->Add();
  extra->SetStyle(ebsPlusEh);
  QApplication::processEvents();
  ASSERT_EQ(f.db.query.RecNo(), 1);
  auto click = [&](QPoint p) {
    testkeys::mouse(f.g.viewport(), QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(f.g.viewport(), QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
  };
  // A click on the text of another row only moves there.
  click(f.cell(1).center() - QPoint(40, 0));
  EXPECT_EQ(f.db.query.RecNo(), 2);
  EXPECT_FALSE(f.g.EditorMode());
  EXPECT_EQ(gridClicks, 0);
  // The main button of row 3 (not current): the row becomes current, the editor opens and
  // its button takes the click.
  QRect c = f.cell(2);
  const int strip = c.x() + c.width() - f.name()->EditButtonsWidth();
  click(QPoint(strip + kScrollBarWidth / 2, c.y() + f.g.EditButtonHeight() / 2));
  EXPECT_EQ(f.db.query.RecNo(), 3);
  ASSERT_TRUE(f.g.EditorMode());
  ASSERT_TRUE(f.g.InplaceEditor()->isVisible());
  EXPECT_EQ(gridClicks, 1);
  EXPECT_EQ(columnClicks, 1);
  // The extra button of another row: the editor opens and that button takes the click, not
  // the main one.
  int extraClicks = 0;
  extra->OnClick = [&](QObject*, bool&) { ++extraClicks; };
  f.g.HideEditor();
  c = f.cell(3);
  click(QPoint(c.x() + c.width() - 3, c.y() + 4));
  EXPECT_EQ(f.db.query.RecNo(), 4);
  EXPECT_TRUE(f.g.EditorMode());
  EXPECT_EQ(gridClicks, 1);
  EXPECT_EQ(extraClicks, 1);
  // A press on the text of the open editor clicks no button.
  QWidget* editor = f.g.InplaceEditor();
  testkeys::clickAt(editor, QPoint(10, 5));
  EXPECT_EQ(extraClicks, 1);
  EXPECT_EQ(gridClicks, 1);
  // Without the setting, the right edge of another row is text: no editor, no click.
  f.g.HideEditor();
  f.name()->SetAlwaysShowEditButton(false);
  c = f.cell(0);
  click(QPoint(c.x() + c.width() - 4, c.y() + 4));
  EXPECT_EQ(f.db.query.RecNo(), 1);
  EXPECT_FALSE(f.g.EditorMode());
  EXPECT_EQ(gridClicks, 1);
}

TEST(AlwaysShownEditButton, ToolTipStaysLeftOfTheButtonsAndRightOfTheImage) {
  ButtonGrid f;
  f.name()->SetToolTips(true);
  QApplication::processEvents();
  const QRect c = f.cell(1);
  const int buttons = c.x() + f.name()->Width() - f.name()->EditButtonsWidth();
  const TGridHintInfo text = f.g.HintInfoAt(QPoint(buttons - 5, c.center().y()));
  ASSERT_TRUE(text.Show);
  EXPECT_EQ(text.Text, kLong);
  EXPECT_EQ(text.CursorRect.x() + text.CursorRect.width(), buttons);
  EXPECT_FALSE(f.g.HintInfoAt(QPoint(buttons, c.center().y())).Show);
  EXPECT_FALSE(f.g.HintInfoAt(QPoint(c.x() + c.width() - 2, c.center().y())).Show);
  // Without the buttons the whole cell gives the tool tip.
  f.name()->SetAlwaysShowEditButton(false);
  EXPECT_TRUE(f.g.HintInfoAt(QPoint(c.x() + c.width() - 2, c.center().y())).Show);
  // An image beside the text: the mouse over it gets no tool tip.
  TImageList images(12, 12);
  images.Add(Glyph(Qt::blue));
  f.name()->ImageList = &images;
  f.name()->ShowImageAndText = true;
  EXPECT_FALSE(f.g.HintInfoAt(QPoint(c.x() + 8, c.center().y())).Show);
  const TGridHintInfo right = f.g.HintInfoAt(QPoint(c.x() + 12 + 5 + 2, c.center().y()));
  ASSERT_TRUE(right.Show);
  EXPECT_EQ(right.CursorRect.x(), c.x() + 12 + 5);
  f.name()->ImageList = nullptr;
}

TEST(AlwaysShownEditButton, AssignCopiesTheSettingAndTheButtons) {
  ButtonGrid f;
  TColumnEh* source = f.name();
  TColumnEh* target = f.g.Columns()->Items(2);
  TEditButtonEh* b = source->EditButtons()->Add();
  b->SetStyle(ebsMinusEh);
  b->SetWidth(9);
  target->Assign(*source);
  EXPECT_TRUE(target->AlwaysShowEditButton());
  ASSERT_EQ(target->EditButtons()->Count(), 1);
  EXPECT_EQ(target->EditButtons()->Items(0)->Style(), ebsMinusEh);
  EXPECT_EQ(target->EditButtons()->Items(0)->Width(), 9);
  // The source's buttons stay its own.
  EXPECT_EQ(source->EditButtons()->Count(), 1);
  EXPECT_NE(target->EditButtons()->Items(0), source->EditButtons()->Items(0));

  // A setting that came from the defaults is copied as it reads and becomes the target's own.
  TColumnEh* fromDefaults = f.g.Columns()->Items(0);
  TColumnEh* copy = f.g.Columns()->Items(2);
  f.g.ColumnDefValues()->AlwaysShowEditButton = true;
  ASSERT_TRUE(fromDefaults->AlwaysShowEditButton());
  copy->Assign(*fromDefaults);
  f.g.ColumnDefValues()->AlwaysShowEditButton = false;
  EXPECT_FALSE(fromDefaults->AlwaysShowEditButton());
  EXPECT_TRUE(copy->AlwaysShowEditButton());
  EXPECT_EQ(copy->EditButtons()->Count(), 0);
}

TEST(AlwaysShownEditButton, TheEditorKeepsTheButtonsWhereTheCellsShowThem) {
  ButtonGrid f;
  TEditButtonEh* extra = f.name()->EditButtons()->Add();
  extra->SetStyle(ebsPlusEh);
  QApplication::processEvents();
  const QRect c = f.cell(0);
  const int strip = c.x() + c.width() - f.name()->EditButtonsWidth();
  auto* editor = f.openEditor();
  ASSERT_TRUE(editor && editor->isVisible());
  // The default button next to the text, the extra one drawn at the right edge.
  const QPoint button = f.g.viewport()->mapFrom(&f.g, editor->DefaultButton()->mapTo(&f.g, QPoint(0, 0)));
  EXPECT_EQ(button.x(), strip);
  EXPECT_EQ(editor->DefaultButton()->width(), kScrollBarWidth);
  const QImage img = f.g.grab().toImage();
  const QPoint plus = editor->mapTo(&f.g, QPoint(editor->width() - kScrollBarWidth + 3, 3));
  EXPECT_EQ(QColor(img.pixel(plus)), ToQColor(clBtnFace));
  f.g.grab().save(QDir(QCoreApplication::applicationDirPath()).filePath("always_edit_button_editor.png"));
}

TEST(AlwaysShownEditButton, TheEditorsOtherButtonsPressOpenTheirMenusAndShowTheirHints) {
  ButtonGrid f;
  TEditButtonEh* counted = f.name()->EditButtons()->Add();
  counted->SetStyle(ebsPlusEh);
  counted->SetHint(QStringLiteral("加一"));
  TEditButtonEh* withMenu = f.name()->EditButtons()->Add();
  withMenu->SetStyle(ebsDropDownEh);
  QMenu menu;
  menu.addAction(QStringLiteral("第一项"));
  withMenu->SetDropdownMenu(&menu);
  QApplication::processEvents();
  auto* editor = f.openEditor();
  ASSERT_TRUE(editor && editor->isVisible());
  // The buttons from the right: the menu button, then the counted one.
  const int w = kScrollBarWidth;
  const QPoint menuButton(editor->width() - w / 2, editor->height() / 2);
  const QPoint countedTop(editor->width() - w - w / 2, 2), countedBottom(editor->width() - w - w / 2, editor->height() - 2);

  // A press the OnDown handler leaves unhandled still clicks; one it handles too (the click
  // comes with the release).
  struct Press {
    QPoint at;
    bool handle;
    int downs, clicks;
    bool top;
  };
  int downs = 0, clicks = 0;
  bool lastTop = false;
  bool handleDown = false;
  counted->OnDown = [&](QObject*, bool top, bool&, bool& handled) {
    ++downs;
    lastTop = top;
    handled = handleDown;
  };
  counted->OnClick = [&](QObject*, bool&) { ++clicks; };
  for (const Press& p : {Press{countedTop, false, 1, 1, true}, Press{countedBottom, true, 2, 2, false}}) {
    handleDown = p.handle;
    testkeys::mouse(editor, QEvent::MouseButtonPress, p.at, Qt::LeftButton, Qt::LeftButton);
    testkeys::mouse(editor, QEvent::MouseButtonRelease, p.at, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(downs, p.downs);
    EXPECT_EQ(clicks, p.clicks);
    EXPECT_EQ(lastTop, p.top);
  }

  // The menu button's press shows its menu at the button's bottom-left corner, and its
  // release clicks nothing.
  int menuClicks = 0;
  withMenu->OnClick = [&](QObject*, bool&) { ++menuClicks; };
  QPoint shownAt(-1, -1);
  QTimer::singleShot(50, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      shownAt = popup->pos();
      popup->close();
    }
  });
  testkeys::mouse(editor, QEvent::MouseButtonPress, menuButton, Qt::LeftButton, Qt::LeftButton);
  testkeys::mouse(editor, QEvent::MouseButtonRelease, menuButton, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(shownAt, editor->mapToGlobal(QPoint(editor->width() - w, editor->height())));
  EXPECT_EQ(menuClicks, 0);

  // The hint of the button under the mouse.
  QHelpEvent help(QEvent::ToolTip, countedTop, editor->mapToGlobal(countedTop));
  QApplication::sendEvent(editor, &help);
  EXPECT_EQ(QToolTip::text(), QStringLiteral("加一"));
  QToolTip::hideText();
}
