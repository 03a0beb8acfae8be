#include "platform/maskedit.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <algorithm>

namespace {

// Positions of the unescaped ";" of a mask.
QVector<int> fieldSeparators(const QString& mask) {
  QVector<int> result;
  for (int i = 0; i < mask.size(); ++i) {
    if (mask[i] == QLatin1Char('\\')) {
      ++i;
      continue;
    }
    if (mask[i] == QLatin1Char(';')) result.append(i);
  }
  return result;
}

}  // namespace

int EditMaskInfo::firstEditable(int from) const {
  for (int i = qMax(0, from); i < positions.size(); ++i)
    if (positions[i].editable()) return i;
  return -1;
}

int EditMaskInfo::lastEditable(int before) const {
  for (int i = qMin(before, static_cast<int>(positions.size())) - 1; i >= 0; --i)
    if (positions[i].editable()) return i;
  return -1;
}

EditMaskInfo ParseEditMask(const QString& mask) {
  EditMaskInfo info;
  if (mask.isEmpty()) return info;
  const QVector<int> seps = fieldSeparators(mask);
  QString body = mask;
  if (!seps.isEmpty()) {
    body = mask.left(seps[0]);
    const int saveEnd = seps.size() > 1 ? seps[1] : mask.size();
    const QString save = mask.mid(seps[0] + 1, saveEnd - seps[0] - 1);
    if (!save.isEmpty() && save[0] == QLatin1Char('0')) info.saveLiterals = false;
    if (seps.size() > 1 && seps[1] + 1 < mask.size()) info.blank = mask[seps[1] + 1];
  }
  int caseRule = 0;
  for (int i = 0; i < body.size(); ++i) {
    const QChar c = body[i];
    MaskPosition pos;
    pos.caseRule = caseRule;
    switch (c.unicode()) {
      case '!': info.leadingBlanks = true; continue;
      case '>':
        if (i + 1 < body.size() && body[i + 1] == QLatin1Char('<')) {
          caseRule = 0;
          ++i;
        } else {
          caseRule = 1;
        }
        continue;
      case '<':
        if (i + 1 < body.size() && body[i + 1] == QLatin1Char('>')) {
          caseRule = 0;
          ++i;
        } else {
          caseRule = -1;
        }
        continue;
      case '\\':
        if (i + 1 < body.size()) {
          ++i;
          pos.literal = body[i];
        } else {
          continue;
        }
        break;
      case 'L': pos.kind = MaskPosition::Letter; pos.required = true; break;
      case 'l': pos.kind = MaskPosition::Letter; break;
      case 'A': pos.kind = MaskPosition::AlphaNum; pos.required = true; break;
      case 'a': pos.kind = MaskPosition::AlphaNum; break;
      case 'C': pos.kind = MaskPosition::AnyChar; pos.required = true; break;
      case 'c': pos.kind = MaskPosition::AnyChar; break;
      case '0': pos.kind = MaskPosition::Digit; pos.required = true; break;
      case '9': pos.kind = MaskPosition::Digit; break;
      case '#': pos.kind = MaskPosition::DigitOrSign; break;
      case '/': pos.literal = QChar(kMaskDateSeparator); break;
      case ':': pos.literal = QChar(kMaskTimeSeparator); break;
      case '_': pos.literal = QLatin1Char(' '); break;
      default: pos.literal = c; break;
    }
    info.positions.append(pos);
  }
  return info;
}

QChar MaskApplyCase(const MaskPosition& pos, QChar ch) {
  if (pos.caseRule > 0) return ch.toUpper();
  if (pos.caseRule < 0) return ch.toLower();
  return ch;
}

bool MaskPositionAccepts(const MaskPosition& pos, QChar ch) {
  switch (pos.kind) {
    case MaskPosition::Literal: return ch == pos.literal;
    case MaskPosition::Letter: return ch.isLetter();
    case MaskPosition::AlphaNum: return ch.isLetterOrNumber();
    case MaskPosition::AnyChar: return ch.unicode() >= 32;
    case MaskPosition::Digit: return ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    case MaskPosition::DigitOrSign:
      return (ch >= QLatin1Char('0') && ch <= QLatin1Char('9')) || ch == QLatin1Char('+') ||
             ch == QLatin1Char('-');
  }
  return false;
}

