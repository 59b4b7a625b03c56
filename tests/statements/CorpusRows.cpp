// Every fixed statement text the exchange sends to a host database, each
// with its run-time values filled in as the callers fill them and with the
// effect it must have there. The rows are grouped by the job that issues them.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "statements/Corpus.h"

namespace tavex::test {

namespace {

using Check = std::function<void(const Env&, const Result&)>;

const std::string B = kBranch;
const std::string BN = kBranchName;

Row Exec(std::string id, std::string sql, Check check, std::vector<std::string> after = {}) {
  Row row;
  row.id = std::move(id);
  row.sql = [sql](const Env&) { return sql; };
  row.check = std::move(check);
  row.after = std::move(after);
  return row;
}

Row Select(std::string id, std::string sql, Check check, std::vector<std::string> after = {}) {
  Row row = Exec(std::move(id), std::move(sql), std::move(check), std::move(after));
  row.query = true;
  return row;
}

Row WithParams(Row row, db::Params params) {
  row.params = std::move(params);
  return row;
}

Row Only(On on, Row row) {
  row.on = on;
  return row;
}

// ---- facts about the sample, computed here from plain reads ---------------

struct Bill {
  std::string id, date, shift;
  bool uploaded = false;
};

std::vector<Bill> Bills(const Env& env, const std::string& table = "bi_Bill") {
  std::vector<Bill> bills;
  for (const auto& row : env.Rows("SELECT BillID, BillDate, ShiftID, IsUploaded FROM " + table)) {
    bills.push_back({row[0], row[1].substr(0, 10), row[2], row[3] == "1"});
  }
  return bills;
}

std::set<std::string> UnuploadedBills(const Env& env) {
  std::set<std::string> ids;
  for (const auto& bill : Bills(env)) {
    if (!bill.uploaded) ids.insert(bill.id);
  }
  return ids;
}

// Bills dated from `first` to before `end` ("YYYY-MM-DD").
std::set<std::string> BillsBetween(const Env& env, const std::string& first, const std::string& end,
                                   const std::string& table = "bi_Bill") {
  std::set<std::string> ids;
  for (const auto& bill : Bills(env, table)) {
    if (bill.date >= first && bill.date < end) ids.insert(bill.id);
  }
  return ids;
}

// The `key` values of `table` whose `link` column is in `parents`.
std::multiset<std::string> KeysWhere(const Env& env, const std::string& table,
                                     const std::string& key, const std::string& link,
                                     const std::set<std::string>& parents) {
  std::multiset<std::string> keys;
  for (const auto& row : env.Rows("SELECT " + key + ", " + link + " FROM " + table)) {
    if (parents.count(row[1])) keys.insert(row[0]);
  }
  return keys;
}

std::set<std::string> AsSet(const std::multiset<std::string>& values) {
  return {values.begin(), values.end()};
}

// The ids of the upload set's bills and their detail rows.
std::set<std::string> StagedItems(const Env& env, const std::set<std::string>& bills) {
  return AsSet(KeysWhere(env, "bi_BillItem", "BillItemID", "BillID", bills));
}

// The first id of a query, which the checks below require to exist.
std::string Pick(const Env& env, const std::string& sql) {
  const std::string id = env.First(sql);
  if (id.empty()) throw std::runtime_error("the sample has no row for: " + sql);
  return id;
}

// ---- checks used by many rows ----------------------------------------------

// After a key-prefixing update: `columns` of every row now carry the branch
// prefix in front of what they held before (snapshot), and nothing else moved.
Row PrefixUpdate(std::string id, const std::string& table, const std::vector<std::string>& columns,
                 std::string after, bool marksUploaded) {
  std::string sql = " UPDATE " + table + "     SET ";
  std::string list;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (i > 0) sql += ",         ";
    sql += columns[i] + "='" + B + "-'+" + columns[i];
    list += (i ? ", " : "") + columns[i];
  }
  sql += marksUploaded ? ",IsUploaded=1 " : " ";
  const std::string read =
      "SELECT " + list + (marksUploaded ? ", IsUploaded" : "") + " FROM " + table;
  Row row = Exec(std::move(id), sql,
                 [columns, read, marksUploaded](const Env& env, const Result& result) {
                   std::multiset<std::string> expected, actual;
                   for (const auto& old : result.before) {
                     std::string line;
                     for (std::size_t i = 0; i < columns.size(); ++i)
                       line += B + "-" + old[i] + "|";
                     expected.insert(line + (marksUploaded ? "1" : ""));
                   }
                   for (const auto& now : env.Rows(read)) {
                     std::string line;
                     for (std::size_t i = 0; i < columns.size(); ++i) line += now[i] + "|";
                     actual.insert(line + (marksUploaded ? now[columns.size()] : ""));
                   }
                   EXPECT_FALSE(expected.empty());
                   EXPECT_EQ(expected, actual);
                   EXPECT_EQ(static_cast<std::int64_t>(expected.size()), result.affected);
                 },
                 {std::move(after)});
  row.snapshot = "SELECT " + list + " FROM " + table;
  return row;
}

// A staging copy holds exactly the expected keys and all the source's columns.
Check CopiedRows(std::string staging, std::string source, std::string key,
                 std::function<std::multiset<std::string>(const Env&)> expected) {
  return [=](const Env& env, const Result& result) {
    const auto want = expected(env);
    EXPECT_FALSE(want.empty()) << "the sample should give " << staging << " rows";
    EXPECT_EQ(want, env.Column("SELECT " + key + " FROM " + staging));
    EXPECT_EQ(env.ColumnNames("SELECT * FROM " + source + " WHERE 1<>1"),
              env.ColumnNames("SELECT * FROM " + staging + " WHERE 1<>1"));
    EXPECT_EQ(static_cast<std::int64_t>(want.size()), result.affected)
        << "a SELECT ... INTO reports the rows it copied";
  };
}

// A selecting step returns exactly these keys in its first column.
Check SelectsKeys(std::function<std::multiset<std::string>(const Env&)> expected) {
  return [=](const Env& env, const Result& result) {
    std::multiset<std::string> got;
    for (const auto& row : result.rows) got.insert(row.at(0));
    const auto want = expected(env);
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(want, got);
  };
}

// A delete removed exactly the rows whose `key` was in the row's expectation
// (read before the statement ran), and nothing else.
Check Deletes(std::string table, std::string key) {
  return [=](const Env& env, const Result& result) {
    std::multiset<std::string> expected;
    std::multiset<std::string> removed = result.expected;
    EXPECT_FALSE(removed.empty()) << "the sample should have rows to delete";
    for (const auto& row : result.before) {
      const auto found = removed.find(row.at(0));
      if (found != removed.end()) {
        removed.erase(found);
      } else {
        expected.insert(row.at(0));
      }
    }
    EXPECT_TRUE(removed.empty()) << "rows to delete that were not there";
    EXPECT_EQ(expected, env.Column("SELECT " + key + " FROM " + table));
    EXPECT_EQ(static_cast<std::int64_t>(result.before.size() - expected.size()), result.affected);
  };
}

Row Delete(std::string id, std::string sql, const std::string& table, const std::string& key,
           std::function<std::multiset<std::string>(const Env&)> gone,
           std::vector<std::string> after = {}) {
  Row row = Exec(std::move(id), std::move(sql), Deletes(table, key), std::move(after));
  row.snapshot = "SELECT " + key + " FROM " + table;
  row.expect = std::move(gone);
  return row;
}

// A delete whose statement text depends on a value picked from the sample.
Row DeletePicked(std::string id, std::function<std::string(const Env&)> sql,
                 const std::string& table, const std::string& key,
                 std::function<std::multiset<std::string>(const Env&)> gone) {
  Row row = Delete(std::move(id), "", table, key, std::move(gone));
  row.sql = std::move(sql);
  return row;
}

// ---- the upload set (bills not yet uploaded) ------------------------------

Check CopiedRowsOfIdList(std::string staging, std::string key,
                         std::function<std::multiset<std::string>(const Env&)> expected) {
  return [=](const Env& env, const Result& result) {
    const auto want = expected(env);
    EXPECT_FALSE(want.empty());
    EXPECT_EQ(want, env.Column("SELECT " + key + " FROM " + staging));
    EXPECT_EQ(std::vector<std::string>{[&] {
                std::string lower = key;
                for (auto& c : lower) c = static_cast<char>(std::tolower(c));
                return lower;
              }()},
              env.ColumnNames("SELECT * FROM " + staging));
    EXPECT_EQ(static_cast<std::int64_t>(want.size()), result.affected);
  };
}

std::multiset<std::string> StagedBillIds(const Env& env) {
  const auto ids = UnuploadedBills(env);
  return {ids.begin(), ids.end()};
}

void AddBillUpload(std::vector<Row>& rows) {
  rows.push_back(Exec("upload/stage bill ids",
                      " SELECT  BillID INTO bi_BillID_Upload    FROM bi_Bill   WHERE IsUploaded=0 ",
                      CopiedRowsOfIdList("bi_BillID_Upload", "BillID", StagedBillIds)));
  rows.push_back(Exec("upload/stage shift ids",
                      " SELECT DISTINCT ShiftID INTO bi_ShiftID_Upload    FROM bi_Bill   WHERE "
                      "IsUploaded=0 AND ShiftID<>'' ",
                      CopiedRowsOfIdList("bi_ShiftID_Upload", "ShiftID", [](const Env& env) {
                        std::set<std::string> shifts;
                        for (const auto& bill : Bills(env)) {
                          if (!bill.uploaded && !bill.shift.empty()) shifts.insert(bill.shift);
                        }
                        return std::multiset<std::string>(shifts.begin(), shifts.end());
                      })));
  rows.push_back(Exec("upload/stage bills",
                      " SELECT BL.* INTO bi_Bill_Upload    FROM bi_Bill AS BL,bi_BillID_Upload AS "
                      "BID   WHERE BL.BillID=BID.BillID ",
                      CopiedRows("bi_Bill_Upload", "bi_Bill", "BillID", StagedBillIds),
                      {"upload/stage bill ids"}));
  const auto stagedDetail = [](std::string table, std::string key) {
    return [table, key](const Env& env) {
      return KeysWhere(env, table, key, "BillID", UnuploadedBills(env));
    };
  };
  rows.push_back(Exec("upload/stage payments",
                      " SELECT BP.* INTO bi_BillPayment_Upload    FROM bi_BillPayment AS "
                      "BP,bi_Bill_Upload AS BL   WHERE BP.BillID=BL.BillID ",
                      CopiedRows("bi_BillPayment_Upload", "bi_BillPayment", "BillPaymentID",
                                 stagedDetail("bi_BillPayment", "BillPaymentID")),
                      {"upload/stage bills"}));
  rows.push_back(Exec("upload/stage items",
                      " SELECT BI.* INTO bi_BillItem_Upload    FROM bi_BillItem AS "
                      "BI,bi_Bill_Upload AS BL   WHERE BI.BillID=BL.BillID ",
                      CopiedRows("bi_BillItem_Upload", "bi_BillItem", "BillItemID",
                                 stagedDetail("bi_BillItem", "BillItemID")),
                      {"upload/stage bills"}));
  rows.push_back(Exec("upload/stage split lines",
                      " SELECT SB.* INTO bi_SubBill_Upload    FROM bi_SubBill AS "
                      "SB,bi_BillItem_Upload AS BI   WHERE SB.BillItemID=BI.BillItemID ",
                      CopiedRows("bi_SubBill_Upload", "bi_SubBill", "SubBillID",
                                 [](const Env& env) {
                                   return KeysWhere(env, "bi_SubBill", "SubBillID", "BillItemID",
                                                    StagedItems(env, UnuploadedBills(env)));
                                 }),
                      {"upload/stage items"}));
  rows.push_back(Exec("upload/stage reversed checkouts",
                      " SELECT BU.* INTO bi_UnCheckBill_Upload    FROM bi_UnCheckBill AS BU, "
                      "bi_Bill_Upload AS BL   WHERE BU.BillID=BL.BillID ",
                      CopiedRows("bi_UnCheckBill_Upload", "bi_UnCheckBill", "UnCheckBillID",
                                 stagedDetail("bi_UnCheckBill", "UnCheckBillID")),
                      {"upload/stage bills"}));
  const auto stagedUnCheck = [](std::string table, std::string key) {
    return [table, key](const Env& env) {
      return KeysWhere(
          env, table, key, "UnCheckBillID",
          AsSet(KeysWhere(env, "bi_UnCheckBill", "UnCheckBillID", "BillID", UnuploadedBills(env))));
    };
  };
  rows.push_back(Exec(
      "upload/stage reversed checkout payments",
      " SELECT BP.* INTO bi_UnCheckBillPayment_Upload    FROM bi_UnCheckBillPayment AS "
      "BP,bi_UnCheckBill_Upload AS BL   WHERE BP.UnCheckBillID=BL.UnCheckBillID ",
      CopiedRows("bi_UnCheckBillPayment_Upload", "bi_UnCheckBillPayment", "UnCheckBillPaymentID",
                 stagedUnCheck("bi_UnCheckBillPayment", "UnCheckBillPaymentID")),
      {"upload/stage reversed checkouts"}));
  rows.push_back(
      Exec("upload/stage reversed checkout items",
           " SELECT BI.* INTO bi_UnCheckBillItem_Upload    FROM bi_UnCheckBillItem AS "
           "BI,bi_UnCheckBill_Upload AS BL   WHERE BI.UnCheckBillID=BL.UnCheckBillID ",
           CopiedRows("bi_UnCheckBillItem_Upload", "bi_UnCheckBillItem", "UnCheckBillItemID",
                      stagedUnCheck("bi_UnCheckBillItem", "UnCheckBillItemID")),
           {"upload/stage reversed checkouts"}));
  rows.push_back(Exec(
      "upload/stage octopus payments",
      " SELECT * INTO bi_OctopusPayment_Upload    FROM bi_OctopusPayment   WHERE IsUploaded=0 ",
      [](const Env& env, const Result& result) {
        CopiedRows("bi_OctopusPayment_Upload", "bi_OctopusPayment", "TransNo", [](const Env& e) {
          return KeysWhere(e, "bi_OctopusPayment", "TransNo", "IsUploaded", {"0"});
        })(env, result);
        // Also those whose bill went up in an earlier run.
        EXPECT_LT(0, env.Count("SELECT COUNT(*) FROM bi_OctopusPayment_Upload AS O, bi_Bill AS B"
                               " WHERE O.BillID=B.BillID AND B.IsUploaded=1"));
      }));
  const auto stagedShift = [](std::string table, std::string key) {
    return [table, key](const Env& env) {
      std::set<std::string> shifts;
      for (const auto& bill : Bills(env)) {
        if (!bill.uploaded && !bill.shift.empty()) shifts.insert(bill.shift);
      }
      return KeysWhere(env, table, key, "ShiftID", shifts);
    };
  };
  rows.push_back(
      Exec("upload/stage shifts",
           " SELECT SF.* INTO bi_Shift_Upload    FROM bi_Shift AS SF,bi_ShiftID_Upload AS SID   "
           "WHERE SF.ShiftID=SID.ShiftID ",
           CopiedRows("bi_Shift_Upload", "bi_Shift", "ShiftID", stagedShift("bi_Shift", "ShiftID")),
           {"upload/stage shift ids"}));
  rows.push_back(Exec("upload/stage shift sums",
                      " SELECT SS.* INTO bi_ShiftSum_Upload    FROM bi_ShiftSum AS "
                      "SS,bi_ShiftID_Upload AS SID   WHERE SS.ShiftID=SID.ShiftID ",
                      CopiedRows("bi_ShiftSum_Upload", "bi_ShiftSum", "ShiftSumID",
                                 stagedShift("bi_ShiftSum", "ShiftSumID")),
                      {"upload/stage shift ids"}));
  rows.push_back(Exec("upload/stage withdrawals",
                      " SELECT SL.* INTO bi_ShiftLog_Upload    FROM bi_ShiftLog AS "
                      "SL,bi_ShiftID_Upload AS SID   WHERE SL.ShiftID=SID.ShiftID ",
                      CopiedRows("bi_ShiftLog_Upload", "bi_ShiftLog", "ShiftLogID",
                                 stagedShift("bi_ShiftLog", "ShiftLogID")),
                      {"upload/stage shift ids"}));

  rows.push_back(PrefixUpdate("upload/prefix bills", "bi_Bill_Upload", {"BillID", "ShiftID"},
                              "upload/stage bills", true));
  rows.push_back(PrefixUpdate("upload/prefix payments", "bi_BillPayment_Upload", {"BillID"},
                              "upload/stage payments", false));
  rows.push_back(PrefixUpdate("upload/prefix items", "bi_BillItem_Upload", {"BillID", "BillItemID"},
                              "upload/stage items", false));
  rows.push_back(PrefixUpdate("upload/prefix split lines", "bi_SubBill_Upload",
                              {"BillItemID", "SubBillID"}, "upload/stage split lines", false));
  rows.push_back(PrefixUpdate("upload/prefix reversed checkouts", "bi_UnCheckBill_Upload",
                              {"BillID", "ShiftID"}, "upload/stage reversed checkouts", true));
  rows.push_back(PrefixUpdate("upload/prefix reversed checkout payments",
                              "bi_UnCheckBillPayment_Upload", {"BillID"},
                              "upload/stage reversed checkout payments", false));
  rows.push_back(PrefixUpdate("upload/prefix reversed checkout items", "bi_UnCheckBillItem_Upload",
                              {"BillID", "BillItemID"}, "upload/stage reversed checkout items",
                              false));
  rows.push_back(PrefixUpdate("upload/prefix octopus payments", "bi_OctopusPayment_Upload",
                              {"BillID"}, "upload/stage octopus payments", false));
  rows.push_back(PrefixUpdate("upload/prefix shifts", "bi_Shift_Upload", {"ShiftID"},
                              "upload/stage shifts", false));
  rows.push_back(PrefixUpdate("upload/prefix shift sums", "bi_ShiftSum_Upload", {"ShiftID"},
                              "upload/stage shift sums", false));
  rows.push_back(PrefixUpdate("upload/prefix withdrawals", "bi_ShiftLog_Upload",
                              {"ShiftID", "ShiftLogID"}, "upload/stage withdrawals", false));

  // A bill with no shift still gets the prefix: its ShiftID becomes "B01-".
  Row emptyShift = PrefixUpdate("upload/prefix bills without a shift", "bi_Bill_Upload",
                                {"BillID", "ShiftID"}, "upload/stage bills", true);
  emptyShift.check = [](const Env& env, const Result&) {
    const auto noShift = KeysWhere(env, "bi_Bill", "BillID", "ShiftID", {""});
    const auto staged = UnuploadedBills(env);
    std::set<std::string> expected;
    for (const auto& id : noShift) {
      if (staged.count(id)) expected.insert(B + "-" + id);
    }
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(expected,
              AsSet(env.Column("SELECT BillID FROM bi_Bill_Upload WHERE ShiftID='" + B + "-'")));
  };
  rows.push_back(emptyShift);

  // The upload run's test for new bills.
  rows.push_back(Select("upload/has new bills", " SELECT TOP 1 * FROM bi_Bill WHERE IsUploaded=0 ",
                        [](const Env&, const Result& result) {
                          ASSERT_EQ(1u, result.rows.size());
                          const auto at =
                              std::find(result.columns.begin(), result.columns.end(), "isuploaded");
                          ASSERT_NE(result.columns.end(), at);
                          EXPECT_EQ("0", result.rows[0][at - result.columns.begin()]);
                        }));
}

// ---- the bill package: receiving-side deletes, marks, selecting steps --------

// Rows of `table` picked by a key value from the sample.
std::function<std::multiset<std::string>(const Env&)> Where(std::string table, std::string key,
                                                            std::string column,
                                                            std::string pickSql) {
  return [=](const Env& env) { return KeysWhere(env, table, key, column, {Pick(env, pickSql)}); };
}

const char* const kBillWithSplitLines =
    "SELECT BI.BillID FROM bi_SubBill AS SB, bi_BillItem AS BI"
    " WHERE SB.BillItemID=BI.BillItemID ORDER BY BI.BillID";
const char* const kFirstUnCheck = "SELECT UnCheckBillID FROM bi_UnCheckBill ORDER BY UnCheckBillID";
const char* const kFirstShift = "SELECT ShiftID FROM bi_Shift ORDER BY ShiftID";

void AddBillPackage(std::vector<Row>& rows) {
  rows.push_back(DeletePicked(
      "package/21.1 delete the split lines of an arriving bill",
      [](const Env& env) {
        return "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM "
               "bi_BillItem WHERE BillID='" +
               Pick(env, kBillWithSplitLines) + "')";
      },
      "bi_SubBill", "SubBillID",
      [](const Env& env) {
        return KeysWhere(env, "bi_SubBill", "SubBillID", "BillItemID",
                         AsSet(KeysWhere(env, "bi_BillItem", "BillItemID", "BillID",
                                         {Pick(env, kBillWithSplitLines)})));
      }));
  for (const auto& [table, key] :
       std::vector<std::pair<std::string, std::string>>{{"bi_BillItem", "BillItemID"},
                                                        {"bi_BillPayment", "BillPaymentID"},
                                                        {"bi_Bill", "BillID"}}) {
    rows.push_back(DeletePicked(
        "package/21 delete " + table + " of an arriving bill",
        [table](const Env& env) {
          return "DELETE FROM " + table + " WHERE BillID='" + Pick(env, kBillWithSplitLines) + "'";
        },
        table, key, Where(table, key, "BillID", kBillWithSplitLines)));
  }
  for (const auto& [table, key] : std::vector<std::pair<std::string, std::string>>{
           {"bi_UnCheckBill", "UnCheckBillID"},
           {"bi_UnCheckBillItem", "UnCheckBillItemID"},
           {"bi_UnCheckBillPayment", "UnCheckBillPaymentID"}}) {
    rows.push_back(DeletePicked(
        "package/25 delete " + table + " of an arriving reversed checkout",
        [table](const Env& env) {
          return "DELETE FROM " + table + " WHERE UnCheckBillID='" + Pick(env, kFirstUnCheck) + "'";
        },
        table, key, Where(table, key, "UnCheckBillID", kFirstUnCheck)));
  }
  rows.push_back(DeletePicked(
      "package/28.1 delete an arriving octopus payment",
      [](const Env& env) {
        const auto first =
            env.Rows("SELECT BillID, CardID, DeviceID FROM bi_OctopusPayment ORDER BY TransNo")
                .at(0);
        return "DELETE FROM bi_OctopusPayment WHERE BillID='" + first[0] + "' AND CardID='" +
               first[1] + "' AND DeviceID='" + first[2] + "' ";
      },
      "bi_OctopusPayment", "TransNo",
      [](const Env& env) {
        return KeysWhere(env, "bi_OctopusPayment", "TransNo", "TransNo",
                         {Pick(env, "SELECT TransNo FROM bi_OctopusPayment ORDER BY TransNo")});
      }));
  Row mark =
      Exec("package/28.2 mark octopus payments uploaded",
           " UPDATE bi_OctopusPayment SET IsUploaded=1   WHERE IsUploaded=0 ",
           [](const Env& env, const Result& result) {
             EXPECT_FALSE(result.before.empty());
             EXPECT_EQ(static_cast<std::int64_t>(result.before.size()), result.affected);
             EXPECT_EQ(0, env.Count("SELECT COUNT(*) FROM bi_OctopusPayment WHERE IsUploaded<>1"));
           });
  mark.snapshot = "SELECT TransNo FROM bi_OctopusPayment WHERE IsUploaded=0";
  rows.push_back(mark);
  for (const auto& [table, key] : std::vector<std::pair<std::string, std::string>>{
           {"bi_ShiftSum", "ShiftSumID"}, {"bi_ShiftLog", "ShiftLogID"}, {"bi_Shift", "ShiftID"}}) {
    rows.push_back(DeletePicked(
        "package/31 delete " + table + " of an arriving shift",
        [table](const Env& env) {
          return "DELETE FROM " + table + " WHERE ShiftID='" + Pick(env, kFirstShift) + "'";
        },
        table, key, Where(table, key, "ShiftID", kFirstShift)));
  }

  // Each selecting step reads its staging table, whose columns are those of
  // the receiving table, so the rows can be written there by name.
  for (const auto& [staging, target, after] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"bi_Bill_Upload", "bi_Bill", "upload/prefix bills"},
           {"bi_BillPayment_Upload", "bi_BillPayment", "upload/prefix payments"},
           {"bi_BillItem_Upload", "bi_BillItem", "upload/prefix items"},
           {"bi_SubBill_Upload", "bi_SubBill", "upload/prefix split lines"},
           {"bi_UnCheckBill_Upload", "bi_UnCheckBill", "upload/prefix reversed checkouts"},
           {"bi_UnCheckBillPayment_Upload", "bi_UnCheckBillPayment",
            "upload/prefix reversed checkout payments"},
           {"bi_UnCheckBillItem_Upload", "bi_UnCheckBillItem",
            "upload/prefix reversed checkout items"},
           {"bi_OctopusPayment_Upload", "bi_OctopusPayment", "upload/prefix octopus payments"},
           {"bi_Shift_Upload", "bi_Shift", "upload/prefix shifts"},
           {"bi_ShiftSum_Upload", "bi_ShiftSum", "upload/prefix shift sums"},
           {"bi_ShiftLog_Upload", "bi_ShiftLog", "upload/prefix withdrawals"},
           {"bi_Bill_Upload_Date", "bi_Bill", "range/prefix bi_Bill_Upload_Date"},
           {"bi_BillPayment_Upload_Date", "bi_BillPayment",
            "range/prefix bi_BillPayment_Upload_Date"},
           {"bi_BillItem_Upload_Date", "bi_BillItem", "range/prefix bi_BillItem_Upload_Date"},
           {"bi_SubBill_Upload_Date", "bi_SubBill", "range/prefix bi_SubBill_Upload_Date"},
           {"bi_UnCheckBill_Upload_Date", "bi_UnCheckBill",
            "range/prefix bi_UnCheckBill_Upload_Date"},
           {"bi_UnCheckBillPayment_Upload_Date", "bi_UnCheckBillPayment",
            "range/prefix bi_UnCheckBillPayment_Upload_Date"},
           {"bi_UnCheckBillItem_Upload_Date", "bi_UnCheckBillItem",
            "range/prefix bi_UnCheckBillItem_Upload_Date"},
           {"bi_OctopusPayment_Upload_Date", "bi_OctopusPayment",
            "range/prefix bi_OctopusPayment_Upload_Date"}}) {
    const std::string table = staging;
    const std::string live = target;
    // The key each staging table carries with the branch prefix.
    static const std::map<std::string, std::string> kPrefixedKey = {
        {"bi_Bill", "billid"},
        {"bi_BillPayment", "billid"},
        {"bi_BillItem", "billitemid"},
        {"bi_SubBill", "subbillid"},
        {"bi_UnCheckBill", "billid"},
        {"bi_UnCheckBillPayment", "billid"},
        {"bi_UnCheckBillItem", "billitemid"},
        {"bi_OctopusPayment", "billid"},
        {"bi_Shift", "shiftid"},
        {"bi_ShiftSum", "shiftid"},
        {"bi_ShiftLog", "shiftlogid"}};
    const std::string key = kPrefixedKey.at(live);
    rows.push_back(Select(
        "package/step reads " + staging, " SELECT * FROM " + staging + " ",
        [table, live, key](const Env& env, const Result& result) {
          EXPECT_EQ(env.Count("SELECT COUNT(*) FROM " + table),
                    static_cast<std::int64_t>(result.rows.size()));
          EXPECT_FALSE(result.rows.empty());
          EXPECT_EQ(env.ColumnNames("SELECT * FROM " + live + " WHERE 1<>1"), result.columns);
          const auto column = std::find(result.columns.begin(), result.columns.end(), key);
          ASSERT_NE(result.columns.end(), column) << key;
          const auto index = static_cast<std::size_t>(column - result.columns.begin());
          for (const auto& row : result.rows)
            EXPECT_EQ(0u, row.at(index).rfind(B + "-", 0)) << row.at(index);
        },
        {after}));
  }

  Row action = Exec("package/28 mark exactly the listed bills uploaded",
                    " UPDATE bi_Bill SET IsUploaded=1    FROM bi_Bill,bi_BillID_Upload   WHERE "
                    "bi_Bill.BillID=bi_BillID_Upload.BIllID ",
                    [](const Env& env, const Result& result) {
                      EXPECT_EQ(static_cast<std::int64_t>(result.before.size()), result.affected);
                      EXPECT_EQ(std::set<std::string>{"NEW0001"}, UnuploadedBills(env));
                      EXPECT_EQ(81, env.Count("SELECT COUNT(*) FROM bi_Bill"));
                    },
                    {"upload/stage bill ids"});
  action.setup = {
      "INSERT INTO bi_Bill (BillID, ShiftID, BillDate, SumPaid, IsUploaded)"
      " VALUES ('NEW0001', '', '2024-03-04 00:00:00', 10, 0)"};
  action.snapshot = "SELECT BillID FROM bi_BillID_Upload";
  rows.push_back(action);
}

