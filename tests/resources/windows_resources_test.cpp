// Reads the resources back from the executables of the Windows build with icoutils, and checks
// them against product.h, the manifest source and the icon file of this build.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "res/product.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool Exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a command line of our own making (paths of the build tree) and answers what it printed.
Bytes RunCommand(const std::string& command, int* status) {
  Bytes out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return out;
  }
  char buffer[4096];
  std::size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    out.insert(out.end(), buffer, buffer + got);
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

uint16_t Word(const Bytes& b, std::size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t Dword(const Bytes& b, std::size_t at) {
  return Word(b, at) | (uint32_t(Word(b, at + 2)) << 16);
}

// One node of a VS_VERSIONINFO tree: wLength, wValueLength, wType, the key in UTF-16, padding to
// 32 bits, the value (wValueLength counts characters for text values, bytes otherwise), padding,
// then the children up to wLength.
struct VersionNode {
  std::string key;  // ASCII keys only in our record
  uint16_t type = 0;
  Bytes value;
  std::vector<VersionNode> children;

  const VersionNode* Child(const std::string& name) const {
    for (const VersionNode& child : children) {
      if (child.key == name) return &child;
    }
    return nullptr;
  }
  std::string Text() const {  // a text value, UTF-16 ASCII, without its terminating null
    std::string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
      const uint16_t unit = static_cast<uint16_t>(value[i] | (value[i + 1] << 8));
      if (unit == 0) break;
      text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
  }
};

std::size_t Align4(std::size_t at) { return (at + 3) & ~std::size_t{3}; }

bool ParseVersionNode(const Bytes& b, std::size_t at, std::size_t limit, VersionNode* node,
                      std::size_t* end) {
  if (at + 6 > limit) return false;
  const std::size_t length = Word(b, at);
  const std::size_t valueLength = Word(b, at + 2);
  node->type = Word(b, at + 4);
  if (length < 6 || at + length > limit) return false;
  const std::size_t nodeEnd = at + length;
  std::size_t p = at + 6;
  while (true) {
    if (p + 2 > nodeEnd) return false;
    const uint16_t unit = Word(b, p);
    p += 2;
    if (unit == 0) break;
    node->key += unit < 0x80 ? static_cast<char>(unit) : '?';
  }
  p = Align4(p);
  const std::size_t valueBytes = node->type == 1 ? valueLength * 2 : valueLength;
  if (p + valueBytes > nodeEnd) return false;
  node->value.assign(b.begin() + p, b.begin() + p + valueBytes);
  p = Align4(p + valueBytes);
  while (p < nodeEnd) {
    VersionNode child;
    std::size_t childEnd = 0;
    if (!ParseVersionNode(b, p, nodeEnd, &child, &childEnd)) return false;
    node->children.push_back(child);
    p = Align4(childEnd);
  }
  *end = nodeEnd;
  return true;
}

class WindowsResources : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    exe = std::string(KESTRELMOOR_WINDOWS_DIR) + "/" + GetParam();
    if (!Exists(exe) && std::string(GetParam()) != "res/resource_probe.exe") {
      GTEST_SKIP() << exe
                   << " was not linked (no FLTK built for Windows); the probe carries "
                      "the same resources";
    }
    ASSERT_TRUE(Exists(exe)) << exe << " is missing: the Windows build must produce it";
  }

  // One resource's raw bytes.
  Bytes Resource(int type, int name) {
    int status = 0;
    const Bytes out = RunCommand("wrestool -x --raw --type=" + std::to_string(type) + " --name=" +
                                     std::to_string(name) + " --language=1033 '" + exe + "'",
                                 &status);
    EXPECT_EQ(status, 0);
    return out;
  }

  std::string exe;
};

