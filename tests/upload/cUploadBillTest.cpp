#include <gtest/gtest.h>

#include "UploadHost.h"
#include "upload/cUploadBill.h"

namespace tavex {
namespace {

using namespace std::chrono;

constexpr year_month_day kDayOne = 2024y / March / 1;
constexpr year_month_day kDayTwo = 2024y / March / 2;

using UploadBillTest = test::UploadHostTest;

TEST_P(UploadBillTest, StagesEveryBillOfTheRangeWhateverItsFlagAndMarksNothing) {
  // Day one of the sample was uploaded already; it goes again.
  const auto dayOne = Keys("SELECT BillID FROM bi_Bill WHERE BillDate<#2024-03-02#");
  ASSERT_EQ(30u, dayOne.size());
  ASSERT_EQ(0, Count("SELECT COUNT(*) FROM bi_Bill WHERE BillDate<#2024-03-02# AND IsUploaded=0"));
  const auto items = Keys(
      "SELECT BI.BillItemID FROM bi_BillItem AS BI, bi_Bill AS B WHERE BI.BillID=B.BillID AND "
      "B.BillDate<#2024-03-02#");
  const auto octopus = Keys("SELECT BillID FROM bi_OctopusPayment WHERE BillDate<#2024-03-02#");
  const auto unsent = Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=0");
  ASSERT_FALSE(octopus.empty());

  cUploadBill builder;
  ASSERT_TRUE(builder.LoadData(kDayOne, kDayOne)) << builder.Failure();
  EXPECT_EQ(Prefixed(dayOne), Keys("SELECT BillID FROM bi_Bill_Upload_Date"));
  EXPECT_EQ(Prefixed(items), Keys("SELECT BillItemID FROM bi_BillItem_Upload_Date"));
  EXPECT_EQ(Prefixed(dayOne), Keys("SELECT DISTINCT BillID FROM bi_BillPayment_Upload_Date"));
  EXPECT_EQ(Prefixed(octopus), Keys("SELECT BillID FROM bi_OctopusPayment_Upload_Date"));
  EXPECT_LT(0, Count("SELECT COUNT(*) FROM bi_SubBill_Upload_Date WHERE SubBillID LIKE 'B01-%'"));
  EXPECT_EQ(0, Count("SELECT COUNT(*) FROM bi_UnCheckBill_Upload_Date WHERE BillID NOT LIKE "
                     "'B01-%' OR IsUploaded<>1"));

  engine::Package package;
  ASSERT_TRUE(builder.LoadPackag(package));
  ASSERT_EQ(8, package.ExDatas().Count());
  EXPECT_EQ(0, package.Actions().Count());
  ExpectEveryStepFillsItsTable(package);
  for (std::int32_t i = 1; i <= package.ExDatas().Count(); ++i) {
    for (const auto& statement : package.ExDatas().Item(i).Statements())
      EXPECT_EQ(engine::kKindPerRow, statement.kind) << statement.sql;
  }
  // The live flags are not this package's business.
  EXPECT_EQ(unsent, Keys("SELECT BillID FROM bi_Bill WHERE IsUploaded=0"));
}

TEST_P(UploadBillTest, ARangeWithoutBillsStagesNothingAndKeepsTheEarlierStaging) {
  ASSERT_TRUE(cUploadBill().LoadData(kDayTwo, kDayTwo));
  const auto staged = Keys("SELECT BillID FROM bi_Bill_Upload_Date");
  for (const auto& [begin, end] :
       {std::pair{2024y / April / 1, 2024y / April / 30}, std::pair{kDayTwo, kDayOne}}) {
    cUploadBill builder;
    EXPECT_FALSE(builder.LoadData(begin, end));
    EXPECT_EQ("", builder.Failure());
    EXPECT_EQ(staged, Keys("SELECT BillID FROM bi_Bill_Upload_Date"));
    EXPECT_FALSE(Db()->InTransaction());
  }
}

INSTANTIATE_HOST_DATABASE_TEST(UploadBillTest);

}  // namespace
}  // namespace tavex
