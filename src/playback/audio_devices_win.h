// The sound output devices of the machine, as the "Аудио устройство" box offers them.
#pragma once
#include <string>
#include <vector>

namespace strevo {

// "Auto" first, then each waveOut device's name (at most 31 characters, as
// the device capabilities hold it).
std::vector<std::string> AudioDevices();

}  // namespace strevo
