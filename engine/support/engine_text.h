// Text rules of the stand-in media engine (engine/): source addresses, the
// stream-output chains that record to a file, the trace line format and the
// status picture's lines. Portable, so they are unit-tested natively.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace strevo::engine {

enum class SourceKind { File, Http, Udp, Tuner, Unknown };

struct SourceAddress {
  SourceKind kind = SourceKind::Unknown;
  std::string path;   // File: local path (a file:// URL decoded)
  std::string host;   // Http: host; Udp: group or unicast address ("" = any)
  uint16_t port = 0;  // Http: default 80; Udp: default 1234
  std::string query;  // Http: path and query, starting with "/"
};

// Classifies an address handed to VLC_AddTarget. "udp://@group:port",
// "udp://group:port", "udp://@:port"; "http://host[:port]/path";
// "file:///C:/x.ts" or a plain path; "dshow://..." is a tuner.
SourceAddress ParseSourceAddress(std::string_view mrl);

// Path of the file a stream-output chain records to, for the two chains the
// player and the background recorder build:
//   #duplicate{dst=display,dst=std{access=file,mux=M,url="P"}}
//   #duplicate{dst=std{access=file,mux=M,url="P"}}
// with "dst=" in place of "url=" as the 3.x interface spells it.
// Any other chain records nothing (nullopt).
struct RecordTarget {
  std::string mux;
  std::string path;
};
std::optional<RecordTarget> ParseRecordChain(std::string_view sout);

// How the engine reads the 8-byte value of a variable, known by name: the
// value union carries no type of its own.
//   Int: i_int; Float: f_float; Text: psz_string;
//   IntOrText: the player sends digits-only values as integers and anything
//   else (e.g. "-1") as text, so the value itself must tell (see the engine).
enum class VarKind { Int, Float, Text, IntOrText };
VarKind VariableKind(std::string_view name);

// Quoted text for trace lines: "..." with \\ \" \n \r \t and \xNN for the
// other control bytes; other bytes (UTF-8) pass unchanged.
std::string TraceQuote(std::string_view text);
// Shortest decimal text that reads back as the same float ("1.25", "10").
std::string TraceFloat(float value);

// The lines of the status picture the engine shows instead of video.
struct StatusFigures {
  std::string address;
  uint64_t bytes = 0;
  uint64_t bitsPerSecond = 0;
  int64_t elapsedSeconds = 0;
  bool paused = false;
  bool receiving = false;  // data arrived recently
};
std::string StatusLines(const StatusFigures& f);  // lines separated by "\n"

// File name of snapshot number n: "vlcsnap-00001.jpg".
std::string SnapshotFileName(int n);

}  // namespace strevo::engine
