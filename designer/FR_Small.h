#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <functional>

#include "platform/syscolors.h"
#include "report/FR_Class.h"
#include "report/FR_Ctrls.h"

class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QToolButton;
class TfrView;

// The designer's small modal dialogs: display format, conditional highlight, object tag,
// restrictions, password and the about window. Each is made for one use, filled by its
// caller, shown through RunModal and read back after OK.

// OK ("确认", default) and Cancel ("取消") at the bottom right of a dialog, wired to accept
// and reject.
QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel, const char* okName = "Button1",
                         const char* cancelName = "Button2");

// Makes the "..." button of `edit` open the expression builder: on OK its result replaces
// the whole text (`replaceAll`) or the selection.
void AttachExpressionBuilder(TfrComboEdit* edit, bool replaceAll);


// Display format of text objects.
class TfrFmtForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrFmtForm(QWidget* parent = nullptr);
  QGroupBox* GroupBox2;
  QListWidget *CatLB, *TypeLB;
  QLabel *Label1, *Label2, *Label3;
  QLineEdit *DecEdit, *SplEdit, *FormatEdit;
  QPushButton *Button1, *Button2;
  // Set by the caller, read after OK.
  uint32_t FormatValue = 0;
  QString FormatText;

  // Lists the categories and selects the value's category and kind.
  void FormActivate();
  void accept() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fillKinds(int category);
  void updateEdits();
  bool filled_ = false;
};

// The kinds of a display-format category as the dialog lists them (empty texts left out).
QStringList DisplayFormatKinds(int category);
// Builds a format word from its fields; false (and a message text in `error`) when the
// decimals or the separator do not fit their 8 bits.
bool MakeDisplayFormat(int category, int kind, const QString& decimals, const QString& separator,
                       uint32_t& word, QString& error);

// Conditional highlight of text objects.
class TfrHilightForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrHilightForm(QWidget* parent = nullptr);
  QGroupBox *GroupBox1, *GroupBox2, *GroupBox3;
  TfrComboEdit* Edit1;
  QPushButton *SpeedButton1, *SpeedButton2;
  QCheckBox *CB1, *CB2, *CB3;  // bold, italic, underline
  QRadioButton *RB1, *RB2;     // transparent, other
  QPushButton *Button3, *Button4;
  TColor FontColor = clBlack;
  TColor FillColor = clNone;

  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void drawGlyphs();
  bool filled_ = false;
};

// An object's Tag text.
class TfrAttrEditorForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrAttrEditorForm(QWidget* parent = nullptr);
  QGroupBox* GB1;
  TfrComboEdit* Edit1;
  QPushButton *Button1, *Button2;
};

// An object's Restrictions flags.
class TfrRestrictionsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrRestrictionsForm(QWidget* parent = nullptr);
  QGroupBox* GroupBox1;
  QCheckBox *CB1, *CB2, *Cb3, *CB4, *CB5, *CB6, *CB7;
  QPushButton *Button1, *Button2;
  void SetFlags(int flags);
  int Flags() const;
  QList<QCheckBox*> Boxes() const;
};

// The picture of a picture object: loaded from a file or the clipboard, or cleared.
class TfrGEditorForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrGEditorForm(QWidget* parent = nullptr);
  QGroupBox* GroupBox1;
  QWidget* PB1;                 // the preview
  QPushButton *Button3, *Button4;  // load, clear
  QPushButton *Button1, *Button2;
  TfrPicture Image1;            // the picture being edited
  // Edits the view's picture; on OK `beginChange` runs, then the view takes the picture.
  // 1 OK, 2 Cancel.
  int EditView(TfrView* view, const std::function<void()>& beginChange = {});
  // Loads a picture file; false (the picture kept, the operator told) when it cannot be read.
  bool LoadFile(const QString& path);
  // The rectangle the preview draws the picture into, for a paint box of `box` size.
  static QRect PreviewRect(QSize picture, QSize box);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A password prompt (opening a protected template, setting the template password).
class TfrPasswEditForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrPasswEditForm(QWidget* parent = nullptr);
  QLabel *L1, *L2;
  QLineEdit* E1;
  QPushButton *OK, *Cancel;

 protected:
  void showEvent(QShowEvent* event) override;
};

// The report engine's about window.
class TfrAboutForm : public QDialog {
  Q_OBJECT
 public:
  explicit TfrAboutForm(QWidget* parent = nullptr);
  QWidget* Panel1;
  QLabel* Image1;
  QLabel *lbUrl, *lbUrl2, *lbEMail, *lbEMail2;
  QPushButton* Button1;
  // The target a click on the control opens ("mailto:..." for mail labels).
  static QString LinkTarget(QLabel* label);
  // Opens the target through the platform (tests replace it).
  static std::function<void(const QString&)>& OpenLink();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void setUnderline(QLabel* label, bool on);
  QPoint dragOffset_;
  bool dragging_ = false;
};

// ---- entries the designer's commands call
// Each shows its dialog for `views` (the selection; the first is the top-most object whose
// values fill the dialog). `beforeChange` runs after OK and before anything is written (the
// designer records its undo step there). True when the dialog was confirmed.
bool EditDisplayFormat(const QList<TfrView*>& views, QWidget* parent = nullptr,
                       const std::function<void()>& beforeChange = {});
bool EditHighlight(const QList<TfrView*>& views, QWidget* parent = nullptr,
                   const std::function<void()>& beforeChange = {});
// `designerForbids`: the designer's own restriction on editing contents.
bool EditTag(TfrView* view, QWidget* parent = nullptr, const std::function<void()>& beforeChange = {},
             bool designerForbids = false);
bool EditRestrictions(const QList<TfrView*>& views, QWidget* parent = nullptr,
                      const std::function<void()>& beforeChange = {});
// The entered password, or nothing when cancelled. With `confirm` the prompt is asked twice
// (the second time with the "retype" text); a different second entry is reported and gives
// nothing.
bool AskPassword(QString& password, bool confirm = false, QWidget* parent = nullptr);
void ShowAbout(QWidget* parent = nullptr);
