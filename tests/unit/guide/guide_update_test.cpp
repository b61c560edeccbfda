#include "guide/guide_update.h"

#include <gtest/gtest.h>

#include <map>

namespace strevo {
namespace {

// A file system of paths and contents; an "archive" is any file starting with
// "PK", whose lines "name=content" are its entries ("!" marks a damaged one).
class FakeSystem : public GuideUpdateSystem {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> served;  // url -> body
  std::vector<std::string> downloads;
  std::string failMoveOf;

  bool Download(const std::string& url, const std::string& path) override {
    downloads.push_back(url);
    auto it = served.find(url);
    if (it == served.end()) return false;
    files[path] = it->second;
    return true;
  }
  bool IsArchive(const std::string& path) override { return files.count(path) && files[path].rfind("PK", 0) == 0; }
  bool ExtractAll(const std::string& archive, const std::string& folder) override {
    const std::string body = files[archive].substr(2);
    size_t at = 0;
    bool whole = true;
    while (at < body.size()) {
      size_t end = body.find('\n', at);
      const std::string line = body.substr(at, end - at);
      at = end == std::string::npos ? body.size() : end + 1;
      if (line.empty()) continue;
      if (line[0] == '!') {
        whole = false;
        continue;
      }
      const size_t eq = line.find('=');
      files[folder + "\\" + line.substr(0, eq)] = line.substr(eq + 1);
    }
    return whole;
  }
  int64_t FileSize(const std::string& path) override { return files.count(path) ? files[path].size() : -1; }
  void RemoveFile(const std::string& path) override { files.erase(path); }
  void RemoveTree(const std::string& folder) override {
    std::erase_if(files, [&](const auto& f) { return f.first.rfind(folder + "\\", 0) == 0; });
  }
  std::vector<std::string> FilesIn(const std::string& folder) override {
    std::vector<std::string> in;
    for (const auto& [path, bytes] : files)
      if (path.rfind(folder + "\\", 0) == 0 && path.find('\\', folder.size() + 1) == std::string::npos)
        in.push_back(path);
    return in;
  }
  bool MoveFilesInto(const std::string& from, const std::string& to) override {
    std::map<std::string, std::string> moved;
    for (auto it = files.begin(); it != files.end();) {
      if (it->first.rfind(from + "\\", 0) == 0) {
        if (it->first == from + "\\" + failMoveOf) return false;
        moved[to + it->first.substr(from.size())] = it->second;
        it = files.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& [k, v] : moved) files[k] = v;
    return true;
  }
  bool ReadFile(const std::string& path, int64_t limit, std::string& bytes) override {
    if (!files.count(path) || static_cast<int64_t>(files[path].size()) > limit) return false;
    bytes = files[path];
    return true;
  }
  bool WriteFile(const std::string& path, const std::string& bytes) override {
    if (path == failWriteOf) return false;
    files[path] = bytes;
    return true;
  }
  std::string failWriteOf;
  // Files below a folder, by their names relative to it.
  std::map<std::string, std::string> Below(const std::string& folder) const {
    std::map<std::string, std::string> r;
    for (auto& [k, v] : files)
      if (k.rfind(folder + "\\", 0) == 0) r[k.substr(folder.size() + 1)] = v;
    return r;
  }
};

const std::string kTemp = "C:\\Temp\\Strevo.Tmp";
const std::string kGuide = "D:\\Strevo\\TVGuide";
const std::string kUrl = "http://127.0.0.1/tv.zip";

struct Recorder {
  std::vector<std::string> steps;
  std::shared_ptr<const XmltvGuide> xmltv;
  int queued = 0;
  GuideUpdateUi Ui() {
    GuideUpdateUi ui;
    // Queued work is recorded as it runs; it runs at once here.
    ui.toUi = [this](std::function<void()> fn) {
      ++queued;
      fn();
    };
    ui.clearCache = [this] { steps.push_back("cache"); };
    ui.rebuildCaptions = [this] { steps.push_back("captions"); };
    ui.showOsd = [this](const std::string& m) { steps.push_back("osd " + m); };
    ui.refillNames = [this] { steps.push_back("names"); };
    ui.setXmltv = [this](std::shared_ptr<const XmltvGuide> guide) {
      xmltv = guide;
      steps.push_back(guide ? "xmltv " + std::to_string(guide->programmeCount) : "xmltv none");
    };
    return ui;
  }
};

struct Fixture {
  FakeSystem fs;
  Recorder rec;
  GuideUpdateRequest req{kUrl, kTemp, kGuide, {"First", "Gone"}, "Обновить телепрограмму"};
  Fixture() {
    fs.files = {{kGuide + "\\First.ndx", "old1"}, {kGuide + "\\First.pdt", "old1"},
                {kGuide + "\\Gone.ndx", "old2"},  {kGuide + "\\Gone.pdt", "old2"},
                {kGuide + "\\Own.ndx", "mine"},   {kGuide + "\\99\\First.ndx", "extra"},
                {kTemp + "\\TVGuide.zip", "stale"}};
  }
  std::map<std::string, std::string> OldGuide() {
    return {{"First.ndx", "old1"}, {"First.pdt", "old1"}, {"Gone.ndx", "old2"},
            {"Gone.pdt", "old2"},  {"Own.ndx", "mine"},   {"99\\First.ndx", "extra"}};
  }
};

TEST(GuideUpdate, ReplacesListedPairsKeepsOtherFilesAndReportsTheSize) {
  Fixture f;
  std::string zip = "PKFirst.ndx=new1\nFirst.pdt=new1\nAdded.ndx=new3\nAdded.pdt=new3\n";
  zip.resize(1536, '\n');  // 1.5 Kb rounds to even: 2
  f.fs.served[kUrl] = zip;
  EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::Updated);
  EXPECT_EQ(f.fs.Below(kGuide), (std::map<std::string, std::string>{{"First.ndx", "new1"},
                                                                    {"First.pdt", "new1"},
                                                                    {"Added.ndx", "new3"},
                                                                    {"Added.pdt", "new3"},
                                                                    {"Own.ndx", "mine"},
                                                                    {"99\\First.ndx", "extra"}}));
  EXPECT_EQ(f.rec.steps,
            (std::vector<std::string>{"cache", "captions", "osd #Обновить телепрограмму : 2 Kb", "names"}));
  EXPECT_TRUE(f.fs.Below(kTemp).empty());  // the archive is gone
  EXPECT_TRUE(f.fs.Below(kGuide + ".new").empty());
}

TEST(GuideUpdate, FailuresKeepTheOldGuide) {
  struct Case {
    const char* what;
    std::string body;  // empty: the download fails
    std::string failMove;
    GuideUpdateOutcome outcome;
  } cases[] = {
      {"download failed", "", "", GuideUpdateOutcome::NotArchive},
      {"an HTML page", "<html><body>Not here</body></html>", "", GuideUpdateOutcome::NotArchive},
      {"a damaged entry", "PKFirst.ndx=new1\n!First.pdt\n", "", GuideUpdateOutcome::Damaged},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Fixture f;
    if (!c.body.empty()) f.fs.served[kUrl] = c.body;
    EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), c.outcome);
    EXPECT_EQ(f.fs.Below(kGuide), f.OldGuide());
    EXPECT_EQ(f.rec.steps, (std::vector<std::string>{"osd #Обновить телепрограмму : Error!", "names"}));
    EXPECT_TRUE(f.fs.Below(kTemp).empty());
    EXPECT_TRUE(f.fs.Below(kGuide + ".new").empty());
  }
}

