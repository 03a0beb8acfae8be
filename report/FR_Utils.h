#pragma once

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/canvas.h"

class QWidget;
class TfrVariables;

// Small routines shared by the report engine and its designer: engine texts, font-style packing,
// text and number helpers, character-counted text functions, and the helpers of the XML template
// writer that need no report object.

// ---- engine texts
// The engine's and designer's texts by number (53000 to 56000); the empty text for a number that
// has no text.
QString LocaleText(int id);
// Every number that has a text, in ascending order (for the designer and for checks).
QList<int> LocaleTextIds();

// ---- font style
// The platform's font style set (platform/canvas.h): bit 0 bold, bit 1 italic, bit 2 underline,
// bit 3 strike-out.
// Template records keep bit 0 italic and bit 1 bold (swapped against the set); higher bits drop.
TFontStyles FontStyleFromStored(uint8_t stored);
uint8_t FontStyleToStored(TFontStyles styles);

// ---- text and numbers
// Every "," and "." becomes the decimal point; the text is trimmed and converted (EConvertError
// when it is no number).
double TextToFloat(const QString& text);
// A text longer than 2 characters that starts and ends with a double quote loses them.
QString Unquote(const QString& text);
// The parts between ";" characters (a part may be empty).
void SplitSemicolonList(const QString& text, QStringList& list);
QString RepeatChar(QChar c, int count);
// The platform name the engine reports; always the NT family here.
QString WindowsVersionName();

// Text functions of expressions count characters: a Chinese character (or any character outside
// the basic plane, which takes two UTF-16 units) is one character and is never cut in half.
int CharLength(const QString& s);
// At most `count` characters from the 1-based character `from` (a start below 1 counts from 1).
QString CharCopy(const QString& s, int from, int count);
// 1-based character position of `sub` in `s`, 0 when absent (or when `sub` is empty).
int CharPos(const QString& sub, const QString& s);

// ---- controls
// Enables or disables each control; labels get the window-text (enabled) or grey-text colour,
// other controls the window (enabled) or button-face background.
void EnableControlGroup(const QList<QWidget*>& controls, bool enabled);
// The innermost visible child under `point` (in parent coordinates), searched last to first;
// nullptr when no child is there.
QWidget* ControlAtPoint(QWidget* parent, const QPoint& point);

// The lines of a text split at CR LF, LF or CR (no regular expression: it runs for every
// printed object).
QStringList SplitLines(const QString& text);

// ---- XML template writer helpers
// Carriage return, line feed, double quote, "<" and ">" become "&#" + code + ";"; "&" stays.
QString XmlEscape(const QString& text);
// The bytes as upper-case hexadecimal, two digits each.
QString StreamToHex(const QByteArray& bytes);
// The component-stream block of the "Propdata" attribute: empty "Datasets" collection and the
// dictionary variables as a "Variables" collection of Name/Value items. Texts are written in
// the GBK code page.
QByteArray XmlPropDataBlock(const TfrVariables& variables);
// The password as the XML file keeps it: 10 subtracted from every character code, modulo 256.
QString XmlPassword(const QString& password);
// Design pixels to whole millimetres (pixels / 3.77953 * 812 / 775, rounded).
int XmlMillimetres(double pixels);
// One page or object whose script goes into the "ScriptText.text" attribute.
struct XmlScriptOwner {
  QString name;
  QStringList script;
};
// The script text of the XML template: an OnBeforePrint procedure per owner with a script,
// then the main block "begin", "", "end.". Lines joined with CR LF (not yet escaped).
QString XmlScriptText(const QList<XmlScriptOwner>& owners);

// ---- named constants
// Fills a list with the constants scripts and expressions know by name (colours, modal results,
// font styles, frame sides, alignments, line styles, message-box flags, CRLF and Null).
void FillReportConstants(TfrVariables& constants);

