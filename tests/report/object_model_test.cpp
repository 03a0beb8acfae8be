// The template object model: the factory, defaults, the property protocol and the object records.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>

#include "report/FR_Class.h"

namespace {
QByteArray storeRecord(TfrView* v, int mode = 0) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  StreamVersion() = 25;
  v->StreamMode = uint8_t(mode);
  v->StoreRecord(b);
  return b.data();
}
template <typename T>
std::unique_ptr<T> loadRecord(const QByteArray& bytes, int version = 25, int mode = 0) {
  auto v = std::make_unique<T>();
  QBuffer b;
  b.setData(bytes);
  b.open(QIODevice::ReadOnly);
  StreamVersion() = version;
  v->StreamMode = uint8_t(mode);
  v->LoadRecord(b);
  EXPECT_EQ(b.pos(), b.size()) << "record not read to its end";
  StreamVersion() = 25;
  return v;
}
// Offset of the frame-width field in a record whose name has `nameBytes` bytes.
int frameWidthOffset(int nameBytes) { return 2 + nameBytes + 1 + 2 + 16 + 2 + 2; }
int32_t int32At(const QByteArray& b, int off) { return qFromLittleEndian<int32_t>(b.constData() + off); }

struct Box : TfrView {
  QString ClassName() const override { return "TfrTestBox"; }
  void Paint(TCanvas*) override {}
};
}  // namespace

TEST(ReportObjectModel, FactoryMakesEachKindWithItsDefaults) {
  struct Case {
    int type;
    const char* base;
    uint16_t flags;
    uint16_t frameTyp;
    TColor fill;
  };
  const Case cases[] = {
      {0, "Memo", 3, 0, kNoFill}, {1, "Picture", 5, 0, kNoFill}, {2, "Band", 48, 0, kNoFill},
      {3, "SubReport", 1, 0, kNoFill}, {4, "Line", 1, 4, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    const uint32_t id = ObjectIDCounter();
    std::unique_ptr<TfrView> v(CreateViewByType(c.type));
    ASSERT_TRUE(v) << c.type;
    EXPECT_EQ(v->Typ, c.type);
    EXPECT_EQ(v->BaseName, c.base);
    EXPECT_EQ(v->Flags, c.flags) << c.base;
    EXPECT_EQ(v->FrameTyp, c.frameTyp) << c.base;
    EXPECT_EQ(v->FillColor, c.fill) << c.base;
    EXPECT_EQ(v->ObjectID, id);
    EXPECT_EQ(ObjectIDCounter(), id + 1);
    EXPECT_EQ(v->GapX, 2);
    EXPECT_EQ(v->GapY, 1);
    EXPECT_TRUE(v->Visible);
  }
  for (int bad : {5, 9, 11, 255}) EXPECT_EQ(CreateViewByType(bad), nullptr) << bad;

  TfrMemoView m;
  EXPECT_EQ(m.Format, (2u << 8) | '.');
  EXPECT_EQ(m.Font.name(), "Arial");
  EXPECT_EQ(m.Font.size(), 10);
  EXPECT_EQ(m.LineSpacing, 2);
  EXPECT_EQ(m.HighlightStyle, 2);
  EXPECT_EQ(m.HighlightFill, 0xFFFFFF);
  TfrBandView b;
  EXPECT_EQ(b.Format, 0u);
  EXPECT_EQ(b.Columns, 1);
  EXPECT_EQ(b.ColumnWidth, 200);
  EXPECT_EQ(b.ColumnGap, 20);
  EXPECT_TRUE(b.PropRead("OnFirstPage").toBool());
  EXPECT_TRUE(b.PropRead("OnLastPage").toBool());
  TfrPictureView p;
  EXPECT_EQ(ReportConstants().ValueOf("btJPG").toInt(), 1);
  EXPECT_EQ(ReportConstants().ValueOf("btWMF").toInt(), 3);
}

TEST(ReportObjectModel, UnknownAddInClassListsEveryMissingName) {
  ErrorFlag() = false;
  ErrorText().clear();
  EXPECT_THROW(CreateViewByType(10, "TfrMissingA"), EClassNotFound);
  try {
    CreateViewByType(10, "TfrMissingB");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_EQ(e.message(), "TfrMissingA\rTfrMissingB\r");
  }
  EXPECT_TRUE(ErrorFlag());
  RegisterAddInObject("TfrTestBox", [] { return new Box; });
  std::unique_ptr<TfrView> v(CreateViewByType(10, "TfrTestBox"));
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Typ, 10);
  EXPECT_THROW(CreateViewByType(10, "tfrtestbox"), EClassNotFound);   // class names are exact
  UnregisterAddInObject("TfrTestBox");
  ErrorFlag() = false;
  ErrorText().clear();
}

