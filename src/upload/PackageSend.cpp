#include "upload/PackageSend.h"

#include <filesystem>

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "transfer/clsFTP.h"

namespace tavex {

bool SendPackageFile(const ExchangeSettings& settings, const SendView& view) {
  const MessageTexts& texts = Messages();
  const auto after = [&](int line) {
    if (view.afterLine) view.afterLine(line);
  };
  bool result = false;
  std::string description;  // of a failure raised on the way
  clsFTP ftp;
  try {
    view.addLine(texts.Msg_FTP_Connect + settings.gsFtpHost + " ...");
    after(0);
    if (ftp.Connect(settings.gsFtpHost, settings.gsFtpUID, settings.gsFtpPSW)) {
      view.addLine(texts.Msg_FTP_SetFtpDir + settings.gsUploadPath + " ...");
      after(1);
      if (ftp.SetFtpDir(settings.gsUploadPath)) {
        view.addLine(texts.Msg_FTP_Uploading + view.shownName + " ...");
        after(2);
        const std::string remoteName =
            std::filesystem::path(settings.gsPkgName).filename().string();
        if (ftp.PutFile(remoteName, settings.gsPkgName)) {
          view.addLine(texts.Msg_UploadData_Success);
          result = true;
        } else {
          view.addLine(texts.Msg_FTP_Upload_Fault);
        }
      } else {
        view.addLine(texts.Msg_FTP_SetFtpDir_Fault);
      }
    } else {
      view.addLine(texts.Msg_FTP_Connect_Fault);
    }
  } catch (const std::exception& failure) {
    result = false;
    description = failure.what();
  }
  IgnoreFailure([&] { ftp.DisConnect(); });
  if (!description.empty()) view.raised(description);
  return result;
}

}  // namespace tavex