// ---- the bills of a date range ---------------------------------------------

// The same text with every upload staging table named as its date twin.
std::string DateTwin(std::string sql) {
  for (std::size_t at = sql.find("_Upload"); at != std::string::npos;
       at = sql.find("_Upload", at)) {
    sql.insert(at + 7, "_Date");
    at += 12;
  }
  return sql;
}

const db::Params kSecondAndThirdDay{std::string("2024-03-02 00:00:00"),
                                    std::string("2024-03-04 00:00:00")};

void AddDateRangeUpload(std::vector<Row>& rows) {
  const auto inRange = [](const Env& env) { return BillsBetween(env, "2024-03-02", "2024-03-04"); };
  rows.push_back(WithParams(
      Exec("range/stage bills",
           " SELECT * INTO bi_Bill_Upload_Date    FROM bi_Bill  WHERE BillDate>=? AND BillDate<? ",
           CopiedRows("bi_Bill_Upload_Date", "bi_Bill", "BillID",
                      [inRange](const Env& env) {
                        const auto ids = inRange(env);
                        return std::multiset<std::string>(ids.begin(), ids.end());
                      })),
      kSecondAndThirdDay));
  rows.push_back(WithParams(
      Exec("range/stage bills of a reversed range",
           " SELECT * INTO bi_Bill_Upload_Date    FROM bi_Bill  WHERE BillDate>=? AND BillDate<? ",
           [](const Env& env, const Result& result) {
             EXPECT_EQ(0, result.affected);
             EXPECT_EQ(0, env.Count("SELECT COUNT(*) FROM bi_Bill_Upload_Date"));
           }),
      {std::string("2024-03-04 00:00:00"), std::string("2024-03-02 00:00:00")}));
  const auto detail = [inRange](std::string table, std::string key) {
    return [=](const Env& env) { return KeysWhere(env, table, key, "BillID", inRange(env)); };
  };
  rows.push_back(Exec("range/stage payments",
                      DateTwin(" SELECT BP.* INTO bi_BillPayment_Upload    FROM bi_BillPayment AS "
                               "BP,bi_Bill_Upload AS BL   WHERE BP.BillID=BL.BillID "),
                      CopiedRows("bi_BillPayment_Upload_Date", "bi_BillPayment", "BillPaymentID",
                                 detail("bi_BillPayment", "BillPaymentID")),
                      {"range/stage bills"}));
  rows.push_back(Exec("range/stage items",
                      DateTwin(" SELECT BI.* INTO bi_BillItem_Upload    FROM bi_BillItem AS "
                               "BI,bi_Bill_Upload AS BL   WHERE BI.BillID=BL.BillID "),
                      CopiedRows("bi_BillItem_Upload_Date", "bi_BillItem", "BillItemID",
                                 detail("bi_BillItem", "BillItemID")),
                      {"range/stage bills"}));
  rows.push_back(Exec("range/stage split lines",
                      DateTwin(" SELECT SB.* INTO bi_SubBill_Upload    FROM bi_SubBill AS "
                               "SB,bi_BillItem_Upload AS BI   WHERE SB.BillItemID=BI.BillItemID "),
                      CopiedRows("bi_SubBill_Upload_Date", "bi_SubBill", "SubBillID",
                                 [inRange](const Env& env) {
                                   return KeysWhere(env, "bi_SubBill", "SubBillID", "BillItemID",
                                                    StagedItems(env, inRange(env)));
                                 }),
                      {"range/stage items"}));
  rows.push_back(Exec("range/stage reversed checkouts",
                      DateTwin(" SELECT BU.* INTO bi_UnCheckBill_Upload    FROM bi_UnCheckBill AS "
                               "BU, bi_Bill_Upload AS BL   WHERE BU.BillID=BL.BillID "),
                      CopiedRows("bi_UnCheckBill_Upload_Date", "bi_UnCheckBill", "UnCheckBillID",
                                 detail("bi_UnCheckBill", "UnCheckBillID")),
                      {"range/stage bills"}));
  const auto unCheck = [inRange](std::string table, std::string key) {
    return [=](const Env& env) {
      return KeysWhere(
          env, table, key, "UnCheckBillID",
          AsSet(KeysWhere(env, "bi_UnCheckBill", "UnCheckBillID", "BillID", inRange(env))));
    };
  };
  rows.push_back(Exec(
      "range/stage reversed checkout payments",
      DateTwin(" SELECT BP.* INTO bi_UnCheckBillPayment_Upload    FROM bi_UnCheckBillPayment AS "
               "BP,bi_UnCheckBill_Upload AS BL   WHERE BP.UnCheckBillID=BL.UnCheckBillID "),
      CopiedRows("bi_UnCheckBillPayment_Upload_Date", "bi_UnCheckBillPayment",
                 "UnCheckBillPaymentID", unCheck("bi_UnCheckBillPayment", "UnCheckBillPaymentID")),
      {"range/stage reversed checkouts"}));
  rows.push_back(
      Exec("range/stage reversed checkout items",
           DateTwin(" SELECT BI.* INTO bi_UnCheckBillItem_Upload    FROM bi_UnCheckBillItem AS "
                    "BI,bi_UnCheckBill_Upload AS BL   WHERE BI.UnCheckBillID=BL.UnCheckBillID "),
           CopiedRows("bi_UnCheckBillItem_Upload_Date", "bi_UnCheckBillItem", "UnCheckBillItemID",
                      unCheck("bi_UnCheckBillItem", "UnCheckBillItemID")),
           {"range/stage reversed checkouts"}));
  rows.push_back(WithParams(
      Exec("range/stage octopus payments by their own date",
           " SELECT * INTO bi_OctopusPayment_Upload_Date    FROM bi_OctopusPayment   WHERE "
           "BillDate>=? AND BillDate<? ",
           CopiedRows("bi_OctopusPayment_Upload_Date", "bi_OctopusPayment", "TransNo",
                      [](const Env& env) {
                        std::multiset<std::string> keys;
                        for (const auto& row :
                             env.Rows("SELECT TransNo, BillDate FROM bi_OctopusPayment")) {
                          const auto day = row[1].substr(0, 10);
                          if (day >= "2024-03-02" && day < "2024-03-04") keys.insert(row[0]);
                        }
                        return keys;
                      })),
      kSecondAndThirdDay));
  for (const auto& [table, columns, after, marks] :
       std::vector<std::tuple<std::string, std::vector<std::string>, std::string, bool>>{
           {"bi_Bill_Upload_Date", {"BillID", "ShiftID"}, "range/stage bills", true},
           {"bi_BillPayment_Upload_Date", {"BillID"}, "range/stage payments", false},
           {"bi_BillItem_Upload_Date", {"BillID", "BillItemID"}, "range/stage items", false},
           {"bi_SubBill_Upload_Date",
            {"BillItemID", "SubBillID"},
            "range/stage split lines",
            false},
           {"bi_UnCheckBill_Upload_Date",
            {"BillID", "ShiftID"},
            "range/stage reversed checkouts",
            true},
           {"bi_UnCheckBillPayment_Upload_Date",
            {"BillID"},
            "range/stage reversed checkout payments",
            false},
           {"bi_UnCheckBillItem_Upload_Date",
            {"BillID", "BillItemID"},
            "range/stage reversed checkout items",
            false},
           {"bi_OctopusPayment_Upload_Date",
            {"BillID"},
            "range/stage octopus payments by their own date",
            false}}) {
    rows.push_back(PrefixUpdate("range/prefix " + table, table, columns, after, marks));
  }
}

