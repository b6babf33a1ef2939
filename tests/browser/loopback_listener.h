#pragma once
// A TCP listener on 127.0.0.1 that never answers: it counts the connections
// it is offered, or reads their request lines, to see which navigations
// reached the network.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

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

    // Accepts what is waiting and reads each request's first line.
    std::vector<std::string> TakeRequestLines() {
        std::vector<std::string> lines;
        for (;;) {
            SOCKET client = accept(m_socket, nullptr, nullptr);
            if (client == INVALID_SOCKET) return lines;
            u_long blocking = 0;
            ioctlsocket(client, FIONBIO, &blocking);
            DWORD timeout = 2000;
            setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof(timeout));
            std::string line;
            char c = 0;
            while (line.size() < 4096 && recv(client, &c, 1, 0) == 1 && c != '\n') line += c;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            closesocket(client);
        }
    }

private:
    SOCKET m_socket = INVALID_SOCKET;
    unsigned short m_port = 0;
};
