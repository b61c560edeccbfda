#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "fakes.h"
#include "playback/channel_switch.h"
#include "playback/recording.h"

namespace strevo {
namespace {
using test::LogCapture;
using test::Rig;

const DateTime kEvening = EncodeDateTime({2026, 12, 8, 21, 5, 9});

TEST(RecordingFileName, FollowsTheNameRule) {
  std::string folder = "C:\\";
  EXPECT_EQ(RecordingFileName(folder, "", "News", "PS", kEvening), "C:\\News-20261208-210509.mpg");
  EXPECT_EQ(RecordingFileName(folder, "", "News", "TS", kEvening), "C:\\News-20261208-210509.ts");
  EXPECT_EQ(RecordingFileName(folder, "", "News", "wav", kEvening), "C:\\News-20261208-210509.wav");
  EXPECT_EQ(RecordingFileName(folder, "Evening", "News", "PS", kEvening), "C:\\Evening - News-20261208-210509.mpg");
  // Each of the nine characters a file name cannot hold becomes "_"; others stay.
  EXPECT_EQ(RecordingFileName(folder, "", "a|b>c<d\"e?f*g:h/i\\j Первый", "PS", kEvening),
            "C:\\a_b_c_d_e_f_g_h_i_j Первый-20261208-210509.mpg");
  EXPECT_EQ(folder, "C:\\");
}

TEST(RecordingFileName, AFolderWithoutItsClosingBackslashGetsOneInTheSettingToo) {
  std::string folder = "D:\\Rec";
  EXPECT_EQ(RecordingFileName(folder, "", "News", "TS", kEvening), "D:\\Rec\\News-20261208-210509.ts");
  EXPECT_EQ(folder, "D:\\Rec\\");
  EXPECT_EQ(RecordingFileName(folder, "", "News", "TS", kEvening), "D:\\Rec\\News-20261208-210509.ts");
  EXPECT_EQ(folder, "D:\\Rec\\");
}

TEST(RecordingSout, DisplayAndFileWithForwardSlashes) {
  EXPECT_EQ(RecordingSout("TS", "D:\\Rec\\News-20261208-210509.ts"),
            "#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"D:/Rec/News-20261208-210509.ts\"}}");
  EXPECT_EQ(RecordingSout("PS", "C:\\News-20261208-210509.mpg"),
            "#duplicate{dst=display,dst=std{access=file,mux=ps,url=\"C:/News-20261208-210509.mpg\"}}");
}

TEST(RecordingFormat, IndexesOfTheList) {
  EXPECT_EQ(RecordingFormat(0), "PS");
  EXPECT_EQ(RecordingFormat(2), "TS");
  EXPECT_EQ(RecordingFormat(8), "WAV");
  EXPECT_EQ(RecordingFormat(9), "PS");
  EXPECT_EQ(RecordingFormat(-1), "PS");
}

TEST(RecordingLine, SizesRoundedAndFreeSpaceLeftEmptyWhenUnknown) {
  EXPECT_EQ(RecordingLine(7, 2726297, int64_t{12945083187}), "REC - 00:00:07 - 3 Mb (12345 Mb free)");
  EXPECT_EQ(RecordingLine(3661, 524287, std::nullopt), "REC - 01:01:01 - 0 Mb ( Mb free)");
  EXPECT_EQ(RecordingLine(3661, 524288, std::nullopt), "REC - 01:01:01 - 1 Mb ( Mb free)");
  EXPECT_EQ(RecordingLine(5, 0, int64_t{1} << 30, "Error! disk full"), "REC - 00:00:05 - Error! disk full");
}

TEST(RecordingWatch, FileFaultsAreToldAndClearWhenTheFileGrows) {
  RecordingWatch w;
  const int64_t plenty = int64_t{1} << 30;
  // Playing and the file missing: the engine could not create it.
  w.Observe(true, -1, plenty, 0);
  EXPECT_EQ(w.Fault(), "");
  w.Observe(true, -1, plenty, 1999);
  EXPECT_EQ(w.Fault(), "");
  w.Observe(true, -1, plenty, 2000);
  EXPECT_EQ(w.Fault(), "Error! cannot create the file");
  w.Observe(true, 188, plenty, 2500);
  EXPECT_EQ(w.Fault(), "");
  // Growing files are fine however little room is left.
  w.Observe(true, 376, 1000, 3000);
  EXPECT_EQ(w.Fault(), "");
  // A file that stops growing with the disk full.
  w.Observe(true, 376, 1000, 3500);
  w.Observe(true, 376, 1000, 5499);
  EXPECT_EQ(w.Fault(), "");
  w.Observe(true, 376, 1000, 5500);
  EXPECT_EQ(w.Fault(), "Error! disk full");
  // A stall with room on the disk, or no stream at all, is no fault of the file.
  RecordingWatch v;
  v.Observe(true, 100, plenty, 0);
  v.Observe(true, 100, plenty, 10000);
  v.Observe(false, -1, plenty, 20000);
  v.Observe(false, -1, plenty, 40000);
  EXPECT_EQ(v.Fault(), "");
  // Playing for seconds and the file still empty: the engine writes nothing
  // in this format; the first bytes clear it.
  RecordingWatch e;
  e.Observe(true, 0, plenty, 0);
  e.Observe(true, 0, plenty, 4999);
  EXPECT_EQ(e.Fault(), "");
  e.Observe(true, 0, plenty, 5000);
  EXPECT_EQ(e.Fault(), "Error! nothing written in this format");
  e.Observe(true, 2048, plenty, 5500);
  EXPECT_EQ(e.Fault(), "");
  // A file that could not be created at the start is reported at once.
  RecordingWatch u;
  u.CreateFailed();
  u.Observe(false, -1, std::nullopt, 0);
  EXPECT_EQ(u.Fault(), "Error! cannot create the file");
}

TEST(Btnrec, StartsTheCurrentChannelWithTheFileChainAndStopsBackToPlain) {
  LogCapture log;
  Rig r(3);
  r.st.globals.capDir = "D:\\Rec";
  r.st.globals.recMux = 2;  // TS
  r.st.globals.recPriority = true;
  r.st.channelTitles[2] = "News: 24/7";
  SelectChannel(r.st, 2, Sender::Control);
  r.engine.playing = 1;
  r.engine.calls.clear();
  r.host.events.clear();
  r.host.clock = 5000;

  btnrec(r.st);
  const std::string file = "D:\\Rec\\News_ 24_7-20261208-210509.ts";
  EXPECT_EQ(r.st.globals.capDir, "D:\\Rec\\");
  EXPECT_TRUE(r.st.recording);
  EXPECT_EQ(r.st.recordingFile, file);
  const auto& c = r.engine.calls;
  // The chain is set before the switch and the switch keeps it.
  const int sout = r.engine.IndexOf("conf::sout=s:#duplicate");
  ASSERT_GE(sout, 0);
  EXPECT_EQ(c[sout], "conf::sout=s:#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"D:/Rec/News_ 24_7-20261208-210509.ts\"}}");
  EXPECT_EQ(c[sout - 1], "conf::demuxdump-file=s:");
  EXPECT_EQ(r.engine.Count("conf::sout="), 1);
  EXPECT_EQ(r.engine.Var("conf::sout").substr(0, 12), "s:#duplicate");
  EXPECT_LT(sout, r.engine.IndexOf("VLC_AddTarget udp://@239.0.0.2:1234"));
  EXPECT_EQ(r.engine.IndexOf("VLC_Stop"), 0);
  EXPECT_NE(std::find(r.host.events.begin(), r.host.events.end(), "priority high"), r.host.events.end());
  EXPECT_TRUE(log.Has("begin btnrec"));
  EXPECT_TRUE(log.Has("end btnrec"));

  // While recording the list and the menu are ignored, and pause does nothing.
  r.engine.calls.clear();
  SelectChannel(r.st, 3, Sender::Control);
  PauseButton(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_EQ(r.st.channelSelectorIndex, 2);

  // Ten seconds on, with 2.6 MB written.
  r.host.clock = r.st.recordingStartMs + 10000;
  EXPECT_EQ(RecordingLineNow(r.st, 2726297, int64_t{12945083187}), "REC - 00:00:10 - 3 Mb (12345 Mb free)");

  // Again: stop, and the channel plays on without the chain.
  LogCapture::Lines().clear();
  r.engine.calls.clear();
  r.host.events.clear();
  btnrec(r.st);
  EXPECT_FALSE(r.st.recording);
  EXPECT_EQ(c.front(), "VLC_Stop");
  EXPECT_EQ(r.engine.Var("conf::sout"), "s:");
  EXPECT_EQ(c.back(), "VLC_AddTarget udp://@239.0.0.2:1234 12 -666");
  EXPECT_NE(std::find(r.host.events.begin(), r.host.events.end(), "priority normal"), r.host.events.end());
  EXPECT_FALSE(log.Has("end btnrec"));
  EXPECT_EQ(RecordingLineNow(r.st, 2726297, std::nullopt), "");
}

TEST(Btnrec, ThePrefixServesOneRecording) {
  Rig r(1);
  r.st.channelSelectorIndex = 1;
  r.st.channelTitles[1] = "News";
  r.st.recordingNamePrefix = "Evening";
  btnrec(r.st);
  EXPECT_EQ(r.st.recordingFile, "C:\\Evening - News-20261208-210509.mpg");
  btnrec(r.st);
  btnrec(r.st);
  EXPECT_EQ(r.st.recordingFile, "C:\\News-20261208-210509.mpg");
}

TEST(Btnrec, TheCorrectedCaptureFolderIsShownInItsBox) {
  Rig r(2);
  auto shown = [&] {
    std::vector<std::string> folders;
    for (const auto& e : r.host.events)
      if (e.rfind("capture folder ", 0) == 0) folders.push_back(e.substr(15));
    r.host.events.clear();
    return folders;
  };
  r.st.channelSelectorIndex = 1;
  r.st.globals.capDir = "D:\\Rec";
  btnrec(r.st);
  EXPECT_EQ(shown(), std::vector<std::string>{"D:\\Rec\\"});
  btnrec(r.st);
  // Already corrected: nothing to show.
  btnrec(r.st);
  EXPECT_EQ(shown(), std::vector<std::string>{});
  // The background recorder's name corrects it too.
  r.st.globals.capDir = "E:\\Tv";
  BackgroundRecordingArgs(r.st, 2, 0, "", kEvening);
  EXPECT_EQ(shown(), std::vector<std::string>{"E:\\Tv\\"});
}

TEST(Btnrec, ThePseudoChannelStopsAndSetsTheFlagButStartsNothing) {
  Rig r(2);
  r.engine.playing = 1;
  btnrec(r.st);
  EXPECT_TRUE(r.st.recording);
  EXPECT_EQ(r.engine.Count("VLC_Stop"), 1);
  EXPECT_EQ(r.engine.Count("VLC_AddTarget"), 0);
  EXPECT_TRUE(std::none_of(r.host.events.begin(), r.host.events.end(),
                           [](const std::string& e) { return e == "open dialog"; }));
  // Stopping does not play it again either.
  r.engine.calls.clear();
  btnrec(r.st);
  EXPECT_FALSE(r.st.recording);
  EXPECT_EQ(r.engine.Count("VLC_AddTarget"), 0);
}

TEST(Btnrec, DirectShowRefusesAndChangesNothing) {
  LogCapture log;
  Rig r(2);
  r.st.directShowMode = true;
  r.st.channelSelectorIndex = 1;
  btnrec(r.st);
  EXPECT_EQ(r.host.messages, std::vector<std::string>{"Recording with DirectShow is not supported yet !"});
  EXPECT_FALSE(r.st.recording);
  EXPECT_TRUE(r.engine.calls.empty());
  EXPECT_FALSE(log.Has("begin btnrec"));
}

TEST(Btnrec, AFileThatCannotBeCreatedShowsInTheRecordingLine) {
  Rig r(1);
  r.st.channelSelectorIndex = 1;
  r.host.filesCanBeCreated = false;
  btnrec(r.st);
  r.engine.playing = 1;
  r.host.clock += 800;
  EXPECT_EQ(RecordingLineNow(r.st, -1, std::nullopt), "REC - 00:00:00 - Error! cannot create the file");
}

TEST(Snapshot, AskedOfTheVideoOutputOnlyWhenThereIsOne) {
  Rig r(1);
  TakeSnapshot(r.st);
  EXPECT_EQ(r.engine.calls, std::vector<std::string>{"vout.video-snapshot=i:1"});
  r.engine.calls.clear();
  r.engine.hasVout = false;
  TakeSnapshot(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
  r.engine.hasVout = true;
  r.st.directShowMode = true;
  TakeSnapshot(r.st);
  EXPECT_TRUE(r.engine.calls.empty());
}

}  // namespace
}  // namespace strevo

namespace strevo {
namespace {

TEST(BackgroundRecording, ArgumentsOfTheChannel) {
  test::Rig r(2);
  r.st.globals.iface = "10.0.0.5:4022";  // a proxy: the recorder joins by itself on any interface
  r.st.globals.capDir = "E:\\Rec";
  r.st.globals.recMux = 0;
  r.st.channelTitles[2] = "Sport/HD";
  // The default record's track is not the channel's.
  ChannelSettingsValues third;
  third.audioTrackIndex = 3;  // "#3"
  ChannelSettingsValues none;
  none.audioTrackIndex = 0;
  r.st.configList = {ChannelRecordText("?", third), ChannelRecordText("udp://@239.0.0.2:1234", third)};
  RecorderArgs a = BackgroundRecordingArgs(r.st, 2, 90, "Evening", EncodeDateTime({2026, 12, 8, 21, 5, 9}));
  EXPECT_EQ(a.address, "http://10.0.0.5:4022/udp/239.0.0.2:1234");
  EXPECT_EQ(a.format, "ps");
  EXPECT_EQ(a.file, "E:\\Rec\\Evening - Sport_HD-20261208-210509.mpg");
  EXPECT_EQ(a.minutes, "90");
  EXPECT_EQ(a.title, "Sport/HD");
  EXPECT_EQ(a.iface, "0.0.0.0");
  EXPECT_EQ(a.audioTrack, "2");
  EXPECT_EQ(RecorderArgsOf(Args{{"x.exe", "/bgrec", a.address, a.format, a.file, a.minutes, a.title, a.iface, a.audioTrack}})
                ->audioTrack,
            "2");
  EXPECT_EQ(BackgroundRecordingArgs(r.st, 1, 0, "", EncodeDateTime({2026, 12, 8, 21, 5, 9})).audioTrack, "0");
  r.st.configList[1] = ChannelRecordText("udp://@239.0.0.2:1234", none);
  EXPECT_EQ(BackgroundRecordingArgs(r.st, 2, 0, "", EncodeDateTime({2026, 12, 8, 21, 5, 9})).audioTrack, "-1");
  // Numbers past the list, and past the range of an int, in a hand-edited
  // record: the recorder gets the track the player plays ("#9" or "None").
  for (const auto& [stored, track, entry] :
       {std::tuple{"99999999999", "8", 9}, std::tuple{"2147483647", "8", 9}, std::tuple{"-99999999999", "-1", 0}}) {
    std::string record = ChannelRecordText("udp://@239.0.0.2:1234", none);
    size_t at = 0;
    for (int field = 0; field < 17; ++field) at = record.find('|', at) + 1;
    record.replace(at, record.find('|', at) - at, stored);
    r.st.configList[1] = record;
    EXPECT_EQ(BackgroundRecordingArgs(r.st, 2, 0, "", EncodeDateTime({2026, 12, 8, 21, 5, 9})).audioTrack, track)
        << stored;
    EXPECT_EQ(ChannelSettingsFromRecord(record).audioTrackIndex, entry) << stored;
  }
}

TEST(BackgroundRecording, TheChannelsTagOptionsGoAlong) {
  test::Rig r(2);
  const DateTime now = EncodeDateTime({2026, 12, 8, 21, 5, 9});
  // A list read without its tags has none: nothing goes along.
  EXPECT_TRUE(BackgroundRecordingArgs(r.st, 2, 0, "", now).options.empty());
  r.st.channelTags.resize(3);
  r.st.channelTags[2].options = {"http-user-agent=Box/1.0", "network-caching=2000"};
  EXPECT_EQ(BackgroundRecordingArgs(r.st, 2, 0, "", now).options,
            (std::vector<std::string>{":http-user-agent=Box/1.0", ":network-caching=2000"}));
  // Each channel its own.
  EXPECT_TRUE(BackgroundRecordingArgs(r.st, 1, 0, "", now).options.empty());
  // The recorder reads back what the player wrote.
  const RecorderArgs a = BackgroundRecordingArgs(r.st, 2, 0, "", now);
  std::vector<std::string> items = {"x.exe", "/bgrec", a.address, a.format, a.file, a.minutes, a.title, a.iface,
                                    a.audioTrack};
  items.insert(items.end(), a.options.begin(), a.options.end());
  EXPECT_EQ(RecorderArgsOf(Args{items})->options, a.options);
}

}  // namespace
}  // namespace strevo
