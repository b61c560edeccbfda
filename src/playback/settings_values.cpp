#include "playback/settings_values.h"

#include "config/option_table.h"

namespace strevo {

namespace {

using C = ChannelSettingsValues;
using K = OptionKind;

// One row per field of a channel's record, in file order. Numbers are kept in
// the range of the slider or list that shows them.
const Option<C> kChannelFields[] = {
    {1, K::Flag, &C::colorCorrection},
    {2, K::Number, &C::contrast, 0, 200},
    {3, K::Number, &C::brightness, 0, 200},
    {4, K::Number, &C::hue, 0, 360},
    {5, K::Number, &C::saturation, 0, 300},
    {6, K::Number, &C::gamma, 0, 1000},
    {7, K::Choice, &C::deinterlace, 0, kDeinterlaceModeCount - 1},
    // A "|" typed into a text would split the record; it is dropped.
    {8, K::BarlessText, &C::aspect},
    {9, K::Flag, &C::cropManual},
    {10, K::BarlessText, &C::cropW},
    {11, K::BarlessText, &C::cropH},
    {12, K::BarlessText, &C::cropX},
    {13, K::BarlessText, &C::cropY},
    {14, K::Flag, &C::autoCrop},
    {15, K::BarlessText, &C::guideName},
    {16, K::Number, &C::guideShift, -100, 99},
    // Stored as the engine's track number: entry 0 ("None") is -1.
    {17, K::Number, &C::audioTrackIndex, 0, kAudioTrackEntries - 1, 1},
    {18, K::Flag, &C::mono},
};
static_assert(std::size(kChannelFields) + 1 == kChannelFieldCount);

}  // namespace

ChannelSettingsValues ChannelSettingsFromRecord(const std::string& record) {
  ChannelSettingsValues v;
  ReadOptions<C>(kChannelFields, record, v);
  return v;
}

std::string ChannelRecordText(const std::string& mrl, const ChannelSettingsValues& v) {
  return WriteOptions<C>(kChannelFields, mrl, v);
}

}  // namespace strevo
