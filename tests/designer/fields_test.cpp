// The field list and the field picker: fields of the report's record sources by their shown
// names; a field dropped on the page becomes a text object showing it.
#include <QAction>
#include <QInputMethodEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QTemporaryDir>

#include "designer/FR_BandEd.h"
#include "designer/FR_Desgn.h"
#include "designer/FR_Flds.h"
#include "designer/FR_Dict.h"
#include "designer/FR_Dialogs.h"
#include "designer/FR_Expr.h"
#include "platform/utf8.h"
#include <QTabWidget>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include "report/FR_Ctrls.h"
#include <QCheckBox>
#include <QRadioButton>
#include <QFontMetrics>
#include "designer/FR_Insp.h"
#include "platform/data/ado.h"
#include "report/FR_DBSet.h"
#include "tests/designer/window_fixture.h"
#include "tests/support/scripted_ui.h"

namespace designtest {
namespace {

class FieldListTest : public DesignerWindowFixture {
 protected:
  void SetUp() override {
    DesignerWindowFixture::SetUp();
    conn.ConnectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1/bills.mdb").arg(dir.path());
    conn.Open();
    conn.Execute(QString::fromUtf8("create table 收费 (号 integer, 名称 text, 金额 money)"));
    query.SetConnection(&conn);
    query.SQL.Add(QString::fromUtf8("select * from 收费"));
    source = new TfrDBDataSet(&owner);
    source->setObjectName(QStringLiteral("frDS_HT"));
    source->SetDataSet(&query);
    report->Dictionary.Owner = &owner;
    report->Dictionary.SourceTitles.PutValue(QStringLiteral("frDS_HT"), Variant(QString::fromUtf8("收费表")));
    LastFieldListSource().clear();
    LastPickerSource().clear();
  }
  QTemporaryDir dir;
  TADOConnection conn;
  TADOQuery query;
  TfrDBDataSet* source = nullptr;
};

TEST_F(FieldListTest, AFieldDroppedOnThePageBecomesATextObject) {
  ScriptedUi ui;
  open();
  form->action("FieldListItem")->trigger();
  TfrInsFieldsForm* list = form->FieldList;
  ASSERT_TRUE(list && list->isVisible());
  ASSERT_EQ(list->DatasetsLB->count(), 1);
  EXPECT_EQ(list->DatasetsLB->item(0)->text(), QString::fromUtf8("收费表"));
  const auto found = list->FieldsLB->findItems(QString::fromUtf8("名称"), Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  list->FieldsLB->setCurrentItem(found[0]);

  // The drag's data, delivered to the page as the window system would.
  std::unique_ptr<QMimeData> data(new QMimeData);
  {
    QMimeData* made = list->FieldsLB->model()->mimeData(list->FieldsLB->selectionModel()->selectedIndexes());
    ASSERT_TRUE(made);
    data.reset(made);
  }
  const QPoint at(204, 304);
  const int before = int(form->Model().Page()->Objects.size());
  QDragEnterEvent enter(at, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form->DesignSurface, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_TRUE(form->Surface().GhostShown);
  QDropEvent drop(QPointF(at), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form->DesignSurface, &drop);
  ASSERT_EQ(int(form->Model().Page()->Objects.size()), before + 1);
  TfrView* v = form->Model().TopSelected();
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Typ, gtMemo);
  EXPECT_EQ(v->Memo, QStringList{QString::fromUtf8("[收费表.\"名称\"]")});
  EXPECT_EQ(v->Left, 200);
  EXPECT_EQ(v->Top, 300);
  EXPECT_EQ(list->DropText, QString::fromUtf8("收费表.\"名称\""));

  // The designer with the inspector and the field list floating at its right edge.
  form->ShowInspector();
  QCoreApplication::processEvents();
  QImage shot = form->grab().toImage();
  {
    QPainter p(&shot);
    const QPixmap insp = form->Inspector->grab();
    const QPixmap fields = list->grab();
    const int x = shot.width() - insp.width() - 10;
    p.drawPixmap(x, 90, insp);
    p.drawPixmap(x - fields.width() - 10, 90, fields);
  }
  shot.save(QCoreApplication::applicationDirPath() + QStringLiteral("/designer_inspector_fields.png"));
  EXPECT_TRUE(ui.modalWindows().isEmpty());   // a dropped field is not opened for editing
  form->Undo();
  EXPECT_EQ(int(form->Model().Page()->Objects.size()), before);

  // A second request keeps the list and its source.
  form->action("FieldListItem")->trigger();
  EXPECT_EQ(form->FieldList, list);
  EXPECT_EQ(LastFieldListSource(), QString::fromUtf8("收费表"));
}

TEST_F(FieldListTest, ThePickerGivesTheChosenFieldInBrackets) {
  ScriptedUi ui;
  open();
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrFieldsForm*>(d);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->DatasetsLB->count(), 1);
    f->FieldsLB->setCurrentRow(f->FieldsLB->count() - 1);
    f->accept();
  });
  QString text;
  form->PickField(text);
  EXPECT_EQ(text, QString::fromUtf8("[收费表.\"金额\"]"));
  ui.onModal([](QDialog* d) { d->reject(); });
  form->PickField(text);
  EXPECT_EQ(text, QString());
  // No source at all: nothing to pick.
  report->Dictionary.Owner = nullptr;
  source->setParent(nullptr);
  delete source;
  source = nullptr;
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrFieldsForm*>(d);
    EXPECT_EQ(f->FieldsLB->count(), 0);
    d->accept();
  });
  form->PickField(text);
  EXPECT_EQ(text, QString());
}

}  // namespace
}  // namespace designtest

