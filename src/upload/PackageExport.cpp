#include "upload/PackageExport.h"

#include <filesystem>

#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "storage/DatabaseHelpers.h"
#include "storage/IgnoreFailure.h"
#include "trust/PackageSignature.h"

namespace tavex {

namespace {

void DeletePackageDatabase(const std::shared_ptr<db::Connection>& target,
                           const std::string& path) noexcept {
  IgnoreFailure([&] {
    if (target && target->IsOpen()) target->Close();
  });
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

}  // namespace

std::optional<TemporaryFile> ExportPackageFile(engine::Package& package,
                                               engine::FSComprFile& compressor,
                                               const ExchangeSettings& settings,
                                               const AddLineFn& addLine,
                                               const ExportFailureFn& raised) {
  const MessageTexts& texts = Messages();
  std::shared_ptr<db::Connection> target;
  try {
    addLine(texts.Msg_ExportData);
    // A site with a key signs what it sends; one whose key cannot be read
    // sends nothing (the failure is raised below).
    const std::unique_ptr<engine::FrameAhead> signer =
        trust::SignerOfOwnPackage(settings.gsPkgName, settings.gsBranchID);
    storage::CreateEmptyDatabase(settings.gsMdbName);
    target = db::OpenConnection(db::PackageConnectionString(settings.gsMdbName));
    // The receivers check that the package's name and rows are the sender's.
    package.Sender(settings.gsBranchID);
    package.SourceConnection(ExchangeContext::Instance().Connection());
    package.TargetConnection(target);
    if (package.Export(false, true, 1)) {
      target->Close();
      compressor.SourceFile(settings.gsMdbName);
      compressor.TargetFile(settings.gsPkgName);
      compressor.Compress(signer.get());
      DeletePackageDatabase(target, settings.gsMdbName);
      if (compressor.ErrorCode() != engine::FSComprFile::kNoError) {
        addLine(texts.Msg_ExportData_Compress_Fault);
        return std::nullopt;
      }
      return TemporaryFile(settings.gsPkgName);
    }
    const engine::Errors& errors = package.Errors();
    if (errors.Count() >= 1) {
      addLine(texts.Msg_ExportData_Fault_Left + std::to_string(errors.Count()) +
              texts.Msg_ExportData_Fault_Right);
      for (std::int32_t i = 1; i <= errors.Count(); ++i) {
        addLine(std::to_string(i) + ". " + std::to_string(errors.Item(i).Number()) + "，" +
                errors.Item(i).Description());
      }
    } else {
      addLine(texts.Msg_ExportData_Canceled);
    }
    DeletePackageDatabase(target, settings.gsMdbName);
    return std::nullopt;
  } catch (const std::exception& failure) {
    if (*failure.what() != '\0') raised(failure.what());
    // A half-built package database is of no use to anyone: the next run
    // builds its own under a new name.
    DeletePackageDatabase(target, settings.gsMdbName);
    return std::nullopt;
  }
}

}  // namespace tavex
