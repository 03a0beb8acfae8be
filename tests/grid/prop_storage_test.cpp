// Stored grid layouts and window placements: written to an ini-style file and read back
// through the interceptors registered for columns, the column collection and windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include "grid/DBGridEh.h"
#include "grid/PropStorageEh.h"
#include "tests/grid/dbgrid_fixture.h"

namespace {

struct LayoutFixture {
  GridDbFixture db{QStringLiteral("a TEXT, b TEXT, c TEXT")};
  TDBGridEh g;
  QString ini;
  LayoutFixture() {
    db.Exec(QStringLiteral("INSERT INTO t (a, b, c) VALUES ('1', '2', '3')"));
    g.setObjectName(QStringLiteral("DBGridEh1"));
    g.resize(500, 200);
    for (const char* name : {"a", "b", "c"}) g.Columns()->AppendColumn()->SetFieldName(QString::fromLatin1(name));
    g.SetDataSource(&db.source);
    db.query.Open();
    g.show();
    QCoreApplication::processEvents();
    ini = db.dir.filePath(QStringLiteral("layout.ini"));
  }
  QString order() { return TColumnsEhPropertyInterceptor(g.Columns()).ColumnsIndex(); }
  TColumnEh* column(const char* field) {
    for (int i = 0; i < g.Columns()->Count(); ++i)
      if (g.Columns()->Items(i)->FieldName() == QLatin1String(field)) return g.Columns()->Items(i);
    return nullptr;
  }
  int dataWidth() {
    // The width the fitting distributes: the viewport less the indicator and the lines.
    int sum = 0;
    for (int i = 0; i < g.Columns()->Count(); ++i) sum += g.Columns()->Items(i)->Width();
    return sum;
  }
};

}  // namespace

TEST(PropStorage, InterceptorRegistryKeepsOneInterceptorPerTarget) {
  // Registered at start-up.
  TDBGridEh g;
  TColumnEh* c = g.Columns()->AppendColumn();
  EXPECT_NE(dynamic_cast<TColumnEhPropertyInterceptor*>(NewInterceptorFor<TColumnEh>(c).get()), nullptr);
  EXPECT_NE(dynamic_cast<TColumnsEhPropertyInterceptor*>(NewInterceptorFor<TDBGridColumnsEh>(g.Columns()).get()),
            nullptr);
  QWidget form;
  EXPECT_NE(dynamic_cast<TFormStoragePropertyInterceptor*>(NewInterceptorFor<QWidget>(&form).get()), nullptr);

  // A second interceptor for windows replaces the first; removing it leaves none.
  struct Other : TStoragePropertyInterceptor {
    explicit Other(QWidget* f) : TStoragePropertyInterceptor(f) {}
  };
  struct Refusing : TStoragePropertyInterceptor {
    explicit Refusing(QWidget* f) : TStoragePropertyInterceptor(f) {}
    bool WantsInterception() const override { return false; }
  };
  const int count = InterceptorClassCount();
  AddInterceptorClass<QWidget, Other>();
  EXPECT_EQ(InterceptorClassCount(), count);
  EXPECT_NE(dynamic_cast<Other*>(NewInterceptorFor<QWidget>(&form).get()), nullptr);
  RemoveInterceptorClass<QWidget, TFormStoragePropertyInterceptor>();  // not registered: nothing happens
  EXPECT_EQ(InterceptorClassCount(), count);
  RemoveInterceptorClass<QWidget, Other>();
  EXPECT_EQ(NewInterceptorFor<QWidget>(&form), nullptr);
  // An interceptor that does not want to intercept is not used.
  AddInterceptorClass<QWidget, Refusing>();
  EXPECT_EQ(NewInterceptorFor<QWidget>(&form), nullptr);
  AddInterceptorClass<QWidget, TFormStoragePropertyInterceptor>();
  EXPECT_EQ(InterceptorClassCount(), count);

  // Values the interceptor publishes go to it, the others to the target's own writer.
  TColumnsEhPropertyInterceptor columns(g.Columns());
  QStringList own;
  ReadBackStoredValues(&columns, {{"ColumnsIndex", "\"x\""}, {"Tag", 5}},
                       [&](const QString& name, const QVariant&) { return own << name, true; });
  EXPECT_EQ(own, QStringList{"Tag"});
}

