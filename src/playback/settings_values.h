// The current channel's picture and sound settings, as the settings window
// shows them and the channel's record stores them.
#pragma once
#include <string>
#include <vector>

namespace strevo {

inline constexpr const char* kDeinterlaceModes[] = {"None", "Blend", "Mean", "Bob", "Linear", "X", "Discard"};
inline constexpr int kDeinterlaceModeCount = 7;
inline constexpr int kAudioTrackEntries = 10;  // "None", "#1" .. "#9"
// Number of fields of a channel's record, the key included.
inline constexpr int kChannelFieldCount = 19;

struct ChannelSettingsValues {
  bool colorCorrection = true;
  int contrast = 100;     // 0..200
  int brightness = 100;   // 0..200
  int hue = 0;            // 0..360
  int saturation = 100;   // 0..300
  int gamma = 100;        // 0..1000
  int deinterlace = 0;    // index into kDeinterlaceModes
  std::string aspect = "None";
  bool cropManual = false;
  std::string cropW, cropH, cropX, cropY;
  bool autoCrop = false;
  std::string guideName;
  int guideShift = 0;     // hours, -100..99
  int audioTrackIndex = 1;  // list index: 0 "None", 1 "#1" ..
  bool mono = false;

  bool operator==(const ChannelSettingsValues&) const = default;
};

// A per-channel record's fields into the values, as the controls would take
// them (slider positions and list indexes kept in their ranges).
ChannelSettingsValues ChannelSettingsFromRecord(const std::string& record);
// The record of a channel: key and 18 fields, each followed by "|".
std::string ChannelRecordText(const std::string& mrl, const ChannelSettingsValues& v);

}  // namespace strevo
