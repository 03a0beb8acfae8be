#pragma once

#include <QComboBox>
#include <QList>
#include <QString>
#include <QWidget>
#include <functional>

#include "platform/syscolors.h"

class QLabel;
class QListWidget;
class TfrSpeedButton;

// Combo boxes of the report designer's tool bars and dialogs: a flat combo box that lights up
// under the mouse, a font combo box keeping the five most recently chosen fonts at the top of
// its list (and in the user's settings), a colour selector that drops down from a tool button,
// and the borderless popup list of the object inspector.

// ---------------------------------------------------------------------------------------
// Flat combo box

class TfrCustomComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TfrCustomComboBox(QWidget* parent = nullptr);
  bool ReadOnly() const { return readOnly_; }
  void setReadOnly(bool v);
  // Lit: the list is open, the edit part has the focus or the mouse is inside.
  bool IsHot() const;
  bool ListOpen() const { return listOpen_; }
  int ButtonWidth() const { return 11; }
  int ImageWidth() const { return imageWidth_; }
  // Height of the open list: item height × min(DropDownCount, items) + 4.
  int DropDownHeight() const;

  void showPopup() override;
  void hidePopup() override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void focusInEvent(QFocusEvent*) override;
  void focusOutEvent(QFocusEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void placeEdit();
  int imageWidth_ = 0;
  bool listOpen_ = false;
  bool opensUp_ = false;

 private:
  bool readOnly_ = false;
  bool mouseInside_ = false;
};

class TfrComboBox : public TfrCustomComboBox {
  Q_OBJECT
 public:
  explicit TfrComboBox(QWidget* parent = nullptr) : TfrCustomComboBox(parent) {}
};

// ---------------------------------------------------------------------------------------
// Font combo box

// A hidden popup window of 200 × 50 showing a sample of a font.
class TfrFontPreview : public QWidget {
  Q_OBJECT
 public:
  explicit TfrFontPreview(QWidget* parent = nullptr);
  void ShowFont(const QString& family);
  QString ShownFont() const { return shown_; }

 private:
  QLabel* panel_;
  QString shown_;
};

struct FontFamilyEntry {
  QString name;
  int type = 0;  // bit 4: outline (TrueType-like) font
};

class TfrFontComboBox : public TfrCustomComboBox {
  Q_OBJECT
 public:
  static constexpr int kTrueTypeFont = 4;
  static constexpr int kMruSize = 5;

  explicit TfrFontComboBox(QWidget* parent = nullptr);

  bool ShowMRU() const { return showMRU_; }
  void setShowMRU(bool v) { showMRU_ = v; }
  QString MRURegKey() const { return mruRegKey_; }
  void setMRURegKey(const QString& key);  // empty: the default key again

  // Fills the list from the installed fonts (screen, then printer).
  virtual void FillList();
  // Fills the list from the given families (each name once, sorted), then puts the recently
  // used fonts from the settings at the top.
  void FillFrom(const QList<FontFamilyEntry>& families);
  // Number of recently used entries at the top of the list.
  int MRUCount() const { return lastMru_ + 1; }
  int FontType(int index) const;
  // The operator chose item `index` from the open list.
  void ChooseItem(int index);
  TfrFontPreview* Preview() const { return preview_; }

  std::function<void(TfrFontComboBox*)> OnClick;

  void showPopup() override;
  void hidePopup() override;

  // The mark drawn before outline fonts (15 × 11).
  static const QImage& TrueTypeMark();
  // Item height: the larger of the text height and the mark's height + 1.
  int ItemHeight() const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  void writeMru();
  bool showMRU_ = true;
  QString mruRegKey_;
  TfrFontPreview* preview_;
  bool filling_ = false;
  int lastMru_ = -1;
};

// ---------------------------------------------------------------------------------------
// Colour selector

class TColorSelector : public QWidget {
  Q_OBJECT
 public:
  // The 16 colours of the buttons, by tag.
  static const TColor kColors[16];
  static constexpr int kOtherTag = 17;
  static constexpr int kTransparentTag = 16;

  explicit TColorSelector(QWidget* owner);
  TColor Color() const { return color_; }
  // Shows which colour is current.
  void SelectColor(TColor color);
  TfrSpeedButton* ButtonByTag(int tag) const;
  // What a click of the button with `tag` does.
  void ButtonClicked(int tag);

  std::function<void(TColorSelector*)> OnColorSelected;

 private:
  void choose(TColor color);
  TColor color_ = clNone;
  TfrSpeedButton* buttons_[18];
};

// ---------------------------------------------------------------------------------------
// Popup list

class TfrPopupListBox : public QWidget {
  Q_OBJECT
 public:
  explicit TfrPopupListBox(QWidget* parent = nullptr);
  QListWidget* ListBox() const { return list_; }

 private:
  QListWidget* list_;
};