namespace designtest {
namespace {

class BandEditorTest : public FieldListTest {
 protected:
  TfrBandView* addBand(const QString& name, int kind, int top, const QString& source = QString()) {
    auto* b = static_cast<TfrBandView*>(report->Pages[0]->Add(CreateViewByType(gtBand)));
    b->Name = name;
    b->SetBandKind(kind);
    b->SetBounds(0, top, 700, 30);
    b->FormatStr = source;
    return b;
  }
  // Opens the band's editor as Enter on the selected band does.
  void editWithKey(TfrView* band) {
    form->Model().SelectOnly(band);
    form->Refresh();
    QTest::keyClick(form->DesignSurface, Qt::Key_Return);
  }
};

TEST_F(BandEditorTest, DataBandSourcesVirtualCountsAndTitles) {
  TfrBandView* master = addBand("MasterData1", 5, 200, "12");
  TfrBandView* detail = addBand("DetailData1", 8, 300, "0");
  ScriptedUi ui;
  open();
  // 12 records of the virtual source; confirmed unchanged it stays 12 and records no step.
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrBandEditorForm*>(d);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->LB1->currentItem()->text(), QString::fromUtf8("虚拟数据集"));
    EXPECT_EQ(f->Edit1->text(), "12");
    EXPECT_TRUE(f->Edit1->isEnabled());
    f->accept();
  });
  const int steps = form->Model().UndoCount();
  editWithKey(master);
  EXPECT_EQ(master->DataSource(), "12");
  EXPECT_EQ(form->Model().UndoCount(), steps);

  // "0" is no number: none is shown; choosing the titled source stores its own name.
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrBandEditorForm*>(d);
    EXPECT_EQ(f->LB1->currentRow(), 0);
    EXPECT_FALSE(f->Edit1->isEnabled());
    const auto items = f->LB1->findItems(QString::fromUtf8("收费表"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    f->LB1->setCurrentItem(items[0]);
    f->accept();
  });
  editWithKey(detail);
  EXPECT_EQ(detail->DataSource(), "frDS_HT");
  form->Undo();
  EXPECT_EQ(static_cast<TfrBandView*>(obj("DetailData1"))->DataSource(), "0");
  // Cancel changes nothing.
  ui.onModal([](QDialog* d) { d->reject(); });
  editWithKey(obj("MasterData1"));
  EXPECT_EQ(static_cast<TfrBandView*>(obj("MasterData1"))->DataSource(), "12");
}

