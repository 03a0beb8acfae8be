// The word-wrap editor: a tall editor whose long text runs onto further lines and is edited
// there. The text stays in the line edit underneath (so masks, key hooks, selection and the
// change notices work as for one line); this file lays it out in lines, draws it, and moves
// the caret by lines and by the mouse.
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

#include "grid/DBCtrlsEh.h"

namespace {

constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kZeroWidthSpace = 0x200B;

// The text as laid out: every line break becomes a forced line end, position for position, so
// a caret position of the text is a position of the layout. Of a carriage return and line
// feed pair the line feed becomes an invisible character at the start of the next line.
QString LayoutTextOf(const QString& text) {
  QString t = text;
  for (int i = 0; i < t.size(); ++i) {
    if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
      t[i] = QChar(kLineSeparator);
      t[++i] = QChar(kZeroWidthSpace);
    } else if (text[i] == QLatin1Char('\r') || text[i] == QLatin1Char('\n')) {
      t[i] = QChar(kLineSeparator);
    }
  }
  return t;
}

}  // namespace

void TCustomDBEditEh::SetWordWrap(bool on) {
  if (wordWrap_ == on) return;
  wordWrap_ = on;
  topLine_ = 0;
  UpdateFixedHeight();
  ApplyTextRect();
  update();
}

Qt::Alignment TCustomDBEditEh::WrappedTextAlignment() const {
  if (!wordWrap_) return UseRightToLeftAlignment() ? Qt::AlignRight : Qt::AlignLeft;
  switch (EffectiveAlignment()) {
    case taRightJustify: return Qt::AlignRight;
    case taCenter: return Qt::AlignHCenter;
    default: return Qt::AlignLeft;
  }
}

QString TCustomDBEditEh::PaintFrameAndShownText(QPainter& p) {
  QStyleOptionFrame opt;
  initStyleOption(&opt);
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &opt, &p, this);
  p.setPen(isEnabled() ? palette().color(QPalette::Text) : ToQColor(clGrayText));
  QString text = EditText();
  if (echoMode() == QLineEdit::Password)
    text = QString(text.size(), passwordChar_.isNull() ? QLatin1Char('*') : passwordChar_);
  return text;
}

// Lines start at the top of the text area, inside the same margins the edit control uses.
QRect TCustomDBEditEh::WrapTextRect() const { return TextAreaRect().adjusted(3, 2, -3, -2); }

std::unique_ptr<QTextLayout> TCustomDBEditEh::WrapLayout() const {
  QString text = EditText();
  if (echoMode() == QLineEdit::Password)
    text = QString(text.size(), passwordChar_.isNull() ? QLatin1Char('*') : passwordChar_);
  auto layout = std::make_unique<QTextLayout>(LayoutTextOf(text), font());
  QTextOption option(WrappedTextAlignment() | Qt::AlignAbsolute);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  option.setTextDirection(UseRightToLeftReading() ? Qt::RightToLeft : Qt::LeftToRight);
  layout->setTextOption(option);
  layout->setCacheEnabled(true);
  const qreal width = qMax(1, WrapTextRect().width());
  qreal y = 0;
  layout->beginLayout();
  for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
    line.setLineWidth(width);
    line.setPosition(QPointF(0, y));
    y += line.height();
  }
  layout->endLayout();
  return layout;
}

int TCustomDBEditEh::LineCount() const { return WrapLayout()->lineCount(); }

int TCustomDBEditEh::LineOfPosition(int pos) const {
  const auto layout = WrapLayout();
  const int n = layout->lineCount();
  for (int i = 0; i < n; ++i) {
    const QTextLine line = layout->lineAt(i);
    if (pos < line.textStart() + line.textLength()) return i;
  }
  return qMax(0, n - 1);
}

int TCustomDBEditEh::SkipInsideLineBreak(int pos) const {
  const QString text = EditText();
  if (pos > 0 && pos < text.size() && text[pos - 1] == QLatin1Char('\r') && text[pos] == QLatin1Char('\n'))
    return pos + 1;
  return pos;
}

int TCustomDBEditEh::PositionAt(QPoint point) const {
  const auto layout = WrapLayout();
  if (layout->lineCount() == 0) return 0;
  const QRect r = WrapTextRect();
  const qreal y = point.y() - r.top() + layout->lineAt(qMin(topLine_, layout->lineCount() - 1)).y();
  int index = layout->lineCount() - 1;
  if (y < 0) {
    index = 0;
  } else {
    for (int i = 0; i < layout->lineCount(); ++i)
      if (y < layout->lineAt(i).y() + layout->lineAt(i).height()) {
        index = i;
        break;
      }
  }
  const QTextLine line = layout->lineAt(index);
  int pos = line.xToCursor(point.x() - r.left());
  // A point right of a line that ends in a line break stands before the break.
  const QString shown = layout->text();
  const int end = line.textStart() + line.textLength();
  if (pos >= end && end > line.textStart() && shown[end - 1] == QChar(kLineSeparator)) pos = end - 1;
  return SkipInsideLineBreak(pos);
}

