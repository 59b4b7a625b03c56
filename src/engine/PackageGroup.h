#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/DeleteStatement.h"
#include "engine/Errors.h"
#include "engine/ImportScope.h"
#include "engine/PackageDefinition.h"
#include "engine/ProgressEvents.h"
#include "engine/SerialWorker.h"

namespace tavex::engine {

// Several checked packages merged into one receiving database in one
// transaction, with the cost of one merge: each package's rows are first
// staged, on a thread of their own while the caller goes on (with the next
// package's checks), into the tables of a scratch SQLite file (one per step,
// every package's rows together, each row with its package's number); the
// merge then runs per step the packages' kind-4 statements, each kind-5
// statement once for the incoming rows of every package (one pass over a
// receiving table without an index on its key, however many packages the
// group holds), and one INSERT ... SELECT of all the staged rows, then every
// package's records.
//
// The result equals merging the packages one by one only when no package
// touches another's rows: every package of a group must restrict every
// delete to rows of its own sender (its scope's owned rows), the senders
// differing. The caller chooses the packages so; the group holds each delete
// to the restriction of the package whose incoming row called for it.
// Packages whose steps differ in tables, columns or statements, or that
// skip steps or pass rows over, do not fit one group.
class PackageGroup {
 public:
  // The rows are staged in the SQLite file `scratchFile` (made, and removed
  // with the group). A SQLite target reads them from there when the group
  // merges; another has each table copied over once per group.
  PackageGroup(std::shared_ptr<db::Connection> target, std::string scratchFile);
  ~PackageGroup();
  PackageGroup(const PackageGroup&) = delete;
  PackageGroup& operator=(const PackageGroup&) = delete;

  // Whether a package of `definition` read from `source` and merged within
  // `scope` can join the group (always, when it is empty and its database
  // is a file SQLite can attach).
  bool Fits(const PackageDefinition& definition, db::Connection& source,
            const ImportScope& scope) const;

  // Hands the rows of the checked package `definition` from `source` to the
  // staging thread, which reads only those that pass `scope`'s guards, and
  // raises `progress`'s events per step (with the step's rows as the package
  // counts them). Raises as the engine's import does when the package does
  // not match the receiving tables, either database fails or someone
  // cancels, and the group is then as it was; whatever fails on the staging
  // thread (a guard's refusal, the time limit, the scratch file) comes out
  // of FinishStaging. Call only when Fits; `context` is set to the step
  // being handed over.
  void Stage(const PackageDefinition& definition, db::Connection& source, const ImportScope& scope,
             ProgressEvents& progress, std::string& context);

  // Waits for the staging thread, then answers for each package handed to
  // Stage since the group last merged, in order, why its rows could not be
  // staged, or an empty text when they are. One that failed is out of the
  // group: merging it alone shows exactly why.
  std::vector<std::string> FinishStaging();

  // Merges every package whose rows are staged in one transaction on the
  // target; false with the failure in Errors when nothing was merged
  // (kErrLocal or kErrTimeLimit when the receiving side is at fault, as for
  // a record that cannot be written). The group is empty afterwards either
  // way.
  bool Merge();
  const class Errors& Errors() const { return mErrors; }

 private:
  struct StepShape;
  struct Member;
  struct StepCopy;

  std::vector<StepShape> ShapeOf(const PackageDefinition& definition, db::Connection& source) const;
  db::Connection& Scratch();
  // On the staging thread: runs `create`, then stages the rows of member
  // `number` from the package `file`.
  void StageRows(std::size_t number, Member& member, const std::vector<std::string>& create,
                 const std::string& file, const std::vector<StepCopy>& steps,
                 std::optional<std::chrono::steady_clock::time_point> deadline) noexcept;
  // Copies the staged rows of step `index` into a temporary table of the
  // target; answers its name.
  std::string CopyStaged(std::size_t index);
  // Merges step `index` from the staged rows in table `stage`.
  void MergeStep(std::size_t index, const std::string& stage);
  void DropTargetStaging() noexcept;

  std::shared_ptr<db::Connection> mTarget;
  std::string mScratchFile;
  std::shared_ptr<db::Connection> mScratch;
  std::vector<StepShape> mShape;
  std::deque<Member> mMembers;  // the staging thread writes to members as they are added
  mutable std::map<std::string, std::vector<db::Column>> mReceiving;  // by table, lower case
  class Errors mErrors;
  // Last, so that it ends (with the jobs that use the scratch file) first.
  SerialWorker mStaging;
};

}  // namespace tavex::engine
