#pragma once
// A report with one page of bands and text objects for the designer's tests, and helpers to
// read the page's state back.
#include <gtest/gtest.h>

#include <QStringList>

#include "designer/FR_DesignModel.h"
#include "report/FR_Ctrls.h"
#include "tests/support/work_folder.h"

namespace designtest {

class DesignFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    SetUserSettingsFile(work.file("settings.ini"));
    report = std::make_unique<TfrReport>();
    CurrentReport() = report.get();
    TfrPage* p = report->AppendPage();
    p->Name = "Page1";
    model = std::make_unique<TfrDesignModel>(report.get());
    model->SetCurrentPage(0);
  }
  void TearDown() override {
    model.reset();
    if (CurrentReport() == report.get()) CurrentReport() = nullptr;
    report.reset();
    SetUserSettingsFile(QString());
  }

  TfrPage* page() { return model->Page(); }
  TfrBandView* band(int kind, const QString& name, int top, int height) {
    auto* b = static_cast<TfrBandView*>(page()->Add(CreateViewByType(gtBand)));
    b->Name = name;
    b->SetBandKind(kind);
    b->SetBounds(0, top, 700, height);
    return b;
  }
  TfrMemoView* text(const QString& name, int left, int top, int width = 100, int height = 20) {
    auto* m = static_cast<TfrMemoView*>(page()->Add(CreateViewByType(gtMemo)));
    m->Name = name;
    m->SetBounds(left, top, width, height);
    m->Memo = QStringList{name};
    return m;
  }
  // Object names in drawing order.
  QStringList names() {
    QStringList n;
    for (auto& o : page()->Objects) n << o->Name;
    return n;
  }
  QStringList selectedNames() {
    QStringList n;
    for (TfrView* v : model->Selection()) n << v->Name;
    return n;
  }
  TfrView* obj(const QString& name) { return page()->FindObject(name); }

  WorkFolder work;
  std::unique_ptr<TfrReport> report;
  std::unique_ptr<TfrDesignModel> model;
};

}  // namespace designtest
