#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include "grid/ToolCtrlsEh.h"
#include "tests/grid/editors_keys.h"

namespace {

QRgb Rgb(TColor c) { return ToQColor(c).rgb(); }

// ---- button descriptions ----

TEST(EditButtons, WritersClampAndNotifyOnlyOnChange) {
  TEditButtonEh button;
  int notices = 0;
  button.ChangeHandler = [&](TEditButtonEh*) { ++notices; };
  struct Case { int written; int stored; };
  for (const Case c : {Case{0, 1}, Case{-3, 1}, Case{9, 4}, Case{3, 3}}) {
    button.SetNumGlyphs(c.written);
    EXPECT_EQ(button.NumGlyphs(), c.stored);
  }
  EXPECT_EQ(notices, 2);  // 1 -> 1 -> 1 no notice, -> 4, -> 3
  button.SetNumGlyphs(3);
  button.SetStyle(ebsDropDownEh);
  button.SetWidth(0);
  button.SetVisible(false);
  EXPECT_EQ(notices, 2);
  button.SetShortCut(0x41);  // stored without notice
  button.SetStyle(ebsEllipsisEh);
  button.SetGlyph(QPixmap());  // a glyph always notifies
  EXPECT_EQ(notices, 4);

  EXPECT_EQ(TDropDownEditButtonEh().ShortCut(), 32808);
  EXPECT_FALSE(TDropDownEditButtonEh().Visible());
  EXPECT_TRUE(TVisibleEditButtonEh().Visible());
  TVisibleEditButtonEh copy;
  copy.Assign(button);
  EXPECT_EQ(copy.Style(), ebsEllipsisEh);
  EXPECT_EQ(copy.NumGlyphs(), 3);
  EXPECT_EQ(copy.ShortCut(), 0x41);
  EXPECT_FALSE(copy.Visible());
}

TEST(EditButtons, CollectionReportsItemChanges) {
  TEditButtonsEh buttons(nullptr, nullptr);
  QVector<TEditButtonEh*> changed;
  buttons.ItemChangeHandler = [&](TEditButtonEh* item) { changed.append(item); };
  TEditButtonEh* a = buttons.Add();
  ASSERT_EQ(buttons.Count(), 1);
  EXPECT_TRUE(a->Visible());
  changed.clear();
  a->SetWidth(20);
  ASSERT_EQ(changed.size(), 1);
  EXPECT_EQ(changed[0], a);
  buttons.BeginUpdate();
  a->SetWidth(21);
  a->SetHint(QStringLiteral("h"));
  EXPECT_EQ(changed.size(), 1);
  buttons.EndUpdate();
  EXPECT_EQ(changed.size(), 2);
  EXPECT_EQ(changed[1], nullptr);
}

// ---- sizes ----

TEST(ButtonSizes, FlatWidthHeightAndCheckPlacement) {
  EXPECT_EQ(ComputeFlatDefaultWidthFor(16), 11);
  EXPECT_EQ(ComputeFlatDefaultWidthFor(12), 9);
  EXPECT_EQ(ComputeFlatDefaultWidthFor(40), 17);  // capped at the scroll bar width
  EXPECT_EQ(ButtonHeightForWidth(17, false), 17);
  EXPECT_EQ(ButtonHeightForWidth(17, true), 26);  // 25.5 to even
  EXPECT_EQ(ButtonHeightForWidth(11, true), 16);  // 16.5 to even

  EXPECT_EQ(CheckBoxSquare(QRect(0, 0, 13, 20)), QRect(0, 3, 13, 13));
  EXPECT_EQ(CheckBoxSquare(QRect(0, 0, 20, 13)), QRect(3, 0, 13, 13));
  const int g = CheckGlyphWidth();
  EXPECT_EQ(PlaceCheckBoxRect(QRect(0, 0, 100, 30), taRightJustify, tlCenter),
            QRect(100 - g, 15 - CheckGlyphHeight() / 2, g, CheckGlyphHeight()));
  EXPECT_EQ(PlaceCheckBoxRect(QRect(0, 0, 100, 30), taLeftJustify, tlTop).topLeft(), QPoint(0, 0));
  EXPECT_EQ(PlaceCheckBoxRect(QRect(0, 0, 8, 8), taCenter, tlBottom), QRect(0, 0, 8, 8));
}

// ---- painting ----

QImage Paint(int w, int h, const std::function<void(QPainter*)>& fn) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  fn(&p);
  p.end();
  return img;
}

