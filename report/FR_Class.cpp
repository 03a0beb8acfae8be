#include "report/FR_Class.h"
#include "report/FR_Dialog.h"

#include <QBuffer>
#include <QMap>
#include <QRegularExpression>
#include <cmath>

#include "report/FR_Intrp.h"
#include "report/FR_Pars.h"
#include "report/FR_Utils.h"

// ---- engine-wide state
bool& BuildMode() { static bool v = false; return v; }
bool& FirstPassRunning() { static bool v = false; return v; }
uint32_t& ObjectIDCounter() { static uint32_t v = 0; return v; }
bool& ErrorFlag() { static bool v = false; return v; }
QString& ErrorText() { static QString v; return v; }
TfrReport*& CurrentReport() { static TfrReport* v = nullptr; return v; }
TfrPage*& CurrentPage() { static TfrPage* v = nullptr; return v; }
TfrView*& CurrentView() { static TfrView* v = nullptr; return v; }
TfrEditorHooks& EditorHooks() { static TfrEditorHooks h; return h; }

// ---- properties
TfrObject::~TfrObject() = default;

void TfrObject::AddProperty(const QString& name, uint16_t type, std::function<void()> editor) {
  auto p = std::make_unique<TfrPropRec>();
  p->name = name.left(32);
  p->type = type;
  p->editor = std::move(editor);
  p->editorObject = this;
  props_.push_back(std::move(p));
}

void TfrObject::AddEnumProperty(const QString& name, const QString& texts, const Variant& values) {
  auto p = std::make_unique<TfrPropRec>();
  p->name = name.left(32);
  p->type = frdtEnum;
  SplitSemicolonList(texts, p->enumNames);
  while (!p->enumNames.isEmpty() && p->enumNames.last().isEmpty()) p->enumNames.removeLast();
  p->enumValues = values.isArray() ? values : Variant::null();
  props_.push_back(std::move(p));
}

const std::vector<std::unique_ptr<TfrPropRec>>& TfrObject::Properties() {
  if (props_.empty()) DeclareProps();
  return props_;
}

TfrPropRec* FindPropRec(TfrObject* object, const QString& name) {
  if (!object) return nullptr;
  for (const auto& p : object->Properties())
    if (p->name.compare(name, Qt::CaseInsensitive) == 0) return p.get();
  return nullptr;
}

bool WriteFontProperty(TFont& font, const QString& name, const Variant& value) {
  if (name == QLatin1String("FONT.NAME")) font.setName(value.toString());
  else if (name == QLatin1String("FONT.SIZE")) font.setSize(value.toInt());
  else if (name == QLatin1String("FONT.STYLE")) font.setStyle(FontStyleFromStored(uint8_t(value.toInt())));
  else if (name == QLatin1String("FONT.COLOR")) font.setColor(value.toInt());
  else return false;
  return true;
}

Variant ReadFontProperty(const TFont& font, const QString& name) {
  if (name == QLatin1String("FONT.NAME")) return font.name();
  if (name == QLatin1String("FONT.SIZE")) return font.size();
  if (name == QLatin1String("FONT.STYLE")) return int(FontStyleToStored(font.style()));
  if (name == QLatin1String("FONT.COLOR")) return int(font.color());
  return Variant::null();
}

bool ListPropertyMethod(QStringList& list, const QString& method, Variant& result, const Variant& a1,
                        const Variant& a2, const Variant& a3, const QString& L) {
  auto eval = [](const Variant& v) { return ReportParser().Evaluate(v.toString()); };
  if (method == QLatin1String("SETINDEXPROPERTY")) {
    if (a1.toString().compare(L, Qt::CaseInsensitive) == 0) {
      int i = a2.toInt();
      if (i >= 0 && i < list.size()) list[i] = a3.toString();
    }
  } else if (method == QLatin1String("GETINDEXPROPERTY")) {
    if (a1.toString().compare(L, Qt::CaseInsensitive) == 0) {
      int i = a2.toInt();
      if (i >= 0 && i < list.size()) result = list[i];
    }
  } else if (method == L + QLatin1String(".ADD")) {
    list.append(eval(a1).toString());
  } else if (method == L + QLatin1String(".CLEAR")) {
    list.clear();
  } else if (method == L + QLatin1String(".DELETE")) {
    int i = eval(a1).toInt();
    if (i >= 0 && i < list.size()) list.removeAt(i);
  } else if (method == L + QLatin1String(".INDEXOF")) {
    QString t = eval(a1).toString();
    int found = -1;
    for (int i = 0; i < list.size(); ++i)
      if (list[i].compare(t, Qt::CaseInsensitive) == 0) { found = i; break; }
    result = found;
  } else {
    return false;
  }
  return true;
}

