#include "support/Rows.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "database/AsciiText.h"

namespace tavex::test {

std::string ValueText(const db::Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", *real);
    return buffer;
  }
  if (std::holds_alternative<std::monostate>(value)) return "NULL";
  std::string bytes;
  for (auto byte : std::get<db::Blob>(value)) bytes += std::to_string(byte) + ".";
  return bytes;
}

std::string Dump(db::Connection& connection, const std::string& sql) {
  std::string text;
  auto rows = connection.Query(sql);
  const std::size_t width = rows->Columns().size();
  while (rows->Next()) {
    for (std::size_t i = 0; i < width; ++i) text += (i > 0 ? "|" : "") + ValueText(rows->Get(i));
    text += "\n";
  }
  return text;
}

std::set<std::string> FirstColumn(db::Connection& connection, const std::string& sql) {
  std::set<std::string> values;
  auto rows = connection.Query(sql);
  while (rows->Next()) values.insert(ValueText(rows->Get(std::size_t{0})));
  return values;
}

std::int64_t Number(db::Connection& connection, const std::string& sql) {
  auto rows = connection.Query(sql);
  EXPECT_TRUE(rows->Next()) << sql;
  return std::stoll(ValueText(rows->Get(std::size_t{0})));
}

std::vector<std::string> ColumnNames(db::Connection& connection, const std::string& sql) {
  std::vector<std::string> names;
  const auto rows = connection.Query(sql);
  for (const auto& column : rows->Columns()) {
    names.push_back(AsciiLower(column.name));
  }
  return names;
}

bool HasTable(db::Connection& connection, const std::string& table) {
  try {
    connection.Query("SELECT * FROM " + table + " WHERE 1=0")->Next();
    return true;
  } catch (const db::DbError&) {
    return false;
  }
}

}  // namespace tavex::test