TEST(ButtonPainting, UpDownOddHeightHasSurroundStripe) {
  ResetFaceCache();
  const QImage img = Paint(17, 21, [](QPainter* p) {
    PaintEditButton(p, QRect(0, 0, 17, 21), clRed, dbkUpDownEh, 0, false, false, true, cbUnchecked);
  });
  for (int x = 0; x < 17; ++x) EXPECT_EQ(img.pixel(x, 10), Rgb(clRed)) << x;
  EXPECT_NE(img.pixel(8, 9), Rgb(clRed));
  EXPECT_NE(img.pixel(8, 11), Rgb(clRed));
  EXPECT_EQ(FaceCacheCount(), 2);  // the two halves
}

TEST(ButtonPainting, IdleFlatButtonIsRingedWithParentColour) {
  ResetFaceCache();
  const QImage img = Paint(15, 15, [](QPainter* p) {
    PaintEditButton(p, QRect(0, 0, 15, 15), clLime, dbkDropDownEh, 0, true, false, true, cbUnchecked);
  });
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(img.pixel(i, 0), Rgb(clLime));
    EXPECT_EQ(img.pixel(i, 14), Rgb(clLime));
    EXPECT_EQ(img.pixel(0, i), Rgb(clLime));
    EXPECT_EQ(img.pixel(14, i), Rgb(clLime));
  }
  EXPECT_NE(img.pixel(7, 7), Rgb(clLime));
}

TEST(ButtonPainting, FaceCacheSharesEqualKeysUntilReset) {
  ResetFaceCache();
  auto paint = [](bool pressed) {
    Paint(17, 17, [pressed](QPainter* p) {
      PaintEditButton(p, QRect(0, 0, 17, 17), clBtnFace, dbkEllipsisEh, pressed ? 1 : 0, false, false, true, cbUnchecked);
    });
  };
  paint(false);
  paint(false);
  EXPECT_EQ(FaceCacheCount(), 1);
  paint(true);
  EXPECT_EQ(FaceCacheCount(), 2);
  ResetFaceCache();
  EXPECT_EQ(FaceCacheCount(), 0);
  // Check boxes in differently shaped rectangles of the same square share a face.
  Paint(20, 20, [](QPainter* p) {
    PaintEditButton(p, QRect(0, 0, 13, 20), clWindow, dbkCheckBoxEh, 0, false, false, true, cbChecked);
    PaintEditButton(p, QRect(0, 0, 20, 13), clWindow, dbkCheckBoxEh, 0, false, false, true, cbChecked);
  });
  EXPECT_EQ(FaceCacheCount(), 1);
}

TEST(ButtonPainting, CheckBoxStatesDiffer) {
  ResetFaceCache();
  auto box = [](TCheckBoxState s) {
    return Paint(13, 13, [s](QPainter* p) {
      PaintEditButton(p, QRect(0, 0, 13, 13), clWindow, dbkCheckBoxEh, 0, false, false, true, s);
    });
  };
  const QImage un = box(cbUnchecked), ch = box(cbChecked), gr = box(cbGrayed);
  EXPECT_NE(un, ch);
  EXPECT_NE(ch, gr);
  EXPECT_EQ(un.pixel(6, 6), Rgb(clWindow));
}