TEST(ReportObjectModel, PropertiesReadAndWriteByName) {
  TfrMemoView m;
  m.Flags = 0;
  m.PropWrite("Stretched", true);
  EXPECT_EQ(m.Flags, 1);
  EXPECT_EQ(m.PropRead("Memo.Count").toInt(), 0);
  m.PropWrite("memo", "一行\r\n二行\n三行");
  EXPECT_EQ(m.Memo, QStringList({"一行", "二行", "三行"}));
  EXPECT_EQ(m.PropRead("MEMO").toString(), "一行\r\n二行\r\n三行");
  EXPECT_EQ(m.PropRead("DataField").toString(), "一行");
  m.PropWrite("DataField", "账单.\"金额\"");
  EXPECT_EQ(m.Memo, QStringList({"账单.\"金额\""}));

  struct Case {
    const char* name;
    Variant value;
  };
  const Case cases[] = {
      {"Left", 12}, {"Top", 7}, {"Width", 300}, {"Height", 40}, {"FrameTyp", 15}, {"FrameStyle", 5},
      {"FrameWidth", 1.5}, {"FrameColor", 255}, {"FillColor", 0xFF00}, {"GapX", 4}, {"GapY", 3},
      {"BandAlign", 7}, {"Tag", "标签[1]"}, {"Name", "合计"}, {"Alignment", 10}, {"LineSpacing", 5},
      {"CharSpacing", 1}, {"Font.Name", "宋体"}, {"Font.Size", 12}, {"Font.Style", 3}, {"Font.Color", 128},
  };
  for (const Case& c : cases) {
    const QString up = QString(c.name).toUpper();
    m.PropWrite(up, c.value);
    EXPECT_EQ(m.PropRead(up), c.value) << c.name;
  }
  for (const char* b : {"WORDWRAP", "WORDBREAK", "AUTOWIDTH", "TEXTONLY", "SUPPRESS", "HIDEZEROS", "UNDERLINES",
                        "RTLREADING"}) {
    m.PropWrite(b, true);
    EXPECT_TRUE(m.PropRead(b).toBool()) << b;
    m.PropWrite(b, false);
    EXPECT_FALSE(m.PropRead(b).toBool()) << b;
  }
  EXPECT_TRUE(m.PropRead("NoSuchProperty").isNull());
  EXPECT_THROW(m.PropWrite("LEFT", "abc"), EConvertError);
}

TEST(ReportObjectModel, ListMethodsAndShowHide) {
  TfrMemoView m;
  m.InvokeMethod("MEMO.ADD", "'abc'", Variant(), Variant());
  m.InvokeMethod("LINES.ADD", "'第二'", Variant(), Variant());
  EXPECT_EQ(m.Memo, QStringList({"abc", "第二"}));
  EXPECT_EQ(m.InvokeMethod("MEMO.INDEXOF", "'ABC'", Variant(), Variant()).toInt(), 0);
  EXPECT_EQ(m.InvokeMethod("LINES.INDEXOF", "'无'", Variant(), Variant()).toInt(), -1);
  m.InvokeMethod("SETINDEXPROPERTY", "MEMO", 1, "改");
  EXPECT_EQ(m.InvokeMethod("GETINDEXPROPERTY", "LINES", 1, Variant()).toString(), "改");
  m.InvokeMethod("MEMO.DELETE", "0", Variant(), Variant());
  EXPECT_EQ(m.Memo, QStringList({"改"}));
  m.InvokeMethod("HIDE", Variant(), Variant(), Variant());
  EXPECT_FALSE(m.Visible);
  m.InvokeMethod("SHOW", Variant(), Variant(), Variant());
  EXPECT_TRUE(m.Visible);
  m.Height = 55;
  TfrLineView l;
  l.Height = 33;
  EXPECT_EQ(l.InvokeMethod("CALCHEIGHT", Variant(), Variant(), Variant()).toInt(), 33);
}

