#include <gtest/gtest.h>

#include "cli/SampleDatabase.h"
#include "i18n/Messages.h"
#include "maintenance/MemberExport.h"
#include "storage/DatabaseHelpers.h"
#include "support/CliRun.h"
#include "support/HostDatabase.h"
#include "support/PluginHome.h"
#include "support/Rows.h"

namespace tavex {
namespace {

// The member export of a sample host database, with the built-in texts and
// with a language file that names the table and its columns in English.
class MemberExport : public test::HostDatabaseTest {
 protected:
  void SetUp() override {
    HostDatabaseTest::SetUp();
    if (IsSkipped()) return;
    cli::CreateSampleDatabase(Db(), cli::SampleOptions{});
  }
  void TearDown() override { LoadMessages(); }

  void UseEnglish() {
    test::WriteFile(mHome / "Languages/tavExDataApp.eng",
                    "<Language><tavExDataApp><frmExport>"
                    "<Msg_mb_MemberInfo Default=\"Member Cards\"/>"
                    "<Msg_MemberCardID Default=\"Card No\"/><Msg_MemberName Default=\"Name\"/>"
                    "<Msg_MemberTypeName Default=\"Level\"/><Msg_MobileNumber Default=\"Mobile\"/>"
                    "<Msg_ConsumeSum Default=\"Spent\"/><Msg_IntegralSum Default=\"Points\"/>"
                    "</frmExport></tavExDataApp></Language>");
    test::WriteFile(mHome / "config/Tavolo/Tavolo.ini", "[Language]\nLanguage=3\n");
    LoadMessages();
  }