TEST(ButtonPainting, EllipsisDotsFollowTheInnerWidth) {
  struct Case { int width; int textPixels; };
  // Inner width = width - 4 (the 3-D frame): 9 gives 2-pixel dots, 7 gives 1-pixel dots.
  for (const Case c : {Case{13, 12}, Case{11, 3}, Case{20, 12}}) {
    ResetFaceCache();
    const QImage img = Paint(c.width, 17, [&](QPainter* p) {
      PaintEditButton(p, QRect(0, 0, c.width, 17), clBtnFace, dbkEllipsisEh, 0, false, false, true, cbUnchecked);
    });
    int count = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) == Rgb(clBtnText)) ++count;
    EXPECT_EQ(count, c.textPixels) << c.width;
  }
}

TEST(DottedLines, PhaseAndCount) {
  struct Case { QPoint from; int length; bool horizontal; bool odd; QVector<QPoint> dots; };
  const Case cases[] = {
      {{0, 0}, 5, true, false, {{0, 0}, {2, 0}, {4, 0}}},
      {{0, 0}, 5, true, true, {{1, 0}, {3, 0}}},          // moved one on, length 4
      {{1, 0}, 4, false, true, {{1, 0}, {1, 2}}},
      {{0, 1}, 1, false, false, {}},                       // off phase, nothing left
  };
  for (const Case& c : cases) EXPECT_EQ(DottedLinePoints(c.from, c.length, c.horizontal, c.odd), c.dots);
}

// ---- button control ----

void Mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButtons buttons = Qt::LeftButton) {
  QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST(EditButtonControl, UpDownHalvesAndHandlerCalls) {
  struct Case { int y; int half; };
  for (const Case c : {Case{9, 1}, Case{10, 0}, Case{11, 0}, Case{12, 2}}) {
    TEditButtonControlEh button;
    button.SetStyle(ebsUpDownEh);
    button.resize(17, 21);
    QVector<bool> tops;
    button.DownHandler = [&](QObject*, bool top, bool&, bool&) { tops.append(top); };
    Mouse(&button, QEvent::MouseButtonPress, QPoint(5, c.y));
    EXPECT_EQ(button.DownHalf(), c.half) << c.y;
    EXPECT_EQ(tops.size(), c.half > 0 ? 1 : 0);
    if (c.half > 0) {
      EXPECT_EQ(tops[0], c.half == 1);
      ASSERT_NE(button.RepeatTimer(), nullptr);
      EXPECT_TRUE(button.RepeatTimer()->isActive());
      EXPECT_EQ(button.RepeatTimer()->interval(), 400);
    }
    Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, c.y), Qt::NoButton);
    if (button.RepeatTimer()) {
      EXPECT_FALSE(button.RepeatTimer()->isActive());
    }
  }
}

TEST(EditButtonControl, RepeatsAfter400ThenEvery100UntilHandlerStops) {
  TEditButtonControlEh button;
  button.SetStyle(ebsUpDownEh);
  button.resize(17, 20);
  int calls = 0;
  button.DownHandler = [&](QObject*, bool top, bool& autoRepeat, bool&) {
    EXPECT_FALSE(top);
    ++calls;
    if (calls == 3) autoRepeat = false;
  };
  Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 15));
  EXPECT_EQ(calls, 1);
  QElapsedTimer t;
  t.start();
  while (calls < 2 && t.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(calls, 2);
  EXPECT_GE(t.elapsed(), 350);
  EXPECT_EQ(button.RepeatTimer()->interval(), 100);
  while (calls < 3 && t.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(button.RepeatTimer()->isActive());
}

TEST(EditButtonControl, DraggingOffPressedHalfSuppressesClick) {
  TEditButtonControlEh button;
  button.SetStyle(ebsUpDownEh);
  button.resize(17, 20);
  int clicks = 0;
  button.OnClick = [&](TEditButtonControlEh*) { ++clicks; };
  Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 2));
  Mouse(&button, QEvent::MouseMove, QPoint(5, 18));
  EXPECT_EQ(button.State(), bsUp);
  Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 18), Qt::NoButton);
  EXPECT_EQ(clicks, 0);
  Mouse(&button, QEvent::MouseButtonPress, QPoint(5, 2));
  Mouse(&button, QEvent::MouseButtonRelease, QPoint(5, 2), Qt::NoButton);
  EXPECT_EQ(clicks, 1);
}