// ---- daily reports and stock (upload wizard) ---------------------------------

const db::Params kFirstTwoDays{std::string("2024-03-01 00:00:00"),
                               std::string("2024-03-03 00:00:00")};

const std::string kSalesTable =
    " SELECT      BI.MenuID,BI.MenuName,      BI.MenuUnitID,BI.MenuUnitName,      "
    "BI.MenuTypeID,BI.MenuTypeName,      BI.DepartTypeID,BI.DepartTypeName,      "
    "BI.DepartID,BI.DepartName,      SUM(BI.AmountOrder-BI.AmountCancel) AS theAmount,      "
    "SUM(BI.SumOfConsume) AS theConsume,SUM(BI.SumOfService) AS theService,      "
    "SUM(BI.SumForDiscount) AS theDiscount,      BranchID,BranchName,BL.BillDate  INTO "
    "[rp_BillItem_Temp]  FROM bi_Bill AS BL, bi_BillItem AS BI  WHERE BL.BillID = BI.BillID AND "
    "BL.BillDate>=? AND BL.BillDate<?  GROUP BY      BI.MenuID,BI.MenuName,      "
    "BI.MenuUnitID,BI.MenuUnitName,      BI.MenuTypeID,BI.MenuTypeName,      "
    "BI.DepartTypeID,BI.DepartTypeName,      BI.DepartID,BI.DepartName,      "
    "BranchID,BranchName,BL.BillDate ";

