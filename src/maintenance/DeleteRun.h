#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "framework/ProgressView.h"
#include "maintenance/BackupDefinitions.h"

namespace tavex {

// The deletion run that the three delete wizards share: after the account
// check, one transaction over a list of table deletions, each reported by a
// progress line, with a cancel question between statements. The wizards
// differ only in the list they hand in (DeletePlans.h).

// One table deletion: its caption in the progress lines and its statement.
// A ranged statement takes the begin day and the day after the end day as
// its two "?" parameters.
struct TableDeletion {
  std::string caption;
  std::string sql;
  bool ranged = false;
};

// What one run deletes.
struct DeletePlan {
  std::vector<TableDeletion> tables;
  // Run after the last table, in the same transaction, without a line.
  std::vector<std::string> afterwards;
  // The bar's maximum; each table moves it by up to one unit.
  int barMax = 4;
  // Counts the rows about to be deleted that head office has not received
  // yet ("" when the plan deletes none that are sent). Ranged like a table.
  std::string unsentCount;
  bool unsentCountRanged = false;
};

// The texts of a run, read from the wizard's own section.
struct DeleteTexts {
  std::string Msg_Deleting;
  std::string Msg_Delete_Cancel;
  std::string Msg_Deleted_Left;
  std::string Msg_Deleted_Middle;
  std::string Msg_Deleted_Right;
  std::string Msg_Delete_Fault;
};
// The texts from `section`: frmDelete, frmDDDelete or frmStDelete (the
// sections its text table is registered under).
DeleteTexts ReadDeleteTexts(const char* section);

// What a run hands to its host: the progress list and bar with the event
// pump, the cancel question and the failure message.
class DeleteHost {
 public:
  virtual ~DeleteHost() = default;
  // The list and bar the run shows its tables on (list only: a deletion
  // writes no synchronisation log), and the pump of pending user-interface
  // events, from which a cancel button calls DeleteRun::Cancel.
  virtual const RunView& View() = 0;
  // Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // An information box.
  virtual void ShowMessage(const std::string& text) = 0;
};

// The account check that comes before any deletion. Raises db::DbError
// when the accounts cannot be read.
enum class DeleteRight { Granted, BadLogin, NoPrivilege };
DeleteRight CheckDeleteRight(const std::shared_ptr<db::Connection>& host, const std::string& user,
                             const std::string& password);

// Proof that an account that may delete data was checked: a run takes one
// instead of the account, so the check is made once, before anything is
// asked or shown, and can never be skipped.
class DeleteGrant {
 public:
  // CheckDeleteRight, with `right` set to its answer (BadLogin when the
  // check fails); a grant only when it is Granted. Never throws.
  static std::optional<DeleteGrant> Check(const std::shared_ptr<db::Connection>& host,
                                          const std::string& user, const std::string& password,
                                          DeleteRight& right) noexcept;

 private:
  DeleteGrant() = default;
};

// The number of rows `plan` would delete that are not uploaded yet (0 when
// the plan counts none), so the host can ask before deleting them. Raises
// db::DbError when the count fails.
std::int64_t CountUnsent(db::Connection& host, const DeletePlan& plan,
                         const std::optional<DateRange>& range);

enum class DeleteOutcome { Done, Failed, Cancelled };

class DeleteRun {
 public:
  DeleteRun(std::shared_ptr<db::Connection> host, DeleteTexts texts, DeleteHost& ui);

  // Runs every table of `plan` (its ranged tables over the days of `range`,
  // which they need) and its closing statements in one transaction on the
  // host connection, committed only after the last; a failing statement
  // (after its message), a cancel answered Yes or any other failure rolls
  // everything back. The host empties its list before; the run adds a line
  // per table. Never throws.
  DeleteOutcome Run(const DeletePlan& plan, const std::optional<DateRange>& range,
                    const DeleteGrant& grant);

  // Raises the cancel flag; the run asks at its next pacing step.
  void Cancel() { mCancel = true; }

 private:
  enum class Step { Deleted, Failed, Cancelled };
  Step DeleteTable(const TableDeletion& table, const db::Params& params);
  bool Pace();
  void ProcessEvents();

  std::shared_ptr<db::Connection> mHost;
  DeleteTexts mTexts;
  DeleteHost& mUi;
  bool mCancel = false;
  int mBarUnits = 0;  // thousandths of the bar
  int mBarMaxUnits = 0;
};

}  // namespace tavex
