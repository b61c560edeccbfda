// The stand-in engine libvlc.dll loaded as the player loads it, with real
// sources on loopback: a multicast sender, an HTTP server, a TS file.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "engine_abi.h"
#include "playback/libvlc3_engine.h"
#include "playback/libvlc3_win.h"

namespace {

namespace abi = strevo::engine_abi;

const char* const kEntryPoints[] = {
    "rootwrap", "VLC_AddIntf", "VLC_AddTarget", "VLC_CleanUp", "VLC_CompileBy", "VLC_CompileDomain",
    "VLC_CompileHost", "VLC_Compiler", "VLC_Create", "VLC_Destroy", "VLC_Die", "VLC_Error", "VLC_FullScreen",
    "VLC_Init", "VLC_IsPlaying", "VLC_LengthGet", "VLC_Pause", "VLC_Play", "VLC_PlaylistClear",
    "VLC_PlaylistIndex", "VLC_PlaylistNext", "VLC_PlaylistNumberOfItems", "VLC_PlaylistPrev", "VLC_PositionGet",
    "VLC_PositionSet", "VLC_SpeedFaster", "VLC_SpeedSlower", "VLC_Stop", "VLC_TimeGet", "VLC_TimeSet",
    "VLC_VariableGet", "VLC_VariableSet", "VLC_VariableType", "VLC_Version", "VLC_VolumeGet", "VLC_VolumeMute",
    "VLC_VolumeSet", "__var_Set", "__var_Get", "__vlc_object_find", "vlc_current_object"};

std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, w.data(), n);
  w.resize(static_cast<size_t>(n - 1));
  return w;
}

std::string Utf8(const std::wstring& w) {
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
  s.resize(static_cast<size_t>(n - 1));
  return s;
}

