// A loopback HTTP server for tests: runs in a thread of the test process,
// listens on 127.0.0.1 at a port the system picks, and answers each request
// with the response scripted for its path (404 for any other path).
#pragma once
#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

struct HttpResponse {
  int status = 200;
  std::string reason = "OK";
  // Sent besides Content-Length, Connection: close and a no-store Cache-Control
  // (the download cache must never answer for a test's server).
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // Faults: close the connection abruptly after this many body bytes, or
  // accept the request and then send nothing until the server stops.
  size_t dropAfter = std::string::npos;
  bool stall = false;
  // In chunks, without Content-Length; with dropAfter the connection then
  // ends in order, the last chunk never sent.
  bool chunked = false;
  // The body a piece of this many bytes at a time, one piece per pieceEveryMs.
  size_t pieceBytes = 0;
  DWORD pieceEveryMs = 0;
};

// A gzip stream (RFC 1952) that expands to count copies of byte followed by
// tail; the run takes about 1/160 of its length.
std::string GzipOfRunThen(char byte, size_t count, const std::string &tail);

class HttpServer {
public:
  HttpServer();
  ~HttpServer(); // stops listening and waits for the thread
  HttpServer(const HttpServer &) = delete;
  HttpServer &operator=(const HttpServer &) = delete;

  bool Running() const { return port_ != 0; }
  int Port() const { return port_; }
  // http://127.0.0.1:<port><path>; path starts with "/".
  std::wstring Url(const std::string &path) const;
  void Serve(const std::string &path, const HttpResponse &response);
  // Request targets in the order they arrived.
  std::vector<std::string> Requests() const;

private:
  void Run();
  bool Answer(SOCKET client); // false: drop the connection
  bool SendBody(SOCKET client, const HttpResponse &response);

  SOCKET listener_ = INVALID_SOCKET;
  WSAEVENT acceptEvent_ = WSA_INVALID_EVENT;
  HANDLE stopEvent_ = nullptr;
  int port_ = 0;
  mutable std::mutex mutex_; // guards responses_ and requests_
  std::map<std::string, HttpResponse> responses_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// A loopback port nobody listens on (it was free a moment ago), for
// downloads that must fail at once.
int ClosedLoopbackPort();
