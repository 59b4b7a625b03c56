#include "support/PgCluster.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace tavex::test {
namespace {

namespace fs = std::filesystem;

const std::string kBin = "/usr/lib/postgresql/15/bin/";

bool RunningAsRoot() { return ::geteuid() == 0; }

// Runs a server program (as postgres when we are root) with its output
// appended to `log`; true when it exits with 0.
bool RunServerProgram(std::vector<std::string> args, const std::string& log) {
  if (RunningAsRoot()) {
    args.insert(args.begin(), {"/usr/sbin/runuser", "-u", "postgres", "--"});
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadLog(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

struct PgCluster::State {
  State() {
    std::string pattern = (fs::temp_directory_path() / "tavex-pg-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    mFolder = pattern;
    mLog = mFolder + "/server.log";
    if (RunningAsRoot()) {
      const passwd* user = ::getpwnam("postgres");
      if (user == nullptr || ::chown(mFolder.c_str(), user->pw_uid, user->pw_gid) != 0) {
        throw std::runtime_error("Cannot hand " + mFolder + " to user postgres");
      }
    }
    const std::string data = mFolder + "/data";
    if (!RunServerProgram({kBin + "initdb", "-D", data, "-A", "trust", "-U", "postgres", "-E",
                           "UTF8", "--locale=C", "--no-sync", "--no-instructions"},
                          mLog)) {
      Fail("initdb");
    }
    const std::string options = "-k " + mFolder +
                                " -c listen_addresses='' -c fsync=off"
                                " -c synchronous_commit=off -c full_page_writes=off";
    if (!RunServerProgram({kBin + "pg_ctl", "-D", data, "-l", mLog + ".server", "-w", "-t", "60",
                           "-o", options, "start"},
                          mLog)) {
      Fail("pg_ctl start");
    }
    mStarted = true;
    const std::string admin = "postgresql:///postgres?host=" + mFolder + "&user=postgres";
    mAdmin.reset(PQconnectdb(admin.c_str()));
    if (PQstatus(mAdmin.get()) != CONNECTION_OK) {
      throw std::runtime_error(std::string("Cannot connect to the test cluster: ") +
                               PQerrorMessage(mAdmin.get()));
    }
  }

  State(const State&) = delete;
  State& operator=(const State&) = delete;

  ~State() {
    mAdmin.reset();
    if (mStarted) {
      RunServerProgram({kBin + "pg_ctl", "-D", mFolder + "/data", "-m", "immediate", "-w", "stop"},
                       mLog);
    }
    std::error_code ignored;
    fs::remove_all(mFolder, ignored);
  }

  std::string CreateDatabase() {
    const std::string name = "tavex_" + std::to_string(::getpid()) + "_" + std::to_string(++mCount);
    const std::string sql = "CREATE DATABASE " + name;
    std::unique_ptr<PGresult, void (*)(PGresult*)> result(PQexec(mAdmin.get(), sql.c_str()),
                                                          PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      throw std::runtime_error(std::string("CREATE DATABASE failed: ") +
                               PQerrorMessage(mAdmin.get()));
    }
    return "postgresql:///" + name + "?host=" + mFolder + "&user=postgres";
  }

  [[noreturn]] void Fail(const std::string& step) {
    const std::string log = ReadLog(mLog) + ReadLog(mLog + ".server");
    std::error_code ignored;
    fs::remove_all(mFolder, ignored);
    throw std::runtime_error("The test PostgreSQL cluster did not start (" + step + "):\n" + log);
  }

  std::string mFolder;
  std::string mLog;
  bool mStarted = false;
  std::unique_ptr<PGconn, void (*)(PGconn*)> mAdmin{nullptr, PQfinish};
  int mCount = 0;
};

PgCluster::PgCluster() : mState(std::make_unique<State>()) {}
PgCluster::~PgCluster() = default;

bool PgCluster::Available() { return UnavailableReason().empty(); }

std::string PgCluster::UnavailableReason() {
  std::error_code ignored;
  if (!fs::exists(kBin + "initdb", ignored) || !fs::exists(kBin + "pg_ctl", ignored)) {
    return "PostgreSQL 15 server programs are not installed (" + kBin +
           "); scripts/install-deps.sh installs them";
  }
  if (RunningAsRoot() && ::getpwnam("postgres") == nullptr) {
    return "There is no user postgres to run the test PostgreSQL server as";
  }
  return {};
}

PgCluster& PgCluster::Shared() {
  // Started on first use, stopped by the static destructor at exit.
  static PgCluster cluster;
  return cluster;
}

std::string PgCluster::CreateDatabase() { return mState->CreateDatabase(); }

}  // namespace tavex::test
