#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "grid/PrntsEh.h"

class QFrame;
class QPrinter;
class TRecordedPage;
struct PrintDialogRequest;
class TPreviewBox;

using TPreviewNotifyEvent = std::function<void(QObject* sender)>;

// The recording printer of the preview. Each page drawn between BeginDoc and EndDoc is kept as
// a vector recording (TRecordedPage: the drawing calls with their painter state, texts kept
// whole) at the resolution of the preview's own printer, or of the fixed 600-dpi page when no
// printer is installed; the pages can be replayed scaled onto the screen and at full
// resolution onto a printer or a PDF file.
class TPrinterPreview : public TVirtualPrinter {
 public:
  TPrinterPreview();
  ~TPrinterPreview() override;

  bool ReadAborted() override { return aborted_; }
  TCanvas* ReadCanvas() override { return canvas_.get(); }
  int ReadCopies() override;
  int ReadOrientation() override;
  int ReadPageHeight() override { return Metrics().pageHeight; }
  int ReadPageWidth() override { return Metrics().pageWidth; }
  int ReadPageNumber() override { return pageCounter_; }
  bool ReadPrinting() override { return printing_; }
  QString ReadTitle() override;
  int ReadFullPageWidth() override { return Metrics().FullWidth(); }
  int ReadFullPageHeight() override { return Metrics().FullHeight(); }
  int ReadPrinterIndex() override;
  QStringList ReadPrinters() override;
  int ReadPixelsPerInchX() override { return Metrics().dpiX; }
  int ReadPixelsPerInchY() override { return Metrics().dpiY; }
  void WritePrinterIndex(int index) override;
  void WriteCopies(int copies) override;
  void WriteOrientation(int orientation) override;
  void WriteJobTitle(const QString& title) override;
  void Abort() override { aborted_ = true; }
  void BeginDoc() override;
  void EndDoc() override;
  void NewPage() override;

  // Page metrics of the own printer (the fixed defaults without printers, unless a paper was
  // chosen for it: then that paper at the fixed resolution and margins).
  TPrinterMetricsEh Metrics() const;
  // The own printer's paper and orientation were chosen by the operator; without printers the
  // pages are recorded on that paper from now on.
  void UseChosenPaper() { paperChosen_ = true; }
  // The resolution fonts are sized for: the smaller of the two resolutions.
  int FontPixelsPerInch() const;

  int PageCount() const { return int(pages_.size()); }
  // Replays page n (1-based) with its origin at the painter's (0, 0), one unit per device
  // pixel of the recording; the painter's transform scales it.
  void DrawPage(QPainter& painter, int n) const;
  // Replays pages from..to (1-based, clamped) on `printer`. A PDF printer gets a full page of
  // the recorded paper size at the recorded resolution and each page at its physical offset
  // (a PDF file is written by the direct page writer); a real printer gets each page at the
  // origin of its printable area. False when the printer or the file could not be opened.
  bool RenderToPrinter(QPrinter* printer, int from, int to) const;

  void SetPrinterSetupHandler(TPreviewNotifyEvent handler, QObject* component);
  QObject* PrintComponentToHandOver = nullptr;
  QPrinter* OwnPrinter() const { return ownPrinter_.get(); }
  void AttachPreviewBox(TPreviewBox* box) { box_ = box; }
  TPreviewBox* PreviewBox() const { return box_; }
  void NotifyOpenPreviewer();
  // The slot the print run may call between pages; does nothing.
  virtual void Idle() {}

 private:
  bool paperChosen_ = false;
  void openPage();
  void closePage();
  void firePreviewChanged();

  bool aborted_ = false;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<TCanvas> canvas_;
  std::vector<std::unique_ptr<TRecordedPage>> pages_;
  TPreviewNotifyEvent setupHandler_;
  QPointer<QObject> setupComponent_;
  int pageCounter_ = 0;
  TPreviewBox* box_ = nullptr;
  std::unique_ptr<QPrinter> ownPrinter_;
  bool printing_ = false;
};

// The page itself inside the preview box.
class TDrawPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TDrawPanel(TPreviewBox* box);
  QPoint PressPoint;
  bool HandShown() const { return handShown_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  void showMagnifier();
  TPreviewBox* box_;
  bool handShown_ = false;
};

// The scrolling page view: zoom modes, paging, keys, wheel and drag.
class TPreviewBox : public QAbstractScrollArea {
  Q_OBJECT
 public:
  // Zoom modes: 0 = 500 %, 1 = 200 %, 2 = 150 %, 3 = 100 %, 4 = 75 %, 5 = 50 %, 6 = 25 %,
  // 7 = 10 %, 8 = page width, 9 = whole page.
  enum { kZoomPageWidth = 8, kZoomWholePage = 9 };

  explicit TPreviewBox(QWidget* parent = nullptr);
  ~TPreviewBox() override;

  TPreviewNotifyEvent OnOpenPreviewer;
  TPreviewNotifyEvent OnPrinterPreviewChanged;

  TPrinterPreview* Printer() const { return printer_.get(); }
  int PageCount = 0;
  int CurrentPage() const { return currentPage_; }
  int ZoomMode() const { return zoomMode_; }
  int ZoomPercent() const { return zoomPercent_; }
  TDrawPanel* PagePanel() const { return panel_; }
  QObject* PrintComponent() const { return printComponent_; }
  bool HasPrinterSetupHandler() const { return bool(setupHandler_); }

  // Prints through the print dialog: what the operator chooses there (printer or PDF file,
  // copies, range, paper, orientation) is what is printed.
  void PrintPages();
  void PrinterSetup();
  void SetCurrentPage(int n);
  void SetZoomMode(int mode);
  void LayoutPage();
  void InvalidatePage();
  void SetPrintComponent(QObject* component);
  void SetPrinterSetupHandler(TPreviewNotifyEvent handler) { setupHandler_ = std::move(handler); }
  void FirePreviewChanged() {
    if (OnPrinterPreviewChanged) OnPrinterPreviewChanged(this);
  }

  // Scroll positions and ranges as the page layout sets them (a range is the size of the
  // scrolled content, 0 when nothing scrolls).
  int HorzPosition() const;
  int VertPosition() const;
  void SetHorzPosition(int p);
  void SetVertPosition(int p);
  int HorzRange() const { return hRange_; }
  int VertRange() const { return vRange_; }
  int ScrollIncrement() const { return 8; }
  QRect PageBounds() const { return QRect(pageX_, pageY_, pageW_, pageH_); }
  int ScreenPixelsPerInch() const;

  // Mouse release on the page without a drag: zooms in around the point or back out.
  void PageClicked(QPoint panelPoint);

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void placePanels();
  void setRanges(int h, int v);
  // Gives the own printer the paper and orientation chosen in the print dialog; when they
  // differ from the recording's, the print component lays its pages out on them again.
  void UsePaperOfPrintChoice(const PrintDialogRequest& request);

  TDrawPanel* panel_ = nullptr;
  QFrame* shadow_ = nullptr;
  TPreviewNotifyEvent setupHandler_;
  int currentPage_ = 1;
  std::unique_ptr<TPrinterPreview> printer_;
  QPointer<QObject> printComponent_;
  int zoomMode_ = kZoomWholePage;
  int zoomPercent_ = 100;
  int hRange_ = 0, vRange_ = 0;
  int pageX_ = 8, pageY_ = 8, pageW_ = 0, pageH_ = 0;
  bool placing_ = false;
};
