#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/Commands.h"

namespace tavex::test {

// One run of the command-line host in this process: its exit code and what
// it wrote to standard output and standard error.
struct Invocation {
  explicit Invocation(const std::vector<std::string>& args) : code(cli::RunCli(args, out, err)) {}
  std::ostringstream out;
  std::ostringstream err;
  int code;
};

}  // namespace tavex::test