TEST(PropStorage, GridLayoutIsSavedAndRestored) {
  LayoutFixture f;
  f.column("a")->SetWidth(70);
  f.column("b")->SetWidth(90);
  f.column("c")->SetWidth(110);
  f.column("b")->SetVisible(false);
  TPropStorageEh storage(f.ini);
  storage.SaveGridLayout(&f.g);
  {
    QSettings s(f.ini, QSettings::IniFormat);
    EXPECT_EQ(s.value("DBGridEh1/ColumnsIndex").toString(), "\"a\",\"b\",\"c\"");
    EXPECT_EQ(s.value("DBGridEh1/Columns/size").toInt(), 3);
  }

  // The user changes widths, the order and what shows.
  f.column("a")->SetWidth(30);
  f.column("c")->SetWidth(200);
  f.column("b")->SetVisible(true);
  f.g.Columns()->Move(2, 0);
  f.g.Columns()->Move(2, 1);
  EXPECT_EQ(f.order(), "\"c\",\"b\",\"a\"");

  EXPECT_TRUE(storage.RestoreGridLayout(&f.g));
  EXPECT_EQ(f.order(), "\"a\",\"b\",\"c\"");
  EXPECT_EQ(f.column("a")->Width(), 70);
  EXPECT_EQ(f.column("b")->Width(), 90);
  EXPECT_EQ(f.column("c")->Width(), 110);
  EXPECT_FALSE(f.column("b")->Visible());
  EXPECT_TRUE(f.column("c")->Visible());
  // The grid shows what was restored.
  EXPECT_EQ(f.g.ColWidths(f.g.ColumnToGridIndex(0)), 70);
  EXPECT_EQ(f.g.ColWidths(f.g.ColumnToGridIndex(2)), 110);

  // Another section, and a section that was never written, leave the grid as it is.
  EXPECT_FALSE(storage.RestoreGridLayout(&f.g, "Other"));
  EXPECT_FALSE(TPropStorageEh(f.db.dir.filePath("missing.ini")).RestoreGridLayout(&f.g));
  EXPECT_EQ(f.column("a")->Width(), 70);
}

TEST(PropStorage, DamagedOrForeignValuesAreSkipped) {
  LayoutFixture f;
  f.column("a")->SetWidth(70);
  f.column("b")->SetWidth(80);
  {
    QSettings s(f.ini, QSettings::IniFormat);
    s.setValue("DBGridEh1/ColumnsIndex", "\"c\",\"zz\",\"a\"");
    s.beginGroup("DBGridEh1");
    s.beginWriteArray("Columns");
    s.setArrayIndex(0);
    s.setValue("FieldName", "a");
    s.setValue("Width", "wide");  // not a number
    s.setValue("Visible", "maybe");
    s.setArrayIndex(1);
    s.setValue("FieldName", "gone");  // no such column
    s.setValue("Width", 300);
    s.setArrayIndex(2);
    s.setValue("FieldName", "b");
    s.setValue("Width", 44);
    s.endArray();
    s.endGroup();
  }
  EXPECT_TRUE(TPropStorageEh(f.ini).RestoreGridLayout(&f.g));
  EXPECT_EQ(f.column("a")->Width(), 70);
  EXPECT_TRUE(f.column("a")->Visible());
  EXPECT_EQ(f.column("b")->Width(), 44);
  // Each named column takes the position of its item; a name of no column is skipped.
  EXPECT_EQ(f.order(), "\"c\",\"b\",\"a\"");
}

TEST(PropStorage, UnderAutoFitAStoredWidthIsTheRememberedWidthOnly) {
  LayoutFixture f;
  f.g.SetAutoFitColWidths(true);
  QCoreApplication::processEvents();
  const int total = f.dataWidth();
  TPropStorageEh storage(f.ini);
  storage.SaveGridLayout(&f.g);
  {
    // Widths stored by a narrower grid: 40, 80 and 120.
    QSettings s(f.ini, QSettings::IniFormat);
    s.setValue("DBGridEh1/Columns/1/Width", 40);
    s.setValue("DBGridEh1/Columns/2/Width", 80);
    s.setValue("DBGridEh1/Columns/3/Width", 120);
  }
  ASSERT_TRUE(storage.RestoreGridLayout(&f.g));
  EXPECT_EQ(f.column("a")->AutoFitBaseWidth, 40);
  EXPECT_EQ(f.column("b")->AutoFitBaseWidth, 80);
  EXPECT_EQ(f.column("c")->AutoFitBaseWidth, 120);
  // The fitting still fills the grid, now in the stored proportions.
  EXPECT_EQ(f.dataWidth(), total);
  EXPECT_NE(f.column("a")->Width(), 40);
  EXPECT_NEAR(double(f.column("c")->Width()) / f.column("a")->Width(), 3.0, 0.1);
  EXPECT_NEAR(double(f.column("b")->Width()) / f.column("a")->Width(), 2.0, 0.1);

  // Without automatic fitting the same file gives the widths themselves.
  f.g.SetAutoFitColWidths(false);
  ASSERT_TRUE(storage.RestoreGridLayout(&f.g));
  EXPECT_EQ(f.column("a")->Width(), 40);
  EXPECT_EQ(f.column("c")->Width(), 120);
}

