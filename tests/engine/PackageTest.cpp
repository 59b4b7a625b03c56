#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>

#include "database/AsciiText.h"
#include "engine/Package.h"
#include "support/HostDatabase.h"
#include "support/PackageFiles.h"
#include "support/Rows.h"
#include "support/TempDir.h"

namespace tavex::engine {
namespace {

namespace fs = std::filesystem;
using db::Backend;
using test::Dump;

// A branch database and a head-office database on the backend under test,
// bill tables in both, and the package database between them (always a file).
class PackageRun : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    mBranch = db::OpenConnection(test::CreateEmptyHostDatabase(GetParam(), mDir));
    mHq = db::OpenConnection(test::CreateEmptyHostDatabase(GetParam(), mDir));
    for (auto* database : {&mBranch, &mHq}) CreateBillTables(**database);
    mHq->Execute("CREATE TABLE pv_User (UserID TEXT, UserName TEXT)");
    mHq->Execute("INSERT INTO pv_User VALUES ('admin', 'Administrator')");
  }

  std::string Type(const char* sqliteType) const {
    if (GetParam() == Backend::Sqlite) return sqliteType;
    const std::string type = sqliteType;
    if (type == "DATETIME") return "TIMESTAMP";
    if (type == "BLOB") return "BYTEA";
    if (type == "REAL") return "DOUBLE PRECISION";
    return type;
  }

  void CreateBillTables(db::Connection& database) {
    database.Execute("CREATE TABLE bi_Bill (BillID TEXT PRIMARY KEY, BillDate " + Type("DATETIME") +
                     ", Persons INTEGER, SumPaid NUMERIC(18,4), Rate " + Type("REAL") +
                     ", Remark TEXT, Photo " + Type("BLOB") + ", IsUploaded INTEGER)");
    database.Execute(
        "CREATE TABLE bi_BillPayment (BillPaymentID TEXT PRIMARY KEY, BillID TEXT, PaySum "
        "NUMERIC(18,4))");
    database.Execute(
        "CREATE TABLE bi_BillItem (BillItemID TEXT PRIMARY KEY, BillID TEXT, MenuName TEXT)");
    database.Execute("CREATE TABLE bi_SubBill (SubBillID TEXT PRIMARY KEY, BillItemID TEXT)");
  }

  // A bill with `items` items, each with one split line and one payment.
  static void AddBill(db::Connection& database, const std::string& id, int items,
                      const std::string& remark = "table 4") {
    database.Execute(
        "INSERT INTO bi_Bill (BillID, BillDate, Persons, SumPaid, Rate, Remark, Photo, "
        "IsUploaded) VALUES (?, ?, ?, ?, ?, ?, ?, 0)",
        {id, std::string("2024-03-05 14:07:09"), std::int64_t{4}, 128.5, 0.125, remark,
         db::Blob{0x00, 0xFF, 0x10}});
    database.Execute("INSERT INTO bi_BillPayment VALUES (?, ?, 128.5)", {id + "-P", id});
    for (int i = 1; i <= items; ++i) {
      const std::string item = id + "-I" + std::to_string(i);
      database.Execute("INSERT INTO bi_BillItem VALUES (?, ?, ?)", {item, id, std::string("炒饭")});
      database.Execute("INSERT INTO bi_SubBill VALUES (?, ?)", {item + "-S", item});
    }
  }

