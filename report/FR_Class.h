#pragma once

#include <QByteArray>
#include <QImage>
#include <QIODevice>
#include <QList>
#include <QObject>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/canvas.h"
#include "platform/exception.h"
#include "platform/variant.h"
#include "report/FR_FileStream.h"
#include "report/FR_Values.h"

// The object model of report templates: the objects of a template page (text, picture, line,
// band and sub-report views), their property protocol, their records in template and built-page
// streams, their drawing, and the pages and report that hold them.

class TfrView;
class TfrPage;
class TfrReport;
class TfrMemoView;
class TDataSet;

// The band being printed, as the band engine tells the objects it emits (null otherwise):
// its rectangle in the objects' coordinates and, inside a cross band, the column being printed.
struct TfrPrintingBand {
  QRect rect;
  bool cross = false;
  int crossColumnWidth = 0;
};
TfrPrintingBand*& PrintingBand();

// ---- engine-wide state
bool& BuildMode();          // true while a report is built, previewed or exported
bool& FirstPassRunning();   // true while the first pass of a two-pass build runs (nothing is painted)
uint32_t& ObjectIDCounter();
bool& ErrorFlag();
QString& ErrorText();
TfrReport*& CurrentReport();
TfrPage*& CurrentPage();
TfrView*& CurrentView();

// The value of FillColor that means "no fill".
inline constexpr TColor kNoFill = 0x1FFFFFFF;

// Type codes of objects in streams.
enum TfrObjectType : uint8_t { gtMemo = 0, gtPicture = 1, gtBand = 2, gtSubReport = 3, gtLine = 4, gtAddIn = 10 };

// Property type bits.
enum TfrPropType : uint16_t {
  frdtString = 1, frdtInteger = 2, frdtFloat = 4, frdtBoolean = 8, frdtColor = 16, frdtEnum = 32,
  frdtHasEditor = 64, frdtSize = 128, frdtOneObject = 256,
};

// An add-in object class that the factory does not know.
class EClassNotFound : public Exception { using Exception::Exception; };

// One declared property.
struct TfrPropRec {
  QString name;
  uint16_t type = 0;
  QStringList enumNames;
  Variant enumValues;                  // an array, or Null
  std::function<void()> editor;        // bound to `editorObject`; may be unset
  class TfrObject* editorObject = nullptr;
};

// The editors the designer installs; without a designer they are unset. Each receives the
// object whose property is edited.
struct TfrEditorHooks {
  std::function<void(TfrView*)> EditTag, EditMemo, EditRestrictions, EditFont, EditHighlight, EditPicture,
      EditDataField, EditBandSource, EditCrossSource, EditFormat;
};
TfrEditorHooks& EditorHooks();

class TfrObject {
 public:
  virtual ~TfrObject();
  virtual void PropWrite(const QString& name, const Variant& value) {}
  virtual Variant PropRead(const QString& name) { return Variant::null(); }
  virtual Variant InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) {
    return Variant::null();
  }
  virtual void DeclareProps() {}

  void AddProperty(const QString& name, uint16_t type, std::function<void()> editor = {});
  // `texts` separated by ";"; `values` an array or Null.
  void AddEnumProperty(const QString& name, const QString& texts, const Variant& values);
  void ClearProperties() { props_.clear(); }
  // The declared properties; declared first when the list is empty.
  const std::vector<std::unique_ptr<TfrPropRec>>& Properties();

 protected:
  std::vector<std::unique_ptr<TfrPropRec>> props_;
};

// First property of that name (letter case ignored), declaring the list first when empty.
TfrPropRec* FindPropRec(TfrObject* object, const QString& name);

// FONT.NAME, FONT.SIZE, FONT.STYLE (stored style bits), FONT.COLOR; other names are ignored.
bool WriteFontProperty(TFont& font, const QString& name, const Variant& value);
Variant ReadFontProperty(const TFont& font, const QString& name);

