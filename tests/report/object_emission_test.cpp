// Objects during a build: text expansion, highlight, suppression of repeated values, split
// continuation, band alignment on emission, and the XML template attributes.
#include <gtest/gtest.h>

#include <QBuffer>

#include "report/FR_Class.h"

namespace {
// A report bound as the current one, answering names from a table.
struct BoundReport {
  TfrReport report;
  QMap<QString, Variant> values;
  BoundReport() {
    report.OnGetValue = [this](const QString& name, Variant& v) {
      if (values.contains(name.toUpper())) v = values[name.toUpper()];
    };
    report.Bind();
    CurrentReport() = &report;
    BuildMode() = true;
  }
  ~BoundReport() {
    BuildMode() = false;
    CurrentReport() = nullptr;
    report.Unbind();
  }
};

// Reads back what EmitToPage wrote: the type byte and the record.
std::unique_ptr<TfrMemoView> readEmitted(const QByteArray& bytes) {
  QBuffer b;
  b.setData(bytes);
  b.open(QIODevice::ReadOnly);
  EXPECT_EQ(frs::ReadU8(b), gtMemo);
  auto m = std::make_unique<TfrMemoView>();
  m->StreamMode = 1;
  StreamVersion() = 25;
  m->LoadRecord(b);
  EXPECT_EQ(b.pos(), b.size());
  return m;
}
QByteArray emitOf(TfrView& v) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  v.StreamMode = 1;
  v.EmitToPage(b);
  return b.data();
}
}  // namespace

TEST(ReportObjectEmission, TextExpansion) {
  BoundReport r;
  r.values["A"] = "[B]";
  r.values["B"] = "乙";
  r.values["TWO"] = "一\r\n二";
  r.values["ZERO"] = 0;
  struct Case {
    QStringList memo;
    uint16_t extraFlags;
    QStringList expected;
  };
  const QList<Case> cases = {
      {{"[A][B]"}, 0, {"[B]乙"}},                      // inserted text is not expanded again
      {{"Total: [B]"}, flTextOnly, {"Total: [B]"}},   // text only: printed as written
      {{"[TWO]"}, 0, {"一", "二"}},                    // a value with a line break: two lines
      {{"x", "", "y"}, 0, {"x", "", "y"}},
      {{"[B"}, 0, {"[B"}},                            // no closing bracket
      {{"[ZERO]"}, flHideZeros, {}},                  // zero hidden: an empty result is left out
      {{"[ZERO]"}, 0, {"0"}},
  };
  for (const Case& c : cases) {
    TfrMemoView m;
    m.Memo = c.memo;
    m.Flags |= c.extraFlags;
    m.ExpandMemo();
    EXPECT_EQ(m.EvaluatedMemo, c.expected) << c.memo.join("|").toStdString();
  }
}

TEST(ReportObjectEmission, EmittedRecordHoldsTheEvaluatedText) {
  BoundReport r;
  r.values["AMOUNT"] = 12.5;
  TfrMemoView m;
  m.Name = "Amount";
  m.Memo = {"金额 [Amount]"};
  m.Tag = "标记[Amount]";
  const QByteArray out = emitOf(m);
  auto back = readEmitted(out);
  EXPECT_EQ(back->Memo, QStringList({"金额 12.5"}));
  EXPECT_EQ(back->Tag, "标记12.5");
  EXPECT_EQ(m.Tag, "标记[Amount]");   // the template's tag is put back
  EXPECT_EQ(m.DrawMode, 0);

  m.Visible = false;
  EXPECT_TRUE(emitOf(m).isEmpty());
}

TEST(ReportObjectEmission, SuppressRepeatedValues) {
  BoundReport r;
  TfrMemoView m;
  m.SetBounds(0, 0, 100, 20);
  m.Flags |= flSuppressRepeated;
  m.Memo = {"[Amount]"};
  const Variant amounts[] = {5, 5, 7, 5};
  const bool written[] = {true, false, true, true};
  for (int i = 0; i < 4; ++i) {
    r.values["AMOUNT"] = amounts[i];
    EXPECT_EQ(!emitOf(m).isEmpty(), written[i]) << i;
  }
  // CalcHeight gives 0 for a repeated value.
  r.values["AMOUNT"] = 9;
  EXPECT_GT(m.CalcHeight(), 0);
  m.DrawMode = 1;
  emitOf(m);
  EXPECT_EQ(m.CalcHeight(), 0);
}

