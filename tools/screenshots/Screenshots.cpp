// Renders every built dialog at each of its steps into PNG files, in
// Simplified Chinese (the built-in texts), Traditional Chinese
// (languages/tavExDataApp.big) or English (languages/tavExDataApp.eng), for
// the README: ui_screenshots OUTPUT_FOLDER zh|hk|en. Runs offscreen; each picture
// gets a plain title bar, so the dialog's caption shows too.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFont>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>

#include "cli/SampleDatabase.h"
#include "engine/FSComprFile.h"
#include "engine/Package.h"
#include "framework/SettingIds.h"
#include "framework/SettingsStore.h"
#include "i18n/Messages.h"
#include "i18n/cLanguage.h"
#include "support/FtpServer.h"
#include "support/HostDatabase.h"
#include "support/HttpServer.h"
#include "support/ScopedHostConnection.h"
#include "support/TempDir.h"
#include "ui/Theme.h"
#include "wizards/frmBackup.h"
#include "wizards/frmDDBackup.h"
#include "wizards/frmDDDelete.h"
#include "wizards/frmDelete.h"
#include "wizards/frmDownload.h"
#include "wizards/frmExport.h"
#include "wizards/frmFTP.h"
#include "wizards/frmMemberSyn.h"
#include "wizards/frmRestore.h"
#include "wizards/frmStBackup.h"
#include "wizards/frmStDelete.h"
#include "wizards/frmUpload.h"

namespace tavex {
namespace {

namespace fs = std::filesystem;

// Answers nothing interactively: boxes go to stderr, questions answer No,
// and every round of pending events may take a picture.
class ScriptedUi : public ui::UiServices {
 public:
  void MessageBox(const std::string& text, const std::string& title) override {
    std::cerr << "message box: " << title << ": " << text << "\n";
  }
  bool AskYesNo(const std::string&, const std::string&, ui::Answer) override { return false; }
  std::optional<std::string> ChooseFile(const ui::FileChoice&) override { return std::nullopt; }
  void OpenInViewer(const std::string&) override {}
  void ProcessEvents() override {
    QCoreApplication::processEvents();
    if (onProcessEvents) onProcessEvents();
  }
  std::function<void()> onProcessEvents;
};

class Renderer {
 public:
  Renderer(std::string folder, std::string language)
      : mFolder(std::move(folder)), mLanguage(std::move(language)) {}

  // The widget as a window: a title bar with its caption above its content.
  void Save(QWidget& widget, const std::string& name) {
    QApplication::processEvents();
    const QPixmap content = widget.grab();
    const int bar = 34;
    QImage image(content.width(), content.height() + bar, QImage::Format_ARGB32);
    image.fill(QColor(0xE9, 0xEC, 0xEF));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x1D, 0x2A, 0x33));
    QFont font = widget.font();
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, image.width(), bar), Qt::AlignCenter, widget.windowTitle());
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
      painter.setBrush(QColor(i == 0 ? 0xE0 : 0xB8, i == 0 ? 0x6C : 0xC0, i == 0 ? 0x5A : 0xC8));
      painter.drawEllipse(QPointF(image.width() - 22 - i * 22, bar / 2.0), 6, 6);
    }
    painter.drawPixmap(0, bar, content);
    painter.end();
    const std::string path = mFolder + "/" + name + "-" + mLanguage + ".png";
    if (!image.save(QString::fromStdString(path))) std::cerr << "cannot write " << path << "\n";
    std::cout << path << "\n";
  }

 private:
  std::string mFolder;
  std::string mLanguage;
};

void SetText(QWidget& dialog, const char* name, const char* text) {
  dialog.findChild<QLineEdit*>(name)->setText(text);
}

// Clicks Next and, while the step runs, saves the wizard as `name` the first
// time its progress list is `ready`.
void NextTakingOnePicture(ScriptedUi& ui, Renderer& renderer, ui::WizardFrame& wizard,
                          const std::string& name,
                          const std::function<bool(const QListWidget&)>& ready) {
  bool taken = false;
  ui.onProcessEvents = [&] {
    if (!taken && ready(*wizard.findChild<QListWidget*>("lstProgress"))) {
      taken = true;
      renderer.Save(wizard, name);
    }
  };
  wizard.cmdNext_Click();
  ui.onProcessEvents = nullptr;
}