TEST_F(BandEditorTest, GroupConditionAndCrossBandSources) {
  TfrBandView* group = addBand("GroupHeader1", 16, 100, "[a]");
  addBand("PageHeader1", 2, 20);
  addBand("MasterData1", 5, 200, "frDS_HT");
  addBand("DetailData1", 8, 300);
  TfrBandView* cross = addBand("CrossData1", kBandCrossData, 0, "frDS_HT");
  cross->SetBounds(400, 0, 40, 500);
  ScriptedUi ui;
  open();
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrGroupEditorForm*>(d);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Edit1->text(), "[a]");
    f->Edit1->setText(QString::fromUtf8("[收费表.\"名称\"]"));
    f->accept();
  });
  editWithKey(group);
  EXPECT_EQ(group->FormatStr, QString::fromUtf8("[收费表.\"名称\"]"));
  form->Undo();
  EXPECT_EQ(static_cast<TfrBandView*>(obj("GroupHeader1"))->FormatStr, "[a]");

  // The single-source form shows that source for every listed band (page header is not
  // listed); the second band gets 5 virtual records.
  ui.onModal([](QDialog* d) {
    auto* f = qobject_cast<TfrVBandEditorForm*>(d);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->LB1->count(), 3);   // group header, master data, detail data
    EXPECT_EQ(f->CB1->currentText(), QString::fromUtf8("收费表"));
    f->LB1->setCurrentRow(2);
    EXPECT_EQ(f->CB1->currentText(), QString::fromUtf8("收费表"));
    f->CB1->setCurrentIndex(1);
    f->Edit1->setText("5");
    f->accept();
  });
  editWithKey(obj("CrossData1"));
  EXPECT_EQ(static_cast<TfrBandView*>(obj("CrossData1"))->DataSource(),
            "GroupHeader1=frDS_HT;MasterData1=frDS_HT;DetailData1=5;");

  // Reading the entries back: each band finds its own entry, not one ending in its name.
  TfrVBandEditorForm probe(report);
  ASSERT_TRUE(probe.Prepare(form->Model().Page(), "XDetailData1=7;DetailData1=3;MasterData1=0;"));
  // The band shown when OK is pressed stores the shown choice: none is stored as its entry.
  EXPECT_EQ(probe.SourcesText(), QString::fromUtf8("GroupHeader1=[无];MasterData1=0;DetailData1=3;"));
}

