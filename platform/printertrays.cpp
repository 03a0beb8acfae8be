#include "platform/printertrays.h"

#include <QFile>
#include <QHash>
#include <cups/cups.h>

// The option file of a queue is read through the older interface, which is marked outdated but
// is still the only way to a queue's own tray choices.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <cups/ppd.h>

int TrayCode(const QString& keyword, int index) {
  static const QHash<QString, int> codes = {
      {QStringLiteral("top"), 1},          {QStringLiteral("upper"), 1},
      {QStringLiteral("tray-1"), 1},       {QStringLiteral("tray1"), 1},
      {QStringLiteral("bottom"), 2},       {QStringLiteral("lower"), 2},
      {QStringLiteral("tray-2"), 2},       {QStringLiteral("tray2"), 2},
      {QStringLiteral("middle"), 3},       {QStringLiteral("tray-3"), 3},
      {QStringLiteral("tray3"), 3},        {QStringLiteral("manual"), 4},
      {QStringLiteral("manualfeed"), 4},   {QStringLiteral("by-pass-tray"), 4},
      {QStringLiteral("envelope"), 5},     {QStringLiteral("auto"), 7},
      {QStringLiteral("autoselect"), 7},   {QStringLiteral("default"), 7},
      {QStringLiteral("large-capacity"), 11}, {QStringLiteral("largecapacity"), 11},
  };
  return codes.value(keyword.toLower(), 256 + index);
}

namespace {

QList<PrinterTray> mediaSources(cups_dest_t* dest) {
  QList<PrinterTray> trays;
  cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest);
  if (!info) return trays;
  if (ipp_attribute_t* attr = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, "media-source")) {
    for (int i = 0; i < ippGetCount(attr); ++i) {
      const char* keyword = ippGetString(attr, i, nullptr);
      if (!keyword) continue;
      const char* shown = cupsLocalizeDestValue(CUPS_HTTP_DEFAULT, dest, info, "media-source", keyword);
      const QString k = QString::fromUtf8(keyword);
      trays.append({k, shown ? QString::fromUtf8(shown) : k, TrayCode(k, int(trays.size()))});
    }
  }
  cupsFreeDestInfo(info);
  return trays;
}

QList<PrinterTray> inputSlots(const QByteArray& printer) {
  QList<PrinterTray> trays;
  const char* file = cupsGetPPD(printer.constData());
  if (!file) return trays;
  const QByteArray path(file);
  if (ppd_file_t* ppd = ppdOpenFile(path.constData())) {
    if (ppd_option_t* slot = ppdFindOption(ppd, "InputSlot")) {
      for (int i = 0; i < slot->num_choices; ++i) {
        const QString k = QString::fromUtf8(slot->choices[i].choice);
        const QString shown = QString::fromUtf8(slot->choices[i].text);
        trays.append({k, shown.isEmpty() ? k : shown, TrayCode(k, int(trays.size()))});
      }
    }
    ppdClose(ppd);
  }
  QFile::remove(QString::fromLocal8Bit(path));
  return trays;
}

}  // namespace

QList<PrinterTray> PrinterTrays(const QString& printer) {
  if (printer.isEmpty()) return {};
  const QByteArray name = printer.toUtf8();
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
  if (!dest) return {};
  QList<PrinterTray> trays = mediaSources(dest);
  cupsFreeDests(1, dest);
  if (trays.isEmpty()) trays = inputSlots(name);
  return trays;
}

#pragma GCC diagnostic pop