// A ready test: the last progress line begins with `text`.
std::function<bool(const QListWidget&)> LastLineStartsWith(const std::string& text) {
  return [text](const QListWidget& list) {
    return list.count() > 0 &&
           list.item(list.count() - 1)->text().startsWith(QString::fromStdString(text));
  };
}

// A ready test: the list holds `count` lines.
std::function<bool(const QListWidget&)> LineCount(int count) {
  return [count](const QListWidget& list) { return list.count() == count; };
}

void RenderSettings(Renderer& renderer, const test::TempDir& home) {
  test::HttpServer ddns;
  ddns.Answer("/DDNS/getIP.asp", 200, "[IP]203.0.113.7[/IP]");
  ddns.Answer("/DDNS/getServerIP.asp", 200, "[IP]198.51.100.20[/IP]");
  // The site reaches its server over SFTP, which the dialog shows.
  test::WriteFile(home / "Octopus/MAIN.INI",
                  "[FTP]\nProtocol=sftp\nPort=22\n[DDNS]\nBaseUrl=" + ddns.BaseUrl() + "\n");
  ScriptedUi ui;
  frmFTP dialog(ui);
  dialog.Prepare();
  SetText(dialog, "txtID", "HBR");
  SetText(dialog, "txtName", "Harbour Road");
  SetText(dialog, "txtHost", "files.tavolo-hq.example");
  SetText(dialog, "txtUID", "branch-hbr");
  SetText(dialog, "txtPSW", "secret");
  SetText(dialog, "txtPort", "22");
  dialog.show();
  renderer.Save(dialog, "frmFTP-direct");
  dialog.findChild<QRadioButton*>("optType_1")->setChecked(true);
  SetText(dialog, "txtClientID", "harbour");
  SetText(dialog, "txtPassword", "secret");
  dialog.cmdDDNS_Click();
  renderer.Save(dialog, "frmFTP-tavlink");
}

// A package of three tables, as the backup wizards write one (and, under a
// branch's package id, as a branch sends one).
void WritePackage(const std::string& path, const std::string& packageId = "BACKUP") {
  test::TempDir work;
  auto branch = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, work));
  engine::Package package;
  package.PackageID(packageId);
  const char* tables[][2] = {{"dd_Category", "1. 菜品类别表"},
                             {"dd_Dish", "2. 菜品资料表"},
                             {"dd_Table", "3. 桌台资料表"}};
  int rows = 12;
  for (const auto& [table, caption] : tables) {
    branch->Execute(std::string("CREATE TABLE ") + table + " (ID TEXT PRIMARY KEY, Name TEXT)");
    for (int i = 1; i <= rows; ++i) {
      branch->Execute(std::string("INSERT INTO ") + table + " VALUES (?, ?)",
                      {std::to_string(i), std::string("名称 ") + std::to_string(i)});
    }
    rows *= 4;
    package.ExDatas().Add(caption, std::string("SELECT * FROM ") + table, table, false, false);
  }
  const std::string database = work / "backup.mdb";
  test::WriteFile(database, "");
  package.SourceConnection(branch);
  package.TargetConnection(db::OpenConnection(db::PackageConnectionString(database)));
  package.Export(false, true, 1);
  engine::FSComprFile packer;
  packer.SourceFile(database);
  packer.TargetFile(path);
  packer.Compress();
}

// A host database in `folder` with the tables of WritePackage.
std::shared_ptr<db::Connection> HostWithTables(const test::TempDir& folder) {
  auto host = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, folder));
  for (const char* table : {"dd_Category", "dd_Dish", "dd_Table"}) {
    host->Execute(std::string("CREATE TABLE ") + table + " (ID TEXT PRIMARY KEY, Name TEXT)");
  }
  return host;
}

