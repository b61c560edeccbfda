// Shutting the computer down at the end of a scheduled recording.
#pragma once

namespace strevo {

// Enables the shut-down privileges of this process and asks the system to
// shut down at once, without forcing applications closed and without a
// restart. Nothing is reported.
//
// When the environment variable STREVO_SHUTDOWN_TRACE names a file, every
// step is appended to it as a line and the final request is written there
// instead of being made, so tests go the whole way without shutting
// anything down.
void ShutDownComputer();

}  // namespace strevo
