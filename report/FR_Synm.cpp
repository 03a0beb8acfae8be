#include "report/FR_Synm.h"

#include <QInputMethodEvent>

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

const char* const kScriptKeywords =
    "and,array,as,begin,case,class,const,constructor,destructor,div,do,downto,else,end,except,finally,for,"
    "forward,function,goto,if,is,in,inherited,label,mod,nil,not,object,of,on,or,override,private,procedure,"
    "program,property,protected,public,raise,record,repeat,set,shl,shr,string,then,to,try,type,until,uses,var,"
    "virtual,while,with,xor";
const char* const kSqlKeywords =
    "active,after,all,alter,and,any,as,asc,ascending,at,auto,base_name,before,begin,between,by,cache,cast,check,"
    "column,commit,committed,computed,conditional,constraint,containing,count,create,current,cursor,database,"
    "debug,declare,default,delete,desc,descending,distinct,do,domain,drop,else,end,entry_point,escape,exception,"
    "execute,exists,exit,external,extract,filter,for,foreign,from,full,function,generator,grant,group,having,if,"
    "in,inactive,index,inner,insert,into,is,isolation,join,key,left,level,like,merge,names,no,not,null,of,on,"
    "only,or,order,outer,parameter,password,plan,position,primary,privileges,procedure,protected,read,retain,"
    "returns,revoke,right,rollback,schema,select,set,shadow,shared,snapshot,some,suspend,table,then,to,"
    "transaction,trigger,uncommitted,union,unique,update,user,using,view,wait,when,where,while,with,work";

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isWordChar(QChar c) { return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_'; }

int firstNonBlank(const QString& s) {  // 1-based column, 0 for a blank line
  for (int i = 0; i < s.size(); ++i)
    if (s[i] != u' ') return i + 1;
  return 0;
}

QString trimRight(const QString& s) {
  int n = s.size();
  while (n > 0 && s[n - 1] == u' ') --n;
  return s.left(n);
}

}  // namespace

QString SyntaxKeywords(int syntax) {
  if (syntax == kSyntaxScript) return QString::fromLatin1(kScriptKeywords);
  if (syntax == kSyntaxSql) return QString::fromLatin1(kSqlKeywords);
  return QString();
}

QByteArray ColourSyntaxText(const QString& source, int syntax) {
  const QString text = source + QString(11, QChar(0));
  QByteArray attr(text.size(), char(scPlain));
  const QStringList words = SyntaxKeywords(syntax).split(u',', Qt::SkipEmptyParts);
  const int n = source.size();
  auto mark = [&](int from, int to, char cls) {  // [from, to)
    for (int k = from; k < to && k < n; ++k)
      if (text[k].unicode() > 31) attr[k] = cls;
  };
  auto lineEnd = [&](int from) {
    int k = from;
    while (k < n && text[k] != u'\r' && text[k] != u'\n') ++k;
    return k;
  };
  auto blockEnd = [&](int from, const QString& closer) {
    const int k = text.indexOf(closer, from);
    return k < 0 || k >= n ? n : k + closer.size();
  };
  int i = 0;
  while (i < n) {
    const QChar c = text[i];
    const QChar next = text[i + 1];
    if (isAsciiLetter(c) || c == u'_') {
      int j = i + 1;
      while (j < n && isWordChar(text[j])) ++j;
      const QString word = text.mid(i, j - i).toLower();
      mark(i, j, words.contains(word) ? scKeyword : scPlain);
      i = j;
      continue;
    }
    const bool single = c == u'\'';
    const bool dbl = c == u'"';
    if ((syntax == kSyntaxScript && c == u'/' && next == u'/') || (syntax == kSyntaxSql && c == u'-' && next == u'-')) {
      const int j = lineEnd(i);
      mark(i, j, scComment);
      i = j;
      continue;
    }
    if (syntax == kSyntaxScript && c == u'{') {
      const int j = blockEnd(i + 1, QStringLiteral("}"));
      mark(i, j, scComment);
      i = j;
      continue;
    }
    if (syntax == kSyntaxScript && c == u'(' && next == u'*') {
      const int j = blockEnd(i + 2, QStringLiteral("*)"));
      mark(i, j, scComment);
      i = j;
      continue;
    }
    if (syntax == kSyntaxSql && c == u'/' && next == u'*') {
      const int j = blockEnd(i + 2, QStringLiteral("*/"));
      mark(i, j, scComment);
      i = j;
      continue;
    }
    if (single || (dbl && syntax == kSyntaxSql)) {
      int j = i + 1;
      while (j < n && text[j] != u'\'' && text[j] != u'"' && text[j] != u'\r' && text[j] != u'\n') ++j;
      if (j < n && (text[j] == u'\'' || text[j] == u'"')) ++j;
      mark(i, j, scString);
      i = j;
      continue;
    }
    ++i;
  }
  attr.truncate(n);
  return attr;
}

