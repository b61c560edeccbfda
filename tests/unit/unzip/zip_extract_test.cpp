// ZipExtractAll and friends on archives the tests build themselves, through
// the memory host: masks, the stub rule, the report sequence, abandoning,
// the busy mark, unsafe names, size limits, names and attributes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "unzip/zip.h"
#include "unzip/zip_memory_host.h"
#include "zip_test_support.h"

namespace strevo::ziptest {
namespace {

ZipEntrySpec Deflated(const std::string& name, const std::string& content) {
  ZipEntrySpec e;
  e.name = name;
  e.method = 8;
  e.plain = ToBytes(content);
  e.data = DeflateFixed(e.plain);
  return e;
}

class ZipExtract : public ::testing::Test {
 protected:
  ZipExtract() {
    env.host = &host;
    env.clock = &clock;
  }
  void Add(const Bytes& archive, const std::string& path = "a.zip") {
    archives.push_back(std::make_unique<std::string>(archive.begin(), archive.end()));
    host.AddArchive(path, *archives.back());
  }
  int Extract(const std::string& mask = "*.*", const ZipConfirmHandler& confirm = nullptr,
              const std::string& dest = "D:\\TV\\TVGuide") {
    calls.clear();
    return ZipExtractAll("a.zip", dest, mask,
                         [&](int32_t code, const TReportRec& rec) { calls.push_back({code, rec}); }, confirm, env);
  }
  std::vector<int32_t> Codes() const {
    std::vector<int32_t> codes;
    for (const auto& c : calls) codes.push_back(c.code);
    return codes;
  }
  std::string FileText(const std::string& path) const {
    auto it = host.files().find(path);
    return it == host.files().end() ? "<missing>" : it->second.data;
  }