  // The four-step bill package, as the upload run defines it.
  static void DefineBills(Package& package) {
    ExData& bills = package.ExDatas().Add(
        "21. 消费账单表", " SELECT * FROM bi_Bill WHERE IsUploaded=0 ", "bi_Bill", false, false);
    bills.Statements().Add("21.1 ",
                           "DELETE FROM bi_SubBill WHERE BillItemID IN (SELECT DISTINCT BillItemID "
                           "FROM bi_BillItem WHERE BillID='{BillID}')",
                           5, 0);
    bills.Statements().Add("21.2 ", "DELETE FROM bi_BillItem WHERE BillID='{BillID}'", 5, 0);
    bills.Statements().Add("21.3 ", "DELETE FROM bi_BillPayment WHERE BillID='{BillID}'", 5, 0);
    bills.Statements().Add("21.4 ", "DELETE FROM bi_Bill WHERE BillID='{BillID}'", 5, 0);
    package.ExDatas().Add("22. 支付明细表",
                          " SELECT * FROM bi_BillPayment WHERE BillID IN (SELECT BillID FROM "
                          "bi_Bill WHERE IsUploaded=0) ",
                          "bi_BillPayment", false, false);
    package.ExDatas().Add("23. 消费明细表",
                          " SELECT * FROM bi_BillItem WHERE BillID IN (SELECT BillID FROM bi_Bill "
                          "WHERE IsUploaded=0) ",
                          "bi_BillItem", false, false);
    package.ExDatas().Add("24. 分单明细表",
                          " SELECT s.* FROM bi_SubBill s, bi_BillItem i, bi_Bill b WHERE "
                          "s.BillItemID=i.BillItemID AND i.BillID=b.BillID AND b.IsUploaded=0 ",
                          "bi_SubBill", false, false);
    package.Actions().Add("28. ", " UPDATE bi_Bill SET IsUploaded=1 WHERE IsUploaded=0 ", 3);
  }

  std::string PackagePath() const { return mDir / "B01-240305140709.mdb"; }

  std::shared_ptr<db::Connection> NewPackageDatabase() {
    fs::remove(PackagePath());
    test::WriteFile(PackagePath(), "");
    return db::OpenConnection(db::PackageConnectionString(PackagePath()));
  }

  std::shared_ptr<db::Connection> OpenPackage() {
    return db::OpenConnection(db::PackageConnectionString(PackagePath()));
  }

  // Exports the branch's bills into the package database; true on success.
  bool ExportBills(Package& package) {
    package.PackageID("B01-240305140709");
    package.Description("Branch One");
    DefineBills(package);
    package.SourceConnection(mBranch);
    package.TargetConnection(NewPackageDatabase());
    return package.Export(false, true, 1);
  }

  void ExportBills() {
    Package package;
    ASSERT_TRUE(ExportBills(package)) << FirstError(package);
  }

  // Checks and imports the package database into head office.
  bool Import(Package& package) {
    auto connection = OpenPackage();
    if (!package.CheckPackage(connection, 0)) return false;
    package.SourceConnection(connection);
    package.TargetConnection(mHq);
    return package.ImportPackage(true, true, 1);
  }

  static std::string FirstError(const Package& package) {
    if (package.Errors().Count() == 0) return "(no error)";
    return std::to_string(package.Errors().Item(1).Number()) + " " +
           package.Errors().Item(1).Description();
  }

  std::string Bills(db::Connection& database) {
    return Dump(
        database,
        "SELECT BillID, BillDate, Persons, SumPaid, Rate, Remark, Photo FROM bi_Bill ORDER BY "
        "BillID");
  }

  std::string Children(db::Connection& database) {
    return Dump(database,
                "SELECT BillID, BillItemID, MenuName FROM bi_BillItem ORDER BY BillItemID") +
           Dump(database, "SELECT SubBillID, BillItemID FROM bi_SubBill ORDER BY SubBillID") +
           Dump(database, "SELECT BillPaymentID, BillID, PaySum FROM bi_BillPayment ORDER BY 1");
  }

  std::string Everything(db::Connection& database) {
    return Bills(database) + Children(database) +
           Dump(database, "SELECT * FROM pv_User ORDER BY UserID");
  }

  // Runs `sql` on the package database, as a hostile sender would.
  void Tamper(const std::string& sql) { OpenPackage()->Execute(sql); }

  test::TempDir mDir;
  std::shared_ptr<db::Connection> mBranch;
  std::shared_ptr<db::Connection> mHq;
};

