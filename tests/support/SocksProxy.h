#pragma once

#include <sys/types.h>

#include <map>
#include <string>

namespace tavex::test {

// A SOCKS5 proxy on 127.0.0.1 at a free port (tcp_relay.py), without
// authentication, that resolves the host names of `names` to their
// addresses itself: a client can reach a server by such a name only
// through the proxy, as from behind a firewall. It runs as a child process
// until the object goes away.
class SocksProxy {
 public:
  explicit SocksProxy(const std::map<std::string, std::string>& names);
  ~SocksProxy();
  SocksProxy(const SocksProxy&) = delete;
  SocksProxy& operator=(const SocksProxy&) = delete;

  int Port() const { return mPort; }

 private:
  pid_t mPid = -1;
  int mPort = 0;
};

}  // namespace tavex::test
