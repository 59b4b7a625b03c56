#include "engine/AttachedPackage.h"

#include "engine/SqlNames.h"

namespace tavex::engine {

namespace {

constexpr const char* kSchema = "tavex_pkg";

// The file behind a SQLite connection's main database; empty for an
// in-memory one.
std::string MainFile(db::Connection& connection) {
  auto rows = connection.Query("PRAGMA database_list");
  while (rows->Next()) {
    const db::Value name = rows->Get(1);
    const auto* text = std::get_if<std::string>(&name);
    if (text && *text == "main") {
      const db::Value file = rows->Get(2);
      const auto* path = std::get_if<std::string>(&file);
      return path ? *path : std::string();
    }
  }
  return {};
}

// The SQLite URI of the file at `path` opened for reading only: "file:",
// the path with the characters a URI gives a meaning escaped,
// "?mode=ro&immutable=1". A package a receiver reads is its own copy that
// nobody writes, so SQLite need not lock it or look for its journal before
// every statement.
std::string ReadOnlyUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '%' || c == '?' || c == '#' || byte < 0x20 || byte >= 0x7F) {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0x0F];
    } else {
      uri += c;
    }
  }
  return uri + "?mode=ro&immutable=1";
}

}  // namespace

bool AttachedPackage::CanAttach(db::Connection& host, db::Connection& package) {
  return host.GetBackend() == db::Backend::Sqlite && package.GetBackend() == db::Backend::Sqlite &&
         !host.InTransaction() && !package.InTransaction();
}

std::unique_ptr<AttachedPackage> AttachedPackage::TryAttach(db::Connection& host,
                                                            db::Connection& package,
                                                            Access access) {
  if (!CanAttach(host, package)) return nullptr;
  const std::string file = MainFile(package);
  if (file.empty()) return nullptr;
  return Attach(host, file, access);
}

std::string AttachedPackage::AttachableFile(db::Connection& package) {
  if (package.GetBackend() != db::Backend::Sqlite || package.InTransaction()) return {};
  return MainFile(package);
}

std::unique_ptr<AttachedPackage> AttachedPackage::Attach(db::Connection& host,
                                                         const std::string& file, Access access) {
  host.Execute(std::string("ATTACH DATABASE ? AS ") + kSchema,
               {access == Access::ReadOnly ? ReadOnlyUri(file) : file});
  return std::unique_ptr<AttachedPackage>(new AttachedPackage(host));
}

AttachedPackage::~AttachedPackage() {
  try {
    mHost.Execute(std::string("DETACH DATABASE ") + kSchema);
  } catch (const db::DbError&) {
    // Detaching only tidies the connection; the run's outcome stands.
  }
}

std::string AttachedPackage::Table(std::string_view table) const {
  return std::string(kSchema) + "." + QuoteName(table);
}

void AttachedPackage::WriteAsScratchFile() {
  mHost.Query(std::string("PRAGMA ") + kSchema + ".journal_mode=OFF")->Next();
  mHost.Execute(std::string("PRAGMA ") + kSchema + ".synchronous=OFF");
}

}  // namespace tavex::engine
