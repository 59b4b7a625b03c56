#include "relay/PackageRoute.h"

#include <algorithm>
#include <stdexcept>

#include "database/AsciiText.h"
#include "transfer/FtpListing.h"
#include "transfer/IniSection.h"

namespace tavex {

namespace {

std::vector<std::string> FolderList(const std::string& path, const std::string& section,
                                    const std::string& key) {
  const std::optional<IniValues> values = ReadIniSection(path, section);
  if (!values) throw std::runtime_error("cannot read " + path);
  std::vector<std::string> folders;
  const std::string list = IniValue(*values, key);
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string folder(TrimAsciiBlanks(list.substr(start, comma - start)));
    if (!folder.empty()) {
      if (!IsSafeRemoteName(folder)) {
        throw std::runtime_error(path + ": [" + section + "] " + key +
                                 ": not a folder name: " + folder);
      }
      folders.push_back(folder);
    }
    start = comma + 1;
  }
  return folders;
}

}  // namespace

RelayRules ReadRelayRules(const std::string& path) {
  RelayRules rules{FolderList(path, "Members", "alsoto"), FolderList(path, "Others", "alsoto"),
                   FolderList(path, "Folders", "exclude")};
  const std::optional<IniValues> members = ReadIniSection(path, "Members");
  rules.bundleMembers = !members || TrimAsciiBlanks(IniValue(*members, "bundle")) != "0";
  return rules;
}

std::vector<std::string> Destinations(bool members, const std::string& sender,
                                      const std::vector<std::string>& branchFolders,
                                      const std::string& headOffice, const RelayRules& rules) {
  std::vector<std::string> candidates{headOffice};
  if (members) candidates.insert(candidates.end(), branchFolders.begin(), branchFolders.end());
  const auto& also = members ? rules.membersAlsoTo : rules.othersAlsoTo;
  candidates.insert(candidates.end(), also.begin(), also.end());
  std::vector<std::string> destinations;
  for (const std::string& folder : candidates) {
    const auto contains = [&](const std::vector<std::string>& list) {
      return std::find(list.begin(), list.end(), folder) != list.end();
    };
    if (folder.empty() || folder == sender || contains(rules.excluded) || contains(destinations)) {
      continue;
    }
    destinations.push_back(folder);
  }
  return destinations;
}

}  // namespace tavex