// ---------------------------------------------------------------------------------------

TSyntaxMemo::TSyntaxMemo(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ToQColor(clWindow));
  setPalette(pal);
  QFont f(QStringLiteral("Courier New"));
  f.setPointSize(10);
  setFont(f);
  scrollBar_ = new QScrollBar(Qt::Vertical, this);
  scrollBar_->setObjectName(QStringLiteral("ScrollBar"));
  scrollBar_->setFocusPolicy(Qt::NoFocus);
  connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int v) {
    if (updatingScrollBar_) return;
    topLine_ = std::min<int>(v, lines_.size());
    setFocus();
    update();
  });
  updateMetrics();
  Refresh();
}

void TSyntaxMemo::updateMetrics() {
  QFont bold = font();
  bold.setBold(true);
  const QFontMetrics fm(bold);
  charWidth_ = std::max(1, fm.horizontalAdvance(u'W'));
  lineHeight_ = std::max(1, fm.boundingRect(QStringLiteral("Wg")).height());
  lineHeight_ = std::max(lineHeight_, fm.height());
  isCourierNew_ = font().family().toUpper().contains(QLatin1String("COURIER NEW"));
  visibleCols_ = std::max(0, (clientWidth() - 2) / charWidth_);
  visibleLines_ = std::max(0, (height() - 4) / lineHeight_);
}

int TSyntaxMemo::clientWidth() const {
  return scrollBar_ && !scrollBar_->isHidden() ? width() - scrollBar_->width() - 4 : width();
}

void TSyntaxMemo::updateScrollBar() {
  updatingScrollBar_ = true;
  scrollBar_->setGeometry(width() - scrollBar_->sizeHint().width() - 4, 0, scrollBar_->sizeHint().width(),
                          std::max(0, height() - 4));
  scrollBar_->setRange(0, lines_.size());
  scrollBar_->setSingleStep(1);
  scrollBar_->setPageStep(std::max(1, visibleLines_));
  scrollBar_->setVisible(visibleLines_ < lines_.size());
  scrollBar_->setValue(topLine_);
  updatingScrollBar_ = false;
  visibleCols_ = std::max(0, (clientWidth() - 2) / charWidth_);
}

void TSyntaxMemo::resizeEvent(QResizeEvent*) {
  updateMetrics();
  updateScrollBar();
}

void TSyntaxMemo::changeEvent(QEvent* e) {
  if (e->type() == QEvent::FontChange) {
    updateMetrics();
    update();
  }
  QWidget::changeEvent(e);
}

void TSyntaxMemo::reset() {
  if (lines_.isEmpty()) lines_.append(QString());
  newUndoStep_ = true;
  undoList_.clear();
  caretX_ = caretY_ = 1;
  leftCol_ = topLine_ = 0;
  selStartX_ = selStartY_ = selEndX_ = selEndY_ = 0;
  Refresh();
  updateScrollBar();
}

void TSyntaxMemo::SetLines(const QStringList& lines) {
  lines_ = lines;
  reset();
}

void TSyntaxMemo::SetText(const QString& text) {
  QString t = text;
  t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  t.replace(u'\r', u'\n');
  SetLines(t.isEmpty() ? QStringList{QString()} : t.split(u'\n'));
}

const QStringList& TSyntaxMemo::TrimmedLines() {
  for (QString& l : lines_) l = trimRight(l);
  linesGivenOut_ = true;
  return lines_;
}

