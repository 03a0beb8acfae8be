#pragma once

#include <QDialog>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;
class TfrReport;
class TfrPreviewForm;

// The drawing surface of the preview: grey, with the pages laid out on it.
class TfrPBox : public QWidget {
  Q_OBJECT
 public:
  explicit TfrPBox(TfrPreviewForm* preview, QWidget* parent);
  bool Dragging = false;
  bool DblClicked = false;
  int LastX = 0, LastY = 0;
  int PageUnderMouse = 0;   // from 1; 0 for none
  TfrPreviewForm* Preview;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
};

// The find dialog of the preview.
class TfrPreviewSearchForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrPreviewSearchForm(QWidget* parent = nullptr);
  QLabel* Label1;
  QLineEdit* Edit1;
  QGroupBox* GroupBox1;
  QCheckBox* CB1;
  QGroupBox* GroupBox2;
  QRadioButton* RB1;
  QRadioButton* RB2;
  QPushButton* Button1;
  QPushButton* Button2;

 protected:
  void showEvent(QShowEvent* e) override;
};

// One text output of a page drawn at 1:1: its text and its bounds in report pixels.
struct TfrTextRecord {
  int Ordinal = 0;   // position among all drawing records of the page (0 is the header)
  QString Text;
  QRect Bounds;
};
// Draws built page `index` of `report` at 1:1 and lists the text outputs in drawing order.
std::vector<TfrTextRecord> TextRecordsOfPage(TfrReport* report, int index);

// The preview window: the built pages on a grey surface, zoomed, one or more side by side;
// paging, zoom menu, print with page ranges, built-report files and text search.
class TfrPreviewForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrPreviewForm(QWidget* parent = nullptr);
  ~TfrPreviewForm() override;

  // Components (objectName = field name).
  QWidget* Panel1;
  QToolButton* ZoomBtn;
  QToolButton* LoadBtn;
  QToolButton* SaveBtn;
  QToolButton* PrintBtn;
  QToolButton* FindBtn;
  QToolButton* HelpBtn;
  QToolButton* ExitBtn;
  QWidget* PreviewPanel;
  QWidget* ScrollBox1;
  QWidget* RPanel;
  QScrollBar* VScrollBar;
  QToolButton* PgUp;
  QToolButton* PgDown;
  QWidget* BPanel;
  QLabel* Label1;
  QScrollBar* HScrollBar;
  QMenu* ProcMenu;
  QAction *N2001, *N1501, *N1001, *N751, *N501, *N251, *N101, *N1, *N2, *N3;
  // Built pages in the designer: a separator, then edit, add and remove page.
  QAction *N4, *N5, *N6, *N7;

  // Fields.
  TfrPBox* PageBox;
  int CurPage = 1;
  int ScrollX = 0, ScrollY = 0;
  int LastVPos = 0, LastHPos = 0;
  double Zoom = 1.0;
  int ZoomMode = 0;   // 0 percentage, 1 page width, 2 whole page, 3 two pages
  bool Ready = false;
  QString FindText;
  bool FindCaseSensitive = false;
  bool FindFound = false;
  QRect FoundRect;     // bounds of the last hit within its page, report pixels
  int FindPage = 0;
  int FindStart = 0;
  // The marked hit in page box coordinates (empty when nothing is marked).
  QRect MarkRect;
  TfrReport* Report = nullptr;
  // The help tool: true from the click on HelpBtn to the next press on the window; the context
  // number (a control's tag) asked for last, -1 for none. There is no help viewer to show it.
  bool HelpMode = false;
  int HelpContext = -1;

  // Zoom carried from one preview to the next.
  static double& LastZoom();
  static int& LastZoomMode();

  void ShowReport(TfrReport* report);
  void Connect(TfrReport* report);
  // Buttons and the page editing items from the report (the editing items need a registered
  // designer and the report's ModifyPrepared).
  void ApplyReportOptions();
  bool CanModifyPages() const;
  void RefreshView(bool reset);
  void ShowPageNumber();
  void ScrollToCurPage();
  void LoadBuiltFile(const QString& fileName);
  void SaveBuiltFile(const QString& fileName);
  // The layout of the pages on the page box (run on every resize).
  void FormResize();

  int PageCount() const;
  // Layout rectangle of page i (from 0), in unscrolled page box coordinates.
  QRect PageRect(int i) const { return rects_.at(size_t(i)); }
  int PagesPerRow() const { return perRow_; }
  // Page width and height in report pixels.
  QSize PageSizePixels(int i) const;

  // Handlers.
  void ZoomBtnClick();
  void N3Click(int tag);
  void PgUpClick();
  void PgDownClick();
  void PrintBtnClick();
  void LoadBtnClick();
  void SaveBtnClick();
  void FindBtnClick();
  void FindNext();
  void ExitBtnClick();
  void HelpBtnClick();
  // The built page CurPage opened in the designer; written back when the operator says so.
  void EditBtnClick();
  // A new empty page before the current one, with the paper of the template's first page.
  void NewPageBtnClick();
  // The current page deleted after the question (never the last page).
  void DelPageBtnClick();
  void FormKeyDown(QKeyEvent* e);

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;

 private:
  friend class TfrPBox;
  void VScrollChange(int pos);
  void HScrollChange(int pos);
  void tickZoomItems();
  void scrollToHit();
  void drawPages(class QPainter& painter, const QRect& clip);
  void showEditItems(bool on);
  void endHelpMode(const QPoint& globalPos);
  std::vector<QRect> rects_;
  int perRow_ = 1;
};