// The band dialogs as the operator meets them: the band tool clicked on the page asks for the
// kind (a radio button clicked, OK clicked), a double click on a band opens its source, cross
// source or group editor, where entries are clicked, numbers typed, Enter and double clicks
// confirm and Esc cancels.
TEST_F(BandEditorTest, BandDialogsDrivenByMouseAndKeys) {
  addBand("PageHeader1", 2, 20);
  addBand("DetailData1", 8, 300);
  TfrBandView* cross = addBand("CrossData1", kBandCrossData, 0, "frDS_HT");
  cross->SetBounds(600, 0, 40, 500);
  TfrBandView* group = addBand("GroupHeader1", 16, 100, "[a]");
  ScriptedUi ui;
  open();
  auto activate = [](QWidget* w) {
    w->activateWindow();
    QApplication::setActiveWindow(w);
    EXPECT_TRUE(QTest::qWaitForWindowActive(w));
  };
  auto clickRow = [](QListWidget* list, int row) {
    ASSERT_LT(row, list->count());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
  };
  auto typeInto = [](QLineEdit* e, const QString& text) {
    QTest::mouseClick(e, Qt::LeftButton);
    QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e, text);
  };
  // A double click as the window system sends it: press, release, press (a double click),
  // release, through the window.
  auto dclick = [](QWidget* w, QPoint p) {
    QTest::mouseDClick(w->window()->windowHandle(), Qt::LeftButton, {}, w->mapTo(w->window(), p));
  };
  auto doubleClick = [&](TfrView* band) {
    dclick(form->DesignSurface, QPoint(band->Left + std::min(200, band->Width / 2), band->Top + band->Height / 2));
  };
  const QString none = u("[无]"), virt = u("虚拟数据集");

  // 1. The band tool: the page header is taken, 主项数据 is clicked, OK.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrBandTypesForm*>(d);
    ASSERT_NE(f, nullptr);
    activate(d);
    EXPECT_FALSE(f->Kinds[2]->isEnabled());
    EXPECT_TRUE(f->Kinds[8]->isEnabled());
    for (QRadioButton* b : f->Kinds) {   // every kind name is shown whole
      EXPECT_GE(b->width(), b->fontMetrics().horizontalAdvance(b->text()) + 16) << b->text().toStdString();
      EXPECT_LE(b->geometry().right(), f->GB1->width());
    }
    QTest::mouseClick(f->Kinds[5], Qt::LeftButton, {}, QPoint(6, f->Kinds[5]->height() / 2));
    EXPECT_TRUE(f->Kinds[5]->isChecked());
    QTest::mouseClick(d->findChild<QPushButton*>("Button1") ? d->findChild<QPushButton*>("Button1")
                                                            : d->findChildren<QPushButton*>().first(),
                      Qt::LeftButton);
  });
  // 2. Made, the band opens its source editor (edit after insert): 虚拟数据集 clicked, 12
  //    typed, Enter.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrBandEditorForm*>(d);
    ASSERT_NE(f, nullptr);
    activate(d);
    EXPECT_EQ(f->LB1->currentRow(), 0);
    EXPECT_FALSE(f->Edit1->isEnabled());
    clickRow(f->LB1, 1);
    ASSERT_TRUE(f->Edit1->isEnabled());
    typeInto(f->Edit1, "12");
    QTest::keyClick(f->Edit1, Qt::Key_Return);
    EXPECT_FALSE(d->isVisible());
  });
  QTest::mouseClick(form->findChild<QWidget*>("OB3"), Qt::LeftButton);
  QTest::mouseClick(form->DesignSurface, Qt::LeftButton, {}, QPoint(100, 420));
  TfrBandView* master = nullptr;
  for (auto& o : form->Model().Page()->Objects)
    if (o->Typ == gtBand && BandKindOf(o.get()) == 5) master = static_cast<TfrBandView*>(o.get());
  ASSERT_NE(master, nullptr);
  EXPECT_EQ(master->DataSource(), "12");
  // 3. Shown again as 12 virtual records; a double click on the titled source takes it.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrBandEditorForm*>(d);
    ASSERT_NE(f, nullptr);
    activate(d);
    EXPECT_EQ(f->LB1->currentItem()->text(), virt);
    EXPECT_EQ(f->Edit1->text(), "12");
    const auto titled = f->LB1->findItems(u("收费表"), Qt::MatchExactly);
    ASSERT_EQ(titled.size(), 1);
    const QRect r = f->LB1->visualItemRect(titled[0]);
    dclick(f->LB1->viewport(), r.center());
    EXPECT_FALSE(d->isVisible());
  });
  doubleClick(master);
  EXPECT_EQ(master->DataSource(), "frDS_HT");
  // Esc leaves it.
  ui.onModal([&](QDialog* d) {
    activate(d);
    clickRow(d->findChild<QListWidget*>("LB1"), 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  });
  doubleClick(master);
  EXPECT_EQ(master->DataSource(), "frDS_HT");

  // 4. The cross band: its single source shows for every band; the detail band gets 5
  //    virtual records typed in, kept when the operator clicks back to the first band.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrVBandEditorForm*>(d);
    ASSERT_NE(f, nullptr);
    activate(d);
    ASSERT_EQ(f->LB1->count(), 3);   // detail data, group header, master data
    EXPECT_EQ(f->CB1->currentText(), u("收费表"));
    clickRow(f->LB1, 0);
    EXPECT_EQ(f->CB1->currentText(), u("收费表"));
    f->CB1->setFocus();
    QTest::keyClick(f->CB1, Qt::Key_Home);
    QTest::keyClick(f->CB1, Qt::Key_Down);
    EXPECT_EQ(f->CB1->currentText(), virt);
    ASSERT_TRUE(f->Edit1->isEnabled());
    typeInto(f->Edit1, "5");
    clickRow(f->LB1, 1);
    EXPECT_EQ(f->CB1->currentText(), u("收费表"));
    EXPECT_FALSE(f->Edit1->isEnabled());
    clickRow(f->LB1, 0);
    EXPECT_EQ(f->CB1->currentText(), virt);
    EXPECT_EQ(f->Edit1->text(), "5");
    clickRow(f->LB1, 2);
    f->CB1->setFocus();
    QTest::keyClick(f->CB1, Qt::Key_Home);
    EXPECT_EQ(f->CB1->currentText(), none);
    QTest::mouseClick(d->findChildren<QPushButton*>().first(), Qt::LeftButton);
  });
  doubleClick(cross);
  EXPECT_EQ(cross->DataSource(), "DetailData1=5;GroupHeader1=frDS_HT;" + master->Name + u("=[无];"));

  // 5. The group condition: the builder from "...", its text typed, then OK with Enter.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrGroupEditorForm*>(d);
    ASSERT_NE(f, nullptr);
    activate(d);
    EXPECT_EQ(f->Edit1->text(), "[a]");
    ui.onModal([&](QDialog* b) {
      auto* x = qobject_cast<TfrExprForm*>(b);
      ASSERT_NE(x, nullptr);
      activate(b);
      x->ExprMemo->setFocus();
      QInputMethodEvent commit;
      commit.setCommitString(u("户号"));
      QApplication::sendEvent(x->ExprMemo, &commit);
      QTest::mouseClick(x->Button1, Qt::LeftButton);
    });
    QTest::mouseClick(f->ExprBtn, Qt::LeftButton);
    EXPECT_EQ(f->Edit1->text(), u("[户号]"));
    QTest::keyClick(f->Edit1, Qt::Key_Return);
  });
  doubleClick(group);
  EXPECT_EQ(group->FormatStr, u("[户号]"));
}

}  // namespace
}  // namespace designtest