TEST(ReportObjectModel, DeclaredPropertiesFollowTheObjectKind) {
  auto names = [](TfrObject& o) {
    QStringList l;
    for (const auto& p : o.Properties()) l.append(p->name);
    return l;
  };
  TfrBandView footer;
  footer.SetBandKind(3);
  QStringList f = names(footer);
  for (const char* absent : {"ChildBand", "PrintChildIfInvisible", "Stretched", "Breaked", "FrameTyp", "Memo"})
    EXPECT_FALSE(f.contains(absent)) << absent;
  for (const char* present : {"OnFirstPage", "OnLastPage", "OnBeforePrint", "EOF", "Name", "Restrictions"})
    EXPECT_TRUE(f.contains(present)) << present;
  TfrBandView data;
  data.SetBandKind(5);
  QStringList d = names(data);
  for (const char* present : {"ChildBand", "Stretched", "FormNewPage", "PrintIfSubsetEmpty", "Columns", "DataSource"})
    EXPECT_TRUE(d.contains(present)) << present;
  EXPECT_FALSE(d.contains("Condition"));

  TfrMemoView m;
  QStringList mn = names(m);
  EXPECT_EQ(mn.first(), "Name");
  EXPECT_TRUE(mn.contains("Font.Name"));
  EXPECT_TRUE(mn.contains("FrameStyle"));
  TfrPropRec* fs = FindPropRec(&m, "framestyle");
  ASSERT_TRUE(fs);
  EXPECT_EQ(fs->type, frdtEnum);
  EXPECT_EQ(fs->enumNames.size(), 6);
  EXPECT_EQ(FindPropRec(&m, "Name")->type, 257);
  EXPECT_EQ(FindPropRec(&m, "NoSuch"), nullptr);

  // An editor callback reaches the designer's hook with the object.
  TfrView* edited = nullptr;
  EditorHooks().EditMemo = [&](TfrView* v) { edited = v; };
  FindPropRec(&m, "Memo")->editor();
  EXPECT_EQ(edited, &m);
  EditorHooks().EditMemo = nullptr;
  FindPropRec(&m, "Memo")->editor();   // unset hook: nothing happens
}

TEST(ReportObjectModel, FrameWidthIsStoredWholeOrInThousandths) {
  struct Case {
    double width;
    int32_t stored;
  };
  const Case cases[] = {{1.5, 1500}, {2, 2}, {12, 12000}, {10, 10}, {0.5, 500}};
  for (const Case& c : cases) {
    TfrLineView v;
    v.Name = "L";
    v.FrameWidth = c.width;
    const QByteArray rec = storeRecord(&v);
    EXPECT_EQ(int32At(rec, frameWidthOffset(1)), c.stored) << c.width;
    EXPECT_DOUBLE_EQ(loadRecord<TfrLineView>(rec)->FrameWidth, c.width);
  }
}

TEST(ReportObjectModel, BuiltPageRecordCarriesTheEvaluatedText) {
  TfrMemoView m;
  m.Name = "M";
  m.Memo = {"[金额]"};
  m.EvaluatedMemo = {"12.50"};
  m.Script = {"if a then b"};
  m.Format = 0x01000000;
  m.HighlightCondition = "[x] < 0";
  const QByteArray built = storeRecord(&m, 1);
  const QByteArray tmpl = storeRecord(&m, 0);
  EXPECT_LT(built.size(), tmpl.size());
  auto back = loadRecord<TfrMemoView>(built, 25, 1);
  EXPECT_EQ(back->Memo, QStringList({"12.50"}));
  EXPECT_TRUE(back->Script.isEmpty());
  EXPECT_TRUE(back->HighlightCondition.isEmpty());
  EXPECT_EQ(back->Format, (2u << 8) | '.');   // not stored: the default stays
  auto full = loadRecord<TfrMemoView>(tmpl);
  EXPECT_EQ(full->Memo, QStringList({"[金额]"}));
  EXPECT_EQ(full->Script, m.Script);
  EXPECT_EQ(full->HighlightCondition, "[x] < 0");
  EXPECT_EQ(full->Format, 0x01000000u);
}

