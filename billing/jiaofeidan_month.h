#pragma once

#include <QString>

class TADOQuery;

// The bill rows of one house and one month (the single-month bill window's work).

// What a generation found.
enum class MonthBillsOutcome { NoHouse, NoStandards, Done };
struct MonthBillsResult {
  MonthBillsOutcome outcome = MonthBillsOutcome::Done;
  int appended = 0;
};

// Appends the month's missing bill rows of the current row of `houses` (a dataset over
// 房屋资料) from the house's charge standards in 房屋收费项目, in ONE transaction: one row per
// standard without a row of that item, house and month, "未缴费", 收费金额 = the standard's
// 金额, 面积或数量 = its 预付金额, 上月表数 = the previous month's 本月表数 of the item for
// meter formulas (0 without such a row). Returns NoHouse for an empty house list and
// NoStandards when the house has none; nothing is written then.
MonthBillsResult GenerateHouseMonthBills(TADOQuery* houses, int year, int month);

// Recomputes every row of `bills` from its first, each row posted: meter rows get
// 面积或数量 = 本月表数 − 上月表数 (each to four decimals), "直接输入金额" rows 1, every row
// 收费金额 = 单价 × 面积或数量 (money, four decimals). With `stamp` the first row also gets
// 操作人员 and 操作日期. The rows are written in ONE transaction; the list stands on its first
// row afterwards. Nothing happens for an empty list.
void RecomputeMonthBills(TADOQuery* bills, bool stamp);
