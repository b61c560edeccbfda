// The choices of the network interface box: "Auto", then the IPv4 addresses
// of the non-loopback interfaces in the order the system reports them.
#pragma once
#include <string>
#include <vector>

namespace strevo {

void ListLocalAddresses(std::vector<std::string>& items);

}  // namespace strevo