TEST_P(PackageRun, RoundTripThroughAPackageFileKeepsEveryValue) {
  AddBill(*mBranch, "B01-1", 2);
  AddBill(*mBranch, "B01-2", 1, "");
  AddBill(*mBranch, "B01-3", 0, "雅座 «VIP» ünïcødé");
  mBranch->Execute(
      "UPDATE bi_Bill SET BillDate=NULL, SumPaid=NULL, Photo=NULL WHERE BillID='B01-2'");
  mBranch->Execute("UPDATE bi_Bill SET Photo=? WHERE BillID='B01-3'", {db::Blob{}});
  mBranch->Execute("DELETE FROM bi_SubBill");  // an empty step
  ExportBills();

  ASSERT_EQ(0, test::Pack(PackagePath(), mDir / "B01-240305140709.pkg"));
  fs::remove(PackagePath());
  ASSERT_EQ(0, test::Unpack(mDir / "B01-240305140709.pkg", PackagePath()));

  Package receiver;
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ(Bills(*mBranch), Bills(*mHq));
  EXPECT_EQ(Children(*mBranch), Children(*mHq));
  EXPECT_EQ("B01-240305140709", receiver.PackageID());
  EXPECT_EQ("Branch One", receiver.Description());
  EXPECT_EQ("0|0\n", Dump(*mHq,
                          "SELECT Photo IS NULL, length(Photo) FROM bi_Bill WHERE "
                          "BillID='B01-3'"));
}

TEST_P(PackageRun, ExportInsideTheCallersTransactionCarriesItsRowsAndMarksThemThere) {
  AddBill(*mBranch, "B01-1", 1);
  mBranch->BeginTrans(db::TransactionKind::Strict);
  AddBill(*mBranch, "B01-2", 2);
  ExportBills();
  EXPECT_TRUE(mBranch->InTransaction());
  EXPECT_EQ("B01-1|1\nB01-2|1\n",
            Dump(*mBranch, "SELECT BillID, IsUploaded FROM bi_Bill ORDER BY 1"));
  mBranch->RollbackTrans();
  EXPECT_EQ("B01-1|0\n", Dump(*mBranch, "SELECT BillID, IsUploaded FROM bi_Bill ORDER BY 1"));
  Package receiver;
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ("B01-1|0\nB01-2|0\n", Dump(*mHq, "SELECT BillID, IsUploaded FROM bi_Bill ORDER BY 1"));
  EXPECT_EQ("3\n3\n", Dump(*mHq,
                           "SELECT COUNT(*) FROM bi_BillItem UNION ALL SELECT COUNT(*) "
                           "FROM bi_SubBill"));
}

TEST_P(PackageRun, AStepQueryNeverReadsATableAnEarlierStepPutInThePackage) {
  AddBill(*mBranch, "B01-1", 1);
  Package sender;
  sender.ExDatas().Add("archive", "SELECT * FROM bi_Bill", "bi_Archive", false, false);
  sender.ExDatas().Add("again", "SELECT * FROM bi_Archive", "bi_Bill", false, false);
  sender.SourceConnection(mBranch);
  sender.TargetConnection(NewPackageDatabase());
  EXPECT_FALSE(sender.Export(false, true, 1));
  ASSERT_EQ(1, sender.Errors().Count());
  EXPECT_NE(std::string::npos, sender.Errors().Item(1).Description().find("again"))
      << FirstError(sender);
}

TEST_P(PackageRun, ABillArrivingAgainReplacesItselfAndAllItsChildren) {
  AddBill(*mHq, "B01-1", 3);
  AddBill(*mHq, "B01-7", 2);
  AddBill(*mBranch, "B01-1", 1, "second copy");
  ExportBills();
  Package receiver;
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ(
      "B01-1|B01-1-I1|炒饭\nB01-7|B01-7-I1|炒饭\nB01-7|B01-7-I2|炒饭\n"
      "B01-1-I1-S|B01-1-I1\nB01-7-I1-S|B01-7-I1\nB01-7-I2-S|B01-7-I2\n",
      Dump(*mHq, "SELECT BillID, BillItemID, MenuName FROM bi_BillItem ORDER BY BillItemID") +
          Dump(*mHq, "SELECT SubBillID, BillItemID FROM bi_SubBill ORDER BY SubBillID"));
  EXPECT_EQ("B01-1|second copy\nB01-7|table 4\n",
            Dump(*mHq, "SELECT BillID, Remark FROM bi_Bill ORDER BY BillID"));
}

