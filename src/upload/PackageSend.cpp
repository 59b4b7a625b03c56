#include "upload/PackageSend.h"

#include <filesystem>

#include "i18n/Messages.h"
#include "storage/IgnoreFailure.h"
#include "transfer/clsFTP.h"

namespace tavex {

bool SendPackageFile(const ExchangeSettings& settings, const std::string& shownName,
                     const AddLineFn& addLine, const SendSweepFn& sweep,
                     const ExportFailureFn& raised) {
  const MessageTexts& texts = Messages();
  const auto sweepTo = [&](int from, int to) {
    if (sweep) sweep(from, to);
  };
  bool result = false;
  std::string description;  // of a failure raised on the way
  clsFTP ftp;
  try {
    addLine(texts.Msg_FTP_Connect + settings.gsFtpHost + " ...");
    sweepTo(1, 200);
    if (ftp.Connect(settings.gsFtpHost, settings.gsFtpUID, settings.gsFtpPSW)) {
      addLine(texts.Msg_FTP_SetFtpDir + settings.gsUploadPath + " ...");
      sweepTo(201, 500);
      if (ftp.SetFtpDir(settings.gsUploadPath)) {
        addLine(texts.Msg_FTP_Uploading + shownName + " ...");
        sweepTo(501, 800);
        const std::string remoteName =
            std::filesystem::path(settings.gsPkgName).filename().string();
        if (ftp.PutFile(remoteName, settings.gsPkgName)) {
          addLine(texts.Msg_UploadData_Success);
          result = true;
        } else {
          addLine(texts.Msg_FTP_Upload_Fault);
        }
      } else {
        addLine(texts.Msg_FTP_SetFtpDir_Fault);
      }
    } else {
      addLine(texts.Msg_FTP_Connect_Fault);
    }
  } catch (const std::exception& failure) {
    result = false;
    description = failure.what();
  }
  IgnoreFailure([&] { ftp.DisConnect(); });
  // Reported once the client is closed: a receiver may throw.
  if (!description.empty()) raised(description);
  return result;
}

}  // namespace tavex
