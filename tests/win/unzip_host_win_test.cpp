// The Win32 extraction host under Wine: wide (Cyrillic) names, folders,
// DOS attributes, entry times, overwriting a read-only file, long paths.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "unzip/crc32.h"
#include "unzip/zip.h"
#include "unzip/zip_host_win.h"
#include "guide/guide_files_win.h"
#include "temp_dir_win.h"
#include "win/file_win.h"

namespace strevo {
namespace {

struct Entry {
  std::string name;  // raw bytes as stored (OEM code page)
  std::string data;  // stored uncompressed
  uint32_t attributes;
};

constexpr uint32_t kDosTime = (44u << 25) | (1u << 21) | (2u << 16) | (3u << 11) | (4u << 5) | 3u;  // 2024-01-02 03:04:06

void Put16(std::string& s, uint32_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

std::string BuildStoredZip(const std::vector<Entry>& entries) {
  std::string out, dir;
  for (const Entry& e : entries) {
    const uint32_t crc = Crc32(e.data.data(), e.data.size());
    const uint32_t offset = static_cast<uint32_t>(out.size());
    for (std::string* s : {&out, &dir}) {
      const bool central = s == &dir;
      Put32(*s, central ? 0x02014B50 : 0x04034B50);
      if (central) Put16(*s, 20);  // made by MS-DOS
      Put16(*s, 10);
      Put16(*s, 0);
      Put16(*s, 0);
      Put32(*s, kDosTime);
      Put32(*s, crc);
      Put32(*s, static_cast<uint32_t>(e.data.size()));
      Put32(*s, static_cast<uint32_t>(e.data.size()));
      Put16(*s, static_cast<uint32_t>(e.name.size()));
      Put16(*s, 0);
      if (central) {
        Put16(*s, 0);
        Put16(*s, 0);
        Put16(*s, 0);
        Put32(*s, e.attributes);
        Put32(*s, offset);
      }
      *s += e.name;
      if (!central) *s += e.data;
    }
  }
  const uint32_t dir_offset = static_cast<uint32_t>(out.size());
  out += dir;
  Put32(out, 0x06054B50);
  Put32(out, 0);
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put32(out, static_cast<uint32_t>(dir.size()));
  Put32(out, dir_offset);
  Put16(out, 0);
  return out;
}

std::string Utf8(const std::wstring& w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::string ReadFileW(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buf[4096];
  DWORD got = 0;
  std::string s;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) s.append(buf, got);
  CloseHandle(h);
  return s;
}

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring p = dir + L"\\" + name;
      SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
      else DeleteFileW(p.c_str());
    } while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  RemoveDirectoryW(dir.c_str());
}

class UnzipWinHost : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t tmp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, tmp), 0u);
    root_ = std::wstring(tmp) + L"strevo-unzip-" + std::to_wstring(GetCurrentProcessId());
    RemoveTree(root_);
    ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
    dest_ = root_ + L"\\TVGuide";
    env_.host = &host_;  // the names' code page is the system's
  }
  void TearDown() override { RemoveTree(root_); }

  // Writes the archive and extracts it; failures are collected for messages.
  int Extract(const std::vector<Entry>& entries) {
    const std::wstring archive = root_ + L"\\TVGuide.zip";
    const std::string zip = BuildStoredZip(entries);
    HANDLE h = CreateFileW(archive.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1000;
    DWORD wrote = 0;
    WriteFile(h, zip.data(), static_cast<DWORD>(zip.size()), &wrote, nullptr);
    CloseHandle(h);
    failures_.clear();
    return ZipExtractAll(Utf8(archive), Utf8(dest_), "*.*",
                         [&](int32_t code, const TReportRec& rec) {
                           if (rec.status == kZipReportFailed)
                             failures_ += rec.file_name + " " + std::to_string(code) + "; ";
                         },
                         nullptr, env_);
  }

  std::wstring root_, dest_;
  WinZipHost host_;
  ZipEnv env_;
  std::string failures_;
};

