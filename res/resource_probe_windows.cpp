// Reads the program's resources back through the Windows API from its own executable, which links
// the same resource object as Kestrelmoor.exe, and checks them against product.h. It is built by
// every Windows build, so the resources are compiled and verified even where Kestrelmoor.exe itself
// cannot be linked. Prints what it finds; exits with 0 only when everything matches.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bits/utf8.h"
#include "res/product.h"

namespace {

const WORD kLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
// The wide forms of RT_ICON, RT_GROUP_ICON and RT_MANIFEST, whatever UNICODE says.
const LPCWSTR kIconType = MAKEINTRESOURCEW(3);
const LPCWSTR kIconGroupType = MAKEINTRESOURCEW(14);
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);

int failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what);
  if (!ok) ++failures;
}

// The bytes of one resource, or none.
std::vector<unsigned char> ResourceBytes(LPCWSTR type, WORD id) {
  HRSRC found = FindResourceExW(nullptr, type, MAKEINTRESOURCEW(id), kLanguage);
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr) return {};
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  return std::vector<unsigned char>(bytes, bytes + SizeofResource(nullptr, found));
}

unsigned ReadWord(const unsigned char* p) { return p[0] | (p[1] << 8); }
unsigned long ReadDword(const unsigned char* p) {
  return ReadWord(p) | (static_cast<unsigned long>(ReadWord(p + 2)) << 16);
}

void CheckIconGroup() {
  const std::vector<unsigned char> group = ResourceBytes(kIconGroupType, KESTRELMOOR_ICON_ID);
  Check(group.size() >= 6, "icon group 102, language 1033, is present");
  if (group.size() < 6) return;
  const unsigned count = ReadWord(&group[4]);
  Check(count == 4 && group.size() == 6 + 14 * count, "the icon group lists four images");
  const int expectedSizes[] = {16, 32, 48, 256};
  for (unsigned i = 0; i < count && i < 4 && 6 + 14 * (i + 1) <= group.size(); ++i) {
    const unsigned char* entry = &group[6 + 14 * i];
    const int side = entry[0] == 0 ? 256 : entry[0];
    const unsigned bits = ReadWord(entry + 6);
    const unsigned id = ReadWord(entry + 12);
    const std::vector<unsigned char> image = ResourceBytes(kIconType, static_cast<WORD>(id));
    const bool png = image.size() >= 8 && std::memcmp(image.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
    const bool bitmap = image.size() >= 40 && ReadDword(image.data()) == 40 &&
                        ReadWord(&image[14]) == 32 && ReadDword(&image[16]) == 0;
    std::printf("icon image %u: %dx%d, %u bits, %s, %zu bytes\n", id, side, side, bits,
                png ? "PNG" : (bitmap ? "bitmap" : "unreadable"), image.size());
    Check(id == i + 1 && side == expectedSizes[i] && bits == 32 && (side == 256 ? png : bitmap),
          "icon image has the expected id, size, depth and format");
  }
  Check(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(KESTRELMOOR_ICON_ID)) != nullptr,
        "LoadIconW loads icon 102");
}

void CheckManifest() {
  const std::vector<unsigned char> manifest = ResourceBytes(kManifestType, KESTRELMOOR_MANIFEST_ID);
  const std::string text(manifest.begin(), manifest.end());
  std::printf("manifest: %zu bytes\n", manifest.size());
  Check(text.compare(0, 3, "\xEF\xBB\xBF") == 0,
        "the manifest starts with the UTF-8 byte-order mark");
  Check(text.find("level=\"requireAdministrator\" uiAccess=\"false\"") != std::string::npos,
        "the manifest requires administrator rights");
  Check(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"") !=
            std::string::npos,
        "the manifest depends on Common Controls 6");
}

std::string VersionString(const std::vector<unsigned char>& block, const wchar_t* key) {
  std::wstring path = L"\\StringFileInfo\\040904b0\\";
  path += key;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || value == nullptr) return "";
  return ToUtf8(static_cast<const wchar_t*>(value));
}

void CheckVersionRecord() {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(self, &ignored);
  Check(size > 0, "the version record is present");
  if (size == 0) return;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(self, 0, size, block.data())) {
    Check(false, "GetFileVersionInfoW reads the version record");
    return;
  }
  void* value = nullptr;
  UINT length = 0;
  const bool haveFixed = VerQueryValueW(block.data(), L"\\", &value, &length) && value != nullptr &&
                         length >= sizeof(VS_FIXEDFILEINFO);
  Check(haveFixed, "the fixed version information is present");
  if (haveFixed) {
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    const DWORD ms = MAKELONG(KESTRELMOOR_VERSION_MINOR, KESTRELMOOR_VERSION_MAJOR);
    const DWORD ls = MAKELONG(KESTRELMOOR_VERSION_BUILD, KESTRELMOOR_VERSION_PATCH);
    std::printf("file version %lu.%lu.%lu.%lu, flags mask 0x%lX, OS 0x%lX, type %lu\n",
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionMS)),
                static_cast<unsigned long>(HIWORD(fixed->dwFileVersionLS)),
                static_cast<unsigned long>(LOWORD(fixed->dwFileVersionLS)),
                static_cast<unsigned long>(fixed->dwFileFlagsMask),
                static_cast<unsigned long>(fixed->dwFileOS),
                static_cast<unsigned long>(fixed->dwFileType));
    Check(fixed->dwSignature == VS_FFI_SIGNATURE, "the fixed information has its signature");
    Check(fixed->dwFileVersionMS == ms && fixed->dwFileVersionLS == ls &&
              fixed->dwProductVersionMS == ms && fixed->dwProductVersionLS == ls,
          "file and product version are " KESTRELMOOR_VERSION_TEXT);
    Check(fixed->dwFileFlagsMask == 0x3F && fixed->dwFileFlags == 0 &&
              fixed->dwFileOS == VOS_NT_WINDOWS32 && fixed->dwFileType == VFT_APP &&
              fixed->dwFileSubtype == 0 && fixed->dwFileDateMS == 0 && fixed->dwFileDateLS == 0,
          "flags, OS, type, subtype and date are as required");
  }
  const bool haveTranslation =
      VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) &&
      value != nullptr && length >= 4;
  Check(haveTranslation && static_cast<const WORD*>(value)[0] == 0x0409 &&
            static_cast<const WORD*>(value)[1] == 1200,
        "the translation is 0x0409, 1200");
  struct Expected {
    const wchar_t* key;
    const char* value;
  };
  const Expected strings[] = {
      {L"CompanyName", KESTRELMOOR_COMPANY},      {L"FileDescription", KESTRELMOOR_NAME},
      {L"FileVersion", KESTRELMOOR_VERSION_TEXT}, {L"InternalName", KESTRELMOOR_EXE_NAME},
      {L"LegalCopyright", KESTRELMOOR_COPYRIGHT}, {L"OriginalFilename", KESTRELMOOR_EXE_NAME},
      {L"ProductName", KESTRELMOOR_NAME},         {L"ProductVersion", KESTRELMOOR_VERSION_TEXT},
  };
  for (const Expected& expected : strings) {
    const std::string found = VersionString(block, expected.key);
    std::printf("%s = %s\n", ToUtf8(expected.key).c_str(), found.c_str());
    Check(found == expected.value, "the string table entry reads as in product.h");
  }
}

}  // namespace

int main() {
  CheckIconGroup();
  CheckManifest();
  CheckVersionRecord();
  std::printf("%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
