#pragma once

#include <QList>
#include <QString>

// The paper trays (input slots) of an installed printer, as the print system describes them.
struct PrinterTray {
  QString keyword;  // the print system's name of the tray ("auto", "tray-1", "Manual", …)
  QString name;     // the name shown to the operator
  int code = 0;     // the platform's bin code (1 upper … 11 large capacity; 256 on: further trays)
};

// The trays of the named printer: the destination's "media-source" values, or else the
// choices of its "InputSlot" option. Empty when the printer is unknown, names no trays or the
// print system cannot be reached.
QList<PrinterTray> PrinterTrays(const QString& printer);

// The bin code of a tray keyword; `index` is the tray's place in the printer's list, used for
// trays of no standard kind (256 + index).
int TrayCode(const QString& keyword, int index);