TEST(ReportObjectEmission, Highlight) {
  BoundReport r;
  TfrMemoView m;
  m.Memo = {"[Amount]"};
  m.HighlightCondition = "[Amount] < 0";
  m.HighlightColor = 0x0000FF;
  m.HighlightFill = 0x00FFFF;
  m.HighlightStyle = 2;
  struct Case {
    Variant amount;
    bool lit;
  };
  const Case cases[] = {{-3, true}, {4, false}, {0, false}};
  for (const Case& c : cases) {
    r.values["AMOUNT"] = c.amount;
    auto back = readEmitted(emitOf(m));
    EXPECT_EQ(back->Font.color() == 0x0000FF, c.lit) << c.amount.toString().toStdString();
    EXPECT_EQ(back->FillColor == 0x00FFFF, c.lit);
    EXPECT_EQ((back->Font.style() & fsBold) != 0, c.lit);
    EXPECT_EQ(m.Font.color(), clBlack);   // put back after the emission
    EXPECT_EQ(m.FillColor, kNoFill);
  }
  m.HighlightCondition = "[Amount] <";   // a broken condition: no highlight, no error
  m.HighlightCoded.clear();
  r.values["AMOUNT"] = -1;
  EXPECT_EQ(readEmitted(emitOf(m))->FillColor, kNoFill);
}

TEST(ReportObjectEmission, BeforePrintEventAndScript) {
  BoundReport r;
  int calls = 0;
  r.report.OnBeforePrint = [&](QStringList& memo, TfrView* v) {
    ++calls;
    if (v->Name == "Changed") memo = QStringList{"由事件给出"};
  };
  TfrMemoView changed;
  changed.Name = "Changed";
  changed.Memo = {"[X]"};
  EXPECT_EQ(readEmitted(emitOf(changed))->Memo, QStringList({"由事件给出"}));
  TfrMemoView kept;
  kept.Name = "Kept";
  kept.Memo = {"[X]"};
  r.values["X"] = "值";
  EXPECT_EQ(readEmitted(emitOf(kept))->Memo, QStringList({"值"}));
  EXPECT_EQ(calls, 2);

  int ran = 0;
  TfrView::RunScriptHook() = [&](TfrView* v) {
    ++ran;
    v->Visible = false;
  };
  EXPECT_TRUE(emitOf(kept).isEmpty());
  EXPECT_EQ(ran, 1);
  TfrView::RunScriptHook() = nullptr;
}

TEST(ReportObjectEmission, SplitContinuationWritesTheLinesThatFit) {
  BoundReport r;
  TfrMemoView m;
  m.SetBounds(0, 0, 200, 2 + 3 * 15 + 4);   // room for three lines
  m.Memo = {"1", "2", "3", "4", "5"};
  m.EvaluatedMemo = {"1" + QString(kParagraphMark), "2", "3", "4", "5" + QString(kParagraphMark)};
  m.DrawMode = 2;
  auto first = readEmitted(emitOf(m));
  EXPECT_EQ(first->Memo, QStringList({"1" + QString(kParagraphMark), "2", "3"}));
  EXPECT_EQ(m.EvaluatedMemo, QStringList({"4", "5" + QString(kParagraphMark)}));
  // Without any mark among the lines written, a line of the mark alone is added.
  m.EvaluatedMemo = {"a", "b", "c", "d"};
  m.DrawMode = 2;
  auto second = readEmitted(emitOf(m));
  EXPECT_EQ(second->Memo, QStringList({"a", "b", "c", QString(kParagraphMark)}));
}

