// The shared test archives (real PKZIP, Info-ZIP and library-made files):
// each must extract, refuse or abandon as its manifest says. Extraction goes
// to a temporary folder through the std::filesystem host; the files on disk
// are checked against the manifest's sizes and CRC-32 values.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "unzip/crc32.h"
#include "unzip/zip.h"
#include "unzip/zip_host_std.h"
#include "zip_test_support.h"

namespace strevo::ziptest {
namespace {

namespace fs = std::filesystem;

struct FileExpect {
  std::string path;  // relative, "/" separated, UTF-8
  uint32_t size;
  uint32_t crc;
};

struct ArchiveCase {
  std::string archive;
  int result;
  std::vector<FileExpect> files;                      // must exist with this content
  std::vector<std::pair<std::string, int>> refused;   // entry name -> reported code (0: any of -6/-7)
  std::vector<std::string> absent;                    // must not exist
  int abandon_code = 0;                               // -100 reported with this status
};

std::string TestDataDir() { return std::string(STREVO_SOURCE_DIR) + "/../shared/testdata/zip"; }

std::vector<FileExpect> LargeSet() {
  return {{"TEST.ANS", 68, 0x5ce2f707},    {"TEST.ASC", 13, 0x7ef91c5d},
          {"TEST.BMP", 750054, 0x64c6e850}, {"TEST.CAP", 13, 0x49dfe6f2},
          {"TEST.DIZ", 13, 0xd16e82ea},    {"TEST.DOC", 13, 0x9667e483},
          {"TEST.EXE", 2426368, 0x68e32163}, {"TEST.GIF", 2646, 0x195a28a8},
          {"TEST.JPG", 16461, 0x134961cd}, {"TEST.ME", 12, 0x3a3f1a1c},
          {"TEST.NFO", 13, 0xe5fd7de3},    {"TEST.PCX", 29530, 0xe63058f8},
          {"TEST.PNG", 4163, 0xdfafce04},  {"TEST.TXT", 14, 0xb8d80e3c},
          {"TEST~1.JPE", 16461, 0x134961cd}};
}

const std::vector<FileExpect> kPkzipTrio = {
    {"TECT.TXT", 15498, 0x9bd160fa}, {"TEST.EXE", 45056, 0xcfb109c8}, {"TEST.JPG", 40372, 0x088814e3}};
const std::vector<FileExpect> kDeflatedTrio = {
    {"playlist.m3u", 7598, 0xc3173f0b}, {"epg.xml", 42407, 0x6b9978f1}, {"readme.txt", 72, 0x9ce266ac}};

std::vector<ArchiveCase> Cases() {
  std::vector<ArchiveCase> c = {
      {"shrink-small.zip", 2, {{"TEST1.XML", 76, 0x393a497a}, {"TEST2.XML", 81, 0xd19abf92}}},
      {"shrink.zip", 3, kPkzipTrio},
      {"shrink-13bit-hwzip.zip", 3,
       {{"TESTDAT1.TXT", 2009, 0xc71a6911}, {"TESTDAT2.TXT", 469, 0xc8ddc359}, {"TESTDAT3.TXT", 81410, 0xc065e9c4}}},
      {"reduce-f1.zip", 3, kPkzipTrio},
      {"reduce-f2.zip", 3, kPkzipTrio},
      {"reduce-f3.zip", 3, kPkzipTrio},
      {"reduce-f4.zip", 3, kPkzipTrio},
      {"reduce-f4-tiny.zip", 1, {{"R.BIN", 2048, 0x8314ddd9}}},
      {"implode-4k-nolit.zip", 1, {{"HEADER.TXT", 818, 0x3222d8c7}}},
      {"implode-8k-lit.zip", 1, {{"LICENSE.TXT", 11560, 0x495fc599}}},
      {"implode-8k-lit-maxdist.zip", 1, {{"LOREM.TXT", 144060, 0xb9034f7e}}},
      {"implode-mixed.zip", 3,
       {{"EXE/TEST.EXE", 45056, 0xcfb109c8}, {"JPG/TEST.JPG", 40372, 0x088814e3},
        {"\xd1\x82\xd0\xb5\xd1\x81\xd1\x82.txt", 15498, 0x9bd160fa}}},
      {"implode-1990.zip", 5,
       {{"EDIT.ZIP", 23303, 0x79b66e25}, {"4MAP.DOC", 16100, 0xc5ac76b6}, {"4MAP.EXE", 2752, 0x6c29d4a9},
        {"PUTMAP.EXE", 18551, 0x3cc85a72}, {"MAPDEF", 2028, 0x5fa4c7ac}}},
      {"implode-flag13.zip", 3,
       {{"VALIDATE.TXT", 2904, 0xcc881138}, {"VALIDATE.C", 7513, 0x75f2f92a}, {"MAKEFILE", 603, 0x5bd51ac6}}},
      {"implode-8k-nolit-synth.zip", 1, {{"PLAYLIST.TXT", 20401, 0x9e38fade}}},
      {"implode-4k-lit-synth.zip", 1, {{"PLAYLIST.TXT", 20401, 0x9e38fade}}},
      {"large/pkzip110-shrink.zip", 15, LargeSet()},
      {"large/pkzip110-implode.zip", 15, LargeSet()},
      {"large/pkzip-reduce-f1.zip", 15, LargeSet()},
      {"large/pkzip-reduce-f2.zip", 15, LargeSet()},
      {"large/pkzip-reduce-f3.zip", 15, LargeSet()},
      {"large/pkzip-reduce-f4.zip", 15, LargeSet()},
      {"large/pkzip204-deflate.zip", 15, LargeSet()},
      {"deflate64.zip", 0, {}, {{"lorem-ipsum.txt", -6}}, {"lorem-ipsum.txt"}},
      {"bzip2.zip", 0, {}, {{"vimrc", -6}}, {"vimrc"}},
      {"lzma.zip", 0, {}, {{"vimrc", -6}}, {"vimrc"}},
      {"zstd.zip", 0, {}, {{"vimrc", -6}}, {"vimrc"}},
      {"xz.zip", 0, {}, {{"hello.txt", -6}}, {"hello.txt"}},
      {"ppmd.zip", 0, {}, {{"ipsum.txt", -6}}, {"ipsum.txt"}},
      {"tokenize-m7.zip", 0, {}, {{"README", -6}}, {"README"}},
      {"aes.zip", 0, {},
       {{"secret_data_128", 0}, {"secret_data_192", 0}, {"secret_data_256", 0}, {"secret_data_256_uncompressed", 0}},
       {"secret_data_128", "secret_data_256"}},
      {"encrypted.zip", 0, {}, {{"readme.txt", -7}, {"playlist.m3u", -7}}, {"readme.txt", "playlist.m3u"}},
      {"encrypted-partial.zip", 1, {{"bar.txt", 20, 0xa1992ae8}}, {{"foo.txt", -7}}, {"foo.txt"}},
      {"stored.zip", 2, {{"readme.txt", 72, 0x9ce266ac}, {"playlist.m3u", 7598, 0xc3173f0b}}},
      {"deflated.zip", 3, kDeflatedTrio},
      {"subdir.zip", 5,
       {{"lists/news/news.m3u", 259, 0x221e6fab}, {"lists/sport/sport.m3u", 256, 0x606c5cdb}}},
      {"datadesc.zip", 2, {{"playlist.m3u", 7598, 0xc3173f0b}, {"epg.xml", 42407, 0x6b9978f1}}},
      {"empty-entry.zip", 2, {{"empty.txt", 0, 0}, {"readme.txt", 72, 0x9ce266ac}}},
      {"empty-archive.zip", -12},
      {"zero-bytes.zip", -12},
      {"html-page.zip", -12},
      {"stub20.zip", 3, kDeflatedTrio},
      {"corrupt-deflate.zip", -4, {{"playlist.m3u", 7598, 0xc3173f0b}}, {}, {"epg.xml", "readme.txt"}, -4},
      {"cp866-name.zip", 2,
       {{"\xd0\x9a\xd0\xb0\xd0\xbd\xd0\xb0\xd0\xbb\xd1\x8b.m3u", 64, 0x089686c5},
        {"\xd0\xa2\xd0\xb5\xd1\x81\xd1\x82 \xd1\x91\xd0\x81 \xe2\x84\x96.txt", 13, 0xbe3fe8e8}}},
      {"cp866-libarchive.zip", 2,
       {{"\xd0\x9f\xd0\xa0\xd0\x98\xd0\x92\xd0\x95\xd0\xa2", 6, 0x1481e1cc},
        {"\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82", 6, 0x1481e1cc}}},
      {"many-entries.zip", 2000, {}},
      {"zipslip.zip", 1, {{"good.txt", 40, 0xab694221}}, {{"../evil.txt", -2}}, {}},
  };
  return c;
}

uint32_t FileCrc(const fs::path& p, uint64_t* size) {
  std::ifstream in(p, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  *size = data.size();
  return Crc32(data.data(), data.size());
}

fs::path U8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

class ZipTestData : public ::testing::TestWithParam<ArchiveCase> {
 protected:
  void SetUp() override {
    if (!fs::is_directory(TestDataDir()))
      GTEST_SKIP() << "shared test archives not found at " << TestDataDir();
    root_ = fs::temp_directory_path() /
            ("strevo-unzip-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
  }
  void TearDown() override {
    if (!root_.empty()) {
      std::error_code ec;
      fs::remove_all(root_, ec);
    }
  }
  fs::path root_;
};

TEST_P(ZipTestData, ExtractsAsTheManifestSays) {
  const ArchiveCase& c = GetParam();
  StdZipHost host;
  ZipEnv env;
  env.host = &host;
  env.oem_codepage = 866;
  const fs::path dest = root_ / "out";
  std::vector<ReportCall> calls;
  const int r = ZipExtractAll(TestDataDir() + "/" + c.archive, dest.string(), "*.*",
                              [&](int32_t code, const TReportRec& rec) {
                                if (code != kZipReportBlock) calls.push_back({code, rec});
                              },
                              nullptr, env);
  EXPECT_EQ(r, c.result);

  for (const FileExpect& f : c.files) {
    const fs::path p = dest / U8(f.path);
    ASSERT_TRUE(fs::is_regular_file(p)) << f.path;
    uint64_t size = 0;
    EXPECT_EQ(FileCrc(p, &size), f.crc) << f.path;
    EXPECT_EQ(size, f.size) << f.path;
  }
  for (const std::string& name : c.absent) EXPECT_FALSE(fs::exists(dest / U8(name))) << name;

  for (const auto& [name, code] : c.refused) {
    std::string stored = name;
    for (char& ch : stored)
      if (ch == '/') ch = '\\';
    bool found = false;
    for (const ReportCall& call : calls) {
      if (call.rec.status != kZipReportFailed) continue;
      if (call.rec.file_name.size() < stored.size() ||
          call.rec.file_name.compare(call.rec.file_name.size() - stored.size(), stored.size(), stored) != 0)
        continue;
      found = true;
      if (code) EXPECT_EQ(call.code, code) << name;
      else EXPECT_TRUE(call.code == kZipBadMethod || call.code == kZipEncrypted) << name;
    }
    EXPECT_TRUE(found) << "no failure reported for " << name;
  }

  if (c.abandon_code) {
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().code, kZipReportAbandon);
    EXPECT_EQ(calls.back().rec.status, c.abandon_code);
  } else if (c.result >= 0) {
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().code, kZipReportStart);
    EXPECT_EQ(calls.back().code, kZipReportEnd);
  }
  if (c.result == kZipNotArchive) EXPECT_FALSE(fs::exists(dest));

  // Nothing lands beside the destination.
  for (const auto& entry : fs::directory_iterator(root_)) EXPECT_EQ(entry.path(), dest);

  if (c.archive == "many-entries.zip") {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dest))
      if (entry.is_regular_file()) {
        ++count;
        EXPECT_GE(entry.file_size(), 86u);
        EXPECT_LE(entry.file_size(), 89u);
      }
    EXPECT_EQ(count, 2000u);
  }
}

