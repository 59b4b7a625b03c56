#include <gtest/gtest.h>

#include <QApplication>

#include "i18n/Messages.h"
#include "support/TempDir.h"

// The dialogs need a Qt application (offscreen in the test run) and the
// message texts; both come from a plug-in folder and a user configuration of
// the test's own, without language files, so every text is its default.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tavex::test::TempDir home;
  tavex::test::ScopedEnv plugin("TAVEX_HOME", home.Path());
  tavex::test::ScopedEnv config("XDG_CONFIG_HOME", home / "config");
  QApplication application(argc, argv);
  tavex::LoadMessages();
  return RUN_ALL_TESTS();
}