TEST(PropStorage, WindowPlacementIsScaledAndKeepsItsState) {
  QTemporaryDir dir;
  const QString ini = dir.filePath("forms.ini");
  QWidget form;
  form.setObjectName("TForm_houseinfo");
  auto* first = new QLineEdit(&form);
  first->setObjectName("edit_code");
  auto* second = new QLineEdit(&form);
  second->setObjectName("edit_name");
  auto* layout = new QVBoxLayout(&form);
  layout->addWidget(first);
  layout->addWidget(second);
  form.setGeometry(120, 90, 400, 300);
  second->setFocus();
  TPropStorageEh storage(ini);
  storage.SaveFormPlacement(&form);
  {
    QSettings s(ini, QSettings::IniFormat);
    EXPECT_EQ(s.value("TForm_houseinfo/Left").toInt(), 120);
    EXPECT_EQ(s.value("TForm_houseinfo/Width").toInt(), 400);
    EXPECT_EQ(s.value("TForm_houseinfo/WindowState").toString(), "wsNormal");
    EXPECT_EQ(s.value("TForm_houseinfo/ActiveControl").toString(), "edit_name");
  }

  QWidget again;
  again.setObjectName("TForm_houseinfo");
  auto* a1 = new QLineEdit(&again);
  a1->setObjectName("edit_code");
  auto* a2 = new QLineEdit(&again);
  a2->setObjectName("edit_name");
  a1->setFocus();
  ASSERT_TRUE(storage.RestoreFormPlacement(&again));
  EXPECT_EQ(again.geometry(), QRect(120, 90, 400, 300));
  EXPECT_TRUE(again.testAttribute(Qt::WA_Moved));
  EXPECT_EQ(again.focusWidget(), a2);

  // Stored on a screen of another resolution: scaled to this screen's.
  const int ppi = ScreenPixelsPerInch();
  {
    QSettings s(ini, QSettings::IniFormat);
    s.setValue("TForm_houseinfo/PixelsPerInch", ppi * 5 / 4);
    s.setValue("TForm_houseinfo/Left", 125);
    s.setValue("TForm_houseinfo/WindowState", "wsMaximized");
  }
  QWidget third;
  third.setObjectName("TForm_houseinfo");
  ASSERT_TRUE(storage.RestoreFormPlacement(&third));
  const int stored = ppi * 5 / 4;
  const QRect expected(MulDiv(125, ppi, stored), MulDiv(90, ppi, stored), MulDiv(400, ppi, stored),
                       MulDiv(300, ppi, stored));
  if (ppi == 96) EXPECT_EQ(expected, QRect(100, 72, 320, 240));
  // Maximised, with the stored rectangle kept for its normal state.
  EXPECT_EQ(WindowStateOf(&third), wsMaximized);
  EXPECT_EQ(FormNormalBounds(&third), expected);
  third.showNormal();
  EXPECT_EQ(third.geometry(), expected);

  // A damaged resolution does not divide by zero: the values stay unscaled.
  {
    QSettings s(ini, QSettings::IniFormat);
    s.setValue("TForm_houseinfo/PixelsPerInch", 0);
    s.setValue("TForm_houseinfo/WindowState", "wsNormal");
  }
  QWidget fourth;
  fourth.setObjectName("TForm_houseinfo");
  ASSERT_TRUE(storage.RestoreFormPlacement(&fourth));
  EXPECT_EQ(fourth.geometry(), QRect(125, 90, 400, 300));
  EXPECT_FALSE(storage.RestoreFormPlacement(&fourth, "TForm_other"));
}

