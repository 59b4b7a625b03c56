#pragma once

#include <chrono>
#include <string>

#include "engine/Package.h"
#include "transfer/PrepareExchange.h"
#include "upload/ReportTexts.h"

namespace tavex {

// Days from `first` to `last`, both whole. A range whose first day is after
// its last holds no day.
struct DayRange {
  std::chrono::year_month_day first;
  std::chrono::year_month_day last;
};

// What one report package carries.
struct ReportChoice {
  // The daily sales and cashier reports of `reports`.
  bool dailyReports = false;
  // With the daily reports, the bills of `reports` as well.
  bool withBills = false;
  // The current stock of every item.
  bool inventory = false;
  // The stock documents of `stock`, with their lines.
  bool stockDocuments = false;
  // The raw material used per stock item on each day of `stock`.
  bool consumption = false;
  DayRange reports = {};
  DayRange stock = {};
};

// Defines the report and stock package of the branch `branchId` /
// `branchName` in `package` (its identity too), building the working tables
// it reads from in the host database (the shared connection), where they
// stay until the next definition. Each step carries the statements that make
// the receiving side drop the branch's earlier copy of the same days, so a
// period may be sent again at any time; nothing is marked as uploaded.
//
// A report with nothing in the range is left out after its line; so are the
// bills when the range holds none. False, after its line, when the inventory
// is chosen but empty, or when a day's consumption table cannot be built: the
// package must then not be sent. Bills that are asked for but cannot be
// staged (the database locked, a table missing) raise db::DbError with the
// reason.
bool DefineReportPackage(engine::Package& package, const ReportChoice& choice,
                         const ReportTexts& texts, const std::string& branchId,
                         const std::string& branchName, const AddLineFn& addLine);

}  // namespace tavex