TEST(ReportObjectModel, Version22RecordGetsGeneratedNameAndDefaults) {
  QBuffer b;
  b.open(QIODevice::ReadWrite);
  for (int32_t v : {5, 6, 70, 20}) frs::WriteI32(b, v);
  frs::WriteU16(b, 3);
  frs::WriteU16(b, 15);
  frs::WriteI32(b, 2);
  frs::WriteI32(b, 0);
  frs::WriteU16(b, 0);
  frs::WriteI32(b, kNoFill);
  frs::WriteU32(b, 0);
  frs::WriteRaw(b, QByteArray("\0", 1));             // format text
  frs::WriteRaw(b, QByteArray("ab\rcd\0", 6));        // memo
  frs::WriteRaw(b, QByteArray("Arial\0", 6));
  frs::WriteI32(b, 9);
  frs::WriteU16(b, 2);
  frs::WriteI32(b, 0);
  frs::WriteI32(b, 1);
  frs::WriteU16(b, 134);
  frs::WriteU16(b, 2);
  frs::WriteI32(b, 255);
  frs::WriteI32(b, 0xFFFFFF);
  frs::WriteRaw(b, QByteArray("\0", 1));              // highlight condition
  TfrReport report;
  TfrPage* page = report.AppendPage();
  page->Add(new TfrMemoView)->Name = "Memo1";
  CurrentReport() = &report;
  auto m = loadRecord<TfrMemoView>(b.data(), 22);
  CurrentReport() = nullptr;
  EXPECT_EQ(m->Name, "Memo2");
  EXPECT_EQ(m->Memo, QStringList({"ab", "cd"}));
  EXPECT_EQ(m->GapX, 2);
  EXPECT_EQ(m->GapY, 1);
  EXPECT_TRUE(m->Script.isEmpty());
  EXPECT_TRUE(m->Visible);
  EXPECT_EQ(m->LineSpacing, 2);
  EXPECT_EQ(m->CharSpacing, 0);
  EXPECT_EQ(m->Font.size(), 9);
  EXPECT_EQ(m->Font.charset(), 1);   // below version 23 the default character set
  EXPECT_EQ(m->FrameTyp, 15);
  EXPECT_EQ(m->BandAlign, 0);
}

TEST(ReportObjectModel, RecordVersionDecidesOptionalFields) {
  // Major 1: no BandAlign byte.
  TfrSubReportView s;
  s.Name = "S";
  s.BandAlign = 3;
  s.SubPage = 4;
  QByteArray rec = storeRecord(&s);
  const int alignAt = rec.size() - 4 - 1;
  rec[2 + 1 + 1] = 1;   // major version byte
  rec.remove(alignAt, 1);
  auto back = loadRecord<TfrSubReportView>(rec);
  EXPECT_EQ(back->BandAlign, 0);
  EXPECT_EQ(back->SubPage, 4);

  // A band of record version 2.0 carries child band and columns but no master.
  TfrBandView band;
  band.Name = "B";
  band.SetBandKind(16);
  band.ChildBand = "Child1";
  band.Master = "MasterData1";
  band.Columns = 3;
  QByteArray brec = storeRecord(&band);
  EXPECT_EQ(band.VersionMinor, 1);
  auto full = loadRecord<TfrBandView>(brec);
  EXPECT_EQ(full->Master, "MasterData1");
  EXPECT_EQ(full->BandKind(), 16);
  brec[2 + 1 + 2] = 0;   // minor version 0
  brec.chop(2 + 11 + 1);   // the master string
  auto v20 = loadRecord<TfrBandView>(brec);
  EXPECT_EQ(v20->ChildBand, "Child1");
  EXPECT_EQ(v20->Columns, 3);
  EXPECT_TRUE(v20->Master.isEmpty());
}