void TSyntaxMemo::SetSyntax(int syntax) {
  syntax_ = syntax;
  Refresh();
}

void TSyntaxMemo::ShowErrorText(const QString& text) {
  errorText_ = text;
  update();
}

void TSyntaxMemo::Refresh() {
  TrimmedLines();
  attributes_ = ColourSyntaxText(Text(), syntax_);
  linesGivenOut_ = false;
  update();
}

// ---- positions

// True when caret column `col` of `line` falls between the two halves of one character
// (a character outside the basic plane, typed through the input method).
static bool splitsCharacter(const QString& line, int col) {
  const int at = col - 1;
  return at > 0 && at < line.size() && line[at - 1].isHighSurrogate() && line[at].isLowSurrogate();
}

int TSyntaxMemo::wholeColumn(int column, int line) const {
  if (line < 1 || line > lines_.size()) return column;
  return splitsCharacter(lines_[line - 1], column) ? column - 1 : column;
}

int TSyntaxMemo::positionOf(int x, int y) const {
  int pos = 0;
  for (int i = 0; i < y - 1 && i < lines_.size(); ++i) pos += lines_[i].size() + 1;
  return pos + x - 1;
}

QPoint TSyntaxMemo::caretOf(const QString& joined, int offset) const {
  int y = 1, lineStart = 0;
  for (int i = 0; i < offset && i < joined.size(); ++i)
    if (joined[i] == u'\n') {
      ++y;
      lineStart = i + 1;
    }
  return QPoint(offset - lineStart + 1, y);
}

void TSyntaxMemo::orderedSelection(int& sx, int& sy, int& ex, int& ey) const {
  sx = selStartX_, sy = selStartY_, ex = selEndX_, ey = selEndY_;
  if (sy * kMaxLength + sx > ey * kMaxLength + ex) {
    std::swap(sx, ex);
    std::swap(sy, ey);
  }
}

void TSyntaxMemo::SetSelection(int startX, int startY, int endX, int endY) {
  // Both ends keep whole characters: an end between the halves of one stops before it.
  startX = wholeColumn(startX, startY);
  endX = wholeColumn(endX, endY);
  selStartX_ = startX, selStartY_ = startY, selEndX_ = endX, selEndY_ = endY;
  if (startX == endX && startY == endY) selStartX_ = 0;
  update();
}

void TSyntaxMemo::setJoined(const QString& joined) {
  lines_ = joined.split(u'\n');
  if (lines_.isEmpty()) lines_.append(QString());
}

// ---- editing

void TSyntaxMemo::snapshot() {
  if (!newUndoStep_) return;
  undoList_.append(QString::asprintf("%5d%5d", caretX_, caretY_) + Text());
  while (undoList_.size() > kMaxUndo) undoList_.removeFirst();
  newUndoStep_ = false;
}

void TSyntaxMemo::Undo() {
  if (readOnly_ || undoList_.isEmpty()) return;
  const QString s = undoList_.takeLast();
  const int x = s.mid(0, 5).trimmed().toInt();
  const int y = s.mid(5, 5).trimmed().toInt();
  QString text = s.mid(10);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  setJoined(text);
  selStartX_ = 0;
  MoveCaret(x, y);
  newUndoStep_ = true;
  Refresh();
}

void TSyntaxMemo::ReplaceSelection(const QString& inserted) {
  if (readOnly_) return;
  snapshot();
  int sx = caretX_, sy = caretY_, ex = caretX_, ey = caretY_;
  if (HasSelection()) orderedSelection(sx, sy, ex, ey);
  sy = std::clamp<int>(sy, 1, lines_.size());
  ey = std::clamp<int>(ey, 1, lines_.size());
  if (sx - 1 > lines_[sy - 1].size()) lines_[sy - 1] += QString(sx - 1 - lines_[sy - 1].size(), u' ');
  if (ex - 1 > lines_[ey - 1].size()) ex = lines_[ey - 1].size() + 1;
  QString text = inserted;
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  QString joined = lines_.join(u'\n');
  const int ps = positionOf(sx, sy);
  const int pe = std::max(ps, positionOf(ex, ey));
  joined.remove(ps, pe - ps);
  joined.insert(ps, text);
  setJoined(joined);
  const QPoint c = caretOf(joined, ps + text.size());
  selStartX_ = 0;
  MoveCaret(c.x(), c.y());
  Refresh();
}

