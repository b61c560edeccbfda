#include "net/multicast_tester.h"

#include <cmath>

#include "base/text_helpers.h"

namespace strevo {

static constexpr std::string_view kMulticastPrefix = "udp://@";

std::optional<MulticastTarget> MulticastTargetOf(std::string_view mrl) {
  if (mrl.find(kMulticastPrefix) == std::string_view::npos) return std::nullopt;
  const std::string rest = ReplaceAll(kMulticastPrefix, "", mrl);
  MulticastTarget t;
  const size_t colon = rest.find(':');
  t.group = rest.substr(0, colon);
  if (colon != std::string::npos) {
    // Ports run to five digits; a number beyond a port's range names none.
    const int port = StrToIntLenient(std::string_view(rest).substr(colon + 1));
    t.port = port >= 0 && port <= 65535 ? port : 0;
  }
  return t;
}

std::optional<std::string> ListeningAddress(std::string_view ifaceSetting, std::string_view automaticItem) {
  if (ifaceSetting.find(':') != std::string_view::npos) return std::nullopt;
  if (ifaceSetting.empty() || ifaceSetting == automaticItem) return std::string("0.0.0.0");
  return std::string(ifaceSetting);
}

ListenCount ListenForData(ListenProbe& probe, const std::function<void(const ListenCount&)>& progress) {
  ListenCount count;
  const long long start = probe.NowMs();
  while (probe.NowMs() - start < kListenMs) {
    const int waiting = probe.BytesWaiting();
    if (waiting < 0) {
      count.failed = true;
      return count;
    }
    if (waiting == 0) {
      probe.SleepMs(10);
    } else if (const int got = probe.ReceiveOne(); got == kForeignDatagram) {
      ++count.foreign;
      continue;
    } else if (got > 0) {
      ++count.position;
    }
    ++count.maximum;
    if (progress) progress(count);
  }
  return count;
}

int DataShare(const ListenCount& count) {
  if (count.maximum <= 0) return 0;
  return static_cast<int>(std::lround(count.position * 100.0 / count.maximum));
}

bool FailsTest(const ListenCount& count) { return DataShare(count) < 50; }

std::string MarkedListText(std::string_view listText, bool failed) {
  if (!listText.empty() && listText.front() == '$') listText.remove_prefix(1);
  return (failed ? "$" : "") + std::string(listText);
}

}  // namespace strevo
