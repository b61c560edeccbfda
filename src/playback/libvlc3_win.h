// The 3.x engine where the 0.8 one is looked for: when the library that the
// first binding found cannot be bound by it but offers the 3.x interface,
// the player plays through that instead of going without an engine.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "playback/libvlc3_engine.h"

namespace strevo {

// The engine over the found library, drawing into `host`; null when the
// library is missing, is a 0.8 engine, lacks an entry point or refuses to
// start (each logged).
std::unique_ptr<Libvlc3Engine> LoadLibvlc3Engine(HWND host);

// The system's name of the interface that has an IPv4 address ("" when
// none), as the 3.x engine takes it for its multicast joins.
std::string InterfaceNameOfAddress(const std::string& address);

}  // namespace strevo
