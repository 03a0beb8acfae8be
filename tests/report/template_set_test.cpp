// A small set of templates built in code (a payment list, a receipt with a picture, a grouped
// statement with a dialog page), used by the template file tests, and checks that each set member
// survives a file round trip.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "report/FR_Class.h"
#include "tests/support/work_folder.h"

namespace templateset {

TfrBandView* addBand(TfrPage* page, int kind, const QString& name, int top, int height) {
  auto* b = static_cast<TfrBandView*>(page->Add(CreateViewByType(gtBand)));
  b->Name = name;
  b->SetBandKind(kind);
  b->SetBounds(0, top, 718, height);
  return b;
}

TfrMemoView* addText(TfrPage* page, const QString& name, QRect r, const QStringList& memo) {
  auto* m = static_cast<TfrMemoView*>(page->Add(CreateViewByType(gtMemo)));
  m->Name = name;
  m->SetBounds(r.x(), r.y(), r.width(), r.height());
  m->Memo = memo;
  return m;
}

QImage testImage(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) img.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 128));
  return img;
}

// A payment list: title, page header, master data over a record source, footer with a sum,
// page footer with the page number.
void BuildPaymentList(TfrReport& r) {
  r.ClearTemplate();
  TfrPage* p = r.AppendPage();
  p->Name = "Page1";
  p->pgSize = 9;
  p->pgWidth = 2100;
  p->pgHeight = 2970;
  p->LeftMargin = p->TopMargin = p->RightMargin = p->BottomMargin = 36;
  p->Script = {"PageNo := PageNo + 1;"};
  addBand(p, 0, "ReportTitle1", 20, 40);
  auto* title = addText(p, "Title", {200, 26, 320, 28}, {"缴费清单 [DATE]"});
  title->Font.setName("黑体");
  title->Font.setSize(16);
  title->Font.setStyle(fsBold);
  title->Alignment = frtaCenter | frtaMiddle;
  title->FrameTyp = 0;
  addBand(p, 2, "PageHeader1", 80, 24);
  const char* heads[] = {"房号", "业主", "金额"};
  for (int i = 0; i < 3; ++i) {
    auto* h = addText(p, QString("Head%1").arg(i + 1), {40 + i * 200, 82, 200, 20}, {heads[i]});
    h->FrameTyp = 15;
    h->FrameWidth = 1.5;
    h->FillColor = 0xE0E0E0;
  }
  auto* data = addBand(p, 5, "MasterData1", 120, 20);
  data->FormatStr = "通用";
  data->Flags |= 1 << 3;
  data->Columns = 2;
  data->ColumnWidth = 300;
  data->Script = {"if [通用.\"金额\"] < 0 then Memo3.Font.Color := clRed"};
  addText(p, "Memo1", {40, 120, 200, 20}, {"[通用.\"房号\"]"});
  auto* owner = addText(p, "Memo2", {240, 120, 200, 20}, {"[通用.\"业主\"]"});
  owner->Flags |= flSuppressRepeated;
  auto* amount = addText(p, "Memo3", {440, 120, 200, 20}, {"[通用.\"金额\"]"});
  amount->Format = 0x01010200u | '.';
  amount->Alignment = frtaRight;
  amount->HighlightCondition = "[通用.\"金额\"] > 1000";
  amount->HighlightColor = 0xFF;
  amount->HighlightFill = 0xC0FFC0;
  amount->Flags |= flHideZeros;
  auto* footer = addBand(p, 6, "MasterFooter1", 160, 30);
  footer->ChildBand = "Child1";
  addBand(p, 21, "Child1", 200, 20);
  auto* sum = addText(p, "Sum", {440, 164, 200, 22}, {"合计: [SUM([通用.\"金额\"])]"});
  sum->Tag = "[金额合计]";
  auto* rule = static_cast<TfrLineView*>(p->Add(CreateViewByType(gtLine)));
  rule->Name = "Line1";
  rule->SetBounds(40, 162, 600, 0);
  rule->FrameStyle = 5;
  rule->FrameWidth = 2;
  addBand(p, 3, "PageFooter1", 1000, 24);
  auto* pageNo = addText(p, "PageNo", {0, 1002, 200, 20}, {"第 [PAGE#] 页"});
  pageNo->BandAlign = 2;
  pageNo->Restrictions = 0x48;
  r.Dictionary.Variables.PutValue(" 金额", QString());
  r.Dictionary.Variables.PutValue("金额合计", "[SUM([通用.\"金额\"])]");
  r.Dictionary.FieldTitles.PutValue("通用.\"金额\"", "应缴金额");
  r.Dictionary.SourceTitles.PutValue("通用", "缴费");
  r.ReportName = "缴费清单";
  r.ReportAutor = "物业";
  r.ReportComment = "测试用";
  r.VMajor = "1";
  r.VBuild = "7";
}

