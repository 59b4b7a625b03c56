#include <gtest/gtest.h>

#include "UploadHost.h"
#include "cli/SampleDatabase.h"
#include "support/Rows.h"
#include "upload/ReportPackage.h"

namespace tavex {
namespace {

using namespace std::chrono;

constexpr DayRange kThreeDays{2024y / March / 1, 2024y / March / 3};

class ReportPackageTest : public test::UploadHostTest {
 protected:
  cli::SampleOptions Sample() const override {
    cli::SampleOptions options = UploadHostTest::Sample();
    options.days = 3;
    return options;
  }

  bool Define(const ReportChoice& choice) {
    return DefineReportPackage(mPackage, choice, ReadReportTexts(), "B01", Branch(),
                               [this](const std::string& line) { mLines.push_back(line); });
  }
  static std::string Branch() { return cli::SampleBranchName("B01"); }
  std::vector<std::string> Captions() {
    std::vector<std::string> captions;
    for (std::int32_t i = 1; i <= mPackage.ExDatas().Count(); ++i)
      captions.push_back(mPackage.ExDatas().Item(i).Caption());
    return captions;
  }
  const engine::ExData& Step(std::int32_t i) { return mPackage.ExDatas().Item(i); }
  // The rows of `sql`, one line each, amounts rounded to cents.
  std::string Rows(const std::string& sql) const { return test::Dump(*Db(), sql); }

