#pragma once

#include <QHash>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

#include "designer/FR_DesignModel.h"

// The design surface: the interaction controller that turns mouse and key events into
// selection, insertion, moving, sizing and line drawing on the current page, and the white
// panel (TfrDesignerPage) that paints the page and feeds the controller its events.

// Tools of the Objects bar (their Tags).
enum TfrTool : int { toolSelect = -1, toolText = 0, toolPicture = 1, toolBand = 2, toolSubReport = 3, toolLine = 4 };

enum TfrSurfaceCursor : int {
  crsDefault, crsCross, crsPencil, crsSizeNWSE, crsSizeNESW, crsSizeNS, crsSizeWE, crsHSplit,
};

// The values new objects take (the formatting tools keep them up to date).
struct TfrLastValues {
  double FrameWidth = 1.0;
  TColor FrameColor = clBlack;
  TColor FillColor = kNoFill;
  uint16_t FrameLines = 0;
  double LineWidth = 2.0;   // lines start two pixels wide
  QString FontName = QString::fromUtf8("宋体");
  int FontSize = 10;
  TColor FontColor = clBlack;
  TFontStyles FontStyle = 0;
  int Alignment = 0;
};

class TfrSurfaceController {
 public:
  explicit TfrSurfaceController(TfrDesignModel& model);

  TfrDesignModel& Model() { return model_; }
  TfrDesignerSettings& Settings() { return model_.Settings; }

  // ---- tool state
  int Tool() const { return tool_; }
  void SetTool(int tool, bool sticky = false);
  bool StickyTool = false;
  TfrLastValues Last;
  TfrSurfaceCursor Cursor() const { return cursor_; }
  // The page's paper width (bands span it) and whether a dialog page is designed.
  int PanelWidth() const;
  bool DialogPage() const;

  // ---- events (points in page pixels)
  void MousePress(QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods);
  void MouseMove(QPoint p, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods);
  void MouseRelease(QPoint p, Qt::MouseButton button, Qt::KeyboardModifiers mods);
  void DoubleClick(QPoint p);
  void MouseLeave();
  // Arrow keys (with Ctrl, Shift or Alt). True when the key was used.
  bool ArrowKey(int key, Qt::KeyboardModifiers mods);
  void ResetMouseState();
  // The field list's drag over the page: the ghost of a new text object at the mouse.
  void ShowFieldGhost(QPoint p);
  // The field list's drop: a new text object showing `memo`, not opened for editing.
  // Report pages only.
  void DropField(QPoint p, const QString& memo);
  void ComputeGroupRect();

  void DefaultObjectSize(int& width, int& height) const;
  // The grid placement of a point (when GridAlign is on).
  QPoint SnapPoint(QPoint p) const;

  // ---- what the panel paints
  bool MouseDown = false;
  bool MouseMoved = false;
  bool SkipNextPress = false;
  bool RubberBand = false;
  int ResizeState = 0;
  int LastX = 0, LastY = 0;
  QRect WorkRect;        // rubber band, insertion frame, line (start to end), group rectangle
  QRect OriginalRect;
  QRect GhostRect;       // the insertion ghost while hovering with an insertion tool
  bool GhostShown = false;
  int GroupRef = -1;
  int GroupMinX = 0, GroupMinY = 0;
  bool GroupRectValid = false;
  int SplitX = 0, SplitOrigin = 0;
  TfrView* SplitLeft = nullptr;
  TfrView* SplitRight = nullptr;
  QPoint MousePoint;

  // ---- calls out to the window
  std::function<void()> OnChanged;            // repaint
  std::function<void()> OnSelectionChanged;
  std::function<void()> OnEditSelected;       // open the editor of the one selected object
  std::function<void()> OnEditText;
  std::function<void()> OnPageOptions;        // double click on an empty report page
  std::function<int(bool onSubPage)> AskBandKind;   // -1: cancelled
  std::function<void(QPoint)> OnContextMenu;
  std::function<void()> OnToolChanged;
  std::function<void()> OnPagesChanged;

 private:
  bool gridEffective(Qt::KeyboardModifiers mods) const;
  // The mouse delta since the last applied point, cut to grid steps; false while it waits.
  bool takeDelta(QPoint p, Qt::KeyboardModifiers mods, int& dx, int& dy);
  bool nearPoint(QPoint m, int px, int py, int e) const;
  void hover(QPoint p);
  void insertAt(QRect r);
  void finishLine(QPoint p);
  void rubberSelect();
  QPoint lineStart(QPoint p) const;
  void selectionChanged();
  void changed();
  void recordFirstChange();
  TfrView* hitTest(QPoint p) const;

  TfrDesignModel& model_;
  int tool_ = toolSelect;
  TfrSurfaceCursor cursor_ = crsDefault;
  bool firstMove_ = true;
  bool ctrlAtPress_ = false;
  bool changeRecorded_ = false;
  bool dropping_ = false;
  QString dropMemo_;
  QHash<TfrView*, QRect> saved_;
};

// The drag format of the field list: the field reference as UTF-8 text.
inline constexpr const char* kFieldMimeType = "application/x-report-field";

// The white panel of the page.
class TfrDesignerPage : public QWidget {
  Q_OBJECT
 public:
  TfrDesignerPage(TfrSurfaceController& controller, QWidget* parent = nullptr);
  TfrSurfaceController& Controller() { return c_; }
  bool PaintLocked = false;
  // Sizes and places the panel inside `viewportWidth` (page position, unlimited height).
  void PlaceSurface(int viewportWidth);
  // Paints the page into an image (what the panel shows).
  void PaintSurface(QPainter& painter, const QRect& clip);
  // The designer window's key handling; keys it does not use go on as usual.
  std::function<bool(QKeyEvent*)> OnKey;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void leaveEvent(QEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void dragEnterEvent(QDragEnterEvent*) override;
  void dragMoveEvent(QDragMoveEvent*) override;
  void dragLeaveEvent(QDragLeaveEvent*) override;
  void dropEvent(QDropEvent*) override;

 private:
  void applyCursor();
  TfrSurfaceController& c_;
};
