#pragma once

#include <memory>
#include <string>
#include <vector>

#include "transfer/FtpListing.h"

namespace tavex {

class FtpConnection;

// The FTP client of the exchange runs, over FTP, FTPS or SFTP as the
// options choose. Every instance works on the one FTP connection of the
// process: an instance that connects, and every other instance alive at the
// time, share the login and the current folder, so callers keep one
// instance alive at a time. Connection options come from section "FTP" of
// "<plug-in folder>/Octopus/MAIN.INI" (see FtpOptions), read at every
// Connect. Every operation keeps the same rules over each protocol.
//
// Every operation answers false (or an empty list) on failure and never
// throws. A remote file name is only ever one name of the current folder:
// a name that is not safe as a local file name either (see
// IsSafeRemoteName: no "/", "\", ".." or control character) is refused.
class clsFTP {
 public:
  clsFTP();
  // Logs out and closes the connection when it is connected.
  ~clsFTP();
  clsFTP(const clsFTP&) = delete;
  clsFTP& operator=(const clsFTP&) = delete;

  // Logs in to `remoteName` (host name or address) with `user` and
  // `password`; false for an unreadable options file, an unreachable host,
  // a refused login or a server that does not answer within the time-out.
  bool Connect(const std::string& remoteName, const std::string& user, const std::string& password);

  // Logs out and closes; false without a connection.
  bool DisConnect();

  // Why the last Connect was refused, when there is more to say than that
  // the server did not answer or refused the login: an SFTP host key that
  // is unknown or changed (with its fingerprint), a key file others may
  // read, a protocol name MAIN.INI cannot mean. In the user's language, and
  // also written to the synchronisation log; empty otherwise.
  std::string LastRefusal();

  // Makes `sPath` the current remote folder. The path is in the exchange's
  // own form ("ForDownload\B01"): backslashes become "/", and a leading and
  // trailing "/" are added, so it is always absolute; empty means "/".
  // Over SFTP the path is taken from the login folder (see FtpConnection).
  // False when the server has no such folder, or the path holds a ".."
  // part.
  bool SetFtpDir(const std::string& sPath);

  // The names of the plain files of the current remote folder, in listing
  // order; folders and links are left out, and so is any name that is not
  // safe as a local file name (see IsSafeRemoteName), which is written to the
  // synchronisation log instead. Empty when the listing fails.
  std::vector<std::string> GetDirFile();
  // The names of the sub-folders of the current remote folder, the same way.
  std::vector<std::string> GetDirFolders();
  // True when the last GetDirFile or GetDirFolders failed: its empty list
  // does not mean an empty folder.
  bool ListingFailed() const { return mListingFailed; }

  // Fetches remote `sName` into local `sFile`, replacing it. The bytes go to
  // a temporary file beside `sFile` that is renamed when complete, so a
  // failed fetch leaves neither a partial file nor a changed `sFile`.
  bool GetFile(const std::string& sName, const std::string& sFile);

  // Sends local `sFile` as remote `sName`: deletes `sName` and `sName`
  // ".temp" (either may be missing), sends the whole file to `sName` ".temp"
  // and renames it to `sName`, so a reader never sees a half-sent file under
  // the final name. After a failure a ".temp" file may remain; the next
  // PutFile of the name removes it.
  bool PutFile(const std::string& sName, const std::string& sFile);

  // Deletes remote `sName`.
  bool DeleteFile(const std::string& sName);
  // Moves remote `sName` into the sub-folder `sFolder` of the current
  // folder (one name, safe as a local name), making the sub-folder when it
  // is missing; a file of that name there is replaced where the server
  // allows it (over SFTP always: the earlier copy is deleted first).
  bool MoveToFolder(const std::string& sName, const std::string& sFolder);

 private:
  std::vector<std::string> ListNames(FtpEntryKind kind);
  // Whether absolute remote `folder` ("/a/b/") is a folder; the caller holds
  // the lock.
  bool FolderExists(const std::string& folder);
  // Sends `commands` in the current folder; the caller holds the lock. True
  // when every command not marked "*" (may fail) succeeded.
  bool RunCommands(const std::vector<std::string>& commands);

  std::shared_ptr<FtpConnection> mConnection;
  bool mListingFailed = false;
};

}  // namespace tavex
