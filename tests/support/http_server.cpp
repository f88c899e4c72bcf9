#include "tests/support/http_server.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace {

constexpr size_t kLargestRequest = 64 * 1024;
constexpr DWORD kReceiveTimeoutMs = 10000; // a silent client cannot hold the server for ever

SOCKET BindLoopback(int &port) {
  SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (socket == INVALID_SOCKET)
    return socket;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int size = sizeof address;
  if (bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
      getsockname(socket, reinterpret_cast<sockaddr *>(&address), &size) != 0) {
    closesocket(socket);
    return INVALID_SOCKET;
  }
  port = ntohs(address.sin_port);
  return socket;
}

// The request line and headers; the body of a GET is empty.
std::string ReceiveHead(SOCKET client) {
  std::string head;
  char buffer[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kLargestRequest) {
    int got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0)
      break;
    head.append(buffer, static_cast<size_t>(got));
  }
  return head;
}

// "GET /path HTTP/1.1" to "/path".
std::string RequestTarget(const std::string &head) {
  size_t space = head.find(' ');
  if (space == std::string::npos)
    return std::string();
  size_t end = head.find_first_of(" \r\n", space + 1);
  return head.substr(space + 1, end == std::string::npos ? std::string::npos : end - space - 1);
}

bool SendAll(SOCKET client, const std::string &bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    int chunk = static_cast<int>(std::min<size_t>(bytes.size() - done, 1 << 16));
    int sent = send(client, bytes.data() + done, chunk, 0);
    if (sent <= 0)
      return false;
    done += static_cast<size_t>(sent);
  }
  return true;
}

// Returns false when the connection was dropped on purpose.
bool SendResponse(SOCKET client, const HttpResponse &response) {
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
  for (const auto &header : response.headers)
    head += header.first + ": " + header.second + "\r\n";
  head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  head += "Cache-Control: no-store, no-cache\r\nConnection: close\r\n\r\n";
  if (!SendAll(client, head))
    return true;
  if (response.dropAfter >= response.body.size()) {
    SendAll(client, response.body);
    return true;
  }
  SendAll(client, response.body.substr(0, response.dropAfter));
  // A reset, not an orderly end: the client sees the body cut short.
  LINGER reset = {1, 0};
  setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&reset), sizeof reset);
  return false;
}

// Ends the connection gracefully: our side first, then whatever the client
// still sends, so no reset can overtake the last bytes.
void CloseGracefully(SOCKET client) {
  shutdown(client, SD_SEND);
  char buffer[1024];
  while (recv(client, buffer, sizeof buffer, 0) > 0) {
  }
  closesocket(client);
}

} // namespace

HttpServer::HttpServer() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
    return;
  int port = 0;
  listener_ = BindLoopback(port);
  stopEvent_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  acceptEvent_ = WSACreateEvent();
  if (listener_ == INVALID_SOCKET || !stopEvent_ || acceptEvent_ == WSA_INVALID_EVENT ||
      listen(listener_, SOMAXCONN) != 0 || WSAEventSelect(listener_, acceptEvent_, FD_ACCEPT) != 0)
    return;
  port_ = port;
  thread_ = std::thread([this] { Run(); });
}

HttpServer::~HttpServer() {
  if (thread_.joinable()) {
    SetEvent(stopEvent_);
    thread_.join();
  }
  if (listener_ != INVALID_SOCKET)
    closesocket(listener_);
  if (acceptEvent_ != WSA_INVALID_EVENT)
    WSACloseEvent(acceptEvent_);
  if (stopEvent_)
    CloseHandle(stopEvent_);
  WSACleanup();
}

std::wstring HttpServer::Url(const std::string &path) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
}

void HttpServer::Serve(const std::string &path, const HttpResponse &response) {
  std::lock_guard<std::mutex> lock(mutex_);
  responses_[path] = response;
}

std::vector<std::string> HttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void HttpServer::Run() {
  HANDLE events[2] = {stopEvent_, acceptEvent_};
  for (;;) {
    DWORD which = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (which != WAIT_OBJECT_0 + 1)
      return; // stopped, or the wait itself failed
    WSANETWORKEVENTS happened;
    WSAEnumNetworkEvents(listener_, acceptEvent_, &happened);
    for (;;) {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET)
        break; // WSAEWOULDBLOCK: no more waiting connections
      // An accepted socket inherits the listener's event selection and
      // non-blocking mode; this server talks to each client blocking.
      WSAEventSelect(client, nullptr, 0);
      u_long blocking = 0;
      ioctlsocket(client, FIONBIO, &blocking);
      DWORD timeout = kReceiveTimeoutMs;
      setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&timeout),
                 sizeof timeout);
      if (Answer(client))
        CloseGracefully(client);
      else
        closesocket(client); // the reset set up by a dropped response
    }
  }
}

bool HttpServer::Answer(SOCKET client) {
  std::string target = RequestTarget(ReceiveHead(client));
  HttpResponse response;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(target);
    auto found = responses_.find(target);
    if (found != responses_.end()) {
      response = found->second;
    } else {
      response.status = 404;
      response.reason = "Not Found";
      response.body = "not found";
    }
  }
  if (response.stall) {
    WaitForSingleObject(stopEvent_, INFINITE);
    return true;
  }
  return SendResponse(client, response);
}

int ClosedLoopbackPort() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
    return 0;
  int port = 0;
  SOCKET socket = BindLoopback(port);
  if (socket != INVALID_SOCKET)
    closesocket(socket);
  WSACleanup();
  return port;
}
