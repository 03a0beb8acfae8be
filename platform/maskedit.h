#pragma once

#include <QInputMethodEvent>
#include <QLineEdit>
#include <QString>
#include <QVector>
#include <functional>

#include "platform/exception.h"

// The single-line edit with an edit mask, as the office's editors expect it.
//
// Mask syntax: "body;save;blank".
//  body   - the positions of the text. Editable positions: L (letter, required), l (letter,
//           optional), A (letter or digit, required), a (optional), C (any character,
//           required), c (optional), 0 (digit, required), 9 (digit, optional), # (digit or
//           sign, optional). Literal positions: any other character; "/" stands for the date
//           separator and ":" for the time separator; "_" is a literal space; "\" makes the
//           next character a literal. Positionless flags: "!" (optional characters are kept
//           as leading blanks when Text is assigned), ">" (upper case follows), "<" (lower
//           case follows), "<>" (no case conversion).
//  save   - "0": Text holds only the editable characters; anything else (the default): Text
//           holds the literals too.
//  blank  - the character shown in an empty editable position; "_" by default.
//
// EditText is what the operator sees (literals and blank characters). Text is the value:
// blank characters become spaces and, when literals are not saved, literals are left out.
// Typing overwrites, the caret skips literals, and ValidateEdit refuses a text whose required
// positions are empty.

// The masked edit's validation failure.
class EDBEditError : public Exception { using Exception::Exception; };

// One position of a parsed mask.
struct MaskPosition {
  enum Kind { Literal, Letter, AlphaNum, AnyChar, Digit, DigitOrSign };
  Kind kind = Literal;
  bool required = false;
  QChar literal;           // the character shown for a literal position
  int caseRule = 0;        // 0 none, 1 upper, -1 lower
  bool editable() const { return kind != Literal; }
};

struct EditMaskInfo {
  QVector<MaskPosition> positions;
  bool saveLiterals = true;
  QChar blank = QLatin1Char('_');
  bool leadingBlanks = false;  // the "!" flag
  bool isMasked() const { return !positions.isEmpty(); }
  int firstEditable(int from) const;   // first editable position >= from, or -1
  int lastEditable(int before) const;  // last editable position < before, or -1
};

// Separators that "/" and ":" of a mask stand for.
inline constexpr char16_t kMaskDateSeparator = u'-';
inline constexpr char16_t kMaskTimeSeparator = u':';

EditMaskInfo ParseEditMask(const QString& mask);
// Whether `ch` may stand at a position of this kind (after case conversion).
bool MaskPositionAccepts(const MaskPosition& pos, QChar ch);
// The character after the position's case rule.
QChar MaskApplyCase(const MaskPosition& pos, QChar ch);
// The edit text of an empty masked edit: literals and blank characters.
QString MaskBlankEditText(const EditMaskInfo& info);
// The edit text that a value (Text) gives under the mask.
QString MaskTextToEditText(const EditMaskInfo& info, const QString& text);
// The value (Text) of an edit text.
QString MaskEditTextToText(const EditMaskInfo& info, const QString& editText);
// The first position whose content breaks the mask (empty required position or a character
// the position does not take), or -1 when the edit text is complete.
int MaskFirstInvalidPosition(const EditMaskInfo& info, const QString& editText);
// The platform's routine: `text` formatted by the mask as EditText, with blanks as spaces.
QString FormatMaskText(const QString& mask, const QString& text);

// Virtual key codes the editors compare (the platform's values) and shortcut flags.
namespace vk {
inline constexpr int Back = 8, Tab = 9, Return = 13, Shift = 16, Control = 17, Menu = 18,
                     Escape = 27, Space = 32, Prior = 33, Next = 34, End = 35, Home = 36,
                     Left = 37, Up = 38, Right = 39, Down = 40, Insert = 45, Delete = 46;
}
inline constexpr int scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
// The platform key code of a Qt key (letters and digits as their upper-case code), 0 when
// there is none.
int VirtualKeyOf(int qtKey);
// Shortcut code of a key with its modifiers.
int ShortCutOf(int virtualKey, Qt::KeyboardModifiers modifiers);

class TCustomMaskEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TCustomMaskEdit(QWidget* parent = nullptr);

  QString EditMask() const { return mask_; }
  void SetEditMask(const QString& mask);
  bool IsMasked() const { return info_.isMasked(); }
  const EditMaskInfo& MaskInfo() const { return info_; }

  // The value: without a mask the line's text; with one, see the file comment.
  QString Text() const;
  void SetText(const QString& text);
  // What is shown, literals and blanks included.
  QString EditText() const { return QLineEdit::text(); }
  void SetEditText(const QString& text);

  int SelStart() const;
  int SelLength() const;
  void SetSelStart(int pos);
  void SetSel(int start, int length);
  void SelectAll() { selectAll(); }

  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool value) { autoSelect_ = value; }
  int MaxLength() const { return maxLength_; }
  void SetMaxLength(int value);

  // Raises EDBEditError and puts the caret on the first incomplete position when the text
  // does not satisfy the mask.
  virtual void ValidateEdit();
  // Asked before a typed change; false refuses it.
  virtual bool EditCanModify() { return true; }
  // Esc with a modified text: back to the text before editing.
  virtual void Reset();

  std::function<void(TCustomMaskEdit*)> OnChange;
  // Key hooks: a handler that zeroes the key stops its processing.
  std::function<void(TCustomMaskEdit*, int& key, Qt::KeyboardModifiers)> OnKeyDown;
  std::function<void(TCustomMaskEdit*, QChar& key)> OnKeyPress;

  // The character a Qt key event carries as the platform's character code: control codes for
  // Backspace (8), Tab (9), Enter (13), Esc (27) and Ctrl+letter (1..26); 0 when none.
  static QChar CharOfKeyEvent(const QKeyEvent* event);

  // Processes one typed character as the edit control would (masked overwrite typing or
  // plain insertion), after the key-press hooks.
  void TypeChar(QChar ch);

 protected:
  // Every change of the text (typed or assigned).
  virtual void Change();
  // Key-down and key-press steps; zero the key to stop it.
  virtual void KeyDown(int& key, Qt::KeyboardModifiers shift);
  virtual void KeyPress(QChar& key);
  virtual void KeyUp(int& key, Qt::KeyboardModifiers shift);
  // Selects the characters an input method's commit replaces (the event's range from the
  // caret) and shows the rest of the event, its new composition, without the committed text.
  // Answers whether a range was given: then typing the commit, or Backspace for an empty
  // one, replaces it.
  bool BeginInputMethodCommit(const QInputMethodEvent& e);
  // Pastes the clipboard's text at the caret.
  virtual void PasteFromClipboard();
  virtual void CutToClipboard();

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

  // Puts an edit text with the caret and selection, without treating it as typing.
  void SetEditTextWithCaret(const QString& text, int caret, int selLength = 0);
  void TypeText(const QString& text);

 private:
  void onTextChanged();
  void maskedChar(QChar ch);
  void maskedBackspace();
  void maskedDelete();
  void clearSelectionMasked(QString& text, int& caret);
  bool moveCaretMasked(int key, Qt::KeyboardModifiers mods);

  QString mask_;
  EditMaskInfo info_;
  QString textBeforeEdit_;
  bool modified_ = false;
  bool autoSelect_ = true;
  int maxLength_ = 0;
  bool settingQuietly_ = false;
};
