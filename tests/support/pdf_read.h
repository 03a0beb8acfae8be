#pragma once

#include <QString>
#include <QStringList>

// Reading back the PDF files a test made, through poppler's command-line tools.

enum class PdfLayout { Kept, Raw };

// The text pdftotext reads from `pdf` (one page when `page` > 0), with compatibility forms
// folded back: the embedded fonts share some simplified characters' glyphs with CJK radicals
// (页 as U+2EDA), which come back as those radicals.
QString PdfText(const QString& pdf, PdfLayout layout = PdfLayout::Kept, int page = 0);
// The same with the layout kept (the form most list and report tests compare against).
inline QString PdfTextOf(const QString& pdf) { return PdfText(pdf); }
// The number of pages pdfinfo counts, or -1 when it cannot read the file.
int PdfPageCount(const QString& pdf);
// The size of each page in points, rounded: "595 x 842".
QStringList PdfPageSizes(const QString& pdf);