// A receipt: a picture (JPEG) in the title, a sub-report on a second page, turned text.
void BuildReceipt(TfrReport& r) {
  r.ClearTemplate();
  TfrPage* p = r.AppendPage();
  p->Name = "Receipt";
  p->pgSize = 256;
  p->pgWidth = 2100;
  p->pgHeight = 1400;
  p->pgOr = 1;
  addBand(p, 0, "Title", 10, 120);
  auto* pic = static_cast<TfrPictureView*>(p->Add(CreateViewByType(gtPicture)));
  pic->Name = "Logo";
  pic->SetBounds(10, 12, 80, 60);
  pic->Picture.setImage(TfrPicture::Jpeg, testImage(32, 24));
  pic->Flags |= flPictCenter;
  pic->BlobType = 1;
  auto* turned = addText(p, "Side", {100, 12, 20, 100}, {"收款收据"});
  turned->Alignment = frtaVertical | frtaCenter;
  turned->LineSpacing = 4;
  turned->CharSpacing = 1;
  turned->Font.setName("宋体");
  auto* sub = static_cast<TfrSubReportView*>(p->Add(CreateViewByType(gtSubReport)));
  sub->Name = "SubReport1";
  sub->SetBounds(130, 12, 300, 80);
  sub->SubPage = 1;
  TfrPage* p2 = r.AppendPage();
  p2->Name = "Items";
  addBand(p2, 5, "ItemData", 10, 20)->FormatStr = "3";
  addText(p2, "Item", {10, 10, 300, 20}, {"项目 [LINE#]", "", "备注"});
  r.Password = "ab";
  r.Protected = false;
}

// A grouped statement with a dialog page and a bitmap picture.
void BuildStatement(TfrReport& r) {
  r.ClearTemplate();
  TfrPage* d = r.AppendPage();
  d->Name = "Dialog";
  d->PageType = ptDialog;
  d->Caption = "选择月份";
  d->BorderStyle = 2;
  d->Position = 4;
  d->Left = 100;
  d->Top = 80;
  d->Width = 300;
  d->Height = 200;
  TfrPage* p = r.AppendPage();
  p->Name = "Statement";
  auto* g = addBand(p, 16, "Group1", 40, 24);
  g->FormatStr = "[通用.\"楼号\"]";
  g->Master = "Data1";
  g->Flags |= 2 | 64;
  addBand(p, 5, "Data1", 80, 20)->FormatStr = "通用";
  addBand(p, 17, "GroupFooter1", 110, 20);
  auto* pic = static_cast<TfrPictureView*>(p->Add(CreateViewByType(gtPicture)));
  pic->Name = "Stamp";
  pic->SetBounds(600, 110, 40, 40);
  pic->Picture.setImage(TfrPicture::Bitmap, testImage(16, 16));
  auto* m = addText(p, "Note", {10, 42, 500, 20}, {"楼号: [通用.\"楼号\"]", "注: 逾期加收滞纳金"});
  m->Flags = flStretched | flWordWrap | flWordBreak | flUnderlines;
  m->Alignment = frtaJustify;
  m->GapX = 4;
  m->GapY = 3;
  m->FrameStyle = 2;
  r.DoublePassReport = true;
  r.PrintToDefault = true;
}

}  // namespace templateset

namespace templateset {

void ExpectSameTemplate(TfrReport& a, TfrReport& b, bool withInfo = true);

QByteArray recordOf(TfrView* v) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  StreamVersion() = 25;
  const uint8_t minor = v->VersionMinor;
  v->StoreRecord(b);
  v->VersionMinor = minor;
  return b.data();
}

