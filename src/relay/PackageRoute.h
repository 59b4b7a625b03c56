#pragma once

#include <string>
#include <vector>

namespace tavex {

// The server folder that holds one download folder per site.
inline constexpr const char* kDownloadRoot = "ForDownload";

// Fixed additions to the routing, from the relay's rules file.
struct RelayRules {
  std::vector<std::string> membersAlsoTo;  // extra destinations of member packages
  std::vector<std::string> othersAlsoTo;   // extra destinations of every other package
  std::vector<std::string> excluded;       // folders that never receive a package
  // Member packages are gathered into one member bundle per run for every
  // site; off, each goes to every site but its sender, one copy per site.
  bool bundleMembers = true;
};

// Reads section [Members] key AlsoTo, [Others] key AlsoTo and [Folders] key
// Exclude of `path` (comma-separated folder names; a missing file or key is
// no addition), and [Members] key Bundle ("0" turns bundling off, for a
// chain whose branches do not all merge bundles yet). Throws
// std::runtime_error for a file that cannot be read or a name that is not a
// plain folder name.
RelayRules ReadRelayRules(const std::string& path);

// The folders under "ForDownload" that receive a package sent by `sender`
// (a member bundle: by nobody, so every site gets it):
// for a member package (`members`; every site keeps members) every
// existing branch folder and head office's, for any other (bills, reports,
// stock: head office's) head office's; then the rules' additions; never the
// sender's own folder or an excluded one; each once, in that order.
std::vector<std::string> Destinations(bool members, const std::string& sender,
                                      const std::vector<std::string>& branchFolders,
                                      const std::string& headOffice, const RelayRules& rules);

}  // namespace tavex