QString MaskBlankEditText(const EditMaskInfo& info) {
  QString result;
  result.reserve(info.positions.size());
  for (const MaskPosition& p : info.positions) result.append(p.editable() ? info.blank : p.literal);
  return result;
}

QString MaskTextToEditText(const EditMaskInfo& info, const QString& text) {
  QString result = MaskBlankEditText(info);
  const int n = info.positions.size();
  auto put = [&](int i, QChar c) {
    const MaskPosition& p = info.positions[i];
    if (c == QLatin1Char(' ') || c == info.blank) return;  // stays blank
    const QChar cc = MaskApplyCase(p, c);
    if (MaskPositionAccepts(p, cc)) result[i] = cc;
  };
  if (info.saveLiterals) {
    // The text carries the literals: position for position. A shorter text of an "!" mask
    // lines up at the end.
    const int offset = (info.leadingBlanks && text.size() < n) ? n - text.size() : 0;
    for (int t = 0; t < text.size(); ++t) {
      const int i = t + offset;
      if (i >= n) break;
      if (info.positions[i].editable()) put(i, text[t]);
    }
  } else {
    QVector<int> editable;
    for (int i = 0; i < n; ++i)
      if (info.positions[i].editable()) editable.append(i);
    const int offset = (info.leadingBlanks && text.size() < editable.size())
                           ? static_cast<int>(editable.size()) - static_cast<int>(text.size())
                           : 0;
    for (int t = 0; t < text.size() && t + offset < editable.size(); ++t) put(editable[t + offset], text[t]);
  }
  return result;
}

QString MaskEditTextToText(const EditMaskInfo& info, const QString& editText) {
  QString result;
  for (int i = 0; i < info.positions.size(); ++i) {
    const MaskPosition& p = info.positions[i];
    const QChar c = i < editText.size() ? editText[i] : info.blank;
    if (!p.editable()) {
      if (info.saveLiterals) result.append(p.literal);
      continue;
    }
    result.append(c == info.blank ? QChar(QLatin1Char(' ')) : c);
  }
  return result;
}

int MaskFirstInvalidPosition(const EditMaskInfo& info, const QString& editText) {
  for (int i = 0; i < info.positions.size(); ++i) {
    const MaskPosition& p = info.positions[i];
    if (!p.editable()) continue;
    const QChar c = i < editText.size() ? editText[i] : info.blank;
    const bool blank = c == info.blank || c == QLatin1Char(' ');
    if (blank) {
      if (p.required) return i;
    } else if (!MaskPositionAccepts(p, c)) {
      return i;
    }
  }
  return -1;
}

QString FormatMaskText(const QString& mask, const QString& text) {
  const EditMaskInfo info = ParseEditMask(mask);
  if (!info.isMasked()) return text;
  QString edit = MaskTextToEditText(info, text);
  for (int i = 0; i < edit.size(); ++i)
    if (info.positions[i].editable() && edit[i] == info.blank) edit[i] = QLatin1Char(' ');
  return edit;
}

int VirtualKeyOf(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Backspace: return vk::Back;
    case Qt::Key_Tab: case Qt::Key_Backtab: return vk::Tab;
    case Qt::Key_Return: case Qt::Key_Enter: return vk::Return;
    case Qt::Key_Shift: return vk::Shift;
    case Qt::Key_Control: return vk::Control;
    case Qt::Key_Alt: return vk::Menu;
    case Qt::Key_Escape: return vk::Escape;
    case Qt::Key_Space: return vk::Space;
    case Qt::Key_PageUp: return vk::Prior;
    case Qt::Key_PageDown: return vk::Next;
    case Qt::Key_End: return vk::End;
    case Qt::Key_Home: return vk::Home;
    case Qt::Key_Left: return vk::Left;
    case Qt::Key_Up: return vk::Up;
    case Qt::Key_Right: return vk::Right;
    case Qt::Key_Down: return vk::Down;
    case Qt::Key_Insert: return vk::Insert;
    case Qt::Key_Delete: return vk::Delete;
    default: break;
  }
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return qtKey;
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return 0x70 + (qtKey - Qt::Key_F1);
  return 0;
}

