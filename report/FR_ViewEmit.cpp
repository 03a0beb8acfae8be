#include <QRegularExpression>
#include <QBuffer>

#include "platform/data/dataset.h"
#include "platform/data/field.h"
#include "platform/format.h"
#include "report/FR_Class.h"
#include "report/FR_DBSet.h"
#include "report/FR_Intrp.h"
#include "report/FR_Utils.h"

// What objects do while a report is built: running their scripts, taking text from bound fields
// and the before-print event, highlight, writing themselves into built pages; and their
// attributes in the XML template.

TfrPrintingBand*& PrintingBand() {
  static TfrPrintingBand* band = nullptr;
  return band;
}

std::function<void(TfrView*)>& TfrView::RunScriptHook() {
  static std::function<void(TfrView*)> hook;
  return hook;
}

void TfrView::RunScript() {
  if (RunScriptHook()) {
    RunScriptHook()(this);
    return;
  }
  if (Script.isEmpty()) return;
  QStringList coded, errors;
  ReportInterpreter().CompileScript(Script, coded, errors);
  if (!errors.isEmpty()) throw EParserError(errors.first());
  ReportInterpreter().RunScript(coded);
}

bool TfrView::FillFromBinding() {
  if (!BoundDataSet || BoundField.isEmpty()) return false;
  TField* f = BoundDataSet->FindField(BoundField);
  if (!f) return false;
  if (Typ == gtMemo && f->DataType() == ftMemo) {
    // A memo field holds text: it is printed as the text it is, line by line.
    EvaluatedMemo.clear();
    if (!f->IsNull()) EvaluatedMemo = SplitLines(f->AsString());
    return true;
  }
  QByteArray bytes;
  if (!f->IsNull()) {
    QBuffer b(&bytes);
    b.open(QIODevice::ReadWrite);
    BlobToTarget(f, &b);
  }
  FillFromBlob(bytes, f->IsNull());
  return true;
}

void TfrView::EmitToPage(QIODevice& s) {
  AlignInBand(Canvas);
  EvaluatedMemo = Memo;
  FillFromBinding();
  if (TfrReport* r = CurrentReport(); r && r->OnBeforePrint) r->OnBeforePrint(EvaluatedMemo, this);
  RunScript();
  if (!Visible) return;
  const QString savedTag = Tag;
  if (Tag.contains(QLatin1Char('['))) ExpandBracketBlocks(Tag, this, TfrDisplayFormat{Format, FormatStr}, false);
  if (const TfrPrintingBand* band = PrintingBand()) {
    if (BandAlign == 5) Top = band->rect.top() + band->rect.height() - Height;
    else if (BandAlign == 6) Top = band->rect.top();
    else if (BandAlign == 4 && band->cross) Width = band->crossColumnWidth;
  }
  frs::WriteU8(s, Typ);
  if (Typ == gtAddIn) WriteCountedString(s, ClassName());
  StoreRecord(s);
  Tag = savedTag;
}

// ---- text object
void TfrMemoView::prepareText(bool runScript, bool expand) {
  if (runScript) RunScript();
  EvaluatedMemo = Memo;
  const bool fromField = FillFromBinding();
  TfrReport* r = CurrentReport();
  if (r && r->OnBeforePrint) {
    const QStringList before = EvaluatedMemo;
    r->OnBeforePrint(EvaluatedMemo, this);
    if (EvaluatedMemo != before || fromField) return;   // the handler (or the field) gave the text
  } else if (fromField) {
    return;
  }
  if (expand) ExpandMemo();
}

void TfrMemoView::ApplyHighlight() {
  highlighted_ = false;
  if (HighlightCondition.trimmed().isEmpty()) return;
  bool on = false;
  try {
    if (HighlightCoded.isEmpty()) HighlightCoded = ReportParser().ToCodedForm(HighlightCondition);
    const Variant v = ReportParser().EvaluateCoded(HighlightCoded);
    if (v.type() == Variant::Bool) on = v.toBool();
    else if (v.isNumeric()) on = Variant::compare(v, Variant(0)) != 0;
    else on = !v.isNullOrEmpty() && v.toString() != QLatin1String("0");
  } catch (const Exception&) {
    on = false;   // a failing condition leaves the object unhighlighted
  }
  if (!on) return;
  savedFont_ = Font;
  savedFill_ = FillColor;
  Font.setStyle(FontStyleFromStored(uint8_t(HighlightStyle)));
  Font.setColor(HighlightColor);
  FillColor = HighlightFill;
  highlighted_ = true;
}

void TfrMemoView::RestoreHighlight() {
  if (!highlighted_) return;
  Font = savedFont_;
  FillColor = savedFill_;
  highlighted_ = false;
}