qreal TCustomDBEditEh::LineHeight() const {
  QTextLayout probe(QStringLiteral("Xg"), font());
  probe.beginLayout();
  QTextLine line = probe.createLine();
  line.setLineWidth(1000);
  probe.endLayout();
  return qMax<qreal>(1, line.height());
}

int TCustomDBEditEh::VisibleLines() const { return qMax(1, int(WrapTextRect().height() / LineHeight())); }

void TCustomDBEditEh::EnsureCaretLineVisible() {
  const auto layout = WrapLayout();
  const int lines = layout->lineCount();
  if (lines == 0) {
    topLine_ = 0;
    return;
  }
  const int visible = VisibleLines();
  const int caretLine = LineOfPosition(cursorPosition());
  if (caretLine < topLine_) topLine_ = caretLine;
  if (caretLine >= topLine_ + visible) topLine_ = caretLine - visible + 1;
  topLine_ = qBound(0, topLine_, qMax(0, lines - visible));
  if (caretLine < topLine_) topLine_ = caretLine;
}

int TCustomDBEditEh::SelectionAnchor() const {
  if (!hasSelectedText()) return cursorPosition();
  return cursorPosition() == selectionStart() ? selectionEnd() : selectionStart();
}

void TCustomDBEditEh::MoveCaretTo(int pos, bool extend) {
  pos = SkipInsideLineBreak(qBound(0, pos, static_cast<int>(EditText().size())));
  if (extend) {
    const int anchor = SelectionAnchor();
    setSelection(anchor, pos - anchor);
  } else {
    setCursorPosition(pos);
  }
  EnsureCaretLineVisible();
  update();
}

void TCustomDBEditEh::TypeControlText(const QString& text) {
  if (readOnly_ || IsMasked()) return;
  if (!FieldLink->BeginEdit() || isReadOnly()) return;
  if (MaxLength() > 0 && EditText().size() - selectedText().size() + text.size() > MaxLength()) return;
  SetModified(true);
  insert(text);
  if (MultiLine()) EnsureCaretLineVisible();
  update();
}

bool TCustomDBEditEh::MultiLineKey(QKeyEvent* event) {
  if (!MultiLine()) return false;
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool shift = mods & Qt::ShiftModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  const int qtKey = event->key();
  const bool enter = (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter) && !ctrl && WantReturns;
  const bool moving = qtKey == Qt::Key_Up || qtKey == Qt::Key_Down || qtKey == Qt::Key_PageUp ||
                      qtKey == Qt::Key_PageDown || qtKey == Qt::Key_Home || qtKey == Qt::Key_End;
  if ((!moving && !enter) || (mods & Qt::AltModifier)) {
    // Backspace after a line break and Delete before one take the whole break.
    const QString text = EditText();
    const int caret = cursorPosition();
    if (!hasSelectedText() && mods == Qt::NoModifier) {
      if (qtKey == Qt::Key_Backspace && caret >= 2 && text.mid(caret - 2, 2) == QLatin1String("\r\n"))
        setSelection(caret, -2);
      else if (qtKey == Qt::Key_Delete && text.mid(caret, 2) == QLatin1String("\r\n"))
        setSelection(caret, 2);
    }
    return false;
  }
  // The editor's key-down hooks (events, holder, button shortcuts) see the key first.
  int key = VirtualKeyOf(qtKey);
  KeyDown(key, mods);
  event->accept();
  if (key == 0) return true;
  if (enter) {
    QChar ch(13);
    KeyPress(ch);
    if (ch.unicode() == 13) TypeControlText(QStringLiteral("\r\n"));
    return true;
  }
  const auto layout = WrapLayout();
  const int lines = layout->lineCount();
  if (lines == 0) return true;
  const int caret = cursorPosition();
  const int lineIndex = LineOfPosition(caret);
  const QTextLine line = layout->lineAt(lineIndex);
  const int page = VisibleLines();
  auto lineStart = [&](const QTextLine& l) { return SkipInsideLineBreak(l.textStart()); };
  auto lineEnd = [&](const QTextLine& l) {
    const int end = l.textStart() + l.textLength();
    const bool hardBreak = end > l.textStart() && layout->text()[end - 1] == QChar(kLineSeparator);
    return hardBreak ? end - 1 : end;
  };
  auto sameColumnOn = [&](int target) {
    const QTextLine t = layout->lineAt(target);
    const int pos = t.xToCursor(line.cursorToX(caret));
    return qMin(pos, lineEnd(t));
  };
  switch (qtKey) {
    case Qt::Key_Up:
      if (lineIndex > 0) MoveCaretTo(sameColumnOn(lineIndex - 1), shift);
      break;
    case Qt::Key_Down:
      if (lineIndex < lines - 1) MoveCaretTo(sameColumnOn(lineIndex + 1), shift);
      break;
    case Qt::Key_PageUp: {
      const int target = qMax(0, lineIndex - page);
      topLine_ = qMax(0, topLine_ - page);
      MoveCaretTo(target == lineIndex ? lineStart(line) : sameColumnOn(target), shift);
      break;
    }
    case Qt::Key_PageDown: {
      const int target = qMin(lines - 1, lineIndex + page);
      topLine_ = qMin(qMax(0, lines - page), topLine_ + page);
      MoveCaretTo(target == lineIndex ? lineEnd(line) : sameColumnOn(target), shift);
      break;
    }
    case Qt::Key_Home:
      MoveCaretTo(ctrl ? 0 : lineStart(line), shift);
      break;
    case Qt::Key_End:
      MoveCaretTo(ctrl ? static_cast<int>(EditText().size()) : lineEnd(line), shift);
      break;
    default: break;
  }
  return true;
}