TEST(ReportObjectModel, PictureRecordWithoutGraphic) {
  TfrPictureView p;
  p.Name = "P";
  p.BlobType = 2;
  const QByteArray rec = storeRecord(&p);
  // kind 0, blob type, end position = just after the end-position field
  EXPECT_EQ(uchar(rec[rec.size() - 6]), 0);
  EXPECT_EQ(uchar(rec[rec.size() - 5]), 2);
  EXPECT_EQ(int32At(rec, rec.size() - 4), rec.size());
  auto back = loadRecord<TfrPictureView>(rec);
  EXPECT_TRUE(back->Picture.isEmpty());
  EXPECT_EQ(back->BlobType, 2);

  // Record version 1.0 has no blob-type byte.
  QByteArray v10 = rec;
  v10[2 + 1] = 1;
  v10[2 + 1 + 1] = 0;
  v10.remove(v10.size() - 6 - 1, 1);   // BandAlign byte goes with major 1
  v10.remove(v10.size() - 5, 1);       // blob type
  qToLittleEndian<int32_t>(v10.size(), v10.data() + v10.size() - 4);
  auto old = loadRecord<TfrPictureView>(v10);
  EXPECT_EQ(old->BlobType, 0);
}

TEST(ReportObjectModel, CopyViewStateTakesEveryRecordedProperty) {
  TfrMemoView src;
  src.Name = "源";
  src.ObjectID = 777;
  src.SetBounds(1, 2, 3, 4);
  src.Memo = {"甲", "乙"};
  src.Font.setName("黑体");
  src.Alignment = 9;
  src.StreamMode = 1;
  TfrMemoView dst;
  CopyViewState(&dst, &src);
  EXPECT_EQ(dst.Name, "源");
  EXPECT_EQ(dst.ObjectID, 777u);
  EXPECT_EQ(dst.Memo, src.Memo);
  EXPECT_EQ(dst.Font.name(), "黑体");
  EXPECT_EQ(dst.Alignment, 9);
  EXPECT_EQ(QRect(dst.Left, dst.Top, dst.Width, dst.Height), QRect(1, 2, 3, 4));
  EXPECT_EQ(src.StreamMode, 1);
}

TEST(ReportObjectModel, SplitObjectPropertyFindsPagesAndObjects) {
  TfrReport r;
  r.setObjectName("frReport1");
  r.AppendPage();
  TfrPage* p2 = r.AppendPage();
  auto* memo = static_cast<TfrMemoView*>(p2->Add(new TfrMemoView));
  memo->Name = "Memo1";
  auto* other = static_cast<TfrMemoView*>(p2->Add(new TfrMemoView));
  other->Name = "Other";
  CurrentReport() = &r;
  CurrentView() = other;
  struct Case {
    const char* name;
    TfrObject* object;
    const char* property;
  };
  const Case cases[] = {
      {"Page2.Height", p2, "Height"},
      {"page1.Width", r.Pages[0].get(), "Width"},
      {"Memo1.Font.Name", memo, "Font.Name"},
      {"memo1.Visible", memo, "Visible"},
      {"Visible", other, "Visible"},
      {"Font.Name", other, "Font.Name"},
      {"Nobody.Visible", nullptr, "Nobody.Visible"},
      {"Page9.Height", nullptr, "Page9.Height"},
  };
  for (const Case& c : cases) {
    QString prop;
    EXPECT_EQ(SplitObjectProperty(c.name, prop), c.object) << c.name;
    EXPECT_EQ(prop, c.property) << c.name;
  }

  ErrorFlag() = false;
  memo->Memo = {"[Sum]", "x"};
  CurrentView() = memo;
  RecordBuildError(EParserError("符号没定义 \"Sum\""));
  EXPECT_TRUE(ErrorFlag());
  EXPECT_EQ(ErrorText(), "计算时发生错误\r[Sum]\rx\r\r报表: frReport1\r对象: Memo1\r\r符号没定义 \"Sum\"");
  EXPECT_TRUE(r.Terminated);
  ErrorFlag() = false;
  ErrorText().clear();
  CurrentView() = nullptr;
  CurrentReport() = nullptr;
}