// The text-list methods of objects (SETINDEXPROPERTY, GETINDEXPROPERTY, L.ADD, L.CLEAR,
// L.DELETE, L.INDEXOF) on `list` named `listName`. Returns true when the method was one of them.
bool ListPropertyMethod(QStringList& list, const QString& method, Variant& result, const Variant& a1,
                        const Variant& a2, const Variant& a3, const QString& listName);

// ---------------------------------------------------------------------------------------
// The view base

class TfrView : public TfrObject {
 public:
  TfrView();
  ~TfrView() override;

  // fields, in the order the engine keeps them
  bool DeferredDraw = false;
  struct Geometry {
    int left = 0, top = 0, width = 0, height = 0, gapX = 0, gapY = 0;
    double frameWidth = 1.0;
  } SavedGeometry;
  QString BaseName = QStringLiteral("View");
  TCanvas* Canvas = nullptr;
  QRect DrawRect;
  QStringList EvaluatedMemo;
  uint8_t StreamMode = 0;
  QString Name;
  uint8_t Typ = gtAddIn;
  uint8_t VersionMajor = 0, VersionMinor = 0;
  uint32_t ObjectID = 0;
  bool Selected = false;
  QRect PrintPosition;
  double ScaleX = 1.0, ScaleY = 1.0;
  int OffsetX = 0, OffsetY = 0;
  bool IsPrinting = false;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  uint16_t Flags = 1;
  uint16_t FrameTyp = 0;
  double FrameWidth = 1.0;
  TColor FrameColor = clBlack;
  uint16_t FrameStyle = 0;
  TColor FillColor = kNoFill;
  uint32_t Format = 0;
  QString FormatStr;
  bool Visible = true;
  int GapX = 2, GapY = 1;
  uint16_t Restrictions = 0;
  QString Tag;
  QStringList Memo;
  QStringList Script;
  uint8_t BandAlign = 0;
  TfrPage* ParentPage = nullptr;
  // The data binding made when a page is prepared: a dataset and a field name.
  TDataSet* BoundDataSet = nullptr;
  QString BoundField;

  // The class name written for add-in objects (type 10).
  virtual QString ClassName() const { return QStringLiteral("TfrView"); }

  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  Variant InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) override;
  void DeclareProps() override;

  // drawing (the view base's steps; subclasses call them from Paint)
  virtual void PaintFill();
  virtual void PaintBorder();
  virtual void FillFromBlob(const QByteArray& bytes, bool isNull) {}
  virtual void AfterTemplateLoad() {}
  virtual void ScaleForDraw();
  virtual void RestoreScale();
  virtual void Paint(TCanvas* canvas) = 0;
  virtual void LoadRecord(QIODevice& s);
  virtual void StoreRecord(QIODevice& s);
  // The clip region's rectangle (the designer repaints and hit-tests with it).
  virtual QRect ClipRegion(bool enlarge);
  virtual void OpenEditor() {}
  // Writes the object into a built page (type byte, class name for add-ins, record) during a
  // build.
  virtual void EmitToPage(QIODevice& s);
  // The XML template element's opening and attributes (the writer closes the element).
  virtual void WriteXmlAttrs(QString& out);

  // Runs the object's script: the hook when the band engine installed one, else the script is
  // compiled and run by ReportInterpreter (a compile error raises EParserError).
  static std::function<void(TfrView*)>& RunScriptHook();
  void RunScript();
  // Fills EvaluatedMemo from the bound field when the binding names an existing field; true
  // when it did.
  bool FillFromBinding();

  // Sets the canvas and CurrentView, then applies BandAlign on the parent page.
  void AlignInBand(TCanvas* canvas);
  void SetBounds(int left, int top, int width, int height);
  void MakeUniqueName();

 protected:
  void drawFrameLine(int x1, int y1, int x2, int y2);
  void declareViewProps(bool withFrame);
};

// Objects that grow with their content.
class TfrStretcheable : public TfrView {
 public:
  uint8_t DrawMode = 0;
  Variant InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) override;
  virtual int CalcHeight() = 0;
  virtual int OneLineHeight() = 0;
  virtual int SplitLeftover() = 0;
};

// ---------------------------------------------------------------------------------------
// Text object