int ShortCutOf(int virtualKey, Qt::KeyboardModifiers modifiers) {
  int code = virtualKey & 0xFF;
  if (modifiers & Qt::ShiftModifier) code |= scShift;
  if (modifiers & Qt::ControlModifier) code |= scCtrl;
  if (modifiers & Qt::AltModifier) code |= scAlt;
  return code;
}

TCustomMaskEdit::TCustomMaskEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, [this] { onTextChanged(); });
}

void TCustomMaskEdit::SetEditMask(const QString& mask) {
  if (mask == mask_) return;
  const QString value = Text();
  mask_ = mask;
  info_ = ParseEditMask(mask);
  if (info_.isMasked()) {
    QLineEdit::setMaxLength(32767);
    SetEditText(MaskTextToEditText(info_, value));
  } else {
    QLineEdit::setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
    SetEditText(value);
  }
}

QString TCustomMaskEdit::Text() const {
  if (!IsMasked()) return QLineEdit::text();
  return MaskEditTextToText(info_, QLineEdit::text());
}

void TCustomMaskEdit::SetText(const QString& text) {
  if (!IsMasked()) {
    SetEditText(text);
    return;
  }
  SetEditText(MaskTextToEditText(info_, text));
}

void TCustomMaskEdit::SetEditText(const QString& text) {
  QString t = text;
  if (IsMasked()) {
    // Keep the edit text exactly as long as the mask; missing positions are blank.
    const QString blank = MaskBlankEditText(info_);
    if (t.size() > blank.size()) t.truncate(blank.size());
    else if (t.size() < blank.size()) t += blank.mid(t.size());
  }
  if (t == QLineEdit::text()) return;
  QLineEdit::setText(t);
}

int TCustomMaskEdit::SelStart() const {
  return hasSelectedText() ? selectionStart() : cursorPosition();
}

int TCustomMaskEdit::SelLength() const { return hasSelectedText() ? static_cast<int>(selectedText().size()) : 0; }

void TCustomMaskEdit::SetSelStart(int pos) {
  setCursorPosition(qBound(0, pos, static_cast<int>(QLineEdit::text().size())));
}

void TCustomMaskEdit::SetSel(int start, int length) {
  const int n = QLineEdit::text().size();
  start = qBound(0, start, n);
  length = qBound(0, length, n - start);
  if (length == 0) setCursorPosition(start);
  else setSelection(start, length);
}

void TCustomMaskEdit::SetMaxLength(int value) {
  maxLength_ = qMax(0, value);
  if (!IsMasked()) QLineEdit::setMaxLength(maxLength_ > 0 ? maxLength_ : 32767);
}

void TCustomMaskEdit::ValidateEdit() {
  if (!IsMasked()) return;
  const int bad = MaskFirstInvalidPosition(info_, QLineEdit::text());
  if (bad >= 0) {
    SetSel(bad, 0);
    throw EDBEditError(QStringLiteral("Invalid input value. Use escape key to abandon changes"));
  }
}

void TCustomMaskEdit::Reset() {
  if (modified_) {
    SetEditText(textBeforeEdit_);
    modified_ = false;
  }
}

void TCustomMaskEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomMaskEdit::onTextChanged() { Change(); }