void RenderRestore(Renderer& renderer, const test::TempDir& home) {
  test::ScopedHostConnection hostScope(HostWithTables(home));
  const std::string package = home / "Backup/base-2026-12-06.pkg";
  fs::create_directories(home / "Backup");
  WritePackage(package);
  test::WriteFile(home / "Backup/damaged.pkg", "this is not a package");

  ScriptedUi ui;
  frmRestore wizard(ui);
  wizard.Prepare();
  wizard.show();
  renderer.Save(wizard, "frmRestore-0-welcome");
  wizard.cmdNext_Click();
  auto* file = wizard.findChild<QLineEdit*>("txtFileName");
  file->setText(QString::fromStdString(home / "Backup/damaged.pkg"));
  wizard.cmdNext_Click();
  renderer.Save(wizard, "frmRestore-1-damaged");
  file->setText(QString::fromStdString(package));
  NextTakingOnePicture(ui, renderer, wizard, "frmRestore-1-running", LineCount(2));
  renderer.Save(wizard, "frmRestore-2-finished");
}

// Head office "HQ" with a damaged package and then a sound one waiting on a
// local FTP server: the failed run, the next run appending its lines, the
// finish panel.
void RenderDownload(Renderer& renderer, const test::TempDir& home) {
  test::TempDir work;
  auto host = HostWithTables(work);
  test::FtpServer server;
  SettingsStore store(host);
  store.SetSetting(kSettingBranchID, "HQ");
  store.SetSetting(kSettingBranchName, "总部");
  store.SetSetting(kSettingFtpServer, server.Host());
  store.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
  store.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
  test::ScopedHostConnection hostScope(host);
  test::WriteFile(home / "Octopus/MAIN.INI",
                  "[FTP]\nPort=" + std::to_string(server.Port()) + "\nTimeOut=10\n");
  server.PutFile("ForDownload/HQ/B01-261206093012.pkg", "this is not a package");

  ScriptedUi ui;
  frmDownload wizard(ui);
  wizard.Prepare();
  wizard.show();
  renderer.Save(wizard, "frmDownload-0-welcome");
  wizard.cmdNext_Click();
  wizard.cmdNext_Click();
  renderer.Save(wizard, "frmDownload-1-failed");
  WritePackage(work / "B02-261206211530.pkg", "B02-261206211530");
  server.PutFile("ForDownload/HQ/B02-261206211530.pkg",
                 test::ReadFile(work / "B02-261206211530.pkg"));
  NextTakingOnePicture(ui, renderer, wizard, "frmDownload-1-running",
                       LastLineStartsWith(Messages().Msg_Proc_Copying));
  wizard.findChild<QCheckBox*>("chkViewLog")->setChecked(true);
  renderer.Save(wizard, "frmDownload-2-finished");
}

// A branch with the sample's member records waiting: the first run finds no
// upload folder on the server, the second sends them.
void RenderMemberSyn(Renderer& renderer, const test::TempDir& home) {
  test::TempDir work;
  auto host = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, work));
  cli::SampleOptions sample;
  sample.bills = 200;
  sample.days = 2;
  cli::CreateSampleDatabase(host, sample);
  test::FtpServer server;
  SettingsStore store(host);
  store.SetSetting(kSettingFtpServer, server.Host());
  store.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
  store.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
  test::ScopedHostConnection hostScope(host);
  test::WriteFile(home / "Octopus/MAIN.INI",
                  "[FTP]\nPort=" + std::to_string(server.Port()) + "\nTimeOut=10\n");

  ScriptedUi ui;
  frmMemberSyn wizard(ui);
  wizard.Prepare();
  wizard.show();
  renderer.Save(wizard, "frmMemberSyn-0-welcome");
  wizard.cmdNext_Click();
  wizard.cmdNext_Click();
  renderer.Save(wizard, "frmMemberSyn-1-failed");
  server.MakeFolder("ForUpload");
  server.MakeFolder("ForDownload/B01");
  NextTakingOnePicture(ui, renderer, wizard, "frmMemberSyn-1-running",
                       LastLineStartsWith(Messages().Msg_Proc_Copying + "50."));
  wizard.findChild<QCheckBox*>("chkViewLog")->setChecked(true);
  renderer.Save(wizard, "frmMemberSyn-2-finished");
}

