#pragma once

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "platform/syscolors.h"

class QScrollBar;

// The script editor of the designer: draws its lines itself in a grid of character cells,
// colours keywords, comments and strings of the report script language or of SQL, lets the
// caret stand anywhere (also past the end of a line), selects with mouse and keys, copies,
// cuts and pastes text, indents smartly, undoes up to 32 steps and shows an error message in a
// red bar until the caret moves.

// Character classes of the colouring pass.
enum TSyntaxClass : char { scPlain = 0, scComment = 2, scKeyword = 3, scString = 4 };

// Syntaxes.
inline constexpr int kSyntaxScript = 0;
inline constexpr int kSyntaxSql = 1;

// The keyword list of a syntax ("," separated, lower case; empty for no colouring).
QString SyntaxKeywords(int syntax);
// The class of every character of `text` (lines joined by CR LF): one byte per character.
QByteArray ColourSyntaxText(const QString& text, int syntax);

class TSyntaxMemo : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kMaxLength = 1024;
  static constexpr int kMaxUndo = 32;

  explicit TSyntaxMemo(QWidget* parent = nullptr);

  // The text, one entry per line (never empty).
  const QStringList& Lines() const { return lines_; }
  // Replaces the text from outside: the editor resets (one empty line for an empty text, undo
  // emptied, caret at (1, 1), view at the top, no selection).
  void SetLines(const QStringList& lines);
  void SetText(const QString& text);
  // Removes trailing blanks from every line and returns the lines.
  const QStringList& TrimmedLines();
  QString Text() const { return lines_.join(QStringLiteral("\r\n")); }

  int Syntax() const { return syntax_; }
  void SetSyntax(int syntax);
  bool ReadOnly() const { return readOnly_; }
  void setReadOnly(bool v) { readOnly_ = v; }

  void ShowErrorText(const QString& text);
  QString ErrorText() const { return errorText_; }

  void CopySelection();
  void CutSelection();
  void PasteText();
  void ReplaceSelection(const QString& text);
  void MoveCaret(int column, int line);
  void Refresh();
  void Undo();
  // Unindents the selected lines by at most 2 blanks.
  void UnindentSelection();

  int CaretX() const { return caretX_; }
  int CaretY() const { return caretY_; }
  int TopLine() const { return topLine_; }
  int LeftCol() const { return leftCol_; }
  int VisibleLines() const { return visibleLines_; }
  int VisibleCols() const { return visibleCols_; }
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }
  bool IsCourierNew() const { return isCourierNew_; }
  bool HasSelection() const { return selStartX_ != 0; }
  // Selection in caret positions (anchor, end), or false without a selection.
  void SetSelection(int startX, int startY, int endX, int endY);
  QString SelectedText() const;
  int UndoCount() const { return undoList_.size(); }
  const QByteArray& Attributes() const { return attributes_; }
  QScrollBar* ScrollBar() const { return scrollBar_; }
  // Cell of a point of the widget (mouse).
  QPoint CellAt(const QPoint& point) const;

 // What the input method asks: the caret's cell (its window opens there), the font, the line.
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  // Text from the input method (Chinese) goes in as typed characters do.
  void inputMethodEvent(QInputMethodEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void focusInEvent(QFocusEvent*) override;
  void focusOutEvent(QFocusEvent*) override;
  void changeEvent(QEvent*) override;
  bool focusNextPrevChild(bool) override { return false; }  // Tab is the editor's

 private:
  void snapshot();
  int positionOf(int x, int y) const;  // 0-based offset in the LF-joined text
  // `column` of line `line`, moved before a character it would split in two.
  int wholeColumn(int column, int line) const;
  QPoint caretOf(const QString& joined, int offset) const;
  void orderedSelection(int& sx, int& sy, int& ex, int& ey) const;
  void setJoined(const QString& joined);
  void enterKey();
  void smartTab();
  void deleteKey();
  void backspaceKey();
  void navigate(int x, int y, bool shift);
  void updateMetrics();
  void updateScrollBar();
  int clientWidth() const;
  void reset();

  QStringList lines_{QString()};
  QStringList undoList_;
  QScrollBar* scrollBar_ = nullptr;
  int syntax_ = kSyntaxScript;
  int caretX_ = 1, caretY_ = 1;
  int leftCol_ = 0, topLine_ = 0;
  int visibleCols_ = 0, visibleLines_ = 0;
  int charWidth_ = 8, lineHeight_ = 16;
  bool isCourierNew_ = true;
  int selStartX_ = 0, selStartY_ = 0, selEndX_ = 0, selEndY_ = 0;
  bool readOnly_ = false;
  bool newUndoStep_ = true;
  bool linesGivenOut_ = false;
  bool selecting_ = false;
  bool updatingScrollBar_ = false;
  QString errorText_;
  QByteArray attributes_;
};