void TCustomMaskEdit::KeyDown(int& key, Qt::KeyboardModifiers shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TCustomMaskEdit::KeyPress(QChar& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TCustomMaskEdit::KeyUp(int&, Qt::KeyboardModifiers) {}

QChar TCustomMaskEdit::CharOfKeyEvent(const QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers();
  switch (key) {
    case Qt::Key_Backspace: return QChar(8);
    case Qt::Key_Tab: return QChar(9);
    case Qt::Key_Return: case Qt::Key_Enter: return (mods & Qt::ControlModifier) ? QChar(10) : QChar(13);
    case Qt::Key_Escape: return QChar(27);
    default: break;
  }
  if ((mods & Qt::ControlModifier) && key >= Qt::Key_A && key <= Qt::Key_Z) return QChar(key - Qt::Key_A + 1);
  if (mods & (Qt::ControlModifier | Qt::AltModifier)) return QChar(0);
  const QString text = event->text();
  if (text.isEmpty() || text[0].unicode() < 32) return QChar(0);
  return text[0];
}

void TCustomMaskEdit::keyPressEvent(QKeyEvent* event) {
  int key = VirtualKeyOf(event->key());
  const Qt::KeyboardModifiers mods = event->modifiers();
  if (key != 0) {
    KeyDown(key, mods);
    if (key == 0) {
      event->accept();
      return;
    }
  }
  // Editing keys that are not characters.
  if (key == vk::Delete && mods == Qt::NoModifier) {
    if (isReadOnly()) return;
    if (IsMasked()) {
      if (EditCanModify()) maskedDelete();
    } else {
      QLineEdit::keyPressEvent(event);
    }
    event->accept();
    return;
  }
  if (IsMasked() && moveCaretMasked(key, mods)) {
    event->accept();
    return;
  }
  QChar ch = CharOfKeyEvent(event);
  if (ch.unicode() == 0) {
    // Navigation and shortcuts the line edit knows; its own paste, cut and undo are replaced
    // by ours so a mask is kept.
    if (key == vk::Insert && (mods & Qt::ShiftModifier)) {
      PasteFromClipboard();
    } else if (key == vk::Delete && (mods & Qt::ShiftModifier)) {
      CutToClipboard();
    } else if (key == vk::Return || key == vk::Escape || key == vk::Tab) {
      event->ignore();
    } else {
      QLineEdit::keyPressEvent(event);
    }
    return;
  }
  KeyPress(ch);
  if (ch.unicode() == 0) {
    event->accept();
    return;
  }
  TypeChar(ch);
  event->accept();
}

bool TCustomMaskEdit::BeginInputMethodCommit(const QInputMethodEvent& e) {
  // The composition shown so far goes first: the caret then stands in the committed text.
  QInputMethodEvent rest(e.preeditString(), e.attributes());
  QLineEdit::inputMethodEvent(&rest);
  if (e.replacementStart() == 0 && e.replacementLength() == 0) return false;
  const int length = int(text().size());
  const int from = std::clamp(cursorPosition() + e.replacementStart(), 0, length);
  const int count = std::clamp(e.replacementLength(), 0, length - from);
  if (count > 0) setSelection(from, count);
  else setCursorPosition(from);
  return count > 0;
}

void TCustomMaskEdit::TypeChar(QChar ch) {
  const ushort code = ch.unicode();
  switch (code) {
    case 1: selectAll(); return;
    case 3: copy(); return;
    case 22: PasteFromClipboard(); return;
    case 24: CutToClipboard(); return;
    case 26: if (!isReadOnly()) undo(); return;
    case 9: case 10: case 13: case 27: return;
    default: break;
  }
  if (isReadOnly()) return;
  if (code == 8) {
    if (IsMasked()) {
      if (EditCanModify()) maskedBackspace();
    } else {
      modified_ = true;
      backspace();
    }
    return;
  }
  if (code < 32) return;
  if (IsMasked()) {
    if (EditCanModify()) maskedChar(ch);
    return;
  }
  if (maxLength_ > 0 && QLineEdit::text().size() - selectedText().size() >= maxLength_) return;
  modified_ = true;
  insert(QString(ch));
}

void TCustomMaskEdit::TypeText(const QString& text) {
  for (QChar c : text) {
    if (c.unicode() < 32) continue;
    TypeChar(c);
  }
}

void TCustomMaskEdit::PasteFromClipboard() {
  if (isReadOnly()) return;
  const QString text = QApplication::clipboard()->text();
  if (text.isEmpty()) return;
  if (IsMasked()) {
    if (!EditCanModify()) return;
    TypeText(text);
  } else {
    modified_ = true;
    QString t = text;
    t.remove(QLatin1Char('\r'));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    insert(t);
  }
}

void TCustomMaskEdit::CutToClipboard() {
  if (!hasSelectedText()) return;
  QApplication::clipboard()->setText(selectedText());
  if (isReadOnly()) return;
  if (IsMasked()) {
    if (!EditCanModify()) return;
    QString t = QLineEdit::text();
    int caret = SelStart();
    clearSelectionMasked(t, caret);
    modified_ = true;
    SetEditTextWithCaret(t, caret);
  } else {
    modified_ = true;
    del();
  }
}

void TCustomMaskEdit::keyReleaseEvent(QKeyEvent* event) {
  int key = VirtualKeyOf(event->key());
  if (key != 0) KeyUp(key, event->modifiers());
  QLineEdit::keyReleaseEvent(event);
}

void TCustomMaskEdit::focusInEvent(QFocusEvent* event) {
  textBeforeEdit_ = QLineEdit::text();
  QLineEdit::focusInEvent(event);
}

void TCustomMaskEdit::SetEditTextWithCaret(const QString& text, int caret, int selLength) {
  SetEditText(text);
  SetSel(caret, selLength);
}

void TCustomMaskEdit::clearSelectionMasked(QString& text, int& caret) {
  const int start = SelStart();
  const int len = SelLength();
  for (int i = start; i < start + len && i < text.size(); ++i)
    if (info_.positions[i].editable()) text[i] = info_.blank;
  caret = start;
}

void TCustomMaskEdit::maskedChar(QChar ch) {
  QString text = QLineEdit::text();
  int caret = SelStart();
  const bool hadSelection = SelLength() > 0;
  if (hadSelection) clearSelectionMasked(text, caret);
  // A typed literal that stands at the caret steps over it.
  if (caret < info_.positions.size() && !info_.positions[caret].editable() &&
      info_.positions[caret].literal == ch) {
    int next = info_.firstEditable(caret + 1);
    if (next < 0) next = static_cast<int>(info_.positions.size());
    if (hadSelection) modified_ = true;
    SetEditTextWithCaret(text, next);
    return;
  }
  const int pos = info_.firstEditable(caret);
  if (pos < 0) {
    if (hadSelection) {
      modified_ = true;
      SetEditTextWithCaret(text, caret);
    }
    return;
  }
  const QChar c = MaskApplyCase(info_.positions[pos], ch);
  if (!MaskPositionAccepts(info_.positions[pos], c)) {
    if (hadSelection) {
      modified_ = true;
      SetEditTextWithCaret(text, caret);
    }
    return;
  }
  text[pos] = c;
  int next = info_.firstEditable(pos + 1);
  if (next < 0) next = static_cast<int>(info_.positions.size());
  modified_ = true;
  SetEditTextWithCaret(text, next);
}

void TCustomMaskEdit::maskedBackspace() {
  QString text = QLineEdit::text();
  int caret = SelStart();
  if (SelLength() > 0) {
    clearSelectionMasked(text, caret);
  } else {
    const int pos = info_.lastEditable(caret);
    if (pos < 0) return;
    text[pos] = info_.blank;
    caret = pos;
  }
  modified_ = true;
  SetEditTextWithCaret(text, caret);
}

void TCustomMaskEdit::maskedDelete() {
  QString text = QLineEdit::text();
  int caret = SelStart();
  if (SelLength() > 0) {
    clearSelectionMasked(text, caret);
  } else {
    const int pos = info_.firstEditable(caret);
    if (pos < 0) return;
    text[pos] = info_.blank;
  }
  modified_ = true;
  SetEditTextWithCaret(text, caret);
}

bool TCustomMaskEdit::moveCaretMasked(int key, Qt::KeyboardModifiers mods) {
  if (mods & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) return false;
  const int n = info_.positions.size();
  const int caret = cursorPosition();
  int target = -1;
  switch (key) {
    case vk::Right: {
      if (hasSelectedText()) {
        target = selectionStart() + static_cast<int>(selectedText().size());
        break;
      }
      const int next = info_.firstEditable(caret + 1);
      target = next < 0 ? n : next;
      break;
    }
    case vk::Left: {
      if (hasSelectedText()) {
        target = selectionStart();
        break;
      }
      const int prev = info_.lastEditable(caret);
      target = prev < 0 ? caret : prev;
      break;
    }
    case vk::Home: {
      const int first = info_.firstEditable(0);
      target = first < 0 ? 0 : first;
      break;
    }
    case vk::End: {
      const int last = info_.lastEditable(n);
      target = last < 0 ? n : last + 1;
      break;
    }
    default: return false;
  }
  SetSel(target, 0);
  return true;
}