// Alignment bits of a text object.
enum : int {
  frtaLeft = 0, frtaRight = 1, frtaCenter = 2, frtaJustify = 3, frtaVertical = 4, frtaMiddle = 8, frtaDown = 16,
};
// Flags bits of a text object.
enum : uint16_t {
  flStretched = 1, flWordWrap = 2, flWordBreak = 4, flAutoSize = 8, flTextOnly = 16, flSuppressRepeated = 32,
  flHideZeros = 64, flUnderlines = 128, flRTLReading = 256,
};

// The character that ends the last laid-out line of a paragraph.
inline constexpr QChar kParagraphMark = QChar(1);

class TfrMemoView : public TfrStretcheable {
 public:
  TfrMemoView();
  TFont Font;                  // size in points at 96 dpi
  QString LastPrintedText;
  bool PreWrapped = false;
  int TextHeight = 0;
  bool ClipToBottom = false;
  int LineStep = 0;
  int PrintedLineCount = 0;
  bool ExportMode = false;
  int Alignment = 0;
  uint16_t HighlightStyle = 2;  // stored style bits
  TColor HighlightColor = 0;
  TColor HighlightFill = 0xFFFFFF;
  QString HighlightCondition;
  int LineSpacing = 2;
  int CharSpacing = 0;

  QString ClassName() const override { return QStringLiteral("TfrMemoView"); }
  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  Variant InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) override;
  void DeclareProps() override;
  void FillFromBlob(const QByteArray& bytes, bool isNull) override;
  void Paint(TCanvas* canvas) override;
  void LoadRecord(QIODevice& s) override;
  void StoreRecord(QIODevice& s) override;
  void OpenEditor() override;
  void EmitToPage(QIODevice& s) override;
  void WriteXmlAttrs(QString& out) override;
  int CalcHeight() override;
  int OneLineHeight() override;
  int SplitLeftover() override;

  // Text expansion through CurrentReport (plain copy without a report).
  void ExpandMemo();
  void ExpandBrackets(QString& text);
  // The highlight: when the condition holds, the font takes the highlight style and colour and
  // the fill the highlight fill until RestoreHighlight. Errors in the condition leave the object
  // unhighlighted.
  void ApplyHighlight();
  void RestoreHighlight();
  // The coded form of HighlightCondition made when a page is prepared (made on first use when
  // empty); the template's text stays as written.
  QString HighlightCoded;

  // Layout (at design size on the measuring canvas) into SharedLines().
  void WrapMemo();
  void WrapParagraph(const QString& text, int width);
  static QList<int> HyphenationPoints(const QString& word);
  void ShowMemo();
  void DrawUnderlines();
  int CalcTextWidth(const QStringList& lines);
 private:
  // The text for an emission or a measurement: script, before-print handler, binding, expansion.
  void prepareText(bool runScript, bool expand);
  TFont savedFont_;
  TColor savedFill_ = kNoFill;
  bool highlighted_ = false;
 public:
  // Pixel height of the font on the measuring canvas: points × 96 / 72, rounded.
  int PixelFontHeight() const;

  // Lines handed to the export filter instead of being drawn (ExportMode).
  static std::function<void(TfrMemoView* view, const QRect& drawRect, int x, int y, const QString& line,
                             int frameTyp)>& ExportLineHook();
};

// Replaces every [expression] block of a text by its formatted value (through CurrentReport,
// with `view` as CurrentView); inserted text is not scanned again and a "[" without its closing
// bracket stays as written. Nothing happens without a current report.
void ExpandBracketBlocks(QString& text, TfrView* view, const TfrDisplayFormat& format, bool hideZeros);

// The canvas text is measured on, and the line list layout fills (one each for all objects).
TCanvas& MeasureCanvas();
QStringList& SharedLines();

// ---------------------------------------------------------------------------------------
// Band, sub-report, picture and line views

class TfrBandView : public TfrView {
 public:
  TfrBandView();
  QString ChildBand;
  QString Master;
  int Columns = 1, ColumnWidth = 200, ColumnGap = 20, NewColumnAfter = 1;