// A wizard that writes a file, on the sample host database: its welcome
// step (after `choose`), the run once its first table is copied, the finish.
// An empty `path` keeps the path the wizard proposes.
template <typename Wizard>
void RenderFileWizard(Renderer& renderer, const std::string& name, const std::string& path,
                      const std::function<void(Wizard&)>& choose = {}) {
  ScriptedUi ui;
  Wizard wizard(ui);
  wizard.Prepare();
  wizard.show();
  if (choose) choose(wizard);
  renderer.Save(wizard, name + "-0-welcome");
  wizard.cmdNext_Click();
  for (auto* field : wizard.template findChildren<QLineEdit*>()) {
    if (field->objectName().startsWith("txt") && !path.empty()) {
      field->setText(QString::fromStdString(path));
    }
  }
  NextTakingOnePicture(ui, renderer, wizard, name + "-1-running", [](const QListWidget& list) {
    return list.count() > 0 &&
           list.item(0)->text().startsWith(QString::fromStdString(Messages().Msg_Proc_Copied_Left));
  });
  renderer.Save(wizard, name + "-2-finished");
}

void RenderBackupsAndExport(Renderer& renderer, const test::TempDir& home) {
  test::TempDir work;
  auto host = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, work));
  cli::CreateSampleDatabase(host, cli::SampleOptions{});
  test::ScopedHostConnection hostScope(host);
  fs::create_directories(home / "Backup");
  RenderFileWizard<frmBackup>(
      renderer, "frmBackup", home / "Backup/bills-2024-03.pkg", [](frmBackup& wizard) {
        wizard.findChild<QRadioButton*>("optDeleteType_1")->setChecked(true);
      });
  RenderFileWizard<frmDDBackup>(renderer, "frmDDBackup", "");
  RenderFileWizard<frmStBackup>(
      renderer, "frmStBackup", home / "Backup/stock-master.pkg", [](frmStBackup& wizard) {
        wizard.findChild<QRadioButton*>("optDeleteType_2")->setChecked(true);
      });
  RenderFileWizard<frmExport>(renderer, "frmExport", home / "Backup/members.db");
}

// A delete wizard on the sample host database: its welcome step (after
// `choose`), the run at its third table under the sample's manager, the finish.
template <typename Wizard>
void RenderDeleteWizard(Renderer& renderer, const std::string& name,
                        const std::function<void(Wizard&)>& choose = {}) {
  ScriptedUi ui;
  Wizard wizard(ui);
  wizard.Prepare();
  wizard.show();
  if (choose) choose(wizard);
  renderer.Save(wizard, name + "-0-welcome");
  wizard.cmdNext_Click();
  SetText(wizard, "txtUID", "admin");
  SetText(wizard, "txtPSW", "admin");
  NextTakingOnePicture(ui, renderer, wizard, name + "-1-running", LineCount(3));
  renderer.Save(wizard, name + "-2-finished");
}

// The settled bills of two days already at head office, the stock master
// tables, every group of base data.
void RenderDeletes(Renderer& renderer) {
  test::TempDir work;
  auto host = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, work));
  cli::CreateSampleDatabase(host, cli::SampleOptions{});
  test::ScopedHostConnection hostScope(host);
  RenderDeleteWizard<frmDelete>(renderer, "frmDelete", [](frmDelete& wizard) {
    wizard.findChild<QDateEdit*>("dtpBegin")->setDate(QDate(2024, 3, 1));
    wizard.findChild<QDateEdit*>("dtpEnd")->setDate(QDate(2024, 3, 2));
  });
  RenderDeleteWizard<frmStDelete>(renderer, "frmStDelete", [](frmStDelete& wizard) {
    wizard.findChild<QRadioButton*>("optDeleteType_2")->setChecked(true);
  });
  // Last: it empties the accounts too.
  RenderDeleteWizard<frmDDDelete>(renderer, "frmDDDelete");
}

