#pragma once

#include <QString>

class TADOConnection;

// A whole office written into a data folder, for trying the program on a large estate and for
// the benchmarks: two estates sharing house codes, building codes and names and item names;
// houses with owners and areas; ten charge items of the five formulas with every house's
// standards; monthly bills over several years with meter readings and the building meters
// apportioned; payments by every path (the bill window's payment dialog in cash or by bank
// transfer, quick payment, payment from the deposit) with receipts; deposits taken and given
// back; complaints.
struct OfficeShape {
  int housesPerEstate = 1000;
  int buildingsPerEstate = 10;
  int firstYear = 2021;
  int years = 5;
};

struct OfficeFigures {
  int houses = 0;
  int items = 0;
  int bills = 0;
  int paidBills = 0;
  int payments = 0;
  int receipts = 0;
  int depositRows = 0;
  int meterRows = 0;
  int complaints = 0;
  double seconds = 0;
};

// Writes the office into the data folder `folder` (created when missing), whose main database
// must not exist yet: the program's own start creates the databases, the program's own routines
// assign the charge standards, generate the bills and apportion the building meters; payments,
// receipts, deposits and complaints are written as the program's windows write them.
// Raises Exception on failure.
OfficeFigures WriteOffice(const QString& folder, const OfficeShape& shape = OfficeShape());

// The data folder of the office the benchmarks share: BENCH_OFFICE when set, else "bench-office"
// in the current folder; written there on first use (a few minutes), reused afterwards. An
// office of another shape gets a folder of its own beside it ("bench-office-2009-1000-5": first
// year, houses per estate, years).
QString BenchOfficeFolder(const OfficeShape& shape = OfficeShape());