  MemoryZipHost host;
  FixedClock clock;
  ZipEnv env;
  std::vector<std::unique_ptr<std::string>> archives;
  std::vector<ReportCall> calls;
};

TEST(ZipMask, Rules) {
  EXPECT_TRUE(ZipMaskMatches("*.*", "noextension"));
  EXPECT_TRUE(ZipMaskMatches("", "anything\\at\\all"));
  EXPECT_TRUE(ZipMaskMatches("*", "sub\\file.ini"));
  EXPECT_TRUE(ZipMaskMatches("*.ini", "presets.ini"));
  EXPECT_TRUE(ZipMaskMatches("*.ini", "sub\\presets.ini"));  // "*" crosses separators
  EXPECT_FALSE(ZipMaskMatches("*.ini", "presets.INI"));      // case-sensitive
  EXPECT_FALSE(ZipMaskMatches("*.ini", "presets.ini.bak"));  // whole name
  EXPECT_TRUE(ZipMaskMatches("ch??.m3u", "ch01.m3u"));
  EXPECT_FALSE(ZipMaskMatches("ch??.m3u", "ch1.m3u"));
  EXPECT_TRUE(ZipMaskMatches("sub\\*", "sub\\a.ndx"));
  EXPECT_FALSE(ZipMaskMatches("sub/*", "sub\\a.ndx"));       // names carry "\"
  EXPECT_TRUE(ZipMaskMatches("*a*b*c", "xxaxxbxxbxxc"));     // needs backtracking
  EXPECT_FALSE(ZipMaskMatches("*a*b*c", "xxaxxbxxbxxcd"));
  EXPECT_TRUE(ZipMaskMatches("?.txt", "\xd1\x8f.txt"));       // "?" is one character, not one byte
  EXPECT_FALSE(ZipMaskMatches("a", ""));
  // Long pathological input stays fast (no exponential backtracking).
  EXPECT_FALSE(ZipMaskMatches(std::string(50, '*') + "b", std::string(5000, 'a')));
}

TEST(ZipNames, UnsafeNamesAreRecognised) {
  for (const char* bad : {"..\\evil.txt", "../evil.txt", "a\\..\\..\\b", "a/../b", "..", "\\abs.txt", "/abs.txt",
                          "C:\\Windows\\x.dll", "c:x", "a:b", "ok\\...\\x", "ok\\.. \\x"})
    EXPECT_FALSE(ZipNameIsSafe(bad)) << bad;
  for (const char* good : {"a.txt", "sub\\a.ndx", "..a", "a..", "a..b\\c", ".hidden", "x\\.\\y", "lists\\"})
    EXPECT_TRUE(ZipNameIsSafe(good)) << good;
}

TEST_F(ZipExtract, CheckArchiveFindsTheSignatureOnlyNearTheStart) {
  const Bytes zip = BuildZip({Stored("a.txt", "x")});
  auto check = [&](const Bytes& data, uint32_t* off) {
    Add(data, "c.zip");
    return ZipCheckArchive("c.zip", off, env);
  };
  uint32_t off = 99;
  EXPECT_TRUE(check(zip, &off));
  EXPECT_EQ(off, 0u);
  Bytes stub43(43, 'M');
  stub43.insert(stub43.end(), zip.begin(), zip.end());
  EXPECT_TRUE(check(stub43, &off));
  EXPECT_EQ(off, 43u);
  Bytes stub44(44, 'M');
  stub44.insert(stub44.end(), zip.begin(), zip.end());
  EXPECT_FALSE(check(stub44, &off));
  // Short files: size - size/4 - 4 positions. 20 bytes: positions 0..10.
  Bytes small(20, 0);
  const uint8_t sig[4] = {'P', 'K', 3, 4};
  std::copy(sig, sig + 4, small.begin() + 10);
  EXPECT_TRUE(check(small, &off));
  EXPECT_EQ(off, 10u);
  Bytes small2(20, 0);
  std::copy(sig, sig + 4, small2.begin() + 11);
  EXPECT_FALSE(check(small2, &off));
  EXPECT_TRUE(check(Bytes(sig, sig + 4), &off));  // just the signature
  EXPECT_FALSE(check({}, &off));
  EXPECT_FALSE(ZipCheckArchive("missing.zip", &off, env));
}

TEST_F(ZipExtract, StubInFrontWithAndWithoutAdjustedOffsets) {
  const std::vector<ZipEntrySpec> entries = {Deflated("one.txt", "first file"), Stored("two.txt", "second")};
  for (bool adjusted : {false, true}) {
    Add(BuildZip(entries, ToBytes("MZ-STUB-0123456789ab"), adjusted));
    EXPECT_EQ(Extract(), 2) << adjusted;
    EXPECT_EQ(FileText("D:\\TV\\TVGuide\\one.txt"), "first file");
    EXPECT_EQ(FileText("D:\\TV\\TVGuide\\two.txt"), "second");
  }
}

TEST_F(ZipExtract, ReportSequenceAndTotals) {
  ZipEntrySpec big = Deflated("big.txt", std::string(70000, 'x'));
  Add(BuildZip({Stored("a.ini", "[a]"), big, Stored("sub/", "")}));
  EXPECT_EQ(Extract("*"), 3);
  // Start, then per file: entry, one block per flushed window, done. No
  // entry/done reports for folders.
  EXPECT_EQ(Codes(), (std::vector<int32_t>{-1004, -1000, 3, -1002, -1000, 32768, 32768, 4464, -1002, -1005}));
  const TReportRec& start = calls.front().rec;
  EXPECT_EQ(start.file_name, "a.zip");
  EXPECT_EQ(start.size, 70003u);
  EXPECT_EQ(start.compressed_size, 3u + big.data.size());
  EXPECT_EQ(start.time, 0xFFFFFFFFu);
  const TReportRec& entry = calls[4].rec;
  EXPECT_EQ(entry.file_name, "D:\\TV\\TVGuide\\big.txt");
  EXPECT_EQ(entry.status, -1000);
  EXPECT_EQ(entry.method, 8);
  EXPECT_EQ(entry.size, 70000u);
  EXPECT_EQ(entry.ratio, 100 - big.data.size() * 100 / 70000);
  EXPECT_EQ(entry.time, 0x58220000u);
  EXPECT_EQ(entry.attributes, 0x20u);
  EXPECT_EQ(calls[5].rec.status, -1001);
  const TReportRec& end = calls.back().rec;
  EXPECT_EQ(end.status, -1005);
  EXPECT_EQ(end.attributes, 0xFFFFFFFFu);
  EXPECT_EQ(end.method, 0);
  EXPECT_TRUE(host.folders().count("D:\\TV\\TVGuide\\sub\\"));

  // The end report counts only matched entries; the start report all of them.
  EXPECT_EQ(Extract("*.ini"), 1);
  EXPECT_EQ(calls.front().rec.size, 70003u);
  EXPECT_EQ(calls.back().rec.size, 3u);
  EXPECT_EQ(calls.back().rec.compressed_size, 3u);
}

TEST_F(ZipExtract, RefusedEntriesAreReportedAndExtractionGoesOn) {
  ZipEntrySpec m9 = Stored("m9.bin", "xx");
  m9.method = 9;
  ZipEntrySpec m7 = Stored("m7.bin", "xx");
  m7.method = 7;
  ZipEntrySpec enc = Stored("enc.txt", "secret");
  enc.flags = 1;
  ZipEntrySpec aes = Stored("aes.txt", "secret");  // method 99 and encrypted: encryption wins
  aes.method = 99;
  aes.flags = 1;
  ZipEntrySpec bad_crc = Stored("crc.txt", "payload");
  bad_crc.override_crc = true;
  bad_crc.crc = 0x12345678;
  Add(BuildZip({m9, m7, enc, aes, bad_crc, Stored("ok.txt", "fine")}));
  EXPECT_EQ(Extract(), 1);
  std::vector<std::pair<std::string, int32_t>> failures;
  for (const auto& c : calls)
    if (c.rec.status == kZipReportFailed) failures.push_back({c.rec.file_name.substr(14), c.code});
  EXPECT_EQ(failures, (std::vector<std::pair<std::string, int32_t>>{
                          {"m9.bin", -6}, {"m7.bin", -6}, {"enc.txt", -7}, {"aes.txt", -7}, {"crc.txt", -1}}));
  EXPECT_EQ(host.files().size(), 1u);  // the CRC failure's output was deleted
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\ok.txt"), "fine");
  EXPECT_EQ(Codes().back(), -1005);
}

TEST_F(ZipExtract, CorruptDataAbandonsButKeepsWhatWasExtracted) {
  ZipEntrySpec broken = Deflated("broken.txt", std::string(5000, 'q') + "tail");
  broken.data.resize(broken.data.size() / 2);
  Add(BuildZip({Stored("first.txt", "kept"), broken, Stored("never.txt", "not reached")}));
  EXPECT_EQ(Extract(), -4);
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\first.txt"), "kept");
  EXPECT_FALSE(host.FileExists("D:\\TV\\TVGuide\\broken.txt"));
  EXPECT_FALSE(host.FileExists("D:\\TV\\TVGuide\\never.txt"));
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().code, kZipReportAbandon);
  EXPECT_EQ(calls.back().rec.status, -4);
  EXPECT_EQ(calls.back().rec.file_name, "D:\\TV\\TVGuide\\broken.txt");