// ---- the view base
TfrView::TfrView() {
  // Two decimals and the locale's decimal separator.
  Format = uint32_t(2) << 8 | uint32_t('.');
}
TfrView::~TfrView() {
  if (CurrentView() == this) CurrentView() = nullptr;
}

void TfrView::declareViewProps(bool withFrame) {
  ClearProperties();
  auto hook = [this](std::function<void(TfrView*)> TfrEditorHooks::*h) {
    return [this, h]() { if (EditorHooks().*h) (EditorHooks().*h)(this); };
  };
  AddProperty("Name", frdtString | frdtOneObject);
  AddProperty("Left", frdtSize);
  AddProperty("Top", frdtSize);
  AddProperty("Width", frdtSize);
  AddProperty("Height", frdtSize);
  AddProperty("Flags", 0);
  if (withFrame) {
    AddProperty("FrameTyp", frdtInteger);
    AddProperty("FrameWidth", frdtSize | frdtFloat);
    AddProperty("FrameColor", frdtColor);
    AddEnumProperty("FrameStyle", "psSolid;psDash;psDot;psDashDot;psDashDotDot;psDouble",
                    Variant::array({0, 1, 2, 3, 4, 5}));
    AddProperty("FillColor", frdtColor);
    AddProperty("Tag", frdtString | frdtHasEditor, hook(&TfrEditorHooks::EditTag));
    AddEnumProperty("BandAlign", "baNone;baLeft;baRight;baCenter;baWidth;baBottom;baTop;baRest",
                    Variant::array({0, 1, 2, 3, 4, 5, 6, 7}));
  }
  AddProperty("Visible", frdtBoolean);
  AddProperty("Memo", frdtString | frdtHasEditor, hook(&TfrEditorHooks::EditMemo));
  AddProperty("Memo.Count", 0);
  AddProperty("Restrictions", frdtHasEditor, hook(&TfrEditorHooks::EditRestrictions));
}

void TfrView::DeclareProps() { declareViewProps(true); }

void TfrView::PropWrite(const QString& name, const Variant& value) {
  const QString n = name.toUpper();
  if (n == "NAME") Name = value.toString();
  else if (n == "LEFT") Left = value.toInt();
  else if (n == "TOP") Top = value.toInt();
  else if (n == "WIDTH") Width = value.toInt();
  else if (n == "HEIGHT") Height = value.toInt();
  else if (n == "FLAGS") Flags = uint16_t(value.toInt());
  else if (n == "FRAMETYP") FrameTyp = uint16_t(value.toInt());
  else if (n == "FRAMESTYLE") FrameStyle = uint16_t(value.toInt());
  else if (n == "FRAMEWIDTH") FrameWidth = value.toDouble();
  else if (n == "FRAMECOLOR") FrameColor = value.toInt();
  else if (n == "FILLCOLOR") FillColor = value.toInt();
  else if (n == "VISIBLE") Visible = value.toBool();
  else if (n == "MEMO") Memo = SplitLines(value.toString());
  else if (n == "GAPX") GapX = value.toInt();
  else if (n == "GAPY") GapY = value.toInt();
  else if (n == "STRETCHED") Flags = uint16_t(value.toBool() ? (Flags | 1) : (Flags & ~1));
  else if (n == "BANDALIGN") BandAlign = uint8_t(value.toInt());
  else if (n == "DATAFIELD") Memo = QStringList{value.toString()};
  else if (n == "TAG") Tag = value.toString();
}