std::vector<uint8_t> ReadAll(const std::string& utf8Path) {
  std::vector<uint8_t> data;
  HANDLE f = CreateFileW(Wide(utf8Path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return data;
  uint8_t buf[65536];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) data.insert(data.end(), buf, buf + got);
  CloseHandle(f);
  return data;
}

void WriteAll(const std::string& utf8Path, const std::vector<uint8_t>& data) {
  HANDLE f = CreateFileW(Wide(utf8Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(f, INVALID_HANDLE_VALUE) << utf8Path;
  DWORD written = 0;
  WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  CloseHandle(f);
}

uint64_t Fnv1a(const uint8_t* p, size_t n) {
  uint64_t h = 1469598103934665603ULL;
  for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ULL;
  return h;
}

// Waits up to `ms` for `cond`, pumping this thread's messages (the engine's
// windows are children of ours).
template <class F>
bool WaitFor(F cond, int ms) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (cond()) return true;
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(20);
  }
  return cond();
}

// One TS file: a PCR packet every half second of stream time from `startSeconds`,
// each followed by three payload packets.
std::vector<uint8_t> MakeTs(int seconds, int startSeconds) {
  std::vector<uint8_t> ts;
  for (int i = 0; i <= seconds * 2; ++i) {
    uint64_t pcr = (uint64_t(startSeconds) * 2 + i) * 27000000ULL / 2;
    uint64_t base = pcr / 300, ext = pcr % 300;
    uint8_t p[188];
    memset(p, 0xff, sizeof p);
    p[0] = 0x47, p[1] = 0x01, p[2] = 0x00, p[3] = 0x20, p[4] = 183, p[5] = 0x10;
    p[6] = uint8_t(base >> 25), p[7] = uint8_t(base >> 17), p[8] = uint8_t(base >> 9), p[9] = uint8_t(base >> 1);
    p[10] = uint8_t(((base & 1) << 7) | 0x7e | (ext >> 8)), p[11] = uint8_t(ext);
    ts.insert(ts.end(), p, p + 188);
    for (int k = 0; k < 3; ++k) {
      p[0] = 0x47, p[1] = 0x01, p[2] = 0x01, p[3] = uint8_t(0x10 | ((i * 3 + k) & 15));
      for (int j = 4; j < 188; ++j) p[j] = uint8_t(i * 7 + k * 13 + j);
      ts.insert(ts.end(), p, p + 188);
    }
  }
  return ts;
}

class Engine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"run\\libvlc.dll";
    dll_ = LoadLibraryW(path.c_str());
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
  }

  void SetUp() override {
    ASSERT_NE(dll_, nullptr) << "run\\libvlc.dll beside the test program did not load";
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    static int n = 0;
    // Wine reuses process ids: the tick count keeps folders of earlier runs apart.
    dir_ = Utf8(tmp) + "strevo-engine-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount64()) + "-" + std::to_string(++n);
    CreateDirectoryW(tmp, nullptr);  // a fresh Wine prefix may lack it
    ASSERT_TRUE(CreateDirectoryW(Wide(dir_).c_str(), nullptr)) << dir_;
    id_ = Create();
    ASSERT_GE(id_, 0);
    char folder[] = "";
    char* argv[] = {folder, nullptr};
    ASSERT_EQ(Fn<abi::VLC_Init_fn>("VLC_Init")(id_, 1, argv), 0);
  }

  void TearDown() override {
    if (id_ >= 0) {
      Fn<abi::VLC_CleanUp_fn>("VLC_CleanUp")(id_);
      Fn<abi::VLC_Destroy_fn>("VLC_Destroy")(id_);
    }
    if (window_) DestroyWindow(window_);
    WIN32_FIND_DATAW fd;
    std::wstring dir = Wide(dir_);
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
      } while (FindNextFileW(h, &fd));
      FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
  }

  template <class F>
  F Fn(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
  }
  int Create() { return Fn<abi::VLC_Create_fn>("VLC_Create")(); }
  int Call(const char* name) { return Fn<int (*)(int)>(name)(id_); }
  int SetInt(const char* name, int v) {
    vlc_value_t x{};
    x.i_int = v;
    return Fn<abi::VLC_VariableSet_fn>("VLC_VariableSet")(id_, name, x);
  }
  int SetFloat(const char* name, float v) {
    vlc_value_t x{};
    x.f_float = v;
    return Fn<abi::VLC_VariableSet_fn>("VLC_VariableSet")(id_, name, x);
  }
  int SetText(const char* name, const std::string& v) {
    vlc_value_t x{};
    std::string copy = v;
    x.psz_string = copy.data();
    return Fn<abi::VLC_VariableSet_fn>("VLC_VariableSet")(id_, name, x);
  }
  int Get(const char* name, vlc_value_t* v) { return Fn<abi::VLC_VariableGet_fn>("VLC_VariableGet")(id_, name, v); }
  int AddTarget(const std::string& mrl) {
    return Fn<abi::VLC_AddTarget_fn>("VLC_AddTarget")(id_, mrl.c_str(), nullptr, 0, abi::kModeAppendAndGo, abi::kEndOfList);
  }
  bool Playing() { return Call("VLC_IsPlaying") != 0; }
  void* FindObject(int kind) {
    void* root = Fn<abi::vlc_current_object_fn>("vlc_current_object")(id_);
    return Fn<abi::vlc_object_find_fn>("__vlc_object_find")(root, kind, 3);
  }
  std::string Slashes(std::string p) {
    for (char& c : p)
      if (c == '\\') c = '/';
    return p;
  }
  HWND MakePanel() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"EngineTestPanel";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, L"EngineTestPanel", L"panel", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400, 300,
                              nullptr, nullptr, wc.hInstance, nullptr);
    return window_;
  }
  std::string TsFile(int seconds, int start) {
    std::string path = dir_ + "\\clip.ts";
    WriteAll(path, MakeTs(seconds, start));
    return path;
  }

  static HMODULE dll_;
  int id_ = -1;
  std::string dir_;
  HWND window_ = nullptr;
};
HMODULE Engine::dll_ = nullptr;

TEST_F(Engine, ExportsEveryEntryPointOfTheTable) {
  for (const char* name : kEntryPoints) EXPECT_NE(GetProcAddress(dll_, name), nullptr) << name;
}

