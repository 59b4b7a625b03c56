#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tavex::test {

// A TCP socket listening on 127.0.0.1 at a port the system chose free,
// closed with the object. The kernel completes connections to it even when
// nobody accepts them, so on its own it is a server that never answers.
class LoopbackListener {
 public:
  LoopbackListener();
  ~LoopbackListener();
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  int Port() const { return mPort; }
  int Socket() const { return mSocket; }

 private:
  int mSocket = -1;
  int mPort = 0;
};

// A tiny HTTP server on 127.0.0.1 for web-service answers, serving from its
// own thread until it goes away. Each connection carries one request and is
// answered with "Connection: close".
class HttpServer {
 public:
  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // "http://127.0.0.1:<port>".
  std::string BaseUrl() const;

  // Answers requests for `path` (the query does not matter) with `status`
  // and `body`; paths without an answer get 404.
  void Answer(const std::string& path, int status, const std::string& body);

  // From now on reads each request and never answers it.
  void Hold();

  // The request lines received so far, in order ("GET /a?b HTTP/1.1").
  std::vector<std::string> Requests() const;

 private:
  void Serve();
  void Handle(int client);

  LoopbackListener mListener;
  int mStop[2] = {-1, -1};
  mutable std::mutex mMutex;
  std::map<std::string, std::pair<int, std::string>> mAnswers;
  bool mHold = false;
  std::vector<std::string> mRequests;
  std::vector<int> mHeld;
  std::thread mThread;
};

}  // namespace tavex::test