// Branch B01 of the sample database with a week of bills and stock, and a
// local FTP server: the choice, the run while it sends, the finish panel
// after a send and after an export only.
void RenderUpload(Renderer& renderer, const test::TempDir& home) {
  test::TempDir work;
  auto host = db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, work));
  cli::CreateSampleDatabase(host, {});
  test::FtpServer server;
  server.MakeFolder("ForUpload");
  SettingsStore store(host);
  store.SetSetting(kSettingFtpServer, server.Host());
  store.SetSetting(kSettingFtpUser, test::FtpServer::kUser);
  store.SetSetting(kSettingFtpPassword, test::FtpServer::kPassword);
  test::ScopedHostConnection hostScope(host);
  test::WriteFile(home / "Octopus/MAIN.INI",
                  "[FTP]\nPort=" + std::to_string(server.Port()) + "\nTimeOut=10\n");

  ScriptedUi ui;
  for (const bool exportOnly : {false, true}) {
    frmUpload wizard(ui);
    wizard.Prepare();
    for (const char* type : {"chkDataType_0", "chkDataType_1", "chkDataType_3"}) {
      wizard.findChild<QCheckBox*>(type)->setChecked(true);
    }
    wizard.findChild<QRadioButton*>("optDataType_1")->setChecked(true);
    for (const auto& [picker, day] : {std::pair{"dtpBegin", 1}, std::pair{"dtpEnd", 7},
                                      std::pair{"dtpBegin1", 1}, std::pair{"dtpEnd1", 7}}) {
      wizard.findChild<QDateEdit*>(picker)->setDate(QDate(2024, 3, day));
    }
    wizard.findChild<QRadioButton*>(exportOnly ? "optUploadType_1" : "optUploadType_0")
        ->setChecked(true);
    wizard.show();
    if (!exportOnly) renderer.Save(wizard, "frmUpload-0-choice");
    wizard.cmdNext_Click();
    if (exportOnly) {
      wizard.cmdNext_Click();
    } else {
      NextTakingOnePicture(ui, renderer, wizard, "frmUpload-1-sending",
                           LastLineStartsWith(Messages().Msg_FTP_Uploading));
    }
    wizard.findChild<QCheckBox*>("chkViewLog")->setChecked(!exportOnly);
    renderer.Save(wizard, exportOnly ? "frmUpload-2-exported" : "frmUpload-2-sent");
  }
}

}  // namespace
}  // namespace tavex

int main(int argc, char** argv) {
  using namespace tavex;
  // Each picture set's language number: the built-in texts, the shipped
  // Traditional Chinese file, the shipped English file.
  const std::map<std::string, std::int32_t> languages = {{"zh", 0}, {"hk", 2}, {"en", 3}};
  if (argc != 3 || !languages.contains(argv[2])) {
    std::cerr << "usage: ui_screenshots OUTPUT_FOLDER zh|hk|en\n";
    return 2;
  }
  test::TempDir home;
  test::ScopedEnv plugin("TAVEX_HOME", home.Path());
  test::ScopedEnv config("XDG_CONFIG_HOME", home / "config");
  if (const std::int32_t language = languages.at(argv[2]); language != 0) {
    const std::string file = "tavExDataApp" + cLanguage::Extension(language);
    test::WriteFile(home / "config/Tavolo/Tavolo.ini",
                    "[Language]\nLanguage=" + std::to_string(language) + "\n");
    test::WriteFile(home / ("Languages/" + file),
                    test::ReadFile(std::string(TAVEX_SOURCE_DIR) + "/languages/" + file));
  }
  QApplication application(argc, argv);
  LoadMessages();
  test::ScopedHostConnection hostScope(
      db::OpenConnection(test::CreateEmptyHostDatabase(db::Backend::Sqlite, home)));
  fs::create_directories(argv[1]);
  Renderer renderer(argv[1], argv[2]);
  RenderSettings(renderer, home);
  RenderRestore(renderer, home);
  RenderDownload(renderer, home);
  RenderMemberSyn(renderer, home);
  RenderBackupsAndExport(renderer, home);
  RenderUpload(renderer, home);
  RenderDeletes(renderer);
  return 0;
}
