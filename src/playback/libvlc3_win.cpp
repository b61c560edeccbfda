#include "playback/libvlc3_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <netioapi.h>

#include <vector>

#include "base/eventlog.h"
#include "playback/vlclib_win.h"

namespace strevo {

std::string InterfaceNameOfAddress(const std::string& address) {
  in_addr wanted{};
  if (inet_pton(AF_INET, address.c_str(), &wanted) != 1) return {};
  ULONG size = 16 * 1024;
  std::vector<unsigned char> buf;
  ULONG result = ERROR_BUFFER_OVERFLOW;
  for (int attempt = 0; attempt < 3 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
    buf.resize(size);
    result = GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                                  nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buf.data()), &size);
  }
  if (result != NO_ERROR) return {};
  for (auto* a = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buf.data()); a; a = a->Next)
    for (auto* u = a->FirstUnicastAddress; u; u = u->Next) {
      const sockaddr* sa = u->Address.lpSockaddr;
      if (!sa || sa->sa_family != AF_INET) continue;
      if (reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr != wanted.s_addr) continue;
      char name[IF_MAX_STRING_SIZE + 1] = {};
      if (ConvertInterfaceLuidToNameA(&a->Luid, name, sizeof name) == NO_ERROR) return name;
    }
  return {};
}

// The table lives as long as the library, which stays loaded.
static Libvlc3Api g_api;

std::unique_ptr<Libvlc3Engine> LoadLibvlc3Engine(HWND host) {
  // 0: the 0.8 binding has it; -1: there is no library at all.
  if (VlcLoad() != kVlcMissingEntry) return nullptr;
  HMODULE library = VlcLibrary();
  const auto lookup = [library](const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(library, name));
  };
  if (!OffersLibvlc3(lookup)) return nullptr;
  if (!ResolveLibvlc3(g_api, lookup)) {
    LogLine("libvlc3: the engine lacks an entry point");
    return nullptr;
  }
  auto engine = std::make_unique<Libvlc3Engine>(g_api, std::vector<std::string>{}, host, InterfaceNameOfAddress);
  if (!engine->Loaded()) return nullptr;
  LogLine("libvlc3: engine " + engine->Version());
  return engine;
}

}  // namespace strevo
