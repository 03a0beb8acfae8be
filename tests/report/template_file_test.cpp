// The template container: byte layout, round trips, older versions, damaged streams, passwords,
// templates with description and dictionary files.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QtEndian>
#include <QXmlStreamReader>

#include "report/FR_Class.h"
#include "report/FR_Jpeg.h"
#include "report/FR_Report.h"
#include <QLineEdit>
#include <QPushButton>
#include "report/FR_Utils.h"
#include "tests/support/scripted_ui.h"
#include "tests/support/work_folder.h"

namespace templateset {
void BuildPaymentList(TfrReport& r);
void BuildReceipt(TfrReport& r);
void BuildStatement(TfrReport& r);
void ExpectSameTemplate(TfrReport& a, TfrReport& b, bool withInfo = true);
}  // namespace templateset

namespace {
QByteArray save(TfrReport& r) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  r.SaveTemplate(b);
  return b.data();
}
bool load(TfrReport& r, const QByteArray& bytes) {
  QBuffer b;
  b.setData(bytes);
  b.open(QIODevice::ReadOnly);
  return r.LoadTemplate(b);
}
QByteArray hex(const char* h) { return QByteArray::fromHex(h); }
// Where the first object's type byte sits: right after the page records of `r` (no objects).
int objectAreaStart(TfrReport& r) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  frs::WriteU8(b, 25);
  StreamVersion() = 25;
  frs::WriteI16(b, 0);
  frs::WriteI16(b, 0);
  WriteCountedString(b, "\001");
  for (const auto& p : r.Pages) {
    frs::WriteU8(b, 255);
    p->WritePageRecord(b);
  }
  return int(b.size());
}
}  // namespace

TEST(ReportTemplateFile, TinyTemplateBytes) {
  TfrReport r;
  r.ClearTemplate();
  const QByteArray bytes = save(r);
  const QByteArray expected = hex(
      "19" "0000" "0000" "0100" "01" "00"      // version, print to default, double pass, printer "\001"
      "fe" "feff" "00000000" "00000000" "00000000"   // dictionary: -2 and three empty lists
      "fc" "0000" "0000" "0000" "0000" "0000" "0000" "0000"   // report information texts
      "0000" "58" "00");                        // password, generator 88, not protected
  ASSERT_EQ(bytes.size(), expected.size() + 16);
  EXPECT_EQ(bytes.left(expected.size()).toHex(), expected.toHex());

  // One page with one text object: the framing of the object.
  TfrReport one;
  one.ClearTemplate();
  TfrPage* p = one.AppendPage();
  p->Name = "P";
  auto* m = static_cast<TfrMemoView*>(p->Add(new TfrMemoView));
  m->Name = "M";
  const QByteArray b1 = save(one);
  const int at = objectAreaStart(one);
  EXPECT_EQ(uchar(b1[at]), 0);      // type code
  EXPECT_EQ(uchar(b1[at + 1]), 0);  // page index
  const int end = qFromLittleEndian<int32_t>(b1.constData() + at + 2);
  EXPECT_EQ(uchar(b1[end]), 254);   // the dictionary marker follows the record
  // The page record begins with -1 and the paper size.
  EXPECT_EQ(b1.mid(10, 8).toHex(), hex("ffffffff09000000").toHex());
}

TEST(ReportTemplateFile, TextFormsOfMemosAndPasswords) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  WriteCountedMemo(b, {});
  WriteCountedMemo(b, {QString()});
  WriteCountedMemo(b, {"a", "中"});
  EXPECT_EQ(b.data().toHex(), hex("000000" "0100000000" "0200" "010061" "0d" "0200d6d0" "00").toHex());
  b.seek(0);
  QStringList l;
  ReadCountedMemo(b, l);
  EXPECT_TRUE(l.isEmpty());
  ReadCountedMemo(b, l);
  EXPECT_EQ(l, QStringList({""}));
  ReadCountedMemo(b, l);
  EXPECT_EQ(l, QStringList({"a", "中"}));

  TfrReport r;
  r.ClearTemplate();
  r.Password = "ab";
  const QByteArray bytes = save(r);
  EXPECT_NE(bytes.indexOf(hex("04003631") + "62"), -1);   // count 4, "6162"
  TfrReport back;
  ASSERT_TRUE(load(back, bytes));
  EXPECT_EQ(back.Password, "ab");
  EXPECT_EQ(FromHexText("6a6B"), QByteArray("jk"));
  EXPECT_EQ(FromHexText("414"), QByteArray("A"));
}

