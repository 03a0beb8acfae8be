// The editors' height: fitted to the font (or a taller image) with AutoSize and a single
// border, refitted when the font changes, and free otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QVBoxLayout>
#include <functional>

#include "grid/DBCtrlsEh.h"
#include "grid/ImgListEh.h"
#include "platform/syscolors.h"

namespace {

QString Shot(const QString& name) { return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name; }

int TextHeight(const QWidget& w) { return QFontMetrics(w.font()).height(); }

QFont FontOfPixels(int pixels) {
  QFont f = QApplication::font();
  f.setPixelSize(pixels);
  return f;
}

}  // namespace

// The default font of the office's windows gives the editors 8 border lines and the text.
TEST(EditorsAutoSize, DefaultFontGivesTheFittedHeight) {
  TDBEditEh edit;
  TDBNumberEditEh number;
  TDBDateTimeEditEh date;
  TDBComboBoxEh combo;
  for (TCustomDBEditEh* e : std::initializer_list<TCustomDBEditEh*>{&edit, &number, &date, &combo}) {
    SCOPED_TRACE(e->metaObject()->className());
    EXPECT_TRUE(e->AutoSize());
    EXPECT_TRUE(e->Ctl3D());
    EXPECT_EQ(e->BorderStyle(), bsSingle);
    EXPECT_TRUE(e->FixedHeight());
    EXPECT_EQ(TextHeight(*e), 17);
    EXPECT_EQ(e->height(), 8 + 17);
    EXPECT_EQ(e->sizeHint().height(), 8 + 17);
    EXPECT_EQ(e->minimumSizeHint().height(), 8 + 17);
  }
}

// Border lines by look: 8 with the three-dimensional look, 6 without, 2 fewer when flat; a
// taller image replaces the text height while UseImageHeight is on; no border, AutoSize off
// or a multi-line box leaves the height free (the size set by hand stays).
TEST(EditorsAutoSize, FittedHeightByLookImageAndBorder) {
  TImageList tall(16, 30);
  TImageList small(16, 10);
  struct Case {
    const char* name;
    std::function<void(TCustomDBEditEh&)> setUp;
    int borderLines;  // -1: the height is free
    int imageHeight;  // 0: the text height counts
  };
  const Case cases[] = {
      {"default", [](TCustomDBEditEh&) {}, 8, 0},
      {"flat", [](TCustomDBEditEh& e) { e.SetFlat(true); }, 6, 0},
      {"plain", [](TCustomDBEditEh& e) { e.SetCtl3D(false); }, 6, 0},
      {"plain flat", [](TCustomDBEditEh& e) { e.SetCtl3D(false); e.SetFlat(true); }, 4, 0},
      {"tall image", [&](TCustomDBEditEh& e) { e.SetImages(&tall); }, 8, 30},
      {"tall image, flat", [&](TCustomDBEditEh& e) { e.SetImages(&tall); e.SetFlat(true); }, 6, 30},
      {"tall image without its height",
       [&](TCustomDBEditEh& e) {
         e.SetImages(&tall);
         e.EditImage()->SetUseImageHeight(false);
       },
       8, 0},
      {"small image", [&](TCustomDBEditEh& e) { e.SetImages(&small); }, 8, 0},
      {"no border", [](TCustomDBEditEh& e) { e.SetBorderStyle(bsNone); }, -1, 0},
      {"AutoSize off", [](TCustomDBEditEh& e) { e.SetAutoSize(false); }, -1, 0},
      {"word wrap", [](TCustomDBEditEh& e) { e.SetWordWrap(true); }, -1, 0},
      {"word wrap with a password", [](TCustomDBEditEh& e) {
         e.SetWordWrap(true);
         e.SetPasswordChar(QLatin1Char('*'));
       }, 8, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TDBEditEh edit;
    c.setUp(edit);
    edit.resize(160, 40);
    if (c.borderLines < 0) {
      EXPECT_FALSE(edit.FixedHeight());
      EXPECT_EQ(edit.height(), 40);
      // A free height stays through a change of font.
      edit.setFont(FontOfPixels(24));
      EXPECT_EQ(edit.height(), 40);
      continue;
    }
    const int content = c.imageHeight > 0 ? c.imageHeight : TextHeight(edit);
    EXPECT_TRUE(edit.FixedHeight());
    EXPECT_EQ(edit.FitHeight(), c.borderLines * GetSystemMetrics(SM_CYBORDER) + content);
    EXPECT_EQ(edit.sizeHint().height(), edit.FitHeight());
    // The next refit (a font change) puts back the fitted height over one set by hand.
    edit.setFont(FontOfPixels(12));
    EXPECT_EQ(edit.height(), edit.FitHeight());
  }
}

// Switching the look, the border, AutoSize or the image's height rule refits at once.
TEST(EditorsAutoSize, ChangesRefitAtOnce) {
  TDBEditEh edit;
  const int text = TextHeight(edit);
  edit.SetFlat(true);
  EXPECT_EQ(edit.height(), 6 + text);
  edit.SetFlat(false);
  EXPECT_EQ(edit.height(), 8 + text);

  TImageList tall(16, 30);
  edit.SetImages(&tall);
  EXPECT_EQ(edit.height(), 8 + 30);
  edit.EditImage()->SetUseImageHeight(false);
  EXPECT_EQ(edit.height(), 8 + text);
  edit.EditImage()->SetUseImageHeight(true);
  EXPECT_EQ(edit.height(), 8 + 30);
  edit.SetImages(nullptr);
  EXPECT_EQ(edit.height(), 8 + text);

  edit.SetAutoSize(false);
  edit.resize(edit.width(), 50);
  EXPECT_EQ(edit.sizeHint().height(), edit.QLineEdit::sizeHint().height());
  edit.SetAutoSize(true);
  EXPECT_EQ(edit.height(), 8 + text);

  edit.SetBorderStyle(bsNone);
  edit.resize(edit.width(), 50);
  EXPECT_EQ(edit.height(), 50);
  // The grid embeds its filter row's editor without a border through this accessor.
  edit.SetEditorBorderStyle(true);
  EXPECT_EQ(edit.BorderStyle(), bsSingle);
  EXPECT_EQ(edit.height(), 8 + text);
}

// A bigger font, set on the editor or coming from its window, refits the height; with
// AutoSize off the height set stays.
TEST(EditorsAutoSize, FontChangeRefits) {
  QWidget window;
  auto* fitted = new TDBNumberEditEh(&window);
  auto* kept = new TDBEditEh(&window);
  auto* own = new TDBComboBoxEh(&window);
  kept->SetAutoSize(false);
  kept->resize(160, 40);
  ASSERT_EQ(fitted->height(), 8 + 17);

  own->setFont(FontOfPixels(20));
  EXPECT_EQ(own->height(), 8 + QFontMetrics(FontOfPixels(20)).height());
  EXPECT_GT(own->height(), 8 + 17);

  // The window's font reaches the editors; the fitted one follows, the free one keeps 40.
  window.setFont(FontOfPixels(26));
  EXPECT_EQ(TextHeight(*kept), QFontMetrics(FontOfPixels(26)).height());
  EXPECT_EQ(fitted->height(), 8 + QFontMetrics(FontOfPixels(26)).height());
  EXPECT_EQ(kept->height(), 40);
  EXPECT_EQ(own->height(), 8 + QFontMetrics(FontOfPixels(20)).height());
}

// In a vertical layout the editor keeps its fitted height while the window grows, and
// changes it with its font; an editor without AutoSize has the layout's height.
TEST(EditorsAutoSize, LayoutKeepsTheFittedHeight) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* caption = new QLabel(QString::fromUtf8("房屋代码："), &window);
  auto* edit = new TDBEditEh(&window);
  auto* date = new TDBDateTimeEditEh(&window);
  auto* free = new TDBEditEh(&window);
  free->SetAutoSize(false);
  free->setMinimumHeight(44);
  edit->SetText(QString::fromUtf8("东一栋101"));
  date->SetValue(Variant(TDateTime(38000)));
  free->SetText(QString::fromUtf8("可以更高"));
  layout->addWidget(caption);
  layout->addWidget(edit);
  layout->addWidget(date);
  layout->addWidget(free);
  window.resize(240, 200);
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(edit->height(), 25);
  EXPECT_EQ(date->height(), 25);
  EXPECT_EQ(free->height(), 44);

  window.resize(300, 480);
  QApplication::processEvents();
  EXPECT_EQ(edit->height(), 25);
  EXPECT_EQ(date->height(), 25);
  window.grab().save(Shot(QStringLiteral("editors_autosize_layout.png")));

  edit->setFont(FontOfPixels(20));
  QApplication::processEvents();
  EXPECT_EQ(edit->height(), 8 + QFontMetrics(FontOfPixels(20)).height());
  // The text area follows: the editor's own text is not cut off at the bottom.
  EXPECT_FALSE(edit->TextOverflows());
}

