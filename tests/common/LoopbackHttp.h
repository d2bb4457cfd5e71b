#pragma once
// HTTP servers on 127.0.0.1 for the network probe tests that answer as no web server does (never,
// or slowly), each on a thread of its own with an ephemeral port. Pages that a web server answers
// come from nginx (LoopbackNginx.h).
#include <winsock2.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace rk_test {

// Accepts connections and never answers. The test closes them once it has seen what it needs.
class SilentServer {
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    bool Start();
    std::string Url(const std::string& path) const;
    // Waits until a client has connected, for at most timeoutMs.
    bool WaitForConnection(DWORD timeoutMs);
    // Closes the listener and every accepted connection, and ends the thread.
    void Close();

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    SOCKET m_listener = INVALID_SOCKET;
    HANDLE m_thread = nullptr;
    HANDLE m_connected = nullptr;
    CRITICAL_SECTION m_lock;
    std::vector<SOCKET> m_clients;
    unsigned short m_port = 0;
};

// A slow server: the first answer on each path sends part of its body at once and the rest only
// when a later request comes in or holdMs has passed, whichever is first. Later answers come
// whole at once. Each connection is served on a thread of its own.
class SlowFirstServer {
public:
    explicit SlowFirstServer(DWORD holdMs);
    ~SlowFirstServer();
    SlowFirstServer(const SlowFirstServer&) = delete;
    SlowFirstServer& operator=(const SlowFirstServer&) = delete;

    // Routes are set before Start.
    void Serve(const std::string& path, const std::string& firstBody, const std::string& laterBody);
    bool Start();
    std::string Url(const std::string& path) const;
    int RequestCount() const { return m_requests; }

private:
    struct Route {
        std::string firstBody;
        std::string laterBody;
        bool answered = false;
    };
    struct Connection {
        SlowFirstServer* server;
        SOCKET client;
    };
    static DWORD WINAPI AcceptMain(void* self);
    static DWORD WINAPI ConnectionMain(void* connection);
    void Answer(SOCKET client);

    DWORD m_holdMs;
    std::map<std::string, Route> m_routes;
    CRITICAL_SECTION m_lock;
    HANDLE m_laterRequest = nullptr;  // manual reset: a later request has come in
    HANDLE m_stop = nullptr;
    SOCKET m_listener = INVALID_SOCKET;
    HANDLE m_acceptThread = nullptr;
    std::vector<HANDLE> m_connectionThreads;
    unsigned short m_port = 0;
    volatile LONG m_requests = 0;
};

// A loopback port with nothing listening on it.
unsigned short ClosedLoopbackPort();

}  // namespace rk_test
