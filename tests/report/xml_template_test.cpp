// The XML template read back: every shipped template and a template with every kind of object
// and every awkward value go out as XML and come back as the same template, object by object,
// and build the same pages.
#include <gtest/gtest.h>
#include "platform/utf8.h"

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "report/FR_Class.h"
#include "report/FR_Dialog.h"
#include "report/FR_FileStream.h"
#include "report/FR_Prntr.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace templateset {
void BuildPaymentList(TfrReport& r);
void BuildReceipt(TfrReport& r);
void BuildStatement(TfrReport& r);
void ExpectSameTemplate(TfrReport& a, TfrReport& b, bool withInfo = true);
TfrBandView* addBand(TfrPage* page, int kind, const QString& name, int top, int height);
TfrMemoView* addText(TfrPage* page, const QString& name, QRect r, const QStringList& memo);
}  // namespace templateset

namespace {

QString templatesFolder() { return QString::fromUtf8(ESTATE_SOURCE_DIR) + "/templates"; }

// The binary template stream without its last eight bytes (the time of the save).
QByteArray binaryForm(TfrReport& r) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  r.SaveTemplate(b);
  return b.data().chopped(8);
}

// Writes `a` as XML, reads it into `b` (nothing shown on the way).
void throughXml(TfrReport& a, TfrReport& b, const QString& file) {
  ASSERT_TRUE(a.ExportXmlTemplate(file));
  ScriptedUi ui;
  ASSERT_TRUE(b.OpenTemplateFile(file)) << ui.messageTexts().join(" | ").toStdString();
  EXPECT_TRUE(ui.messages().isEmpty()) << ui.messageTexts().join(" | ").toStdString();
  EXPECT_FALSE(b.TemplateRefused);
}

}  // namespace

// Load → save as XML → open the XML → save as a template file → open that: each step is the
// template that was loaded first. (That the XML form builds the same pages from the windows'
// data is checked with the shipped templates' own tests.)
TEST(XmlTemplates, EveryShippedTemplateComesBackWhole) {
  WorkFolder work;
  ReportPrinter().SelectPrinter(ReportPrinter().VirtualPrinterIndex);
  const QStringList files = QDir(templatesFolder()).entryList(QStringList{"*.frf"}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 6);
  for (const QString& name : files) {
    SCOPED_TRACE(name.toStdString());
    ScriptedUi ui;
    TfrReport original;
    ASSERT_TRUE(original.OpenTemplateFile(templatesFolder() + "/" + name));
    ASSERT_GT(original.Pages.front()->Objects.size(), 3u);
    TfrReport xml;
    throughXml(original, xml, work.file("copy.fr3"));
    templateset::ExpectSameTemplate(original, xml);
    EXPECT_EQ(xml.FileName, work.file("copy.fr3"));

    ASSERT_TRUE(xml.SaveToFile(work.file("back.frf")));
    TfrReport back;
    ASSERT_TRUE(back.OpenTemplateFile(work.file("back.frf")));
    templateset::ExpectSameTemplate(original, back);
    EXPECT_EQ(binaryForm(original), binaryForm(back));

  }
}

