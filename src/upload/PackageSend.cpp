#include "upload/PackageSend.h"

#include <filesystem>

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "transfer/clsFTP.h"

namespace tavex {

namespace {

// The bar's share of each step of a send: connecting, opening the folder,
// uploading.
constexpr SweepRange kSweepConnect{1, 200};
constexpr SweepRange kSweepOpenFolder{201, 500};
constexpr SweepRange kSweepUpload{501, 800};

}  // namespace

bool SendPackageFile(const ExchangeSettings& settings, const SendView& view) {
  const MessageTexts& texts = Messages();
  const auto line = [&](const std::string& text) { AddRunLine(view.run, text); };
  const auto sweep = [&](SweepRange range) {
    if (view.sweepBar) SweepRunBar(view.run, range);
  };
  bool result = false;
  std::string description;  // of a failure raised on the way
  clsFTP ftp;
  try {
    line(texts.Msg_FTP_Connect + settings.gsFtpHost + " ...");
    sweep(kSweepConnect);
    if (ftp.Connect(settings.gsFtpHost, settings.gsFtpUID, settings.gsFtpPSW)) {
      line(texts.Msg_FTP_SetFtpDir + settings.gsUploadPath + " ...");
      sweep(kSweepOpenFolder);
      if (ftp.SetFtpDir(settings.gsUploadPath)) {
        line(texts.Msg_FTP_Uploading + view.shownName + " ...");
        sweep(kSweepUpload);
        const std::string remoteName =
            std::filesystem::path(settings.gsPkgName).filename().string();
        if (ftp.PutFile(remoteName, settings.gsPkgName)) {
          line(texts.Msg_UploadData_Success);
          result = true;
        } else {
          line(texts.Msg_FTP_Upload_Fault);
        }
      } else {
        line(texts.Msg_FTP_SetFtpDir_Fault);
      }
    } else {
      line(texts.Msg_FTP_Connect_Fault);
    }
  } catch (const std::exception& failure) {
    result = false;
    description = failure.what();
  }
  IgnoreFailure([&] { ftp.DisConnect(); });
  if (!description.empty()) view.raised(description);
  return result;
}

void MarkPackageSent(db::Connection& host, engine::Package& package) {
  host.BeginTrans(db::TransactionKind::Strict);
  try {
    if (!package.RunSourceStatements()) throw db::DbError(package.Errors().Item(1).Description());
    host.CommitTrans();
  } catch (...) {
    IgnoreFailure([&] {
      if (host.InTransaction()) host.RollbackTrans();
    });
    throw;
  }
}

}  // namespace tavex