const std::string kCashierTable =
    " SELECT      BP.SubjectID,BP.SubjectName,BP.ExchangeRate,      SUM(BP.PaySum) AS "
    "thePaySum,SUM(BP.SumPaid) AS theSumPaid,      BranchID,BranchName,BL.BillDate  INTO "
    "[rp_BillPayment_Temp]  FROM bi_Bill AS BL, bi_BillPayment AS BP  WHERE BL.BillID=BP.BillID "
    "AND BL.BillDate>=? AND BL.BillDate<?  GROUP BY      BP.SubjectID,BP.SubjectName,"
    "BP.ExchangeRate,      BranchID,BranchName,BL.BillDate ";

// Sums of `value` over the detail rows of the bills of 1 and 2 March, and
// the number of distinct (group key, day) pairs they fall into.
struct Totals {
  double sum = 0;
  std::size_t groups = 0;
};

Totals DetailTotals(const Env& env, const std::string& table, const std::string& key,
                    const std::string& value) {
  std::map<std::string, std::string> dayOf;
  for (const auto& bill : Bills(env)) {
    if (bill.date < "2024-03-03") dayOf[bill.id] = bill.date;
  }
  Totals totals;
  std::set<std::string> groups;
  for (const auto& row : env.Rows("SELECT BillID, " + key + ", " + value + " FROM " + table)) {
    const auto day = dayOf.find(row[0]);
    if (day == dayOf.end()) continue;
    totals.sum += Number(row[2]);
    groups.insert(row[1] + "|" + day->second);
  }
  totals.groups = groups.size();
  return totals;
}

