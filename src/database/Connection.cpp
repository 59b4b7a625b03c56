#include "database/Connection.h"

#include "database/AsciiText.h"
#include "database/PgConnection.h"
#include "database/SqlTokenizer.h"
#include "database/SqliteConnection.h"

namespace tavex::db {
namespace {

constexpr std::string_view kSqlitePrefix = "sqlite:";
constexpr std::string_view kPackagePrefix = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
constexpr std::string_view kPackageSuffix = ";Persist Security Info=False";

// The file named by a package connection string: the "Data Source" value.
std::string PackagePath(std::string_view name) {
  std::string_view rest = name.substr(kPackagePrefix.size());
  if (EndsWithNoCase(rest, kPackageSuffix)) {
    return std::string(rest.substr(0, rest.size() - kPackageSuffix.size()));
  }
  return std::string(rest.substr(0, rest.find(';')));
}

}  // namespace

std::int64_t Connection::ExecuteCountingRows(std::string_view, const Params&, const RowCounter&) {
  throw DbError("This database cannot count rows while a statement runs.");
}

std::int64_t Connection::ExecuteOverRows(std::string_view, Recordset&, const RowCounter&) {
  throw DbError("This database cannot read rows from another one within a statement.");
}

std::int64_t Connection::CopyIn(std::string_view, Recordset&, const RowCounter&) {
  throw DbError("This database has no bulk copy.");
}

void Connection::SetDeadline(std::optional<std::chrono::steady_clock::time_point>) {}

std::optional<std::chrono::steady_clock::time_point> Connection::Deadline() const {
  return std::nullopt;
}

std::optional<std::size_t> Recordset::FindColumn(std::string_view name) const {
  const std::vector<Column>& columns = Columns();
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (EqualsNoCase(columns[i].name, name)) return i;
  }
  return std::nullopt;
}

Value Recordset::Get(std::string_view name) const {
  const std::optional<std::size_t> index = FindColumn(name);
  if (!index) throw DbError("No column named " + std::string(name) + " in the result.");
  return Get(*index);
}

std::shared_ptr<Connection> OpenConnection(const std::string& name) {
  const std::string_view view(name);
  if (StartsWithNoCase(view, kSqlitePrefix)) {
    return OpenSqliteConnection(std::string(view.substr(kSqlitePrefix.size())));
  }
  if (StartsWithNoCase(view, "postgresql://") || StartsWithNoCase(view, "postgres://")) {
    return OpenPgConnection(name);
  }
  if (StartsWithNoCase(view, kPackagePrefix)) return OpenSqliteConnection(PackagePath(view));
  throw DbError("Unknown kind of database connection: " + name);
}

std::shared_ptr<Connection> OpenPackageForReading(const std::string& path) {
  return OpenSqliteConnection(path, SqliteOpenMode::ReadOnly);
}

std::string PackageConnectionString(const std::string& path) {
  return std::string(kPackagePrefix) + path + std::string(kPackageSuffix);
}

}  // namespace tavex::db