TEST(ReportTemplateFile, RoundTripIsByteIdenticalButTheChangeDate) {
  for (auto build : {templateset::BuildPaymentList, templateset::BuildReceipt, templateset::BuildStatement}) {
    TfrReport r;
    build(r);
    const QByteArray first = save(r);
    TfrReport back;
    ASSERT_TRUE(load(back, first));
    templateset::ExpectSameTemplate(r, back);
    const QByteArray second = save(back);
    ASSERT_EQ(first.size(), second.size());
    EXPECT_EQ(first.left(first.size() - 8), second.left(second.size() - 8));
  }
}

TEST(ReportTemplateFile, CharactersOutsideGbkAreNotDroppedSilently) {
  TfrReport r;
  templateset::BuildPaymentList(r);
  static_cast<TfrMemoView*>(r.FindObject("Title"))->Memo = {QString::fromUtf8("缴费 \xF0\x9F\x98\x80")};
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  EXPECT_THROW(r.SaveTemplate(b), EWriteError);
  r.FindObject("Title")->Memo = {QString(70000, 'x')};
  EXPECT_THROW(save(r), EWriteError);
}

TEST(ReportTemplateFile, OldStreamWithoutVersionByte) {
  // Version 21: no version byte, zero-terminated texts, the oldest page layout.
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  frs::WriteI16(b, 1);
  frs::WriteI16(b, 0);
  frs::WriteRaw(b, QByteArray("HP\0", 3));
  frs::WriteU8(b, 255);
  frs::WriteI32(b, 11);   // paper size itself (no -1)
  for (int32_t v : {1480, 2100, 10, 20, 30, 40}) frs::WriteI32(b, v);
  frs::WriteU8(b, 1);
  frs::WriteRaw(b, QByteArray(6, '\0'));
  frs::WriteI16(b, 0);
  frs::WriteI16(b, 1);
  frs::WriteI32(b, 2);
  frs::WriteI32(b, 5);
  frs::WriteU8(b, 254);
  frs::WriteI16(b, -2);
  frs::WriteI32(b, 1);
  WriteCountedString(b, "合计");
  WriteCountedString(b, "[A]");
  frs::WriteI32(b, 0);
  frs::WriteI32(b, 0);
  TfrReport r;
  ASSERT_TRUE(load(r, b.data()));
  ASSERT_EQ(r.Pages.size(), 1u);
  TfrPage& p = *r.Pages[0];
  EXPECT_EQ(p.pgSize, 11);
  EXPECT_EQ(p.pgWidth, 1480);
  EXPECT_EQ(p.RightMargin, 30);
  EXPECT_EQ(p.pgOr, 1);
  EXPECT_EQ(p.pgBin, -1);
  EXPECT_EQ(p.Columns, 2);
  EXPECT_EQ(p.Name, "Page1");
  EXPECT_TRUE(p.Script.isEmpty());
  EXPECT_TRUE(r.PrintToDefault);
  EXPECT_EQ(r.PrinterName, "HP");
  // "合计" did not start with a blank, so the category marking was flipped.
  EXPECT_EQ(r.Dictionary.Variables.NameAt(0), " 合计");
  EXPECT_TRUE(r.ReportName.isEmpty());
}

TEST(ReportTemplateFile, NewerVersionIsRefused) {
  ScriptedUi ui;
  TfrReport r;
  templateset::BuildReceipt(r);
  QByteArray bytes = save(r);
  bytes[0] = 26;
  TfrReport target;
  templateset::BuildStatement(target);
  EXPECT_FALSE(load(target, bytes));
  EXPECT_EQ(ui.lastMessage().text, "不支持的FRF格式");
  EXPECT_EQ(ui.lastMessage().caption, "错误");
  EXPECT_EQ(ui.lastMessage().icon, MsgIcon::Error);
  EXPECT_EQ(target.Pages.size(), 2u);   // pages untouched
  EXPECT_EQ(target.Dictionary.Variables.EntryCount(), 0);
}

TEST(ReportTemplateFile, UnknownObjectsAreSkippedByTheirEndOffsets) {
  TfrReport r;
  templateset::BuildPaymentList(r);
  QByteArray bytes = save(r);
  const int at = objectAreaStart(r);
  ASSERT_EQ(uchar(bytes[at]), gtBand);
  bytes[at] = 5;   // an unknown type code
  TfrReport back;
  ASSERT_TRUE(load(back, bytes));
  EXPECT_EQ(back.Pages[0]->Objects.size(), r.Pages[0]->Objects.size() - 1);
  EXPECT_EQ(back.Pages[0]->Objects[0]->Name, "Title");
}