// Without the three-dimensional look the single border is one line of the window frame
// colour, with the editor's background right inside it.
TEST(EditorsAutoSize, PlainBorderIsOneLine) {
  TDBEditEh edit;
  edit.resize(120, 30);
  edit.SetCtl3D(false);
  ASSERT_EQ(edit.height(), 6 + 17);
  const QImage image = edit.grab().toImage();
  image.save(Shot(QStringLiteral("editors_autosize_plain.png")));
  const int y = edit.height() / 2;
  EXPECT_EQ(image.pixelColor(0, y), ToQColor(clWindowFrame));
  EXPECT_EQ(image.pixelColor(edit.width() - 1, y), ToQColor(clWindowFrame));
  EXPECT_EQ(image.pixelColor(1, y), edit.palette().color(QPalette::Base));
  EXPECT_EQ(image.pixelColor(60, 0), ToQColor(clWindowFrame));
}

// The calculator is its buttons and display plus its frame; the drop-down's edge adds to
// every side. A layout keeps that size; without AutoSize any size may be set.
TEST(CalculatorAutoSize, SizeIsTheClientAreaAndFrame) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* calc = new TCalculatorEh(&window);
  layout->addWidget(calc);
  window.resize(400, 400);
  window.show();
  QApplication::processEvents();
  EXPECT_TRUE(calc->AutoSize());
  EXPECT_EQ(calc->size(), QSize(184, 127));

  TDBNumberEditEh owner;
  TPopupCalculatorEh popup(&owner);
  EXPECT_EQ(popup.size(), QSize(184 + 2 * popup.EdgeWidth, 127 + 2 * popup.EdgeWidth));

  calc->SetAutoSize(false);
  calc->resize(300, 200);
  EXPECT_EQ(calc->size(), QSize(300, 200));
  calc->SetAutoSize(true);
  EXPECT_EQ(calc->size(), QSize(184, 127));
}
