#include <gtest/gtest.h>

#include <string>

#include "database/StatementRewriter.h"

namespace tavex::db {
namespace {

struct Case {
  const char* name;
  const char* input;
  const char* sqlite;
  const char* postgres;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

class Rewriting : public testing::TestWithParam<Case> {};

TEST_P(Rewriting, GivesTheExactBackendText) {
  const Case& c = GetParam();
  EXPECT_EQ(c.sqlite, RewriteStatement(c.input, Backend::Sqlite).text);
  EXPECT_EQ(c.postgres, RewriteStatement(c.input, Backend::Postgres).text);
}

const Case kCases[] = {
    {"PlainStatementUnchanged", " SELECT a, b FROM t WHERE a=1 ", " SELECT a, b FROM t WHERE a=1 ",
     " SELECT a, b FROM t WHERE a=1 "},
    {"ConcatWithLiteralBecomesParenthesisedPipes", "SELECT 'B01-'+BillID AS BillID FROM bi_Bill",
     "SELECT ('B01-'||BillID) AS BillID FROM bi_Bill",
     "SELECT ('B01-'||BillID) AS BillID FROM bi_Bill"},
    {"ConcatChainOfThree", "SELECT BranchID+'-'+BillID FROM t",
     "SELECT (BranchID||'-'||BillID) FROM t", "SELECT (BranchID||'-'||BillID) FROM t"},
    {"ConcatInSetAssignment", "UPDATE t SET k='B01-'+k WHERE k<>''",
     "UPDATE t SET k=('B01-'||k) WHERE k<>''", "UPDATE t SET k=('B01-'||k) WHERE k<>''"},
    {"ConcatCompoundOperandWrapped", "SELECT 'n'+a*2 FROM t", "SELECT ('n'||(a*2)) FROM t",
     "SELECT ('n'||(a*2)) FROM t"},
    {"ConcatInsideFunctionArgument", "SELECT max('x'+a) FROM t", "SELECT max(('x'||a)) FROM t",
     "SELECT max(('x'||a)) FROM t"},
    {"ConcatWithFunctionOperand", "SELECT 'x'+lower(a) FROM t", "SELECT ('x'||lower(a)) FROM t",
     "SELECT ('x'||lower(a)) FROM t"},
    {"NumericAdditionUnchanged", "SELECT a+1, b+c FROM t", "SELECT a+1, b+c FROM t",
     "SELECT a+1, b+c FROM t"},
    {"PlusInsideStringLiteralUntouched", "SELECT 'a+b' FROM t", "SELECT 'a+b' FROM t",
     "SELECT 'a+b' FROM t"},
    {"DoubledQuoteInLiteral", "SELECT 'it''s'+a FROM t", "SELECT ('it''s'||a) FROM t",
     "SELECT ('it''s'||a) FROM t"},
    {"JetDateLiteral", "SELECT * FROM t WHERE d>=#2024-03-01# AND d<#2024-04-01#",
     "SELECT * FROM t WHERE d>='2024-03-01 00:00:00' AND d<'2024-04-01 00:00:00'",
     "SELECT * FROM t WHERE d>=TIMESTAMP '2024-03-01 00:00:00' AND d<TIMESTAMP '2024-04-01 "
     "00:00:00'"},
    {"JetDateTimeLiteral", "SELECT #2024-3-1 7:05#", "SELECT '2024-03-01 07:05:00'",
     "SELECT TIMESTAMP '2024-03-01 07:05:00'"},
    {"DateOnlyLiteralInComparison", "SELECT * FROM t WHERE d>='2024-03-01'",
     "SELECT * FROM t WHERE d>='2024-03-01 00:00:00'", "SELECT * FROM t WHERE d>='2024-03-01'"},
    {"DateOnlyLiteralOutsideComparisonKept", "INSERT INTO t VALUES ('2024-03-01')",
     "INSERT INTO t VALUES ('2024-03-01')", "INSERT INTO t VALUES ('2024-03-01')"},
    {"TopBecomesLimit", " SELECT TOP 1 * FROM bi_Bill WHERE IsUploaded=0 ",
     " SELECT * FROM bi_Bill WHERE IsUploaded=0 LIMIT 1 ",
     " SELECT * FROM bi_Bill WHERE IsUploaded=0 LIMIT 1 "},
    {"TopInSubqueryLimitsTheSubquery",
     "SELECT * FROM t WHERE k IN (SELECT DISTINCT TOP 5 k FROM u ORDER BY k) ORDER BY k",
     "SELECT * FROM t WHERE k IN (SELECT DISTINCT k FROM u ORDER BY k LIMIT 5) ORDER BY k",
     "SELECT * FROM t WHERE k IN (SELECT DISTINCT k FROM u ORDER BY k NULLS FIRST LIMIT 5) ORDER "
     "BY k NULLS FIRST"},
    {"SelectIntoBecomesCreateTableAsOnSqlite",
     " SELECT  BillID INTO bi_BillID_Upload    FROM bi_Bill   WHERE IsUploaded=0 ",
     " CREATE TABLE bi_BillID_Upload AS SELECT  BillID    FROM bi_Bill   WHERE IsUploaded=0 ",
     " SELECT  BillID INTO bi_BillID_Upload    FROM bi_Bill   WHERE IsUploaded=0 "},
    {"SelectIntoBracketedTarget", "SELECT a INTO [rp_Temp] FROM t",
     "CREATE TABLE [rp_Temp] AS SELECT a FROM t", "SELECT a INTO \"rp_temp\" FROM t"},
    {"BracketsFoldAsciiOnlyOnPostgres", "SELECT [BillID], [Straße] FROM [bi_Bill]",
     "SELECT [BillID], [Straße] FROM [bi_Bill]", "SELECT \"billid\", \"straße\" FROM \"bi_bill\""},
    {"GetDateOnlyOnPostgres", "SELECT GetDate()", "SELECT GetDate()", "SELECT LOCALTIMESTAMP"},
    {"ParametersNumberedOnPostgres", "UPDATE t SET a=?, b=? WHERE c=?",
     "UPDATE t SET a=tavex_datetime(?), b=tavex_datetime(?) WHERE c=tavex_datetime(?)",
     "UPDATE t SET a=$1, b=$2 WHERE c=$3"},
    {"ParameterOutsideComparisonNotWrapped", "INSERT INTO t VALUES (?, ?)",
     "INSERT INTO t VALUES (?, ?)", "INSERT INTO t VALUES ($1, $2)"},
    {"QuestionMarkInLiteralAndCommentIsNoParameter",
     "SELECT '?' -- what?\n FROM t /* ? */ WHERE a=?",
     "SELECT '?' -- what?\n FROM t /* ? */ WHERE a=tavex_datetime(?)",
     "SELECT '?' -- what?\n FROM t /* ? */ WHERE a=$1"},
    {"TsqlUpdateFromDropsRepeatedTargetAndMovesAlias",
     " update D     set QtyUse=theView.QtyUse  from (    select ItemID,sum(theQty) as QtyUse      "
     "from W     where BillDate=?  group by ItemID ) as theView,           D as theBOM     where "
     "theBOM.ItemID=theView.ItemID ",
     " update D as theBOM     set QtyUse=theView.QtyUse  from (    select ItemID,sum(theQty) as "
     "QtyUse      from W     where BillDate=tavex_datetime(?)  group by ItemID ) as theView     "
     "where theBOM.ItemID=theView.ItemID ",
     " update D as theBOM     set QtyUse=theView.QtyUse  from (    select ItemID,sum(theQty) as "
     "QtyUse      from W     where BillDate=$1  group by ItemID ) as theView     where "
     "theBOM.ItemID=theView.ItemID "},
    {"TsqlUpdateWithTargetNamedByAlias", "UPDATE a SET c=v.c FROM t AS a, v WHERE a.k=v.k",
     "UPDATE t AS a SET c=v.c FROM v WHERE a.k=v.k",
     "UPDATE t AS a SET c=v.c FROM v WHERE a.k=v.k"},
    {"TsqlUpdateRepeatedTargetWithoutAlias", "UPDATE t SET t.c=u.c FROM t, u WHERE t.k=u.k",
     "UPDATE t SET c=u.c FROM u WHERE t.k=u.k", "UPDATE t SET c=u.c FROM u WHERE t.k=u.k"},
    {"TsqlUpdateRepeatedTargetFirstWithoutBlankAfterComma",
     "UPDATE t SET c=1 FROM t,u WHERE t.k=u.k", "UPDATE t SET c=1 FROM u WHERE t.k=u.k",
     "UPDATE t SET c=1 FROM u WHERE t.k=u.k"},
    {"JetUpdateOfTwoTables",
     " update D as t,         W  as v       set t.QtyUse=v.QtyUse       where t.ItemID=v.ItemID  ",
     " update D as t       set QtyUse=v.QtyUse FROM W  as v       where t.ItemID=v.ItemID  ",
     " update D as t       set QtyUse=v.QtyUse FROM W  as v       where t.ItemID=v.ItemID  "},
    {"JetUpdateWithoutWhere", "update a as x, b as y set x.c=y.c, x.d=y.d",
     "update a as x set c=y.c, d=y.d FROM b as y", "update a as x set c=y.c, d=y.d FROM b as y"},
    {"ZeroIntoDateColumnOnPostgres",
     " insert into D   select 0 as BillDate,'' as BranchID, ItemID, 0 AS QtyUse from S order by "
     "ItemID ",
     " insert into D   select 0 as BillDate,'' as BranchID, ItemID, 0 AS QtyUse from S order by "
     "ItemID ",
     " insert into D   select TIMESTAMP '1900-01-01 00:00:00' as BillDate,'' as BranchID, ItemID, "
     "0 AS QtyUse from S order by ItemID NULLS FIRST "},
    {"OrderByNullsLikeSqlServer", "SELECT a FROM t ORDER BY a DESC, b",
     "SELECT a FROM t ORDER BY a DESC, b",
     "SELECT a FROM t ORDER BY a DESC NULLS LAST, b NULLS FIRST"},
    {"HashThatIsNoDateIsKept", "SELECT a FROM t WHERE b='#'", "SELECT a FROM t WHERE b='#'",
     "SELECT a FROM t WHERE b='#'"},
};

INSTANTIATE_TEST_SUITE_P(, Rewriting, testing::ValuesIn(kCases), CaseName);

TEST(RewritingRules, CountsParametersOutsideLiterals) {
  EXPECT_EQ(2u,
            RewriteStatement("SELECT '?' FROM t WHERE a=? AND b<?", Backend::Sqlite).paramCount);
  EXPECT_EQ(0u, RewriteStatement("SELECT 1", Backend::Postgres).paramCount);
}

TEST(RewritingRules, NamesTheTableASelectIntoCreatesOnSqliteOnly) {
  EXPECT_EQ("[rp_Temp]",
            RewriteStatement("SELECT a INTO [rp_Temp] FROM t", Backend::Sqlite).createdTable);
  EXPECT_EQ("", RewriteStatement("SELECT a INTO x FROM t", Backend::Postgres).createdTable);
  EXPECT_EQ("", RewriteStatement("INSERT INTO x SELECT a FROM t", Backend::Sqlite).createdTable);
}

TEST(RewritingRules, RejectsUnterminatedLiteralsNamesCommentsAndParentheses) {
  for (const char* bad : {"SELECT 'abc FROM t", "SELECT [abc FROM t", "SELECT \"abc FROM t",
                          "SELECT 1 /* open", "SELECT (1 FROM t", "SELECT 1) FROM t"}) {
    EXPECT_THROW(RewriteStatement(bad, Backend::Sqlite), DbError) << bad;
    EXPECT_THROW(RewriteStatement(bad, Backend::Postgres), DbError) << bad;
  }
}

TEST(RewritingRules, RecognisesDateOnlyTextExactly) {
  EXPECT_TRUE(IsDateOnlyText("2024-03-01"));
  EXPECT_FALSE(IsDateOnlyText("2024-03-01 00:00:00"));
  EXPECT_FALSE(IsDateOnlyText("2024/03/01"));
  EXPECT_FALSE(IsDateOnlyText("B01-000001"));
}

}  // namespace
}  // namespace tavex::db