namespace designtest {
namespace {

class InsertFieldsTest : public FieldListTest {
 protected:
  // Opens the insert-fields dialog with the extra tool's button and chooses `fields` (and the
  // options) there.
  void insert(const QStringList& fields, bool headers, bool horizontal, bool bands, bool ok = true) {
    ScriptedUi ui;
    ui.onModal([&](QDialog* d) {
      auto* f = qobject_cast<TfrInsertFieldsForm*>(d);
      ASSERT_NE(f, nullptr);
      EXPECT_EQ(f->DatasetCB->currentText(), QString::fromUtf8("收费表"));
      for (const QString& name : fields) {
        const auto found = f->FieldsL->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        QTest::mouseClick(f->FieldsL->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          f->FieldsL->visualItemRect(found[0]).center());
      }
      f->HeaderCB->setChecked(headers);
      (horizontal ? f->HorzRB : f->VertRB)->setChecked(true);
      f->BandCB->setChecked(bands);
      if (headers && horizontal && bands) {
        QCoreApplication::processEvents();
        f->grab().save(QCoreApplication::applicationDirPath() + "/designer_insert_fields.png");
      }
      QTest::mouseClick(ok ? f->Button1 : f->Button2, Qt::LeftButton);
    });
    TfrSpeedButton* b = form->button("InsFieldsBtn");
    ASSERT_TRUE(b && b->isVisible());
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
  }
  QList<TfrView*> objects(uint8_t typ) {
    QList<TfrView*> list;
    for (auto& o : form->Model().Page()->Objects)
      if (o->Typ == typ) list << o.get();
    return list;
  }
  static QString u(const char* s) { return QString::fromUtf8(s); }
};

TEST_F(InsertFieldsTest, HeadersDataAndBandsAcrossThePage) {
  query.Open();
  query.FindField(u("名称"))->SetDisplayWidth(300);   // counts as 6 characters
  open();
  const size_t before = form->Model().Page()->Objects.size();
  insert({u("号"), u("名称")}, true, true, true);
  TfrPage* page = form->Model().Page();
  ASSERT_EQ(page->Objects.size(), before + 6);   // 2 headers, 2 data objects, 2 bands
  TfrView* header = nullptr;
  TfrView* data = nullptr;
  for (auto& o : page->Objects) {
    if (o->Memo == QStringList{u("名称")}) header = o.get();
    if (o->Memo == QStringList{u("[收费表.\"名称\"]")}) data = o.get();
  }
  ASSERT_TRUE(header && data);
  EXPECT_TRUE(static_cast<TfrMemoView*>(header)->Font.style() & fsBold);
  EXPECT_EQ(data->Left, header->Left);
  EXPECT_EQ(data->Top, header->Top + 72);
  const int grid = form->Model().Settings.GridSize;
  QFont f = static_cast<TfrMemoView*>(data)->Font.toQFont();
  f.setPixelSize(static_cast<TfrMemoView*>(data)->PixelFontHeight());
  const int six = 6 * QFontMetrics(f).horizontalAdvance('=');
  EXPECT_EQ(data->Width, std::max(grid, six - six % grid));
  QList<int> kinds;
  TfrBandView* master = nullptr;
  for (TfrView* b : objects(gtBand)) {
    kinds << BandKindOf(b);
    if (BandKindOf(b) == 5) master = static_cast<TfrBandView*>(b);
  }
  std::sort(kinds.begin(), kinds.end());
  EXPECT_EQ(kinds, (QList<int>{2, 5}));
  ASSERT_NE(master, nullptr);
  EXPECT_EQ(master->DataSource(), "frDS_HT");
  // One undo step takes everything away.
  form->Undo();
  EXPECT_EQ(form->Model().Page()->Objects.size(), before);

  // With a page header already there, only the master data band is added.
  TfrView* ph = form->Model().Page()->Add(CreateViewByType(gtBand));
  static_cast<TfrBandView*>(ph)->SetBandKind(2);
  ph->Name = "PageHeader1";
  ph->SetBounds(0, 20, 700, 20);
  insert({u("金额")}, true, true, true);
  EXPECT_EQ(objects(gtBand).size(), 2);
}

TEST_F(InsertFieldsTest, DownThePageWithoutHeadersAndNothingOnCancelOrADialogPage) {
  open();
  const size_t before = form->Model().Page()->Objects.size();
  insert({u("号"), u("金额")}, false, false, true, false);
  EXPECT_EQ(form->Model().Page()->Objects.size(), before);
  insert({}, false, false, true);   // no field chosen
  EXPECT_EQ(form->Model().Page()->Objects.size(), before);
  insert({u("号"), u("金额")}, false, false, false);
  QList<TfrView*> added;
  for (TfrView* m : objects(gtMemo))
    if (m->Memo.join("").startsWith(u("[收费表."))) added << m;
  ASSERT_EQ(added.size(), 2);
  EXPECT_EQ(added[0]->Left, added[1]->Left);
  EXPECT_EQ(added[1]->Top, added[0]->Top + added[0]->Height + form->Model().Settings.GridSize);
  EXPECT_TRUE(objects(gtBand).isEmpty());
  // A dialog page: the tool does nothing, no dialog opens.
  form->action("N15")->trigger();
  ScriptedUi ui;
  form->InsertFields();
  EXPECT_TRUE(ui.modalWindows().isEmpty());
}

}  // namespace
}  // namespace designtest

