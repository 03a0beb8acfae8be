// Writes a whole office into a data folder (the first argument, default "office" in the current
// folder): two estates of 1,000 houses each sharing house codes, building codes and names and
// item names; ten charge items of the five formulas; five years of monthly bills (1.2 million
// rows) with meter readings and apportioned building meters; payments by every path with
// receipts; deposits; complaints. Prints what it wrote and how long each step took.
// Start the program on it with: ESTATE_DATA_DIR=FOLDER scripts/run
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "bench/support/office.h"
#include "platform/exception.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString folder = QFileInfo(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("office")).absoluteFilePath();
  std::printf("writing the office into %s\n", qPrintable(folder));
  try {
    const OfficeFigures f = WriteOffice(folder);
    std::printf("%d houses, %d items, %d bill rows (%d paid), %d payments, %d receipts, %d deposit rows, "
                "%d building meter rows, %d complaints in %.1f s\n",
                f.houses, f.items, f.bills, f.paidBills, f.payments, f.receipts, f.depositRows, f.meterRows,
                f.complaints, f.seconds);
  } catch (const Exception& e) {
    std::fprintf(stderr, "failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
