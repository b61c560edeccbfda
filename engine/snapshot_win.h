// Snapshots: the decoded frame on screen at its own size (the status picture
// at the panel's size while there is none), written as a baseline JPEG to
// conf::snapshot-path.
#pragma once
#include "session_win.h"
#include "variables_win.h"

namespace strevo::engine {

// A folder (closing separator or an existing folder) gets numbered files
// "vlcsnap-00001.jpg", ... that never overwrite one another (`counter` is the
// instance's last number); any other text is the file name. A result code:
// an error when no source is open or no path is set.
int WriteSnapshot(const Session* session, const VarStore& vars, int& counter);

}  // namespace strevo::engine
