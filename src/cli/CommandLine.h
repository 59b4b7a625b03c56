#pragma once

#include <cstddef>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavex::cli {

// A command line that does not fit its command; the text says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One "--name" option a command accepts.
struct OptionSpec {
  std::string name;  // without the leading dashes
  bool takesValue = true;
  bool repeatable = false;
};

// The options of one command, parsed against what the command accepts:
// "--name value" and "--name=value" for options with a value, "--name" for
// flags. Up to `arguments` arguments that are not options may stand anywhere
// among them. Anything else raises UsageError.
class CommandLine {
 public:
  static CommandLine Parse(const std::vector<std::string>& args,
                           const std::vector<OptionSpec>& accepted, std::size_t arguments = 0);

  // The arguments that are not options, in command-line order.
  const std::vector<std::string>& Arguments() const { return mArguments; }
  // The first of them; "" when none was given.
  const std::string& Argument() const;

  bool Has(const std::string& name) const { return mValues.count(name) != 0; }
  // The value of a single-valued option, `fallback` when it is absent.
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  // Every value of a repeatable option, in command-line order.
  std::vector<std::string> Values(const std::string& name) const;
  // The value of an option as a whole number within [low, high].
  long long Number(const std::string& name, long long fallback, long long low,
                   long long high) const;

 private:
  std::map<std::string, std::vector<std::string>> mValues;
  std::vector<std::string> mArguments;
};

}  // namespace tavex::cli