  // A local header that does not start with its signature: -4 as well.
  Bytes zip = BuildZip({Stored("x.txt", "data"), Stored("y.txt", "more"), Stored("z.txt", "last")});
  zip[30 + 5 + 4] = 'Q';  // the second entry's local header
  Add(zip);
  EXPECT_EQ(Extract(), -4);
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\x.txt"), "data");
  EXPECT_FALSE(host.FileExists("D:\\TV\\TVGuide\\z.txt"));
  EXPECT_EQ(calls.back().rec.status, -4);
}

TEST_F(ZipExtract, AbortFlagAbandonsWithMinus5) {
  std::atomic<bool> abort{false};
  env.abort = &abort;
  Add(BuildZip({Stored("a.txt", "1"), Stored("b.txt", "2")}));
  abort = true;
  EXPECT_EQ(Extract(), -5);
  EXPECT_EQ(calls.back().code, kZipReportAbandon);
  EXPECT_EQ(calls.back().rec.status, -5);
}

TEST_F(ZipExtract, ArgumentAndArchiveErrors) {
  EXPECT_EQ(ZipExtractAll("", "dest", "*.*", nullptr, nullptr, env), -500);
  EXPECT_EQ(ZipExtractAll("a.zip", "", "*.*", nullptr, nullptr, env), -500);
  Add(ToBytes("<html>404</html>"));
  EXPECT_EQ(Extract(), -12);
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(host.files().empty());
  // A local header but no end record: the directory cannot be read.
  Bytes zip = BuildZip({Stored("a.txt", "x")});
  zip.resize(zip.size() - 22);
  Add(zip);
  EXPECT_EQ(Extract(), -9);
  // End record whose directory would start before the file does, and
  // whose offset points nowhere either.
  Bytes neg = BuildZip({Stored("a.txt", "x")});
  for (int i = 12; i < 20; ++i) neg[neg.size() - 22 + i] = 0xFF;
  Add(neg);
  EXPECT_EQ(Extract(), -9);
}

TEST_F(ZipExtract, FoldersAreCreatedOnDemandAndDestinationIsNormalised) {
  host.require_folders = true;
  Add(BuildZip({Deflated("sub/a.ndx", "index"), Stored("deep/er/b.pdt", "data")}));
  EXPECT_EQ(Extract("*.*", nullptr, "C:/Program/TVGuide"), 2);
  EXPECT_EQ(FileText("C:\\Program\\TVGuide\\sub\\a.ndx"), "index");
  EXPECT_EQ(FileText("C:\\Program\\TVGuide\\deep\\er\\b.pdt"), "data");
}

TEST_F(ZipExtract, UnsafeNamesAreRefusedAndNothingLandsOutside) {
  Add(BuildZip({Stored("../up.txt", "x"), Stored("..\\up2.txt", "x"), Stored("/abs.txt", "x"),
                Stored("\\abs2.txt", "x"), Stored("C:\\win.ini", "x"), Stored("sub/../../up3.txt", "x"),
                Stored("ok.txt", "fine")}));
  EXPECT_EQ(Extract(), 1);
  int refused = 0;
  for (const auto& c : calls)
    if (c.rec.status == kZipReportFailed) {
      EXPECT_EQ(c.code, -2);
      ++refused;
    }
  EXPECT_EQ(refused, 6);
  ASSERT_EQ(host.files().size(), 1u);
  EXPECT_EQ(host.files().begin()->first, "D:\\TV\\TVGuide\\ok.txt");
  for (const auto& folder : host.folders()) EXPECT_EQ(folder.rfind("D:\\TV\\TVGuide\\", 0), 0u) << folder;
}

TEST_F(ZipExtract, OutputBeyondTheDeclaredSizeIsCorrupt) {
  // 10 MB of zeros declared as 100 bytes: stopped, nothing past 100 bytes kept.
  ZipEntrySpec bomb;
  bomb.name = "bomb.bin";
  bomb.method = 8;
  bomb.plain.assign(10 << 20, 0);
  bomb.data = DeflateFixed(bomb.plain);
  bomb.override_size = true;
  bomb.size = 100;
  Add(BuildZip({bomb, Stored("after.txt", "x")}));
  EXPECT_EQ(Extract(), -4);
  EXPECT_LE(host.bytes_written(), 100u);
  EXPECT_TRUE(host.files().empty());
}

TEST_F(ZipExtract, DataDescriptorsUseTheCentralDirectory) {
  ZipEntrySpec stored = Stored("stored.txt", "stored with a descriptor");
  stored.descriptor = true;
  ZipEntrySpec deflated = Deflated("deflated.txt", std::string(3000, 'd') + "end");
  deflated.descriptor = true;
  deflated.descriptor_signature = false;
  ZipEntrySpec shrunk;
  shrunk.name = "shrunk.txt";
  shrunk.method = 1;
  shrunk.plain = ToBytes("abababababab shrink with descriptor");
  shrunk.data = Shrink(shrunk.plain);
  shrunk.descriptor = true;
  Add(BuildZip({stored, deflated, shrunk}));
  EXPECT_EQ(Extract(), 3);
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\stored.txt"), "stored with a descriptor");
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\deflated.txt"), std::string(3000, 'd') + "end");
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\shrunk.txt"), "abababababab shrink with descriptor");

  // ZipExtractEntry on its own finds the sizes in the directory too.
  TZipRec rec;
  ASSERT_EQ(ZipFirstEntry("a.zip", rec, env), 0);
  EXPECT_EQ(ZipExtractEntry("a.zip", "out\\stored.txt", rec.header_offset, env), 0);
  EXPECT_EQ(FileText("out\\stored.txt"), "stored with a descriptor");
  ZipCloseEntries(rec);
}

TEST_F(ZipExtract, Zip64SizesOffsetsAndEndRecords) {
  // Many tools write ZIP64 records even for small archives: sizes and offsets
  // marked 0xFFFFFFFF, the values in the extra fields and a ZIP64 end record.
  ZipEntrySpec ndx = Stored("tv.ndx", "index");
  ndx.zip64 = true;
  ZipEntrySpec pdt = Deflated("tv.pdt", std::string(5000, 'p') + "end");
  pdt.zip64 = true;
  ZipEntrySpec huge = Stored("huge.xml", "claims 4 GB");
  huge.zip64 = true;
  huge.zip64_size = uint64_t{5} << 30;
  for (bool stub : {false, true}) {
    Add(BuildZip({ndx, Stored("plain.txt", "plain"), pdt, huge}, stub ? ToBytes("MZ-STUB") : Bytes(), false, true));
    const std::string dest = stub ? "D:\\S\\" : "D:\\TV\\";
    EXPECT_EQ(Extract("*.*", nullptr, dest), 3) << stub;
    EXPECT_EQ(FileText(dest + "tv.ndx"), "index");
    EXPECT_EQ(FileText(dest + "plain.txt"), "plain");
    EXPECT_EQ(FileText(dest + "tv.pdt"), std::string(5000, 'p') + "end");
    // An entry of 4 GB or more is skipped and reported, as an unsupported one.
    EXPECT_EQ(FileText(dest + "huge.xml"), "<missing>");
    const std::vector<int32_t> codes = Codes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), kZipBadMethod), codes.end());
  }
  TZipRec rec;
  ASSERT_EQ(ZipFirstEntry("a.zip", rec, env), 0);
  EXPECT_EQ(rec.size, 5u);
  EXPECT_EQ(ZipExtractEntry("a.zip", "out\\tv.ndx", rec.header_offset, env), 0);
  EXPECT_EQ(FileText("out\\tv.ndx"), "index");
  ZipCloseEntries(rec);
}

