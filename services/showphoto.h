#pragma once

#include <QDialog>
#include <QImage>
#include <QLabel>

class QAction;
class QMenu;
class QStatusBar;
class TField;

// The picture viewer (caption "显示图片"): the picture fills the window, centred and
// unscaled; its pop-up menu offers 拉伸 (stretch to the window) and 原图 (unscaled again); a
// double-click closes it. The caller sets the picture, shows it modally and frees it.
class TForm_showphoto : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_showphoto(QWidget* parent = nullptr);

  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  bool Stretched() const { return stretch_; }

  QLabel* Image1 = nullptr;
  QStatusBar* StatusBar1 = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QAction* N1 = nullptr;  // 拉伸
  QAction* N2 = nullptr;  // 原图

 public slots:
  void N1Click();
  void N2Click();
  void Image1DblClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void render();
  QImage picture_;
  bool stretch_ = false;
};

// A picture box that shows the picture stored in a blob field (any format the toolkit
// reads; bitmaps are written).
class TPictureBox : public QLabel {
  Q_OBJECT
 public:
  explicit TPictureBox(QWidget* parent = nullptr);
  void SetPicture(const QImage& picture);
  const QImage& Picture() const { return picture_; }
  bool IsEmpty() const { return picture_.isNull(); }
  // Reads the picture from the field (empty for a null field or unreadable bytes).
  void LoadFromField(const TField* field);
  // The picture as bitmap bytes (empty for no picture).
  QByteArray BitmapBytes() const;

 private:
  QImage picture_;
};

// Shows `picture` in the picture viewer, modally; nothing for an empty picture.
void ShowPhoto(QWidget* parent, const QImage& picture);
