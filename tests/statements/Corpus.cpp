#include "statements/Corpus.h"

#include <cctype>
#include <cstdio>
#include <string>

namespace tavex::test {

std::string ValueText(const db::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", *real);
    return buffer;
  }
  return std::holds_alternative<std::monostate>(value) ? "NULL" : "BLOB";
}

namespace {

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

double Number(const std::string& text) { return text == "NULL" ? 0.0 : std::stod(text); }

std::vector<std::vector<std::string>> Env::Rows(const std::string& sql,
                                                const db::Params& params) const {
  std::vector<std::vector<std::string>> rows;
  auto cursor = mDb.Query(sql, params);
  while (cursor->Next()) {
    std::vector<std::string> row;
    for (std::size_t i = 0; i < cursor->Columns().size(); ++i)
      row.push_back(ValueText(cursor->Get(i)));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::multiset<std::string> Env::Column(const std::string& sql) const {
  std::multiset<std::string> values;
  for (const auto& row : Rows(sql)) values.insert(row.at(0));
  return values;
}

std::string Env::First(const std::string& sql) const {
  const auto rows = Rows(sql);
  return rows.empty() ? "" : rows.front().at(0);
}

std::int64_t Env::Count(const std::string& sql) const {
  return static_cast<std::int64_t>(Number(First(sql)));
}

std::vector<std::string> Env::ColumnNames(const std::string& sql) const {
  std::vector<std::string> names;
  auto cursor = mDb.Query(sql);
  for (const auto& column : cursor->Columns()) names.push_back(Lower(column.name));
  return names;
}

bool Env::TableExists(const std::string& table) const {
  try {
    mDb.Query("SELECT * FROM " + table + " WHERE 1<>1");
    return true;
  } catch (const db::DbError&) {
    return false;
  }
}

}  // namespace tavex::test