std::string CaseName(const ::testing::TestParamInfo<ArchiveCase>& info) {
  std::string n = info.param.archive;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
}

INSTANTIATE_TEST_SUITE_P(Shared, ZipTestData, ::testing::ValuesIn(Cases()), CaseName);

// The cursor sees the entries in directory order with the fields the
// manifest lists, and closes itself at the end.
TEST(ZipTestDataCursor, WalksTheCentralDirectory) {
  if (!fs::is_directory(TestDataDir())) GTEST_SKIP() << "shared test archives not found at " << TestDataDir();
  StdZipHost host;
  ZipEnv env;
  env.host = &host;
  TZipRec rec;
  ASSERT_EQ(ZipFirstEntry(TestDataDir() + "/subdir.zip", rec, env), 0);
  std::vector<std::string> names;
  int r = 0;
  do {
    names.push_back(rec.name);
    if (rec.name == "lists\\news\\news.m3u") {
      EXPECT_EQ(rec.size, 259u);
      EXPECT_EQ(rec.method, 8);
      EXPECT_EQ(rec.crc32, 0x221e6fabu);
    }
  } while ((r = ZipNextEntry(rec)) == 0);
  EXPECT_EQ(r, kZipNoMoreEntries);
  EXPECT_EQ(names, (std::vector<std::string>{"lists\\", "lists\\news\\", "lists\\news\\news.m3u", "lists\\sport\\",
                                             "lists\\sport\\sport.m3u"}));
  EXPECT_FALSE(rec.archive);
  EXPECT_TRUE(rec.buffer.empty());
  ZipCloseEntries(rec);  // a second close is harmless

  // stub20.zip: the signature is found 20 bytes in, and every offset is
  // corrected by the same 20 bytes.
  uint32_t offset = 0;
  EXPECT_TRUE(ZipCheckArchive(TestDataDir() + "/stub20.zip", &offset, env));
  EXPECT_EQ(offset, 20u);
  ASSERT_EQ(ZipFirstEntry(TestDataDir() + "/stub20.zip", rec, env), 0);
  EXPECT_EQ(rec.shift, 20);
  EXPECT_EQ(rec.header_offset, 20u);
  ZipCloseEntries(rec);
  EXPECT_FALSE(ZipCheckArchive(TestDataDir() + "/empty-archive.zip", nullptr, env));
  EXPECT_EQ(ZipFirstEntry(TestDataDir() + "/zero-bytes.zip", rec, env), kZipOpenError);
  EXPECT_EQ(ZipFirstEntry(TestDataDir() + "/html-page.zip", rec, env), kZipOpenError);
  EXPECT_EQ(ZipFirstEntry(TestDataDir() + "/empty-archive.zip", rec, env), kZipBadDirectory);
}

}  // namespace
}  // namespace strevo::ziptest