Variant TfrView::PropRead(const QString& name) {
  const QString n = name.toUpper();
  if (n == "NAME") return Name;
  if (n == "LEFT") return Left;
  if (n == "TOP") return Top;
  if (n == "WIDTH") return Width;
  if (n == "HEIGHT") return Height;
  if (n == "FLAGS") return int(Flags);
  if (n == "FRAMETYP") return int(FrameTyp);
  if (n == "FRAMESTYLE") return int(FrameStyle);
  if (n == "FRAMEWIDTH") return FrameWidth;
  if (n == "FRAMECOLOR") return int(FrameColor);
  if (n == "FILLCOLOR") return int(FillColor);
  if (n == "VISIBLE") return Visible;
  if (n == "MEMO") return Memo.join("\r\n");
  if (n == "GAPX") return GapX;
  if (n == "GAPY") return GapY;
  if (n == "STRETCHED") return bool(Flags & 1);
  if (n == "BANDALIGN") return int(BandAlign);
  if (n == "DATAFIELD") return Memo.isEmpty() ? QString() : Memo[0];
  if (n == "MEMO.COUNT") return int(Memo.size());
  if (n == "TAG") return Tag;
  return Variant::null();
}

Variant TfrView::InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) {
  Variant result = Variant::null();
  ListPropertyMethod(Memo, name, result, a1, a2, a3, QStringLiteral("MEMO"));
  if (name == QLatin1String("HIDE")) PropWrite("Visible", false);
  else if (name == QLatin1String("SHOW")) PropWrite("Visible", true);
  return result;
}

void TfrView::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

void TfrView::MakeUniqueName() {
  Name.clear();
  TfrReport* r = CurrentReport();
  for (int n = 1; n <= 10000; ++n) {
    QString candidate = BaseName + QString::number(n);
    bool unique = r ? r->IsUniqueObjectName(candidate) : (!ParentPage || !ParentPage->FindObject(candidate));
    if (unique) {
      PropWrite("Name", candidate);
      return;
    }
  }
}

// Frame width in the record: the whole number itself when whole and at most 10, else × 1000.
static int32_t storedFrameWidth(double w) {
  if (w == std::floor(w) && w <= 10 && w >= -2147483648.0) return int32_t(w);
  return int32_t(std::lround(w * 1000));
}

void TfrView::StoreRecord(QIODevice& s) {
  VersionMajor = 2;
  WriteCountedString(s, Name);
  frs::WriteU8(s, VersionMajor);
  frs::WriteU8(s, VersionMinor);
  frs::WriteI32(s, Left);
  frs::WriteI32(s, Top);
  frs::WriteI32(s, Width);
  frs::WriteI32(s, Height);
  frs::WriteU16(s, Flags);
  frs::WriteU16(s, FrameTyp);
  frs::WriteI32(s, storedFrameWidth(FrameWidth));
  frs::WriteI32(s, FrameColor);
  frs::WriteU16(s, FrameStyle);
  frs::WriteI32(s, FillColor);
  if (StreamMode == 0) {
    frs::WriteU32(s, Format);
    WriteCountedString(s, FormatStr);
  }
  WriteCountedMemo(s, StreamMode == 0 ? Memo : EvaluatedMemo);
  if (StreamMode == 0) {
    WriteCountedMemo(s, Script);
    frs::WriteU16(s, Visible ? 1 : 0);
  }
  frs::WriteU16(s, Restrictions);
  WriteCountedString(s, Tag);
  frs::WriteI32(s, GapX);
  frs::WriteI32(s, GapY);
  frs::WriteU8(s, BandAlign);
}

void TfrView::LoadRecord(QIODevice& s) {
  const int v = StreamVersion();
  if (v > 23 || (v == 23 && StreamMode == 0))
    Name = ReadStreamString(s);
  else
    MakeUniqueName();
  if (v > 23) {
    VersionMajor = frs::ReadU8(s);
    VersionMinor = frs::ReadU8(s);
  }
  Left = frs::ReadI32(s);
  Top = frs::ReadI32(s);
  Width = frs::ReadI32(s);
  Height = frs::ReadI32(s);
  Flags = frs::ReadU16(s);
  FrameTyp = frs::ReadU16(s);
  int32_t fw = frs::ReadI32(s);
  FrameWidth = fw <= 10 ? double(fw) : fw / 1000.0;
  FrameColor = frs::ReadI32(s);
  FrameStyle = frs::ReadU16(s);
  FillColor = frs::ReadI32(s);
  if (StreamMode == 0) {
    Format = frs::ReadU32(s);
    FormatStr = ReadStreamString(s);
  }
  ReadStreamMemo(s, Memo);
  if (StreamMode == 0 && v >= 23) {
    ReadStreamMemo(s, Script);
    Visible = frs::ReadU16(s) != 0;
  }
  if (v >= 24) {
    Restrictions = frs::ReadU16(s);
    Tag = ReadStreamString(s);
    GapX = frs::ReadI32(s);
    GapY = frs::ReadI32(s);
  }
  if (VersionMajor > 1) BandAlign = frs::ReadU8(s);
}

