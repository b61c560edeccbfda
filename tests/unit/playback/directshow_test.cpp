// The control layer and the settings over a DirectShow graph.
#include <gtest/gtest.h>

#include "fakes.h"
#include "playback/channel_switch.h"
#include "playback/settings_map.h"

namespace strevo::test {
namespace {

// A graph that records what is asked of it; its renderer window exists while
// `rendering` is set.
struct FakeGraph : DirectShowGraph {
  std::vector<std::string> calls;
  bool rendering = false, position = true, audio = true, video = true;
  double now = 0, duration = 0;
  int volume = -10000;

  void Run() override { calls.push_back("run"); }
  void Pause() override { calls.push_back("pause"); }
  void PlayMrl(const std::string& a) override {
    calls.push_back("play " + a);
    rendering = !a.empty();
  }
  bool VideoWindowExists() override { return rendering; }
  bool HasPosition() override { return position; }
  double CurrentPosition() override { return now; }
  double Duration() override { return duration; }
  void SetCurrentPosition(double s) override { calls.push_back("seek " + std::to_string(static_cast<int>(s))); }
  bool HasAudio() override { return audio; }
  int AudioVolume() override { return volume; }
  void SetAudioVolume(int v) override { calls.push_back("volume " + std::to_string(v)); }
  bool HasVideo() override { return video; }
  void SetSourceRect(int l, int t, int w, int h) override {
    calls.push_back("source " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(w) + "," +
                    std::to_string(h));
  }
  void ResetSourceRect() override { calls.push_back("source default"); }
};

struct DirectShowRig : Rig {
  FakeGraph graph;
  explicit DirectShowRig(int channels = 0) : Rig(channels) {
    st.directShowMode = true;
    st.directShow = &graph;
  }
};

TEST(DirectShowPath, StopLeavesAnEmptyGraphAndPositionsNeedARenderer) {
  DirectShowRig r;
  r.graph.PlayMrl("C:\\clip.mpg");
  r.graph.now = 3.6;
  r.graph.duration = 12.4;
  EXPECT_EQ(player_gettime(r.st), 4);
  EXPECT_EQ(player_getlength(r.st), 12);
  player_stop(r.st);
  EXPECT_EQ(r.graph.calls.back(), "play ");
  EXPECT_FALSE(player_isplaying(r.st));
  EXPECT_EQ(player_gettime(r.st), -20);
  EXPECT_EQ(player_getlength(r.st), -20);
  // Without the position interface a playing graph is at 0 of 0: live.
  r.graph.PlayMrl("http://127.0.0.1/live");
  r.graph.position = false;
  EXPECT_EQ(player_gettime(r.st), 0);
  EXPECT_EQ(player_getlength(r.st), 0);
  EXPECT_TRUE(r.engine.calls.empty());
}

TEST(DirectShowPath, AFileStopsAtItsEndAndALiveSourceNever) {
  DirectShowRig r;
  EXPECT_FALSE(DirectShowFileEnded(r.st));  // nothing plays
  r.graph.PlayMrl("C:\\clip.mpg");
  r.graph.duration = 5.0;
  r.graph.now = 4.2;
  EXPECT_FALSE(DirectShowFileEnded(r.st));
  r.graph.now = 4.9;  // rounds to the length
  EXPECT_TRUE(DirectShowFileEnded(r.st));
  r.graph.now = r.graph.duration = 0;  // a live source
  EXPECT_FALSE(DirectShowFileEnded(r.st));
  r.graph.now = r.graph.duration = 5.0;
  r.st.directShowMode = false;  // the engine's files end by themselves
  EXPECT_FALSE(DirectShowFileEnded(r.st));
}

TEST(DirectShowPath, ManualCropSetsTheSourceRectangleAndOtherwiseRestoresIt) {
  DirectShowRig r;
  r.st.channel.cropManual = true;
  r.st.channel.cropW = "704";
  r.st.channel.cropH = "560";
  r.st.channel.cropX = "8";
  r.st.channel.cropY = "";
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.graph.calls, std::vector<std::string>{"source 8,0,704,560"});
  r.graph.calls.clear();
  r.st.channel.cropManual = false;
  applysettings(r.st, Sender::None);
  EXPECT_EQ(r.graph.calls, std::vector<std::string>{"source default"});
  // No basic-video interface (a sound-only graph): nothing to crop.
  r.graph.calls.clear();
  r.graph.video = false;
  r.st.channel.cropManual = true;
  applysettings(r.st, Sender::None);
  EXPECT_TRUE(r.graph.calls.empty());
  EXPECT_TRUE(r.engine.calls.empty());
}

TEST(DirectShowPath, VolumeGoesThroughTheAudioInterfaceOnly) {
  DirectShowRig r;
  player_setvolume(r.st, 50);
  EXPECT_EQ(r.graph.calls.back(), "volume -1296");
  r.graph.calls.clear();
  r.graph.audio = false;
  player_setvolume(r.st, 80);
  EXPECT_TRUE(r.graph.calls.empty());
}

TEST(DirectShowPath, ASwitchHandsTheRewrittenAddressToTheGraph) {
  DirectShowRig r(2);
  r.st.globals.iface = "Auto";
  SelectChannel(r.st, 1, Sender::Control);
  ASSERT_FALSE(r.graph.calls.empty());
  EXPECT_EQ(r.graph.calls.front(), "play ");  // the stop before the switch
  EXPECT_EQ(r.graph.calls.back(), "play elecard://239.0.0.1:1234/udp");
  EXPECT_TRUE(r.engine.calls.empty());
}

}  // namespace
}  // namespace strevo::test