namespace {
struct Stamp : TfrView {
  QString ClassName() const override { return "TfrStampView"; }
  void Paint(TCanvas*) override {}
};
}  // namespace

TEST(ReportTemplateFile, MissingAddInClassesAreNamedOnce) {
  RegisterAddInObject("TfrStampView", [] { return new Stamp; });
  TfrReport r;
  templateset::BuildPaymentList(r);
  for (int i = 0; i < 2; ++i) {
    TfrView* s = r.Pages[0]->Add(CreateViewByType(10, "TfrStampView"));
    s->Name = QString("Stamp%1").arg(i);
  }
  const QByteArray bytes = save(r);
  {
    TfrReport back;
    ASSERT_TRUE(load(back, bytes));
    EXPECT_EQ(back.FindObject("Stamp1")->ClassName(), "TfrStampView");
  }
  UnregisterAddInObject("TfrStampView");
  ScriptedUi ui;
  TfrReport back;
  EXPECT_FALSE(load(back, bytes));
  ASSERT_EQ(ui.messages().size(), 1);
  EXPECT_EQ(ui.lastMessage().text,
            QString::fromUtf8("报表中含有以下未安装的组件：\rTfrStampView\rTfrStampView\r必须在程序中加入这些组件。"));
  EXPECT_EQ(back.Pages[0]->Objects.size(), r.Pages[0]->Objects.size() - 2);
  EXPECT_NE(back.FindObject("PageNo"), nullptr);
  ErrorFlag() = false;
  ErrorText().clear();
}

TEST(ReportTemplateFile, TruncatedStreamsNeverCrash) {
  TfrReport r;
  templateset::BuildReceipt(r);
  const QByteArray bytes = save(r);
  const int bodyEnd = bytes.lastIndexOf(char(252), bytes.size() - 19);  // before the two dates
  ScriptedUi ui;
  int refused = 0;
  for (int cut = 1; cut < bytes.size(); ++cut) {
    TfrReport back;
    const bool ok = load(back, bytes.left(cut));
    if (!ok) {
      ++refused;
      ASSERT_EQ(back.Pages.size(), 1u) << cut;
      EXPECT_TRUE(back.Pages[0]->Objects.empty()) << cut;
      EXPECT_EQ(ui.lastMessage().text, "不支持的FRF格式") << cut;
    } else {
      EXPECT_GE(cut, bodyEnd) << "a cut inside the body was accepted";
    }
  }
  EXPECT_GT(refused, bodyEnd - 20);
}

TEST(ReportTemplateFile, CorruptFramingIsAnErrorNotAHang) {
  TfrReport r;
  templateset::BuildPaymentList(r);
  const QByteArray good = save(r);
  const int at = objectAreaStart(r);
  struct Case {
    const char* what;
    int offset;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"end offset pointing back", at + 2, hex("05000000")},
      {"end offset beyond the stream", at + 2, hex("ffffff7f")},
      {"page index out of range", at + 1, hex("07")},
      {"type byte above 10", at, hex("0b")},
  };
  for (const Case& c : cases) {
    ScriptedUi ui;
    QByteArray bad = good;
    bad.replace(c.offset, c.bytes.size(), c.bytes);
    TfrReport back;
    EXPECT_FALSE(load(back, bad)) << c.what;
    EXPECT_EQ(ui.lastMessage().text, "不支持的FRF格式") << c.what;
    EXPECT_EQ(back.Pages.size(), 1u) << c.what;
  }
  // A damaged JPEG inside a picture record: the object is skipped by its end offset.
  TfrReport pr;
  templateset::BuildReceipt(pr);
  QByteArray withPic = save(pr);
  const int jpeg = withPic.indexOf(hex("ffd8ff"));
  ASSERT_GT(jpeg, 0);
  withPic[jpeg + 3] = 0;
  withPic[jpeg + 4] = 0;
  withPic[jpeg + 10] = 0x55;
  TfrReport back;
  load(back, withPic);
  EXPECT_NE(back.FindObject("Side"), nullptr);
}

