// The entry points of the 3.x engine interface ("libvlc_*") that the second
// binding calls, typed from the engine's own declarations so that every
// signature is the real one. The library is loaded at run time and never
// linked: these are only the pointer types and the table that holds them.
#pragma once
#include <vlc/vlc.h>

#include <functional>

// X(name): every entry point the binding resolves; all are needed.
#define STREVO_LIBVLC3_ENTRY_POINTS(X)     \
  X(libvlc_new)                            \
  X(libvlc_release)                        \
  X(libvlc_errmsg)                         \
  X(libvlc_get_version)                    \
  X(libvlc_media_new_location)             \
  X(libvlc_media_new_path)                 \
  X(libvlc_media_add_option)               \
  X(libvlc_media_release)                  \
  X(libvlc_media_player_new)               \
  X(libvlc_media_player_release)           \
  X(libvlc_media_player_set_media)         \
  X(libvlc_media_player_play)              \
  X(libvlc_media_player_set_pause)         \
  X(libvlc_media_player_pause)             \
  X(libvlc_media_player_stop)              \
  X(libvlc_media_player_get_state)         \
  X(libvlc_media_player_get_time)          \
  X(libvlc_media_player_set_time)          \
  X(libvlc_media_player_get_length)        \
  X(libvlc_media_player_get_rate)          \
  X(libvlc_media_player_set_rate)          \
  X(libvlc_media_player_has_vout)          \
  X(libvlc_media_player_set_hwnd)          \
  X(libvlc_video_set_mouse_input)          \
  X(libvlc_video_set_key_input)            \
  X(libvlc_audio_get_volume)               \
  X(libvlc_audio_set_volume)               \
  X(libvlc_audio_toggle_mute)              \
  X(libvlc_audio_get_mute)                 \
  X(libvlc_audio_set_mute)                 \
  X(libvlc_audio_set_channel)              \
  X(libvlc_audio_get_track_description)    \
  X(libvlc_track_description_list_release) \
  X(libvlc_audio_set_track)                \
  X(libvlc_audio_output_device_enum)       \
  X(libvlc_audio_output_device_list_release) \
  X(libvlc_audio_output_device_set)        \
  X(libvlc_video_set_aspect_ratio)         \
  X(libvlc_video_set_crop_geometry)        \
  X(libvlc_video_set_deinterlace)          \
  X(libvlc_video_set_adjust_int)           \
  X(libvlc_video_set_adjust_float)         \
  X(libvlc_video_take_snapshot)

namespace strevo {

// One pointer per entry point, named as the symbol; null until resolved.
struct Libvlc3Api {
#define STREVO_LIBVLC3_MEMBER(name) decltype(&::name) name = nullptr;
  STREVO_LIBVLC3_ENTRY_POINTS(STREVO_LIBVLC3_MEMBER)
#undef STREVO_LIBVLC3_MEMBER
};

// Fills the table through `lookup` (symbol name -> address, null when the
// library lacks it). True when every entry point was found.
bool ResolveLibvlc3(Libvlc3Api& api, const std::function<void*(const char*)>& lookup);

// A library offers the 3.x interface when it exports "libvlc_new" and not
// "VLC_Create": one with both is a 0.8 engine, bound by the first binding.
bool OffersLibvlc3(const std::function<void*(const char*)>& lookup);

}  // namespace strevo
