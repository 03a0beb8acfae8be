#pragma once

#include <QString>

// The sources write the program's texts as UTF-8 literals; u("...") is the text as a QString.
// Defined once here (not per file) so that several sources may share one compilation.
inline QString u(const char* utf8) { return QString::fromUtf8(utf8); }
