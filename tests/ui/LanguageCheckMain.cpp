#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <iostream>

#include "FakeUiServices.h"
#include "ProductTexts.h"
#include "framework/ExchangeContext.h"
#include "support/HostDatabase.h"
#include "support/ScopedHostConnection.h"

// The language-file checks. With --skeleton it prints instead a language
// file holding every text the product reads with its built-in default, for
// translators to compare their files with.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tavex::test::TempDir home;
  tavex::test::ScopedEnv plugin("TAVEX_HOME", home.Path());
  tavex::test::ScopedEnv config("XDG_CONFIG_HOME", home / "config");
  QApplication application(argc, argv);
  if (argc == 2 && std::strcmp(argv[1], "--skeleton") == 0) {
    tavex::test::ScopedHostConnection hostScope(nullptr);
    tavex::test::FakeUiServices ui;
    tavex::CSubSystem subSystem(ui);
    tavex::MainSystem host(tavex::db::OpenConnection(
        tavex::test::CreateEmptyHostDatabase(tavex::db::Backend::Sqlite, home)));
    subSystem.SetHost(host);
    std::cout << tavex::test::Skeleton(tavex::test::TextsTheProductReads(subSystem));
    return 0;
  }
  return RUN_ALL_TESTS();
}
