#pragma once
// A TCP listener on 127.0.0.1 that only counts the connections it is offered,
// to see whether a navigation reached the network at all.
#include <winsock2.h>
#include <windows.h>

#include <string>

class LoopbackListener {
public:
    LoopbackListener() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int length = sizeof(address);
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        listen(m_socket, 8);
        u_long nonBlocking = 1;
        ioctlsocket(m_socket, FIONBIO, &nonBlocking);
    }
    ~LoopbackListener() {
        closesocket(m_socket);
        WSACleanup();
    }

    std::wstring Url(const wchar_t* path) const { return L"http://127.0.0.1:" + std::to_wstring(m_port) + path; }

    // Accepts (and closes) what is waiting; returns how many connections came.
    int TakeConnections() {
        int count = 0;
        for (;;) {
            SOCKET client = accept(m_socket, nullptr, nullptr);
            if (client == INVALID_SOCKET) return count;
            closesocket(client);
            ++count;
        }
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    unsigned short m_port = 0;
};
