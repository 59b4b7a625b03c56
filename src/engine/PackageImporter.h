#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "database/Connection.h"
#include "engine/AttachedPackage.h"
#include "engine/DeleteStatement.h"
#include "engine/ImportScope.h"
#include "engine/PackageDefinition.h"
#include "engine/ProgressEvents.h"
#include "engine/StepColumns.h"

namespace tavex::engine {

// Merges the steps of a checked package into the receiving database, inside
// the transaction its caller holds there. Per step: the kind-4 statements,
// then each kind-5 statement once, set-based, against a temporary table of
// the incoming rows' placeholder values (the effect of running it for every
// incoming row before any is written, without scanning the receiving table
// once per row), then the rows, columns matched by name. Every delete on a
// table that `scope` restricts touches only the rows it names. The receiving
// tables are always the receiving database's own (never a table of the same
// name in the attached package); one it lacks fails the step with
// kErrMissingTable.
//
// When both databases are SQLite files and neither connection is yet in a
// transaction, the package file is attached to the receiving
// connection for the life of the importer and the rows move in slices of 1%
// by INSERT ... SELECT inside SQLite; otherwise they are streamed in bulk,
// with no statement per row (into PostgreSQL through COPY).
// Create the importer before the transaction begins and end it after the
// transaction ends.
class PackageImporter {
 public:
  PackageImporter(const PackageDefinition& definition, db::Connection& source,
                  db::Connection& target, ProgressEvents& progress, const ImportScope& scope = {});
  ~PackageImporter();
  PackageImporter(const PackageImporter&) = delete;
  PackageImporter& operator=(const PackageImporter&) = delete;

  // Merges step `index`; answers the rows it wrote.
  std::int64_t ImportStep(std::size_t index);

 private:
  void DeleteEarlierCopies(const PackageDefinition::Step& step, const StepColumns& columns);
  // How a delete is written for the receiving database.
  DeleteStatement::Rendering RenderingFor(const DeleteStatement& statement) const;
  std::int64_t CopyRows(const PackageDefinition::Step& step, const std::string& selectList,
                        const std::vector<std::string>& targetNames);

  const PackageDefinition& mDefinition;
  db::Connection& mSource;
  db::Connection& mTarget;
  ProgressEvents& mProgress;
  const ImportScope& mScope;
  std::unique_ptr<AttachedPackage> mAttached;
};

}  // namespace tavex::engine