  int BandKind() const { return FrameTyp & 0xFF; }
  void SetBandKind(int kind) { FrameTyp = uint16_t(kind & 0x7F); }
  QString DataSource() const { return FormatStr; }

  QString ClassName() const override { return QStringLiteral("TfrBandView"); }
  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  void DeclareProps() override;
  void Paint(TCanvas* canvas) override;
  void LoadRecord(QIODevice& s) override;
  void StoreRecord(QIODevice& s) override;
  QRect ClipRegion(bool enlarge) override;
  void WriteXmlAttrs(QString& out) override;
  int TitleTabWidth() const;
  // Where the designer draws the title tab: above the band (left of a cross band), or inside
  // its top (left) edge when the page has no room there.
  QRect TitleTabRect() const;
  // Draws the title tab (the designer draws the tabs again over the objects, so that none hides
  // a band's name).
  void PaintTitleTab(TCanvas* canvas);
  QString ChildBandChoices() const;
  QString MasterChoices() const;
};

// Names of the band kinds 0 to 22.
const QStringList& BandKindNames();

class TfrSubReportView : public TfrView {
 public:
  TfrSubReportView();
  int SubPage = 0;
  QString ClassName() const override { return QStringLiteral("TfrSubReportView"); }
  void Paint(TCanvas* canvas) override;
  void WriteXmlAttrs(QString& out) override;
  void LoadRecord(QIODevice& s) override;
  void StoreRecord(QIODevice& s) override;
};

// A picture held by a picture view: the graphic's kind, its stream form and its image.
// Kinds as the template record numbers them.
class TfrPicture {
 public:
  enum Kind : uint8_t { None = 0, Bitmap = 1, Metafile = 2, Icon = 3, Jpeg = 4 };
  Kind kind() const { return kind_; }
  bool isEmpty() const { return kind_ == None || (image_.isNull() && data_.isEmpty()); }
  const QImage& image() const { return image_; }
  // The graphic's stream form (bitmap file, metafile, icon file or JPEG file image).
  QByteArray streamForm() const;
  int width() const;
  int height() const;
  void clear();
  // Installs the graphic of `kind` from its stream form; damaged data raises EReadError (or
  // EJpegError). A metafile is kept as its bytes (its size comes from its header).
  void load(Kind kind, const QByteArray& data);
  void setImage(Kind kind, const QImage& image);   // Bitmap or Jpeg
  // By extension (.bmp, .jpg/.jpeg, .ico, .emf/.wmf); false (picture cleared) when the file is
  // missing or its type unknown.
  bool loadFromFile(const QString& path);

 private:
  Kind kind_ = None;
  QByteArray data_;
  QImage image_;
};

enum : uint16_t { flPictCenter = 2, flPictRatio = 4 };

class TfrPictureView : public TfrView {
 public:
  TfrPictureView();
  ~TfrPictureView() override;
  TfrPicture Picture;
  uint8_t BlobType = 0;   // 0 BMP, 1 JPG, 2 ICO, 3 WMF

  QString ClassName() const override { return QStringLiteral("TfrPictureView"); }
  void PropWrite(const QString& name, const Variant& value) override;
  Variant PropRead(const QString& name) override;
  Variant InvokeMethod(const QString& name, const Variant& a1, const Variant& a2, const Variant& a3) override;
  void DeclareProps() override;
  void FillFromBlob(const QByteArray& bytes, bool isNull) override;
  void Paint(TCanvas* canvas) override;
  void LoadRecord(QIODevice& s) override;
  void StoreRecord(QIODevice& s) override;
  void OpenEditor() override;
  void WriteXmlAttrs(QString& out) override;
  // The rectangle the picture is drawn into (after ScaleForDraw).
  QRect PictureRect() const;
};

class TfrLineView : public TfrStretcheable {
 public:
  TfrLineView();
  QString ClassName() const override { return QStringLiteral("TfrLineView"); }
  void DeclareProps() override;
  void Paint(TCanvas* canvas) override;
  QRect ClipRegion(bool enlarge) override;
  void WriteXmlAttrs(QString& out) override;
  int CalcHeight() override { return Height; }
  int OneLineHeight() override { return 1; }
  int SplitLeftover() override { return 0; }
};