Variant TfrStretcheable::InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) {
  Variant r = TfrView::InvokeMethod(name, a1, a2, a3);
  if (name == QLatin1String("CALCHEIGHT")) r = CalcHeight();
  return r;
}

// ---- band view
const QStringList& BandKindNames() {
  // Engine texts 55077 to 55099, one per band kind.
  static const QStringList names = [] {
    QStringList l;
    for (int id = 55077; id <= 55099; ++id) l.append(LocaleText(id));
    return l;
  }();
  return names;
}

TfrBandView::TfrBandView() {
  Typ = gtBand;
  BaseName = "Band";
  Format = 0;
  Flags = 48;
}

static bool kindIn(int k, std::initializer_list<int> kinds) {
  for (int x : kinds)
    if (x == k) return true;
  return false;
}

QString TfrBandView::ChildBandChoices() const {
  if (BuildMode() || !ParentPage) return {};
  QString r;
  for (const auto& o : ParentPage->Objects)
    if (o.get() != this && o->Typ == gtBand && static_cast<TfrBandView*>(o.get())->BandKind() == 21)
      r += o->Name + ";";
  return r;
}

QString TfrBandView::MasterChoices() const {
  if (BuildMode() || !ParentPage) return {};
  QString r;
  for (const auto& o : ParentPage->Objects)
    if (o.get() != this && o->Typ == gtBand && kindIn(static_cast<TfrBandView*>(o.get())->BandKind(), {5, 8, 11}))
      r += o->Name + ";";
  return r;
}

void TfrBandView::DeclareProps() {
  declareViewProps(false);
  const int k = BandKind();
  auto hook = [this](std::function<void(TfrView*)> TfrEditorHooks::*h) {
    return [this, h]() { if (EditorHooks().*h) (EditorHooks().*h)(this); };
  };
  if (k != 3) {
    AddEnumProperty("ChildBand", ChildBandChoices(), Variant::null());
    AddProperty("PrintChildIfInvisible", frdtBoolean);
  }
  if (kindIn(k, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 18, 21})) AddProperty("Stretched", frdtBoolean);
  if (kindIn(k, {0, 1, 5, 6, 8, 9, 11, 12, 16})) AddProperty("FormNewPage", frdtBoolean);
  if (kindIn(k, {5, 8})) AddProperty("PrintIfSubsetEmpty", frdtBoolean);
  if (kindIn(k, {0, 1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 16, 17, 21})) AddProperty("Breaked", frdtBoolean);
  if (kindIn(k, {2, 3})) AddProperty("OnFirstPage", frdtBoolean);
  if (k == 3) AddProperty("OnLastPage", frdtBoolean);
  if (kindIn(k, {4, 7, 10, 16, 18})) AddProperty("RepeatHeader", frdtBoolean);
  if (k == 19) AddProperty("DataSource", frdtHasEditor, hook(&TfrEditorHooks::EditCrossSource));
  if (kindIn(k, {5, 8, 11})) {
    AddProperty("Columns", frdtInteger);
    AddProperty("ColumnWidth", frdtSize);
    AddProperty("ColumnGap", frdtSize);
    AddProperty("DataSource", frdtHasEditor, hook(&TfrEditorHooks::EditBandSource));
  }
  if (k == 16) {
    AddProperty("Condition", frdtString);
    AddEnumProperty("Master", MasterChoices(), Variant::null());
  }
  AddProperty("EOF", 0);
  for (auto& p : props_)
    if (p->name == QLatin1String("Memo")) p->name = "OnBeforePrint";
}

static const char* const kBandBitNames[] = {nullptr, "FORMNEWPAGE", "PRINTIFSUBSETEMPTY", "BREAKED",
                                            "ONFIRSTPAGE", "ONLASTPAGE", "REPEATHEADER", "PRINTCHILDIFINVISIBLE"};

