#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "transfer/CurlEasy.h"
#include "transfer/FtpOptions.h"

namespace tavex {

// The process's one FTP connection: one libcurl easy handle holding the
// control connection, the login and options of the last Connect, and the
// current remote folder. Every clsFTP alive shares it; callers hold Lock()
// for the whole of an operation, and every other member expects it held.
class FtpConnection {
 public:
  // The connection object of the process, created when nobody holds one.
  static std::shared_ptr<FtpConnection> Acquire();

  FtpConnection() = default;
  FtpConnection(const FtpConnection&) = delete;
  FtpConnection& operator=(const FtpConnection&) = delete;

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(mMutex); }

  // Logs out of any earlier session, then logs in to `host` with `options`
  // on a fresh control connection. The remote folder becomes the login
  // folder. False when the host, user or password cannot be sent safely, the
  // options cannot be applied, or the server is unreachable, refuses the
  // login or does not answer within the time-out.
  bool Connect(const std::string& host, const std::string& user, const std::string& password,
               const FtpOptions& options);

  // Logs out and closes the control connection; false when not connected.
  bool Close();

  bool IsConnected() const { return mConnected; }

  // The current remote folder, absolute, with a leading and trailing "/".
  const std::string& Folder() const { return mFolder; }
  void SetFolder(std::string folder) { mFolder = std::move(folder); }

  // URL of an absolute remote folder ("/a/b/"), and of a file in Folder().
  std::string FolderUrl(const std::string& folder) const;
  std::string FileUrl(const std::string& name) const;

  // Whether the server answered MLSD with an error in this session.
  bool MlsdRefused() const { return mMlsdRefused; }
  void SetMlsdRefused() { mMlsdRefused = true; }

  // Runs one request: applies the login and the options, lets `prepare` add
  // the request's own settings (it must reset any state it hands to libcurl,
  // such as file positions), and performs. A server closes an idle control
  // connection on its own, which libcurl only notices when it is used again;
  // so a request that fails on a connection that served an earlier request
  // runs once more on a fresh connection.
  CURLcode Perform(const std::function<void(CURL*)>& prepare);

 private:
  CURLcode Attempt(const std::function<void(CURL*)>& prepare);
  void ApplySession(CURL* handle) const;
  std::string ServerUrl() const;

  std::mutex mMutex;
  CurlEasy mHandle;
  bool mHandleUsed = false;  // a request already ran on mHandle
  bool mConnected = false;
  bool mMlsdRefused = false;
  std::string mHost;
  std::string mUser;
  std::string mPassword;
  FtpOptions mOptions;
  std::string mCaBundle;
  std::string mFolder = "/";
};

}  // namespace tavex