// ---------------------------------------------------------------------------------------
// Factory and add-in classes

// Registers an add-in object class by class name (at most 32).
void RegisterAddInObject(const QString& className, std::function<TfrView*()> make);
void UnregisterAddInObject(const QString& className);
// Types 0 to 4 make the built-in views; 10 an add-in class by exact name (EClassNotFound with the
// collected ErrorText when unknown); other codes make nothing. A made object takes the next
// ObjectID.
TfrView* CreateViewByType(int type, const QString& className = {});
// The target takes the source's name, type and ObjectID and every property of its record.
void CopyViewState(TfrView* target, TfrView* source);

// "Object.Property" to the object and the property: "PageN" (N from 1) names template page N,
// another name the report's object of that name (letter case ignored); a name without a dot, or
// whose object part names nothing while CurrentView declares the whole name, goes to CurrentView.
// The object is null when nothing matches. The object's properties are declared when empty.
TfrObject* SplitObjectProperty(const QString& name, QString& property);

// An error met while an object was evaluated or printed: ErrorFlag is set, ErrorText describes
// the object, the report and the message, and the current report is told to stop.
void RecordBuildError(const Exception& error);
// True once the build or print run of `r` is to stop (its Terminated, or that of the report
// receiving the pages). While the progress window is shown, its messages are handled now and then
// first, so that its Cancel is heard inside long scripts and band loops, not only between pages.
bool BuildStopRequested(TfrReport* r);

// Compiles and runs script lines of a band, page or control; an error goes to RecordBuildError
// and gives false.
bool RunScriptLines(const QStringList& script);

// ---------------------------------------------------------------------------------------
// Pages

enum TfrPageType : uint8_t { ptReport = 0, ptDialog = 1 };

class TfrPage : public TfrObject {
 public:
  TfrPage();
  ~TfrPage() override;
  int pgSize = 9;          // paper size code (256 custom)
  int pgWidth = 2100;      // tenths of a millimetre
  int pgHeight = 2970;
  int LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;  // design pixels
  uint8_t pgOr = 0;        // 0 portrait, 1 landscape
  int pgBin = -1;
  bool PrintToPrevPage = false;
  bool UseMargins = true;
  int Columns = 1, ColumnGap = 0;
  uint8_t PageType = ptReport;
  QString Name;
  uint8_t BorderStyle = 3;
  QString Caption;
  TColor Color = clBtnFace;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  uint8_t Position = 0;
  QStringList Script;
  std::vector<std::unique_ptr<TfrView>> Objects;

  TfrView* Add(TfrView* view);   // takes ownership, sets ParentPage
  TfrView* FindObject(const QString& name) const;   // letter case ignored
  // Printable area in design pixels (report pixels: 93/1.015 per inch).
  int PageWidthPixels() const;
  int PageHeightPixels() const;
  int LeftEdge() const { return LeftMargin; }
  int RightEdge() const { return PageWidthPixels() - RightMargin; }

  void WritePageRecord(QIODevice& s) const;
  void ReadPageRecord(QIODevice& s);
};

// Paper tenths of a millimetre to report pixels.
int TenthsMmToPixels(int tenths);

// ---------------------------------------------------------------------------------------
// The report as the template file holds it

// The password dialog shown when a protected template is read from a file: fills `typed` and
// returns true on OK. Set by report/FR_Report.cpp to TfrPasswForm; tests may replace it.
std::function<bool(QString& typed)>& PasswordDialog();

// True when a template stream's first bytes are those of an XML template (a "<", after a
// byte-order mark when there is one); no binary template starts so.
bool IsXmlTemplate(const QByteArray& head);

class TfrReport : public QObject, public TfrReportValues {
  Q_OBJECT
 public:
  explicit TfrReport(QObject* owner = nullptr);
  ~TfrReport() override;

