#include "storage/UserSettings.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "database/AsciiText.h"
#include "framework/PluginFolder.h"
#include "storage/CreatePath.h"
#include "storage/DurableFile.h"
#include "storage/FileDescriptor.h"

namespace tavex {

namespace {

// A settings file is a handful of lines; anything far larger is not one.
constexpr off_t kMaxFileSize = 1 << 20;
bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool ValidApplication(const std::string& application) {
  return !application.empty() && application != "." && application != ".." &&
         application.find('/') == std::string::npos && !HasLineBreak(application);
}

bool ValidSection(const std::string& section) {
  return !section.empty() && TrimAsciiBlanks(section) == section &&
         section.find(']') == std::string::npos && !HasLineBreak(section);
}

bool ValidKey(const std::string& key) {
  return !key.empty() && TrimAsciiBlanks(key) == key && key.find('=') == std::string::npos &&
         std::string_view("[;#").find(key.front()) == std::string_view::npos && !HasLineBreak(key);
}

bool IsQuoted(std::string_view value) {
  return value.size() >= 2 && value.front() == '"' && value.back() == '"';
}

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return JoinPath(home, ".config");
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir != nullptr) {
    return JoinPath(found->pw_dir, ".config");
  }
  throw std::runtime_error("no home folder for the per-user settings");
}

// One line of the file, as the parser understood it.
struct Line {
  std::string text;                    // the raw line without its '\n'
  std::optional<std::string> section;  // set for a section header
  std::optional<std::string> key;      // set for a key line
  std::string value;                   // the key line's value, unquoted
};

Line ParseLine(std::string text) {
  Line line;
  std::string_view content = TrimAsciiBlanks(text);
  if (content.empty() || content.front() == ';' || content.front() == '#') {
    // blank or comment
  } else if (content.front() == '[') {
    std::size_t close = content.find(']');
    if (close != std::string_view::npos)
      line.section = std::string(TrimAsciiBlanks(content.substr(1, close - 1)));
  } else if (std::size_t equals = content.find('='); equals != std::string_view::npos) {
    std::string_view key = TrimAsciiBlanks(content.substr(0, equals));
    if (!key.empty()) {
      std::string_view value = TrimAsciiBlanks(content.substr(equals + 1));
      if (IsQuoted(value)) value = value.substr(1, value.size() - 2);
      line.key = std::string(key);
      line.value = std::string(value);
    }
  }
  line.text = std::move(text);
  return line;
}

// The file's lines; an empty list for a missing file; nothing when the file
// exists but cannot be read as a settings file.
std::optional<std::vector<Line>> ReadLines(const std::string& path) {
  FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    if (errno == ENOENT) return std::vector<Line>{};
    return std::nullopt;
  }
  struct stat info {};
  if (fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileSize) {
    return std::nullopt;
  }
  std::string contents;
  char buffer[8192];
  for (;;) {
    ssize_t count = read(file.Get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (count == 0) break;
    contents.append(buffer, static_cast<std::size_t>(count));
    if (contents.size() > static_cast<std::size_t>(kMaxFileSize)) return std::nullopt;
  }
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < contents.size()) {
    std::size_t end = contents.find('\n', start);
    if (end == std::string::npos) end = contents.size();
    lines.push_back(ParseLine(contents.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

// Index of the first key line `key` inside any `section` block.
std::optional<std::size_t> FindKey(const std::vector<Line>& lines, const std::string& section,
                                   const std::string& key) {
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].section) {
      inSection = EqualsNoCase(*lines[i].section, section);
    } else if (inSection && lines[i].key && EqualsNoCase(*lines[i].key, key)) {
      return i;
    }
  }
  return std::nullopt;
}

// Where a new key line of `section` goes: after the last non-blank line of
// the section's first block.
std::optional<std::size_t> InsertionPoint(const std::vector<Line>& lines,
                                          const std::string& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].section || !EqualsNoCase(*lines[i].section, section)) continue;
    std::size_t last = i;
    for (std::size_t j = i + 1; j < lines.size() && !lines[j].section; ++j) {
      if (!TrimAsciiBlanks(lines[j].text).empty()) last = j;
    }
    return last + 1;
  }
  return std::nullopt;
}

std::string KeyLine(const std::string& key, const std::string& value) {
  const bool needsQuotes = IsQuoted(value) || TrimAsciiBlanks(value).size() != value.size();
  return key + "=" + (needsQuotes ? "\"" + value + "\"" : value);
}

}  // namespace

std::string UserSettingsFile(const std::string& application) {
  return JoinPath(JoinPath(ConfigHome(), application), application + ".ini");
}

std::string GetUserSetting(const std::string& application, const std::string& section,
                           const std::string& key, const std::string& defaultValue) noexcept {
  try {
    if (!ValidApplication(application) || !ValidSection(section) || !ValidKey(key)) {
      return defaultValue;
    }
    auto lines = ReadLines(UserSettingsFile(application));
    if (!lines) return defaultValue;
    auto found = FindKey(*lines, section, key);
    return found ? (*lines)[*found].value : defaultValue;
  } catch (...) {
    return defaultValue;
  }
}

bool SaveUserSetting(const std::string& application, const std::string& section,
                     const std::string& key, const std::string& value) noexcept {
  try {
    if (!ValidApplication(application) || !ValidSection(section) || !ValidKey(key) ||
        HasLineBreak(value)) {
      return false;
    }
    std::string folder = JoinPath(ConfigHome(), application);
    if (!CreatePath(folder)) return false;
    // Read, change and replace under one lock, so that a concurrent writer
    // of another key does not lose ours or we theirs.
    FileDescriptor lock(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.Get() < 0 || flock(lock.Get(), LOCK_EX) != 0) return false;

    std::string path = UserSettingsFile(application);
    auto lines = ReadLines(path);
    if (!lines) return false;
    auto found = FindKey(*lines, section, key);
    auto insertAt = InsertionPoint(*lines, section);
    std::vector<std::string> texts;
    for (auto& line : *lines) texts.push_back(std::move(line.text));

    std::string keyLine = KeyLine(key, value);
    if (found) {
      texts[*found] = keyLine;
    } else if (insertAt) {
      texts.insert(texts.begin() + static_cast<std::ptrdiff_t>(*insertAt), keyLine);
    } else {
      if (!texts.empty() && !TrimAsciiBlanks(texts.back()).empty()) texts.emplace_back();
      texts.push_back("[" + section + "]");
      texts.push_back(keyLine);
    }
    std::string contents;
    for (const auto& text : texts) contents += text + "\n";
    // The file holds the user's own settings: it stays private to the user.
    WriteFileDurably(path, contents, 0600);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tavex
