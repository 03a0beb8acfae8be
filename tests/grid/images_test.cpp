// Images of title cells, image columns, the cell editor and the data-aware editors, and the
// editors' password character.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <memory>

#include "grid/DBCtrlsEh.h"
#include "grid/DBGridEh.h"
#include "grid/DBGridEhInplace.h"
#include "grid/ImgListEh.h"
#include "platform/data/field.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

const QColor kColours[] = {QColor(220, 0, 0), QColor(0, 170, 0), QColor(0, 0, 220)};

// Three solid 12 × 12 squares: red, green, blue.
struct Squares : TImageList {
  Squares() : TImageList(12, 12) {
    for (const QColor& c : kColours) {
      QPixmap p(12, 12);
      p.fill(c);
      Add(p);
    }
  }
};

QString Shot(const QString& name) { return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name; }

// Houses with a state 0..2 (shown as an image) and a name; columns 0 id, 1 state, 2 name.
struct ImageGridFixture {
  GridDbFixture db{QStringLiteral("state INTEGER, name VARCHAR(20)")};
  Squares images;
  TDBGridEh g;
  ImageGridFixture() {
    db.Exec("INSERT INTO t (state, name) VALUES (0, '空置'), (2, '已售'), (1, '出租'), (NULL, '未知')");
    g.resize(360, 200);
    g.SetDataSource(&db.source);
    db.query.Open();
    g.show();
    QApplication::processEvents();
  }
  TColumnEh* col(int i) { return g.Columns()->Items(i); }
  QImage Grab() { return g.viewport()->grab().toImage(); }
  // The colour at a point of a data cell (record 0-based), relative to the cell's left edge.
  QColor At(const QImage& img, int column, int record, int dx = -1) {
    const QRect r = g.CellRect(g.IndicatorOffset() + column, g.DataRowOffset() + record);
    return img.pixelColor(dx < 0 ? r.center().x() : r.x() + dx, r.center().y());
  }
};

}  // namespace

TEST(GridImages, AnImageColumnShowsTheImageOfEachValueInsteadOfText) {
  ImageGridFixture f;
  TColumnEh* c = f.col(1);
  EXPECT_EQ(c->ColumnKind(), ckPlainEh);
  c->ImageList = &f.images;
  EXPECT_EQ(c->ColumnKind(), ckImagesEh);
  f.db.query.First();
  EXPECT_EQ(c->CellDisplayText(), "");
  f.g.InvalidateGrid();
  const QImage img = f.Grab();
  img.save(Shot("grid_image_column.png"));
  struct Case {
    int record;
    QColor colour;  // invalid: no image, the cell's background
  } cases[] = {{0, kColours[0]}, {1, kColours[2]}, {2, kColours[1]}, {3, QColor()}};
  for (const Case& k : cases) {
    const QColor got = f.At(img, 1, k.record);
    if (k.colour.isValid()) EXPECT_EQ(got, k.colour) << k.record;
    else for (const QColor& c2 : kColours) EXPECT_NE(got, c2) << k.record;
  }
  // With ShowImageAndText the image stands left of the text, which is drawn again.
  c->ShowImageAndText = true;
  EXPECT_EQ(c->ColumnKind(), ckPlainEh);
  f.g.InvalidateGrid();
  const QImage both = f.Grab();
  both.save(Shot("grid_image_and_text_column.png"));
  EXPECT_EQ(f.At(both, 1, 1, 2 + 6), kColours[2]);
  EXPECT_NE(f.At(both, 1, 1), kColours[2]);  // the middle of the cell holds the text
}

TEST(GridImages, ATitleImageReplacesTheCaption) {
  ImageGridFixture f;
  f.g.TitleImages = &f.images;
  TColumnTitleEh* t = f.col(2)->Title();
  t->SetCaption("名称");
  struct Case {
    TAlignment alignment;
    int dx;  // from the cell's left edge; -1 the centre
  } cases[] = {{taLeftJustify, 8}, {taCenter, -1}};
  for (const Case& k : cases) {
    t->ImageIndex = 1;
    t->SetAlignment(k.alignment);
    f.g.InvalidateGrid();
    const QImage img = f.Grab();
    const QRect r = f.g.CellRect(f.g.IndicatorOffset() + 2, 0);
    const int x = k.dx < 0 ? r.center().x() : r.x() + k.dx;
    EXPECT_EQ(img.pixelColor(x, r.center().y()), kColours[1]) << k.alignment;
    if (k.alignment == taLeftJustify) img.save(Shot("grid_title_image.png"));
  }
  // Without an image the caption comes back.
  t->ImageIndex = -1;
  f.g.InvalidateGrid();
  const QImage img = f.Grab();
  const QRect r = f.g.CellRect(f.g.IndicatorOffset() + 2, 0);
  bool green = false;
  for (int x = r.x(); x < r.x() + r.width(); ++x) green = green || img.pixelColor(x, r.center().y()) == kColours[1];
  EXPECT_FALSE(green);
}