TEST_P(PackageRun, RowsOfOnePackageNeverDeleteEachOther) {
  for (auto* database : {&mBranch, &mHq}) {
    (*database)->Execute("CREATE TABLE mb_MemberCard (CardID TEXT, MemberID TEXT)");
  }
  mBranch->Execute("INSERT INTO mb_MemberCard VALUES ('C1', 'M1'), ('C2', 'M1'), ('C3', 'M2')");
  mHq->Execute("INSERT INTO mb_MemberCard VALUES ('OLD', 'M1'), ('KEEP', 'M3')");
  Package sender;
  sender.ExDatas()
      .Add("31. ", " SELECT * FROM mb_MemberCard ", "mb_MemberCard", false, false)
      .Statements()
      .Add("31.1 ", " DELETE FROM mb_MemberCard WHERE MemberID='{MemberID}' ", 5, 0);
  sender.SourceConnection(mBranch);
  sender.TargetConnection(NewPackageDatabase());
  ASSERT_TRUE(sender.Export(false, true, 1)) << FirstError(sender);
  Package receiver;
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ("C1|M1\nC2|M1\nC3|M2\nKEEP|M3\n",
            Dump(*mHq, "SELECT CardID, MemberID FROM mb_MemberCard ORDER BY CardID"));
}

TEST_P(PackageRun, AScopeSkipsStepsAndPassesRowsOverWithTheirDeletes) {
  AddBill(*mHq, "B01-1", 3);
  AddBill(*mBranch, "B01-1", 1, "second copy");
  AddBill(*mBranch, "B01-3", 1, "new");
  ExportBills();
  Package receiver;
  ImportScope scope;
  for (const char* table : {"bi_Bill", "bi_BillPayment", "bi_BillItem"}) {
    scope.filters.push_back({table, "BillID<>?", {std::string("B01-1")}});
  }
  scope.skipStep = [](const std::string& caption) { return caption.starts_with("24."); };
  receiver.Scope(scope);
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ("B01-1|table 4\nB01-3|new\n",
            Dump(*mHq, "SELECT BillID, Remark FROM bi_Bill ORDER BY BillID"));
  EXPECT_EQ(
      "B01-1|B01-1-I1|炒饭\nB01-1|B01-1-I2|炒饭\nB01-1|B01-1-I3|炒饭\nB01-3|B01-3-I1|炒饭\n"
      "B01-1-I1-S|B01-1-I1\nB01-1-I2-S|B01-1-I2\nB01-1-I3-S|B01-1-I3\n"
      "B01-1-P|B01-1\nB01-3-P|B01-3\n",
      Dump(*mHq, "SELECT BillID, BillItemID, MenuName FROM bi_BillItem ORDER BY BillItemID") +
          Dump(*mHq, "SELECT SubBillID, BillItemID FROM bi_SubBill ORDER BY SubBillID") +
          Dump(*mHq, "SELECT BillPaymentID, BillID FROM bi_BillPayment ORDER BY 1"));
}

TEST_P(PackageRun, AFailureInTheThirdStepLeavesTheFirstTwoUnmerged) {
  AddBill(*mHq, "B01-1", 2);
  AddBill(*mBranch, "B01-1", 1, "new");
  AddBill(*mBranch, "B01-2", 1);
  mBranch->Execute("ALTER TABLE bi_BillItem ADD COLUMN Extra TEXT");
  const std::string before = Everything(*mHq);
  ExportBills();
  Package receiver;
  EXPECT_FALSE(Import(receiver));
  ASSERT_EQ(1, receiver.Errors().Count());
  EXPECT_EQ(kErrMissingColumn, receiver.Errors().Item(1).Number());
  // PostgreSQL reports the package's column names in lower case.
  const std::string description = AsciiLower(receiver.Errors().Item(1).Description());
  EXPECT_NE(std::string::npos, description.find("extra")) << description;
  EXPECT_NE(std::string::npos, description.find("bi_billitem")) << description;
  EXPECT_EQ(before, Everything(*mHq));
}