namespace designtest {
namespace {

class DictionaryTitlesTest : public FieldListTest {
 protected:
  void SetUp() override {
    FieldListTest::SetUp();
    records = new TADOQuery(&owner);
    records->setObjectName("qShoufei");
    records->SetConnection(&conn);
    records->SQL.Add(QString::fromUtf8("select * from 收费"));
  }
  static QTreeWidgetItem* child(QTreeWidgetItem* parent, const QString& startsWith) {
    for (int i = 0; i < parent->childCount(); ++i)
      if (parent->child(i)->text(0).startsWith(startsWith)) return parent->child(i);
    return nullptr;
  }
  static void retitle(TfrTitlesPage* page, QTreeWidgetItem* node, const QString& title) {
    page->Tree->setCurrentItem(node);
    page->Tree->setFocus();
    QTest::keyClick(page->Tree, Qt::Key_Return);   // to the title box
    page->TitleEdit->selectAll();
    QTest::keyClick(page->TitleEdit, Qt::Key_Delete);
    for (QChar c : title) QTest::sendKeyEvent(QTest::Click, page->TitleEdit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    QTest::keyClick(page->TitleEdit, Qt::Key_Return);   // stored, back to the tree
  }
  TADOQuery* records = nullptr;
  static QString u(const char* s) { return QString::fromUtf8(s); }
};

TEST_F(DictionaryTitlesTest, RecordSetFieldAndSourceTitlesAreEditedOnCopies) {
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    ASSERT_NE(f, nullptr);
    TfrTitlesPage* sets = f->TabSheet2;
    f->PageControl1->setCurrentWidget(sets);
    ASSERT_EQ(sets->AllLB->findItems("qShoufei", Qt::MatchExactly).size(), 1);
    sets->AllLB->findItems("qShoufei", Qt::MatchExactly)[0]->setSelected(true);
    QTest::mouseClick(sets->AddBtn, Qt::LeftButton);
    QTreeWidgetItem* root = sets->Tree->topLevelItem(0);
    EXPECT_EQ(root->text(0), u("数据集及字段"));
    QTreeWidgetItem* set = child(root, "qShoufei");
    ASSERT_NE(set, nullptr);
    set->setExpanded(true);
    ASSERT_EQ(set->childCount(), 3);
    retitle(sets, child(set, u("名称")), u("户名"));
    EXPECT_EQ(child(set, u("名称"))->text(0), u("名称 {户名}"));
    sets->Tree->setCurrentItem(child(set, u("号")));
    QTest::keyClick(sets->Tree, Qt::Key_Space);   // excluded from the lists
    EXPECT_TRUE(sets->ExcludeCB->isChecked());
    QCoreApplication::processEvents();
    d->grab().save(QCoreApplication::applicationDirPath() + "/designer_dict_fields.png");

    TfrTitlesPage* sources = f->TabSheet3;
    f->PageControl1->setCurrentWidget(sources);
    QTreeWidgetItem* ds = child(sources->Tree->topLevelItem(0), "frDS_HT");
    ASSERT_NE(ds, nullptr);
    EXPECT_EQ(ds->text(0), u("frDS_HT {收费表}"));
    retitle(sources, ds, u("费用"));
    QCoreApplication::processEvents();
    d->grab().save(QCoreApplication::applicationDirPath() + "/designer_dict_sources.png");
    QTest::mouseClick(f->Button1, Qt::LeftButton);
  });
  ASSERT_TRUE(EditDictionary(&report->Dictionary, nullptr));
  const TfrVariables& ft = report->Dictionary.FieldTitles;
  EXPECT_EQ(ft.Names(), (QStringList{"qShoufei", u("qShoufei.名称"), u("qShoufei.号")}));
  EXPECT_EQ(ft.ValueOf(u("qShoufei.名称")).toString(), u("户名"));
  EXPECT_EQ(ft.ValueOf(u("qShoufei.号")).toString(), QString());
  EXPECT_EQ(report->Dictionary.SourceTitles.ValueOf("frDS_HT").toString(), u("费用"));