TEST(GuideUpdate, AFailedMoveStillDropsTheCacheOfTheDeletedFiles) {
  Fixture f;
  f.fs.served[kUrl] = "PKFirst.ndx=new1\nFirst.pdt=new1\n";
  f.fs.failMoveOf = "First.pdt";
  EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::Damaged);
  EXPECT_EQ(f.rec.steps,
            (std::vector<std::string>{"cache", "captions", "osd #Обновить телепрограмму : Error!", "names"}));
}

TEST(GuideUpdate, AnEmptyAddressAsksNothingAndShowsNothing) {
  Fixture f;
  f.req.url.clear();
  EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::NoAddress);
  EXPECT_TRUE(f.fs.downloads.empty());
  EXPECT_TRUE(f.rec.steps.empty());
  EXPECT_EQ(f.fs.Below(kGuide), f.OldGuide());
}

// The same guide packed with gzip, as "guide.xml.gz" is served.
const std::string kPackedGuide("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\x55\x8E\x5D\x0A\x02\x31\x0C\x84\xAF\x52\xFA\x2A\xDA\xB4\x82\xAC\x90\xED\x1E\x41\xAF\x50\xB6\x41\x8B\xFD\xA3\x2D\x8B\xDE\xDE\x82\xAB\xAC\xF3\x94\xCC\x47\x32\x83\xD3\x33\x78\xB6\x50\xA9\x2E\xC5\x91\xCB\x03\xF0\x49\x63\x5B\x34\xCE\x77\x13\x23\x79\xE6\xEC\xC8\x53\x24\xAE\xD1\xBA\x9A\xBD\x79\xED\xA3\x09\xA4\x2F\x91\x50\xFC\x39\x28\xD6\x13\x8D\xB9\xA4\x5B\x31\x21\x10\xAB\xCD\x94\x36\x72\x05\xEA\x24\x15\x0C\x72\x80\x2E\xB6\x83\x23\x00\xEF\x30\xE5\x0D\x3B\x6F\xD9\xFA\xEB\x9B\xDD\x5C\xF3\xA4\xAF\x66\x7E\x90\x45\xF1\xD9\x50\xFC\x72\xFA\xDC\x3B\xBF\x01\xF2\x18\xA2\x58\xCD\x00\x00\x00", 155);
const size_t kPackedGuideXmlSize = 205;

