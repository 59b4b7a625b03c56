#pragma once

#include <map>
#include <string>

#include "database/Connection.h"

namespace tavex {

// The branches head office marked closed: they leave the overview of the
// chain. One that sends a package again after it was marked comes back, so
// a mistaken mark never hides a working branch. The register is the table
// "tavex_RetiredBranch", made on first use.

// Marks `site` closed from now on (again, if it was before).
void RetireBranch(db::Connection& host, const std::string& site);

// Every branch marked closed, with when ("YYYY-MM-DD HH:MM:SS", local time).
std::map<std::string, std::string> RetiredBranches(db::Connection& host);

}  // namespace tavex