  engine::Package mPackage;
  std::vector<std::string> mLines;
};

TEST_P(ReportPackageTest, DefinesEachChosenReportOverItsDays) {
  ASSERT_TRUE(Define({.dailyReports = true,
                      .inventory = true,
                      .stockDocuments = true,
                      .consumption = true,
                      .reports = kThreeDays,
                      .stock = kThreeDays}));
  EXPECT_EQ((std::vector<std::string>{"11. 销售日报表", "12. 收银日报表", "31. 库存日报表",
                                      "41. 进销存单据", "42. 进销存明细", "43. 原材料耗量表"}),
            Captions());
  EXPECT_EQ((std::vector<std::string>{"正在生成原材料耗量表：st_BOM_20240301",
                                      "正在生成原材料耗量表：st_BOM_20240302",
                                      "正在生成原材料耗量表：st_BOM_20240303"}),
            mLines);
  EXPECT_TRUE(mPackage.PackageID().starts_with("分店【" + Branch() + "】上传数据 ：2"));
  // One delete per branch and day found, numbered in the order they come.
  for (const auto& [step, table, text] :
       {std::tuple{1, "rp_BillItem_Upload", "删除重复的销售日报表"},
        std::tuple{2, "rp_BillPayment_Upload", "删除重复的收银日报表"}}) {
    std::set<std::string> captions;
    std::set<std::string> deletes;
    for (int day = 1; day <= 3; ++day) {
      captions.insert(std::to_string(10 + step) + "." + std::to_string(day) + " " + text);
      deletes.insert(" DELETE FROM [" + std::string(table) + "]  WHERE BillDate =   '2024-03-0" +
                     std::to_string(day) +
                     " 00:00:00' AND        BranchID =   'B01'  AND        BranchName = '" +
                     Branch() + "'  ");
    }
    for (const auto& statement : Step(step).Statements()) {
      EXPECT_EQ(engine::kKindBeforeStep, statement.kind);
      EXPECT_EQ(1u, captions.erase(statement.caption)) << statement.caption;
      EXPECT_EQ(1u, deletes.erase(statement.sql)) << statement.sql;
    }
    EXPECT_TRUE(captions.empty() && deletes.empty());
  }
  EXPECT_EQ(GetParam() == db::Backend::Postgres,
            Step(4).Sql().find("BillDate >= '2024-03-01'") != std::string::npos);
  EXPECT_EQ(6, Count("SELECT COUNT(*) FROM (" + Step(4).Sql() + ") AS s"));
  EXPECT_EQ(
      " SELECT * FROM st_BOM_20240301 UNION ALL  SELECT * FROM st_BOM_20240302 UNION ALL  SELECT * "
      "FROM st_BOM_20240303",
      Step(6).Sql());
  ASSERT_EQ(3, Step(6).Statements().Count());
  EXPECT_EQ("43.20240302 删除重复的原材料耗量表", Step(6).Statements().Item(2).caption);
  EXPECT_EQ(" DELETE FROM st_BOM  WHERE BillDate='2024-03-02'  AND BranchID='B01' ",
            Step(6).Statements().Item(2).sql);
}

TEST_P(ReportPackageTest, TheWorkingTablesAddUpToTheirSources) {
  ASSERT_TRUE(Define({.dailyReports = true,
                      .consumption = true,
                      .reports = kThreeDays,
                      .stock = {2024y / March / 2, 2024y / March / 2}}));
  EXPECT_EQ(Rows("SELECT BL.BillDate, ROUND(SUM(BI.AmountOrder-BI.AmountCancel), 2), "
                 "ROUND(SUM(BI.SumOfConsume), 2) FROM bi_Bill AS BL, bi_BillItem AS BI "
                 "WHERE BL.BillID=BI.BillID GROUP BY BL.BillDate ORDER BY 1"),
            Rows("SELECT BillDate, ROUND(SUM(theAmount), 2), ROUND(SUM(theConsume), 2) "
                 "FROM rp_BillItem_Temp GROUP BY BillDate ORDER BY 1"));
  EXPECT_EQ(Rows("SELECT BL.BillDate, BP.SubjectID, ROUND(SUM(BP.PaySum), 2) FROM bi_Bill AS BL, "
                 "bi_BillPayment AS BP WHERE BL.BillID=BP.BillID GROUP BY BL.BillDate, "
                 "BP.SubjectID ORDER BY 1, 2"),
            Rows("SELECT BillDate, SubjectID, ROUND(SUM(thePaySum), 2) FROM rp_BillPayment_Temp "
                 "GROUP BY BillDate, SubjectID ORDER BY 1, 2"));
  // Every stock item once, each with its own quantities of the day.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM st_StockItem"),
            Count("SELECT COUNT(*) FROM st_BOM_20240302"));
  EXPECT_EQ("2024-03-02 00:00:00|B01|" + Branch() + "\n",
            Rows("SELECT DISTINCT BillDate, BranchID, BranchName FROM st_BOM_20240302"));
  EXPECT_EQ(
      Rows("SELECT ItemID, ROUND(SUM(theQty), 2) FROM st_BillItem_ByDepartment WHERE "
           "BillDate=#2024-03-02# GROUP BY ItemID ORDER BY 1"),
      Rows("SELECT ItemID, ROUND(QtyUse, 2) FROM st_BOM_20240302 WHERE QtyUse<>0 ORDER BY 1"));
  EXPECT_EQ(
      Rows("SELECT mb.ItemID, ROUND(SUM(mb.UseAmount*(bi.AmountOrder-bi.AmountCancel)), 2) "
           "FROM mn_BOM AS mb, bi_BillItem AS bi, bi_Bill AS bl WHERE mb.MenuID=bi.MenuID "
           "AND bi.BillID=bl.BillID AND bl.BillDate=#2024-03-02# GROUP BY mb.ItemID "
           "ORDER BY 1"),
      Rows("SELECT ItemID, ROUND(QtyBom, 2) FROM st_BOM_20240302 WHERE QtyBom<>0 ORDER BY 1"));
  EXPECT_FALSE(HasTable("st_View_20240302"));
}

TEST_P(ReportPackageTest, EdgesOfTheChoice) {
  const DayRange noSales{2024y / April / 1, 2024y / April / 2};
  const DayRange backwards{2024y / March / 3, 2024y / March / 1};
  struct Case {
    const char* name;
    const char* setUp;
    ReportChoice choice;
    bool defined;
    std::vector<std::string> captions;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"an empty inventory fails the whole definition",
       "DELETE FROM st_Inventory_Full",
       {.inventory = true, .stockDocuments = true, .consumption = true, .stock = kThreeDays},
       false,
       {},
       {"没有需要上传的库存日报表！"}},
      {"a backward stock range brings no documents and no consumption",
       "",
       {.stockDocuments = true, .consumption = true, .stock = backwards},
       true,
       {"41. 进销存单据", "42. 进销存明细"},
       {}},
      {"a range without sales leaves both reports and the bills out",
       "",
       {.dailyReports = true, .withBills = true, .reports = noSales},
       true,
       {},
       {"没有需要上传的销售日报表！", "没有需要上传的收银日报表！"}},
      {"the bills of the range go with the reports",
       "",
       {.dailyReports = true, .withBills = true, .reports = {2024y / March / 2, 2024y / March / 2}},
       true,
       {"11. 销售日报表", "12. 收银日报表", "21. 消费账单表", "22. 支付明细表", "23. 消费明细表",
        "24. 分单明细表", "25. 反结账消费账单表", "26. 反结账支付明细表", "27. 反结账消费明细表",
        "28. 八达通交易记录"},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (*c.setUp != '\0') Exec(c.setUp);
    mPackage.ExDatas().Clear();
    mLines.clear();
    EXPECT_EQ(c.defined, Define(c.choice));
    EXPECT_EQ(c.captions, Captions());
    EXPECT_EQ(c.lines, mLines);
    for (std::int32_t i = 1; i <= mPackage.ExDatas().Count(); ++i) {
      if (Step(i).Table() == "st_Bill" || Step(i).Table() == "st_BillItem") {
        EXPECT_EQ(0, Count("SELECT COUNT(*) FROM (" + Step(i).Sql() + ") AS s"));
      }
    }
  }
}

INSTANTIATE_HOST_DATABASE_TEST(ReportPackageTest);

}  // namespace
}  // namespace tavex
