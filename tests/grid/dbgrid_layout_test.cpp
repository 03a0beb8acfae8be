#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QScrollBar>
#include <QApplication>
#include <QMouseEvent>

#include "grid/DBGridEh.h"
#include "grid/DBLookupGridsEh.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

// A shown grid of a fixed client size without frame.
struct Grid : TDBGridEh {
  Grid(int w = 420, int h = 300) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(w, h);
    show();
  }
  using TCustomDBGridEh::Paint;
};

GridDbFixture* ThreeRows() {
  auto* db = new GridDbFixture(QStringLiteral("name VARCHAR(10), amount INTEGER"));
  db->Exec("INSERT INTO t (name, amount) VALUES ('甲', 1)");
  db->Exec("INSERT INTO t (name, amount) VALUES ('乙', 2)");
  db->Exec("INSERT INTO t (name, amount) VALUES ('丙', 3)");
  return db;
}

}  // namespace

TEST(DBGridLayout, WithoutDataTheGridShowsTitleOneRowAndFootersAtTheBottom) {
  Grid g(300, 200);
  EXPECT_EQ(g.RowCount(), 2);  // title + one empty data row
  g.SetFooterRowCount(1);
  ASSERT_EQ(g.RowCount(), 4);  // + filler + footer
  const QRect footer = g.CellRect(1, 3);
  EXPECT_EQ(RectBottom(footer) + 1, 200);  // the footer row ends at the client bottom (with its line)
  g.SetFooterRowCount(-1);
  EXPECT_EQ(g.FooterRowCount(), 1);
}

TEST(DBGridLayout, DefaultColumnsFollowTheFieldsAndBufferOnlyTheRecords) {
  std::unique_ptr<GridDbFixture> db(ThreeRows());
  Grid g;
  g.SetFooterRowCount(1);
  g.SetDataSource(&db->source);
  db->query.Open();
  ASSERT_EQ(g.Columns()->Count(), 3);  // id, name, amount
  EXPECT_FALSE(g.Columns()->IsCustomised());
  EXPECT_EQ(g.Columns()->Items(1)->Title()->Caption(), "name");
  EXPECT_EQ(g.ColCount(), 4);
  // Title, three records, filler, footer.
  EXPECT_EQ(g.RowCount(), 1 + 3 + 1 + 1);
  EXPECT_EQ(g.Row(), 1);
  db->query.Next();
  EXPECT_EQ(g.Row(), 2);
  // Default width from the field's display width and the width of "0".
  TColumnEh* name = g.Columns()->Items(1);
  const int zero = QFontMetrics(name->Font().Font).horizontalAdvance(QLatin1Char('0'));
  EXPECT_EQ(name->Width(), zero * db->query.FieldByName("name")->DisplayWidth() + 4);
  EXPECT_EQ(g.ColWidths(2), name->Width());
  EXPECT_EQ(g.ColWidths(0), 11);  // the indicator
  // A column whose field is gone shows nothing and its caption is the field name.
  TColumnEh* c = g.Columns()->AppendColumn();
  c->SetFieldName("nosuch");
  EXPECT_EQ(c->Title()->Caption(), "nosuch");
  EXPECT_EQ(c->CellDisplayText(), "");
}

TEST(DBGridLayout, AStoredColumnAppendedToDefaultColumnsLeavesOnlyStoredOnes) {
  std::unique_ptr<GridDbFixture> db(ThreeRows());
  Grid g;
  g.SetDataSource(&db->source);
  db->query.Open();
  ASSERT_EQ(g.Columns()->Count(), 3);
  TColumnEh* c = g.Columns()->AppendColumn();
  c->SetFieldName("amount");
  c->Title()->SetCaption("金额");
  ASSERT_EQ(g.Columns()->Count(), 1);
  EXPECT_TRUE(g.Columns()->IsCustomised());
  EXPECT_EQ(g.Columns()->Items(0)->Title()->Caption(), "金额");
  EXPECT_EQ(g.ColCount(), 2);
  // A stored column keeps its caption when the field's label changes.
  db->query.FieldByName("amount")->SetDisplayLabel("x");
  EXPECT_EQ(c->Title()->Caption(), "金额");
}