void TfrBandView::PropWrite(const QString& name, const Variant& value) {
  TfrView::PropWrite(name, value);
  const QString n = name.toUpper();
  for (int b = 1; b < 8; ++b)
    if (n == QLatin1String(kBandBitNames[b])) {
      Flags = uint16_t(value.toBool() ? (Flags | (1 << b)) : (Flags & ~(1 << b)));
      return;
    }
  if (n == "CHILDBAND") ChildBand = value.toString();
  else if (n == "MASTER") Master = value.toString();
  else if (n == "CONDITION") FormatStr = value.toString();
  else if (n == "COLUMNS") Columns = value.toInt();
  else if (n == "COLUMNGAP") ColumnGap = value.toInt();
  else if (n == "COLUMNWIDTH") ColumnWidth = value.toInt();
  else if (n == "NEWCOLUMNAFTER") NewColumnAfter = value.toInt();
}

Variant TfrBandView::PropRead(const QString& name) {
  Variant r = TfrView::PropRead(name);
  if (!r.isNull()) return r;
  const QString n = name.toUpper();
  for (int b = 1; b < 8; ++b)
    if (n == QLatin1String(kBandBitNames[b])) return bool(Flags & (1 << b));
  if (n == "CHILDBAND") return ChildBand;
  if (n == "MASTER") return Master;
  if (n == "CONDITION") return FormatStr;
  if (n == "EOF") return true;   // outside a build there is no record source
  if (n == "COLUMNS") return Columns;
  if (n == "COLUMNGAP") return ColumnGap;
  if (n == "NEWCOLUMNAFTER") return NewColumnAfter;
  if (n == "COLUMNWIDTH") return ColumnWidth;
  return Variant::null();
}

void TfrBandView::StoreRecord(QIODevice& s) {
  VersionMinor = 1;
  TfrView::StoreRecord(s);
  WriteCountedString(s, ChildBand);
  frs::WriteI32(s, Columns);
  frs::WriteI32(s, ColumnWidth);
  frs::WriteI32(s, ColumnGap);
  frs::WriteI32(s, NewColumnAfter);
  WriteCountedString(s, Master);
}

void TfrBandView::LoadRecord(QIODevice& s) {
  TfrView::LoadRecord(s);
  if (StreamVersion() > 23) {
    ChildBand = ReadCountedString(s);
    Columns = frs::ReadI32(s);
    ColumnWidth = frs::ReadI32(s);
    ColumnGap = frs::ReadI32(s);
    NewColumnAfter = frs::ReadI32(s);
    if (VersionMajor * 10 + VersionMinor > 20) Master = ReadCountedString(s);
  }
}

// ---- sub-report view
TfrSubReportView::TfrSubReportView() {
  Typ = gtSubReport;
  BaseName = "SubReport";
}
void TfrSubReportView::StoreRecord(QIODevice& s) {
  TfrView::StoreRecord(s);
  frs::WriteI32(s, SubPage);
}
void TfrSubReportView::LoadRecord(QIODevice& s) {
  TfrView::LoadRecord(s);
  SubPage = frs::ReadI32(s);
}

// ---- picture view
TfrPictureView::TfrPictureView() {
  Typ = gtPicture;
  BaseName = "Picture";
  Flags = 1 | flPictRatio;
  const char* names[] = {"btBMP", "btJPG", "btICO", "btWMF"};
  for (int i = 0; i < 4; ++i) ReportConstants().PutValue(names[i], i);
}

void TfrPictureView::DeclareProps() {
  TfrView::DeclareProps();
  auto hook = [this](std::function<void(TfrView*)> TfrEditorHooks::*h) {
    return [this, h]() { if (EditorHooks().*h) (EditorHooks().*h)(this); };
  };
  AddProperty("Picture", frdtHasEditor, hook(&TfrEditorHooks::EditPicture));
  AddProperty("Stretched", frdtBoolean);
  AddProperty("Center", frdtBoolean);
  AddProperty("KeepAspect", frdtBoolean);
  AddProperty("DataField", frdtString | frdtHasEditor | frdtOneObject, hook(&TfrEditorHooks::EditDataField));
  AddEnumProperty("BlobType", "btBMP;btJPG;btICO;btWMF", Variant::array({0, 1, 2, 3}));
}

