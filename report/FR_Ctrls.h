#pragma once

#include <QComboBox>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/syscolors.h"

class QSettings;
class QPainter;

// The report engine's own tool controls: flat tool buttons with glyph strips, tool bars that
// dock along the edges of a window or float in small tool windows, the docks that hold them,
// a combo box with a side button, and the saving and restoring of tool-bar and window
// placements in the settings of the current user.

// ---------------------------------------------------------------------------------------
// Settings of the current user

// The settings path of the engine: "Software\Chartula" (the designer appends its title).
extern QString SettingsKey;

// Tests point the user's settings at a file of their own; an empty name goes back to the
// program's settings.
void SetUserSettingsFile(const QString& fileName);
// The user's settings store (the program's QSettings, or the file set above).
std::unique_ptr<QSettings> OpenUserSettings();
// A key path with "\" separators as a settings group ("/" separators, no leading one).
QString SettingsGroup(const QString& keyPath);

// All values are strings: integers decimal, booleans "0" or "1"; a missing or malformed value
// gives the default.
QString ReadSettingString(const QString& keyPath, const QString& name, const QString& def);
int ReadSettingInteger(const QString& keyPath, const QString& name, int def);
bool ReadSettingBool(const QString& keyPath, const QString& name, bool def);
void WriteSettingString(const QString& keyPath, const QString& name, const QString& value);
void WriteSettingInteger(const QString& keyPath, const QString& name, int value);
void WriteSettingBool(const QString& keyPath, const QString& name, bool value);

// ---------------------------------------------------------------------------------------
// Glyphs

// The images of one button's glyph strip for its five drawing states.
class TButtonGlyph {
 public:
  enum State { Up = 0, Disabled = 1, Pressed = 2, Exclusive = 3, Inactive = 4 };

  // Copies the strip, takes its transparent colour (its bottom-left pixel) and, when its width
  // is a multiple of its height, sets the number of images to width / height when that is
  // below 5 (else 1). An empty image clears the glyph.
  void setGlyph(const QImage& strip);
  const QImage& glyph() const { return strip_; }
  bool isEmpty() const { return strip_.isNull(); }
  int numGlyphs() const { return numGlyphs_; }
  void setNumGlyphs(int n);  // cut to 1..4
  TColor transparentColor() const { return transparent_; }
  QSize imageSize() const;

  // The image of a state, made on first use and kept until the glyph changes.
  const QImage& stateImage(int state);
  // Frees the state images (the enabled state changed: they are made again).
  void invalidate();

  std::function<void()> onChange;

 private:
  QImage stripImage(int index) const;
  QImage strip_;
  TColor transparent_ = clOlive;
  int numGlyphs_ = 1;
  QImage images_[5];
  bool made_[5] = {false, false, false, false, false};
};

// Grey rendering of an image: a pixel of the transparent colour or of the button face colour
// stays, any other becomes (77 R + 150 G + 29 B) div 256 in all three channels.
QImage GrayedGlyph(const QImage& image, TColor transparent);
// Two-tone embossed rendering of an image's shape (highlight one pixel down-right, shadow on
// top) on a transparent background.
QImage EmbossedGlyph(const QImage& image, TColor transparent);

// ---------------------------------------------------------------------------------------
// Tool button

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TfrSpeedButton : public QWidget {
  Q_OBJECT
 public:
  // Drawing states.
  enum { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3, bsInactive = 4 };

  explicit TfrSpeedButton(QWidget* parent = nullptr);
  ~TfrSpeedButton() override;

  bool AllowAllUp() const { return allowAllUp_; }
  void setAllowAllUp(bool v);
  int GroupIndex() const { return groupIndex_; }
  void setGroupIndex(int v);
  bool Down() const { return down_; }
  void setDown(bool v);
  bool Flat() const { return flat_; }
  void setFlat(bool v);
  QString Caption() const { return caption_; }
  void setCaption(const QString& v);
  QImage Glyph() const { return glyph_.glyph(); }
  void setGlyph(const QImage& v);
  TButtonGlyph& glyphObject() { return glyph_; }
  int NumGlyphs() const { return glyph_.numGlyphs(); }
  void setNumGlyphs(int v);
  bool GrayedInactive() const { return grayedInactive_; }
  void setGrayedInactive(bool v);
  TButtonLayout Layout() const { return layout_; }
  void setLayout(TButtonLayout v);
  int Margin() const { return margin_; }
  void setMargin(int v);  // -1 and above
  int Spacing() const { return spacing_; }
  void setSpacing(int v);
  int Tag() const { return tag_; }
  void setTag(int v) { tag_ = v; }

  bool MouseInside() const { return mouseInside_; }
  // The state the next paint draws, from the remembered state and the button's flags.
  int PaintState() const;
  int RememberedState() const { return state_; }
  // Shortcut id of the caption's accelerator, 0 without one.
  int AcceleratorId() const { return shortcutId_; }

  // Fires OnClick (as a release inside the button would).
  void Click();

  std::function<void(TfrSpeedButton*)> OnClick;
  std::function<void(TfrSpeedButton*)> OnDblClick;
  std::function<void(TfrSpeedButton*)> OnMouseEnter;
  std::function<void(TfrSpeedButton*)> OnMouseLeave;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void changeEvent(QEvent*) override;
  bool event(QEvent*) override;

 private:
  void updateExclusive();
  void buttonPressed(TfrSpeedButton* sender);
  void paintContent(QPainter& p, int state);

  bool allowAllUp_ = false;
  int groupIndex_ = 0;
  bool down_ = false;
  bool flat_ = false;
  QString caption_;
  TButtonGlyph glyph_;
  bool grayedInactive_ = true;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  int tag_ = 0;
  int state_ = bsUp;
  bool dragging_ = false;
  bool mouseInside_ = false;
  int shortcutId_ = 0;
};

