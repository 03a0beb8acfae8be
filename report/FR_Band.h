#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "platform/variant.h"
#include "report/FR_Pars.h"

// The band engine: while a report page is formed, every band of the template is a TfrBand that
// knows its objects, record source, headers, footers, groups, child band, aggregate values and
// line counters; TfrPageForm holds the formation state of one template page (bands by kind,
// position, columns) and forms the built pages.

class TfrBandView;
class TfrDataset;
class TfrPage;
class TfrPageForm;
class TfrReport;
class TfrView;

// Band kinds (the low 7 bits of a band view's frame-type field).
enum TfrBandKind : int {
  btReportTitle = 0, btReportSummary = 1, btPageHeader = 2, btPageFooter = 3, btMasterHeader = 4,
  btMasterData = 5, btMasterFooter = 6, btDetailHeader = 7, btDetailData = 8, btDetailFooter = 9,
  btSubDetailHeader = 10, btSubDetailData = 11, btSubDetailFooter = 12, btOverlay = 13, btColumnHeader = 14,
  btColumnFooter = 15, btGroupHeader = 16, btGroupFooter = 17, btCrossHeader = 18, btCrossData = 19,
  btCrossFooter = 20, btChild = 21, btNone = 22,
};
inline constexpr int kBandKinds = 23;

// Band flag bits (the band view's Flags).
enum : uint16_t {
  bfStretched = 1, bfFormNewPage = 2, bfPrintIfSubsetEmpty = 4, bfBreaked = 8, bfOnFirstPage = 16,
  bfOnLastPage = 32, bfRepeatHeader = 64, bfPrintChildIfInvisible = 128,
};

// Aggregate function codes.
enum : int { agSum = 11, agMin = 12, agMax = 13, agAvg = 14, agCount = 15 };

class TfrBand {
 public:
  TfrBand(int kind, TfrPageForm* form);
  ~TfrBand();
  TfrBand(const TfrBand&) = delete;
  TfrBand& operator=(const TfrBand&) = delete;

  TfrPageForm* Form;
  TfrBandView* View = nullptr;
  uint16_t Flags = 0;
  TfrBand* Next = nullptr;          // next band of the same kind
  TfrBand* Prev = nullptr;
  std::vector<TfrBand*> Groups;     // on a data band: its group headers, outermost first
  TfrBand* AggregateSource = nullptr;   // on a footer: the data band whose values it shows
  // On a footer: every data band that keeps values for it (a master footer may show aggregates
  // of the master and of the detail band side by side).
  std::vector<TfrBand*> AggregateSources;
  TfrBand* ChildBand = nullptr;
  int LineNo = 1, LineThrough = 1, CurrentNo = 1;
  Variant LastGroupValue;
  bool GroupValueSet = false;
  TfrBand* Header = nullptr;        // on a data band
  TfrBand* Footer = nullptr;        // on a data band or a group header
  TfrBand* DataBand = nullptr;      // on a header or footer
  TfrVariables Values;              // aggregate values by key
  int RecordCount = 0;
  // On a data band: the rows added to each AVG value since its footer last reset it, by the
  // upper-cased key. Each footer divides by its own rows: a page footer resetting its values
  // mid-way, or rows that are not shown, must not change another footer's average.
  QHash<QString, int> AverageRows;
  bool AggregatesFrozen = false;
  int CalculatedHeight = -1;
  int BandColumn = 1, BandColumnStart = 0;   // band columns (records side by side)
  int X = 0, Y = 0, Width = 0, Height = 0;
  int DesignTop = 0;                // the band view's top on the template page
  int Kind = btNone;
  QString Name;
  bool Visible = true;
  std::vector<TfrView*> Objects;    // template objects, positions relative to the band's top
  // On a row band: the cells of the cross bands that lie inside it (tops relative to this band,
  // lefts relative to their cross band). On a cross band: its cells.
  std::vector<TfrView*> CrossObjects;
  TfrDataset* DataSource2 = nullptr;   // the cross source this row band names in the cross data band
  bool OwnsDataSource2 = false;
  QStringList Script;
  TfrDataset* DataSource = nullptr;
  bool OwnsDataSource = false;
  QString GroupCondition;           // coded form
  bool Real() const;                // has a view, or is the none band with objects
  bool Has(uint16_t flag) const { return (Flags & flag) != 0; }