TEST(GridImages, TheCellEditorShowsTheImageOfTheTypedItem) {
  ImageGridFixture f;
  TColumnEh* c = f.col(2);
  c->PickList = {"空置", "出租", "已售"};
  c->ImageList = &f.images;
  c->ShowImageAndText = true;
  f.g.SelectColumnIndex(2);
  f.g.ShowEditor();
  auto* ed = qobject_cast<TDBGridInplaceEdit*>(f.g.InplaceEditor());
  ASSERT_TRUE(ed && ed->isVisible());
  EXPECT_EQ(ed->ImageIndex(), 0);  // 空置
  ed->selectAll();
  QKeyEvent e(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("已"));
  QCoreApplication::sendEvent(ed, &e);
  EXPECT_EQ(ed->Text(), "已售");
  EXPECT_EQ(ed->ImageIndex(), 2);
  const QImage img = ed->grab().toImage();
  img.save(Shot("grid_editor_image.png"));
  EXPECT_EQ(img.pixelColor(8, ed->height() / 2), kColours[2]);
}

TEST(EditorImages, TheImageFollowsTheValueAndTakesItsAreaFromTheText) {
  Squares images;
  TDBEditEh ed;
  ed.resize(160, 24);
  ed.show();
  const int textLeft = ed.textMargins().left();
  ed.EditImage()->SetImages(&images);
  EXPECT_EQ(ed.ImageAreaWidth(), 0);  // not visible yet
  ed.EditImage()->SetVisible(true);
  ed.EditImage()->SetImageIndex(1);
  EXPECT_EQ(ed.ImageAreaWidth(), 16);
  EXPECT_EQ(ed.textMargins().left(), textLeft + 16);
  ed.EditImage()->SetWidth(20);
  EXPECT_EQ(ed.ImageAreaWidth(), 24);
  ed.EditImage()->SetWidth(0);
  struct Case {
    const char* text;
    int index;
  } cases[] = {{"", 1}, {"abc", 1}, {"2", 1}};
  // A text editor's value is text: the image's own index stays.
  for (const Case& k : cases) {
    ed.SetText(QString::fromUtf8(k.text));
    EXPECT_EQ(ed.ShownImageIndex(), k.index) << k.text;
  }
  TDBNumberEditEh number;
  number.resize(160, 24);
  number.show();
  number.EditImage()->SetImages(&images);
  number.EditImage()->SetVisible(true);
  struct NumberCase {
    Variant value;
    int index;
  } numbers[] = {{Variant(2), 2}, {Variant(0.5), 0}, {Variant(1.5), 2}, {Variant::null(), -1}};
  for (const NumberCase& k : numbers) {
    number.SetValue(k.value);
    EXPECT_EQ(number.ShownImageIndex(), k.index) << k.value.toString().toStdString();
  }
  number.OnGetImageIndex = [](TCustomDBEditEh*, int& index) { index = index < 0 ? 0 : index; };
  number.SetValue(Variant::null());
  EXPECT_EQ(number.ShownImageIndex(), 0);
  number.SetValue(Variant(2));
  const QImage img = number.grab().toImage();
  img.save(Shot("editor_image.png"));
  EXPECT_EQ(img.pixelColor(8, number.height() / 2), kColours[2]);
}

TEST(EditorImages, APasswordCharacterHidesEveryCharacter) {
  TDBEditEh ed;
  ed.resize(160, 24);
  ed.show();
  ed.SetText("abc12");
  EXPECT_EQ(ed.displayText(), "abc12");
  ed.SetPasswordChar(QLatin1Char('#'));
  EXPECT_EQ(ed.displayText(), "#####");
  EXPECT_EQ(ed.Text(), "abc12");
  ed.SetPasswordChar(QChar());
  EXPECT_EQ(ed.displayText(), "abc12");
}