TEST_F(ZipExtract, CentralDirectoryLargerThanTheOldBuffer) {
  // 3000 entries with long names: a directory of about 500 KB.
  std::vector<ZipEntrySpec> entries;
  for (int i = 0; i < 3000; ++i)
    entries.push_back(Stored("channels/" + std::string(100, 'c') + std::to_string(i) + ".m3u", std::to_string(i)));
  Add(BuildZip(entries));
  EXPECT_EQ(Extract(), 3000);
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\channels\\" + std::string(100, 'c') + "2999.m3u"), "2999");
}

TEST_F(ZipExtract, NamesConvertFromTheOemCodePageUnlessFlaggedUtf8) {
  ZipEntrySpec oem = Stored("\x8a\xa0\xad\xa0\xab\xeb.m3u", "oem");  // "Каналы" in 866
  ZipEntrySpec utf8 = Stored("\xd0\xa2\xd0\xb5\xd1\x81\xd1\x82.txt", "utf8");  // "Тест"
  utf8.flags = 0x800;
  Add(BuildZip({oem, utf8}));
  EXPECT_EQ(Extract(), 2);
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\\xd0\x9a\xd0\xb0\xd0\xbd\xd0\xb0\xd0\xbb\xd1\x8b.m3u"), "oem");
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\\xd0\xa2\xd0\xb5\xd1\x81\xd1\x82.txt"), "utf8");
  // Under OEM code page 437 the same bytes are other letters.
  env.oem_codepage = 437;
  EXPECT_EQ(Extract(), 2);
  EXPECT_EQ(FileText("D:\\TV\\TVGuide\\\xc3\xa8\xc3\xa1\xc2\xa1\xc3\xa1\xc2\xbd\xce\xb4.m3u"), "oem");
}

