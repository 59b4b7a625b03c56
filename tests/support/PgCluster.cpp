#include "support/PgCluster.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
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

std::string LogOf(const std::string& folder) { return folder + "/server.log"; }

// Ends the server of `folder`, if one runs there, and removes the folder.
void StopIn(const std::string& folder) {
  std::error_code ignored;
  if (fs::exists(folder + "/data/postmaster.pid", ignored)) {
    RunServerProgram({kBin + "pg_ctl", "-D", folder + "/data", "-m", "immediate", "-w", "stop"},
                     LogOf(folder));
  }
  fs::remove_all(folder, ignored);
}

// Makes a cluster in the empty `folder` and starts its server.
void StartIn(const std::string& folder) {
  const std::string log = LogOf(folder);
  const auto fail = [&](const std::string& step) {
    const std::string text = ReadLog(log) + ReadLog(log + ".server");
    StopIn(folder);
    throw std::runtime_error("The test PostgreSQL cluster did not start (" + step + "):\n" + text);
  };
  if (RunningAsRoot()) {
    const passwd* user = ::getpwnam("postgres");
    if (user == nullptr || ::chown(folder.c_str(), user->pw_uid, user->pw_gid) != 0) {
      fail("hand " + folder + " to user postgres");
    }
  }
  const std::string data = folder + "/data";
  if (!RunServerProgram({kBin + "initdb", "-D", data, "-A", "trust", "-U", "postgres", "-E", "UTF8",
                         "--locale=C", "--no-sync", "--no-instructions"},
                        log)) {
    fail("initdb");
  }
  const std::string options = "-k " + folder +
                              " -c listen_addresses='' -c fsync=off"
                              " -c synchronous_commit=off -c full_page_writes=off";
  if (!RunServerProgram({kBin + "pg_ctl", "-D", data, "-l", log + ".server", "-w", "-t", "60", "-o",
                         options, "start"},
                        log)) {
    fail("pg_ctl start");
  }
}

using Result = std::unique_ptr<PGresult, void (*)(PGresult*)>;

}  // namespace

struct PgCluster::State {
  State() {
    const char* shared = std::getenv("TAVEX_TEST_PG_FOLDER");
    if (shared != nullptr && *shared != '\0') {
      mFolder = shared;
    } else {
      std::string pattern = (fs::temp_directory_path() / "tavex-pg-XXXXXX").string();
      if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
      mFolder = pattern;
      StartIn(mFolder);
      mOwned = true;
    }
    const std::string admin = "postgresql:///postgres?host=" + mFolder + "&user=postgres";
    mAdmin.reset(PQconnectdb(admin.c_str()));
    if (PQstatus(mAdmin.get()) != CONNECTION_OK) {
      const std::string error = PQerrorMessage(mAdmin.get());
      if (mOwned) StopIn(mFolder);
      throw std::runtime_error("Cannot connect to the test cluster in " + mFolder + ": " + error);
    }
  }

  State(const State&) = delete;
  State& operator=(const State&) = delete;

  ~State() {
    // A cluster of the test run is shared: this process's databases go
    // with it, whatever connections a failed test left open.
    for (const std::string& name : mCreated) {
      Result(PQexec(mAdmin.get(), ("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)").c_str()),
             PQclear);
    }
    mAdmin.reset();
    if (mOwned) StopIn(mFolder);
  }

  std::string CreateDatabase() {
    // Unique among the processes of a test run, even when one reuses the
    // process id of another that ended.
    static const unsigned tag = std::random_device{}();
    const std::string name = "tavex_" + std::to_string(::getpid()) + "_" + std::to_string(tag) +
                             "_" + std::to_string(++mMade);
    const Result result(PQexec(mAdmin.get(), ("CREATE DATABASE " + name).c_str()), PQclear);
    if (PQresultStatus(result.get()) != PGRES_COMMAND_OK) {
      throw std::runtime_error(std::string("CREATE DATABASE failed: ") +
                               PQerrorMessage(mAdmin.get()));
    }
    if (!mOwned) mCreated.push_back(name);
    return "postgresql:///" + name + "?host=" + mFolder + "&user=postgres";
  }

  std::string mFolder;
  bool mOwned = false;
  std::unique_ptr<PGconn, void (*)(PGconn*)> mAdmin{nullptr, PQfinish};
  std::vector<std::string> mCreated;  // to drop at exit, on a cluster not ours
  int mMade = 0;
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
  // Made on first use, ended by the static destructor at exit.
  static PgCluster cluster;
  return cluster;
}

void PgCluster::Start(const std::string& folder) {
  StopIn(folder);
  fs::create_directories(folder);
  StartIn(folder);
}

void PgCluster::Stop(const std::string& folder) { StopIn(folder); }

std::string PgCluster::CreateDatabase() { return mState->CreateDatabase(); }

}  // namespace tavex::test