Check ReportTable(std::string table, std::string detail, std::string key, std::string value,
                  std::string total) {
  return [=](const Env& env, const Result& result) {
    const Totals want = DetailTotals(env, detail, key, value);
    EXPECT_LT(0u, want.groups);
    EXPECT_EQ(static_cast<std::int64_t>(want.groups), result.affected);
    EXPECT_EQ(static_cast<std::int64_t>(want.groups), env.Count("SELECT COUNT(*) FROM " + table));
    double got = 0;
    for (const auto& row : env.Rows("SELECT " + total + " FROM " + table)) got += Number(row[0]);
    EXPECT_NEAR(want.sum, got, 0.01);
    EXPECT_EQ((std::multiset<std::string>{"2024-03-01 00:00:00", "2024-03-02 00:00:00"}),
              env.Column("SELECT DISTINCT BillDate FROM " + table));
  };
}

// Removes one branch's rows of 1 March from a received report table.
Check RemovesFirstDay(std::string table) {
  return [=](const Env& env, const Result& result) {
    std::int64_t firstDay = 0;
    for (const auto& row : result.before) firstDay += row.at(0) == "2024-03-01 00:00:00" ? 1 : 0;
    EXPECT_LT(0, firstDay);
    EXPECT_EQ(firstDay, result.affected);
    EXPECT_EQ(std::multiset<std::string>{"2024-03-02 00:00:00"},
              env.Column("SELECT DISTINCT BillDate FROM " + table));
  };
}

void AddReports(std::vector<Row>& rows) {
  rows.push_back(WithParams(
      Exec("reports/sales per menu and day", kSalesTable,
           ReportTable("rp_BillItem_Temp", "bi_BillItem", "MenuID", "SumOfConsume", "theConsume")),
      kFirstTwoDays));
  rows.push_back(WithParams(Exec("reports/payments per subject and day", kCashierTable,
                                 ReportTable("rp_BillPayment_Temp", "bi_BillPayment", "SubjectID",
                                             "PaySum", "thePaySum")),
                            kFirstTwoDays));
  for (const auto& [temp, upload, after, number] :
       std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
           {"rp_BillItem_Temp", "rp_BillItem_Upload", "reports/sales per menu and day", "11"},
           {"rp_BillPayment_Temp", "rp_BillPayment_Upload", "reports/payments per subject and day",
            "12"}}) {
    rows.push_back(Select(
        "reports/" + number + " step reads " + temp, " SELECT * FROM [" + temp + "] ",
        [upload](const Env& env, const Result& result) {
          EXPECT_FALSE(result.rows.empty());
          EXPECT_EQ(env.ColumnNames("SELECT * FROM " + upload + " WHERE 1<>1"), result.columns);
        },
        {after}));
    rows.push_back(
        Select("reports/" + number + " days of " + temp,
               " SELECT DISTINCT BranchID,BranchName,BillDate FROM [" + temp + "] ",
               [](const Env&, const Result& result) {
                 EXPECT_EQ((std::vector<std::vector<std::string>>{{B, BN, "2024-03-01 00:00:00"},
                                                                  {B, BN, "2024-03-02 00:00:00"}}),
                           [&] {
                             auto sorted = result.rows;
                             std::sort(sorted.begin(), sorted.end());
                             return sorted;
                           }());
               },
               {after}));
    Row remove = Exec("reports/" + number + ".k delete a received day of " + upload,
                      " DELETE FROM [" + upload +
                          "]  WHERE BillDate =   '2024-03-01 00:00:00' AND "
                          "       BranchID =   '" +
                          B + "'  AND        BranchName = '" + BN + "'  ",
                      RemovesFirstDay(upload), {after});
    remove.setup = {"INSERT INTO " + upload + " SELECT * FROM " + temp};
    remove.snapshot = "SELECT BillDate FROM " + upload;
    rows.push_back(remove);
  }

  rows.push_back(Select("reports/inventory count", " SELECT COUNT(*) FROM st_Inventory_Full ",
                        [](const Env&, const Result& result) {
                          ASSERT_EQ(1u, result.rows.size());
                          EXPECT_EQ(30, static_cast<int>(Number(result.rows[0][0])));
                        }));
  rows.push_back(Select("reports/31 step reads the inventory with the branch",
                        " SELECT *,        '" + B + "' AS BranchID,        '" + BN +
                            "' AS BranchName  FROM st_Inventory_Full ",
                        [](const Env& env, const Result& result) {
                          EXPECT_EQ(30u, result.rows.size());
                          EXPECT_EQ(env.ColumnNames("SELECT * FROM rp_Inventory_Upload WHERE 1<>1"),
                                    result.columns);
                          for (const auto& row : result.rows) {
                            EXPECT_EQ(B, row.at(row.size() - 2));
                            EXPECT_EQ(BN, row.back());
                          }
                        }));
  Row inventory = Exec("reports/31.1 delete the branch's received inventory",
                       " DELETE FROM [rp_Inventory_Upload]  WHERE BranchID =   '" + B +
                           "'  AND        BranchName = '" + BN + "'  ",
                       [](const Env& env, const Result& result) {
                         EXPECT_EQ(30, result.affected);
                         EXPECT_EQ(std::multiset<std::string>{"B02"},
                                   env.Column("SELECT BranchID FROM rp_Inventory_Upload"));
                       });
  inventory.setup = {
      "INSERT INTO rp_Inventory_Upload SELECT ItemID, ItemName, Unit, Spec, ItemTypeID,"
      " ItemTypeName, LocationID, Qty, Amount, LastInTime, '" +
          B + "', '" + BN + "' FROM st_Inventory_Full",
      "INSERT INTO rp_Inventory_Upload (ItemID, BranchID, BranchName) VALUES ('I0001', 'B02', '" +
          BN + "')"};
  rows.push_back(inventory);

  // Stock documents of 2 and 3 March, keys prefixed, the store named after the branch.
  Row documents = Select(
      "reports/41 step reads the stock documents of a range",
      " SELECT       ('" + B + "-' + BL.BillID) AS BillID,         BillIDEx,BillTypeID,        '" +
          BN +
          "' AS StockName,         [From],[Into],Summary,         InOutFlag,TotalQty,TotalSum,"
          "ReferFlag,ReferBillID,BillYear,         BillMonth,BillDay,BillDate,CreatePerson,"
          "CreateTime,Audited,         AuditPerson,AuditTime,Archived,ArchivePerson,ArchiveTime,"
          "         Deleted,DeletePerson,DeleteTime,         Uploaded,UploadPerson,UploadTime,"
          "Remark  FROM st_Bill AS BL  WHERE BillDate >= #2024-03-02#      AND BillDate <  "
          "#2024-03-04# ",
      [](const Env& env, const Result& result) {
        std::multiset<std::string> want;
        for (const auto& row : env.Rows("SELECT BillID, BillDate FROM st_Bill")) {
          const auto day = row[1].substr(0, 10);
          if (day >= "2024-03-02" && day < "2024-03-04") want.insert(B + "-" + row[0]);
        }
        std::multiset<std::string> got;
        for (const auto& row : result.rows) {
          got.insert(row.at(0));
          EXPECT_EQ(BN, row.at(3));
        }
        EXPECT_EQ(4u, want.size());
        EXPECT_EQ(want, got);
        auto target = env.ColumnNames("SELECT * FROM st_Bill WHERE 1<>1");
        auto columns = result.columns;
        std::sort(target.begin(), target.end());
        std::sort(columns.begin(), columns.end());
        EXPECT_EQ(target, columns);
      });
  rows.push_back(documents);
  rows.push_back(Select(
      "reports/42 step reads the stock document lines of a range",
      " SELECT       ('" + B +
          "-' + BI.BillID) AS BillID,         BI.RowNum,BI.ItemID,BI.ItemName,"
          "BI.Spec,         BI.ItemTypeID,BI.ItemTypeName,BI.StockType,         BI.Unit,"
          "BI.UnitPrice,BI.TotalQty,BI.TotalSum,         BI.BalanceQty,BI.BalanceSum,BI.Remark  "
          "FROM st_BillItem AS BI, st_Bill AS BL  WHERE BI.BillID = BL.BillID    AND BL.BillDate "
          ">= #2024-03-02#      AND BL.BillDate <  #2024-03-04# ",
      [](const Env& env, const Result& result) {
        std::set<std::string> documents;
        for (const auto& row : env.Rows("SELECT BillID, BillDate FROM st_Bill")) {
          const auto day = row[1].substr(0, 10);
          if (day >= "2024-03-02" && day < "2024-03-04") documents.insert(row[0]);
        }
        std::multiset<std::string> want;
        for (const auto& id : KeysWhere(env, "st_BillItem", "BillID", "BillID", documents)) {
          want.insert(B + "-" + id);
        }
        std::multiset<std::string> got;
        for (const auto& row : result.rows) got.insert(row.at(0));
        EXPECT_FALSE(want.empty());
        EXPECT_EQ(want, got);
        EXPECT_EQ(env.ColumnNames("SELECT * FROM st_BillItem WHERE 1<>1"), result.columns);
      }));
  for (const auto& [table, key] : std::vector<std::pair<std::string, std::string>>{
           {"st_Bill", "BillID"}, {"st_BillItem", "RowNum"}}) {
    const char* pick = "SELECT BillID FROM st_Bill ORDER BY BillID";
    rows.push_back(DeletePicked(
        "reports/41 delete " + table + " of an arriving document",
        [table, pick](const Env& env) {
          return "DELETE FROM " + table + " WHERE BillID='" + Pick(env, pick) + "'";
        },
        table, key, Where(table, key, "BillID", pick)));
  }
}

