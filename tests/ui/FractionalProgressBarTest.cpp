#include <gtest/gtest.h>

#include "ui/FractionalProgressBar.h"
#include "ui/QtUiServices.h"
#include "ui/ScreenPlacement.h"

namespace tavex::ui {
namespace {

TEST(FractionalProgressBar, TenthsAndThousandthsEachMoveTheDrawnBar) {
  FractionalProgressBar bar;
  bar.SetMax(100);
  int drawn = bar.value();
  for (int i = 1; i <= 5; ++i) {
    bar.SetValue(bar.Value() + 0.001);
    EXPECT_GT(bar.value(), drawn) << "step " << i;
    drawn = bar.value();
  }
  bar.SetValue(0);
  for (int i = 1; i <= 10; ++i) bar.SetValue(bar.Value() + 0.1);
  EXPECT_NEAR(bar.Value(), 1.0, 1e-9);
  EXPECT_EQ(bar.value(), 1000);
}

TEST(FractionalProgressBar, ValueReadsBackAsSetAndTheDrawnBarStaysInRange) {
  FractionalProgressBar bar;
  bar.SetMin(0);
  bar.SetMax(12.5);
  bar.SetValue(3.1415);
  EXPECT_DOUBLE_EQ(bar.Value(), 3.1415);
  EXPECT_EQ(bar.maximum(), 12500);
  bar.SetValue(20);
  EXPECT_DOUBLE_EQ(bar.Value(), 20);
  EXPECT_EQ(bar.value(), bar.maximum());
}

TEST(ScreenPlacement, CentringRoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(CentredOffset(1920, 700), 610);
  EXPECT_EQ(CentredOffset(1921, 700), 610);  // 610.5
  EXPECT_EQ(CentredOffset(1923, 700), 612);  // 611.5
  EXPECT_EQ(CentredOffset(600, 700), -50);
  EXPECT_EQ(TwipsToPixels(1000), 67);
  EXPECT_EQ(PixelsToTwips(67), 1005);
}

TEST(QtFileFilter, AddsThePatternOnlyWhenTheDescriptionLacksIt) {
  EXPECT_EQ(QtFileFilter("数据库文件(*.pkg)|*.pkg"), "数据库文件(*.pkg)");
  EXPECT_EQ(QtFileFilter("Packages|*.pkg"), "Packages (*.pkg)");
  EXPECT_EQ(QtFileFilter("All files"), "All files");
  EXPECT_EQ(QtFileFilter("Database(*.db)|*.db|CSV|*.csv"), "Database(*.db);;CSV (*.csv)");
}

}  // namespace
}  // namespace tavex::ui
