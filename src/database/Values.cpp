#include "database/Values.h"

#include <charconv>

#include "database/AsciiText.h"

namespace tavex::db {

std::string ValueText(const Value& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* number = std::get_if<std::int64_t>(&value)) return std::to_string(*number);
  if (const auto* real = std::get_if<double>(&value)) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, *real).ptr);
  }
  return {};
}

std::int64_t ValueNumber(const Value& value) {
  if (const auto* number = std::get_if<std::int64_t>(&value)) return *number;
  if (const auto* real = std::get_if<double>(&value)) return static_cast<std::int64_t>(*real);
  if (const auto* text = std::get_if<std::string>(&value)) {
    const std::string_view digits = TrimAsciiBlanks(*text);
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error == std::errc() && end == digits.data() + digits.size()) return number;
  }
  return 0;
}

std::int64_t CountOf(Connection& connection, std::string_view sql, const Params& params) {
  const auto rows = connection.Query(sql, params);
  return rows->Next() ? ValueNumber(rows->Get(std::size_t{0})) : 0;
}

}  // namespace tavex::db
