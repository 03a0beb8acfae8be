#pragma once

#include <QByteArray>
#include <QString>

class QPrinter;

// Text copied out of the program's PDF files.
//
// Qt's PDF writer gives every embedded font a ToUnicode map from glyph to character, taking for
// each glyph the LOWEST code point the font maps to it. The pinned Chinese faces map many
// ideographs and their radical forms to one glyph (一 and ⼀ U+2F00, 页 and ⻚ U+2EDA, 户 and 戶),
// so copied or extracted text came out as radicals. After a PDF is written its ToUnicode maps
// are corrected: each Chinese code point is replaced by the character of the same glyph an
// office text holds (a GB2312 ideograph first, then any unified ideograph, never a radical).

// The code point extracted text should carry for a glyph the writer mapped to `written`
// (`written` itself when it is already the best choice or the fonts do not share its glyph).
// The space's glyph, which the writer maps to the tab, is a space.
char32_t PreferredCodePoint(char32_t written);

// Rewrites the ToUnicode maps of a CMap text (the body of a ToUnicode stream).
QByteArray CorrectToUnicodeMap(const QByteArray& cmap);

// Corrects the ToUnicode maps of the PDF file in place (cross-reference offsets follow).
// True when the file is correct afterwards; false when it cannot be read or written.
bool CorrectPdfTextMapping(const QString& fileName);

// Call after the painter on `printer` has ended: when the printer wrote a PDF file, its text
// mapping is corrected. Harmless for real printers.
void FinishPdfOutput(QPrinter* printer);
