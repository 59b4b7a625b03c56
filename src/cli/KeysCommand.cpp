#include <algorithm>
#include <ostream>
#include <stdexcept>

#include "cli/Commands.h"
#include "framework/PluginFolder.h"
#include "trust/SiteKeys.h"

namespace tavex::cli {

namespace {

using trust::KeyRegistry;
using trust::KeyState;
using trust::PublicKey;
using trust::SiteKey;
using trust::SiteKeyEntry;

// One line per entry: site, state, key ("-" without one) and since, in
// columns that line up.
void PrintEntries(std::ostream& out, const std::vector<SiteKeyEntry>& entries) {
  std::size_t siteWidth = 0, keyWidth = 1;
  for (const SiteKeyEntry& entry : entries) {
    siteWidth = std::max(siteWidth, entry.site.size());
    if (entry.key) keyWidth = std::max(keyWidth, entry.key->Text().size());
  }
  const auto padded = [](std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
  };
  for (const SiteKeyEntry& entry : entries) {
    out << padded(entry.site, siteWidth) << "  " << padded(trust::KeyStateText(entry.state), 8)
        << "  " << padded(entry.key ? entry.key->Text() : "-", keyWidth) << "  " << entry.since
        << '\n';
  }
}

// The action's arguments after its name: exactly `count` of them.
const std::vector<std::string>& ActionArguments(const CommandLine& line, std::size_t count,
                                                const char* form) {
  if (line.Arguments().size() != count + 1) {
    throw UsageError(std::string("keys ") + line.Argument() + " takes " + form);
  }
  return line.Arguments();
}

std::string KeyFile() { return JoinPath(PluginFolder(), "Octopus/site.key"); }

int Init(const CommandLine& line, std::ostream& out) {
  ActionArguments(line, 0, "no arguments");
  const SiteKey key = SiteKey::Create(PluginFolder());
  out << key.Public().Text() << '\n';
  return kExitOk;
}

int Show(const CommandLine& line, std::ostream& out) {
  ActionArguments(line, 0, "no arguments");
  const std::optional<SiteKey> key = SiteKey::Load(PluginFolder());
  if (!key) {
    throw std::runtime_error("the site has no key (" + KeyFile() +
                             "); tavexdata keys init makes one");
  }
  out << key->Public().Text() << '\n';
  return kExitOk;
}

// Prints the entry of `site` as it now stands.
int PrintEntry(KeyRegistry& registry, const std::string& site, std::ostream& out) {
  const std::optional<SiteKeyEntry> entry = registry.Find(site);
  if (!entry) throw std::runtime_error("site " + site + " has no entry");
  PrintEntries(out, {*entry});
  return kExitOk;
}

int Trust(const CommandLine& line, std::ostream& out) {
  const auto& args = ActionArguments(line, 2, "SITE and KEY");
  const std::string site = SiteArgument(args[1]);
  const std::optional<PublicKey> key = PublicKey::Parse(args[2]);
  if (!key) {
    throw UsageError("'" + args[2] +
                     "' is not a public key: give the ed25519:... line that "
                     "tavexdata keys show prints at the site");
  }
  const auto host = OpenHostDatabase(line);
  KeyRegistry registry(*host);
  registry.Trust(site, *key, line.Has("relay") ? KeyState::Relay : KeyState::Trusted);
  return PrintEntry(registry, site, out);
}

int Revoke(const CommandLine& line, std::ostream& out) {
  const std::string site = SiteArgument(ActionArguments(line, 1, "SITE")[1]);
  const auto host = OpenHostDatabase(line);
  KeyRegistry registry(*host);
  if (!registry.Revoke(site)) throw std::runtime_error("site " + site + " has no entry");
  return PrintEntry(registry, site, out);
}

int AllowUnsigned(const CommandLine& line, std::ostream& out) {
  const std::string site = SiteArgument(ActionArguments(line, 1, "SITE")[1]);
  const auto host = OpenHostDatabase(line);
  KeyRegistry registry(*host);
  registry.AllowUnsigned(site);
  return PrintEntry(registry, site, out);
}

int List(const CommandLine& line, std::ostream& out) {
  ActionArguments(line, 0, "no arguments");
  const auto host = OpenHostDatabase(line);
  PrintEntries(out, KeyRegistry(*host).List());
  return kExitOk;
}

int Run(const CommandLine& line, std::ostream& out, std::ostream& /*err*/) {
  const struct {
    const char* name;
    int (*run)(const CommandLine&, std::ostream&);
  } actions[] = {
      {"init", &Init},     {"show", &Show}, {"trust", &Trust},
      {"revoke", &Revoke}, {"list", &List}, {"allow-unsigned", &AllowUnsigned},
  };
  for (const auto& action : actions) {
    if (line.Argument() == action.name) return action.run(line, out);
  }
  throw UsageError("say what to do: init, show, trust, revoke, allow-unsigned or list");
}

}  // namespace

Command KeysCommand() {
  return {"keys",
          "init|show [--home DIR] | trust SITE KEY [--relay] --db CONN | revoke SITE --db CONN | "
          "allow-unsigned SITE --db CONN | list --db CONN",
          "the site's own signing key and the sites this host trusts: init makes the site's "
          "key pair in DIR/Octopus/site.key (never replacing one) and prints its public key, "
          "show prints the public key; trust registers KEY (the line show prints at the site) "
          "as SITE's key (with --relay as head office's, which also signs what its relay "
          "forwards for other sites: a branch trusts head office so), revoke withdraws it (SITE's "
          "packages are refused), allow-unsigned "
          "lets SITE send unsigned packages until it is trusted with a key, each printing the "
          "site's entry; list prints every entry: site, state, key, since (exit 0 when done, "
          "1 when it failed: a key exists already, no key, no entry to revoke)",
          {{"relay", false, false}},
          &Run,
          3};
}

}  // namespace tavex::cli