// A window the operator maximised, or minimised, stores the rectangle it had in its normal state
// with its state; shown again from storage it comes back in that state, and restoring it down
// gives that rectangle.
TEST(PropStorage, AMaximisedOrMinimisedWindowStoresItsNormalRectangle) {
  for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowMinimized}) {
    SCOPED_TRACE(int(state));
    QTemporaryDir dir;
    TPropStorageEh storage(dir.filePath("forms.ini"));
    QWidget form;
    form.setObjectName("TForm_louyu");
    form.setGeometry(130, 70, 420, 310);
    form.show();
    QApplication::processEvents();
    form.setWindowState(state);
    QApplication::processEvents();
    ASSERT_TRUE(form.windowState() & state);
    storage.SaveFormPlacement(&form);
    {
      QSettings s(dir.filePath("forms.ini"), QSettings::IniFormat);
      EXPECT_EQ(s.value("TForm_louyu/Left").toInt(), 130);
      EXPECT_EQ(s.value("TForm_louyu/Top").toInt(), 70);
      EXPECT_EQ(s.value("TForm_louyu/Width").toInt(), 420);
      EXPECT_EQ(s.value("TForm_louyu/Height").toInt(), 310);
      EXPECT_EQ(s.value("TForm_louyu/WindowState").toString(),
                state == Qt::WindowMaximized ? "wsMaximized" : "wsMinimized");
    }
    QWidget again;
    again.setObjectName("TForm_louyu");
    ASSERT_TRUE(storage.RestoreFormPlacement(&again));
    again.show();
    QApplication::processEvents();
    EXPECT_EQ(again.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized), state);
    again.showNormal();
    QApplication::processEvents();
    EXPECT_EQ(again.geometry(), QRect(130, 70, 420, 310));
  }
}

TEST(PropStorage, RegistryRootsAreStoredByName) {
  struct Case {
    quint32 key;
    const char* text;
  } cases[] = {{0x80000000u, "HKEY_CLASSES_ROOT"},   {0x80000001u, "HKEY_CURRENT_USER"},
               {0x80000002u, "HKEY_LOCAL_MACHINE"},  {0x80000003u, "HKEY_USERS"},
               {0x80000004u, "HKEY_PERFORMANCE_DATA"}, {0x80000005u, "HKEY_CURRENT_CONFIG"},
               {0x80000006u, "HKEY_DYN_DATA"},       {0x80000007u, "2147483655"},
               {42u, "42"}};
  for (const Case& c : cases) {
    EXPECT_EQ(HKeyText(c.key), QString::fromLatin1(c.text));
    quint32 back = 0;
    EXPECT_TRUE(HKeyFromText(QString::fromLatin1(c.text), back));
    EXPECT_EQ(back, c.key);
  }
  quint32 key = 7;
  EXPECT_FALSE(HKeyFromText("HKEY_NOWHERE", key));
  EXPECT_EQ(key, 7u);
}

// The titles' sort markers are part of the layout: restored with their directions and in
// their sort order, replacing the markers set meanwhile.
TEST(PropStorage, SortMarkersAreRestoredInTheirOrder) {
  LayoutFixture f;
  f.g.SetOptionsEh(f.g.OptionsEh() | dghMultiSortMarking);
  f.column("c")->Title()->SetSortMarker(smUpEh);
  f.column("a")->Title()->SetSortMarker(smDownEh);
  TPropStorageEh storage(f.ini);
  storage.SaveGridLayout(&f.g);

  f.column("c")->Title()->SetSortMarker(smNoneEh);
  f.column("a")->Title()->SetSortMarker(smNoneEh);
  f.column("b")->Title()->SetSortMarker(smDownEh);
  f.column("a")->Title()->SetSortMarker(smUpEh);

  ASSERT_TRUE(storage.RestoreGridLayout(&f.g));
  struct Case {
    const char* field;
    TSortMarkerEh marker;
    int index;
  } cases[] = {{"a", smDownEh, 2}, {"b", smNoneEh, 0}, {"c", smUpEh, 1}};
  for (const Case& c : cases) {
    EXPECT_EQ(f.column(c.field)->Title()->SortMarker(), c.marker) << c.field;
    EXPECT_EQ(f.column(c.field)->Title()->SortIndex(), c.index) << c.field;
  }
  ASSERT_EQ(f.g.SortOrderColumns().Count(), 2);
  EXPECT_EQ(f.g.SortOrderColumns()[0], f.column("c"));
  EXPECT_EQ(f.g.SortOrderColumns()[1], f.column("a"));
}