// Every page setting, every object with every declared property and its whole record, the
// dictionary and the report information.
void ExpectSameTemplate(TfrReport& a, TfrReport& b, bool withInfo) {
  ASSERT_EQ(a.Pages.size(), b.Pages.size());
  EXPECT_EQ(a.PrintToDefault, b.PrintToDefault);
  EXPECT_EQ(a.DoublePassReport, b.DoublePassReport);
  for (size_t i = 0; i < a.Pages.size(); ++i) {
    TfrPage& p = *a.Pages[i];
    TfrPage& q = *b.Pages[i];
    const QString where = "page " + p.Name;
    EXPECT_EQ(p.Name, q.Name);
    EXPECT_EQ(std::tie(p.pgSize, p.pgWidth, p.pgHeight, p.LeftMargin, p.TopMargin, p.RightMargin, p.BottomMargin),
              std::tie(q.pgSize, q.pgWidth, q.pgHeight, q.LeftMargin, q.TopMargin, q.RightMargin, q.BottomMargin))
        << where.toStdString();
    EXPECT_EQ(std::tie(p.pgOr, p.pgBin, p.PrintToPrevPage, p.UseMargins, p.Columns, p.ColumnGap, p.PageType),
              std::tie(q.pgOr, q.pgBin, q.PrintToPrevPage, q.UseMargins, q.Columns, q.ColumnGap, q.PageType));
    EXPECT_EQ(std::tie(p.BorderStyle, p.Caption, p.Color, p.Left, p.Top, p.Width, p.Height, p.Position, p.Script),
              std::tie(q.BorderStyle, q.Caption, q.Color, q.Left, q.Top, q.Width, q.Height, q.Position, q.Script));
    ASSERT_EQ(p.Objects.size(), q.Objects.size()) << where.toStdString();
    for (size_t k = 0; k < p.Objects.size(); ++k) {
      TfrView* v = p.Objects[k].get();
      TfrView* w = q.Objects[k].get();
      const std::string name = v->Name.toStdString();
      ASSERT_EQ(v->Typ, w->Typ) << name;
      EXPECT_EQ(v->Name, w->Name);
      EXPECT_EQ(w->ParentPage, &q);
      for (const auto& prop : v->Properties()) {
        if (prop->name == "Picture") continue;   // a reference, compared below
        EXPECT_EQ(v->PropRead(prop->name), w->PropRead(prop->name)) << name << "." << prop->name.toStdString();
      }
      EXPECT_EQ(v->Script, w->Script) << name;
      EXPECT_EQ(v->Format, w->Format) << name;
      EXPECT_EQ(v->FormatStr, w->FormatStr) << name;
      EXPECT_EQ(v->Restrictions, w->Restrictions) << name;
      if (v->Typ == gtMemo) {
        auto* m = static_cast<TfrMemoView*>(v);
        auto* n = static_cast<TfrMemoView*>(w);
        EXPECT_EQ(m->Font.name(), n->Font.name());
        EXPECT_EQ(m->Font.style(), n->Font.style());
        EXPECT_EQ(m->Font.charset(), n->Font.charset());
        EXPECT_EQ(std::tie(m->HighlightCondition, m->HighlightColor, m->HighlightFill, m->HighlightStyle),
                  std::tie(n->HighlightCondition, n->HighlightColor, n->HighlightFill, n->HighlightStyle));
      }
      if (v->Typ == gtBand) {
        auto* x = static_cast<TfrBandView*>(v);
        auto* y = static_cast<TfrBandView*>(w);
        EXPECT_EQ(std::tie(x->ChildBand, x->Master, x->Columns, x->ColumnWidth, x->ColumnGap, x->NewColumnAfter),
                  std::tie(y->ChildBand, y->Master, y->Columns, y->ColumnWidth, y->ColumnGap, y->NewColumnAfter));
        EXPECT_EQ(x->BandKind(), y->BandKind());
      }
      if (v->Typ == gtPicture) {
        auto* x = static_cast<TfrPictureView*>(v);
        auto* y = static_cast<TfrPictureView*>(w);
        EXPECT_EQ(x->Picture.kind(), y->Picture.kind());
        EXPECT_EQ(x->Picture.streamForm(), y->Picture.streamForm());
        EXPECT_EQ(x->Picture.image().size(), y->Picture.image().size());
      }
      if (v->Typ == gtSubReport)
        EXPECT_EQ(static_cast<TfrSubReportView*>(v)->SubPage, static_cast<TfrSubReportView*>(w)->SubPage);
      EXPECT_EQ(recordOf(v), recordOf(w)) << name;
    }
  }
  for (auto list : {&TfrDataDictionary::Variables, &TfrDataDictionary::FieldTitles, &TfrDataDictionary::SourceTitles}) {
    TfrVariables& x = a.Dictionary.*list;
    TfrVariables& y = b.Dictionary.*list;
    ASSERT_EQ(x.EntryCount(), y.EntryCount());
    for (int i = 0; i < x.EntryCount(); ++i) {
      EXPECT_EQ(x.NameAt(i), y.NameAt(i));
      EXPECT_EQ(x.ValueAt(i).toString(), y.ValueAt(i).toString());
    }
  }
  if (!withInfo) return;
  EXPECT_EQ(std::tie(a.ReportComment, a.ReportName, a.ReportAutor, a.VMajor, a.VMinor, a.VRelease, a.VBuild),
            std::tie(b.ReportComment, b.ReportName, b.ReportAutor, b.VMajor, b.VMinor, b.VRelease, b.VBuild));
  EXPECT_EQ(a.Password, b.Password);
  EXPECT_EQ(a.Protected, b.Protected);
  EXPECT_DOUBLE_EQ(a.ReportDate, b.ReportDate);
}

}  // namespace templateset

TEST(ReportTemplateSet, EachTemplateSurvivesAFile) {
  WorkFolder folder;
  struct Case {
    const char* file;
    void (*build)(TfrReport&);
  };
  const Case cases[] = {{"payments.frf", templateset::BuildPaymentList},
                        {"receipt.frf", templateset::BuildReceipt},
                        {"statement.frf", templateset::BuildStatement}};
  for (const Case& c : cases) {
    TfrReport made;
    c.build(made);
    ASSERT_TRUE(made.SaveToFile(folder.file(c.file))) << c.file;
    TfrReport read;
    ASSERT_TRUE(read.LoadFromFile(folder.file(c.file))) << c.file;
    SCOPED_TRACE(c.file);
    templateset::ExpectSameTemplate(made, read);
  }
}
