#include "ui/settings_actions.h"

#include "playback/settings_map.h"
#include "ui/settings_layout.h"

namespace strevo {

namespace {

using E = SettingsEvent;
using Op = SettingsOperation;

constexpr SettingsAction kNothing{};

bool IsPictureSlider(int id) {
  return id == kIdContrast || id == kIdBrightness || id == kIdHue || id == kIdSaturation || id == kIdGamma;
}

}  // namespace

SettingsAction SettingsActionFor(int id, SettingsEvent event) {
  switch (id) {
    // Changes that need a new start of the stream.
    case kIdApply:
    case kIdColourCorrection:
    case kIdCropManual:
    case kIdAutoCrop:
    case kIdNoDirectX:
    case kIdNoDeinterlace:
    case kIdNoCrop:
      return event == E::Clicked ? SettingsAction{Op::ApplySettingsNow} : kNothing;
    case kIdDeinterlace:
      return event == E::Selected ? SettingsAction{Op::ApplySettingsNow} : kNothing;
    case kIdAudioTrack:
      return event == E::Selected ? SettingsAction{Op::ApplySettingsNow, Sender::AudioTrackList} : kNothing;

    // Changes the engine takes without a restart.
    case kIdMono:
      return event == E::Clicked ? SettingsAction{Op::ApplySettings, Sender::MonoBox} : kNothing;
    case kIdAspect:
      return event == E::Selected || event == E::FocusLost ? SettingsAction{Op::ApplySettings} : kNothing;
    case kIdCropWidth:
    case kIdCropHeight:
    case kIdCropLeft:
    case kIdCropTop:
      return event == E::FocusLost ? SettingsAction{Op::ApplySettings} : kNothing;
    case kIdGuideFile:
      return event == E::Selected || event == E::FocusLost ? SettingsAction{Op::ApplySettings, Sender::GuideNameBox}
                                                           : kNothing;
    case kIdTimeShift:
      return event == E::ScrollEnded ? SettingsAction{Op::ApplySettings, Sender::GuideShiftBar} : kNothing;

    // Global settings.
    case kIdInterface:
      return event == E::Selected || event == E::TextChanged ? SettingsAction{Op::ApplyGlobals} : kNothing;
    case kIdContainer:
    case kIdAudioDevice:
    case kIdVideoCodec:
    case kIdVideoBitrate:
    case kIdAudioCodec:
    case kIdAudioBitrate:
      return event == E::Selected ? SettingsAction{Op::ApplyGlobals} : kNothing;
  }
  if (IsPictureSlider(id) && (event == E::SliderReleased || event == E::MiddleClick))
    return SettingsAction{Op::ApplySettings};
  return kNothing;
}

void RunSettingsAction(PlayerState& st, const SettingsAction& action) {
  switch (action.operation) {
    case Op::None: break;
    case Op::ApplyGlobals: applyglobals(st, action.sender); break;
    case Op::ApplySettings: applysettings(st, action.sender); break;
    case Op::ApplySettingsNow: applysettings_now(st, action.sender); break;
  }
}

int PictureSliderDefault(int id) {
  if (!IsPictureSlider(id)) return -1;
  for (const PageDef& page : SettingsPages())
    for (const ControlDef& c : page.controls)
      if (c.id == id) return c.initial;
  return -1;
}

}  // namespace strevo