  // "<<" empties the copy; Cancel keeps the dictionary, OK writes the empty list.
  for (bool ok : {false, true}) {
    ui.onModal([&](QDialog* d) {
      auto* f = qobject_cast<TfrDictForm*>(d);
      QTest::mouseClick(f->TabSheet2->RemoveAllBtn, Qt::LeftButton);
      EXPECT_EQ(f->TabSheet2->Tree->topLevelItem(0)->childCount(), 0);
      EXPECT_EQ(f->TabSheet2->AllLB->count(), 1);
      QTest::mouseClick(ok ? f->Button1 : f->Button2, Qt::LeftButton);
    });
    EXPECT_EQ(EditDictionary(&report->Dictionary, nullptr), ok);
    EXPECT_EQ(report->Dictionary.FieldTitles.EntryCount(), ok ? 0 : 3);
  }
  // "<" puts a source back into the list of all sources, and bands are offered every source.
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    TfrTitlesPage* sources = f->TabSheet3;
    sources->Tree->setCurrentItem(child(sources->Tree->topLevelItem(0), "frDS_HT"));
    QTest::mouseClick(sources->RemoveBtn, Qt::LeftButton);
    EXPECT_EQ(sources->AllLB->findItems("frDS_HT", Qt::MatchExactly).size(), 1);
    QTest::mouseClick(f->Button1, Qt::LeftButton);
  });
  ASSERT_TRUE(EditDictionary(&report->Dictionary, nullptr));
  EXPECT_EQ(report->Dictionary.SourceTitles.EntryCount(), 0);
}


