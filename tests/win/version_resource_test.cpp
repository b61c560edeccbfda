// What Windows shows in the file's properties and what it reads from the
// embedded manifest, read back from the built Strevo.exe and libvlc.dll.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

std::wstring RunFile(const wchar_t* name) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring path = exe;
  return path.substr(0, path.find_last_of(L"\\/") + 1) + L"run\\" + name;
}

// The first line of VERSION, as the build reads it.
std::string VersionFile() {
  std::ifstream in(std::string("Z:") + STREVO_SOURCE_DIR + "/VERSION");
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

// "0.1" -> {0, 1, 0, 0}.
std::vector<unsigned> FourNumbers(const std::string& text) {
  std::vector<unsigned> parts;
  size_t at = 0;
  while (at <= text.size() && parts.size() < 4) {
    size_t dot = text.find('.', at);
    if (dot == std::string::npos) dot = text.size();
    parts.push_back(static_cast<unsigned>(std::stoul(text.substr(at, dot - at))));
    at = dot + 1;
  }
  while (parts.size() < 4) parts.push_back(0);
  return parts;
}

struct VersionInfo {
  std::vector<BYTE> block;
  bool Load(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return false;
    block.resize(size);
    return GetFileVersionInfoW(path.c_str(), 0, size, block.data()) != 0;
  }
  const VS_FIXEDFILEINFO* Fixed() {
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), L"\\", &p, &len) || len < sizeof(VS_FIXEDFILEINFO)) return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(p);
  }
  // The string value in the block of the file's first translation.
  std::wstring String(const wchar_t* name) {
    struct Translation { WORD language, codePage; };
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &p, &len) || len < sizeof(Translation))
      return L"<no translation>";
    auto* t = static_cast<const Translation*>(p);
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", t->language, t->codePage, name);
    if (!VerQueryValueW(block.data(), query, &p, &len) || len == 0) return L"<missing>";
    return static_cast<const wchar_t*>(p);
  }
};

std::wstring Widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }

class FileVersion : public testing::TestWithParam<const wchar_t*> {};

TEST_P(FileVersion, CarriesTheVersionOfTheVersionFile) {
  const std::string version = VersionFile();
  ASSERT_FALSE(version.empty()) << "VERSION unreadable";
  const std::vector<unsigned> n = FourNumbers(version);
  VersionInfo info;
  ASSERT_TRUE(info.Load(RunFile(GetParam()))) << "no version resource, error " << GetLastError();
  const VS_FIXEDFILEINFO* fixed = info.Fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), n[0]);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), n[1]);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), n[2]);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), n[3]);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

  wchar_t dotted[64];
  swprintf(dotted, 64, L"%u.%u.%u.%u", n[0], n[1], n[2], n[3]);
  EXPECT_EQ(info.String(L"FileVersion"), dotted);
  EXPECT_EQ(info.String(L"ProductName"), L"Strevo");
  EXPECT_EQ(info.String(L"OriginalFilename"), GetParam());
  EXPECT_NE(info.String(L"FileDescription").find(L"Strevo"), std::wstring::npos);
  EXPECT_EQ(info.String(L"LegalCopyright").rfind(L"Copyright", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Built, FileVersion, testing::Values(L"Strevo.exe", L"libvlc.dll"));

TEST(FileVersion, ProductVersionOfTheExeIsTheVersionLabelsText) {
  VersionInfo info;
  ASSERT_TRUE(info.Load(RunFile(L"Strevo.exe")));
  // "v0.1 (08.12.2026)": the text the main window's version label shows.
  EXPECT_EQ(info.String(L"ProductVersion").rfind(L"v" + Widen(VersionFile()) + L" (", 0), 0u)
      << info.String(L"ProductVersion").c_str();
}

TEST(Manifest, AsksForVisualStylesTheSupportedSystemsAndNoElevation) {
  HMODULE exe = LoadLibraryExW(RunFile(L"Strevo.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);
  HRSRC res = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(res, nullptr) << "no manifest under the id Windows reads for a process";
  const char* data = static_cast<const char*>(LockResource(LoadResource(exe, res)));
  std::string xml(data, SizeofResource(exe, res));
  FreeLibrary(exe);
  EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(xml.find("level=\"asInvoker\""), std::string::npos);
  for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",    // 7
                         "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",    // 8
                         "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // 8.1
                         "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})   // 10 and 11
    EXPECT_NE(xml.find(os), std::string::npos) << os;
  EXPECT_EQ(xml.find("@STREVO"), std::string::npos) << "unsubstituted placeholder";
}

}  // namespace