// ---- the raw-material consumption of one day ---------------------------------

std::map<std::string, double> UsePerItem(const Env& env, const std::string& day) {
  std::map<std::string, double> use;
  for (const auto& row :
       env.Rows("SELECT ItemID, theQty, BillDate FROM st_BillItem_ByDepartment")) {
    if (row[2].substr(0, 10) == day) use[row[0]] += Number(row[1]);
  }
  return use;
}

std::map<std::string, double> BomPerItem(const Env& env, const std::string& day) {
  std::multimap<std::string, std::pair<std::string, double>> bom;
  for (const auto& row : env.Rows("SELECT MenuID, ItemID, UseAmount FROM mn_BOM")) {
    bom.emplace(row[0], std::make_pair(row[1], Number(row[2])));
  }
  std::set<std::string> bills;
  for (const auto& bill : Bills(env)) {
    if (bill.date == day) bills.insert(bill.id);
  }
  std::map<std::string, double> use;
  for (const auto& row :
       env.Rows("SELECT BillID, MenuID, AmountOrder, AmountCancel FROM bi_BillItem")) {
    if (!bills.count(row[0])) continue;
    const auto [first, last] = bom.equal_range(row[1]);
    for (auto it = first; it != last; ++it) {
      use[it->second.first] += it->second.second * (Number(row[2]) - Number(row[3]));
    }
  }
  return use;
}

// Every stock item has its row; `column` holds the expected quantity, 0 for
// items without one.
Check DayColumn(std::string table, std::string column,
                std::function<std::map<std::string, double>(const Env&)> expected) {
  return [=](const Env& env, const Result&) {
    const auto want = expected(env);
    EXPECT_FALSE(want.empty());
    const auto rows = env.Rows("SELECT ItemID, " + column + " FROM " + table);
    EXPECT_EQ(30u, rows.size());
    for (const auto& row : rows) {
      const auto found = want.find(row[0]);
      EXPECT_NEAR(found == want.end() ? 0.0 : found->second, Number(row[1]), 0.001)
          << table << " " << row[0];
    }
  };
}

void AddDayTables(std::vector<Row>& rows) {
  for (const std::string day : {"2024-03-02", "2024-03-03"}) {
    std::string stamp = day;
    stamp.erase(std::remove(stamp.begin(), stamp.end(), '-'), stamp.end());
    const std::string table = "st_BOM_" + stamp;
    const std::string work = "st_View_" + stamp;
    const std::string prefix = "consumption/" + day + " ";
    const db::Params dayParam{day + " 00:00:00"};
    rows.push_back(Exec(
        prefix + "create the empty day table",
        "   select b.BillDate, d.BranchID, d.BranchName,           s.ItemID,s.ItemName,s.Unit,"
        "s.Spec,           s.ItemTypeID,s.ItemTypeName,           b.TotalQty AS QtyUse, "
        "b.TotalQty AS QtyBom      into " +
            table + "     from st_Bill as b, dd_Branch as d, st_StockItem as s     where 1<>1 ",
        [table](const Env& env, const Result&) {
          EXPECT_EQ(0, env.Count("SELECT COUNT(*) FROM " + table));
          EXPECT_EQ(env.ColumnNames("SELECT * FROM st_BOM WHERE 1<>1"),
                    env.ColumnNames("SELECT * FROM " + table));
        }));
    rows.push_back(Exec(
        prefix + "one row per stock item",
        " insert into " + table +
            "   select 0 as BillDate,'' as BranchID,'' as BranchName,           ItemID,ItemName,"
            "Unit,Spec,           ItemTypeID,ItemTypeName,           0 AS QtyUse, 0 AS QtyBom      "
            "from st_StockItem  order by ItemID ",
        [table](const Env& env, const Result& result) {
          EXPECT_EQ(30, result.affected);
          EXPECT_EQ(AsSet(env.Column("SELECT ItemID FROM st_StockItem")),
                    AsSet(env.Column("SELECT ItemID FROM " + table)));
          EXPECT_EQ(0,
                    env.Count("SELECT COUNT(*) FROM " + table + " WHERE QtyUse<>0 OR QtyBom<>0"));
        },
        {prefix + "create the empty day table"}));
    rows.push_back(WithParams(
        Exec(prefix + "stamp the day and branch",
             " update " + table + "   set BillDate=?,        BranchID='" + B +
                 "',        BranchName='" + BN + "' ",
             [table, day](const Env& env, const Result& result) {
               EXPECT_EQ(30, result.affected);
               EXPECT_EQ(std::multiset<std::string>{day + " 00:00:00|" + B + "|" + BN}, [&] {
                 std::multiset<std::string> lines;
                 for (const auto& row :
                      env.Rows("SELECT DISTINCT BillDate, BranchID, BranchName FROM " + table)) {
                   lines.insert(row[0] + "|" + row[1] + "|" + row[2]);
                 }
                 return lines;
               }());
             },
             {prefix + "one row per stock item"}),
        dayParam));
    const std::string stamped = prefix + "stamp the day and branch";
    const auto use = [day](const Env& env) { return UsePerItem(env, day); };
    const auto bom = [day](const Env& env) { return BomPerItem(env, day); };

    rows.push_back(Only(
        On::Sqlite,
        WithParams(
            Exec(prefix + "Jet: actual use into the work table",
                 "   select ItemID,sum(theQty) as QtyUse      into " + work +
                     "     from st_BillItem_ByDepartment     where BillDate=?  group by ItemID ",
                 [work, use](const Env& env, const Result& result) {
                   EXPECT_EQ(static_cast<std::int64_t>(use(env).size()), result.affected);
                 },
                 {stamped}),
            dayParam)));
    rows.push_back(Only(
        On::Sqlite,
        Exec(prefix + "Jet: actual use from the work table",
             " update " + table + " as t,         " + work +
                 "  as v       set t.QtyUse=v.QtyUse       where t.ItemID=v.ItemID  ",
             DayColumn(table, "QtyUse", use), {prefix + "Jet: actual use into the work table"})));
    rows.push_back(Only(
        On::Sqlite,
        WithParams(
            Exec(prefix + "Jet: bill-of-materials use into the work table",
                 "   select mb.ItemID,           "
                 "sum(mb.UseAmount*(bi.AmountOrder-bi.AmountCancel)) as "
                 "QtyBom      into " +
                     work +
                     "     from mn_BOM as mb,bi_BillItem as bi, bi_Bill as bl     where "
                     "mb.MenuID=bi.MenuID "
                     "and bi.BillID=bl.BillID and           bl.BillDate=?  group by mb.ItemID ",
                 [bom](const Env& env, const Result& result) {
                   EXPECT_EQ(static_cast<std::int64_t>(bom(env).size()), result.affected);
                 },
                 {stamped}),
            dayParam)));
    rows.push_back(Only(
        On::Sqlite, Exec(prefix + "Jet: bill-of-materials use from the work table",
                         " update " + table + " as t,         " + work +
                             "  as v        set t.QtyBom=v.QtyBom       where t.ItemID=v.ItemID  ",
                         DayColumn(table, "QtyBom", bom),
                         {prefix + "Jet: bill-of-materials use into the work table"})));
    rows.push_back(Only(
        On::Postgres,
        WithParams(Exec(prefix + "SQL Server: actual use from a grouped query",
                        " update " + table +
                            "     set QtyUse=theView.QtyUse  from (    select ItemID,sum(theQty) "
                            "as QtyUse      from st_BillItem_ByDepartment     where BillDate=?  "
                            "group by ItemID ) as "
                            "theView,           " +
                            table + " as theBOM     where theBOM.ItemID=theView.ItemID ",
                        DayColumn(table, "QtyUse", use), {stamped}),
                   dayParam)));
    rows.push_back(Only(
        On::Postgres,
        WithParams(
            Exec(prefix + "SQL Server: bill-of-materials use from a grouped query",
                 " update " + table +
                     "    set QtyBom=theView.QtyBom  from (    select mb.ItemID,           "
                     "sum(mb.UseAmount*(bi.AmountOrder-bi.AmountCancel)) as QtyBom      from "
                     "mn_BOM as "
                     "mb,bi_BillItem as bi, bi_Bill as bl     where mb.MenuID=bi.MenuID and "
                     "bi.BillID=bl.BillID "
                     "and           bl.BillDate=?  group by mb.ItemID ) as theView,           " +
                     table + " as theBOM     where theBOM.ItemID=theView.ItemID ",
                 DayColumn(table, "QtyBom", bom), {stamped}),
            dayParam)));
  }
  rows.push_back(Select("consumption/43 step reads the day tables of a range",
                        " SELECT * FROM st_BOM_20240302 UNION ALL  SELECT * FROM st_BOM_20240303",
                        [](const Env& env, const Result& result) {
                          EXPECT_EQ(60u, result.rows.size());
                          EXPECT_EQ(env.ColumnNames("SELECT * FROM st_BOM WHERE 1<>1"),
                                    result.columns);
                        },
                        {"consumption/2024-03-02 stamp the day and branch",
                         "consumption/2024-03-03 stamp the day and branch"}));
  Row remove = Exec(
      "consumption/43.day delete a received day of the branch",
      " DELETE FROM st_BOM  WHERE BillDate='2024-03-02'  AND BranchID='" + B + "' ",
      [](const Env& env, const Result& result) {
        EXPECT_EQ(30, result.affected) << "a date-only literal matches the stored midnight";
        EXPECT_EQ(
            (std::multiset<std::string>{"B02|2024-03-02 00:00:00", "B01|2024-03-03 00:00:00"}),
            [&] {
              std::multiset<std::string> left;
              for (const auto& row : env.Rows("SELECT DISTINCT BranchID, BillDate FROM st_BOM")) {
                left.insert(row[0] + "|" + row[1]);
              }
              return left;
            }());
      },
      {"consumption/2024-03-02 stamp the day and branch",
       "consumption/2024-03-03 stamp the day and branch"});
  remove.setup = {"INSERT INTO st_BOM SELECT * FROM st_BOM_20240302",
                  "INSERT INTO st_BOM SELECT * FROM st_BOM_20240303",
                  "INSERT INTO st_BOM (BillDate, BranchID, ItemID) VALUES ('2024-03-02 00:00:00', "
                  "'B02', 'I0001')"};
  rows.push_back(remove);
}