// Picture objects handed out by reading PICTURE, so that writing the value back copies them.
static QMap<int, TfrPicture*>& pictureRefs() {
  static QMap<int, TfrPicture*> m;
  return m;
}

TfrPictureView::~TfrPictureView() {
  // A reference handed out by reading PICTURE dies with the picture.
  const int ref = int(ObjectID) + 1;
  if (pictureRefs().value(ref, nullptr) == &Picture) pictureRefs().remove(ref);
}

void TfrPictureView::PropWrite(const QString& name, const Variant& value) {
  TfrView::PropWrite(name, value);
  const QString n = name.toUpper();
  if (n == "CENTER") Flags = uint16_t(value.toBool() ? (Flags | flPictCenter) : (Flags & ~flPictCenter));
  else if (n == "KEEPASPECT") Flags = uint16_t(value.toBool() ? (Flags | flPictRatio) : (Flags & ~flPictRatio));
  else if (n == "BLOBTYPE") BlobType = uint8_t(value.toInt());
  else if (n == "PICTURE") {
    int ref = value.toInt();
    if (ref == 0) Picture.clear();
    else if (TfrPicture* p = pictureRefs().value(ref, nullptr); p && p != &Picture) Picture = *p;
  }
}

Variant TfrPictureView::PropRead(const QString& name) {
  Variant r = TfrView::PropRead(name);
  if (!r.isNull()) return r;
  const QString n = name.toUpper();
  if (n == "CENTER") return bool(Flags & flPictCenter);
  if (n == "KEEPASPECT") return bool(Flags & flPictRatio);
  if (n == "BLOBTYPE") return int(BlobType);
  if (n == "PICTURE") {
    // A reference number that stays valid while the view lives (its ObjectID + 1).
    int ref = int(ObjectID) + 1;
    pictureRefs()[ref] = &Picture;
    return ref;
  }
  return Variant::null();
}

Variant TfrPictureView::InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) {
  Variant r = TfrView::InvokeMethod(name, a1, a2, a3);
  if (name == QLatin1String("LOADFROMFILE")) {
    QString file;
    try {
      file = ReportParser().Evaluate(a1.toString()).toString();
    } catch (const Exception&) {
      file.clear();
    }
    if (file.isEmpty() || !Picture.loadFromFile(file)) Picture.clear();
  }
  return r;
}

void TfrPictureView::FillFromBlob(const QByteArray& bytes, bool isNull) {
  Picture.clear();
  if (isNull) return;
  static const TfrPicture::Kind byBlob[] = {TfrPicture::Bitmap, TfrPicture::Jpeg, TfrPicture::Icon,
                                            TfrPicture::Metafile};
  if (BlobType > 3) return;   // no graphic class for this type: the picture stays empty
  Picture.load(byBlob[BlobType], bytes);
}

void TfrPictureView::OpenEditor() {
  if (EditorHooks().EditPicture) EditorHooks().EditPicture(this);
}

void TfrPictureView::StoreRecord(QIODevice& s) {
  TfrView::StoreRecord(s);
  const uint8_t kind = Picture.isEmpty() ? 0 : Picture.kind();
  frs::WriteU8(s, kind);
  frs::WriteU8(s, BlobType);
  const qint64 at = s.pos();
  frs::WriteI32(s, 0);
  if (kind != 0) frs::WriteRaw(s, Picture.streamForm());
  const qint64 end = s.pos();
  s.seek(at);
  frs::WriteI32(s, int32_t(end));
  s.seek(s.size());
}

void TfrPictureView::LoadRecord(QIODevice& s) {
  TfrView::LoadRecord(s);
  const uint8_t kind = frs::ReadU8(s);
  if (VersionMajor * 10 + VersionMinor > 10) BlobType = frs::ReadU8(s);
  const int32_t end = frs::ReadI32(s);
  if (end < s.pos() || end > s.size()) throw EReadError(QStringLiteral("图片数据的结束位置 %1 无效").arg(end));
  Picture.clear();
  if (kind >= 1 && kind <= 4) Picture.load(TfrPicture::Kind(kind), frs::ReadRaw(s, end - s.pos()));
  frs::SeekTo(s, end);
}

// ---- line view
TfrLineView::TfrLineView() {
  Typ = gtLine;
  BaseName = "Line";
  FrameTyp = 4;
  FillColor = 0xFFFFFF;
}
void TfrLineView::DeclareProps() {
  TfrView::DeclareProps();
  AddProperty("Stretched", frdtBoolean);
}