TEST(ReportObjectEmission, BandAlignmentOnEmission) {
  BoundReport r;
  TfrPrintingBand band{QRect(0, 100, 500, 40), true, 77};
  PrintingBand() = &band;
  struct Case {
    uint8_t align;
    int top, width;
    uint8_t written;
  };
  const Case cases[] = {{5, 110, 30, 5}, {6, 100, 30, 6}, {4, 110, 77, 4}};
  for (const Case& c : cases) {
    TfrLineView l;   // not a text object: bottom alignment applies
    l.SetBounds(0, 110, 30, 10);
    l.BandAlign = c.align;
    QBuffer b;
    b.open(QIODevice::ReadWrite);
    l.StreamMode = 1;
    l.EmitToPage(b);
    b.seek(1);
    TfrLineView back;
    back.StreamMode = 1;
    back.LoadRecord(b);
    EXPECT_EQ(back.Top, c.align == 5 ? 130 : c.top) << int(c.align);
    EXPECT_EQ(back.Width, c.width) << int(c.align);
    // A text object keeps its own top for bottom alignment and is written without cross width
    // alignment.
    TfrMemoView m;
    m.SetBounds(0, 110, 30, 10);
    m.BandAlign = c.align;
    auto mb = readEmitted(emitOf(m));
    EXPECT_EQ(mb->Top, c.top) << int(c.align);
    EXPECT_EQ(mb->BandAlign, c.align == 6 ? 6 : 0) << int(c.align);
    EXPECT_EQ(m.BandAlign, c.align);
  }
  PrintingBand() = nullptr;
}

TEST(ReportObjectXml, Attributes) {
  TfrMemoView m;
  m.Name = "M\"1";
  m.SetBounds(1, 2, 3, 4);
  m.FrameTyp = 12;
  m.FrameWidth = 1.5;
  m.Memo = {"a<b", "c"};
  m.BandAlign = 7;
  m.Restrictions = 0x08 | 0x20;
  m.Script = {"x := 1"};
  m.Alignment = frtaCenter | frtaDown | frtaVertical;
  m.Flags = flTextOnly | flHideZeros;
  QString out;
  m.WriteXmlAttrs(out);
  for (const char* part :
       {"<TfrMemoView Name=\"M&#34;1\" Left=\"1\" Top=\"2\" Width=\"3\" Height=\"4\" Color=\"536870911\"",
        " Frame.Typ=\"5\"", " Frame.Width=\"1.5\"", " Memo.text=\"a&#60;b&#13;&#10;c\"", " Align=\"4\"",
        " OnBeforePrint=\"M\"1OnBeforePrint\"", " Restrictions=\"5\"", " WordWrap=\"False\"",
        " AllowExpressions=\"False\"", " HideZeros=\"True\"", " HAlign=\"2\"", " VAlign=\"2\"", " Rotation=\"90\""})
    EXPECT_TRUE(out.contains(QString::fromUtf8(part))) << part << "\n" << out.toStdString();
  EXPECT_FALSE(out.contains("StretchMode"));

  struct BandCase {
    int kind;
    const char* element;
  };
  const BandCase bands[] = {{0, "<TfrReportTitle "}, {7, "<TfrHeader "}, {11, "<TfrSubDetailData "},
                            {16, "<TfrGroupHeader "}, {21, "<TfrChild "}, {13, nullptr}, {18, nullptr},
                            {19, nullptr}, {20, nullptr}, {22, nullptr}};
  for (const BandCase& c : bands) {
    TfrBandView b;
    b.Name = "B";
    b.SetBandKind(c.kind);
    b.Flags = 64 | 8;
    b.FormatStr = "通用";
    QString x;
    b.WriteXmlAttrs(x);
    if (!c.element) {
      EXPECT_TRUE(x.isEmpty()) << c.kind;
      continue;
    }
    EXPECT_TRUE(x.startsWith(c.element)) << c.kind;
    EXPECT_EQ(x.count("ReprintOnNewPage=\"True\""), 1);
    EXPECT_TRUE(x.contains(" AllowSplit=\"True\""));
    EXPECT_TRUE(x.contains(" PrintOnFirstPage=\"False\""));
    EXPECT_EQ(x.contains(" Condition=\"通用\""), c.kind == 16) << c.kind;
    EXPECT_EQ(x.contains(" DataSet=\"通用\""), c.kind == 11) << c.kind;
  }
  TfrSubReportView s;
  s.SubPage = 2;
  QString sx;
  s.WriteXmlAttrs(sx);
  EXPECT_TRUE(sx.endsWith(" Page=\"Page3\""));
  TfrLineView l;
  l.Flags = 0;
  QString lx;
  l.WriteXmlAttrs(lx);
  EXPECT_TRUE(lx.endsWith(" Stretched=\"False\""));
  TfrPictureView p;
  p.Flags = flPictCenter;
  QString px;
  p.WriteXmlAttrs(px);
  EXPECT_TRUE(px.contains(" Stretched=\"False\" Center=\"True\" KeepAspectRatio=\"False\""));
  EXPECT_FALSE(px.contains("Propdata"));
}
