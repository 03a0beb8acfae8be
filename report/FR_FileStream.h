#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/exception.h"

// Binary stream primitives of template and built-page streams: little-endian numbers, texts in
// the GBK code page, counted and zero-terminated strings and line lists.

// A stream that ends early, holds a value that cannot be, or a text that cannot be written.
class EReadError : public Exception { using Exception::Exception; };
class EWriteError : public Exception { using Exception::Exception; };

// The version of the stream being read or written (21 to 25); it selects the text forms.
int& StreamVersion();
inline constexpr int kCurrentStreamVersion = 25;

namespace frs {
void WriteRaw(QIODevice& s, const QByteArray& bytes);
void WriteU8(QIODevice& s, uint8_t v);
void WriteI16(QIODevice& s, int16_t v);
void WriteU16(QIODevice& s, uint16_t v);
void WriteI32(QIODevice& s, int32_t v);
void WriteU32(QIODevice& s, uint32_t v);
void WriteF64(QIODevice& s, double v);

// Each reader raises EReadError when the stream ends before the value.
QByteArray ReadRaw(QIODevice& s, qint64 count);
uint8_t ReadU8(QIODevice& s);
int16_t ReadI16(QIODevice& s);
uint16_t ReadU16(QIODevice& s);
int32_t ReadI32(QIODevice& s);
uint32_t ReadU32(QIODevice& s);
double ReadF64(QIODevice& s);
// Moves to an absolute position; a position outside the stream raises EReadError.
void SeekTo(QIODevice& s, qint64 pos);
}  // namespace frs

// The text in GBK. A character GBK cannot hold, or a text longer than a 16-bit count allows,
// raises EWriteError naming it: a template never loses a character silently.
QByteArray TemplateTextBytes(const QString& text);
// Template text from its GBK bytes; bytes that are not GBK raise EReadError (a damaged file).
QString TemplateTextOf(const QByteArray& bytes);

// 16-bit byte count, the bytes, one byte 0.
void WriteCountedString(QIODevice& s, const QString& text);
QString ReadCountedString(QIODevice& s);
// 16-bit line count; per line a 16-bit byte count and the bytes, a byte 13 after every line but
// the last; one byte 0. An empty list is 0, 0.
void WriteCountedMemo(QIODevice& s, const QStringList& lines);
void ReadCountedMemo(QIODevice& s, QStringList& lines);
// The forms of streams below version 23: bytes up to a byte 0; in a memo a byte 13 ends a line.
QString ReadZeroString(QIODevice& s);
void ReadZeroMemo(QIODevice& s, QStringList& lines);
// Picks by StreamVersion (below 23 the zero-terminated forms).
QString ReadStreamString(QIODevice& s);
void ReadStreamMemo(QIODevice& s, QStringList& lines);

// Upper-case hexadecimal, two digits per byte; back from hexadecimal of either case (an odd last
// digit is ignored, a pair that is not hexadecimal gives 0).
QString ToHexText(const QByteArray& bytes);
QByteArray FromHexText(const QString& text);
