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

// A remote name that can be put in a command as it is.
bool IsUsableName(const std::string& name) {
  return !name.empty() && !HasLineBreak(name) && name.find('\0') == std::string::npos;
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

bool clsFTP::SetFtpDir(const std::string& sPath) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    if (!mConnection->IsConnected() || HasLineBreak(sPath) ||
        sPath.find('\0') != std::string::npos) {
      return false;
    }
    std::string folder = sPath;
    for (char& c : folder) {
      if (c == '\\') c = '/';
    }
    if (folder.empty() || folder.front() != '/') folder.insert(0, "/");
    if (folder.back() != '/') folder += '/';
    const std::string url = mConnection->FolderUrl(folder);
    CURLcode result = mConnection->Perform([&](CURL* handle) {
      curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
      curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    });
    if (result != CURLE_OK) return false;
    mConnection->SetFolder(folder);
    return true;
  });
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
    std::optional<std::string> mlsd;
    if (!mConnection->MlsdRefused()) {
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
      if (entry.kind != kind) continue;
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
    const std::string finalPath = mConnection->Folder() + sName;
    const std::string tempPath = finalPath + ".temp";
    // Names with blanks go unquoted: the servers take the rest of the line.
    CurlList before = MakeCurlList({"*DELE " + finalPath, "*DELE " + tempPath});
    CurlList after = MakeCurlList({"RNFR " + tempPath, "RNTO " + finalPath});
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
    const std::string folder = mConnection->Folder() + sFolder;
    // The folder may be there already; the rename says whether it is.
    return RunCommands({"*MKD " + folder, "RNFR " + mConnection->Folder() + sName,
                        "RNTO " + folder + "/" + sName});
  });
}

bool clsFTP::DeleteFile(const std::string& sName) {
  return Guarded(false, [&] {
    auto lock = mConnection->Lock();
    return IsUsableName(sName) && RunCommands({"DELE " + mConnection->Folder() + sName});
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