  std::vector<std::unique_ptr<TfrPage>> Pages;
  bool PrintToDefault = false;
  bool DoublePassReport = false;
  // The selected printer's name; "\001" stands for the virtual printer.
  QString PrinterName = QStringLiteral("\001");
  QByteArray Password;
  bool Protected = false;
  uint8_t GeneratorVersion = 88;
  QString FileName;
  // The before-print event: receives the text about to be printed and the object.
  std::function<void(QStringList& memo, TfrView* view)> OnBeforePrint;
  // Asks for the password of a protected template read from a file; returns false when
  // cancelled. Unset: the engine's password dialog (TfrPasswForm, PasswordDialog()) asks.
  std::function<bool(QString& typed)> PasswordHook;
  // The last template read was refused (damaged, foreign, cut short, wrong password): what the
  // pages hold is not that template, and building it fails instead of printing a blank page.
  bool TemplateRefused = false;

  TfrPage* AppendPage();   // default paper, width and height 0, bin -1, portrait
  void ClearTemplate();
  void ResetReportInfo();
  TfrView* FindObject(const QString& name) const;
  bool IsUniqueObjectName(const QString& name) const;

  // The whole template stream (version byte, body, report information).
  void SaveTemplate(QIODevice& s);
  // Reads a template stream; problems are shown in message boxes as the engine does and leave
  // the report usable (see the source). Returns false when the template was not read whole.
  bool LoadTemplate(QIODevice& s);
  void WriteBody(QIODevice& s);
  void ReadBody(QIODevice& s);   // raises on a broken stream
  void WriteDictionarySection(QIODevice& s);
  void ReadDictionarySection(QIODevice& s);

  bool SaveToFile(const QString& path);     // .frf
  bool LoadFromFile(const QString& path);
  bool SaveDictionaryFile(const QString& path);
  bool LoadDictionaryFile(const QString& path);
  // .frt: description lines, an optional picture (bitmap), the template body.
  void WriteDescribedTemplate(const QString& path, const QStringList& description, const QImage& picture);
  // With `load` the body is read into the pages; otherwise only description and picture.
  bool ReadDescribedTemplate(const QString& path, QStringList& description, bool load, QImage& picture);

  // ---- the component: building, showing and printing (report/FR_Report.cpp)
  enum TfrReportType { rtSimple, rtMultiple };
  class TfrDataset* Dataset = nullptr;   // per-record source of rtMultiple reports
  TfrReportType ReportType = rtSimple;
  int DefaultCopies = 1;
  bool DefaultCollate = true;
  bool ModalPreview = true;
  // The preview may edit (in the designer), add and delete built pages when a designer is present.
  bool ModifyPrepared = true;
  bool PrintIfEmpty = true;
  bool ShowPrintDialog = true;
  bool ShowProgress = true;
  bool CanRebuild = false;
  QString Title;
  std::function<void()> OnBeginDoc, OnEndDoc, OnPrintReport;
  std::function<void(int pgNo)> OnBeginPage, OnEndPage;
  std::function<void(class TfrBand* band)> OnBeginBand, OnEndBand;
  std::function<void(int n)> OnProgress;
  std::function<void(TfrPage* page)> OnManualBuild;
  // Cross-tabs: a row's columns begin; a column's width may be changed before it is drawn.
  std::function<void(class TfrBand* band)> OnBeginColumn;
  // Called with the wrapped component of each non-visual control of a dialog page when the
  // page is made ready.
  std::function<void(QObject* sender)> OnCustomizeObject;
  std::function<void(int colNo, int& width)> OnPrintColumn;
  std::function<void()> OnCrossBeginDoc;   // once per build, before the report pages are made ready

  class TfrEMFPages& EMFPages();   // the built pages
  bool OpenTemplateFile(const QString& path);
  bool BuildReport();
  void ShowBuiltReport();
  int OpenDesigner();
  void PrintWithProgress(const QString& pageList, int copies, int printMode, bool collate);
  void PrintBuiltPages(const QString& pageList, int copies, int printMode, bool collate);
  // Creates or overwrites the template file; a path ending in ".fr3" gets the XML template.
  void SaveTemplateFile(const QString& path);
  // Writes the XML template to `path` with its extension changed to ".fr3".
  bool ExportXmlTemplate(const QString& path);
  // The XML template (used by SaveTemplate while XmlExport is set).
  void WriteXmlTemplate(QIODevice& s);
  bool XmlExport = false;
  // Reads an XML template as WriteXmlTemplate writes it; raises EReadError (with the line and
  // what is wrong) on anything else. LoadTemplate calls it for a stream that starts with "<".
  void ReadXmlTemplate(const QByteArray& bytes);