TEST(DBGridLayout, OptionsAndLayoutLocks) {
  Grid g;
  g.SetOptions(g.Options() | dgRowSelect | dgAlwaysShowEditor);
  EXPECT_FALSE(g.Options() & dgEditing);
  EXPECT_FALSE(g.Options() & dgAlwaysShowEditor);
  EXPECT_TRUE(g.TCustomGrid::Options() & goRowSelect);
  const int runs = g.LayoutRuns();
  g.LockLayout();
  g.SetRowLines(2);
  g.SetFrozenCols(1);
  EXPECT_EQ(g.LayoutRuns(), runs);
  g.UnlockLayout();
  EXPECT_EQ(g.LayoutRuns(), runs + 1);
  EXPECT_EQ(g.LayoutLock(), 0);
  EXPECT_EQ(g.UpdateLock(), 0);
}

TEST(DBGridLayout, RowHeightsFromThePinnedFont) {
  Grid g;
  QFontMetrics fm(g.GridFont().Font);
  const int lineH = fm.height();
  const int margin = 3 + 1;  // not flat, row lines of width 1
  EXPECT_EQ(g.DefaultRowHeight(), lineH + margin);
  g.SetRowLines(2);
  EXPECT_EQ(g.DefaultRowHeight(), 2 * (fm.height() + fm.leading()));
  g.SetRowLines(0);
  g.SetFlat(true);
  EXPECT_EQ(g.DefaultRowHeight(), lineH + 1 + 1);
  g.SetFlat(false);
  // Fitting to whole lines: a remainder up to half a line rounds down, else up.
  g.SetOptionsEh(g.OptionsEh() | dghFitRowHeightToText);
  struct Case { int rowHeight, lines; } cases[] = {
      {margin + 2 * lineH + lineH / 2, 2},
      {margin + 2 * lineH + lineH / 2 + 1, 3},
  };
  for (const auto& c : cases) {
    g.LockLayout();
    g.SetRowLines(0);
    g.SetRowHeight(c.rowHeight);
    g.UnlockLayout();
    EXPECT_EQ(g.DefaultRowHeight(), c.lines * lineH + margin) << c.rowHeight;
    EXPECT_EQ(g.RowLines(), c.lines);
    EXPECT_EQ(g.RowHeight(), margin);
  }
}

TEST(DBGridLayout, AutoFitSharesTheClientWidthByBaseWidths) {
  struct Case { int maxWidth; int w0, w1, w2; } cases[] = {{0, 105, 105, 210}, {80, 80, 113, 227}};
  for (const auto& k : cases) {
    Grid g(420, 200);
    g.SetOptions(g.Options() & ~(dgIndicator | dgColLines));
    const int widths[] = {100, 100, 200};
    for (int w : widths) g.Columns()->AppendColumn()->SetWidth(w);
    g.Columns()->Items(0)->MaxWidth = k.maxWidth;
    g.SetAutoFitColWidths(true);
    EXPECT_EQ(g.Columns()->Items(0)->Width(), k.w0);
    EXPECT_EQ(g.Columns()->Items(1)->Width(), k.w1);
    EXPECT_EQ(g.Columns()->Items(2)->Width(), k.w2);
    EXPECT_EQ(g.ColWidths(2), k.w2);
  }
}

TEST(DBGridLayout, MultiLineTitlesBuildATreeOfSharedHeaders) {
  Grid g;
  g.SetUseMultiTitle(true);
  const char* captions[] = {"A|B", "A|C", "D", "E||F", "E|G"};
  const int widths[] = {50, 60, 70, 40, 40};
  for (int i = 0; i < 5; ++i) {
    TColumnEh* c = g.Columns()->AppendColumn();
    c->SetWidth(widths[i]);
    c->Title()->SetCaption(QString::fromUtf8(captions[i]));
  }
  const auto& leaves = g.LeafColumns();
  ASSERT_EQ(leaves.size(), 5u);
  THeadTreeNode* a = leaves[0]->Parent;
  ASSERT_NE(a, g.HeaderTree());
  EXPECT_EQ(a->NodeText, "A");
  EXPECT_EQ(a->NodeWidth, 50 + 60 + 1);  // two columns and the line between them
  EXPECT_EQ(leaves[1]->Parent, a);
  EXPECT_EQ(leaves[0]->NodeText, "B");
  EXPECT_EQ(leaves[1]->NodeText, "C");
  EXPECT_EQ(leaves[2]->Parent, g.HeaderTree());
  // A doubled delimiter: each caption loses its own first word.
  EXPECT_EQ(leaves[3]->Parent->NodeText, "E");
  EXPECT_EQ(leaves[3]->NodeText, "F");
  EXPECT_EQ(leaves[4]->NodeText, "G");
  // The title row is the tree's height, which covers the shared band.
  EXPECT_GT(g.RowHeights(0), leaves[2]->NodeHeight - leaves[0]->NodeHeight);
  EXPECT_EQ(leaves[0]->NodeHeight + a->NodeHeight, leaves[2]->NodeHeight);
}

