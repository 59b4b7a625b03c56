#include "database/IncomingRowsTable.h"

#include <cstring>
#include <memory>
#include <string>

namespace tavex::db::sqlite {
namespace {

// SQLite owns the objects it is given between create and disconnect, open
// and close.
struct IncomingTable : sqlite3_vtab {
  Handle* handle = nullptr;
};

struct IncomingCursor : sqlite3_vtab_cursor {
  bool atEnd = true;
  const StatementRows* sqliteRows = nullptr;  // the rows, when SQLite reads them
};

Handle& HandleOf(sqlite3_vtab_cursor* cursor) {
  return *static_cast<IncomingTable*>(cursor->pVtab)->handle;
}

int IncomingCreate(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** table,
                   char** error) {
  auto* handle = static_cast<Handle*>(aux);
  if (handle->incoming == nullptr) {
    *error = sqlite3_mprintf("%s", "There are no incoming rows here.");
    return SQLITE_ERROR;
  }
  std::string schema = "CREATE TABLE x(";
  for (std::size_t i = 0; i < handle->incoming->Columns().size(); ++i) {
    schema += (i == 0 ? "c" : ",c") + std::to_string(i);
  }
  schema += ")";
  const int rc = sqlite3_declare_vtab(db, schema.c_str());
  if (rc != SQLITE_OK) return rc;
  // Only statements this program writes may read it, never a view or trigger.
  sqlite3_vtab_config(db, SQLITE_VTAB_DIRECTONLY);
  auto created = std::make_unique<IncomingTable>();
  created->handle = handle;
  *table = created.release();
  return SQLITE_OK;
}

int IncomingDisconnect(sqlite3_vtab* table) {
  std::unique_ptr<IncomingTable> owned(static_cast<IncomingTable*>(table));
  return SQLITE_OK;
}

int IncomingBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
  info->estimatedCost = 1e9;
  return SQLITE_OK;
}

int IncomingOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
  *cursor = std::make_unique<IncomingCursor>().release();
  return SQLITE_OK;
}

int IncomingClose(sqlite3_vtab_cursor* cursor) {
  std::unique_ptr<IncomingCursor> owned(static_cast<IncomingCursor*>(cursor));
  return SQLITE_OK;
}

// Moves to the next incoming row and counts it. What the reading or the
// counter throws is kept for ExecuteOverRows to raise again.
int IncomingNext(sqlite3_vtab_cursor* cursor) {
  Handle& handle = HandleOf(cursor);
  auto* incoming = static_cast<IncomingCursor*>(cursor);
  try {
    incoming->atEnd = !handle.incoming->Next();
    if (!incoming->atEnd && handle.counter != nullptr) (*handle.counter)(++handle.counted);
    return SQLITE_OK;
  } catch (...) {
    handle.counterFailure = std::current_exception();
    return SQLITE_ERROR;
  }
}

int IncomingFilter(sqlite3_vtab_cursor* cursor, int, const char*, int, sqlite3_value**) {
  static_cast<IncomingCursor*>(cursor)->sqliteRows =
      dynamic_cast<const StatementRows*>(HandleOf(cursor).incoming);
  return IncomingNext(cursor);
}

int IncomingEof(sqlite3_vtab_cursor* cursor) {
  return static_cast<IncomingCursor*>(cursor)->atEnd ? 1 : 0;
}

void ResultOf(sqlite3_context* context, const Value& value) {
  if (const auto* n = std::get_if<std::int64_t>(&value)) {
    sqlite3_result_int64(context, *n);
  } else if (const auto* d = std::get_if<double>(&value)) {
    sqlite3_result_double(context, *d);
  } else if (const auto* text = std::get_if<std::string>(&value)) {
    sqlite3_result_text64(context, text->data(), text->size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  } else if (const auto* blob = std::get_if<Blob>(&value)) {
    if (blob->empty()) {
      sqlite3_result_zeroblob(context, 0);
    } else {
      sqlite3_result_blob64(context, blob->data(), blob->size(), SQLITE_TRANSIENT);
    }
  } else {
    sqlite3_result_null(context);
  }
}

int IncomingColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int index) {
  Handle& handle = HandleOf(cursor);
  try {
    if (const StatementRows* rows = static_cast<IncomingCursor*>(cursor)->sqliteRows) {
      // Text is handed over in place: SQLite stores it before it asks for
      // the next row, which is when the source moves on.
      sqlite3_value* value = sqlite3_column_value(rows->CurrentRow(), index);
      switch (sqlite3_value_type(value)) {
        case SQLITE_TEXT:
          sqlite3_result_text64(context, reinterpret_cast<const char*>(sqlite3_value_text(value)),
                                static_cast<sqlite3_uint64>(sqlite3_value_bytes(value)),
                                SQLITE_STATIC, SQLITE_UTF8);
          break;
        default:
          sqlite3_result_value(context, value);
          break;
      }
    } else {
      ResultOf(context, handle.incoming->Get(static_cast<std::size_t>(index)));
    }
    return SQLITE_OK;
  } catch (...) {
    handle.counterFailure = std::current_exception();
    return SQLITE_ERROR;
  }
}

int IncomingRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
  *rowid = HandleOf(cursor).counted;
  return SQLITE_OK;
}

sqlite3_module MakeIncomingModule() {
  sqlite3_module module;
  std::memset(&module, 0, sizeof module);
  module.xCreate = IncomingCreate;
  module.xConnect = IncomingCreate;
  module.xBestIndex = IncomingBestIndex;
  module.xDisconnect = IncomingDisconnect;
  module.xDestroy = IncomingDisconnect;
  module.xOpen = IncomingOpen;
  module.xClose = IncomingClose;
  module.xFilter = IncomingFilter;
  module.xNext = IncomingNext;
  module.xEof = IncomingEof;
  module.xColumn = IncomingColumn;
  module.xRowid = IncomingRowid;
  return module;
}

const sqlite3_module kIncomingModule = MakeIncomingModule();

}  // namespace

void RegisterIncomingRowsModule(Handle& handle) {
  sqlite3_create_module_v2(handle.db, kIncomingModuleName, &kIncomingModule, &handle, nullptr);
}

}  // namespace tavex::db::sqlite