// A host on a system whose OEM code page is 437.
class WesternHost : public MemoryZipHost {
 public:
  int OemCodePage() override { return 437; }
};

TEST_F(ZipExtract, NamesTakeTheHostsOemCodePageUnlessOneIsGiven) {
  WesternHost western;
  env.host = &western;
  const std::string archive = [] {
    const Bytes b = BuildZip({Stored("\x8a\xa0\xad\xa0\xab\xeb.m3u", "oem")});
    return std::string(b.begin(), b.end());
  }();
  western.AddArchive("a.zip", archive);
  auto text = [&](const std::string& path) {
    auto it = western.files().find(path);
    return it == western.files().end() ? std::string("<missing>") : it->second.data;
  };
  ASSERT_EQ(env.oem_codepage, 0);
  EXPECT_EQ(Extract(), 1);
  EXPECT_EQ(text("D:\\TV\\TVGuide\\\xc3\xa8\xc3\xa1\xc2\xa1\xc3\xa1\xc2\xbd\xce\xb4.m3u"), "oem");  // "èá¡á½δ" in 437
  env.oem_codepage = 866;
  EXPECT_EQ(Extract(), 1);
  EXPECT_EQ(text("D:\\TV\\TVGuide\\\xd0\x9a\xd0\xb0\xd0\xbd\xd0\xb0\xd0\xbb\xd1\x8b.m3u"), "oem");  // "Каналы"
}