TEST_P(WindowsResources, ListsIconGroup102FourIconsManifestAndVersionInEnglish) {
  int status = 0;
  const Bytes listing = RunCommand("wrestool -l '" + exe + "'", &status);
  ASSERT_EQ(status, 0);
  const std::string text(listing.begin(), listing.end());
  for (const char* expected :
       {"--type=14 --name=102 --language=1033", "--type=3 --name=1 --language=1033",
        "--type=3 --name=2 --language=1033", "--type=3 --name=3 --language=1033",
        "--type=3 --name=4 --language=1033", "--type=24 --name=1 --language=1033",
        "--type=16 --name=1 --language=1033"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " missing in\n" << text;
  }
  EXPECT_EQ(text.find("--type=3 --name=5"), std::string::npos) << "a fifth icon image";
  // Only the program's own manifest: a toolchain's default one beside it would leave the system
  // to pick either.
  EXPECT_EQ(text.find("--type=24"), text.rfind("--type=24")) << "a second manifest in\n" << text;
}

TEST_P(WindowsResources, IconGroupHasFourThirtyTwoBitSizesAndAPngAtTheLargest) {
  const std::string extracted = ::testing::TempDir() + "/kestrelmoor-group.ico";
  int status = 0;
  RunCommand(
      "wrestool -x --type=14 --name=102 --language=1033 -o '" + extracted + "' '" + exe + "'",
      &status);
  ASSERT_EQ(status, 0);
  const Bytes listing = RunCommand("icotool -l '" + extracted + "'", &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(std::string(listing.begin(), listing.end()),
            "--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0\n"
            "--icon --index=2 --width=32 --height=32 --bit-depth=32 --palette-size=0\n"
            "--icon --index=3 --width=48 --height=48 --bit-depth=32 --palette-size=0\n"
            "--icon --index=4 --width=256 --height=256 --bit-depth=32 --palette-size=0\n");

  // The group's own directory names the images 1 to 4.
  const Bytes group = Resource(14, KESTRELMOOR_ICON_ID);
  ASSERT_EQ(group.size(), 6u + 4 * 14);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Word(group, 6 + 14 * i + 12), i + 1);

  // Each image is the very one the icon tool drew for this build.
  const Bytes ico = ReadFile(KESTRELMOOR_NATIVE_ICON);
  ASSERT_GE(ico.size(), 6u + 4 * 16);
  for (int i = 0; i < 4; ++i) {
    const Bytes image = Resource(3, i + 1);
    const uint32_t length = Dword(ico, 6 + 16 * i + 8);
    const uint32_t offset = Dword(ico, 6 + 16 * i + 12);
    ASSERT_LE(offset + length, ico.size());
    EXPECT_EQ(image, Bytes(ico.begin() + offset, ico.begin() + offset + length))
        << "image " << i + 1;
    if (i < 3) {
      ASSERT_GE(image.size(), 40u);
      EXPECT_EQ(Dword(image, 0), 40u);  // an uncompressed bitmap
      EXPECT_EQ(Dword(image, 16), 0u);
    } else {
      ASSERT_GE(image.size(), 8u);
      EXPECT_EQ(std::memcmp(image.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    }
  }
}

TEST_P(WindowsResources, ManifestIsTheSourceTextWithItsByteOrderMark) {
  const Bytes manifest = Resource(24, KESTRELMOOR_MANIFEST_ID);
  ASSERT_GE(manifest.size(), 3u);
  EXPECT_EQ(manifest[0], 0xEF);
  EXPECT_EQ(manifest[1], 0xBB);
  EXPECT_EQ(manifest[2], 0xBF);
  EXPECT_EQ(manifest, ReadFile(KESTRELMOOR_MANIFEST_SOURCE));
  const std::string text(manifest.begin(), manifest.end());
  for (const char* part :
       {"manifestVersion=\"1.0\"",
        "<assemblyIdentity version=\"1.0.0.0\" processorArchitecture=\"*\" name=\"YourApp\" "
        "type=\"win32\"/>",
        "<assemblyIdentity type=\"win32\" name=\"Microsoft.Windows.Common-Controls\" "
        "version=\"6.0.0.0\" processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
        "language=\"*\"/>",
        "<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part;
  }
}

TEST_P(WindowsResources, VersionRecordHoldsEveryField) {
  const Bytes record = Resource(16, KESTRELMOOR_VERSION_RECORD_ID);
  VersionNode root;
  std::size_t end = 0;
  ASSERT_TRUE(ParseVersionNode(record, 0, record.size(), &root, &end));
  EXPECT_EQ(root.key, "VS_VERSION_INFO");
  ASSERT_EQ(root.value.size(), 52u);  // VS_FIXEDFILEINFO
  const uint32_t versionMs = (KESTRELMOOR_VERSION_MAJOR << 16) | KESTRELMOOR_VERSION_MINOR;
  const uint32_t versionLs = (KESTRELMOOR_VERSION_PATCH << 16) | KESTRELMOOR_VERSION_BUILD;
  EXPECT_EQ(versionMs, 0x00010002u);  // 1.2.0.0, as the About box says
  EXPECT_EQ(versionLs, 0u);
  const Bytes& fixed = root.value;
  EXPECT_EQ(Dword(fixed, 0), 0xFEEF04BDu);  // signature
  EXPECT_EQ(Dword(fixed, 8), versionMs);    // file version
  EXPECT_EQ(Dword(fixed, 12), versionLs);
  EXPECT_EQ(Dword(fixed, 16), versionMs);  // product version
  EXPECT_EQ(Dword(fixed, 20), versionLs);
  EXPECT_EQ(Dword(fixed, 24), 0x3Fu);        // file flags mask
  EXPECT_EQ(Dword(fixed, 28), 0u);           // file flags
  EXPECT_EQ(Dword(fixed, 32), 0x00040004u);  // VOS_NT_WINDOWS32
  EXPECT_EQ(Dword(fixed, 36), 1u);           // VFT_APP
  EXPECT_EQ(Dword(fixed, 40), 0u);           // no subtype
  EXPECT_EQ(Dword(fixed, 44), 0u);           // no date
  EXPECT_EQ(Dword(fixed, 48), 0u);

  const VersionNode* strings = root.Child("StringFileInfo");
  ASSERT_NE(strings, nullptr);
  ASSERT_EQ(strings->children.size(), 1u);
  const VersionNode& table = strings->children[0];
  EXPECT_EQ(table.key, "040904b0");
  std::map<std::string, std::string> values;
  for (const VersionNode& entry : table.children) values[entry.key] = entry.Text();
  const std::map<std::string, std::string> expected = {{"CompanyName", KESTRELMOOR_COMPANY},
                                                       {"FileDescription", "Kestrelmoor"},
                                                       {"FileVersion", "1.2.0.0"},
                                                       {"InternalName", "Kestrelmoor.exe"},
                                                       {"LegalCopyright", KESTRELMOOR_COPYRIGHT},
                                                       {"OriginalFilename", "Kestrelmoor.exe"},
                                                       {"ProductName", "Kestrelmoor"},
                                                       {"ProductVersion", "1.2.0.0"}};
  EXPECT_EQ(values, expected);
  EXPECT_NE(values["CompanyName"].find("Kestrelmoor"), std::string::npos);
  EXPECT_NE(values["LegalCopyright"].find("Kestrelmoor"), std::string::npos);

  const VersionNode* variables = root.Child("VarFileInfo");
  ASSERT_NE(variables, nullptr);
  const VersionNode* translation = variables->Child("Translation");
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(translation->value.size(), 4u);
  EXPECT_EQ(Word(translation->value, 0), 0x0409);
  EXPECT_EQ(Word(translation->value, 2), 1200);
}

INSTANTIATE_TEST_SUITE_P(Executables, WindowsResources,
                         ::testing::Values("res/resource_probe.exe", "app/Kestrelmoor.exe"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return info.index == 0 ? std::string("ResourceProbe")
                                                  : std::string("Kestrelmoor");
                         });

}  // namespace