TEST_F(UnzipWinHost, FoldersAttributesTimesAndLongPaths) {
  env_.apply_entry_times = true;
  const std::string deep = std::string(60, 'd') + "/" + std::string(60, 'e') + "/" + std::string(60, 'f') + "/" +
                           std::string(60, 'g') + "/long.txt";
  std::wstring deep_w(deep.begin(), deep.end());
  for (wchar_t& c : deep_w)
    if (c == L'/') c = L'\\';
  const std::vector<Entry> entries = {
      {"sub/", "", 0x10},
      {"sub/a.ndx", "index", 0x21},  // read-only + archive
      {"../evil.txt", "x", 0x20},
      {deep, "deep", 0x20},
  };
  for (int round = 0; round < 2; ++round) {  // the second round overwrites the read-only file
    EXPECT_EQ(Extract(entries), 3) << failures_;
    const std::wstring ndx = dest_ + L"\\sub\\a.ndx";
    EXPECT_EQ(ReadFileW(ndx), "index");
    const DWORD attr = GetFileAttributesW(ndx.c_str());
    ASSERT_NE(attr, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attr & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ReadFileW(L"\\\\?\\" + dest_ + L"\\" + deep_w), "deep") << round;
    EXPECT_EQ(GetFileAttributesW((root_ + L"\\evil.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    HANDLE h = CreateFileW(ndx.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME written, local;
    GetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
    FileTimeToLocalFileTime(&written, &local);
    WORD date = 0, time = 0;
    FileTimeToDosDateTime(&local, &date, &time);
    EXPECT_EQ((static_cast<uint32_t>(date) << 16) | time, kDosTime);
  }
}

TEST_F(UnzipWinHost, OemNamesBecomeWideNames) {
  // Wine stores non-ASCII names only when its Unix locale has a UTF-8
  // character set; probe that first.
  const std::wstring probe = root_ + L"\\\x0416.tmp";
  HANDLE h = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) GTEST_SKIP() << "this Wine cannot store Cyrillic file names (is the ru_RU.UTF-8 locale generated?)";
  CloseHandle(h);
  EXPECT_EQ(Extract({{"\x8a\xa0\xad\xa0\xab\xeb.m3u", "#EXTM3U", 0x20}}), 1) << failures_;  // "Каналы.m3u" in 866
  EXPECT_EQ(ReadFileW(dest_ + L"\\\x041a\x0430\x043d\x0430\x043b\x044b.m3u"), "#EXTM3U");
}

TEST_F(UnzipWinHost, NamesAreReadInTheSystemsOemCodePage) {
  EXPECT_EQ(host_.OemCodePage(), static_cast<int>(GetOEMCP()));
  EXPECT_EQ(host_.OemCodePage(), 866) << "the tests run with a Russian system's code pages";
  // A code page the portable tables lack is converted by the system: 0x9B is
  // "ø" in 850 (and "¢" in 437).
  if (!IsValidCodePage(850)) GTEST_SKIP() << "no code page 850 here";
  EXPECT_EQ(host_.NameToUtf8("\x9b.ndx", 850), "\xc3\xb8.ndx");
  EXPECT_EQ(host_.NameToUtf8("\x9b.ndx", 437), "\xc2\xa2.ndx");
}

uint64_t g_ticks = 1000;
uint64_t Ticks() { return g_ticks; }

TEST(GuideFilesOnDisk, APairCopiedInByHandIsFoundOnceTheListingIsOld) {
  const std::string dir = test::TempDir("strevo-guide-files");
  const std::string ndx = dir + "\\First.ndx";
  WinGuideFiles files(Ticks);
  EXPECT_FALSE(files.Exists(ndx));
  HANDLE h = CreateFileW(Widen(ndx).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  // Within the listing's age the folder is not asked again...
  g_ticks += WinGuideFiles::kRelistAfterMs - 1;
  EXPECT_FALSE(files.Exists(ndx));
  // ...after it, the new file is seen (any case), without an update or a restart.
  g_ticks += 1;
  EXPECT_TRUE(files.Exists(dir + "\\FIRST.NDX"));
  EXPECT_FALSE(files.Exists(dir + "\\First.pdt"));
  DeleteFilesIn(dir);
}

// Programme texts in any code page the system knows, not only the four the
// portable tables hold: 0xB3 0xF3 is "łó" in 1250 (a Polish system), "³ó" in 1252.
TEST(GuideFilesOnDisk, ProgrammeTextsUseTheSystemsConversion) {
  const std::string dir = test::TempDir("strevo-guide-cp");
  const std::string text = "Wiadomo\x9c" "ci \xb3\xf3";
  std::string pdt = std::string(1, static_cast<char>(text.size())) + '\0' + text;
  std::string ndx("\x01\x00\x00\x00", 4);
  ndx += std::string("\x00\x40\x6d\x25\xeb\x53\xbf\x01", 8) + std::string(2, '\0');  // 2000-01-01, offset 0
  ASSERT_TRUE(WriteFileReplacing(dir + "\\Pl.ndx", ndx));
  ASSERT_TRUE(WriteFileReplacing(dir + "\\Pl.pdt", pdt));
  if (!IsValidCodePage(1250)) GTEST_SKIP() << "no code page 1250 here";
  WinGuideFiles files;
  GuideAnswer answer;
  ASSERT_EQ(ReadGuide(dir + "\\Pl", files, 1250, answer), GuideStatus::Ok);
  ASSERT_TRUE(answer);
  ASSERT_EQ(answer->items.size(), 2u);
  EXPECT_EQ(answer->items[1].text, "Wiadomo\xc5\x9b" "ci \xc5\x82\xc3\xb3");
  DeleteFilesIn(dir);
}

}  // namespace
}  // namespace strevo