TEST_P(PackageRun, CancelDuringImportLeavesNothingMerged) {
  AddBill(*mHq, "B01-1", 2);
  AddBill(*mBranch, "B01-1", 1, "new");
  const std::string before = Everything(*mHq);
  ExportBills();
  Package receiver;
  int events = 0;
  receiver.OnProccess([&](const std::string&, std::int32_t, std::int32_t totalFinished,
                          const std::string&, std::int32_t, std::int32_t, bool& cancel, bool) {
    ++events;
    cancel = totalFinished == 3;
  });
  EXPECT_FALSE(Import(receiver));
  EXPECT_EQ(0, receiver.Errors().Count());
  EXPECT_GE(events, 3);
  EXPECT_EQ(before, Everything(*mHq));
}

TEST_P(PackageRun, CancelDuringExportMarksNothing) {
  AddBill(*mBranch, "B01-1", 1);
  Package sender;
  sender.OnProccess([&](const std::string&, std::int32_t, std::int32_t totalFinished,
                        const std::string&, std::int32_t, std::int32_t, bool& cancel,
                        bool) { cancel = totalFinished == 2; });
  EXPECT_FALSE(ExportBills(sender));
  EXPECT_EQ(0, sender.Errors().Count());
  EXPECT_EQ("0\n", Dump(*mBranch, "SELECT IsUploaded FROM bi_Bill"));
}

TEST_P(PackageRun, CancelInTheMiddleOfAStepStopsTheExportAtOnce) {
  for (int i = 0; i < 300; ++i) AddBill(*mBranch, "B01-" + std::to_string(i), 1);
  bool cancelled = false;
  int eventsAfterCancel = 0;
  Package sender;
  sender.OnProccess([&](const std::string&, std::int32_t, std::int32_t, const std::string&,
                        std::int32_t count, std::int32_t finished, bool& cancel, bool) {
    if (cancelled) ++eventsAfterCancel;
    cancel = cancelled = finished >= 100 && finished < count;
  });
  EXPECT_FALSE(ExportBills(sender));
  EXPECT_EQ(0, sender.Errors().Count()) << FirstError(sender);
  EXPECT_TRUE(cancelled);
  EXPECT_EQ(0, eventsAfterCancel);
  EXPECT_EQ("0\n", Dump(*mBranch, "SELECT DISTINCT IsUploaded FROM bi_Bill"));
  // The branch connection is left as it was: the next run succeeds.
  Package again;
  ASSERT_TRUE(ExportBills(again)) << FirstError(again);
  EXPECT_EQ("300\n", Dump(*OpenPackage(), "SELECT COUNT(*) FROM bi_Bill"));
}

TEST_P(PackageRun, EventsCoverEveryStepAndEndComplete) {
  for (int i = 0; i < 250; ++i) AddBill(*mBranch, "B01-" + std::to_string(i), 1);
  mBranch->Execute("DELETE FROM bi_SubBill");
  struct Event {
    std::int32_t total, step, count, finished;
    bool first;
  };
  std::vector<Event> events;
  Package sender;
  sender.OnProccess([&](const std::string& name, std::int32_t total, std::int32_t step,
                        const std::string&, std::int32_t count, std::int32_t finished, bool&,
                        bool first) {
    EXPECT_EQ("B01-240305140709", name);
    events.push_back({total, step, count, finished, first});
  });
  ASSERT_TRUE(ExportBills(sender)) << FirstError(sender);
  for (std::int32_t step = 1; step <= 4; ++step) {
    std::vector<Event> ofStep;
    for (const auto& e : events) {
      EXPECT_EQ(4, e.total);
      if (e.step == step) ofStep.push_back(e);
    }
    ASSERT_FALSE(ofStep.empty()) << step;
    EXPECT_TRUE(ofStep.front().first);
    EXPECT_EQ(0, ofStep.front().finished);
    EXPECT_EQ(ofStep.back().count, ofStep.back().finished);
    EXPECT_EQ(step == 4 ? 0 : 250, ofStep.back().count);
    if (step == 4) {
      EXPECT_EQ(1u, ofStep.size());
    }
  }
}

