// The 3.x binding against the real engine: Debian's libvlc.so.5, loaded at
// run time as the player loads libvlc.dll, with dummy video and audio
// outputs. The media are made here by ffmpeg; the network is loopback only.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "playback/libvlc3_engine.h"
#include "playback/player.h"

namespace strevo {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The clip: 3 s of 320x240 MPEG-2 video at 25 frames and MPEG audio, in TS.
constexpr int kWidth = 320, kHeight = 240;
constexpr double kSeconds = 3.0;

std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// One hash per elementary-stream packet ("v" video, "a" audio), in order:
// equal lists mean equal packets, whatever the TS around them.
std::vector<std::string> PacketHashes(const fs::path& file, const char* stream) {
  std::istringstream lines(Shell("ffmpeg -v error -i " + Quote(file) + " -map 0:" + stream +
                               " -c copy -f framemd5 - 2>/dev/null"));
  std::vector<std::string> hashes;
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') hashes.push_back(line.substr(line.rfind(',') + 1));
  return hashes;
}

// The bytes of one elementary stream, its packets joined.
std::string Elementary(const fs::path& file, const char* stream) {
  return Shell("ffmpeg -v error -i " + Quote(file) + " -map 0:" + stream + " -c copy -f " +
               (std::string(stream) == "v" ? "mpeg2video" : "mp2") + " - 2>/dev/null");
}

// The interface an IPv4 address belongs to, as the engine names interfaces.
std::string InterfaceOf(const std::string& address) {
  std::string name;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return name;
  for (ifaddrs* i = list; i && name.empty(); i = i->ifa_next) {
    if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr, text, sizeof text);
    if (address == text) name = i->ifa_name;
  }
  freeifaddrs(list);
  return name;
}

// Waits up to `limit` for `done`; true when it came.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

class RealEngine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = dlopen("libvlc.so.5", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << "libvlc.so.5 (package libvlc5) did not load: " << dlerror();
    const auto lookup = [](const char* name) { return dlsym(library_, name); };
    ASSERT_TRUE(OffersLibvlc3(lookup));
    ASSERT_TRUE(ResolveLibvlc3(api_, lookup));
    dir_ = fs::temp_directory_path() / ("strevo-engine3-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    clip_ = dir_ / "clip.ts";
    Shell("ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 3 "
        "-c:v mpeg2video -g 12 -b:v 800k -c:a mp2 -b:a 128k -f mpegts " +
        Quote(clip_) + " 2>&1");
    ASSERT_TRUE(fs::exists(clip_) && fs::file_size(clip_) > 100000) << "ffmpeg made no clip";
  }
  static void TearDownTestSuite() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    // The library stays loaded: the engine's threads may outlive the tests
    // by a moment, and the process ends anyway.
  }

  void SetUp() override {
    engine_ = std::make_unique<Libvlc3Engine>(
        // amem: an output without a device that still keeps and reports its
        // volume (the dummy one reports none).
        api_, std::vector<std::string>{"--vout=dummy", "--aout=amem"}, nullptr,
        InterfaceOf);
    ASSERT_TRUE(engine_->Loaded()) << engine_->LastError();
  }
  void TearDown() override { engine_.reset(); }

  bool WaitPlaying() {
    return WaitFor([&] { return engine_->IsPlaying() != 0; }, std::chrono::seconds(5));
  }
  // The player's recording chain: to the screen and to the file.
  void RecordTo(const fs::path& file) {
    engine_->VariableSet("conf::sout", EngineValue::Text("#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"" +
                                                         file.string() + "\"}}"));
  }

  static inline void* library_ = nullptr;
  static inline Libvlc3Api api_;
  static inline fs::path dir_, clip_;
  std::unique_ptr<Libvlc3Engine> engine_;
};

TEST_F(RealEngine, PlaysAFilePausesResumesAndStops) {
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying());
  // The length is known a moment after the start.
  ASSERT_TRUE(WaitFor([&] { return engine_->LengthGet() > 0; }, std::chrono::seconds(3)));
  EXPECT_NEAR(engine_->LengthGet(), kSeconds, 0.5);
  ASSERT_TRUE(WaitFor([&] { return engine_->TimeGet() >= 1; }, std::chrono::seconds(4))) << engine_->TimeGet();

  engine_->Pause();
  ASSERT_TRUE(WaitFor([&] { return engine_->IsPlaying() == 0; }, std::chrono::seconds(3)));
  const int pausedAt = engine_->TimeGet();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(engine_->TimeGet(), pausedAt);
  EXPECT_EQ(engine_->Play(), 0);
  ASSERT_TRUE(WaitPlaying());

  EXPECT_EQ(engine_->Stop(), 0);
  EXPECT_EQ(engine_->IsPlaying(), 0);
  EXPECT_EQ(engine_->TimeGet(), engine_abi::kNoObject);
}