  test::PluginHome mHome;
};

struct ExportCase {
  bool english;
  std::string table;
  std::string header;
};

TEST_P(MemberExport, WritesOneTableNamedByTheTextsAsADatabaseFileOrAsCsv) {
  const std::int64_t members = test::Number(*Db(), "SELECT COUNT(*) FROM mb_MemberInfo");
  ASSERT_GT(members, 0);
  for (const ExportCase& c :
       {ExportCase{false, "会员卡资料", "卡号,姓名,级别,手机号码,消费总额,积分"},
        ExportCase{true, "Member Cards", "Card No,Name,Level,Mobile,Spent,Points"}}) {
    if (c.english) UseEnglish();
    const std::string prefix = c.english ? "en" : "cn";
    for (const std::string ending : {".db", ".CSV"}) {
      test::Invocation run(
          {"export-members", "--db", ConnectionName(), "--out", Folder() / (prefix + ending)});
      ASSERT_EQ(run.code, 0) << run.err.str();
    }
    auto file = db::OpenConnection("sqlite:" + Folder() / (prefix + ".db"));
    EXPECT_EQ(test::Dump(*file, "SELECT name FROM sqlite_master"), c.table + "\n");
    std::string columns;
    auto names = file->Query("SELECT name FROM pragma_table_info(?)", {c.table});
    while (names->Next()) columns += (columns.empty() ? "" : ",") + test::ValueText(names->Get(0));
    EXPECT_EQ(columns, c.header);
    EXPECT_EQ(test::Number(*file, "SELECT COUNT(*) FROM [" + c.table + "]"), members);

    const std::string csv = test::ReadFile(Folder() / (prefix + ".CSV"));
    EXPECT_EQ(csv.substr(0, 3 + c.header.size() + 2), "\xEF\xBB\xBF" + c.header + "\r\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), members + 1);
  }
}

// Exported into the user's own database file, the member list is one more
// table there; exported again, it replaces its earlier copy.
TEST_P(MemberExport, AddsItsTableToAnExistingDatabaseFileAndReplacesItsEarlierCopy) {
  const std::int64_t members = test::Number(*Db(), "SELECT COUNT(*) FROM mb_MemberInfo");
  const std::string path = Folder() / "office.db";
  storage::CreateEmptyDatabase(path);
  {
    auto office = db::OpenConnection("sqlite:" + path);
    office->Execute("CREATE TABLE Suppliers (Name TEXT, Phone TEXT)");
    office->Execute("INSERT INTO Suppliers VALUES ('Fresh Fish Ltd', '23456789')");
  }
  for (int run = 1; run <= 2; ++run) {
    test::Invocation exported({"export-members", "--db", ConnectionName(), "--out", path});
    ASSERT_EQ(exported.code, 0) << run << exported.err.str();
    auto office = db::OpenConnection("sqlite:" + path);
    EXPECT_EQ(test::Dump(*office, "SELECT name FROM sqlite_master ORDER BY name"),
              "Suppliers\n会员卡资料\n");
    EXPECT_EQ(test::Dump(*office, "SELECT * FROM Suppliers"), "Fresh Fish Ltd|23456789\n");
    EXPECT_EQ(test::Number(*office, "SELECT COUNT(*) FROM [会员卡资料]"), members) << run;
    EXPECT_EQ(test::Number(*office, "SELECT COUNT(DISTINCT [卡号]) FROM [会员卡资料]"), members);
  }
}

// A member whose name a spreadsheet would run as a formula, on either
// backend: the cell reaches the file as text, the telephone number as typed.
TEST_P(MemberExport, ACsvCellThatWouldBeAFormulaReachesTheFileAsText) {
  Db()->Execute(
      "UPDATE mb_MemberInfo SET MemberName='=HYPERLINK(\"http://x\")', MobileNumber='+8612345' "
      "WHERE MemberCardID=(SELECT MIN(MemberCardID) FROM mb_MemberInfo)");
  test::Invocation run(
      {"export-members", "--db", ConnectionName(), "--out", Folder() / "members.csv"});
  ASSERT_EQ(run.code, 0) << run.err.str();
  const std::string csv = test::ReadFile(Folder() / "members.csv");
  EXPECT_NE(csv.find(",\"'=HYPERLINK(\"\"http://x\"\")\","), std::string::npos) << csv;
  EXPECT_NE(csv.find(",+8612345,"), std::string::npos) << csv;
  EXPECT_EQ(csv.find(",=HYPERLINK"), std::string::npos) << csv;
}

INSTANTIATE_HOST_DATABASE_TEST(MemberExport);

struct CellCase {
  const char* name;
  db::Value value;
  std::string written;
};

TEST(MemberExportCsv, ATextThatASpreadsheetWouldRunAsAFormulaGetsAnApostrophe) {
  const CellCase cases[] = {
      {"Formula", std::string("=SUM(A1)"), "'=SUM(A1)"},
      {"AtSign", std::string("@cmd"), "'@cmd"},
      {"LeadingTab", std::string("\tx"), "'\tx"},
      {"LeadingCarriageReturn", std::string("\r=1"), "'\r=1"},
      {"PlusFormula", std::string("+A1"), "'+A1"},
      {"MinusArithmetic", std::string("-1+2"), "'-1+2"},
      {"SignAlone", std::string("-"), "'-"},
      {"PointWithoutDigits", std::string("-12."), "'-12."},
      {"PointBeforeDigits", std::string("+.5"), "'+.5"},
      {"TwoPoints", std::string("-1.2.3"), "'-1.2.3"},
      {"NegativeDecimalText", std::string("-12.5"), "-12.5"},
      {"InternationalTelephone", std::string("+8612345"), "+8612345"},
      {"Telephone", std::string("91234567"), "91234567"},
      {"EqualsInside", std::string("a=b"), "a=b"},
      {"ChineseName", std::string("陈大文"), "陈大文"},
      {"Empty", std::string(), ""},
      {"Null", db::Value{}, ""},
      {"NegativeInteger", std::int64_t{-12}, "-12"},
      {"NegativeReal", -12.5, "-12.5"},
  };
  for (const CellCase& c : cases) EXPECT_EQ(CsvCell(c.value), c.written) << c.name;
}

}  // namespace
}  // namespace tavex
