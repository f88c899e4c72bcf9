#include "tests/support/http_server.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstdio>

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

// One deflate block of fixed codes: the run as one literal and copies of
// 258 bytes at distance 1, the tail as literals.
std::string GzipOfRunThen(char byte, size_t count, const std::string &tail) {
  std::string out("\x1F\x8B\x08\0\0\0\0\0\0\xFF", 10);
  unsigned bits = 0, used = 0;
  // Fields go lowest bit first, Huffman codes highest bit first.
  auto put = [&](unsigned value, unsigned length, bool huffman) {
    for (unsigned i = 0; i < length; ++i) {
      bits |= ((value >> (huffman ? length - 1 - i : i)) & 1) << used;
      if (++used == 8) {
        out += static_cast<char>(bits);
        bits = used = 0;
      }
    }
  };
  unsigned long crc = 0xFFFFFFFFul;
  auto literal = [&](char c) {
    unsigned value = static_cast<unsigned char>(c);
    put(value < 144 ? 0x30 + value : 0x190 + value - 144, value < 144 ? 8 : 9, true);
  };
  auto checksum = [&](char c) {
    crc ^= static_cast<unsigned char>(c);
    for (int bit = 0; bit < 8; ++bit)
      crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1)));
  };
  put(3, 3, false); // the final block, fixed codes
  size_t left = count;
  if (left > 0) {
    literal(byte);
    --left;
  }
  for (; left >= 258; left -= 258) {
    put(0xC5, 8, true); // length 258
    put(0, 5, true);    // distance 1
  }
  for (; left > 0; --left)
    literal(byte);
  for (char c : tail)
    literal(c);
  put(0, 7, true); // end of block
  if (used > 0)
    out += static_cast<char>(bits);
  for (size_t i = 0; i < count; ++i)
    checksum(byte);
  for (char c : tail)
    checksum(c);
  crc ^= 0xFFFFFFFFul;
  unsigned long size = static_cast<unsigned long>(count + tail.size());
  for (unsigned long value : {crc, size})
    for (int i = 0; i < 4; ++i)
      out += static_cast<char>((value >> (8 * i)) & 0xFF);
  return out;
}

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
  std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " + response.reason + "\r\n";
  for (const auto &header : response.headers)
    head += header.first + ": " + header.second + "\r\n";
  if (response.chunked)
    head += "Transfer-Encoding: chunked\r\n";
  else
    head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
  head += "Cache-Control: no-store, no-cache\r\nConnection: close\r\n\r\n";
  return !SendAll(client, head) || SendBody(client, response);
}

// Returns false when the connection is to be reset: a body cut short
// without chunks.
bool HttpServer::SendBody(SOCKET client, const HttpResponse &response) {
  const size_t end = std::min(response.dropAfter, response.body.size());
  const size_t piece = response.pieceBytes > 0 ? response.pieceBytes : size_t{1} << 16;
  for (size_t at = 0; at < end; at += piece) {
    if (at > 0 && response.pieceEveryMs > 0 &&
        WaitForSingleObject(stopEvent_, response.pieceEveryMs) != WAIT_TIMEOUT)
      return true;
    std::string bytes = response.body.substr(at, std::min(piece, end - at));
    if (response.chunked) {
      char size[20];
      std::snprintf(size, sizeof size, "%zx\r\n", bytes.size());
      bytes = size + bytes + "\r\n";
    }
    if (!SendAll(client, bytes))
      return true; // the client gave up
  }
  if (end == response.body.size()) {
    if (response.chunked)
      SendAll(client, "0\r\n\r\n");
    return true;
  }
  if (response.chunked)
    return true;
  // A reset, not an orderly end: the client sees the body cut short.
  LINGER reset = {1, 0};
  setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&reset), sizeof reset);
  return false;
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