void TfrMemoView::EmitToPage(QIODevice& s) {
  AlignInBand(&MeasureCanvas());
  ClipToBottom = true;
  if (DrawMode == 0) RunScript();
  if (DrawMode == 0) prepareText(false, true);
  if (!Visible) {
    DrawMode = 0;
    return;
  }
  ApplyHighlight();
  QStringList full;
  if (DrawMode == 2) {
    // The continuation of a split: only the lines that fit the object's height are written.
    full = EvaluatedMemo;
    TCanvas* saved = Canvas;
    Canvas = &MeasureCanvas();
    ScaleForDraw();
    ShowMemo();
    RestoreScale();
    Canvas = saved;
    EvaluatedMemo = full.mid(0, PrintedLineCount);
    bool hasMark = false;
    for (const QString& l : EvaluatedMemo) hasMark |= l.contains(kParagraphMark);
    if (!hasMark) EvaluatedMemo.append(QString(kParagraphMark));
  }
  const QString savedTag = Tag;
  if (Tag.contains(QLatin1Char('['))) ExpandBracketBlocks(Tag, this, TfrDisplayFormat{0, QString()}, false);
  const uint8_t savedAlign = BandAlign;
  const int savedTop = Top, savedWidth = Width;
  if (const TfrPrintingBand* band = PrintingBand()) {
    if (BandAlign == 6) Top = band->rect.top();
    else if (BandAlign == 4 && band->cross) Width = band->crossColumnWidth;
  }
  if (BandAlign == 4) BandAlign = 0;
  if (BandAlign == 5) BandAlign = 0;
  const QString text = EvaluatedMemo.join(QLatin1Char('\n'));
  if (!((Flags & flSuppressRepeated) && text == LastPrintedText)) {
    frs::WriteU8(s, Typ);
    if (Typ == gtAddIn) WriteCountedString(s, ClassName());
    StoreRecord(s);
    LastPrintedText = text;
  }
  if (DrawMode == 2) EvaluatedMemo = full.mid(PrintedLineCount);
  RestoreHighlight();
  Tag = savedTag;
  BandAlign = savedAlign;
  Top = savedTop;
  Width = savedWidth;
  DrawMode = 0;
}

// ---- XML attributes
namespace {
void attr(QString& out, const QString& name, const QString& value) {
  out += QLatin1Char(' ') + name + QStringLiteral("=\"") + value + QLatin1Char('"');
}
void attr(QString& out, const QString& name, long long value) { attr(out, name, QString::number(value)); }
}  // namespace

void TfrView::WriteXmlAttrs(QString& out) {
  out += QLatin1Char('<') + ClassName() + QLatin1Char(' ');
  out += QStringLiteral("Name=\"") + XmlEscape(Name) + QLatin1Char('"');
  attr(out, "Left", Left);
  attr(out, "Top", Top);
  attr(out, "Width", Width);
  attr(out, "Height", Height);
  attr(out, "Color", FillColor);
  if (!Visible) attr(out, "Visible", "False");
  const int typ = ((FrameTyp & 4) ? 1 : 0) | ((FrameTyp & 1) ? 2 : 0) | ((FrameTyp & 8) ? 4 : 0) | ((FrameTyp & 2) ? 8 : 0);
  attr(out, "Frame.Typ", typ);
  attr(out, "Frame.Width", FloatToStr(FrameWidth));
  attr(out, "Frame.Color", FrameColor);
  attr(out, "Frame.Style", FrameStyle);
  attr(out, "GapX", GapX);
  attr(out, "GapY", GapY);
  attr(out, "TagStr", XmlEscape(Tag));
  attr(out, "Memo.text", XmlEscape(Memo.join("\r\n")));
  attr(out, "Align", BandAlign == 7 ? 4 : BandAlign == 6 ? 0 : BandAlign);
  if (!Script.isEmpty())
    for (const char* ev : {"OnBeforePrint", "OnClick", "OnActivate"}) attr(out, ev, Name + "OnBeforePrint");
  const int r = ((Restrictions & 15) ? 1 : 0) | ((Restrictions & 16) ? 2 : 0) | ((Restrictions & 32) ? 4 : 0) |
                ((Restrictions & 64) ? 8 : 0);
  attr(out, "Restrictions", r);
}

