#include "engine/ExDatas.h"

namespace tavex::engine {

Statement& Statements::Add(std::string message, std::string sql, std::int32_t kind,
                           std::int32_t extra) {
  return mItems.emplace_back(Statement{std::move(message), std::move(sql), kind, extra});
}

ExData& ExDatas::Add(std::string message, std::string sql, std::string table, bool flag1,
                     bool flag2) {
  return *mItems.emplace_back(
      std::make_unique<ExData>(std::move(message), std::move(sql), std::move(table), flag1, flag2));
}

}  // namespace tavex::engine
