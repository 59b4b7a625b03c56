#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "transfer/CurlEasy.h"
#include "transfer/FtpOptions.h"

namespace tavex {

// The process's one FTP connection: one libcurl easy handle holding the
// control connection (an SSH session over SFTP), the login and options of
// the last Connect, and the current remote folder. Every clsFTP alive shares
// it; callers hold Lock() for the whole of an operation, and every other
// member expects it held.
//
// Over SFTP the exchange's folders are taken from the login folder (the
// account's home, or the folder the server starts its SFTP sessions in):
// folder "/" is the login folder, "/ForUpload/" the folder ForUpload in it.
// A server that confines the account to its own tree (OpenSSH's
// ChrootDirectory) therefore serves the same tree as an FTP server does.
class FtpConnection {
 public:
  // The connection object of the process, created when nobody holds one.
  static std::shared_ptr<FtpConnection> Acquire();

  FtpConnection() = default;
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mMutex); }

  // Logs out of any earlier session, then logs in to `host` with `options`
  // on a fresh connection. The remote folder becomes the login folder. False
  // when the host, user or password cannot be sent safely, the options
  // cannot be applied, or the server is unreachable, refuses the login or
  // does not answer within the time-out. Over SFTP the server's host key
  // must be in the known_hosts file of the options, and with a key file the
  // password is never sent.
  bool Connect(const std::string& host, const std::string& user, const std::string& password,
               const FtpOptions& options);

  // Logs out and closes the control connection; false when not connected.
  bool Close();

  bool IsConnected() const { return mConnected; }
  bool IsSftp() const { return mProtocol == TransferProtocol::kSftp; }

  // Why the last Connect, or a connection opened afresh since, was refused,
  // when there is more to say than that the server did not answer or
  // refused the login (an unknown or changed host key with its fingerprint,
  // a key file others may read, a protocol name the options cannot mean), in
  // the user's language; empty otherwise. Each such refusal is also written
  // to the synchronisation log.
  const std::string& Refusal() const { return mRefusal; }

  // The current remote folder, absolute, with a leading and trailing "/".
  const std::string& Folder() const { return mFolder; }
  void SetFolder(std::string folder) { mFolder = std::move(folder); }

  // URL of an absolute remote folder ("/a/b/"), and of a file in Folder().
  std::string FolderUrl(const std::string& folder) const;
  std::string FileUrl(const std::string& name) const;
  // The path the server knows `name` in Folder() by, for commands.
  std::string RemotePath(const std::string& name) const;

  // Commands for a request's command lists, in the connection's protocol.
  // `path` is a RemotePath; a command marked "may fail" does not fail the
  // request (a file that is not there to delete, a folder already there).
  std::string DeleteCommand(const std::string& path, bool mayFail) const;
  std::string MakeFolderCommand(const std::string& path) const;  // may fail
  std::vector<std::string> RenameCommands(const std::string& from, const std::string& to) const;

  // Whether the server answered MLSD with an error in this session.
  bool MlsdRefused() const { return mMlsdRefused; }
  void SetMlsdRefused() { mMlsdRefused = true; }

  // Runs one request: applies the login and the options, lets `prepare` add
  // the request's own settings (it must reset any state it hands to libcurl,
  // such as file positions), and performs. A server closes an idle control
  // connection on its own, which libcurl only notices when it is used again;
  // so a request that fails on a connection that served an earlier request
  // runs once more on a fresh connection (over SFTP not when the server
  // answered the request itself, as with a file that is not there).
  CURLcode Perform(const std::function<void(CURL*)>& prepare);

 private:
  CURLcode Attempt(const std::function<void(CURL*)>& prepare);
  void ApplySession(CURL* handle);
  void ApplySshSession(CURL* handle);
  std::string ServerUrl() const;
  // `folder` (exchange form, "/a/b/") as the server's path.
  std::string ServerPath(const std::string& folder) const;
  // Sets and logs a refusal.
  void Refuse(std::string text);
  // The checks of the SFTP options that need no server; false after a
  // refusal.
  bool CheckSshFiles();

  // What the host key check of the connection being opened found, and the
  // progress of the request that runs, for the libcurl callbacks.
  struct HostKeyCheck {
    std::string refusal;
  };
  struct StallWatch {
    std::chrono::steady_clock::time_point since;
    long long moved = -1;
    std::chrono::milliseconds limit{0};
  };
  static int CheckHostKey(CURL* handle, const struct curl_khkey* known,
                          const struct curl_khkey* found, enum curl_khmatch match,
                          void* data) noexcept;
  static int WatchStall(void* data, curl_off_t downloadTotal, curl_off_t downloaded,
                        curl_off_t uploadTotal, curl_off_t uploaded) noexcept;

  std::mutex mMutex;
  // The pool of the connections mHandle uses; made anew whenever it is.
  CurlMulti mMulti;
  CurlEasy mHandle;
  bool mHandleUsed = false;  // a request already ran on mHandle
  bool mConnected = false;
  bool mMlsdRefused = false;
  TransferProtocol mProtocol = TransferProtocol::kFtp;
  std::string mHost;
  std::string mUser;
  std::string mPassword;
  FtpOptions mOptions;
  std::string mCaBundle;
  std::string mFolder = "/";
  std::string mLoginFolder = "/";  // SFTP: the server's path of folder "/"
  std::string mRefusal;
  HostKeyCheck mHostKeyCheck;
  StallWatch mStallWatch;
};

}  // namespace tavex
