#include "playback/audio_devices_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "win/util_win.h"

namespace strevo {

std::vector<std::string> AudioDevices() {
  std::vector<std::string> items{"Auto"};
  const UINT n = waveOutGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    WAVEOUTCAPSW caps{};
    if (waveOutGetDevCapsW(i, &caps, sizeof caps) != MMSYSERR_NOERROR) continue;
    std::wstring name(caps.szPname);
    items.push_back(Narrow(name.substr(0, 31)));
  }
  return items;
}

}  // namespace strevo
