#pragma once

#include <QByteArray>
#include <QString>

// GBK text, as template files, exports and byte-counted codes are kept (glibc iconv).
//
// A character GBK cannot hold (an emoji, a rare ideograph outside GBK, a lone surrogate) is
// never dropped silently: the lenient encoders write "?" in its place AND count it in
// `unmappable`; the strict encoder raises EConvertError naming the character. In the same
// way the lenient decoder turns each invalid or truncated byte sequence into U+FFFD and
// counts it in `invalid`; the strict decoder raises EConvertError with the byte offset.

QByteArray EncodeGbk(const QString& text, int* unmappable = nullptr);
QByteArray EncodeGbkStrict(const QString& text);
QString DecodeGbk(const QByteArray& bytes, int* invalid = nullptr);
QString DecodeGbkStrict(const QByteArray& bytes);

// GB18030 holds every Unicode character; used where a text must survive whole.
QByteArray EncodeGb18030(const QString& text);
QString DecodeGb18030(const QByteArray& bytes, int* invalid = nullptr);

// Number of bytes of the text in GBK: 1 for ASCII, 2 for each Chinese character, 1 for each
// character GBK cannot hold (it would be written as "?").
int GbkLength(const QString& text);
// True when every character of the text has a GBK form.
bool IsGbkText(const QString& text);

// What the operator is told after a file was written in GBK with `replaced` characters as "?".
QString GbkReplacementNotice(int replaced);
