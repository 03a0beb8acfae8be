#pragma once

#include <QPointer>
#include <QWidget>

#include "grid/PrViewEh.h"

class QAction;
class QActionGroup;
class QMenu;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;

// The preview window: a tool bar (print, printer setup, zoom, previous and next page with
// auto-repeat, stop, close), the page view and a status line "第 n 页 共 m 页".
class TPreviewFormEh : public QWidget {
  Q_OBJECT
 public:
  explicit TPreviewFormEh(QWidget* parent = nullptr);
  ~TPreviewFormEh() override;

  TPreviewBox* PreviewEh1 = nullptr;
  QStatusBar* stbMain = nullptr;
  QToolBar* tbrMain = nullptr;
  QToolButton* tbtPrint = nullptr;
  QToolButton* tbtPrinterSetupDialog = nullptr;
  QToolButton* tbtScale = nullptr;
  QToolButton* tbtPrevPage = nullptr;
  QToolButton* tbtNextPage = nullptr;
  QToolButton* tbStop = nullptr;
  QToolButton* tbClose = nullptr;
  QMenu* pmnScale = nullptr;
  QActionGroup* scaleGroup = nullptr;
  QTimer* Timer1 = nullptr;
  QToolButton* RepeatButton = nullptr;
  bool CloseAfterStop = false;

  // Handlers, public so that tests can drive them as the controls do.
  void PreviewEh1OpenPreviewer();
  void PreviewEh1PrinterPreviewChanged();
  void ScaleItemClick(QAction* item);
  // A click of a page button; a click with a sender is ignored while the button repeats.
  void PageButtonClick(QToolButton* sender, int delta);
  void PageButtonMouseDown(QToolButton* button);
  void PageButtonMouseUp();
  void Timer1Timer();
  void StopClick();
  void CloseClick();
  void PrintClick();
  void PrinterSetupClick();
  QString StatusText() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
};

// The one preview of the program: its window is created on first use and kept; closing it
// hides it.
TPrinterPreview* SharedPrinterPreview();
TPreviewFormEh* SharedPreviewForm();
