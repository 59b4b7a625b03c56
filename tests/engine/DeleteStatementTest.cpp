#include <gtest/gtest.h>

#include "engine/DeleteStatement.h"
#include "engine/PackageFailure.h"

namespace tavex::engine {
namespace {

const std::vector<std::string> kBillTables = {"bi_Bill",           "bi_BillPayment",
                                              "bi_BillItem",       "bi_SubBill",
                                              "bi_OctopusPayment", "rp_BillItem_Upload"};

struct Accepted {
  const char* name;
  int kind;
  const char* sql;
  const char* expected;
  db::Params params;
};

class AcceptedShape : public ::testing::TestWithParam<Accepted> {};

TEST_P(AcceptedShape, IsRebuiltWithBoundValues) {
  const Accepted& c = GetParam();
  const DeleteStatement statement = DeleteStatement::Parse(c.sql, c.kind, kBillTables);
  db::Params params;
  EXPECT_EQ(c.expected, statement.SetSql("inc", params));
  EXPECT_EQ(c.params, params);
}

INSTANTIATE_TEST_SUITE_P(
    Package, AcceptedShape,
    ::testing::Values(
        Accepted{"OnePlaceholder",
                 5,
                 "DELETE FROM bi_Bill WHERE BillID='{BillID}'",
                 "DELETE FROM [bi_Bill] WHERE [BillID] IN (SELECT [BillID] FROM [inc])",
                 {}},
        Accepted{"SubqueryOverAFilledTable",
                 5,
                 "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID FROM "
                 "bi_BillItem WHERE BillID='{BillID}')",
                 "DELETE FROM [bi_SubBill] WHERE [BillItemID] IN (SELECT [BillItemID] FROM "
                 "[bi_BillItem] WHERE [BillID] IN (SELECT [BillID] FROM [inc]))",
                 {}},
        Accepted{"SeveralPlaceholdersMatchOneRow",
                 5,
                 "DELETE FROM bi_OctopusPayment WHERE BillID='{BillID}' AND CardID='{CardID}' AND "
                 "DeviceID='{DeviceID}' ",
                 "DELETE FROM [bi_OctopusPayment] WHERE ([BillID],[CardID],[DeviceID]) IN (SELECT "
                 "[BillID],[CardID],[DeviceID] FROM [inc])",
                 {}},
        Accepted{"KeywordsAndNamesIgnoreCase",
                 5,
                 " delete from BI_BILL where billid='{BillID}' ;",
                 "DELETE FROM [BI_BILL] WHERE [billid] IN (SELECT [BillID] FROM [inc])",
                 {}},
        Accepted{"WholeTableInBrackets",
                 4,
                 " DELETE   FROM [bi_BillItem] ",
                 "DELETE FROM [bi_BillItem]",
                 {}},
        Accepted{
            "LiteralsBecomeParameters",
            4,
            " DELETE FROM [rp_BillItem_Upload]  WHERE BillDate =   '2024-03-01 00:00:00' AND   "
            "     BranchID =   'B01'  AND        BranchName = 'O''Brien {1}'  ",
            "DELETE FROM [rp_BillItem_Upload] WHERE [BillDate]=? AND [BranchID]=? AND "
            "[BranchName]=?",
            {std::string("2024-03-01 00:00:00"), std::string("B01"), std::string("O'Brien {1}")}},
        Accepted{"LiteralNextToPlaceholder",
                 5,
                 "DELETE FROM bi_Bill WHERE BranchID='B01' AND BillID='{BillID}'",
                 "DELETE FROM [bi_Bill] WHERE [BranchID]=? AND [BillID] IN (SELECT [BillID] FROM "
                 "[inc])",
                 {std::string("B01")}}),
    [](const auto& info) { return info.param.name; });

struct Rejected {
  const char* name;
  int kind;
  const char* sql;
};

class RejectedShape : public ::testing::TestWithParam<Rejected> {};

TEST_P(RejectedShape, MakesThePackageDamaged) {
  const Rejected& c = GetParam();
  EXPECT_THROW(DeleteStatement::Parse(c.sql, c.kind, kBillTables), PackageFailure) << c.sql;
}

INSTANTIATE_TEST_SUITE_P(
    Package, RejectedShape,
    ::testing::Values(
        Rejected{"DropTable", 4, "DROP TABLE pv_User"},
        Rejected{"TableNotFilled", 5, "DELETE FROM pv_User WHERE UserID='{BillID}'"},
        Rejected{"SubqueryReadsTableNotFilled", 5,
                 "DELETE FROM bi_Bill WHERE BillID IN (SELECT UserID FROM pv_User)"},
        Rejected{"SecondStatement", 4, "DELETE FROM bi_Bill; DROP TABLE bi_Bill"},
        Rejected{"AlwaysTrue", 4, "DELETE FROM bi_Bill WHERE 1=1"},
        Rejected{"OrInjection", 4, "DELETE FROM bi_Bill WHERE BillID='x' OR '1'='1'"},
        Rejected{"Comment", 4, "DELETE FROM bi_Bill -- all"},
        Rejected{"Update", 4, "UPDATE bi_Bill SET IsUploaded=0"},
        Rejected{"DoubleQuotedName", 4, "DELETE FROM \"pv_User\""},
        Rejected{"QualifiedName", 4, "DELETE FROM main.bi_Bill"},
        Rejected{"UnclosedQuote", 5, "DELETE FROM bi_Bill WHERE BillID='{BillID}"},
        Rejected{"PartialPlaceholder", 5, "DELETE FROM bi_Bill WHERE BillID='B01-{BillID}'"},
        Rejected{"PlaceholdersOnTwoLevels", 5,
                 "DELETE FROM bi_SubBill WHERE SubBillID='{SubBillID}' AND BillItemID IN (SELECT "
                 "BillItemID FROM bi_BillItem WHERE BillID='{BillID}')"},
        Rejected{"SourceKind", 3, "DELETE FROM bi_Bill"},
        Rejected{"UnknownKind", 7, "DELETE FROM bi_Bill"}),
    [](const auto& info) { return info.param.name; });

TEST(DeleteStatementFields, AreListedOnceInOrderOfUse) {
  const auto statement = DeleteStatement::Parse(
      "DELETE FROM bi_Bill WHERE BillID='{BillID}' AND BranchID='{BranchID}' AND "
      "BillIDEx='{billid}'",
      5, kBillTables);
  EXPECT_EQ((std::vector<std::string>{"BillID", "BranchID"}), statement.Fields());
  EXPECT_EQ("bi_Bill", statement.Table());
}

}  // namespace
}  // namespace tavex::engine
