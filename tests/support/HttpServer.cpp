#include "support/HttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace tavex::test {

LoopbackListener::LoopbackListener() {
  mSocket = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (mSocket < 0) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(mSocket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(mSocket, 16) != 0 ||
      getsockname(mSocket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(mSocket);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  mPort = ntohs(address.sin_port);
}

LoopbackListener::~LoopbackListener() { close(mSocket); }

HttpServer::HttpServer() {
  if (pipe2(mStop, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  mThread = std::thread([this] { Serve(); });
}

HttpServer::~HttpServer() {
  (void)!write(mStop[1], "x", 1);
  mThread.join();
  for (int client : mHeld) close(client);
  close(mStop[0]);
  close(mStop[1]);
}

std::string HttpServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(mListener.Port());
}

void HttpServer::Answer(const std::string& path, int status, const std::string& body) {
  std::lock_guard<std::mutex> lock(mMutex);
  mAnswers[path] = {status, body};
}

void HttpServer::Hold() {
  std::lock_guard<std::mutex> lock(mMutex);
  mHold = true;
}

std::vector<std::string> HttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mMutex);
  return mRequests;
}

void HttpServer::Serve() {
  for (;;) {
    pollfd watched[2] = {{mListener.Socket(), POLLIN, 0}, {mStop[0], POLLIN, 0}};
    if (poll(watched, 2, -1) < 0) continue;
    if (watched[1].revents != 0) return;
    int client = accept4(mListener.Socket(), nullptr, nullptr, SOCK_CLOEXEC);
    if (client >= 0) Handle(client);
  }
}

void HttpServer::Handle(int client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    pollfd watched[2] = {{client, POLLIN, 0}, {mStop[0], POLLIN, 0}};
    if (poll(watched, 2, 5000) <= 0 || watched[1].revents != 0) break;
    ssize_t got = read(client, buffer, sizeof buffer);
    if (got <= 0) break;
    request.append(buffer, static_cast<std::size_t>(got));
  }
  const std::string line = request.substr(0, request.find("\r\n"));
  std::lock_guard<std::mutex> lock(mMutex);
  mRequests.push_back(line);
  if (mHold) {
    mHeld.push_back(client);
    return;
  }
  // "GET /path?query HTTP/1.1"
  std::string target = line.substr(line.find(' ') + 1);
  target = target.substr(0, target.find(' '));
  const std::string path = target.substr(0, target.find('?'));
  auto answer = mAnswers.find(path);
  const int status = answer == mAnswers.end() ? 404 : answer->second.first;
  const std::string body = answer == mAnswers.end() ? "not found" : answer->second.second;
  const std::string reply =
      "HTTP/1.1 " + std::to_string(status) +
      " Answer\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
      "\r\nConnection: close\r\n\r\n" + body;
  (void)!write(client, reply.data(), reply.size());
  close(client);
}

}  // namespace tavex::test