// ---- factory
namespace {
struct AddInEntry {
  QString className;
  std::function<TfrView*()> make;
};
QList<AddInEntry>& addIns() {
  static QList<AddInEntry> l;
  return l;
}
}  // namespace

// The factory knows the dialog-page controls from its first use.
static bool registerBuiltInAddIns() {
  static const bool done = [] {
    RegisterDialogControls();
    return true;
  }();
  return done;
}

void RegisterAddInObject(const QString& className, std::function<TfrView*()> make) {
  for (auto& e : addIns())
    if (e.className == className) { e.make = std::move(make); return; }
  if (addIns().size() >= 32) throw EInvalidOperation(QStringLiteral("附加对象类过多"));
  addIns().append({className, std::move(make)});
}
void UnregisterAddInObject(const QString& className) {
  for (int i = 0; i < addIns().size(); ++i)
    if (addIns()[i].className == className) { addIns().removeAt(i); return; }
}

TfrView* CreateViewByType(int type, const QString& className) {
  TfrView* v = nullptr;
  switch (type) {
    case gtMemo: v = new TfrMemoView; break;
    case gtPicture: v = new TfrPictureView; break;
    case gtBand: v = new TfrBandView; break;
    case gtSubReport: v = new TfrSubReportView; break;
    case gtLine: v = new TfrLineView; break;
    case gtAddIn: {
      registerBuiltInAddIns();
      for (const auto& e : addIns())
        if (e.className == className) { v = e.make(); break; }
      if (!v) {
        ErrorFlag() = true;
        ErrorText() += className + "\r";
        throw EClassNotFound(ErrorText());
      }
      v->Typ = gtAddIn;
      break;
    }
    default: return nullptr;
  }
  v->ObjectID = ObjectIDCounter()++;
  return v;
}

void CopyViewState(TfrView* target, TfrView* source) {
  target->Name = source->Name;
  target->Typ = source->Typ;
  target->ObjectID = source->ObjectID;
  StreamVersion() = kCurrentStreamVersion;
  QBuffer buf;
  buf.open(QIODevice::ReadWrite);
  const uint8_t saved = source->StreamMode;
  source->StreamMode = 0;
  source->StoreRecord(buf);
  source->StreamMode = saved;
  buf.seek(0);
  target->StreamMode = 0;
  target->LoadRecord(buf);
}

// ---- pages
int TenthsMmToPixels(int tenths) { return int(std::lround(tenths / 254.0 * 93.0 / 1.015)); }

TfrPage::TfrPage() = default;
TfrPage::~TfrPage() {
  if (CurrentPage() == this) CurrentPage() = nullptr;
}

TfrView* TfrPage::Add(TfrView* view) {
  view->ParentPage = this;
  Objects.emplace_back(view);
  return view;
}

TfrView* TfrPage::FindObject(const QString& name) const {
  for (const auto& o : Objects)
    if (o->Name.compare(name, Qt::CaseInsensitive) == 0) return o.get();
  return nullptr;
}

int TfrPage::PageWidthPixels() const { return TenthsMmToPixels(pgOr == 1 ? pgHeight : pgWidth); }
int TfrPage::PageHeightPixels() const { return TenthsMmToPixels(pgOr == 1 ? pgWidth : pgHeight); }

void TfrPage::WritePageRecord(QIODevice& s) const {
  frs::WriteI32(s, -1);
  frs::WriteI32(s, pgSize);
  frs::WriteI32(s, pgWidth);
  frs::WriteI32(s, pgHeight);
  frs::WriteI32(s, LeftMargin);
  frs::WriteI32(s, TopMargin);
  frs::WriteI32(s, RightMargin);
  frs::WriteI32(s, BottomMargin);
  frs::WriteU8(s, pgOr);
  frs::WriteI32(s, pgBin);
  frs::WriteI16(s, PrintToPrevPage ? 1 : 0);
  frs::WriteI16(s, UseMargins ? 1 : 0);
  frs::WriteI32(s, Columns);
  frs::WriteI32(s, ColumnGap);
  frs::WriteU8(s, PageType);
  WriteCountedString(s, Name);
  frs::WriteU8(s, BorderStyle);
  WriteCountedString(s, Caption);
  frs::WriteI32(s, Color);
  frs::WriteI32(s, Left);
  frs::WriteI32(s, Top);
  frs::WriteI32(s, Width);
  frs::WriteI32(s, Height);
  frs::WriteU8(s, Position);
  WriteCountedMemo(s, Script);
}