TEST(ReportTemplateFile, PasswordIsAskedOnlyForFiles) {
  WorkFolder folder;
  TfrReport r;
  templateset::BuildStatement(r);
  r.Password = "k9";
  r.Protected = true;
  ASSERT_TRUE(r.SaveToFile(folder.file("locked.frf")));
  struct Case {
    bool answer;
    const char* typed;
    bool kept;
  };
  const Case cases[] = {{true, "k9", true}, {true, "K9", false}, {false, "k9", false}, {true, "", false}};
  for (const Case& c : cases) {
    TfrReport back;
    int asked = 0;
    back.PasswordHook = [&](QString& typed) {
      ++asked;
      typed = c.typed;
      return c.answer;
    };
    EXPECT_EQ(back.LoadFromFile(folder.file("locked.frf")), c.kept) << c.typed;
    EXPECT_EQ(asked, 1);
    if (c.kept) {
      EXPECT_EQ(back.Pages.size(), 2u);
    } else {
      EXPECT_EQ(back.Pages.size(), 1u);
      EXPECT_TRUE(back.Pages[0]->Objects.empty());
      EXPECT_EQ(back.FileName, "Untitled");
      EXPECT_FALSE(back.Protected);
    }
  }
  TfrReport mem;
  int asked = 0;
  mem.PasswordHook = [&](QString&) { return ++asked, false; };
  EXPECT_TRUE(load(mem, save(r)));
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(mem.Pages.size(), 2u);
  // Without a hook of its own the report asks through the engine's password dialog.
  for (const char* typed : {"k9", "wrong"}) {
    ScriptedUi ui;
    ui.onModal([&](QDialog* d) {
      auto* form = qobject_cast<TfrPasswForm*>(d);
      ASSERT_NE(form, nullptr);
      EXPECT_EQ(form->windowTitle(), QString::fromUtf8("密码"));
      EXPECT_EQ(form->E1->echoMode(), QLineEdit::Password);
      form->E1->setText(QString::fromUtf8(typed));
      form->OK->click();
    });
    TfrReport noHook;
    EXPECT_EQ(noHook.LoadFromFile(folder.file("locked.frf")), std::string(typed) == "k9") << typed;
    EXPECT_EQ(noHook.TemplateRefused, std::string(typed) != "k9");
  }
}

