#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "database/Connection.h"
#include "engine/DeleteStatement.h"
#include "engine/Errors.h"
#include "engine/ImportScope.h"
#include "engine/PackageDefinition.h"
#include "engine/ProgressEvents.h"

namespace tavex::engine {

// Several checked packages merged into one receiving database in one
// transaction, with the cost of one merge: each package's rows are first
// staged, outside any transaction there, into temporary tables of the
// receiving database (one per step, every package's rows together, each
// row with its package's number); the merge then runs per step the
// packages' kind-4 statements, each kind-5 statement once for the incoming
// rows of every package (one pass over a receiving table without an index
// on its key, however many packages the group holds), and one INSERT ...
// SELECT of all the staged rows, then every package's records.
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
  // On SQLite the target's temporary tables are kept in memory from now on.
  // On PostgreSQL the rows are staged in the SQLite file `scratchFile`
  // (made, and removed with the group) and copied over once per table
  // when the group merges, instead of once per package.
  PackageGroup(std::shared_ptr<db::Connection> target, std::string scratchFile);
  ~PackageGroup();
  PackageGroup(const PackageGroup&) = delete;
  PackageGroup& operator=(const PackageGroup&) = delete;

  // Whether a package of `definition` read from `source` and merged within
  // `scope` can join the group (always, when it is empty).
  bool Fits(const PackageDefinition& definition, db::Connection& source,
            const ImportScope& scope) const;

  // Stages the rows of the checked package `definition` from `source`,
  // reading only those that pass `scope`'s guards, raising `progress`'s
  // events per step. Raises as the engine's import does (a guard's
  // refusal, a column the receiving table lacks, a failure of either
  // database, a cancel), and the group is then as it was. Call only when
  // Fits; `context` is set to the step being staged.
  void Stage(const PackageDefinition& definition, db::Connection& source, const ImportScope& scope,
             ProgressEvents& progress, std::string& context);

  std::size_t Size() const;

  // Merges every staged package in one transaction on the target; false
  // with the failure in Errors when nothing was merged (kErrLocal or
  // kErrTimeLimit when the receiving side is at fault, as for a record that
  // cannot be written). The staged rows are gone either way.
  bool Merge();
  const class Errors& Errors() const { return mErrors; }

 private:
  struct StepShape;
  struct Member;

  std::vector<StepShape> ShapeOf(const PackageDefinition& definition, db::Connection& source) const;
  // Where the rows are staged: the target, or the scratch file.
  db::Connection& StagingDatabase();
  void Unstage(std::size_t member) noexcept;
  void MergeStep(std::size_t index);
  void DropStaging() noexcept;

  std::shared_ptr<db::Connection> mTarget;
  std::string mScratchFile;
  std::shared_ptr<db::Connection> mScratch;
  std::vector<StepShape> mShape;
  std::vector<Member> mMembers;
  mutable std::map<std::string, std::vector<db::Column>> mReceiving;  // by table, lower case
  class Errors mErrors;
};

}  // namespace tavex::engine