TEST_P(PackageRun, AQuoteInAFieldValueIsOnlyAValue) {
  AddBill(*mHq, "B01-1", 1);
  AddBill(*mHq, "B01-2", 1);
  AddBill(*mBranch, "x' OR '1'='1", 1);
  ExportBills();
  Package receiver;
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ("B01-1\nB01-2\nx' OR '1'='1\n", Dump(*mHq, "SELECT BillID FROM bi_Bill ORDER BY 1"));
  EXPECT_EQ("3\n", Dump(*mHq, "SELECT COUNT(*) FROM bi_BillItem"));
}

struct Hostile {
  const char* name;
  const char* tamper;
};

const Hostile kHostile[] = {
    {"DropTable", "INSERT INTO ExPackage_Statement VALUES (1, 9, 'x', 'DROP TABLE pv_User', 4, 0)"},
    {"DeleteFromATableNotFilled",
     "INSERT INTO ExPackage_Statement VALUES (1, 9, 'x', 'DELETE FROM pv_User WHERE "
     "UserID=''{BillID}''', 5, 0)"},
    {"SourceStatementDisguisedAsAction",
     "UPDATE ExPackage_Statement SET Kind=4, StatementText='DELETE FROM pv_User' WHERE StepNo=0"},
    {"MissingStepTable", "DROP TABLE bi_BillItem"},
    {"TamperedRowCount", "UPDATE ExPackage_Step SET RowCount=RowCount+1 WHERE StepNo=2"},
    {"ExtraRowAdded", "INSERT INTO bi_BillPayment (BillPaymentID) VALUES ('X')"},
    {"UnknownVersion", "UPDATE ExPackage_Info SET Value='2' WHERE Name='FormatVersion'"},
    {"NoDefinition", "DROP TABLE ExPackage_Info"},
    {"PlaceholderOfNoColumn",
     "UPDATE ExPackage_Statement SET StatementText='DELETE FROM bi_Bill WHERE "
     "BillID=''{Nothing}''' WHERE Seq=4 AND StepNo=1"},
};

TEST_P(PackageRun, HostilePackagesAreRejectedWithNothingChanged) {
  AddBill(*mHq, "B01-1", 2);
  AddBill(*mBranch, "B01-1", 1, "new");
  const std::string before = Everything(*mHq);
  for (const Hostile& hostile : kHostile) {
    SCOPED_TRACE(hostile.name);
    ExportBills();
    Tamper(hostile.tamper);

    Package checker;
    EXPECT_FALSE(checker.CheckPackage(OpenPackage(), 0));
    ASSERT_EQ(1, checker.Errors().Count());
    EXPECT_EQ(kErrDamagedPackage, checker.Errors().Item(1).Number());
    // Importing without a check is refused the same way.
    Package importer;
    importer.SourceConnection(OpenPackage());
    importer.TargetConnection(mHq);
    EXPECT_FALSE(importer.ImportPackage(true, true, 1));
    EXPECT_EQ(1, importer.Errors().Count());
    EXPECT_EQ(before, Everything(*mHq));
  }
}

