// The sources a session reads, each on the session's thread until it ends or
// the session is stopped: UDP (multicast joined on the chosen interface),
// HTTP/1.0, and local files paced in real time.
#pragma once

namespace strevo::engine {

struct Session;

void RunUdp(Session& s);
void RunHttp(Session& s);
void RunFile(Session& s);

}  // namespace strevo::engine
