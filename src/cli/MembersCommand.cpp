#include "cli/Commands.h"
#include "cli/ConsoleProgress.h"
#include "engine/RunProgress.h"
#include "framework/ExchangeContext.h"
#include "i18n/Messages.h"
#include "members/MemberSync.h"

namespace tavex::cli {

namespace {

// The run's host on a console: its lines and bar, and the records of raised
// failures kept for the error stream.
class ConsoleMemberHost : public DownloadHost {
 public:
  ConsoleMemberHost(ProgressList& list, ProgressBar& bar) : mView{.list = &list, .bar = &bar} {}

  const RunView& View() override { return mView; }
  std::unique_ptr<engine::Package> NewPackage() override {
    auto package = std::make_unique<engine::Package>();
    package->OnProccess([this](const std::string&, std::int32_t totalCount,
                               std::int32_t totalFinished, const std::string& step,
                               std::int32_t count, std::int32_t finished, bool&, bool newStep) {
      ShowPackageProgress(mView, totalCount, totalFinished, step, count, finished, newStep);
    });
    return package;
  }
  void FailureLogged(const std::string& record) override { failures += record + '\n'; }

  std::string failures;

 private:
  RunView mView;
};

int Run(const CommandLine& line, std::ostream& out, std::ostream& err) {
  const auto connection = OpenHostDatabase(line);
  LoadMessages();
  ExchangeContext::Instance().SetConnection(connection);
  std::string failures;
  const bool done = RunWithConsoleProgress(out, err, [&](ProgressList& list, ProgressBar& bar) {
    ConsoleMemberHost host(list, bar);
    const bool result = MemberSync(host, [&](const std::string& record) {
                          host.FailureLogged(record);
                        }).Run() == MemberSyncResult::Done;
    failures = host.failures;
    return result;
  });
  // The lines say what failed; the log records say why.
  err << failures;
  return done ? kExitOk : kExitFailed;
}

}  // namespace

Command MembersCommand() {
  return {"members",
          "--db CONN [--home DIR]",
          "sends the member records not yet uploaded to the FTP server's upload folder as one "
          "package, then fetches and merges every package waiting in the branch's download "
          "folder, as the member synchronisation wizard does (exit 0 when both halves succeeded, "
          "1 otherwise)",
          {},
          &Run};
}

}  // namespace tavex::cli
