#include "tests/common/LoopbackHttp.h"

#include <cstdio>

namespace rk_test {

namespace {

struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUser() { ::WSACleanup(); }
};

// Binds a listener to 127.0.0.1 on an ephemeral port.
SOCKET Listen(unsigned short& port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || ::listen(s, 8) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

std::string LoopbackUrl(unsigned short port, const std::string& path) {
    char prefix[64];
    std::snprintf(prefix, sizeof(prefix), "http://127.0.0.1:%u", port);
    return prefix + path;
}

const char* Reason(int status) { return status == 200 ? "OK" : "Not Found"; }

// Reads the request head and gives its path ("GET /path HTTP/1.1"); false when the client left.
bool ReadRequestPath(SOCKET client, std::string& path) {
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = ::recv(client, chunk, sizeof(chunk), 0);
        if (got <= 0) return false;
        request.append(chunk, got);
    }
    const size_t pathStart = request.find(' ') + 1;
    path = request.substr(pathStart, request.find(' ', pathStart) - pathStart);
    return true;
}

std::string ResponseHead(int status, size_t length) {
    char head[256];
    std::snprintf(head, sizeof(head),
                  "HTTP/1.1 %d %s\r\nContent-Type: application/octet-stream\r\nContent-Length: %u\r\n"
                  "Cache-Control: no-store, no-cache\r\nPragma: no-cache\r\nConnection: close\r\n\r\n",
                  status, Reason(status), static_cast<unsigned>(length));
    return head;
}

bool SendAll(SOCKET client, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = ::send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}

}  // namespace

SilentServer::SilentServer() {
    static WinsockUser winsock;
    ::InitializeCriticalSection(&m_lock);
    m_connected = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

SilentServer::~SilentServer() {
    Close();
    ::CloseHandle(m_connected);
    ::DeleteCriticalSection(&m_lock);
}

bool SilentServer::Start() {
    m_listener = Listen(m_port);
    if (m_listener == INVALID_SOCKET) return false;
    m_thread = ::CreateThread(nullptr, 0, &ThreadMain, this, 0, nullptr);
    return m_thread != nullptr;
}

std::string SilentServer::Url(const std::string& path) const { return LoopbackUrl(m_port, path); }

bool SilentServer::WaitForConnection(DWORD timeoutMs) { return ::WaitForSingleObject(m_connected, timeoutMs) == WAIT_OBJECT_0; }

void SilentServer::Close() {
    if (m_listener != INVALID_SOCKET) {
        ::closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }
    if (m_thread) {
        ::WaitForSingleObject(m_thread, 10000);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
    }
    ::EnterCriticalSection(&m_lock);
    for (SOCKET s : m_clients) ::closesocket(s);
    m_clients.clear();
    ::LeaveCriticalSection(&m_lock);
}

DWORD WINAPI SilentServer::ThreadMain(void* self) {
    static_cast<SilentServer*>(self)->Run();
    return 0;
}

void SilentServer::Run() {
    for (;;) {
        SOCKET client = ::accept(m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        ::EnterCriticalSection(&m_lock);
        m_clients.push_back(client);
        ::LeaveCriticalSection(&m_lock);
        ::SetEvent(m_connected);
    }
}

SlowFirstServer::SlowFirstServer(DWORD holdMs) : m_holdMs(holdMs) {
    static WinsockUser winsock;
    ::InitializeCriticalSection(&m_lock);
    m_laterRequest = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_stop = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

SlowFirstServer::~SlowFirstServer() {
    ::SetEvent(m_stop);
    if (m_listener != INVALID_SOCKET) ::closesocket(m_listener);
    if (m_acceptThread) {
        ::WaitForSingleObject(m_acceptThread, 10000);
        ::CloseHandle(m_acceptThread);
    }
    // The accept thread has ended, so the list no longer grows.
    for (HANDLE thread : m_connectionThreads) {
        ::WaitForSingleObject(thread, 10000);
        ::CloseHandle(thread);
    }
    ::CloseHandle(m_laterRequest);
    ::CloseHandle(m_stop);
    ::DeleteCriticalSection(&m_lock);
}

void SlowFirstServer::Serve(const std::string& path, const std::string& firstBody, const std::string& laterBody) {
    Route& route = m_routes[path];
    route.firstBody = firstBody;
    route.laterBody = laterBody;
}

bool SlowFirstServer::Start() {
    m_listener = Listen(m_port);
    if (m_listener == INVALID_SOCKET) return false;
    m_acceptThread = ::CreateThread(nullptr, 0, &AcceptMain, this, 0, nullptr);
    return m_acceptThread != nullptr;
}

std::string SlowFirstServer::Url(const std::string& path) const { return LoopbackUrl(m_port, path); }

DWORD WINAPI SlowFirstServer::AcceptMain(void* self) {
    auto* server = static_cast<SlowFirstServer*>(self);
    for (;;) {
        SOCKET client = ::accept(server->m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) return 0;
        auto* connection = new Connection{server, client};
        HANDLE thread = ::CreateThread(nullptr, 0, &ConnectionMain, connection, 0, nullptr);
        if (!thread) {
            ::closesocket(client);
            delete connection;
            continue;
        }
        ::EnterCriticalSection(&server->m_lock);
        server->m_connectionThreads.push_back(thread);
        ::LeaveCriticalSection(&server->m_lock);
    }
}

DWORD WINAPI SlowFirstServer::ConnectionMain(void* param) {
    auto* connection = static_cast<Connection*>(param);
    connection->server->Answer(connection->client);
    ::closesocket(connection->client);
    delete connection;
    return 0;
}

void SlowFirstServer::Answer(SOCKET client) {
    std::string path;
    if (!ReadRequestPath(client, path)) return;
    ::InterlockedIncrement(&m_requests);
    std::string body = "not here";
    bool first = false;
    ::EnterCriticalSection(&m_lock);
    auto route = m_routes.find(path);
    if (route != m_routes.end()) {
        first = !route->second.answered;
        route->second.answered = true;
        body = first ? route->second.firstBody : route->second.laterBody;
    }
    ::LeaveCriticalSection(&m_lock);
    if (!first) ::SetEvent(m_laterRequest);

    const std::string head = ResponseHead(route != m_routes.end() ? 200 : 404, body.size());
    const size_t part = first ? body.size() / 2 : body.size();
    if (!SendAll(client, head + body.substr(0, part))) return;
    if (first) {
        HANDLE wake[2] = {m_laterRequest, m_stop};
        ::WaitForMultipleObjects(2, wake, FALSE, m_holdMs);
        if (!SendAll(client, body.substr(part))) return;
    }
    ::shutdown(client, SD_SEND);
}

unsigned short ClosedLoopbackPort() {
    static WinsockUser winsock;
    unsigned short port = 0;
    SOCKET s = Listen(port);
    if (s != INVALID_SOCKET) ::closesocket(s);
    return port;
}

}  // namespace rk_test