void TfrMemoView::WriteXmlAttrs(QString& out) {
  TfrView::WriteXmlAttrs(out);
  if (Flags & flStretched) attr(out, "StretchMode", "smMaxHeight");
  if (!(Flags & flWordWrap)) attr(out, "WordWrap", "False");
  if (Flags & flAutoSize) attr(out, "AutoWidth", "True");
  if (Flags & flTextOnly) attr(out, "AllowExpressions", "False");
  if (Flags & flSuppressRepeated) attr(out, "SuppressRepeated", "True");
  if (Flags & flHideZeros) attr(out, "HideZeros", "True");
  if (Flags & flUnderlines) attr(out, "Underlines", "True");
  if (Flags & flRTLReading) attr(out, "RTLReading", "True");
  attr(out, "Font.Name", XmlEscape(Font.name()));
  attr(out, "Font.Height", Font.height());
  attr(out, "Font.Color", Font.color());
  attr(out, "Font.Style", Font.style() & 15);
  attr(out, "Highlight.Condition", XmlEscape(HighlightCondition));
  attr(out, "Highlight.Font.Style", HighlightStyle);
  attr(out, "Highlight.Font.Color", HighlightColor);
  attr(out, "Highlight.Color", HighlightFill);
  attr(out, "LineSpacing", LineSpacing);
  attr(out, "CharSpacing", CharSpacing);
  attr(out, "HAlign", Alignment & 3);
  attr(out, "VAlign", (Alignment & frtaMiddle) ? 1 : (Alignment & frtaDown) ? 2 : 0);
  if (Alignment & frtaVertical) attr(out, "Rotation", "90");
}

void TfrBandView::WriteXmlAttrs(QString& out) {
  static const char* const elements[] = {
      "TfrReportTitle", "TfrReportSummary", "TfrPageHeader", "TfrPageFooter", "TfrHeader", "TfrMasterData",
      "TfrFooter", "TfrHeader", "TfrDetailData", "TfrFooter", "TfrHeader", "TfrSubDetailData", "TfrFooter",
      nullptr, "TfrColumnHeader", "TfrColumnFooter", "TfrGroupHeader", "TfrGroupFooter", nullptr, nullptr,
      nullptr, "TfrChild", nullptr};
  const int k = BandKind();
  if (k > 22 || !elements[k]) return;   // left out of the XML template whole
  out += QLatin1Char('<') + QString::fromLatin1(elements[k]) + QLatin1Char(' ');
  out += QStringLiteral("Name=\"") + XmlEscape(Name) + QLatin1Char('"');
  attr(out, "Left", Left);
  attr(out, "Top", Top);
  attr(out, "Width", Width);
  attr(out, "Height", Height);
  attr(out, "Columns", Columns);
  attr(out, "ColumnWidth", ColumnWidth);
  attr(out, "ColumnGap", ColumnGap);
  if (!Visible) attr(out, "Visible", "False");
  if (Flags & 1) attr(out, "Stretched", "True");
  if (Flags & 2) attr(out, "StartNewPage", "True");
  if (Flags & 4) attr(out, "PrintIfDetailEmpty", "True");
  if (Flags & 8) attr(out, "AllowSplit", "True");
  if (!(Flags & 16)) attr(out, "PrintOnFirstPage", "False");
  if (!(Flags & 32)) attr(out, "PrintOnLastPage", "False");
  if (Flags & 64) attr(out, "ReprintOnNewPage", "True");
  if (Flags & 128) attr(out, "PrintChildIfInvisible", "True");
  if (!Script.isEmpty()) attr(out, "OnBeforePrint", Name + "OnBeforePrint");
  if (k == 5 || k == 8 || k == 11) attr(out, "DataSet", XmlEscape(FormatStr));
  if (k == 16) attr(out, "Condition", XmlEscape(FormatStr));
}

void TfrSubReportView::WriteXmlAttrs(QString& out) {
  TfrView::WriteXmlAttrs(out);
  attr(out, "Page", "Page" + QString::number(SubPage + 1));
}

void TfrPictureView::WriteXmlAttrs(QString& out) {
  TfrView::WriteXmlAttrs(out);
  if (!Picture.isEmpty()) attr(out, "Picture.Propdata", StreamToHex(Picture.streamForm()));
  if (!Memo.isEmpty()) {
    TfrDBDataSet* src = nullptr;
    QString field;
    QObject* owner = CurrentReport() ? CurrentReport()->Dictionary.Owner : nullptr;
    FindComponentAndField(owner, Memo[0], src, field);
    if (src && !field.isEmpty()) {
      attr(out, "DataSet", (src->parent() ? src->parent()->objectName() : QString()) + "." + src->objectName());
      attr(out, "DataField", XmlEscape(field));
    }
  }
  if (!(Flags & 1)) attr(out, "Stretched", "False");
  if (Flags & flPictCenter) attr(out, "Center", "True");
  if (!(Flags & flPictRatio)) attr(out, "KeepAspectRatio", "False");
}

void TfrLineView::WriteXmlAttrs(QString& out) {
  TfrView::WriteXmlAttrs(out);
  if (!(Flags & 1)) attr(out, "Stretched", "False");
}
