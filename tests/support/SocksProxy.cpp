#include "support/SocksProxy.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "support/ChildProcess.h"

namespace tavex::test {

SocksProxy::SocksProxy(const std::map<std::string, std::string>& names) {
  std::vector<std::string> args = {"/usr/bin/python3", TAVEX_TCP_RELAY_SCRIPT, "--socks"};
  for (const auto& [name, address] : names)
    args.insert(args.end(), {"--name", name + "=" + address});
  std::string port;
  mPid = StartChildReadingLine(args, port);
  mPort = std::atoi(port.c_str());
  if (mPort <= 0) {
    KillChild(mPid);
    throw std::runtime_error("the SOCKS proxy did not start");
  }
}

SocksProxy::~SocksProxy() { KillChild(mPid); }

}  // namespace tavex::test