TEST(EditButtonControl, StaysDownKeepsThePress) {
  TEditButtonControlEh button;
  button.SetStaysDown(true);
  EXPECT_TRUE(button.Down());
  EXPECT_EQ(button.GroupIndex(), 1);
  EXPECT_FALSE(button.AllowAllUp());
  EXPECT_EQ(button.DownHalf(), 1);
  button.SetStaysDown(false);
  EXPECT_FALSE(button.Down());
  EXPECT_EQ(button.GroupIndex(), 0);
  EXPECT_TRUE(button.AllowAllUp());
  EXPECT_EQ(button.DownHalf(), 0);
}

// ---- placement ----

TEST(DropDownPlacement, BelowAboveAndWithinTheWorkArea) {
  const QRect area(0, 0, 800, 600);
  struct Case {
    const char* name;
    QRect master;
    QSize size;
    TDropDownAlign align;
    QPoint pos;
    QSize placedSize;
    TGripSideEh vertical, horizontal;
  };
  const Case cases[] = {
      {"room below", {100, 100, 120, 20}, {150, 200}, daLeft, {100, 120}, {150, 200}, gsBottom, gsRight},
      // bottom edge 20 above the area's bottom, top 150 below the top: above, cut to 150
      {"cut above", {100, 150, 120, 430}, {150, 200}, daLeft, {100, 0}, {150, 150}, gsTop, gsRight},
      {"room only above", {100, 500, 120, 20}, {150, 200}, daLeft, {100, 300}, {150, 200}, gsTop, gsRight},
      {"more room below", {100, 150, 120, 200}, {150, 400}, daLeft, {100, 350}, {150, 250}, gsBottom, gsRight},
      {"right aligned", {300, 100, 120, 20}, {200, 100}, daRight, {220, 120}, {200, 100}, gsBottom, gsLeft},
      {"centred", {300, 100, 100, 20}, {200, 100}, daCenter, {250, 120}, {200, 100}, gsBottom, gsRight},
      {"wider than area", {50, 100, 120, 20}, {900, 100}, daLeft, {0, 120}, {800, 100}, gsBottom, gsLeft},
      {"past right edge", {700, 100, 80, 20}, {200, 100}, daLeft, {600, 120}, {200, 100}, gsBottom, gsLeft},
      {"past left edge", {10, 100, 80, 20}, {200, 100}, daRight, {0, 120}, {200, 100}, gsBottom, gsRight},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TDropDownPlacementEh p = PlaceDropDownInArea(c.master, c.size, c.align, area);
    EXPECT_EQ(p.pos, c.pos);
    EXPECT_EQ(p.size, c.placedSize);
    EXPECT_EQ(p.vertical, c.vertical);
    EXPECT_EQ(p.horizontal, c.horizontal);
  }
}

TEST(SizeGrip, MovesToTheRequestedSide) {
  QWidget parent;
  parent.resize(100, 80);
  TSizeGripEh grip(&parent);
  parent.show();
  EXPECT_EQ(grip.Corner(), gcBottomRight);
  EXPECT_EQ(grip.pos(), QPoint(100 - grip.width(), 80 - grip.height()));
  grip.MoveToSide(gsTop);
  EXPECT_EQ(grip.Corner(), gcTopRight);
  grip.MoveToSide(gsLeft);
  EXPECT_EQ(grip.Corner(), gcTopLeft);
  EXPECT_EQ(grip.pos(), QPoint(0, 0));
  grip.MoveToSide(gsTop);  // no change from a top corner
  EXPECT_EQ(grip.Corner(), gcTopLeft);
  grip.MoveToSide(gsBottom);
  EXPECT_EQ(grip.Corner(), gcBottomLeft);
  // Someone else's move puts the grip back in its corner.
  grip.move(30, 30);
  EXPECT_EQ(grip.pos(), QPoint(0, 80 - grip.height()));
}