void TfrPage::ReadPageRecord(QIODevice& s) {
  const int v = StreamVersion();
  Script.clear();
  int32_t first = frs::ReadI32(s);
  const bool withScript = first == -1;
  pgSize = withScript ? frs::ReadI32(s) : first;
  pgWidth = frs::ReadI32(s);
  pgHeight = frs::ReadI32(s);
  LeftMargin = frs::ReadI32(s);
  TopMargin = frs::ReadI32(s);
  RightMargin = frs::ReadI32(s);
  BottomMargin = frs::ReadI32(s);
  pgOr = frs::ReadU8(s);
  if (v < 23) frs::ReadRaw(s, 6);
  pgBin = v > 23 ? frs::ReadI32(s) : -1;
  PrintToPrevPage = frs::ReadI16(s) != 0;
  UseMargins = frs::ReadI16(s) != 0;
  Columns = frs::ReadI32(s);
  ColumnGap = frs::ReadI32(s);
  if (v < 24) {
    TfrReport* r = CurrentReport();
    for (int n = 1;; ++n) {
      QString candidate = "Page" + QString::number(n);
      bool used = false;
      if (r)
        for (const auto& p : r->Pages)
          if (p.get() != this && p->Name.compare(candidate, Qt::CaseInsensitive) == 0) used = true;
      if (!used) { Name = candidate; break; }
    }
    return;
  }
  PageType = frs::ReadU8(s);
  Name = ReadCountedString(s);
  uint8_t bs = frs::ReadU8(s);
  BorderStyle = bs == 0 ? 3 : (bs == 1 ? 2 : bs);
  Caption = ReadCountedString(s);
  Color = frs::ReadI32(s);
  Left = frs::ReadI32(s);
  Top = frs::ReadI32(s);
  Width = frs::ReadI32(s);
  Height = frs::ReadI32(s);
  Position = frs::ReadU8(s) != 0 ? 4 : 0;
  if (withScript) ReadCountedMemo(s, Script);
}

// ---- service operations
TfrObject* SplitObjectProperty(const QString& name, QString& property) {
  TfrObject* object = CurrentView();
  property = name;
  const int dot = name.indexOf(QLatin1Char('.'));
  if (dot >= 0) {
    const QString objName = name.left(dot);
    TfrObject* found = nullptr;
    TfrReport* r = CurrentReport();
    if (objName.size() > 4 && objName.startsWith(QLatin1String("PAGE"), Qt::CaseInsensitive) && objName[4].isDigit()) {
      bool ok = false;
      const int n = objName.mid(4).toInt(&ok);
      if (ok && r && n >= 1 && n <= int(r->Pages.size())) found = r->Pages[n - 1].get();
    } else if (r) {
      found = r->FindObject(objName);
    }
    if (found) {
      object = found;
      property = name.mid(dot + 1);
    } else if (!(CurrentView() && FindPropRec(CurrentView(), name))) {
      object = nullptr;
    }
  }
  if (object) object->Properties();
  return object;
}

bool RunScriptLines(const QStringList& script) {
  if (script.isEmpty()) return true;
  try {
    QStringList coded, errors;
    ReportInterpreter().CompileScript(script, coded, errors);
    if (!errors.isEmpty()) throw EParserError(errors.first());
    ReportInterpreter().RunScript(coded);
  } catch (const Exception& e) {
    RecordBuildError(e);
    return false;
  }
  return true;
}

void RecordBuildError(const Exception& error) {
  ErrorFlag() = true;
  TfrView* v = CurrentView();
  TfrReport* r = CurrentReport();
  QString t = LocaleText(55200);
  if (v)
    for (const QString& line : v->Memo) t += "\r" + line;
  t += "\r\r" + LocaleText(55201) + " " + (r ? r->objectName() : QString()) + "\r";
  if (v) t += LocaleText(55202) + " " + v->Name + "\r";
  t += "\r" + error.message();
  ErrorText() = t;
  if (r) r->Terminated = true;
}