TEST(DBGridLayout, HeaderTreeNodeOperations) {
  THeadTreeNode root(QStringLiteral("Root"), 0, 10);
  THeadTreeNode* a = root.AppendChildNode(&root, "a", 10, 30);
  THeadTreeNode* b = root.AppendChildNode(&root, "b", 20, 30);
  THeadTreeNode* c = root.AppendChildNode(&root, "c", 30, 30);
  THeadTreeNode other;
  EXPECT_THROW(root.AppendChildNode(&other, "x", 1, 1), Exception);
  EXPECT_THROW(root.GroupRange(c, a, 20, "g"), Exception);  // "ATo not in level"
  THeadTreeNode* g = root.GroupRange(a, b, 20, "g");
  EXPECT_EQ(root.FirstChild, g);
  EXPECT_EQ(g->NextSibling, c);
  EXPECT_EQ(c->NextSibling, g);
  EXPECT_EQ(a->Parent, g);
  EXPECT_EQ(a->NodeHeight, 10);
  EXPECT_EQ(g->NodeWidth, 30);  // line width 0: just the sum
  EXPECT_EQ(THeadTreeNode::NodeLevel(b), 2);
  EXPECT_TRUE(THeadTreeNode::ContainsNode(&root, b));
}

TEST(DBGridLayout, WordRoutines) {
  struct Case { const char* text; int n; int start; const char* word; } cases[] = {
      {"A|B", 2, 3, "B"}, {"||A|B", 1, 3, "A"}, {"A||B", 2, 4, "B"}, {"A", 2, 0, ""}, {"操作类型|收取", 2, 6, "收取"},
  };
  for (const auto& c : cases) {
    const QString t = QString::fromUtf8(c.text);
    EXPECT_EQ(NthWordStart(c.n, t, "|"), c.start) << c.text;
    EXPECT_EQ(NthWord(c.n, t, "|"), QString::fromUtf8(c.word)) << c.text;
  }
}

TEST(DBGridLayout, ColumnDefaultsAndOwnValues) {
  Grid g;
  TColumnEh* c = g.Columns()->AppendColumn();
  EXPECT_EQ(c->Color(), clWindow);
  g.SetColor(clYellow);
  EXPECT_EQ(c->Color(), clYellow);  // follows the grid
  c->SetColor(clRed);
  g.SetColor(clAqua);
  EXPECT_EQ(c->Color(), clRed);
  c->Title()->SetCaption("x");
  c->MaxWidth = 100;
  c->SetWidth(150);
  EXPECT_EQ(c->Width(), 100);
  c->MinWidth = 30;
  c->SetWidth(10);
  EXPECT_EQ(c->Width(), 30);
  c->SetWidth(-1);
  EXPECT_EQ(c->Width(), 30);
  EXPECT_TRUE(c->AssignedValues() & cvColor);
  c->ResetToDefaults();
  EXPECT_EQ(c->Color(), clAqua);
  EXPECT_EQ(c->Title()->Caption(), "");
  EXPECT_EQ(c->AssignedValues(), 0u);
  // Title alignment follows the column defaults: centred with multi-line titles.
  EXPECT_EQ(c->Title()->Alignment(), taLeftJustify);
  g.SetUseMultiTitle(true);
  EXPECT_EQ(c->Title()->Alignment(), taCenter);
  // A hidden column takes no room and no line.
  c->SetVisible(false);
  EXPECT_EQ(g.ColWidths(1), -1);
}

