#pragma once

#include <string>
#include <vector>

#include "support/TempDir.h"

namespace tavex::test {

// A file server of the exchange for tests, whatever protocol it speaks (the
// FTP server and the SFTP server of this folder): where it listens, the
// lines of section [FTP] of MAIN.INI that reach it, the account of the
// exchange settings, and its files, which the helpers below read and write
// on disk. Remote paths are relative to Root(), with "/".
class RemoteServer {
 public:
  virtual ~RemoteServer() = default;
  RemoteServer(const RemoteServer&) = delete;
  RemoteServer& operator=(const RemoteServer&) = delete;

  // "Ftp" or "Sftp", for test names and messages.
  virtual std::string Name() const = 0;
  std::string Host() const { return "127.0.0.1"; }
  virtual int Port() const = 0;
  // The lines of section [FTP] (without its heading) that reach the server
  // with its account: the port, the protocol and, over SFTP, the known
  // hosts and key files.
  virtual std::string OptionsLines() const = 0;
  // The account for the exchange settings (FTP user and password).
  virtual std::string User() const = 0;
  virtual std::string Password() const = 0;

  // The folder the client sees as "/", on disk.
  const std::string& Root() const { return mRoot; }

  void PutFile(const std::string& remotePath, const std::string& contents) const;
  void MakeFolder(const std::string& remoteFolder) const;
  // A symbolic link `remotePath` pointing at `target` (as written).
  void MakeLink(const std::string& remotePath, const std::string& target) const;
  std::string ReadFile(const std::string& remotePath) const;
  bool Exists(const std::string& remotePath) const;
  // The names in a remote folder, sorted ("" is the root).
  std::vector<std::string> List(const std::string& remoteFolder = "") const;

  // Kills the server at once; transfers in progress break off.
  virtual void Stop() = 0;

 protected:
  RemoteServer();
  // The server's own temporary folder; Root() is its "root".
  const TempDir& Dir() const { return mDir; }
  // Called for each file or folder the helpers above make, parents first,
  // so that a server running as another user can be given them.
  virtual void Adopt(const std::string& /*path*/) const {}

 private:
  void AdoptPath(const std::string& remotePath) const;

  TempDir mDir;
  std::string mRoot;
};

}  // namespace tavex::test