TEST_F(Engine, InstancesKeepTheirOwnVariables) {
  int other = Create();
  EXPECT_NE(other, id_);
  EXPECT_EQ(SetInt("conf::width", 360), 0);
  EXPECT_EQ(SetFloat("conf::contrast", 1.5f), 0);
  EXPECT_EQ(SetText("conf::miface-addr", "127.0.0.1"), 0);
  vlc_value_t v{};
  ASSERT_EQ(Get("conf::width", &v), 0);
  EXPECT_EQ(v.i_int, 360);
  ASSERT_EQ(Get("conf::contrast", &v), 0);
  EXPECT_FLOAT_EQ(v.f_float, 1.5f);
  ASSERT_EQ(Get("conf::miface-addr", &v), 0);
  EXPECT_STREQ(v.psz_string, "127.0.0.1");
  int type = 0;
  EXPECT_EQ(Fn<abi::VLC_VariableType_fn>("VLC_VariableType")(id_, "conf::contrast", &type), 0);
  EXPECT_EQ(type, 0x0050);
  EXPECT_EQ(Fn<abi::VLC_VariableGet_fn>("VLC_VariableGet")(other, "conf::width", &v), -30);
  EXPECT_EQ(Fn<abi::VLC_Destroy_fn>("VLC_Destroy")(other), 0);
  EXPECT_EQ(Fn<abi::VLC_VariableGet_fn>("VLC_VariableGet")(other, "conf::width", &v), -20);
  EXPECT_STREQ(Fn<abi::VLC_Error_fn>("VLC_Error")(-20), "object not found");

  // Volume 0..200, mute leaves the level, speed doubles and halves.
  EXPECT_EQ(Fn<abi::VLC_VolumeSet_fn>("VLC_VolumeSet")(id_, 250), 0);
  EXPECT_EQ(Call("VLC_VolumeGet"), 200);
  Fn<abi::VLC_VolumeSet_fn>("VLC_VolumeSet")(id_, 60);
  Call("VLC_VolumeMute");
  EXPECT_EQ(Call("VLC_VolumeGet"), 60);
  EXPECT_FLOAT_EQ(Fn<abi::VLC_SpeedFaster_fn>("VLC_SpeedFaster")(id_), 2.0f);
  EXPECT_FLOAT_EQ(Fn<abi::VLC_SpeedSlower_fn>("VLC_SpeedSlower")(id_), 1.0f);
}

TEST_F(Engine, VersionTextCanBeOverriddenForThe090Rule) {
  auto version = Fn<abi::VLC_Version_fn>("VLC_Version");
  SetEnvironmentVariableW(L"STREVO_ENGINE_VERSION", nullptr);
  EXPECT_EQ(std::string(version()).find("0.9.0"), std::string::npos);
  SetEnvironmentVariableW(L"STREVO_ENGINE_VERSION", L"0.9.0-test");
  EXPECT_EQ(std::string(version()), "0.9.0-test");
  SetEnvironmentVariableW(L"STREVO_ENGINE_VERSION", nullptr);
}