void TSyntaxMemo::enterKey() {
  if (readOnly_) return;
  snapshot();
  selStartX_ = 0;
  QString& line = lines_[caretY_ - 1];
  const QString rest = caretX_ - 1 < line.size() ? line.mid(caretX_ - 1, kMaxLength) : QString();
  const int fnb = firstNonBlank(line);
  const int indent = fnb > 0 ? fnb - 1 : caretX_ - 1;
  if (caretX_ - 1 < line.size()) line.truncate(caretX_ - 1);
  lines_.insert(caretY_, QString(indent, u' ') + rest);
  MoveCaret(indent + 1, caretY_ + 1);
  Refresh();
}

void TSyntaxMemo::smartTab() {
  if (readOnly_) return;
  for (int y = caretY_ - 2; y >= 0; --y) {
    const QString& above = lines_[y];
    if (above.size() < caretX_) continue;
    int k = caretX_ - 1;
    if (above[k] == u' ') {
      while (k < above.size() && above[k] == u' ') ++k;
    } else {
      while (k < above.size() && above[k] != u' ') ++k;
      while (k < above.size() && above[k] == u' ') ++k;
    }
    const int n = k - (caretX_ - 1);
    if (n > 0) ReplaceSelection(QString(n, u' '));
    return;
  }
}

void TSyntaxMemo::deleteKey() {
  if (readOnly_) return;
  errorText_.clear();
  if (HasSelection()) {
    ReplaceSelection(QString());
    return;
  }
  snapshot();
  QString& line = lines_[caretY_ - 1];
  if (caretX_ <= line.size()) {
    line.remove(caretX_ - 1, splitsCharacter(line, caretX_ + 1) ? 2 : 1);
  } else if (caretY_ < lines_.size()) {
    line += QString(caretX_ - 1 - line.size(), u' ') + lines_[caretY_];
    lines_.removeAt(caretY_);
  }
  Refresh();
}

void TSyntaxMemo::backspaceKey() {
  if (readOnly_) return;
  errorText_.clear();
  if (HasSelection()) {
    ReplaceSelection(QString());
    return;
  }
  QString& line = lines_[caretY_ - 1];
  if (caretX_ == 1) {
    if (caretY_ == 1) return;
    snapshot();
    const QString prev = trimRight(lines_[caretY_ - 2]);
    const int col = prev.size() + 1;
    lines_[caretY_ - 2] = prev + line;
    lines_.removeAt(caretY_ - 1);
    MoveCaret(col, caretY_ - 1);
    Refresh();
    return;
  }
  const int fnb = firstNonBlank(line);
  const bool blankLine = fnb == 0;
  if ((blankLine || caretX_ == fnb) && caretY_ > 1) {
    snapshot();
    int target = 0;
    for (int y = caretY_ - 2; y >= 0; --y) {
      const int ind = firstNonBlank(lines_[y]);
      if (ind > 0 && ind < caretX_) {
        target = ind;
        break;
      }
    }
    if (target == 0) target = std::max(1, firstNonBlank(lines_[0]));
    if (target >= caretX_) target = caretX_ - 1;
    const int from = target - 1, to = std::min<int>(caretX_ - 1, line.size());
    if (to > from) line.remove(from, to - from);
    MoveCaret(target, caretY_);
    Refresh();
    return;
  }
  snapshot();
  const int width = splitsCharacter(line, caretX_ - 1) ? 2 : 1;
  if (caretX_ - 1 <= line.size()) line.remove(caretX_ - 1 - width, width);
  MoveCaret(caretX_ - width, caretY_);
  Refresh();
}