// Draws a button's glyph at (x, y): the up image when enabled, the disabled image otherwise.
void PaintToolGlyph(TfrSpeedButton* button, QPainter& painter, int x, int y, bool enabled);

// ---------------------------------------------------------------------------------------
// Combo box with a side button

class TfrComboEdit : public QComboBox {
  Q_OBJECT
 public:
  explicit TfrComboEdit(QWidget* parent = nullptr);
  TfrSpeedButton* button() const { return button_; }
  void setGlyph(const QImage& glyph) { button_->setGlyph(glyph); }
  bool ButtonEnabled() const { return buttonEnabled_; }
  void setButtonEnabled(bool v);
  void setButtonHint(const QString& hint) { button_->setToolTip(hint); }
  QString ButtonHint() const { return button_->toolTip(); }
  std::function<void(TfrComboEdit*)> OnButtonClick;

 protected:
  void resizeEvent(QResizeEvent*) override;
  void changeEvent(QEvent*) override;
  void keyPressEvent(QKeyEvent*) override;

 private:
  void place();
  QWidget* panel_;
  TfrSpeedButton* button_;
  bool buttonEnabled_ = true;
};

// ---------------------------------------------------------------------------------------
// Docks and tool bars

enum TfrDockAlign { daNone, daTop, daBottom, daLeft, daRight };
enum TfrOrientation { toAny, toVertOnly, toHorzOnly };

class TfrDock : public QWidget {
  Q_OBJECT
 public:
  explicit TfrDock(QWidget* parent = nullptr, TfrDockAlign align = daTop);
  TfrDockAlign Align() const { return align_; }
  void setAlign(TfrDockAlign a) { align_ = a; }
  bool IsVertical() const { return align_ == daLeft || align_ == daRight; }
  int RowSize() const { return rowSize_; }
  void setRowSize(int v) { rowSize_ = v; }
  // Removes empty rows, pulls in controls pushed outside and sizes the dock to its rows.
  void ArrangeRows();

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  TfrDockAlign align_;
  int rowSize_ = 26;
};

class TfrToolBar;

class TfrFloatWindow : public QWidget {
  Q_OBJECT
 public:
  TfrFloatWindow(QWidget* owner, TfrToolBar* bar);
  ~TfrFloatWindow() override;
  TfrToolBar* ToolBar() const { return bar_; }
  void releaseBar() { bar_ = nullptr; }
  // Starts dragging the window from the current cursor position.
  void BeginDrag();
  // One step of the drag: the window follows the cursor, or docks its bar where the cursor is.
  void DragTo(const QPoint& global);
  void EndDrag() { dragging_ = false; }

 protected:
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  TfrToolBar* bar_;
  bool dragging_ = false;
  QPoint dragOffset_;
};

// Float windows that exist (freed with their tool bars, or at the end of the program).
QList<TfrFloatWindow*>& FloatWindows();

class TfrToolBar : public QWidget {
  Q_OBJECT
 public:
  explicit TfrToolBar(QWidget* parent = nullptr);
  ~TfrToolBar() override;

  bool CanFloat() const { return canFloat_; }
  void setCanFloat(bool v) { canFloat_ = v; }
  TfrOrientation Orientation() const { return orientation_; }
  void setOrientation(TfrOrientation o) { orientation_ = o; }
  QString Caption() const { return caption_; }
  void setCaption(const QString& c) { caption_ = c; }
  // The form the bar belongs to (its window while docked, its float window's owner otherwise).
  QWidget* OwnerForm() const { return owner_; }
  void setOwnerForm(QWidget* owner) { owner_ = owner; }

  bool IsFloating() const { return floatWindow_ != nullptr; }
  TfrFloatWindow* FloatHost() const { return floatWindow_; }
  TfrDock* Dock() const;
  QWidget* DragBox() const { return dragBox_; }
  bool IsShown() const;
  void SetShown(bool shown);

  void DockAt(TfrDock* dock, int x, int y);
  void DockInto(TfrDock* dock);
  void FloatAt(int screenX, int screenY);
  void FitToButtons();
  // Orders the visible controls along the bar and turns the bar to its dock's direction.
  void Rotate();
  // Docks at a point of the owner form (form coordinates); false when no dock takes it.
  bool DockAtPoint(const QPoint& formPoint);
  // One drag step of a docked bar: moves it by (dx, dy) in its dock; false when refused.
  bool TryMove(int dx, int dy);

  void floatWindowGone() { floatWindow_ = nullptr; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  QList<QWidget*> toolControls() const;
  void placeDragBox();
  bool canFloat_ = true;
  TfrOrientation orientation_ = toAny;
  QString caption_;
  QWidget* owner_ = nullptr;
  QWidget* dragBox_;
  TfrFloatWindow* floatWindow_ = nullptr;
  bool dragging_ = false;
  bool floatDrag_ = false;   // the press that dragged the bar off its dock is still held
  QPoint dragStart_;
};

// ---------------------------------------------------------------------------------------
// Placements

void SaveToolBarPlacement(TfrToolBar* bar);
void RestoreToolBarPlacement(TfrToolBar* bar);
// Key "Form\" + the window's class name.
void SaveFormPlacement(QWidget* form);
void RestoreFormPlacement(QWidget* form);