void TCustomDBEditEh::PaintWrappedText(QPainter& p) {
  PaintFrameAndShownText(p);
  const QRect r = WrapTextRect();
  p.setClipRect(r);
  const auto layout = WrapLayout();
  if (layout->lineCount() == 0) return;
  const int top = MultiLine() ? qMin(topLine_, layout->lineCount() - 1) : 0;
  const QPointF origin(r.left(), r.top() - layout->lineAt(top).y());
  // Selection and caret only while the editor has the focus, as the edit control shows them.
  const bool focused = hasFocus_ && MultiLine();
  QList<QTextLayout::FormatRange> selections;
  if (focused && hasSelectedText()) {
    QTextLayout::FormatRange sel;
    sel.start = selectionStart();
    sel.length = static_cast<int>(selectedText().size());
    sel.format.setBackground(palette().brush(QPalette::Highlight));
    sel.format.setForeground(palette().brush(QPalette::HighlightedText));
    selections.append(sel);
  }
  layout->draw(&p, origin, selections);
  if (focused) layout->drawCursor(&p, origin, cursorPosition(), 1);
}

void TCustomDBEditEh::mousePressEvent(QMouseEvent* event) {
  if (!MultiLine() || event->button() != Qt::LeftButton) {
    TCustomMaskEdit::mousePressEvent(event);
    return;
  }
  const int pos = PositionAt(event->position().toPoint());
  const bool extend = event->modifiers() & Qt::ShiftModifier;
  mouseAnchor_ = extend ? SelectionAnchor() : pos;
  MoveCaretTo(pos, extend);
  event->accept();
}

void TCustomDBEditEh::mouseMoveEvent(QMouseEvent* event) {
  // An arrow over the image area (the buttons have their own) and over an editor whose text is
  // only chosen (a key-mode combo box), the text cursor elsewhere.
  const bool overImage = ImageAreaWidth() > 0 && ImageRect().contains(event->position().toPoint());
  const Qt::CursorShape shape = overImage || !TypesIntoText() ? Qt::ArrowCursor : Qt::IBeamCursor;
  if (cursor().shape() != shape) setCursor(shape);
  // Nor does such an editor let the mouse select in its text.
  if (!TypesIntoText()) {
    event->accept();
    return;
  }
  if (!MultiLine() || mouseAnchor_ < 0 || !(event->buttons() & Qt::LeftButton)) {
    TCustomMaskEdit::mouseMoveEvent(event);
    return;
  }
  const int pos = PositionAt(event->position().toPoint());
  setSelection(mouseAnchor_, pos - mouseAnchor_);
  EnsureCaretLineVisible();
  update();
  event->accept();
}

void TCustomDBEditEh::mouseReleaseEvent(QMouseEvent* event) {
  if (!MultiLine() || mouseAnchor_ < 0) {
    TCustomMaskEdit::mouseReleaseEvent(event);
    return;
  }
  mouseAnchor_ = -1;
  event->accept();
}

void TCustomDBEditEh::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!MultiLine() || event->button() != Qt::LeftButton) {
    TCustomMaskEdit::mouseDoubleClickEvent(event);
    return;
  }
  // The word under the pointer: the run of letters and digits around it.
  const QString text = EditText();
  const int pos = PositionAt(event->position().toPoint());
  int start = pos, end = pos;
  while (start > 0 && text[start - 1].isLetterOrNumber()) --start;
  while (end < text.size() && text[end].isLetterOrNumber()) ++end;
  setSelection(start, end - start);
  update();
  event->accept();
}

void TCustomDBEditEh::wheelEvent(QWheelEvent* event) {
  if (!MultiLine()) {
    TCustomMaskEdit::wheelEvent(event);
    return;
  }
  // Three lines per notch, as far as the text goes.
  const int steps = event->angleDelta().y() / 120;
  if (steps == 0) return;
  topLine_ = qBound(0, topLine_ - 3 * steps, qMax(0, LineCount() - VisibleLines()));
  update();
  event->accept();
}
