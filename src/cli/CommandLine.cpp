#include "cli/CommandLine.h"

#include <algorithm>
#include <charconv>

namespace tavex::cli {

CommandLine CommandLine::Parse(const std::vector<std::string>& args,
                               const std::vector<OptionSpec>& accepted, std::size_t arguments) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (line.mArguments.size() < arguments && arg.compare(0, 2, "--") != 0) {
      line.mArguments.push_back(arg);
      continue;
    }
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) {
      throw UsageError("unexpected argument '" + arg + "'");
    }
    const auto equals = arg.find('=');
    const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
    const auto option =
        std::find_if(accepted.begin(), accepted.end(),
                     [&](const OptionSpec& candidate) { return candidate.name == name; });
    if (option == accepted.end()) throw UsageError("unknown option '--" + name + "'");
    std::string value;
    if (option->takesValue) {
      if (equals != std::string::npos) {
        value = arg.substr(equals + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError("option '--" + name + "' needs a value");
      }
    } else if (equals != std::string::npos) {
      throw UsageError("option '--" + name + "' takes no value");
    }
    auto& values = line.mValues[name];
    if (!values.empty() && !option->repeatable) {
      throw UsageError("option '--" + name + "' given more than once");
    }
    values.push_back(value);
  }
  return line;
}

const std::string& CommandLine::Argument() const {
  static const std::string kNone;
  return mArguments.empty() ? kNone : mArguments.front();
}

std::string CommandLine::Value(const std::string& name, const std::string& fallback) const {
  const auto found = mValues.find(name);
  return found == mValues.end() ? fallback : found->second.front();
}

std::vector<std::string> CommandLine::Values(const std::string& name) const {
  const auto found = mValues.find(name);
  return found == mValues.end() ? std::vector<std::string>{} : found->second;
}

long long CommandLine::Number(const std::string& name, long long fallback, long long low,
                              long long high) const {
  if (!Has(name)) return fallback;
  const std::string text = Value(name);
  long long number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number < low || number > high) {
    throw UsageError("option '--" + name + "' needs a whole number from " + std::to_string(low) +
                     " to " + std::to_string(high) + ", not '" + text + "'");
  }
  return number;
}

}  // namespace tavex::cli
