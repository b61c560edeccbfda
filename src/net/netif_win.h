// The choices of the network interface box: "Auto", then the IPv4 addresses
// of the non-loopback interfaces in the order the system reports them.
#pragma once
#include <winsock2.h>

#include <string>
#include <vector>

namespace strevo {

void ListLocalAddresses(std::vector<std::string>& items);

// The same with the start of Windows Sockets given (WSAStartup's signature),
// so that a failing start can be tried.
using SocketsStartup = int(WSAAPI*)(WORD version, LPWSADATA data);
void ListLocalAddresses(std::vector<std::string>& items, SocketsStartup startup);

}  // namespace strevo