// The output may (re)start just after a set and come up at its own level;
// the binding sets the player's level again on the next read, and the engine
// reports it a moment later (seen here as one read of 100, then 80, on an idle
// machine). The level must arrive, and stay.
TEST_F(RealEngine, VolumeIsSetAndReadBack) {
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying());
  for (const int level : {80, 150}) {
    EXPECT_EQ(engine_->VolumeSet(level), 0);
    EXPECT_TRUE(WaitFor([&] { return engine_->VolumeGet() == level; }, std::chrono::seconds(2)))
        << level << " set, " << engine_->VolumeGet() << " read";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(engine_->VolumeGet(), level);
  }
}

// The player sets its volume when it starts, before the engine has an audio
// output; the output, once it starts, must not bring back its own level.
TEST_F(RealEngine, AVolumeSetBeforeTheAudioStartsIsKept) {
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  EXPECT_EQ(engine_->VolumeSet(40), 0);
  ASSERT_TRUE(WaitPlaying());
  ASSERT_TRUE(WaitFor([&] { return engine_->TimeGet() > 0; }, std::chrono::seconds(5)));
  // Read for a while: a reset may come any time the output (re)starts.
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(engine_->VolumeGet(), 40) << "reading " << i;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// The engine keeps mute as a flag a volume change leaves on, while the
// player takes its mute sign away when the volume moves: the player's Mute,
// the wheel, and the sound must come back with the sign gone.
TEST_F(RealEngine, MuteFollowsThePlayersSignThroughAVolumeChange) {
  PlayerState st;
  st.engine = engine_.get();
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying());
  ASSERT_TRUE(WaitFor([&] { return engine_->EngineMute() >= 0; }, std::chrono::seconds(3)));
  st.globals.volume = 50;
  ApplyVolume(st, Sender::MainWindow);
  MuteButton(st);
  ASSERT_TRUE(st.muteIndicatorVisible);
  EXPECT_TRUE(WaitFor([&] { return engine_->EngineMute() == 1; }, std::chrono::seconds(2)));
  st.globals.volume = 30;
  ApplyVolume(st, Sender::Control);
  EXPECT_FALSE(st.muteIndicatorVisible);
  EXPECT_TRUE(WaitFor([&] { return engine_->EngineMute() == 0; }, std::chrono::seconds(2)))
      << "the sound stays off under a hidden mute sign";
  EXPECT_TRUE(WaitFor([&] { return engine_->VolumeGet() == 60; }, std::chrono::seconds(2))) << engine_->VolumeGet();
  MuteButton(st);
  EXPECT_TRUE(WaitFor([&] { return engine_->EngineMute() == 1; }, std::chrono::seconds(2)));
}

// The player's timeshift granularity is the 0.8 engine's MiB; the 3.x input
// counts bytes and says what it took in its debug log.
TEST_F(RealEngine, TheTimeshiftGranularityArrivesInTheEnginesUnit) {
  const fs::path log = dir_ / "engine.log";
  engine_.reset();
  engine_ = std::make_unique<Libvlc3Engine>(
      api_, std::vector<std::string>{"--vout=dummy", "--aout=amem", "--file-logging", "--logfile=" + log.string(),
                                     "--log-verbose=2"},
      nullptr);
  ASSERT_TRUE(engine_->Loaded()) << engine_->LastError();
  engine_->VariableSet("conf::timeshift-dir", EngineValue::Text(dir_.string()));
  engine_->VariableSet("conf::timeshift-granularity", EngineValue::Int(1024));
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying());
  const auto said = [&] {
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    return text.find("using timeshift granularity of 1024 MiB") != std::string::npos;
  };
  EXPECT_TRUE(WaitFor(said, std::chrono::seconds(3)));
}

TEST_F(RealEngine, RecordsAFileWithThePlayersChainPacketForPacket) {
  const fs::path out = dir_ / "record.ts";
  RecordTo(out);
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying());
  // To the end of the clip, then stopped: the file is complete.
  ASSERT_TRUE(WaitFor([&] { return engine_->IsPlaying() == 0; }, std::chrono::seconds(8)));
  engine_->Stop();
  ASSERT_TRUE(fs::exists(out));
  // Each elementary stream as recorded is the source's, byte for byte, from
  // the start; the engine's TS muxer drops what it still holds (a few
  // frames) when a file ends.
  for (const char* stream : {"v", "a"}) {
    const std::string source = Elementary(clip_, stream), recorded = Elementary(out, stream);
    ASSERT_GT(source.size(), 10000u) << stream;
    EXPECT_GE(recorded.size(), source.size() * 8 / 10) << stream;
    EXPECT_EQ(recorded, source.substr(0, recorded.size())) << stream;
  }
}

