#include "playback/settings_values.h"

#include <algorithm>

#include "base/text_helpers.h"

namespace strevo {

static int InRange(int v, int lo, int hi) { return std::clamp(v, lo, hi); }

ChannelSettingsValues ChannelSettingsFromRecord(const std::string& record) {
  auto field = [&](int i) { return ExtractField(record, "|", i); };
  auto flag = [&](int i) { return field(i) == "1"; };
  auto number = [&](int i) { return StrToIntLenient(field(i)); };
  ChannelSettingsValues v;
  v.colorCorrection = flag(1);
  v.contrast = InRange(number(2), 0, 200);
  v.brightness = InRange(number(3), 0, 200);
  v.hue = InRange(number(4), 0, 360);
  v.saturation = InRange(number(5), 0, 300);
  v.gamma = InRange(number(6), 0, 1000);
  v.deinterlace = number(7);
  if (v.deinterlace < 0 || v.deinterlace >= kDeinterlaceModeCount) v.deinterlace = 0;
  v.aspect = field(8);
  v.cropManual = flag(9);
  v.cropW = field(10);
  v.cropH = field(11);
  v.cropX = field(12);
  v.cropY = field(13);
  v.autoCrop = flag(14);
  v.guideName = field(15);
  v.guideShift = InRange(number(16), -100, 99);
  v.audioTrackIndex = InRange(number(17) + 1, 0, kAudioTrackEntries - 1);
  v.mono = flag(18);
  return v;
}

// A "|" inside a text field would split the record and shift every later
// field; such characters are dropped.
static std::string FieldText(const std::string& text) {
  std::string out;
  for (char c : text)
    if (c != '|') out += c;
  return out;
}

std::string ChannelRecordText(const std::string& mrl, const ChannelSettingsValues& v) {
  auto flag = [](bool b) { return std::string(b ? "1" : "0"); };
  const std::string fields[] = {
      mrl,
      flag(v.colorCorrection),
      std::to_string(v.contrast),
      std::to_string(v.brightness),
      std::to_string(v.hue),
      std::to_string(v.saturation),
      std::to_string(v.gamma),
      std::to_string(v.deinterlace),
      FieldText(v.aspect),
      flag(v.cropManual),
      FieldText(v.cropW),
      FieldText(v.cropH),
      FieldText(v.cropX),
      FieldText(v.cropY),
      flag(v.autoCrop),
      FieldText(v.guideName),
      std::to_string(v.guideShift),
      std::to_string(v.audioTrackIndex - 1),
      flag(v.mono),
  };
  std::string out;
  for (const auto& f : fields) out += f + "|";
  return out;
}

}  // namespace strevo
