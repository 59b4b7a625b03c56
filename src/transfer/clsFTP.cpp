#include "transfer/clsFTP.h"

#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

#include "i18n/TextTable.h"
#include "storage/DurableFile.h"
#include "storage/SyncLog.h"
#include "transfer/FtpConnection.h"
#include "transfer/FtpListing.h"
#include "transfer/IniSection.h"

namespace tavex {

namespace {

// The log line of a remote name that is never used as a local path.
const TextList kUnsafeNameText({"Main"},
                               {{"Msg_FTP_UnsafeName", "", "服务器文件名不安全，已跳过："}});

struct FileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A remote name that can be put in a command as it is and names a file of
// the current folder, never one elsewhere ("../x", "a/b").
bool IsUsableName(const std::string& name) { return IsSafeRemoteName(name); }

// A folder path in the exchange's own form that cannot climb out of the
// tree it names.
bool IsUsableFolder(const std::string& path) {
  if (HasLineBreak(path) || path.find('\0') != std::string::npos) return false;
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t end = path.find_first_of("/\\", at);
    if (end == std::string::npos) end = path.size();
    if (path.compare(at, end - at, "..") == 0) return false;
    at = end + 1;
  }
  return true;
}

std::size_t Discard(char* /*data*/, std::size_t size, std::size_t count, void* /*unused*/) {
  return size * count;
}

std::size_t AppendToText(char* data, std::size_t size, std::size_t count, void* text) {
  static_cast<std::string*>(text)->append(data, size * count);
  return size * count;
}

std::size_t WriteToFile(char* data, std::size_t size, std::size_t count, void* file) {
  return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

std::size_t ReadFromFile(char* data, std::size_t size, std::size_t count, void* file) {
  std::FILE* in = static_cast<std::FILE*>(file);
  std::size_t read = std::fread(data, size, count, in);
  return std::ferror(in) ? CURL_READFUNC_ABORT : read * size;
}

// Notes in the synchronisation log that a listed name was left out. Control
// characters are shown as \xNN so that the name cannot break the log line.
void LogUnsafeName(const std::string& name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string shown;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F) {
      shown += "\\x";
      shown += kHex[c >> 4];
      shown += kHex[c & 0x0F];
    } else {
      shown += static_cast<char>(c);
    }
  }
  WriteSyncLog(kUnsafeNameText.Read("Main").at(0) + shown);
}

// Runs one operation so that nothing it throws (out of memory, libcurl
// without a handle) reaches the caller: a throw becomes `failed`.
template <typename Result, typename Operation>
Result Guarded(Result failed, Operation&& operation) noexcept {
  try {
    return operation();
  } catch (const std::exception&) {
    return failed;
  }
}

}  // namespace

clsFTP::clsFTP() : mConnection(FtpConnection::Acquire()) {}

clsFTP::~clsFTP() {
  auto lock = mConnection->Lock();
  mConnection->Close();
}

bool clsFTP::Connect(const std::string& remoteName, const std::string& user,
                     const std::string& password) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    std::optional<FtpOptions> options = ReadFtpOptions(TransferOptionsFile());
    if (!options) {
      mConnection->Close();
      return false;
    }
    return mConnection->Connect(remoteName, user, password, *options);
  });
}

bool clsFTP::DisConnect() {
  auto lock = mConnection->Lock();
  return mConnection->Close();
}

std::string clsFTP::LastRefusal() {
  return Guarded(std::string(), [&] {
    auto lock = mConnection->Lock();
    return mConnection->Refusal();
  });
}

bool clsFTP::SetFtpDir(const std::string& sPath) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    if (!mConnection->IsConnected() || !IsUsableFolder(sPath)) return false;
    std::string folder = sPath;
    for (char& c : folder) {
      if (c == '\\') c = '/';
    }
    if (folder.empty() || folder.front() != '/') folder.insert(0, "/");
    if (folder.back() != '/') folder += '/';
    if (!FolderExists(folder)) return false;
    mConnection->SetFolder(folder);
    return true;
  });
}

bool clsFTP::FolderExists(const std::string& folder) {
  const std::string url = mConnection->FolderUrl(folder);
  const auto request = [&](const std::string& target, bool list) {
    return mConnection->Perform([&](CURL* handle) {
      curl_easy_setopt(handle, CURLOPT_URL, target.c_str());
      if (list) {
        curl_easy_setopt(handle, CURLOPT_DIRLISTONLY, 1L);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, Discard);
      } else {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
      }
    });
  };
  // FTP: a CWD into the folder.
  if (!mConnection->IsSftp()) return request(url, false) == CURLE_OK;
  // SFTP has no "change folder"; opening "." in the folder (its name
  // encoded, so that libcurl keeps it) proves a folder in one round trip,
  // where a listing would cost as much as the folder holds. A server that
  // will not open a folder that way is asked for the listing after all.
  return request(url + "%2E", false) == CURLE_OK || request(url, true) == CURLE_OK;
}

std::vector<std::string> clsFTP::GetDirFile() { return ListNames(FtpEntryKind::kFile); }

std::vector<std::string> clsFTP::GetDirFolders() { return ListNames(FtpEntryKind::kFolder); }