// A UDP port no other socket of the machine holds. Other checkouts may run
// this test at the same moment, and Wine gives their processes the same ids,
// so a port derived from the id could mix their datagrams into this stream.
static uint16_t FreeUdpPort() {
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
  int len = sizeof a;
  const bool ok = bind(probe, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                  getsockname(probe, reinterpret_cast<sockaddr*>(&a), &len) == 0;
  closesocket(probe);
  return ok ? ntohs(a.sin_port) : static_cast<uint16_t>(42000 + GetCurrentProcessId() % 1000);
}

TEST_F(Engine, MulticastOnLoopbackIsRecordedByteForByte) {
  const uint16_t port = FreeUdpPort();
  const char* group = "239.255.42.17";
  std::string rec = dir_ + "\\record.ts";
  SetText("conf::miface-addr", "127.0.0.1");
  SetText("conf::sout", "#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"" + Slashes(rec) + "\"}}");
  ASSERT_EQ(AddTarget("udp://@" + std::string(group) + ":" + std::to_string(port)), 0);
  EXPECT_FALSE(Playing()) << "nothing has arrived yet";

  SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  in_addr lo{};
  inet_pton(AF_INET, "127.0.0.1", &lo);
  setsockopt(s, IPPROTO_IP, IP_MULTICAST_IF, reinterpret_cast<const char*>(&lo), sizeof lo);
  DWORD ttl = 1;
  setsockopt(s, IPPROTO_IP, IP_MULTICAST_TTL, reinterpret_cast<const char*>(&ttl), sizeof ttl);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  inet_pton(AF_INET, group, &to.sin_addr);
  auto send = [&](const std::vector<uint8_t>& d) {
    sendto(s, reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  };
  // Warm-up datagrams until the engine has joined; those sent before the
  // join are lost, so they are told apart from the measured data.
  std::vector<uint8_t> warm(188, 'W');
  bool joined = WaitFor([&] {
    send(warm);
    return Playing();
  }, 5000);
  ASSERT_TRUE(joined) << "no multicast data arrived on 127.0.0.1 (is loopback multicast possible here?)";
  EXPECT_NE(FindObject(-7), nullptr);

  std::vector<uint8_t> sent;
  for (int i = 0; i < 1500; ++i) {
    std::vector<uint8_t> d(1316);
    for (size_t j = 0; j < d.size(); ++j) d[j] = uint8_t((i * 31 + j * 7) ^ (j >> 3));
    d[0] = 0x47;
    send(d);
    sent.insert(sent.end(), d.begin(), d.end());
    if (i % 25 == 0) Sleep(2);
  }
  closesocket(s);
  auto stopped = std::chrono::steady_clock::now();
  // The engine drops after 2 s of silence; its thread may be late on a busy
  // machine, so the wait is bounded well above that.
  ASSERT_TRUE(WaitFor([&] { return !Playing(); }, 8000)) << "still playing 8 s after the sender stopped";
  double dropMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stopped).count();
  EXPECT_GT(dropMs, 1000) << "the 2-second silence rule was not kept";
  Call("VLC_Stop");

  std::vector<uint8_t> got = ReadAll(rec);
  size_t skip = 0;
  while (skip + 188 <= got.size() && got[skip] == 'W' && got[skip + 187] == 'W') skip += 188;
  EXPECT_GE(skip, 188u);
  ASSERT_EQ(got.size() - skip, sent.size());
  EXPECT_EQ(Fnv1a(got.data() + skip, got.size() - skip), Fnv1a(sent.data(), sent.size()));
  std::printf("[ multicast ] recorded %zu of %zu bytes sent after the join; playing dropped after %.0f ms\n",
              got.size() - skip, sent.size(), dropMs);
}

TEST_F(Engine, HttpBodyIsDumpedByteForByteAndTheEndStopsPlaying) {
  std::vector<uint8_t> body(700000);
  for (size_t i = 0; i < body.size(); ++i) body[i] = uint8_t((i * 2654435761u) >> 13);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  listen(listener, 1);
  int len = sizeof addr;
  getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
  std::string request;
  std::thread server([&] {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(listener, &set);
    timeval tv{10, 0};
    if (select(0, &set, nullptr, nullptr, &tv) <= 0) return;
    SOCKET c = accept(listener, nullptr, nullptr);
    char buf[2048];
    int n = recv(c, buf, sizeof buf, 0);
    if (n > 0) request.assign(buf, static_cast<size_t>(n));
    // Its length given: the end is the body's end, not a drop to reconnect after.
    std::string head = "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\nContent-Length: " +
                       std::to_string(body.size()) + "\r\n\r\n";
    send(c, head.data(), static_cast<int>(head.size()), 0);
    for (size_t off = 0; off < body.size(); off += 10000) {
      send(c, reinterpret_cast<const char*>(&body[off]), static_cast<int>(std::min<size_t>(10000, body.size() - off)), 0);
      Sleep(1);
    }
    closesocket(c);
  });
  std::string dump = dir_ + "\\dump.ts";
  SetText("conf::demux", "dump");
  SetText("conf::demuxdump-file", dump);
  ASSERT_EQ(AddTarget("http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/live/stream.ts"), 0);
  bool played = WaitFor([&] { return Playing(); }, 5000);
  server.join();
  closesocket(listener);
  EXPECT_TRUE(played);
  EXPECT_EQ(request.rfind("GET /live/stream.ts HTTP/1.", 0), 0u) << request;
  EXPECT_TRUE(WaitFor([&] { return !Playing(); }, 5000)) << "an ended HTTP body still counts as playing";
  EXPECT_EQ(Call("VLC_LengthGet"), -20);
  Call("VLC_Stop");
  std::vector<uint8_t> got = ReadAll(dump);
  ASSERT_EQ(got.size(), body.size());
  EXPECT_EQ(Fnv1a(got.data(), got.size()), Fnv1a(body.data(), body.size()));
}

TEST_F(Engine, TsFileTimeComesFromItsClockAndSeeksByProportion) {
  std::string clip = TsFile(60, 1000);
  ASSERT_EQ(AddTarget("file:///" + Slashes(clip)), 0);
  ASSERT_TRUE(WaitFor([&] { return Playing(); }, 3000));
  EXPECT_EQ(Call("VLC_LengthGet"), 60);
  EXPECT_LE(Call("VLC_TimeGet"), 1);
  EXPECT_EQ(Fn<abi::VLC_TimeSet_fn>("VLC_TimeSet")(id_, 30, 0), 0);
  EXPECT_TRUE(WaitFor([&] { int t = Call("VLC_TimeGet"); return t >= 30 && t <= 31; }, 2000));
  Sleep(1500);  // real-time pace: about a second and a half later
  int t = Call("VLC_TimeGet");
  EXPECT_GE(t, 30);
  EXPECT_LE(t, 33);

  // Pause holds the clock; Play resumes; Play after Stop starts the target again.
  Call("VLC_Pause");
  EXPECT_FALSE(Playing());
  int held = Call("VLC_TimeGet");
  Sleep(1200);
  EXPECT_EQ(Call("VLC_TimeGet"), held);
  Call("VLC_Play");
  EXPECT_TRUE(Playing());
  Call("VLC_Stop");
  EXPECT_FALSE(Playing());
  EXPECT_EQ(Call("VLC_TimeGet"), -20);
  Call("VLC_Play");
  EXPECT_TRUE(WaitFor([&] { return Playing(); }, 3000));
  EXPECT_LE(Call("VLC_TimeGet"), 1);
  EXPECT_EQ(Call("VLC_PlaylistNumberOfItems"), 1);
  Call("VLC_PlaylistClear");
  EXPECT_EQ(Call("VLC_PlaylistNumberOfItems"), 0);
  EXPECT_FALSE(Playing());
}

TEST_F(Engine, StatusWindowLivesInThePanelWhilePlaying) {
  HWND panel = MakePanel();
  SetInt("drawable", static_cast<int>(reinterpret_cast<intptr_t>(panel)));
  std::string clip = TsFile(30, 0);
  AddTarget(clip);
  HWND child = nullptr;
  EXPECT_TRUE(WaitFor([&] { return (child = FindWindowExW(panel, nullptr, L"VLC DirectX", nullptr)) != nullptr; }, 3000));
  RECT pr, cr;
  GetClientRect(panel, &pr);
  GetClientRect(child, &cr);
  EXPECT_EQ(cr.right, pr.right);
  EXPECT_EQ(cr.bottom, pr.bottom);
  Call("VLC_Stop");
  EXPECT_EQ(FindWindowExW(panel, nullptr, L"VLC DirectX", nullptr), nullptr);

  SetText("conf::vout", "opengl");
  AddTarget(clip);
  EXPECT_TRUE(WaitFor([&] { return FindWindowExW(panel, nullptr, L"VLC WinGDI", nullptr) != nullptr; }, 3000));
  EXPECT_EQ(FindWindowExW(panel, nullptr, L"VLC DirectX", nullptr), nullptr);
  Call("VLC_Stop");
  EXPECT_EQ(FindWindowExW(panel, nullptr, L"VLC WinGDI", nullptr), nullptr);

  // A tuner cannot be opened here: nothing plays and no window appears.
  AddTarget("dshow://");
  Sleep(300);
  EXPECT_FALSE(Playing());
  EXPECT_EQ(FindObject(-9), nullptr);
  EXPECT_EQ(FindWindowExW(panel, nullptr, L"VLC DirectX", nullptr), nullptr);
}

TEST_F(Engine, SnapshotWritesAJpegOfThePanelPicture) {
  HWND panel = MakePanel();
  SetInt("drawable", static_cast<int>(reinterpret_cast<intptr_t>(panel)));
  SetText("conf::snapshot-path", dir_ + "\\");
  EXPECT_EQ(FindObject(-9), nullptr) << "no video output before anything plays";
  AddTarget(TsFile(30, 0));
  ASSERT_TRUE(WaitFor([&] { return Playing(); }, 3000));
  void* vout = FindObject(-9);
  ASSERT_NE(vout, nullptr);
  auto varSet = Fn<abi::var_Set_fn>("__var_Set");
  vlc_value_t one{};
  one.i_int = 1;
  EXPECT_EQ(varSet(vout, "video-snapshot", one), 0);
  EXPECT_EQ(varSet(vout, "video-snapshot", one), 0);
  std::vector<uint8_t> jpg = ReadAll(dir_ + "\\vlcsnap-00001.jpg");
  ASSERT_GT(jpg.size(), 1000u);
  EXPECT_FALSE(ReadAll(dir_ + "\\vlcsnap-00002.jpg").empty()) << "a second snapshot must not overwrite the first";
  EXPECT_EQ(jpg[0], 0xff);
  EXPECT_EQ(jpg[1], 0xd8);
  EXPECT_EQ(jpg[jpg.size() - 1], 0xd9);
  // The frame header carries the panel's client size.
  RECT pr;
  GetClientRect(panel, &pr);
  size_t sof = 2;
  while (sof + 9 < jpg.size() && !(jpg[sof] == 0xff && jpg[sof + 1] == 0xc0)) ++sof;
  ASSERT_LT(sof + 9, jpg.size());
  EXPECT_EQ(jpg[sof + 5] * 256 + jpg[sof + 6], pr.bottom);
  EXPECT_EQ(jpg[sof + 7] * 256 + jpg[sof + 8], pr.right);

  // A file path is written as named; picture variables are kept on the output.
  SetText("conf::snapshot-path", dir_ + "\\shot.jpg");
  EXPECT_EQ(varSet(vout, "video-snapshot", one), 0);
  EXPECT_GT(ReadAll(dir_ + "\\shot.jpg").size(), 1000u);
  vlc_value_t c{};
  c.f_float = 1.25f;
  EXPECT_EQ(varSet(vout, "contrast", c), 0);
  vlc_value_t back{};
  EXPECT_EQ(Fn<abi::var_Get_fn>("__var_Get")(vout, "contrast", &back), 0);
  EXPECT_FLOAT_EQ(back.f_float, 1.25f);
  Call("VLC_Stop");
  EXPECT_EQ(FindObject(-9), nullptr);
}

TEST_F(Engine, TraceFileHasOneLinePerCallWithTypedValues) {
  std::string trace = dir_ + "\\trace.txt";
  SetText("conf::miface-addr", "127.0.0.1");  // the join stays on loopback
  SetEnvironmentVariableW(L"STREVO_ENGINE_TRACE", Wide(trace).c_str());
  SetFloat("conf::contrast", 1.25f);
  SetInt("conf::hue", 180);
  SetText("conf::sout", "#duplicate{dst=std{access=file,mux=ps,url=\"C:\\Rec\\a.mpg\"}}");
  SetText("conf::audio-track", "-1");
  SetInt("conf::audio-track", 0);
  AddTarget("udp://@239.1.1.1:1234");
  Call("VLC_Stop");
  void* root = Fn<abi::vlc_current_object_fn>("vlc_current_object")(id_);
  Fn<abi::vlc_object_find_fn>("__vlc_object_find")(root, -9, 3);
  SetEnvironmentVariableW(L"STREVO_ENGINE_TRACE", nullptr);
  Call("VLC_VolumeGet");  // not traced any more

  std::vector<uint8_t> raw = ReadAll(trace);
  std::string text(raw.begin(), raw.end());
  std::string id = std::to_string(id_);
  std::string expected = "VLC_VariableSet " + id + " conf::contrast float 1.25\n" +
                         "VLC_VariableSet " + id + " conf::hue int 180\n" +
                         "VLC_VariableSet " + id + " conf::sout string \"#duplicate{dst=std{access=file,mux=ps,url=\\\"C:\\\\Rec\\\\a.mpg\\\"}}\"\n" +
                         "VLC_VariableSet " + id + " conf::audio-track string \"-1\"\n" +
                         "VLC_VariableSet " + id + " conf::audio-track int 0\n" +
                         "VLC_AddTarget " + id + " \"udp://@239.1.1.1:1234\" 0 12 -666\n" +
                         "VLC_Stop " + id + "\n" +
                         "vlc_current_object " + id + "\n" +
                         "__vlc_object_find " + id + ":root -9 3\n";
  EXPECT_EQ(text, expected);
}

// A demo channel's clip (MPEG-2, 720 x 576, 4:3) played from its file: the
// snapshot is the decoded frame at its own size, and the aspect and crop
// settings move the picture in the window while it plays.
TEST_F(Engine, VideoIsPlacedByAspectAndCropAndSnapshotAtItsOwnSize) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring wclip(exe);
  wclip = wclip.substr(0, wclip.find_last_of(L"\\/") + 1) + L"run\\demo\\channel1.ts";
  if (GetFileAttributesW(wclip.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "the demo clips are not built";
  std::string clip(wclip.begin(), wclip.end());
  HWND panel = MakePanel();
  SetInt("drawable", static_cast<int>(reinterpret_cast<intptr_t>(panel)));
  SetText("conf::snapshot-path", dir_ + "\\frame.jpg");
  AddTarget(clip);
  ASSERT_TRUE(WaitFor([&] { return Playing(); }, 5000));
  void* vout = FindObject(-9);
  ASSERT_NE(vout, nullptr);
  auto varSet = Fn<abi::var_Set_fn>("__var_Set");
  vlc_value_t one{};
  one.i_int = 1;
  auto snapshotSize = [&] {
    varSet(vout, "video-snapshot", one);
    std::vector<uint8_t> jpg = ReadAll(dir_ + "\\frame.jpg");
    size_t sof = 2;
    while (sof + 9 < jpg.size() && !(jpg[sof] == 0xff && jpg[sof + 1] == 0xc0)) ++sof;
    if (sof + 9 >= jpg.size()) return std::pair<int, int>(0, 0);
    return std::pair<int, int>(jpg[sof + 7] * 256 + jpg[sof + 8], jpg[sof + 5] * 256 + jpg[sof + 6]);
  };
  // Once a frame is on screen the snapshot is that frame, not the panel's picture.
  ASSERT_TRUE(WaitFor([&] { return snapshotSize() == std::pair<int, int>(720, 576); }, 15000))
      << snapshotSize().first << "x" << snapshotSize().second;

  HWND video = FindWindowExW(panel, nullptr, L"VLC DirectX", nullptr);
  ASSERT_NE(video, nullptr);
  RECT rc;
  GetClientRect(video, &rc);
  const int w = rc.right, h = rc.bottom;
  ASSERT_GT(w, 100);
  // Whether any sample of a row (or column) of the window is lit.
  auto lit = [&](bool row, int at) {
    HDC dc = GetDC(video);
    bool any = false;
    for (int k = 0; k < (row ? w : h * 3 / 4) && !any; k += 2) {
      COLORREF c = row ? GetPixel(dc, k, at) : GetPixel(dc, at, k);
      any = c != CLR_INVALID && (GetRValue(c) > 40 || GetGValue(c) > 40 || GetBValue(c) > 40);
    }
    ReleaseDC(video, dc);
    return any;
  };
  ASSERT_TRUE(WaitFor([&] { return lit(true, 3) && lit(true, h / 2); }, 3000)) << "4:3 fills the window's height";
  // 16:9 in a window less wide than that: black above and below.
  SetText("conf::aspect-ratio", "16:9");
  EXPECT_TRUE(WaitFor([&] { return !lit(true, 3) && lit(true, h / 2); }, 3000)) << "16:9 did not letterbox";
  SetText("conf::aspect-ratio", "");
  ASSERT_TRUE(WaitFor([&] { return lit(true, 3); }, 3000));
  // The left half of the frame only: a narrower picture, black at the sides.
  EXPECT_TRUE(lit(false, w / 5));
  SetText("conf::crop-geometry", "360x576+0+0");
  EXPECT_TRUE(WaitFor([&] { return !lit(false, w / 5) && lit(false, w / 2); }, 3000)) << "the crop did not narrow it";
  Call("VLC_Stop");
}

}  // namespace

// The same engine built with the 3.x interface alone, as the player meets a
// 3.x engine: bound by the second binding, it records a file byte for byte
// with the chain the player builds (in the 0.8 spelling the binding translates).
TEST_F(Engine, TheThreeXBuildIsBoundByTheSecondBindingAndRecordsByteForByte) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path(exe);
  path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"engine3\\libvlc.dll";
  HMODULE dll3 = LoadLibraryW(path.c_str());
  ASSERT_NE(dll3, nullptr) << "engine3\\libvlc.dll beside the test program did not load";
  const auto lookup3 = [dll3](const char* n) { return reinterpret_cast<void*>(GetProcAddress(dll3, n)); };
  const auto lookup08 = [](const char* n) { return reinterpret_cast<void*>(GetProcAddress(dll_, n)); };
  EXPECT_TRUE(strevo::OffersLibvlc3(lookup3));
  EXPECT_FALSE(strevo::OffersLibvlc3(lookup08));
  EXPECT_EQ(lookup3("VLC_Create"), nullptr);  // only the one face
  strevo::Libvlc3Api api;
  ASSERT_TRUE(strevo::ResolveLibvlc3(api, lookup3));
  {
    strevo::Libvlc3Engine engine(api, {}, nullptr, strevo::InterfaceNameOfAddress);
    ASSERT_TRUE(engine.Loaded());
    const std::vector<uint8_t> clip = MakeTs(3, 0);
    const std::string source = dir_ + "\\clip3.ts", record = dir_ + "\\record3.ts";
    WriteAll(source, clip);
    engine.VariableSet("conf::sout", strevo::EngineValue::Text("#duplicate{dst=display,dst=std{access=file,mux=ts,url=\"" +
                                                               Slashes(record) + "\"}}"));
    ASSERT_EQ(engine.AddTarget(source, strevo::engine_abi::kModeAppendAndGo, strevo::engine_abi::kEndOfList), 0);
    ASSERT_TRUE(WaitFor([&] { return engine.IsPlaying() != 0; }, 5000));
    EXPECT_EQ(engine.LengthGet(), 3);
    // The file plays at its own pace to its end.
    ASSERT_TRUE(WaitFor([&] { return engine.IsPlaying() == 0; }, 10000));
    engine.Stop();
    const std::vector<uint8_t> recorded = ReadAll(record);
    ASSERT_EQ(recorded.size(), clip.size());
    EXPECT_EQ(Fnv1a(recorded.data(), recorded.size()), Fnv1a(clip.data(), clip.size()));
  }
  FreeLibrary(dll3);
}