// ---- popup list ----

TEST(PopupList, WholeRowsTypeAheadAndSharedItems) {
  QWidget owner;
  TPopupListboxEh list(&owner);
  list.SetItemHeight(16);
  list.show();  // sizes of a shown list follow its rows
  const int edge = list.EdgeHeight();
  EXPECT_EQ(list.SnappedHeight(100), edge + 16 * ((100 - edge) / 16));
  EXPECT_EQ(list.SnappedHeight(5), edge + 16);
  list.resize(120, 100);
  EXPECT_EQ(list.height(), list.SnappedHeight(100));
  EXPECT_EQ(list.VisibleRows(), (100 - edge) / 16);
  EXPECT_TRUE(list.UserResized);
  list.ShowRows(3);
  EXPECT_EQ(list.height(), 3 * 16 + edge);

  const QStringList items = {QStringLiteral("apple"), QStringLiteral("Abacus"), QStringLiteral("abd"),
                             QStringLiteral("cherry")};
  list.SetSharedItems(&items);
  EXPECT_EQ(list.Count(), 4);
  qint64 now = 0;
  list.Clock = [&] { return now; };
  list.TypeAhead(QLatin1Char('a'));
  EXPECT_EQ(list.ItemIndex(), 0);
  now = 500;
  list.TypeAhead(QLatin1Char('B'));
  EXPECT_EQ(list.TypedPrefix(), QStringLiteral("aB"));
  EXPECT_EQ(list.ItemIndex(), 1);  // first item beginning with "ab", any case
  now = 3600;
  list.TypeAhead(QLatin1Char('c'));
  EXPECT_EQ(list.TypedPrefix(), QStringLiteral("c"));
  EXPECT_EQ(list.ItemIndex(), 3);
  for (int i = 0; i < 40; ++i) list.TypeAhead(QLatin1Char('x'));
  EXPECT_EQ(list.TypedPrefix().size(), 32);
  list.TypeAhead(QChar(27));
  EXPECT_TRUE(list.TypedPrefix().isEmpty());
}

// ---- MRU texts ----

TEST(MRUList, RememberLimitAndMatches) {
  TMRUListEh mru;
  mru.SetItems({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("X")});
  mru.Remember(QStringLiteral("  "));
  EXPECT_EQ(mru.Items().size(), 3);
  mru.Remember(QStringLiteral("x"));
  EXPECT_EQ(mru.Items(), QStringList({"a", "b", "X"}));
  mru.Remember(QStringLiteral("a"));
  EXPECT_EQ(mru.Items(), QStringList({"b", "X", "a"}));
  mru.CaseSensitive = true;
  mru.Remember(QStringLiteral("x"));
  EXPECT_EQ(mru.Items(), QStringList({"b", "X", "a", "x"}));
  mru.SetLimit(3);
  EXPECT_EQ(mru.Items(), QStringList({"X", "a", "x"}));
  mru.Remember(QStringLiteral("d"));
  EXPECT_EQ(mru.Items(), QStringList({"a", "x", "d"}));

  TMRUListEh texts;
  texts.SetItems({QStringLiteral("abc"), QStringLiteral("ABD"), QStringLiteral("x")});
  QStringList matches;
  EXPECT_TRUE(texts.CollectMatches(matches, QStringLiteral("ab")));
  EXPECT_EQ(matches, QStringList({"abc", "ABD"}));
  texts.OnFilterText = [](TMRUListEh*, const QString& t, bool& accept) { if (t == QLatin1String("x")) accept = true; };
  texts.CollectMatches(matches, QStringLiteral("ab"));
  EXPECT_EQ(matches, QStringList({"abc", "ABD", "x"}));
  texts.KeyWaiting = [] { return true; };
  EXPECT_FALSE(texts.CollectMatches(matches, QString()));
  texts.YieldToKeys = false;
  EXPECT_TRUE(texts.CollectMatches(matches, QString()));
}

}  // namespace