 private:
  bool loadXml(QIODevice& s);
  // The password of a protected template read from a file (not from memory); false and an
  // empty report when it is not given.
  bool askPassword(QIODevice& s);

 public:
  void LoadBuiltReportFile(const QString& path);
  void SaveBuiltReportFile(const QString& path);
  void SelectPrinterByName(const QString& name);
  void ReportProgress(int n);
  TfrView* ObjectByName(const QString& name) const { return FindObject(name); }
  virtual void BuildPages();

  // ---- the rest of the component
  // After the print dialog chose another printer, the report is rebuilt for it.
  bool RebuildPrinter = false;
  // The template is kept in the form resource (ReportForm) rather than read from a file.
  bool StoreInDFM = false;
  // Selects printer `newIndex` of ReportPrinter and applies every template page's paper to it;
  // on failure says "所选打印机错误", goes back to `oldIndex` and returns false.
  bool SwitchPrinter(int oldIndex, int newIndex);
  // The preview's print command after the print dialog changed the printer from `oldIndex`:
  // with RebuildPrinter and CanRebuild the report switches printer and is built again for it.
  // True when the pages were rebuilt.
  bool RebuildForPrinter(int oldIndex);
  // Applies every template page's paper to the selected printer again.
  void ReapplyPagePaper();
  // Opens the designer (through BuiltPageDesigner) on built page `index` turned back into a
  // template page; a modified page is written back when the operator says yes.
  void EditBuiltPage(int index);
  // Hands every built page to `filter`, which writes `path` (Part of the export interface below).
  void ExportTo(class TfrExportFilter* filter, const QString& path);
  // The form-resource block: the version word 25, then, with StoreInDFM, the byte count and the
  // template stream. Reading it with StoreInDFM loads the template it holds.
  QByteArray ReportForm();
  void SetReportForm(const QByteArray& block);
  // While a composite report builds a member, the member's pages go to the composite.
  TfrReport* OutputReport = nullptr;

 private:
  class TfrEMFPages* emfPages_ = nullptr;
};

// The designer on one built page (FullMode off): shows it modally and returns whether the page
// was modified. Set by the designer when it starts; unset, EditBuiltPage does nothing.
std::function<bool(TfrReport* report, TfrPage* page)>& BuiltPageDesigner();

// An export filter: gets the built pages object by object and writes its own file format. No
// filter is registered in this program; the interface is what ExportTo drives.
class TfrExportFilter {
 public:
  virtual ~TfrExportFilter() = default;
  QString FileName;
  // Asked first; setting `cancel` ends the export before anything is written.
  virtual void BeforeExport(const QString& fileName, bool& cancel) {}
  // The filter's own options dialog; 1 (OK) goes on.
  virtual int ShowModal() { return 1; }
  virtual void OnBeginDoc(QIODevice& file) {}
  virtual void OnBeginPage(int index, QIODevice& file) {}
  virtual void OnData(TfrView* view, QIODevice& file) {}
  virtual void OnEndPage(int index, QIODevice& file) {}
  virtual void OnEndDoc(QIODevice& file) {}
  virtual void AfterExport(const QString& fileName) {}
};
// The registered export filters with their descriptions (none in this program).
struct TfrExportFilterInfo {
  TfrExportFilter* filter;
  QString description, extension;
};
QList<TfrExportFilterInfo>& ExportFilters();

// Builds several reports one after another into one set of built pages: a member whose first
// page prints on the previous page continues the last page of the member before it.
class TfrCompositeReport : public TfrReport {
  Q_OBJECT
 public:
  using TfrReport::TfrReport;
  QList<TfrReport*> Reports;   // not owned
  void BuildPages() override;
};