  void SetDataSource(const QString& text);
  void FreeDataSources();
  // Prints the band with its script, breaks, child band and aggregates; true when a page or
  // column break happened while printing.
  bool Print();
  void PlaceAndDraw();
  int CalcHeight();
  // True when the band does not fit; unless test-only a new column or page is started.
  bool CheckPageBreak(int top, int height, bool testOnly);
  void DrawObject(TfrView* view);
  void ResetAggregates();
  void Aggregate();
  // Adds the current record to the values of one cross column (the entries of the aggregate
  // calls in this band's cells under the cross data band), made from their template entries
  // when the column has none yet.
  void AggregateColumn(int column);
  Variant AggregateValue(const QString& key);
  void StoreAggregate(const QString& key, const Variant& value);

  // The key of an aggregate: band name, function code, expression, count-invisible switch.
  static QString AggregateKey(const QString& band, int kind, const QString& expr, const QString& flag);

 private:
  void drawObjects();
  // Draws the cross-tab of this row band: header, one column per cross record, footer.
  void drawCross();
  // Draws the cells of one cross band at `left` (template coordinates), `width` wide.
  void drawCrossCells(TfrBand* cross, int left, int width);
  void accumulate(int column);
  // Draws the sub-reports of the band in place and returns the lowest bottom they reached.
  int drawSubReports(size_t first);
  int crossWidth_ = -1;   // while a cross cell is drawn: the width of its column
  int subBottom_ = -1;    // the lowest bottom the band's sub-reports reached, -1 without any
  bool subPaged_ = false; // they went on over a new page
  // Draws the band over as many pages as it needs; returns the height used on the last page.
  int drawPageBreak(int height);
  int stretchedHeight();
};

// The formation state of one template page during a build.
class TfrPageForm {
 public:
  TfrPageForm(TfrPage* page, TfrReport* report);
  ~TfrPageForm();

  TfrPage* Page;
  TfrReport* Report;
  TfrBand* Bands[kBandKinds] = {};
  std::vector<std::unique_ptr<TfrBand>> AllBands;
  int CurY = 0, CurBottom = 0;
  int TopEdge = 0, BottomEdge = 0, LeftEdge = 0, RightEdge = 0;
  int CurColumn = 0, ColumnCount = 1, ColumnWidth = 0, StaticColumnTop = 0, XOffset = 0;
  int LastPosition = 0, LastBottom = 0;
  int newPageDepth_ = 0;
  void checkRoomForPageBands();
  bool FooterPrinted = false;
  TfrBand* LastBandPrinted = nullptr;
  int CurrentNo = 1;
  int ColumnNo = 1;              // COLUMN# while a cross-tab is drawn
  int MaxCrossRecords = 0;       // the most cross records a row had so far
  // The page is the target of a sub-report: it is formed only where the sub-report sits.
  bool Skip = false;
  TfrPageForm* Host = nullptr;   // while formed as a sub-report: the page it is formed into
  // Forms this page as a sub-report into the host page at the given place; returns the lowest
  // bottom it reached on the page where it ended.
  int FormInPlace(TfrPageForm* host, int top, int left);

  void MakeReady();
  void PrepareAggregates();
  // Forms the page into built pages (normal mode).
  void Form();
  void NewPage();
  void NewColumn(TfrBand* band);
  void ShowBand(TfrBand* band);
  void ShowBandByName(const QString& name);
  void Finish();
  TfrBand* BandByName(const QString& name) const;

 private:
  void setupBands();
  // Pictures (and texts from binary fields) whose whole text names a field take it from there.
  void bindFields();
  void dataLoop(int level);
  void printPageFooters();
  void printQueue();
  void collectAggregates(TfrBand* dataBand, std::initializer_list<int> kinds);
  int subOffset_ = 0;
  std::vector<TfrBand*> queue_;
  int queuePrints_ = 0;   // times the queue was printed with something in it
  int levels_ = 0;
};

// The band engine's process-wide state while a report is built.
TfrBand*& CurrentBand();
TfrBand*& AggregateBand();
// While a row band's cells of the cross data column are drawn or its aggregates are collected:
// that row band (aggregate calls in those cells keep one value per column); else null.
TfrBand*& CrossRowBand();
TfrPageForm*& CurrentPageForm();
// The page forms of the build under way, in page order (sub-reports find their target here).
std::vector<TfrPageForm*>& PageForms();
// Installs the aggregate functions of the standard library (idempotent).
void InstallAggregateHook();
// Page continuation between template pages.
bool& AppendToPrevious();
bool& AppendNext();
// A dialog page was cancelled.
bool& BuildStopped();