class ReadOnlyRefusingHost : public MemoryZipHost {
 public:
  std::unique_ptr<ZipWriter> CreateOutputFile(const std::string& path) override {
    auto it = files().find(path);
    if (it != files().end() && (it->second.attributes & 1)) return nullptr;
    return MemoryZipHost::CreateOutputFile(path);
  }
};

TEST_F(ZipExtract, ExistingFilesAttributesAndConfirmation) {
  ReadOnlyRefusingHost ro;
  env.host = &ro;
  ZipEntrySpec readonly = Stored("ro.txt", "new");
  readonly.external_attributes = 0x21;
  ZipEntrySpec unix_made = Stored("unix.txt", "u");
  unix_made.made_by = 0x0314;  // attributes of other hosts are not DOS attributes
  unix_made.external_attributes = 0x81A40000;
  archives.push_back(std::make_unique<std::string>());
  const Bytes zip = BuildZip({readonly, unix_made});
  *archives.back() = ToString(zip);
  ro.AddArchive("a.zip", *archives.back());
  EXPECT_EQ(Extract(), 2);
  EXPECT_EQ(ro.files().at("D:\\TV\\TVGuide\\ro.txt").attributes, 0x21u);
  EXPECT_EQ(ro.files().at("D:\\TV\\TVGuide\\unix.txt").attributes, 0u);
  // Extracting again overwrites the read-only file (its attributes are cleared first).
  EXPECT_EQ(Extract(), 2);
  EXPECT_EQ(ro.files().at("D:\\TV\\TVGuide\\ro.txt").data, "new");
  // A confirmation handler that declines keeps existing files.
  std::vector<std::string> asked;
  EXPECT_EQ(Extract("*.*", [&](const TReportRec& rec) {
              asked.push_back(rec.file_name);
              return rec.file_name.find("unix") != std::string::npos;
            }),
            1);
  EXPECT_EQ(asked.size(), 2u);
  // Entry times are applied only on request.
  EXPECT_EQ(ro.files().at("D:\\TV\\TVGuide\\unix.txt").time, 0u);
  env.apply_entry_times = true;
  EXPECT_EQ(Extract(), 2);
  EXPECT_EQ(ro.files().at("D:\\TV\\TVGuide\\unix.txt").time, 0x58220000u);
}

TEST_F(ZipExtract, BusyMarkRefusesASecondExtractionUntilItGoesStale) {
  Add(BuildZip({Stored("a.txt", "outer"), Stored("b.txt", "second")}));
  std::vector<int> inner;
  bool nested_done = false;
  auto nested = [&](uint64_t advance) {
    clock.now += advance;
    inner.push_back(ZipExtractEntry("a.zip", "nested.txt", 0, env));
  };
  // While the outer extraction writes its first block, a second one asks.
  int r = ZipExtractAll(
      "a.zip", "out", "*.*",
      [&](int32_t code, const TReportRec&) {
        if (code > 0 && !nested_done) {
          nested_done = true;
          nested(0);       // mark fresh: refused
          nested(29999);   // still fresh
          nested(30000);   // stale: taken over
        }
      },
      nullptr, env);
  EXPECT_EQ(inner, (std::vector<int>{-8, -8, 0}));
  EXPECT_EQ(r, 2);  // the outer extraction went on
  EXPECT_EQ(FileText("nested.txt"), "outer");

  // ZipExtractAll abandons with -8 when the mark is held.
  nested_done = false;
  std::vector<ReportCall> outer_calls;
  int inner_all = 0;
  r = ZipExtractAll(
      "a.zip", "out2", "*.*",
      [&](int32_t code, const TReportRec& rec) {
        outer_calls.push_back({code, rec});
        if (code > 0 && !nested_done) {
          nested_done = true;
          inner_all = ZipExtractAll("a.zip", "out3", "*.*", nullptr, nullptr, env);
        }
      },
      nullptr, env);
  EXPECT_EQ(inner_all, -8);
  EXPECT_EQ(r, 2);
  // The mark is free again afterwards.
  EXPECT_EQ(ZipExtractEntry("a.zip", "again.txt", 0, env), 0);
}

}  // namespace
}  // namespace strevo::ziptest