// A template with every object kind the engine has (every band kind, text, picture, line,
// sub-report, each dialog control), every page setting, scripts on pages, bands and objects, the
// dictionary with titles, and texts with what XML and lines make awkward.
TEST(XmlTemplates, EveryObjectKindAndAwkwardValueComesBack) {
  WorkFolder work;
  using namespace templateset;
  for (auto make : {&BuildPaymentList, &BuildReceipt, &BuildStatement}) {
    TfrReport a, b;
    make(a);
    throughXml(a, b, work.file("set.fr3"));
    ExpectSameTemplate(a, b);
    EXPECT_EQ(binaryForm(a), binaryForm(b));
  }

  TfrReport a;
  BuildStatement(a);
  TfrPage* bands = a.AppendPage();
  bands->Name = u("带区页");
  bands->pgSize = 256;
  bands->pgWidth = 1234;
  bands->pgHeight = 987;
  bands->LeftMargin = 37;
  bands->TopMargin = 11;
  bands->RightMargin = 5;
  bands->BottomMargin = 3;
  bands->pgOr = 1;
  bands->pgBin = 7;
  bands->PrintToPrevPage = true;
  bands->UseMargins = false;
  bands->Columns = 3;
  bands->ColumnGap = 13;
  bands->Script = {u("begin"), u("  PageNo := 1;"), u("end")};
  for (int kind = 0; kind <= 22; ++kind) {
    TfrBandView* band = addBand(bands, kind, QStringLiteral("Band%1").arg(kind), 10 + kind * 30, 21 + kind);
    band->Flags = uint16_t(kind * 37);
    band->Script = {QStringLiteral("Band%1.Visible := True").arg(kind)};
    band->NewColumnAfter = kind + 1;
    band->Master = kind % 2 ? QStringLiteral("Band5") : QString();
  }
  TfrMemoView* odd = addText(bands, u("怪字"), {-7, 3, 333, 17},
                             {u("A & B <\"收据\"> 'x'"), u(""), u("back\\slash \\r \\n &#13; &amp;"),
                              QString(QChar(1)) + u("\tctl") + QChar(31), u("  blanks  "), u("")});
  odd->Script = {u("if 1=1 then"), u("  怪字.Memo.Text := 'a\\b'")};
  odd->FrameWidth = 0.25;
  odd->FrameTyp = 12;
  odd->Tag = u("[标签 \"&\"]");
  odd->Font.setName(u("Liberation Sans"));
  odd->Font.setSize(37);
  odd->Font.setStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
  odd->Font.setCharset(134);
  odd->Alignment = frtaVertical | frtaDown | frtaRight;
  odd->HighlightCondition = u("Value < 0 & \"x\"");
  odd->Format = 0x02030405u;
  odd->FormatStr = u("#,##0.00 ;-");
  odd->Visible = false;
  odd->BandAlign = 7;
  odd->Restrictions = 0x7F;
  odd->VersionMinor = 3;
  addText(bands, u("空"), {1, 2, 3, 4}, {});
  addText(bands, u("一空行"), {1, 2, 3, 4}, {u("")});
  auto* rule = static_cast<TfrLineView*>(bands->Add(CreateViewByType(gtLine)));
  rule->Name = u("竖线");
  rule->SetBounds(5, 6, 0, 300);
  rule->Flags = 0;

  // Dialog controls with their own settings.
  TfrPage* dialog = a.Pages.front().get();
  int top = 10;
  for (const char* cls : {"TfrLabelControl", "TfrEditControl", "TfrCheckBoxControl", "TfrComboBoxControl",
                          "TfrButtonControl"}) {
    TfrView* c = dialog->Add(CreateViewByType(gtAddIn, QString::fromLatin1(cls)));
    ASSERT_NE(c, nullptr) << cls;
    c->Name = QString::fromLatin1(cls).mid(3);
    c->SetBounds(10, top, 120, 21);
    top += 30;
    c->Memo = {u("第一项"), u("第二项")};
    c->Script = {QStringLiteral("%1.Tag := 'x'").arg(c->Name)};
  }
  static_cast<TfrButtonControl*>(dialog->FindObject("ButtonControl"))->ModalResult = 1;
  static_cast<TfrButtonControl*>(dialog->FindObject("ButtonControl"))->Default = true;
  static_cast<TfrCheckBoxControl*>(dialog->FindObject("CheckBoxControl"))->Checked = true;
  dialog->Script = {u("ShowMessage('选月份')")};

  a.Dictionary.Variables.PutValue(u(" 分类"), QString());
  a.Dictionary.Variables.PutValue(u("单位"), u("'物业 & \"公司\"'"));
  a.Dictionary.Variables.PutValue(u("多行"), u("a\r\nb"));
  a.Dictionary.FieldTitles.PutValue(u("通用.\"金额\""), u("应缴金额"));
  a.Dictionary.SourceTitles.PutValue(u("通用"), u("缴费"));
  a.ReportComment = u("第一行\r\n第二行");
  a.ReportName = u("<全部>");
  a.ReportAutor = u("物业");
  a.VMajor = u("2");
  a.VMinor = u("0");
  a.VRelease = u("1");
  a.VBuild = u("77");
  a.Password = QByteArray("\x01\x09pw");
  a.PrinterName = u("办公室打印机");
  a.ReportDate = 45000.123456789;
  a.ReportLastChange = 45001.987654321;

  TfrReport b;
  throughXml(a, b, work.file("all.fr3"));
  templateset::ExpectSameTemplate(a, b);
  EXPECT_EQ(binaryForm(a), binaryForm(b));
  EXPECT_EQ(b.PrinterName, a.PrinterName);
  EXPECT_EQ(b.Password, a.Password);
  EXPECT_EQ(b.ReportDate, 45000.123456789);
  EXPECT_EQ(b.Pages[2]->Objects.size(), a.Pages[2]->Objects.size());
  auto* back = static_cast<TfrMemoView*>(b.FindObject(u("怪字")));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Memo, odd->Memo);
  EXPECT_EQ(back->Script, odd->Script);
  EXPECT_EQ(back->FrameWidth, 0.25);
  EXPECT_TRUE(static_cast<TfrMemoView*>(b.FindObject(u("空")))->Memo.isEmpty());
  EXPECT_EQ(static_cast<TfrMemoView*>(b.FindObject(u("一空行")))->Memo, QStringList{u("")});
  EXPECT_TRUE(static_cast<TfrButtonControl*>(b.FindObject("ButtonControl"))->Default);
  EXPECT_TRUE(static_cast<TfrCheckBoxControl*>(b.FindObject("CheckBoxControl"))->Checked);

  // A protected template asks for its password when it is opened from an XML file too.
  a.Protected = true;
  a.Password = "pw";
  ASSERT_TRUE(a.ExportXmlTemplate(work.file("locked.fr3")));
  ScriptedUi ui;
  TfrReport locked;
  QStringList asked;
  locked.PasswordHook = [&asked](QString& typed) {
    asked << "asked";
    typed = "wrong";
    return true;
  };
  EXPECT_FALSE(locked.OpenTemplateFile(work.file("locked.fr3")));
  EXPECT_EQ(asked.size(), 1);
  EXPECT_TRUE(locked.TemplateRefused);
  TfrReport unlocked;
  unlocked.PasswordHook = [](QString& typed) {
    typed = "pw";
    return true;
  };
  EXPECT_TRUE(unlocked.OpenTemplateFile(work.file("locked.fr3")));
  EXPECT_EQ(unlocked.Pages.size(), a.Pages.size());
}