// A drag with the left button from `from` in `source`'s viewport to `to` in `target`: the
// pressed button keeps the mouse with the source, so every event goes there.
void mouseDrag(QAbstractItemView* source, QPoint from, QWidget* target, QPoint to) {
  QWidget* vp = source->viewport();
  QTest::mousePress(vp, Qt::LeftButton, {}, from);
  QTest::mouseMove(vp, from + QPoint(2, 1));   // not yet a drag
  QTest::mouseMove(vp, from + QPoint(QApplication::startDragDistance() + 3, 0));
  const QPoint end = vp->mapFromGlobal(target->mapToGlobal(to));
  QTest::mouseMove(vp, end);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, end);
}

TEST_F(DictionaryTitlesTest, NamesAreDraggedBetweenTheListAndTheTree) {
  ScriptedUi ui;
  ui.onModal([&](QDialog* d) {
    auto* f = qobject_cast<TfrDictForm*>(d);
    ASSERT_NE(f, nullptr);
    struct Case {
      TfrTitlesPage* page;
      const char* name;
    } cases[] = {{f->TabSheet2, "qShoufei"}, {f->TabSheet3, "frDS_HT"}};
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      TfrTitlesPage* page = c.page;
      f->PageControl1->setCurrentWidget(page);
      QCoreApplication::processEvents();
      QTreeWidgetItem* root = page->Tree->topLevelItem(0);
      QWidget* listArea = page->AllLB->viewport();
      QWidget* treeArea = page->Tree->viewport();
      auto inList = [&] { return page->AllLB->findItems(c.name, Qt::MatchExactly).size() == 1; };
      auto node = [&] { return child(root, c.name); };
      auto listPoint = [&] {
        return page->AllLB->visualItemRect(page->AllLB->findItems(c.name, Qt::MatchExactly)[0]).center();
      };
      auto nodePoint = [&](QTreeWidgetItem* n) { return page->Tree->visualItemRect(n).center(); };
      const QPoint outside(-30, -30);   // above both halves
      // The record set starts in the list (field titles) or under the root (band sources).
      if (!inList()) {
        ASSERT_NE(node(), nullptr);
        mouseDrag(page->Tree, nodePoint(node()), treeArea, treeArea->rect().bottomRight() - QPoint(3, 3));
        EXPECT_NE(node(), nullptr);   // released on the tree it left: nothing
        mouseDrag(page->Tree, nodePoint(node()), page->AllLB, outside);
        EXPECT_NE(node(), nullptr);   // released outside: nothing
        mouseDrag(page->Tree, nodePoint(node()), listArea, listArea->rect().center());
        EXPECT_TRUE(inList());
        EXPECT_EQ(node(), nullptr);
      }
      ASSERT_TRUE(inList());
      // Released over the list itself or outside the page: nothing moves.
      mouseDrag(page->AllLB, listPoint(), listArea, listArea->rect().bottomRight() - QPoint(3, 3));
      mouseDrag(page->AllLB, listPoint(), treeArea, outside);
      EXPECT_TRUE(inList());
      EXPECT_EQ(node(), nullptr);
      mouseDrag(page->AllLB, listPoint(), treeArea, treeArea->rect().center());
      EXPECT_FALSE(inList());
      ASSERT_NE(node(), nullptr);
      // A field dragged back takes its record set with it; the root alone carries nothing.
      QTreeWidgetItem* set = node();
      set->setExpanded(true);
      if (set->childCount() > 0) {
        mouseDrag(page->Tree, nodePoint(set->child(0)), listArea, listArea->rect().center());
        EXPECT_TRUE(inList());
        EXPECT_EQ(node(), nullptr);
        mouseDrag(page->AllLB, listPoint(), treeArea, treeArea->rect().center());
      }
      mouseDrag(page->Tree, nodePoint(root), listArea, listArea->rect().center());
      ASSERT_NE(node(), nullptr);
    }
    QTest::mouseClick(f->Button1, Qt::LeftButton);
  });
  ASSERT_TRUE(EditDictionary(&report->Dictionary, nullptr));
  // Both record sets end up listed, with no titles.
  EXPECT_EQ(report->Dictionary.FieldTitles.Names(), QStringList{"qShoufei"});
  EXPECT_EQ(report->Dictionary.SourceTitles.Names(), QStringList{"frDS_HT"});
  EXPECT_EQ(report->Dictionary.SourceTitles.ValueOf("frDS_HT").toString(), QString());
}

}  // namespace
}  // namespace designtest