TEST(GuideUpdate, AnXmltvGuideIsReadWholeAndKeptBesideTheJtvFiles) {
  const std::string plain =
      "<?xml version=\"1.0\"?>\n<tv><channel id=\"one\"><display-name>One</display-name></channel>"
      "<programme start=\"20261208180000 +0300\" stop=\"20261208190000 +0300\" channel=\"one\">"
      "<title>Plain</title></programme></tv>\n";
  // As providers publish it: a ZIP of one document (the fake's archive holds
  // name=content lines, so the document has no line break here).
  std::string oneLine = plain;
  std::erase(oneLine, '\n');
  const std::string zipped = "PKxmltv.xml=" + oneLine + "\n";
  for (const std::string& body : {plain, kPackedGuide, zipped}) {
    Fixture f;
    f.req.localOffset = [](DateTime) { return 180; };
    f.fs.served[kUrl] = body;
    EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::Updated);
    // Detected by what came, whatever the address says; kept unpacked.
    std::map<std::string, std::string> expected = f.OldGuide();
    const std::string& kept = f.fs.files[kGuide + "\\xmltv.xml"];
    expected["xmltv.xml"] = kept;
    EXPECT_EQ(f.fs.Below(kGuide), expected);
    EXPECT_TRUE(kept.starts_with("<?xml"));
    EXPECT_EQ(kept.size(), body == plain ? plain.size() : body == zipped ? oneLine.size() : kPackedGuideXmlSize);
    EXPECT_EQ(f.rec.steps, (std::vector<std::string>{"xmltv 1", "cache", "captions",
                                                     "osd #Обновить телепрограмму : " +
                                                         std::to_string(GuideArchiveKb(static_cast<int64_t>(body.size()))) + " Kb",
                                                     "names"}));
    ASSERT_TRUE(f.rec.xmltv);
    EXPECT_EQ(f.rec.xmltv->channels[0].programmes[0].text, body == kPackedGuide ? "Packed" : "Plain");
    EXPECT_TRUE(f.fs.Below(kTemp).empty());

    // A JTV archive afterwards takes the guide back from the XMLTV file.
    f.rec.steps.clear();
    f.fs.served[kUrl] = "PKFirst.ndx=new1\nFirst.pdt=new1\n";
    EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::Updated);
    EXPECT_EQ(f.fs.files.count(kGuide + "\\xmltv.xml"), 0u);
    EXPECT_EQ(f.rec.steps.front(), "xmltv none");
    EXPECT_FALSE(f.rec.xmltv);
  }
}

TEST(GuideUpdate, ABrokenXmltvGuideChangesNothing) {
  const std::string cut = "<?xml version=\"1.0\"?><tv><channel id=\"one\"><display-name>One</display-name></channel><progr";
  std::string badGzip = kPackedGuide;
  badGzip[badGzip.size() - 5] ^= 0x40;  // the length in the trailer
  for (const std::string& body : {cut, badGzip, std::string("\x1F\x8B\x08garbage")}) {
    Fixture f;
    f.fs.files[kGuide + "\\xmltv.xml"] = "earlier";
    f.fs.served[kUrl] = body;
    EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::NotArchive);
    EXPECT_EQ(f.fs.files[kGuide + "\\xmltv.xml"], "earlier");
    EXPECT_EQ(f.rec.steps, (std::vector<std::string>{"osd #Обновить телепрограмму : Error!", "names"}));
  }
  // A guide that cannot be kept is not taken either.
  Fixture f;
  f.fs.served[kUrl] = kPackedGuide;
  f.fs.failWriteOf = kGuide + "\\xmltv.xml";
  EXPECT_EQ(UpdateGuide(f.req, f.fs, f.rec.Ui()), GuideUpdateOutcome::Damaged);
  EXPECT_EQ(f.rec.steps, (std::vector<std::string>{"osd #Обновить телепрограмму : Error!", "names"}));
  EXPECT_FALSE(f.rec.xmltv);
}

TEST(GuideUpdate, KilobytesRoundHalvesToEven) {
  EXPECT_EQ(GuideArchiveKb(0), 0);
  EXPECT_EQ(GuideArchiveKb(511), 0);
  EXPECT_EQ(GuideArchiveKb(512), 0);
  EXPECT_EQ(GuideArchiveKb(513), 1);
  EXPECT_EQ(GuideArchiveKb(1536), 2);
  EXPECT_EQ(GuideArchiveKb(2560), 2);
  EXPECT_EQ(GuideArchiveKb(319488), 312);
}

}  // namespace
}  // namespace strevo
