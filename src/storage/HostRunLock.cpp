#include "storage/HostRunLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include "storage/IgnoreFailure.h"

namespace tavex {

namespace {

// The file of the main database of a SQLite connection; empty in memory.
std::string DatabaseFile(db::Connection& connection) {
  auto rows = connection.Query("SELECT file FROM pragma_database_list WHERE name='main'");
  if (!rows->Next()) return {};
  const db::Value file = rows->Get(0);
  return std::holds_alternative<std::string>(file) ? std::get<std::string>(file) : std::string();
}

}  // namespace

HostRunLock::HostRunLock(db::Connection& connection, const std::string& name)
    : mConnection(connection), mKey("tavex:" + name) {
  if (connection.GetBackend() == db::Backend::Postgres) {
    auto rows = connection.Query(
        "SELECT CASE WHEN pg_try_advisory_lock(hashtext(?)) THEN 1 ELSE 0 END", {mKey});
    mHeld = rows->Next() && rows->Get(0) == db::Value(std::int64_t{1});
    return;
  }
  const std::string database = DatabaseFile(connection);
  if (database.empty()) {
    mHeld = true;
    return;
  }
  const std::string lockFile = database + "-" + name + ".lock";
  const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) throw db::DbError("cannot open " + lockFile);
  mFile.emplace(fd);
  mHeld = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

HostRunLock::~HostRunLock() {
  if (!mHeld || mConnection.GetBackend() != db::Backend::Postgres) return;
  IgnoreFailure(
      [&] { mConnection.Query("SELECT pg_advisory_unlock(hashtext(?))", {mKey})->Next(); });
}

}  // namespace tavex
