#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tavex::cli {

// A command line that does not fit its command; the text says what is wrong.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One "--name" option a command accepts.
struct OptionRule {
  std::string name;  // without the leading dashes
  bool takesValue = true;
  bool repeatable = false;
};

// The options and arguments one command was given. It declares them on the
// command's CLI11 application, which does the parsing: "--name value" and
// "--name=value" for options with a value, "--name" for flags, each at most
// once unless repeatable, and up to `arguments` arguments that are not
// options anywhere among them. The object must outlive the parse.
class CommandLine {
 public:
  CommandLine(CLI::App& app, const std::vector<OptionRule>& accepted, std::size_t arguments);
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // The arguments that are not options, in command-line order.
  const std::vector<std::string>& Arguments() const { return mArguments; }
  // The first of them; "" when none was given.
  const std::string& Argument() const;

  bool Has(const std::string& name) const;
  // The value of a single-valued option, `fallback` when it is absent.
  std::string Value(const std::string& name, const std::string& fallback = "") const;
  // Every value of a repeatable option, in command-line order.
  std::vector<std::string> Values(const std::string& name) const;
  // The value of an option as a decimal whole number within [low, high].
  long long Number(const std::string& name, long long fallback, long long low,
                   long long high) const;

 private:
  CLI::App& mApp;
  std::vector<std::string> mArguments;
};

// `text` as a decimal whole number within [low, high] for option `name`;
// UsageError otherwise. Decimal only: "010" is ten, "0x10" no number.
long long ParseNumber(const std::string& name, const std::string& text, long long low,
                      long long high);

}  // namespace tavex::cli