void TSyntaxMemo::UnindentSelection() {
  if (readOnly_ || !HasSelection()) return;
  int sx, sy, ex, ey;
  orderedSelection(sx, sy, ex, ey);
  if (ex == 1 && ey > sy) --ey;
  ey = std::min<int>(ey, lines_.size());
  int least = 2;
  for (int y = sy; y <= ey; ++y) {
    const int fnb = firstNonBlank(lines_[y - 1]);
    if (fnb > 0) least = std::min(least, fnb - 1);
  }
  if (least == 0) return;
  snapshot();
  for (int y = sy; y <= ey; ++y)
    if (firstNonBlank(lines_[y - 1]) > 0) lines_[y - 1].remove(0, least);
  // The text moved under the caret and the selection: they stay between whole characters.
  caretX_ = wholeColumn(caretX_, caretY_);
  selStartX_ = wholeColumn(selStartX_, selStartY_);
  selEndX_ = wholeColumn(selEndX_, selEndY_);
  Refresh();
}

// ---- clipboard

QString TSyntaxMemo::SelectedText() const {
  if (!HasSelection()) return QString();
  int sx, sy, ex, ey;
  orderedSelection(sx, sy, ex, ey);
  if (sx - 1 > lines_[sy - 1].size() && sy < lines_.size()) {
    sx = 1;
    ++sy;
  }
  sx = std::min<int>(sx, lines_[sy - 1].size() + 1);
  if (ex - 1 > lines_[ey - 1].size()) ex = lines_[ey - 1].size() + 1;
  const int ps = positionOf(sx, sy), pe = positionOf(ex, ey);
  if (pe <= ps) return QString();
  QString t = lines_.join(u'\n').mid(ps, pe - ps);
  t.replace(u'\n', QStringLiteral("\r\n"));
  return t;
}

void TSyntaxMemo::CopySelection() {
  if (HasSelection()) QApplication::clipboard()->setText(SelectedText());
}

void TSyntaxMemo::CutSelection() {
  if (readOnly_) return;
  CopySelection();
  if (HasSelection()) ReplaceSelection(QString());
}

void TSyntaxMemo::PasteText() {
  if (readOnly_) return;
  ReplaceSelection(QApplication::clipboard()->text());
}

// ---- caret

void TSyntaxMemo::MoveCaret(int column, int line) {
  errorText_.clear();
  column = std::clamp(column, 1, static_cast<int>(kMaxLength));
  line = std::clamp<int>(line, 1, lines_.size());
  column = wholeColumn(column, line);   // never between the halves of one character
  caretX_ = column;
  caretY_ = line;
  if (visibleCols_ > 0 && visibleLines_ > 0) {
    topLine_ = std::min<int>(topLine_, lines_.size() - 1);
    if (column > leftCol_ + visibleCols_) {
      leftCol_ = column - visibleCols_;
    } else if (column <= leftCol_) {
      leftCol_ = column - 1;
    } else if (line > topLine_ + visibleLines_) {
      topLine_ = line - visibleLines_;
    } else if (line <= topLine_) {
      topLine_ = line - 1;
    }
  }
  updateScrollBar();
  update();
}

void TSyntaxMemo::navigate(int x, int y, bool shift) {
  const int anchorX = caretX_, anchorY = caretY_;
  MoveCaret(x, y);
  if (shift) {
    if (!HasSelection()) {
      selStartX_ = anchorX;
      selStartY_ = anchorY;
    }
    selEndX_ = caretX_;
    selEndY_ = caretY_;
    if (selStartX_ == selEndX_ && selStartY_ == selEndY_) selStartX_ = 0;
  } else {
    selStartX_ = 0;
  }
  newUndoStep_ = true;
  update();
}

QPoint TSyntaxMemo::CellAt(const QPoint& p) const {
  return QPoint(std::max(0, p.x()) / charWidth_ + leftCol_ + 1, std::max(0, p.y()) / lineHeight_ + topLine_ + 1);
}