TEST(DBGridLayout, AssigningAColumnCopiesItsListsButtonsAndEditingSettings) {
  Grid g;
  TColumnEh* src = g.Columns()->AppendColumn();
  TColumnEh* dst = g.Columns()->AppendColumn();
  src->PickList = QStringList{"甲", "乙"};
  src->KeyList = QStringList{"1", "2"};
  src->NotInKeyListIndex = 1;
  src->ButtonStyle = cbsUpDown;
  src->Increment = 0.5;
  src->DropDownRows = 12;
  src->DropDownWidth = -1;
  src->DropDownSizing = true;
  src->DropDownShowTitles = true;
  src->AutoDropDown = true;
  src->ShowImageAndText = true;
  src->LookupDisplayFields = "名称;地址";
  src->DropDownBox()->UseMultiTitle = true;
  int notInList = 0, clicks = 0, updates = 0;
  src->OnNotInList = [&](TColumnEh*, const QString&) { ++notInList; };
  src->OnEditButtonClick = [&](TColumnEh*, bool&) { ++clicks; };
  src->OnUpdateData = [&](TColumnEh*, QString&, Variant&, bool&, bool&) { ++updates; };
  dst->ButtonStyle = cbsEllipsis;
  dst->PickList = QStringList{"旧"};
  dst->Assign(*src);
  EXPECT_EQ(dst->PickList, src->PickList);
  EXPECT_EQ(dst->KeyList, src->KeyList);
  EXPECT_EQ(dst->NotInKeyListIndex, 1);
  EXPECT_EQ(dst->ButtonStyle, cbsUpDown);
  EXPECT_EQ(dst->Increment, 0.5);
  EXPECT_EQ(dst->DropDownRows, 12);
  EXPECT_EQ(dst->DropDownWidth, -1);
  EXPECT_TRUE(dst->DropDownSizing);
  EXPECT_TRUE(dst->DropDownShowTitles);
  EXPECT_TRUE(dst->AutoDropDown);
  EXPECT_TRUE(dst->ShowImageAndText);
  EXPECT_EQ(dst->LookupDisplayFields, "名称;地址");
  EXPECT_TRUE(dst->DropDownBox()->UseMultiTitle);
  QString text;
  Variant value;
  bool flag = false, handled = false;
  dst->OnNotInList(dst, "x");
  dst->OnEditButtonClick(dst, handled);
  dst->OnUpdateData(dst, text, value, flag, handled);
  EXPECT_EQ(notInList + clicks + updates, 3);
  // Copying a column without lists empties the target's.
  TColumnEh* plain = g.Columns()->AppendColumn();
  dst->Assign(*plain);
  EXPECT_TRUE(dst->PickList.isEmpty());
  EXPECT_EQ(dst->ButtonStyle, cbsAuto);
  EXPECT_FALSE(dst->OnNotInList);
}

TEST(DBGridStyle, BlendingAndBrightening) {
  EXPECT_EQ(BlendHighlightColor(clWhite, RGBColor(10, 36, 106), true), RGBColor(204, 211, 228));
  EXPECT_EQ(BlendHighlightColor(clWhite, RGBColor(128, 128, 128), false), RGBColor(212, 212, 212));
  EXPECT_EQ(BrightenColor(RGBColor(200, 16, 0), 8), RGBColor(225, 18, 0));
  EXPECT_EQ(BrightenColor(RGBColor(250, 250, 250), 8), RGBColor(255, 255, 255));
}

TEST(DBGridStyle, ShortenTextCutsUntilTheTextFits) {
  QFont f(QStringLiteral("Liberation Mono"));
  f.setPixelSize(10);
  QFontMetrics fm(f);
  const int c = fm.horizontalAdvance(QLatin1Char('a'));
  ASSERT_EQ(fm.horizontalAdvance(QStringLiteral("abc...")), 6 * c);  // a fixed-pitch font
  struct Case { int width; const char* expected; } cases[] = {
      {10 * c, "abcdefghij"}, {10 * c - 1, "abcdef..."}, {9 * c, "abcdef..."}, {8 * c, "abcde..."}, {0, "..."},
  };
  for (const auto& k : cases) EXPECT_EQ(ShortenText("abcdefghij", fm, k.width), k.expected) << k.width;
}