// Sends the clip over and over to a multicast group on loopback only.
class LoopbackSender {
 public:
  LoopbackSender(const fs::path& clip, const char* group, int port) {
    std::ifstream in(clip, std::ios::binary);
    data_.assign(std::istreambuf_iterator<char>(in), {});
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    in_addr lo{};
    inet_pton(AF_INET, "127.0.0.1", &lo);
    setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_IF, &lo, sizeof lo);
    unsigned char ttl = 1, loop = 1;
    setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    setsockopt(fd_, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    to_.sin_family = AF_INET;
    to_.sin_port = htons(static_cast<uint16_t>(port));
    inet_pton(AF_INET, group, &to_.sin_addr);
    thread_ = std::thread([this] { Send(); });
  }
  ~LoopbackSender() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }

 private:
  void Send() {
    // Seven TS packets a datagram, paced to the clip's own rate.
    const size_t chunk = 7 * 188;
    const auto perChunk = std::chrono::duration<double>(kSeconds * chunk / data_.size());
    auto next = Clock::now();
    while (!stop_) {
      for (size_t at = 0; at + chunk <= data_.size() && !stop_; at += chunk) {
        sendto(fd_, data_.data() + at, chunk, 0, reinterpret_cast<sockaddr*>(&to_), sizeof to_);
        next += std::chrono::duration_cast<Clock::duration>(perChunk);
        std::this_thread::sleep_until(next);
      }
    }
  }
  std::vector<char> data_;
  int fd_ = -1;
  sockaddr_in to_{};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST_F(RealEngine, ReceivesALoopbackGroupOnTheGivenInterfaceAndRecordsIt) {
  LoopbackSender sender(clip_, "239.255.71.17", 5617);
  const fs::path out = dir_ / "group.ts";
  engine_->VariableSet("conf::miface-addr", EngineValue::Text("127.0.0.1"));
  RecordTo(out);
  ASSERT_EQ(engine_->AddTarget("udp://@239.255.71.17:5617", engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying()) << "nothing arrived from the group on 127.0.0.1";
  EXPECT_EQ(engine_->LengthGet(), 0);  // a live stream
  ASSERT_TRUE(WaitFor([&] { return fs::exists(out) && fs::file_size(out) > 200000; }, std::chrono::seconds(6)));
  engine_->Stop();
  // Every whole packet recorded is one the sender sent; the first and last
  // may be cut by joining and leaving mid-stream.
  const auto sent = PacketHashes(clip_, "v");
  const std::set<std::string> known(sent.begin(), sent.end());
  const auto got = PacketHashes(out, "v");
  ASSERT_GE(got.size(), 25u);
  for (size_t i = 1; i + 1 < got.size(); ++i) EXPECT_TRUE(known.count(got[i])) << "packet " << i;
}

// Width and height of a PNG file, from its header; 0x0 when it is none.
std::pair<uint32_t, uint32_t> PngSize(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char h[24] = {};
  in.read(reinterpret_cast<char*>(h), sizeof h);
  static const unsigned char sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (in.gcount() != 24 || std::memcmp(h, sig, 8) != 0 || std::memcmp(h + 12, "IHDR", 4) != 0) return {0, 0};
  auto be = [&](int at) { return uint32_t(h[at]) << 24 | uint32_t(h[at + 1]) << 16 | uint32_t(h[at + 2]) << 8 | h[at + 3]; };
  return {be(16), be(20)};
}

TEST_F(RealEngine, TakesASnapshotOfADecodedFrameIntoTheFolder) {
  const fs::path folder = dir_ / "capture";
  fs::create_directories(folder);
  engine_->VariableSet("conf::snapshot-path", EngineValue::Text(folder.string() + "/"));
  ASSERT_EQ(engine_->AddTarget(clip_.string(), engine_abi::kModeAppendAndGo, engine_abi::kEndOfList), 0);
  ASSERT_TRUE(WaitPlaying());
  void* vout = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] { return (vout = engine_->FindObject(engine_->CurrentObject(), engine_abi::kObjectVideoOutput)); },
      std::chrono::seconds(3)));
  fs::path shot;
  const auto written = [&] {
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().extension() == ".png" && fs::file_size(e.path()) > 0) shot = e.path();
    return !shot.empty();
  };
  // The engine takes the next picture it shows within half a second of the
  // request; on a loaded machine that may not come, so ask again (bounded)
  // while the clip still plays.
  for (int attempt = 0; attempt < 4 && !written() && engine_->IsPlaying(); ++attempt) {
    ASSERT_EQ(engine_->ObjectVariableSet(vout, "video-snapshot", EngineValue::Int(1)), 0);
    WaitFor(written, std::chrono::milliseconds(500));
  }
  ASSERT_TRUE(written()) << "no snapshot in " << folder;
  EXPECT_EQ(PngSize(shot), std::make_pair(uint32_t(kWidth), uint32_t(kHeight)));
}

}  // namespace
}  // namespace strevo