void TSyntaxMemo::keyPressEvent(QKeyEvent* e) {
  linesGivenOut_ = false;
  const bool shift = e->modifiers() & Qt::ShiftModifier;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const int lineEndCol = trimRight(lines_[caretY_ - 1]).size() + 1;
  switch (e->key()) {
    case Qt::Key_Left: {
      const QString& line = lines_[caretY_ - 1];
      navigate(std::max(1, caretX_ - (splitsCharacter(line, caretX_ - 1) ? 2 : 1)), caretY_, shift);
      return;
    }
    case Qt::Key_Right: {
      const QString& line = lines_[caretY_ - 1];
      const int step = splitsCharacter(line, caretX_ + 1) ? 2 : 1;
      navigate(std::min(static_cast<int>(kMaxLength), caretX_ + step), caretY_, shift);
      return;
    }
    case Qt::Key_Up: navigate(caretX_, std::max(1, caretY_ - 1), shift); return;
    case Qt::Key_Down: navigate(caretX_, std::min<int>(lines_.size(), caretY_ + 1), shift); return;
    case Qt::Key_Home: navigate(1, ctrl ? 1 : caretY_, shift); return;
    case Qt::Key_End:
      if (ctrl) navigate(trimRight(lines_.last()).size() + 1, lines_.size(), shift);
      else navigate(lineEndCol, caretY_, shift);
      return;
    case Qt::Key_PageUp:
      if (topLine_ > visibleLines_) {
        topLine_ -= visibleLines_ - 1;
        navigate(caretX_, caretY_ - (visibleLines_ - 1), shift);
      } else if (topLine_ == 0) {
        navigate(caretX_, 1, shift);
      } else {
        const int up = topLine_;
        topLine_ = 0;
        navigate(caretX_, caretY_ - up, shift);
      }
      return;
    case Qt::Key_PageDown:
      if (topLine_ + visibleLines_ < lines_.size()) {
        topLine_ += visibleLines_ - 1;
        navigate(caretX_, caretY_ + visibleLines_ - 1, shift);
      } else {
        topLine_ = lines_.size();
        navigate(caretX_, lines_.size(), shift);
      }
      return;
    default: break;
  }
  if ((ctrl && e->key() == Qt::Key_Insert) || (ctrl && e->key() == Qt::Key_C)) {
    CopySelection();
    return;
  }
  if ((shift && e->key() == Qt::Key_Insert) || (ctrl && e->key() == Qt::Key_V)) {
    newUndoStep_ = true;
    PasteText();
    return;
  }
  if ((shift && e->key() == Qt::Key_Delete) || (ctrl && e->key() == Qt::Key_X)) {
    newUndoStep_ = true;
    CutSelection();
    return;
  }
  if (ctrl && e->key() == Qt::Key_U) {
    UnindentSelection();
    return;
  }
  if (ctrl && e->key() == Qt::Key_Z) {
    Undo();
    return;
  }
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier) enterKey();
      return;
    case Qt::Key_Tab: smartTab(); return;
    case Qt::Key_Backspace: backspaceKey(); return;
    case Qt::Key_Delete: deleteKey(); return;
    default: break;
  }
  const QString t = e->text();
  if (!ctrl && !t.isEmpty() && t[0].unicode() >= 32 && t[0].unicode() != 127) {
    ReplaceSelection(t);
    return;
  }
  QWidget::keyPressEvent(e);
}

void TSyntaxMemo::inputMethodEvent(QInputMethodEvent* e) {
  // The composition is shown by the input method's own window; the committed text is typed.
  linesGivenOut_ = false;
  if (!e->commitString().isEmpty()) ReplaceSelection(e->commitString());
  e->accept();
}

QVariant TSyntaxMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return !readOnly_;
    case Qt::ImCursorRectangle:
      // The caret's cell, so that the input method's window opens beside it.
      return QRect((caretX_ - leftCol_ - 1) * charWidth_ + 1, (caretY_ - topLine_ - 1) * lineHeight_, 2, lineHeight_);
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return caretX_ - 1;
    case Qt::ImSurroundingText: return lines_.value(caretY_ - 1);
    case Qt::ImCurrentSelection: return QString();
    default: return QWidget::inputMethodQuery(query);
  }
}

void TSyntaxMemo::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  setFocus();
  selecting_ = true;
  const QPoint c = CellAt(e->position().toPoint());
  selStartX_ = 0;
  MoveCaret(c.x(), c.y());
  newUndoStep_ = true;
}

void TSyntaxMemo::mouseMoveEvent(QMouseEvent* e) {
  if (!selecting_) return;
  const QPoint c = CellAt(e->position().toPoint());
  navigate(c.x(), c.y(), true);
}

