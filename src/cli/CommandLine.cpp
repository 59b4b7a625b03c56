#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <charconv>

namespace tavex::cli {

CommandLine::CommandLine(CLI::App& app, const std::vector<OptionRule>& accepted,
                         std::size_t arguments)
    : mApp(app) {
  for (const OptionRule& rule : accepted) {
    // Values stay text: the commands check them with their own rules
    // (CLI11's numbers would take "010" as octal).
    CLI::Option* option = rule.takesValue ? app.add_option("--" + rule.name)
                                          : app.add_flag("--" + rule.name)->disable_flag_override();
    option->multi_option_policy(rule.repeatable ? CLI::MultiOptionPolicy::TakeAll
                                                : CLI::MultiOptionPolicy::Throw);
  }
  if (arguments > 0) {
    app.add_option("arguments", mArguments)->expected(0, static_cast<int>(arguments));
  }
}

const std::string& CommandLine::Argument() const {
  static const std::string kNone;
  return mArguments.empty() ? kNone : mArguments.front();
}

bool CommandLine::Has(const std::string& name) const { return mApp.count("--" + name) > 0; }

std::string CommandLine::Value(const std::string& name, const std::string& fallback) const {
  return Has(name) ? mApp.get_option("--" + name)->results().front() : fallback;
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
  return mApp.get_option("--" + name)->results();
}

long long CommandLine::Number(const std::string& name, long long fallback, long long low,
                              long long high) const {
  return Has(name) ? ParseNumber(name, Value(name), low, high) : fallback;
}

long long ParseNumber(const std::string& name, const std::string& text, long long low,
                      long long high) {
  long long number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < low || number > high) {
    throw UsageError("option '--" + name + "' needs a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not '" + text + "'");
  }
  return number;
}

}  // namespace tavex::cli
