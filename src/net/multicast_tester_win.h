// The multicast tester's sockets: one group joined on one interface address
// and listened to for two seconds.
#pragma once
#include <functional>
#include <optional>
#include <string>

#include "net/multicast_tester.h"

namespace strevo {

// Listens to `target` with a socket bound to the port, joined on the
// interface of `address`. Nothing when the socket could not be created, configured,
// bound or joined; a count marked failed when the waiting-bytes query failed.
// The socket is closed (and the group left, if joined) in every case.
// Windows Sockets must be started by the caller.
std::optional<ListenCount> ListenToGroup(const MulticastTarget& target, const std::string& address,
                                         const std::function<void(const ListenCount&)>& progress);

}  // namespace strevo
