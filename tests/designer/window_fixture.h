#pragma once
// A report with one page and two text objects saved in a work folder, and the designer window
// opened on it.
#include <gtest/gtest.h>

#include <QTest>

#include <QTableWidget>

#include "designer/FR_Desgn.h"
#include "designer/FR_Insp.h"
#include "report/FR_Ctrls.h"
#include "tests/support/work_folder.h"

namespace designtest {

class DesignerWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUserSettingsFile(work.file("settings.ini"));
    ObjectClipboard().clear();
    report = new TfrReport(&owner);
    TfrPage* p = report->AppendPage();
    p->Name = "Page1";
    addText(p, "Memo1", 40, 40);
    addText(p, "Memo2", 40, 80);
    path = work.file(QString::fromUtf8("收据.frf"));
    ASSERT_TRUE(report->SaveToFile(path));
    report->FileName = path;
  }
  void TearDown() override {
    form.reset();
    ObjectClipboard().clear();
    SetUserSettingsFile(QString());
  }
  static TfrView* addText(TfrPage* p, const QString& name, int left, int top) {
    TfrView* v = p->Add(CreateViewByType(gtMemo));
    v->Name = name;
    v->SetBounds(left, top, 96, 20);
    v->Memo = QStringList{name};
    return v;
  }
  TfrDesignerForm* open(bool full = true) {
    form = std::make_unique<TfrDesignerForm>(report, full);
    form->resize(1100, 800);
    form->show();
    return form.get();
  }
  TfrView* obj(const QString& name) { return form->Model().Page()->FindObject(name); }
  QPoint at(TfrView* v, int dx = 5, int dy = 5) { return QPoint(v->Left + dx, v->Top + dy); }
  void clickObject(TfrView* v, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::mouseMove(form->DesignSurface, at(v));
    QTest::mouseClick(form->DesignSurface, Qt::LeftButton, mods, at(v));
  }

  // Clicks the inspector row named `row` (scrolled into view first); the row is then selected.
  void clickInspectorRow(const QString& row) {
    TfrInspForm* insp = form->Inspector;
    const int i = insp->FindRow(row);
    ASSERT_GE(i, 0) << row.toStdString();
    insp->Grid->scrollTo(insp->Grid->model()->index(i, 0));
    const QRect cell = insp->Grid->visualRect(insp->Grid->model()->index(i, 0));
    QTest::mouseClick(insp->Grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    ASSERT_EQ(insp->RowIndex, i);
  }

  WorkFolder work;
  QObject owner;
  TfrReport* report = nullptr;
  QString path;
  std::unique_ptr<TfrDesignerForm> form;
};

}  // namespace designtest