// ---- member synchronisation ----------------------------------------------------

void AddMembers(std::vector<Row>& rows) {
  for (const auto& [table, key, replaceBy] :
       std::vector<std::tuple<std::string, std::string, std::string>>{
           {"mb_Member", "MemberID", "MemberID"},
           {"mb_MemberCard", "MemberCardID", "MemberID"},
           {"mb_Consume", "ConsumeID", "ConsumeID"},
           {"mb_Summary", "SummaryID", "SummaryID"},
           {"mb_GiftSend", "GiftSendID", "GiftSendID"}}) {
    const std::string waiting = "SELECT " + key + " FROM " + table + " WHERE IsUploaded=0";
    const auto unsent = [table, key](const Env& env) {
      return KeysWhere(env, table, key, "IsUploaded", {"0"});
    };
    rows.push_back(Select("members/count " + table,
                          " SELECT COUNT(*) FROM " + table + " WHERE IsUploaded=0 ",
                          [unsent](const Env& env, const Result& result) {
                            ASSERT_EQ(1u, result.rows.size());
                            EXPECT_EQ(static_cast<std::int64_t>(unsent(env).size()),
                                      static_cast<std::int64_t>(Number(result.rows[0][0])));
                            EXPECT_LT(0u, unsent(env).size());
                          }));
    rows.push_back(Select("members/step reads " + table,
                          " SELECT * FROM " + table + " WHERE IsUploaded=0 ",
                          [unsent](const Env& env, const Result& result) {
                            std::multiset<std::string> got;
                            for (const auto& row : result.rows) got.insert(row.at(0));
                            EXPECT_EQ(unsent(env), got);
                          }));
    const std::string pick =
        "SELECT " + replaceBy + " FROM " + table + " WHERE IsUploaded=0 ORDER BY " + replaceBy;
    rows.push_back(DeletePicked(
        "members/delete the earlier copy in " + table,
        [table, replaceBy, pick](const Env& env) {
          return " DELETE FROM " + table + " WHERE " + replaceBy + "='" + Pick(env, pick) + "' ";
        },
        table, key, Where(table, key, replaceBy, pick)));
    Row mark =
        Exec("members/mark " + table + " uploaded",
             " UPDATE " + table + " SET IsUploaded=1 WHERE IsUploaded=0 ",
             [table](const Env& env, const Result& result) {
               EXPECT_FALSE(result.before.empty());
               EXPECT_EQ(static_cast<std::int64_t>(result.before.size()), result.affected);
               EXPECT_EQ(0, env.Count("SELECT COUNT(*) FROM " + table + " WHERE IsUploaded<>1"));
             });
    mark.snapshot = waiting;
    rows.push_back(mark);
  }
}

// ---- business data backup ------------------------------------------------------

void AddBackup(std::vector<Row>& rows) {
  const std::string range = " WHERE BillDate>= #2024-03-02# AND BillDate<#2024-03-04#";
  const auto inRange = [](const Env& env) { return BillsBetween(env, "2024-03-02", "2024-03-04"); };
  rows.push_back(Select("backup/1 bills of a range", " SELECT * FROM bi_Bill " + range,
                        SelectsKeys([inRange](const Env& env) {
                          const auto ids = inRange(env);
                          return std::multiset<std::string>(ids.begin(), ids.end());
                        })));
  const std::string byBill =
      " WHERE BillID IN (SELECT BillID FROM bi_Bill  WHERE BillDate>= #2024-03-02# AND "
      "BillDate<#2024-03-04#)";
  rows.push_back(Select("backup/2 payments of a range", " SELECT * FROM bi_BillPayment " + byBill,
                        SelectsKeys([inRange](const Env& env) {
                          return KeysWhere(env, "bi_BillPayment", "BillPaymentID", "BillID",
                                           inRange(env));
                        })));
  rows.push_back(Select("backup/3 items of a range", " SELECT * FROM bi_BillItem " + byBill,
                        SelectsKeys([inRange](const Env& env) {
                          return KeysWhere(env, "bi_BillItem", "BillItemID", "BillID",
                                           inRange(env));
                        })));
  rows.push_back(Select(
      "backup/4 split lines of a range",
      " SELECT * FROM bi_SubBill  WHERE BillItemID IN (SELECT BI.BillItemID FROM bi_Bill AS BL, "
      "bi_BillItem AS BI  WHERE BL.BillID=BI.BillID  AND BL.BillDate>=#2024-03-02# AND "
      "BL.BillDate<#2024-03-04#) ",
      SelectsKeys([inRange](const Env& env) {
        return KeysWhere(env, "bi_SubBill", "SubBillID", "BillItemID",
                         StagedItems(env, inRange(env)));
      })));
  for (const auto& [table, key] :
       std::vector<std::pair<std::string, std::string>>{{"bi_Bill", "BillID"},
                                                        {"bi_BillPayment", "BillPaymentID"},
                                                        {"bi_BillItem", "BillItemID"},
                                                        {"bi_SubBill", "SubBillID"}}) {
    rows.push_back(Select("backup/all of " + table, " SELECT * FROM " + table + " ",
                          SelectsKeys([table, key](const Env& env) {
                            return env.Column("SELECT " + key + " FROM " + table);
                          })));
  }
  const char* item = "SELECT BillItemID FROM bi_SubBill ORDER BY BillItemID";
  for (const auto& [table, key] : std::vector<std::pair<std::string, std::string>>{
           {"bi_BillItem", "BillItemID"}, {"bi_SubBill", "SubBillID"}}) {
    rows.push_back(DeletePicked(
        "backup/3x restore deletes " + table + " of an item",
        [table, item](const Env& env) {
          return "DELETE FROM " + table + " WHERE BillItemID='" + Pick(env, item) + "'";
        },
        table, key, Where(table, key, "BillItemID", item)));
  }
}

// ---- base data catalogue ---------------------------------------------------------

const std::vector<std::string>& CatalogueTables() {
  static const std::vector<std::string> tables{"sys_WorkStation",
                                               "dd_Discount",
                                               "dd_DiscountItem",
                                               "dd_Period",
                                               "dd_Reason",
                                               "dd_Subject",
                                               "dd_SubjectType",
                                               "ac_Account",
                                               "ac_AccountType",
                                               "mn_SentType",
                                               "mn_SentMenu",
                                               "mn_CancelType",
                                               "mn_CancelMenu",
                                               "mn_BOM",
                                               "mn_CookwayType",
                                               "mn_CookwaySet",
                                               "mn_Depart",
                                               "mn_Depart_Area",
                                               "mn_Depart_Place",
                                               "mn_DepartType",
                                               "mn_Menu",
                                               "mn_MenuPart",
                                               "mn_MenuSet",
                                               "mn_MenuType",
                                               "mn_MenuUnit",
                                               "mn_Place",
                                               "mn_Request",
                                               "mn_RequestType",
                                               "mn_TasteType",
                                               "mn_SpecailMenu",
                                               "mn_SpecailType",
                                               "mn_MenuPrice",
                                               "mn_MenuPriceItem",
                                               "tb_Table",
                                               "tb_TableArea",
                                               "tb_TableType",
                                               "tb_TableMenu",
                                               "tb_BookType",
                                               "prn_Printer",
                                               "prn_PrinterList",
                                               "prn_PrinterList_Department",
                                               "prn_PrinterList_Place",
                                               "prn_PrinterQueue",
                                               "prn_Setting",
                                               "dd_SupplierType",
                                               "dd_Supplier",
                                               "st_Location",
                                               "st_Department",
                                               "st_ItemType",
                                               "st_Item",
                                               "st_ItemUnit",
                                               "mb_Gift",
                                               "mb_MemberType",
                                               "pv_UserGroup",
                                               "pv_User",
                                               "pv_Privilege",
                                               "pv_DiscountPV",
                                               "pv_SentMenuPV",
                                               "pv_CancelMenuPV"};
  return tables;
}

Check Empties(std::string table) {
  return [=](const Env& env, const Result& result) {
    EXPECT_LT(0u, result.before.size());
    EXPECT_EQ(static_cast<std::int64_t>(result.before.size()), result.affected);
    EXPECT_EQ(0, env.Count("SELECT COUNT(*) FROM " + table));
  };
}

Row Emptying(std::string id, std::string sql, const std::string& table) {
  Row row = Exec(std::move(id), std::move(sql), Empties(table));
  row.snapshot = "SELECT * FROM " + table;
  return row;
}

