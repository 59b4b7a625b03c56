#include "members/MemberPackage.h"

#include <chrono>
#include <string_view>

#include "database/AsciiText.h"
#include "database/Values.h"
#include "i18n/Messages.h"
#include "members/MemberTables.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"
#include "storage/LocalTime.h"
#include "storage/ShortWriteTransactions.h"

namespace tavex {

namespace {

// The copy of a member table's rows to send, inside the host database.
std::string MemberStagingTable(const MemberTable& table) {
  return std::string(table.name) + "_Upload";
}

// " UPDATE t SET IsUploaded=1 FROM t, staged WHERE ..." matching every
// column but the flag, so only a live row still equal to its staged copy
// is marked.
std::string MarkStatement(const MemberTable& table, db::Connection& connection) {
  const std::string live(table.name);
  const std::string staged = MemberStagingTable(table);
  const std::string key(table.key);
  std::string sql = " UPDATE " + live + " SET IsUploaded=1    FROM " + live + "," + staged +
                    "   WHERE " + live + ".IsUploaded=0 AND " + live + "." + key + "=" + staged +
                    "." + key;
  const auto columns = connection.Query(" SELECT * FROM " + staged + " WHERE 1=0 ");
  for (const db::Column& column : columns->Columns()) {
    if (EqualsNoCase(column.name, "IsUploaded")) continue;
    sql +=
        " AND " + live + "." + column.name + " IS NOT DISTINCT FROM " + staged + "." + column.name;
  }
  return sql + " ";
}

}  // namespace

bool HasNewMemberData(db::Connection& connection, const AddLineFn& addLine) {
  std::int64_t waiting = 0;
  for (const MemberTable& table : MemberTables()) {
    IgnoreFailure([&] {
      waiting += db::CountOf(
          connection, " SELECT COUNT(*) FROM " + std::string(table.name) + " WHERE IsUploaded=0 ");
    });
  }
  if (waiting == 0) addLine(Messages().Msg_UploadData_NoData);
  return waiting > 0;
}

void StageMemberRows(db::Connection& connection) {
  ShortWriteTransactions writes(connection);
  for (const MemberTable& table : MemberTables()) {
    writes.Run([&] {
      const std::string staged = MemberStagingTable(table);
      storage::DropTable(connection, staged);
      connection.Execute(" SELECT * INTO " + staged + " FROM " + std::string(table.name) +
                         std::string(table.staged));
      connection.Execute(" UPDATE " + staged + " SET IsUploaded=1 ");
    });
  }
  writes.Finish();
}

void DefineMemberPackage(engine::Package& package, const ExchangeSettings& settings,
                         const MemberSyncTexts& texts, db::Connection& connection) {
  package.PackageID(texts.Msg_PackageName_Left + settings.gsBranchName +
                    texts.Msg_PackageName_Right + NowText());
  package.Description(settings.gsBranchName);
  package.DeferSourceStatements();
  for (const MemberTable& table : MemberTables()) {
    const std::string name(table.name);
    const std::string key(table.key);
    engine::ExData& step = package.ExDatas().Add(
        std::string(table.stepNumber) + texts.*table.caption,
        " SELECT * FROM " + MemberStagingTable(table) + " ", name, false, false);
    step.Statements().Add(std::string(table.statementNumber) + texts.*table.deleteCaption,
                          " DELETE FROM " + name + " WHERE " + key + "='{" + key + "}' ",
                          engine::kKindPerRow, 0);
  }
  for (const MemberTable& table : MemberTables()) {
    package.Actions().Add(std::string(table.markNumber) + texts.*table.updateCaption,
                          MarkStatement(table, connection), engine::kKindSource, 0);
  }
}

}  // namespace tavex