TEST(DBGridStorage, ScrollBarSettingsAndStoredColumnOrder) {
  Grid g;
  g.VertScrollBar()->SetVisible(false);
  EXPECT_EQ(g.VertScrollBar()->VisibleMode(), sbNeverShowEh);
  EXPECT_FALSE(g.VertScrollBar()->Visible());
  EXPECT_EQ(g.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  g.VertScrollBar()->SetVisibleMode(sbAlwaysShowEh);
  EXPECT_TRUE(g.VertScrollBar()->Visible());
  EXPECT_EQ(g.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_FALSE(g.verticalScrollBar()->isEnabled());  // nothing to scroll
  g.VertScrollBar()->SetTracking(true);
  EXPECT_TRUE(g.verticalScrollBar()->hasTracking());

  for (const char* name : {"a", "b", "c"}) g.Columns()->AppendColumn()->SetFieldName(name);
  TColumnsEhPropertyInterceptor order(g.Columns());
  EXPECT_EQ(order.ColumnsIndex(), "\"a\",\"b\",\"c\"");
  order.SetColumnsIndex("\"c\",\"a\",\"zz\"");
  EXPECT_EQ(order.ColumnsIndex(), "\"c\",\"a\",\"b\"");
  // Under automatic fitting a stored width becomes the remembered width.
  g.SetAutoFitColWidths(true);
  const int current = g.Columns()->Items(0)->Width();
  TColumnEhPropertyInterceptor(g.Columns()->Items(0)).SetWidth(33);
  EXPECT_EQ(g.Columns()->Items(0)->AutoFitBaseWidth, 33);
  EXPECT_EQ(g.Columns()->Items(0)->Width(), current);
  EXPECT_EQ(VariantListText(Variant::array({Variant(1), Variant("x")})), "'1','x'");
  EXPECT_EQ(VariantListText(Variant::null()), "");
}

TEST(DBGridCellValues, TextsChecksAndStepping) {
  GridDbFixture db(QStringLiteral("code TEXT, flag TEXT, ok BOOLEAN, n INTEGER, d DATETIME"));
  db.Exec("INSERT INTO t (code, flag, ok, n, d) VALUES ('B', 'yes', 1, 5, '2024-03-05 00:00:00')");
  db.Exec("INSERT INTO t (code, flag, ok, n, d) VALUES ('Z', 'maybe', NULL, NULL, NULL)");
  Grid g;
  g.SetDataSource(&db.source);
  db.query.Open();
  auto column = [&](const char* field) {
    TColumnEh* c = g.Columns()->AppendColumn();
    c->SetFieldName(field);
    return c;
  };
  TColumnEh* code = column("code");
  code->KeyList = QStringList{"A", "B"};
  code->PickList = QStringList{"甲", "乙", "其他"};
  TColumnEh* flag = column("flag");
  flag->KeyList = QStringList{"yes; Y", "no;N"};
  flag->SetCheckboxes(true);
  TColumnEh* ok = column("ok");
  TColumnEh* n = column("n");
  n->SetDisplayFormat("0.00");
  TColumnEh* d = column("d");
  d->SetDisplayFormat("yyyy年m月d日");
  TColumnEh* text = column("flag");
  text->SetDisplayFormat("0.00");  // a text field shows its text whatever the format

  EXPECT_EQ(code->ColumnKind(), ckKeyListEh);
  EXPECT_EQ(code->CellDisplayText(), QStringLiteral("乙"));
  EXPECT_EQ(code->CellImageIndex(), 1);
  EXPECT_EQ(flag->ColumnKind(), ckCheckboxEh);
  EXPECT_EQ(flag->CellCheckState(), cbChecked);
  EXPECT_TRUE(ok->Checkboxes());
  EXPECT_EQ(ok->CellCheckState(), cbChecked);
  EXPECT_EQ(n->CellDisplayText(), "5.00");
  EXPECT_EQ(d->CellDisplayText(), QStringLiteral("2024年3月5日"));
  EXPECT_EQ(text->CellDisplayText(), "yes");

  db.query.Next();
  EXPECT_EQ(code->CellDisplayText(), "");  // not in the key list
  code->NotInKeyListIndex = 2;
  EXPECT_EQ(code->CellDisplayText(), QStringLiteral("其他"));
  EXPECT_EQ(flag->CellCheckState(), cbGrayed);
  EXPECT_EQ(ok->CellCheckState(), cbGrayed);
  EXPECT_EQ(n->CellDisplayText(), "");

  // Stepping: a check box toggles through its key list, a key list walks and wraps.
  flag->StepCellValue(1);
  EXPECT_EQ(db.query.FieldByName("flag")->AsString(), "yes");
  flag->StepCellValue(1);
  EXPECT_EQ(db.query.FieldByName("flag")->AsString(), "no");
  code->StepCellValue(1);  // "Z" is not listed: the first item
  EXPECT_EQ(db.query.FieldByName("code")->AsString(), "A");
  code->StepCellValue(-1);  // before the first: the last
  EXPECT_EQ(db.query.FieldByName("code")->AsString(), "B");
  n->StepCellValue(1);
  EXPECT_EQ(db.query.FieldByName("n")->AsInteger(), 1);
  QString seen;
  n->OnUpdateData = [&](TColumnEh*, QString&, Variant& v, bool&, bool& handled) {
    seen = v.toString();
    handled = true;
  };
  n->StepCellValue(1);
  EXPECT_EQ(seen, "2");
  EXPECT_EQ(db.query.FieldByName("n")->AsInteger(), 1);  // the handler took it
  db.query.Post();
  g.SetReadOnly(true);
  EXPECT_FALSE(n->MayEditCell(false));
}

TEST(DBGridLayout, SortOrderColumnsCloseGapsInStoredIndexes) {
  Grid g;
  TColumnEh* a = g.Columns()->AppendColumn();
  TColumnEh* b = g.Columns()->AppendColumn();
  TColumnEh* c = g.Columns()->AppendColumn();
  // Stored indexes arrive inside a columns update, as when a form is read.
  g.Columns()->BeginUpdate();
  c->Title()->SetSortIndex(1);
  a->Title()->SetSortIndex(4);  // indexes 2 and 3 are missing
  g.Columns()->EndUpdate();
  EXPECT_EQ(b->Title()->SortIndex(), 0);
  ASSERT_EQ(g.SortOrderColumns().Count(), 2);
  EXPECT_EQ(g.SortOrderColumns().ColumnAt(0), c);
  EXPECT_EQ(g.SortOrderColumns().ColumnAt(1), a);
  EXPECT_THROW(g.SortOrderColumns().ColumnAt(2), EInvalidOperation);
}

TEST(DBGridLayout, ScrollingPastTheBufferedRecordsShiftsTheRows) {
  GridDbFixture db(QStringLiteral("name TEXT"));
  for (int i = 1; i <= 10; ++i) db.Exec(QStringLiteral("INSERT INTO t (name) VALUES ('r%1')").arg(i));
  Grid g(300, 100);
  g.SetDataSource(&db.source);
  db.query.Open();
  const int rows = g.RowCount() - 1;  // data rows that fit
  ASSERT_GE(rows, 2);
  ASSERT_LT(rows, 10);
  EXPECT_EQ(g.DataLink()->BufferCount(), rows);
  db.query.SetRecNo(rows + 2);
  // The current record is on the last data row and the rows above show the records before it.
  EXPECT_EQ(g.Row(), rows);
  TColumnEh* name = g.Columns()->Items(1);
  g.DataLink()->SetActiveRecord(0);
  EXPECT_EQ(name->CellDisplayText(), QStringLiteral("r%1").arg(3));
  g.DataLink()->SetActiveRecord(rows - 1);
  EXPECT_EQ(name->CellDisplayText(), QStringLiteral("r%1").arg(rows + 2));
  db.query.First();
  EXPECT_EQ(g.Row(), 1);
  g.DataLink()->SetActiveRecord(0);
  EXPECT_EQ(name->CellDisplayText(), "r1");
  // The vertical bar follows record numbers.
  EXPECT_EQ(g.verticalScrollBar()->minimum(), 1);
  EXPECT_EQ(g.verticalScrollBar()->maximum(), 10);
  EXPECT_EQ(g.verticalScrollBar()->value(), 1);
}

TEST(DBGridLayout, FrozenAndHiddenColumnsInTheFixedPart) {
  struct Case { int frozen; std::vector<bool> visible; int fixed; } cases[] = {
      {0, {true, true, true}, 1},
      {1, {true, true, true}, 2},
      {1, {false, true, true}, 3},   // a hidden column inside the frozen range extends it
      {0, {false, false, false}, 3}, // all hidden: the indicator plus the hidden count less one
      {2, {true, true, false, false, true}, 5},
  };
  for (const auto& c : cases) {
    Grid g;
    for (bool v : c.visible) g.Columns()->AppendColumn()->SetVisible(v);
    g.SetFrozenCols(c.frozen);
    EXPECT_EQ(g.FixedCols(), c.fixed) << c.frozen << " frozen of " << c.visible.size();
  }
}

TEST(DBGridLayout, TitleLinesAndFootersAtTheBottomWithData) {
  std::unique_ptr<GridDbFixture> db(ThreeRows());
  Grid g(300, 250);
  g.SetTitleLines(2);
  QFontMetrics fm(g.TitleFont().Font);
  const int title = 2 * fm.height() + fm.leading() + 0 + 2 + 1;
  EXPECT_EQ(g.ComputedTitleHeight(), title);
  EXPECT_EQ(g.RowHeights(0), title);
  g.SetFooterRowCount(2);
  g.SetDataSource(&db->source);
  db->query.Open();
  ASSERT_EQ(g.RowCount(), 1 + 3 + 1 + 2);
  const int step = g.DefaultRowHeight() + 1;
  // The filler row takes what the records leave, so the footers end at the client bottom.
  const int fixedH = title + 1 + 2 * step + 1;
  EXPECT_EQ(g.RowHeights(4), 250 - fixedH - 3 * step);
  EXPECT_EQ(RectBottom(g.CellRect(1, 6)) + 1, 250);
  EXPECT_EQ(g.VisibleDataRowCount(), 3);
}

TEST(DBGridLayout, SizingAColumnWithTheMouseWritesTheColumnWidth) {
  Grid g;
  TColumnEh* a = g.Columns()->AppendColumn();
  a->SetWidth(60);
  a->MaxWidth = 70;
  g.Columns()->AppendColumn()->SetWidth(60);
  int notified = 0;
  g.OnColWidthsChanged = [&](QObject*) { ++notified; };
  const QRect title = g.CellRect(1, 0);
  auto send = [&](QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
    QMouseEvent e(type, p, g.viewport()->mapToGlobal(p), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(g.viewport(), &e);
  };
  const QPoint line(RectRight(title), title.center().y());
  send(QEvent::MouseButtonPress, line, Qt::LeftButton);
  EXPECT_EQ(g.GridState(), gsColSizing);
  send(QEvent::MouseMove, line + QPoint(5, 0), Qt::LeftButton);
  EXPECT_EQ(a->Width(), 65);
  send(QEvent::MouseMove, line + QPoint(30, 0), Qt::LeftButton);
  EXPECT_EQ(a->Width(), 70);  // held at its MaxWidth
  EXPECT_EQ(g.ColWidths(1), 70);
  send(QEvent::MouseButtonRelease, line + QPoint(30, 0), Qt::NoButton);
  EXPECT_EQ(g.GridState(), gsNormal);
  EXPECT_GE(notified, 2);
}

TEST(DBGridLayout, VerticalTitlesTakeTheirTextLengthAsHeight) {
  Grid g;
  g.SetUseMultiTitle(true);
  TColumnEh* c = g.Columns()->AppendColumn();
  c->SetWidth(30);
  c->Title()->SetCaption(QStringLiteral("一个很长的竖排标题"));
  c->Title()->SetOrientation(tohVertical);
  const int extent = QFontMetrics(c->Title()->Font().Font).horizontalAdvance(c->Title()->Caption());
  EXPECT_EQ(g.LeafColumns()[0]->NodeHeight, extent + 6);
  EXPECT_EQ(g.RowHeights(0), extent + 6 - 1);  // less one with raised fixed cells
}

// A scroll bar that appears or goes changes the viewport, which re-enters the grid's resize
// handling; over every small size around the point where the rows stop fitting, the layout must
// settle (no endless recursion) with the vertical bar shown exactly when rows are hidden.
TEST(DBGridLayout, ScrollBarsAppearingOrGoingSettleTheLayout) {
  GridDbFixture db("name TEXT, amount MONEY");
  for (int i = 0; i < 12; ++i)
    db.Exec(QStringLiteral("INSERT INTO t (name, amount) VALUES ('row %1', %1.5)").arg(i));
  db.query.Open();
  for (bool autoFit : {false, true}) {
    TDBGridEh grid;
    grid.SetAutoFitColWidths(autoFit);
    grid.SetFooterRowCount(1);
    grid.SumList()->SetActive(true);
    grid.SetDataSource(&db.source);
    grid.show();
    for (int h = 60; h <= 260; h += 3) {
      for (int w : {60, 140, 230}) {
        SCOPED_TRACE(QStringLiteral("autofit %1, %2 x %3").arg(autoFit).arg(w).arg(h).toStdString());
        grid.resize(w, h);
        QCoreApplication::processEvents();
        const bool barShown = grid.verticalScrollBar()->isVisible();
        const bool allRowsFit = grid.VisibleDataRowCount() >= 12;
        if (allRowsFit) {
          EXPECT_FALSE(barShown && grid.verticalScrollBar()->maximum() > grid.verticalScrollBar()->minimum());
        }
      }
    }
  }
}