TEST_P(PackageRun, RowidsASenderChoseAreMergedWhole) {
  mBranch->BeginTrans();
  for (int i = 0; i < 300; ++i) AddBill(*mBranch, "B01-" + std::to_string(1000 + i), 0);
  mBranch->CommitTrans();
  const char* rowids[] = {
      // Both extremes, and a range far wider than the rows in it.
      "UPDATE bi_Bill SET rowid=9223372036854775807 WHERE BillID='B01-1000'",
      "UPDATE bi_Bill SET rowid=-9223372036854775808 WHERE BillID='B01-1001'",
      "UPDATE bi_Bill SET rowid=rowid*1000000000000 WHERE BillID>'B01-1001'",
  };
  ExportBills();
  for (const char* sql : rowids) Tamper(sql);
  std::int32_t last = 0;
  int events = 0;
  Package receiver;
  receiver.OnProccess([&](const std::string&, std::int32_t, std::int32_t, const std::string&,
                          std::int32_t count, std::int32_t finished, bool&, bool first) {
    if (first) last = 0;
    EXPECT_GE(finished, last);
    EXPECT_LE(finished, count);
    last = finished;
    ++events;
  });
  ASSERT_TRUE(Import(receiver)) << FirstError(receiver);
  EXPECT_EQ(Bills(*mBranch), Bills(*mHq));
  EXPECT_EQ(Children(*mBranch), Children(*mHq));
  EXPECT_GT(events, 4);
}

TEST_P(PackageRun, AStatementOutsideTheAllowedShapesFailsTheExport) {
  AddBill(*mBranch, "B01-1", 1);
  Package sender;
  sender.ExDatas()
      .Add("1. ", " SELECT * FROM bi_Bill ", "bi_Bill", false, false)
      .Statements()
      .Add("1.1 ", "DELETE FROM bi_Bill WHERE BillID<>'{BillID}'", 5, 0);
  sender.SourceConnection(mBranch);
  sender.TargetConnection(NewPackageDatabase());
  EXPECT_FALSE(sender.Export(false, true, 1));
  ASSERT_EQ(1, sender.Errors().Count());
  EXPECT_EQ(kErrDefinition, sender.Errors().Item(1).Number());
}

TEST_P(PackageRun, ExportTablesWritesTheQueryColumnsUnderTheirAliases) {
  mBranch->Execute(
      "CREATE TABLE mb_MemberInfo (MemberCardID TEXT, MemberName TEXT, ConsumeSum NUMERIC(18,4))");
  mBranch->Execute("INSERT INTO mb_MemberInfo VALUES ('8001', '陈大文', 88.5), ('8002', NULL, 0)");
  Package exporter;
  exporter.ExDatas().Add("会员卡资料",
                         " SELECT      MemberCardID AS [卡号],        MemberName AS [姓名],      "
                         " ConsumeSum AS [消费总额]  FROM mb_MemberInfo ",
                         "会员卡资料", true, false);
  auto file = NewPackageDatabase();
  exporter.SourceConnection(mBranch);
  exporter.TargetConnection(file);
  ASSERT_TRUE(exporter.ExportTables(true, true, 1)) << FirstError(exporter);
  auto rows = file->Query("SELECT * FROM [会员卡资料] ORDER BY 1");
  ASSERT_EQ(3u, rows->Columns().size());
  EXPECT_EQ("卡号", rows->Columns()[0].name);
  EXPECT_EQ("姓名", rows->Columns()[1].name);
  EXPECT_EQ("消费总额", rows->Columns()[2].name);
  EXPECT_EQ(
      "8001|陈大文|88.5000\n8002|NULL|0.0000\n",
      Dump(*file, "SELECT [卡号], [姓名], CAST([消费总额] AS REAL) FROM [会员卡资料] ORDER BY 1"));

  // A second export into the same file leaves the table there untouched.
  mBranch->Execute("DELETE FROM mb_MemberInfo");
  EXPECT_FALSE(exporter.ExportTables(true, true, 1));
  EXPECT_EQ("2\n", Dump(*file, "SELECT COUNT(*) FROM [会员卡资料]"));
}

INSTANTIATE_TEST_SUITE_P(, PackageRun, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         test::BackendName);

}  // namespace
}  // namespace tavex::engine
