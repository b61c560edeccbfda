// The multicast tester's rules: which channels it listens to and where, how
// long it listens, how it judges what arrived and how a channel is marked in
// the channel list. The sockets and the windows are the shell's.
#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace strevo {

// A channel the tester listens to: its MRL holds "udp://@group:port".
struct MulticastTarget {
  std::string group;
  int port = 0;
};
// Nothing for a channel that is not multicast. The port is the whole decimal
// number after the ":", so "udp://@239.0.0.1:12345" listens on 12345.
std::optional<MulticastTarget> MulticastTargetOf(std::string_view mrl);

// The address the sockets bind and join on, from the interface setting:
// "0.0.0.0" for the automatic choice (the box's first item, or nothing
// chosen), else the address the setting shows. Nothing when the setting is
// a proxy's host:port: then no test is possible.
std::optional<std::string> ListeningAddress(std::string_view ifaceSetting, std::string_view automaticItem);

// What the listening loop asks of its socket and of the clock.
struct ListenProbe {
  virtual ~ListenProbe() = default;
  virtual long long NowMs() = 0;
  virtual int BytesWaiting() = 0;  // negative: the query failed
  // The size of the datagram taken; kForeignDatagram for one addressed to
  // another group on the same port (taken and not counted).
  virtual int ReceiveOne() = 0;
  virtual void SleepMs(int ms) = 0;
};

inline constexpr int kForeignDatagram = -2;

// The progress bar's view of a listening: one step of `maximum` per round,
// one of `position` per datagram that held data.
struct ListenCount {
  bool failed = false;  // the waiting-bytes query failed: the test ends
  int position = 0;
  int maximum = 1;
  int foreign = 0;  // datagrams of other groups on the port, dropped
};
inline constexpr int kListenMs = 2000;
// Listens for kListenMs: each round either takes one waiting datagram or,
// when none waits, sleeps 10 ms. A round that takes another group's datagram
// counts neither way. `progress` sees the count after every round.
ListenCount ListenForData(ListenProbe& probe, const std::function<void(const ListenCount&)>& progress = {});

// The share of rounds that found data, in per cent, rounded.
int DataShare(const ListenCount& count);
// A channel whose share is below half is marked.
bool FailsTest(const ListenCount& count);

// Why the test does not start while the player records: it stops playback
// first, which would end the recording without a word.
inline constexpr std::string_view kTesterRefusedWhileRecording =
    "Идёт запись. Проверка каналов остановила бы воспроизведение и прервала бы запись.\r\r"
    "Остановите запись и запустите проверку снова.";

// The channel list's text with its old mark removed and the new one applied.
std::string MarkedListText(std::string_view listText, bool failed);

}  // namespace strevo