void AddCatalogue(std::vector<Row>& rows) {
  for (const auto& table : CatalogueTables()) {
    rows.push_back(Select("catalogue/backup reads " + table, " SELECT * FROM [" + table + "] ",
                          [table](const Env& env, const Result& result) {
                            EXPECT_LT(0u, result.rows.size());
                            EXPECT_EQ(env.Count("SELECT COUNT(*) FROM " + table),
                                      static_cast<std::int64_t>(result.rows.size()));
                          }));
    rows.push_back(
        Emptying("catalogue/restore empties " + table, " DELETE   FROM [" + table + "] ", table));
    if (table == "dd_Subject" || table == "dd_SubjectType") continue;
    rows.push_back(
        Emptying("catalogue/delete empties " + table, " DELETE FROM [" + table + "] ", table));
  }
  for (const auto& [table, key, kept, filter] :
       std::vector<std::tuple<std::string, std::string, std::string, std::string>>{
           {"dd_Subject", "SubjectID", "10101", " where SubjectID     <> '10101' "},
           {"dd_SubjectType", "SubjectTypeID", "101", " where SubjectTypeID <> '101'   "}}) {
    Row row =
        Exec("catalogue/delete keeps the built-in row of " + table,
             " DELETE FROM [" + table + "] " + filter,
             [table, key, kept](const Env& env, const Result& result) {
               EXPECT_EQ(static_cast<std::int64_t>(result.before.size()) - 1, result.affected);
               EXPECT_EQ(std::multiset<std::string>{kept},
                         env.Column("SELECT " + key + " FROM " + table));
             });
    row.snapshot = "SELECT * FROM " + table;
    rows.push_back(row);
  }
}

// ---- business data delete ------------------------------------------------------------

void AddBusinessDelete(std::vector<Row>& rows) {
  const std::string f1 =
      " WHERE BillItemID IN (SELECT BI.BillItemID FROM bi_Bill AS BL, bi_BillItem AS BI  WHERE "
      "BL.BillID=BI.BillID AND BL.BillDate>=? AND BL.BillDate<?) ";
  const std::string f2 =
      " WHERE BillID IN (SELECT BillID FROM bi_Bill  WHERE BillDate>=? AND BillDate<?) ";
  const std::string f3 = " WHERE BillDate>=? AND BillDate<? ";
  const auto inRange = [](const Env& env) { return BillsBetween(env, "2024-03-02", "2024-03-04"); };
  struct Step {
    std::string table, key, link, filter;
  };
  const std::vector<Step> steps{
      {"bi_SubBill", "SubBillID", "item", "DELETE FROM bi_SubBill" + f1},
      {"bi_SubItem", "SubItemID", "item", "DELETE FROM bi_SubItem" + f1},
      {"bi_BillLog", "BillLogID", "BillID", "DELETE FROM bi_BillLog" + f2},
      {"bi_BillItem", "BillItemID", "BillID", "DELETE FROM bi_BillItem" + f2},
      {"bi_BillPayment", "BillPaymentID", "BillID", "DELETE FROM bi_BillPayment" + f2},
      {"bi_Bill", "BillID", "BillID", " DELETE FROM bi_Bill " + f3}};
  std::vector<std::string> earlier;
  for (const auto& step : steps) {
    const Step s = step;
    Row row = Delete(
        "delete/range " + s.table, s.filter, s.table, s.key,
        [s, inRange](const Env& env) {
          if (s.link == "item") {
            // The items are still there: their lines go first.
            return KeysWhere(env, s.table, s.key, "BillItemID", StagedItems(env, inRange(env)));
          }
          return KeysWhere(env, s.table, s.key, "BillID", inRange(env));
        },
        earlier);
    row.params = kSecondAndThirdDay;
    rows.push_back(row);
    earlier.push_back(row.id);
  }
  earlier.clear();
  for (const auto& step : steps) {
    std::string all = step.filter.substr(0, step.filter.find(" WHERE"));
    if (step.table == "bi_Bill") all = " DELETE FROM bi_Bill ";
    Row row = Emptying("delete/all " + step.table, all, step.table);
    row.after = earlier;
    rows.push_back(row);
    earlier.push_back(row.id);
    std::string open = all;
    open.replace(open.find("bi_"), 3, "bi_Temp");
    Row temp = Emptying("delete/open " + step.table, open, "bi_Temp" + step.table.substr(3));
    rows.push_back(temp);
  }
  rows.push_back(Exec("delete/open bills free every table", "UPDATE tb_Table SET TableState=0",
                      [](const Env& env, const Result& result) {
                        EXPECT_EQ(20, result.affected);
                        EXPECT_EQ(0,
                                  env.Count("SELECT COUNT(*) FROM tb_Table WHERE TableState<>0"));
                      }));
  rows.push_back(Emptying("delete/print jobs", "DELETE FROM prn_PrintJob", "prn_PrintJob"));
  rows.push_back(
      Emptying("delete/print job lines", "DELETE FROM prn_PrintJobItem", "prn_PrintJobItem"));
}

// ---- stock data backup and delete ----------------------------------------------------

void AddStock(std::vector<Row>& rows) {
  const auto documentsInRange = [](const Env& env) {
    std::set<std::string> ids;
    for (const auto& row : env.Rows("SELECT BillID, BillDate FROM st_Bill")) {
      const auto day = row[1].substr(0, 10);
      if (day >= "2024-03-02" && day < "2024-03-04") ids.insert(row[0]);
    }
    return ids;
  };
  rows.push_back(
      Select("stock/backup documents of a range",
             " SELECT * FROM st_Bill  WHERE BillDate>= #2024-03-02# AND BillDate<#2024-03-04#",
             SelectsKeys([documentsInRange](const Env& env) {
               const auto ids = documentsInRange(env);
               return std::multiset<std::string>(ids.begin(), ids.end());
             })));
  rows.push_back(Select("stock/backup document lines of a range",
                        " SELECT * FROM st_BillItem  WHERE BillID IN (SELECT BillID FROM st_Bill  "
                        "WHERE BillDate>= #2024-03-02# AND BillDate<#2024-03-04#)",
                        SelectsKeys([documentsInRange](const Env& env) {
                          return KeysWhere(env, "st_BillItem", "BillID", "BillID",
                                           documentsInRange(env));
                        })));
  for (const std::string table : {"st_Bill", "st_BillItem"}) {
    rows.push_back(Select("stock/backup all of " + table, " SELECT * FROM " + table + " ",
                          SelectsKeys([table](const Env& env) {
                            return env.Column("SELECT BillID FROM " + table);
                          })));
  }
  Row lines =
      Delete("stock/delete document lines of a range",
             "DELETE FROM st_BillItem WHERE BillID IN (SELECT BillID FROM st_Bill  WHERE "
             "BillDate>=? AND BillDate<?) ",
             "st_BillItem", "BillID", [documentsInRange](const Env& env) {
               return KeysWhere(env, "st_BillItem", "BillID", "BillID", documentsInRange(env));
             });
  lines.params = kSecondAndThirdDay;
  rows.push_back(lines);
  Row documents =
      Delete("stock/delete documents of a range",
             " DELETE FROM st_Bill  WHERE BillDate>=? AND BillDate<? ", "st_Bill", "BillID",
             [documentsInRange](const Env& env) {
               return KeysWhere(env, "st_Bill", "BillID", "BillID", documentsInRange(env));
             },
             {"stock/delete document lines of a range"});
  documents.params = kSecondAndThirdDay;
  rows.push_back(documents);
  rows.push_back(
      Emptying("stock/delete all document lines", "DELETE FROM st_BillItem", "st_BillItem"));
  Row all = Emptying("stock/delete all documents", " DELETE FROM st_Bill ", "st_Bill");
  all.after = {"stock/delete all document lines"};
  rows.push_back(all);
  for (const std::string table : {"st_Location", "st_Department", "st_ItemType", "st_Item",
                                  "dd_SupplierType", "dd_Supplier"}) {
    rows.push_back(Emptying("stock/delete master " + table, "DELETE FROM " + table, table));
  }
}

// ---- the dialect probe and the table helpers ---------------------------------------

void AddProbes(std::vector<Row>& rows) {
  Row probe = Select("probe/dialect", "SELECT GetDate()", [](const Env& env, const Result& result) {
    ASSERT_FALSE(env.IsSqlite()) << "the dialect probe must fail on SQLite";
    ASSERT_EQ(1u, result.rows.size());
    EXPECT_EQ(19u, result.rows[0][0].size()) << result.rows[0][0];
    EXPECT_EQ("20", result.rows[0][0].substr(0, 2));
  });
  probe.failsOnSqlite = true;
  rows.push_back(probe);
  rows.push_back(Select("probe/table exists", " SELECT * FROM  [bi_UnCheckBill]  WHERE 1<>1 ",
                        [](const Env&, const Result& result) {
                          EXPECT_TRUE(result.rows.empty());
                          EXPECT_FALSE(result.columns.empty());
                        }));
  rows.push_back(Exec("probe/drop a staging table", " DROP TABLE  [bi_BillID_Upload] ",
                      [](const Env& env, const Result&) {
                        EXPECT_FALSE(env.TableExists("bi_BillID_Upload"));
                        EXPECT_TRUE(env.TableExists("bi_Bill"));
                      },
                      {"upload/stage bill ids"}));
}

}  // namespace

const std::vector<Row>& CorpusRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> all;
    AddBillUpload(all);
    AddBillPackage(all);
    AddDateRangeUpload(all);
    AddReports(all);
    AddDayTables(all);
    AddMembers(all);
    AddBackup(all);
    AddCatalogue(all);
    AddBusinessDelete(all);
    AddStock(all);
    AddProbes(all);
    return all;
  }();
  return rows;
}

}  // namespace tavex::test
