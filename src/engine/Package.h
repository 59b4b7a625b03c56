#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "database/Connection.h"
#include "engine/Errors.h"
#include "engine/ExDatas.h"
#include "engine/ImportScope.h"
#include "engine/ProgressEvents.h"

namespace tavex::engine {

struct PackageDefinition;
class PackageGroup;

// The package engine: one object per package. The sender defines table steps
// (ExDatas), their statements and package Actions, then exports them from
// SourceConnection into a package database at TargetConnection. The
// receiver checks a package database and imports it from SourceConnection
// into TargetConnection. Every operation reports through its result and
// Errors; nothing is thrown to the caller.
class Package {
 public:
  Package();
  ~Package();
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  const std::string& PackageID() const { return mPackageID; }
  void PackageID(std::string id) { mPackageID = std::move(id); }
  const std::string& Description() const { return mDescription; }
  void Description(std::string text) { mDescription = std::move(text); }
  // The site that made the package, stored in it by Export and read back by
  // CheckPackage; empty for a package that does not say (a backup, or one
  // written before packages said it).
  const std::string& Sender() const { return mSender; }
  void Sender(std::string site) { mSender = std::move(site); }
  void SourceConnection(std::shared_ptr<db::Connection> connection) {
    mSource = std::move(connection);
  }
  void TargetConnection(std::shared_ptr<db::Connection> connection) {
    mTarget = std::move(connection);
  }

  class ExDatas& ExDatas() {
    return mExDatas;
  }
  Statements& Actions() { return mActions; }
  const class Errors& Errors() const { return mErrors; }

  // Registers the handler of the Proccess event (one handler; a later call
  // replaces it).
  void OnProccess(ProccessHandler handler) { mHandler = std::move(handler); }

  // Copies every table step from SourceConnection into the package database
  // at TargetConnection, each into a new table with the source's column
  // types, streaming the rows, and stores the definition beside them. Then,
  // unless DeferSourceStatements was called, runs the kind-3 statements of
  // the steps and the actions on the source, inside whatever transaction the
  // caller holds open there. The package database is a scratch file until
  // compressed: it is written without journal or synchronous writes.
  // Returns false and fills Errors on failure; false with no errors means a
  // handler set Cancel. The arguments carry no meaning here.
  bool Export(bool a, bool b, std::int32_t n);

  // Export leaves the kind-3 statements to RunSourceStatements, for a sender
  // that marks its rows only once the package has reached its destination.
  void DeferSourceStatements() { mDeferSourceStatements = true; }

  // Runs the kind-3 statements of the steps, then those of the actions, in
  // definition order on SourceConnection, inside whatever transaction the
  // caller holds open there. Returns false and fills Errors on failure.
  bool RunSourceStatements();

  // Rebuilds the definition stored in an opened package database into this
  // object and validates it: false (with the reason in Errors) for a
  // package that holds anything but plain tables (a view, a trigger, a
  // virtual table, a computed column), a missing or unknown-version
  // definition, a missing step table, a row count that does not match, or a
  // receiving-side statement that is anything but a delete of the allowed
  // shapes over the tables the package fills. A failure of this machine
  // while reading (see IsLocalError) is reported as such, not as damage.
  bool CheckPackage(std::shared_ptr<db::Connection> connection, std::int32_t n);

  // Restricts the deletes of the next imports to the rows `scope` names.
  void Scope(ImportScope scope) { mScope = std::move(scope); }

  // Merges the package at SourceConnection into TargetConnection in one
  // transaction there: per step, its kind-4 statements, then its kind-5
  // statements with the effect of running each once for every incoming row
  // before any of them is written (so rows of one package never delete each
  // other), then the rows, columns matched by name without regard to case.
  // Kind-3 statements and actions are never run here. Every delete on a
  // table the Scope restricts touches only the rows it names, every row
  // written there passes its guards, the steps it skips and the rows its
  // filters pass over are neither written nor delete anything, its records
  // are written with the rows, and the receiving tables are the receiving database's own (a package
  // filling a table it lacks fails with kErrMissingTable). On any failure or a cancel, nothing of
  // the package stays merged. The package is checked first, whether or not CheckPackage was called.
  bool ImportPackage(bool a, bool b, std::int32_t n);

  // How StageInto went.
  enum class Staging {
    Staged,
    DoesNotFit,  // its steps differ from the group's, or its Scope skips or filters
    Failed,      // see Errors; none for a cancel
  };
  // Checks the package at SourceConnection as ImportPackage does and stages
  // its rows into `group` (see PackageGroup), within the Scope's guards,
  // raising the progress events; its records are written when the group
  // merges. Nothing is merged yet.
  Staging StageInto(PackageGroup& group);

  // Copies every table step from SourceConnection into TargetConnection,
  // creating each receiving table there with the selecting query's column
  // names. An existing table of that name is an error and stays untouched.
  bool ExportTables(bool a, bool b, std::int32_t n);

 private:
  template <typename Body>
  bool Run(Body body);
  PackageDefinition Define() const;
  void Adopt(const PackageDefinition& definition);
  void RunSourceStatements(std::string& context);

  std::string mPackageID;
  std::string mDescription;
  std::string mSender;
  ImportScope mScope;
  std::shared_ptr<db::Connection> mSource;
  std::shared_ptr<db::Connection> mTarget;
  class ExDatas mExDatas;
  Statements mActions;
  class Errors mErrors;
  ProccessHandler mHandler;
  bool mDeferSourceStatements = false;
};

}  // namespace tavex::engine