std::vector<std::string> clsFTP::ListNames(FtpEntryKind kind) {
  mListingFailed = true;
  return Guarded(std::vector<std::string>{}, [&] {
    std::vector<std::string> names;
    auto lock = mConnection->Lock();
    if (!mConnection->IsConnected()) return names;
    const std::string url = mConnection->FolderUrl(mConnection->Folder());
    auto listing = [&](const char* command) -> std::optional<std::string> {
      std::string text;
      CURLcode result = mConnection->Perform([&](CURL* handle) {
        text.clear();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        if (command != nullptr) curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, command);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, AppendToText);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &text);
      });
      if (result != CURLE_OK) return std::nullopt;
      return text;
    };
    // MLSD gives names exactly, but some servers report a link there as the
    // file it points to; LIST still tells links apart.
    // MLSD is FTP's; an SFTP listing comes as lines in the form of LIST.
    std::optional<std::string> mlsd;
    if (!mConnection->IsSftp() && !mConnection->MlsdRefused()) {
      mlsd = listing("MLSD");
      if (!mlsd) mConnection->SetMlsdRefused();
    }
    std::optional<std::string> list = listing(nullptr);
    std::vector<FtpListingEntry> entries;
    if (mlsd) {
      std::vector<std::string> links;
      if (list) {
        for (const FtpListingEntry& entry : ParseList(*list)) {
          if (entry.kind == FtpEntryKind::kLink) links.push_back(entry.name);
        }
      }
      for (FtpListingEntry& entry : ParseMlsd(*mlsd)) {
        if (std::find(links.begin(), links.end(), entry.name) == links.end()) {
          entries.push_back(std::move(entry));
        }
      }
    } else if (list) {
      entries = ParseList(*list);
    }
    if (!mlsd && !list) return names;
    mListingFailed = false;
    for (FtpListingEntry& entry : entries) {
      // A folder's entries for itself and its parent are no names of it.
      if (entry.kind != kind || entry.name == "." || entry.name == "..") continue;
      if (IsSafeRemoteName(entry.name)) {
        names.push_back(std::move(entry.name));
      } else {
        LogUnsafeName(entry.name);
      }
    }
    return names;
  });
}

bool clsFTP::GetFile(const std::string& sName, const std::string& sFile) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    if (!mConnection->IsConnected() || !IsUsableName(sName) || sFile.empty()) return false;
    DurableFile part(sFile);
    const std::string url = mConnection->FileUrl(sName);
    CURLcode result = mConnection->Perform([&](CURL* handle) {
      part.Restart();
      curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
      curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
      curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, WriteToFile);
      curl_easy_setopt(handle, CURLOPT_WRITEDATA, part.Stream());
    });
    if (result != CURLE_OK) return false;
    part.Commit();
    return true;
  });
}

bool clsFTP::PutFile(const std::string& sName, const std::string& sFile) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    if (!mConnection->IsConnected() || !IsUsableName(sName)) return false;
    File in(std::fopen(sFile.c_str(), "rb"));
    struct stat info {};
    if (!in || fstat(fileno(in.get()), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    const std::string finalPath = mConnection->RemotePath(sName);
    const std::string tempPath = finalPath + ".temp";
    // The rename needs the final name free: SFTP servers refuse to rename
    // onto a file that exists.
    CurlList before = MakeCurlList(
        {mConnection->DeleteCommand(finalPath, true), mConnection->DeleteCommand(tempPath, true)});
    CurlList after = MakeCurlList(mConnection->RenameCommands(tempPath, finalPath));
    const std::string url = mConnection->FileUrl(sName + ".temp");
    bool rewound = true;
    CURLcode result = mConnection->Perform([&](CURL* handle) {
      rewound = rewound && std::fseek(in.get(), 0, SEEK_SET) == 0;
      curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
      curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
      curl_easy_setopt(handle, CURLOPT_TRANSFERTEXT, 0L);
      curl_easy_setopt(handle, CURLOPT_READFUNCTION, ReadFromFile);
      curl_easy_setopt(handle, CURLOPT_READDATA, in.get());
      curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(info.st_size));
      curl_easy_setopt(handle, CURLOPT_QUOTE, before.get());
      curl_easy_setopt(handle, CURLOPT_POSTQUOTE, after.get());
    });
    return result == CURLE_OK && rewound;
  });
}

bool clsFTP::MoveToFolder(const std::string& sName, const std::string& sFolder) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    if (!IsUsableName(sName) || !IsSafeRemoteName(sFolder)) return false;
    const std::string folder = mConnection->RemotePath(sFolder);
    const std::string source = mConnection->RemotePath(sName);
    const std::string target = folder + "/" + sName;
    // The folder may be there already; the rename says whether it is.
    std::vector<std::string> commands = {mConnection->MakeFolderCommand(folder)};
    const auto add = [&](std::vector<std::string> more) {
      for (std::string& command : more) commands.push_back(std::move(command));
    };
    if (!mConnection->IsSftp()) {
      // An FTP server replaces the earlier copy where it allows it.
      add(mConnection->RenameCommands(source, target));
    } else {
      // An SFTP server never renames onto a file, so the earlier copy must
      // go; but only once the file is known to be there to take its place,
      // which a first rename to a free name in the folder proves. A failing
      // command ends the list.
      const std::string moving = target + ".temp";
      commands.push_back(mConnection->DeleteCommand(moving, true));
      add(mConnection->RenameCommands(source, moving));
      commands.push_back(mConnection->DeleteCommand(target, true));
      add(mConnection->RenameCommands(moving, target));
    }
    return RunCommands(commands);
  });
}

bool clsFTP::DeleteFile(const std::string& sName) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    return IsUsableName(sName) &&
           RunCommands({mConnection->DeleteCommand(mConnection->RemotePath(sName), false)});
  });
}

bool clsFTP::RunCommands(const std::vector<std::string>& commands) {
  if (!mConnection->IsConnected()) return false;
  CurlList list = MakeCurlList(commands);
  const std::string url = mConnection->FolderUrl(mConnection->Folder());
  CURLcode result = mConnection->Perform([&](CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle, CURLOPT_QUOTE, list.get());
  });
  return result == CURLE_OK;
}

}  // namespace tavex