TEST(ReportTemplateFile, DescribedTemplateAndDictionaryFiles) {
  WorkFolder folder;
  TfrReport r;
  templateset::BuildPaymentList(r);
  QImage pic(24, 10, QImage::Format_RGB32);
  pic.fill(qRgb(10, 200, 30));
  r.WriteDescribedTemplate(folder.file("list.frt"), {"缴费清单", "每月"}, pic);
  TfrReport other;
  QStringList desc;
  QImage shown(1, 1, QImage::Format_RGB32);
  ASSERT_TRUE(other.ReadDescribedTemplate(folder.file("list.frt"), desc, false, shown));
  EXPECT_EQ(desc, QStringList({"缴费清单", "每月"}));
  ASSERT_EQ(shown.size(), QSize(24, 10));
  EXPECT_EQ(shown.pixel(5, 5) & 0xFFFFFF, 0x0AC81Eu);
  EXPECT_TRUE(other.Pages.empty());
  ASSERT_TRUE(other.ReadDescribedTemplate(folder.file("list.frt"), desc, true, shown));
  templateset::ExpectSameTemplate(r, other, false);   // a described template holds no report information

  r.WriteDescribedTemplate(folder.file("plain.frt"), {}, QImage());
  ASSERT_TRUE(other.ReadDescribedTemplate(folder.file("plain.frt"), desc, false, shown));
  EXPECT_TRUE(desc.isEmpty());
  EXPECT_TRUE(shown.isNull());

  ASSERT_TRUE(r.SaveDictionaryFile(folder.file("d.frd")));
  QFile f(folder.file("d.frd"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(uchar(f.read(1)[0]), 25);
  TfrReport dict;
  ASSERT_TRUE(dict.LoadDictionaryFile(folder.file("d.frd")));
  EXPECT_EQ(dict.Dictionary.Variables.Names(), r.Dictionary.Variables.Names());
  EXPECT_EQ(dict.Dictionary.Variables.ValueOf("金额合计").toString(), "[SUM([通用.\"金额\"])]");
  EXPECT_EQ(dict.Dictionary.SourceTitles.ValueOf("通用").toString(), "缴费");
}

TEST(ReportTemplateFile, OldestDictionaryLayout) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  StreamVersion() = 22;
  frs::WriteI32(b, 3);
  auto entry = [&](int kind, int number, const QByteArray& s1, const QByteArray& s2, const QByteArray& s3) {
    frs::WriteU8(b, uint8_t(kind));
    frs::WriteI32(b, number);
    for (const QByteArray& s : {s1, s2, s3}) {
      frs::WriteU8(b, uint8_t(s.size()));
      frs::WriteRaw(b, s);
    }
  };
  entry(1, 0, "Src", "Amount", "Amt");
  entry(2, 1, "", "[X]+1", "Calc");
  entry(2, 4, "", "", "Line");
  frs::WriteRaw(b, QByteArray("Group\r Amt\r Calc\r Line\0", 24));
  b.seek(0);
  TfrReport r;
  r.ReadDictionarySection(b);
  StreamVersion() = 25;
  TfrVariables& v = r.Dictionary.Variables;
  ASSERT_EQ(v.EntryCount(), 4);
  EXPECT_EQ(v.NameAt(0), " Group");   // category headings start with a blank after the flip
  EXPECT_EQ(v.NameAt(1), "Amt");
  EXPECT_EQ(v.ValueOf("Amt").toString(), "Src.\"Amount\"");
  EXPECT_EQ(v.ValueOf("Calc").toString(), "[X]+1");
  EXPECT_EQ(v.ValueOf("Line").toString(), "LINE#");
}

TEST(ReportTemplateFile, ExtensionDataIsPassedOver) {
  TfrReport r;
  templateset::BuildReceipt(r);
  QByteArray bytes = save(r);
  // The info block ends with the 88 marker, the protection flag and two dates (18 bytes); the
  // dates can hold a 252 byte, so the marker is searched before them.
  const int info = bytes.lastIndexOf(char(252), bytes.size() - 19);
  bytes.truncate(info);
  bytes += hex("fd0102030405fc0000");   // extension marker, unknown data
  TfrReport back;
  ASSERT_TRUE(load(back, bytes));
  EXPECT_EQ(back.Pages.size(), r.Pages.size());
  EXPECT_TRUE(back.ReportName.isEmpty());
  EXPECT_TRUE(back.Password.isEmpty());
}

TEST(ReportTemplateFile, PictureReferenceDiesWithItsView) {
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Qt::red);
  TfrPictureView target;
  Variant ref;
  {
    TfrPictureView source;
    source.ObjectID = 900001;
    source.Picture.setImage(TfrPicture::Bitmap, img);
    ref = source.PropRead("PICTURE");
    target.PropWrite("PICTURE", ref);
    EXPECT_FALSE(target.Picture.isEmpty());
  }
  target.Picture.clear();
  target.PropWrite("PICTURE", ref);   // the source is gone: nothing is copied
  EXPECT_TRUE(target.Picture.isEmpty());
}

// The XML template: written by SaveTemplateFile for a ".fr3" path (and by ExportXmlTemplate with
// the extension changed), well-formed, every special character of a text escaped, and read back
// with the texts as they were.
TEST(ReportTemplateFile, XmlTemplateEscapesAndReadsBack) {
  WorkFolder folder;
  ScriptedUi ui;
  TfrReport r;
  templateset::BuildStatement(r);
  const QString tricky = QString::fromUtf8("A & B <\"收据\"> 'x'\r\n第二行");
  auto* memo = static_cast<TfrMemoView*>(r.Pages[1]->Objects.back().get());
  memo->Memo = tricky.split("\r\n");
  r.ReportName = QString::fromUtf8("物业 & 收费");
  r.SaveTemplateFile(folder.file("statement.fr3"));
  ASSERT_TRUE(ui.messages().isEmpty());
  ASSERT_TRUE(r.ExportXmlTemplate(folder.file("copy.frf")));
  QFile f(folder.file("statement.fr3"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  QFile copy(folder.file("copy.fr3"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll().size(), bytes.size());
  EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\"?>\r\n"));
  EXPECT_FALSE(bytes.contains("A & B")) << "a bare & is not XML";
  QXmlStreamReader xml(bytes);
  QString name, memoText;
  int pages = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    const auto a = xml.attributes();
    if (xml.name() == QLatin1String("TfrReport")) name = a.value("ReportOptions.Name").toString();
    if (xml.name() == QLatin1String("TfrReportPage") || xml.name() == QLatin1String("TfrDialogPage")) ++pages;
    if (a.value("Name") == memo->Name) memoText = a.value("Memo.text").toString();
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(name, QString::fromUtf8("物业 & 收费"));
  EXPECT_EQ(memoText, tricky);
  EXPECT_EQ(pages, int(r.Pages.size()));
}