void TSyntaxMemo::mouseReleaseEvent(QMouseEvent*) { selecting_ = false; }

void TSyntaxMemo::focusInEvent(QFocusEvent*) { update(); }
void TSyntaxMemo::focusOutEvent(QFocusEvent*) { update(); }

// ---- painting

void TSyntaxMemo::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect client(0, 0, clientWidth(), height());
  p.fillRect(client, ToQColor(clWindow));
  QFont base = font();
  int sx = 0, sy = 0, ex = 0, ey = 0;
  if (HasSelection()) orderedSelection(sx, sy, ex, ey);
  const int selFrom = HasSelection() ? sy * kMaxLength + sx : 0;
  const int selTo = HasSelection() ? ey * kMaxLength + ex : 0;
  auto selected = [&](int x, int y) {
    const int k = y * kMaxLength + x;
    return k >= selFrom && k < selTo;
  };
  auto fontOf = [&](char cls) {
    QFont f = base;
    f.setBold(cls == scKeyword);
    f.setItalic(cls == scComment);
    return f;
  };
  int offset = 0;
  for (int i = 0; i < topLine_ && i < lines_.size(); ++i) offset += lines_[i].size() + 2;
  const int last = std::min<int>(lines_.size(), topLine_ + visibleLines_ + 1);
  for (int y = topLine_ + 1; y <= last; ++y) {
    const QString& line = lines_[y - 1];
    const int top = (y - topLine_ - 1) * lineHeight_;
    int x = leftCol_ + 1;
    const int end = std::min<int>(line.size(), leftCol_ + visibleCols_);
    while (x <= end) {
      const char cls = offset + x - 1 < attributes_.size() ? attributes_[offset + x - 1] : char(scPlain);
      const bool sel = selected(x, y);
      int runEnd = x;
      while (runEnd + 1 <= end) {
        const char c2 = offset + runEnd < attributes_.size() ? attributes_[offset + runEnd] : char(scPlain);
        if (c2 != cls || selected(runEnd + 1, y) != sel) break;
        ++runEnd;
      }
      const QRect r(2 + (x - leftCol_ - 1) * charWidth_, top, (runEnd - x + 1) * charWidth_, lineHeight_);
      p.fillRect(r, ToQColor(sel ? clHighlight : clWindow));
      p.setFont(fontOf(cls));
      p.setPen(ToQColor(sel ? clHighlightText : (cls == scComment ? clNavy : clWindowText)));
      const QString run = line.mid(x - 1, runEnd - x + 1);
      if (isCourierNew_) {
        p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, run);
      } else {
        for (int k = 0; k < run.size(); ++k)
          p.drawText(QRect(r.x() + k * charWidth_, top, charWidth_, lineHeight_), Qt::AlignLeft | Qt::AlignVCenter,
                     QString(run[k]));
      }
      x = runEnd + 1;
    }
    if (HasSelection() && y < lines_.size() && selected(1, y + 1) && selected(line.size() + 1, y)) {
      const int from = std::max<int>(line.size() - leftCol_, 0);
      const QRect r(2 + from * charWidth_, top, std::max(0, (visibleCols_ - from + 3)) * charWidth_, lineHeight_);
      p.fillRect(r.intersected(client), ToQColor(clHighlight));
    }
    offset += line.size() + 2;
  }
  if (!errorText_.isEmpty()) {
    QFont ef(QStringLiteral("MS Sans Serif"));
    const int h = QFontMetrics(ef).height() + 6;
    p.fillRect(QRect(0, height() - h, client.width(), h), Qt::red);
    p.setFont(ef);
    p.setPen(Qt::white);
    p.drawText(QRect(6, height() - h, client.width() - 6, h), Qt::AlignLeft | Qt::AlignVCenter, errorText_);
  }
  if (hasFocus()) {
    const int cx = (caretX_ - leftCol_ - 1) * charWidth_ + 1;
    const int cy = (caretY_ - topLine_ - 1) * lineHeight_;
    p.fillRect(QRect(cx, cy, 2, lineHeight_), ToQColor(clWindowText));
  }
}
