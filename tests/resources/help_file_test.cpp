// The help file as the build leaves it beside the executables: a compiled help file whose
// directory holds every page, the contents and the index, with pages that agree with the program.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/help_commands.h"
#include "res/product.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::string& path) {
  const Bytes bytes = ReadFile(path);
  return std::string(bytes.begin(), bytes.end());
}

uint32_t Dword(const Bytes& b, std::size_t at) {
  return b[at] | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
         (uint32_t(b[at + 3]) << 24);
}

// A number of the directory: 7 bits a byte, most significant first, high bit set on all but the
// last byte.
bool ReadEncodedInt(const Bytes& b, std::size_t* at, std::size_t end, uint64_t* value) {
  *value = 0;
  while (*at < end) {
    const uint8_t byte = b[(*at)++];
    *value = (*value << 7) | (byte & 0x7F);
    if ((byte & 0x80) == 0) return true;
  }
  return false;
}

// The names in the file's directory: the ITSF header points at the ITSP directory header, which is
// followed by fixed-size chunks; the PMGL (listing) chunks hold the entries, each a name and its
// section, offset and length.
bool ChmDirectoryNames(const Bytes& chm, std::set<std::string>* names) {
  if (chm.size() < 0x58 || chm[0] != 'I' || chm[1] != 'T' || chm[2] != 'S' || chm[3] != 'F') {
    return false;
  }
  const uint64_t directory = Dword(chm, 0x48) | (uint64_t(Dword(chm, 0x4C)) << 32);
  if (directory + 0x54 > chm.size() ||
      std::string(chm.begin() + directory, chm.begin() + directory + 4) != "ITSP") {
    return false;
  }
  const uint32_t headerLength = Dword(chm, directory + 0x08);
  const uint32_t chunkSize = Dword(chm, directory + 0x10);
  const uint32_t chunkCount = Dword(chm, directory + 0x2C);
  for (uint32_t chunk = 0; chunk < chunkCount; ++chunk) {
    const std::size_t start = directory + headerLength + std::size_t{chunk} * chunkSize;
    if (start + chunkSize > chm.size()) return false;
    if (std::string(chm.begin() + start, chm.begin() + start + 4) != "PMGL") continue;
    const uint32_t freeSpace = Dword(chm, start + 4);
    const std::size_t end = start + chunkSize - freeSpace;
    std::size_t at = start + 0x14;
    while (at < end) {
      uint64_t nameLength = 0, section = 0, offset = 0, length = 0;
      if (!ReadEncodedInt(chm, &at, end, &nameLength) || at + nameLength > end) return false;
      names->insert(std::string(chm.begin() + at, chm.begin() + at + nameLength));
      at += nameLength;
      if (!ReadEncodedInt(chm, &at, end, &section) || !ReadEncodedInt(chm, &at, end, &offset) ||
          !ReadEncodedInt(chm, &at, end, &length)) {
        return false;
      }
    }
  }
  return true;
}

std::vector<std::string> SourcePages() {
  std::vector<std::string> pages;
  DIR* folder = opendir(KESTRELMOOR_HELP_SOURCE_DIR);
  if (folder == nullptr) return pages;
  while (dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0) pages.push_back(name);
  }
  closedir(folder);
  return pages;
}

std::string Page(const std::string& name) {
  return ReadText(std::string(KESTRELMOOR_HELP_SOURCE_DIR) + "/" + name);
}

void ExpectEveryPageInside(const std::string& chmPath) {
  std::set<std::string> names;
  ASSERT_TRUE(ChmDirectoryNames(ReadFile(chmPath), &names))
      << chmPath << " is not a readable help file";
  const std::vector<std::string> pages = SourcePages();
  ASSERT_GE(pages.size(), 10u);
  for (const std::string& page : pages) EXPECT_EQ(names.count("/" + page), 1u) << page;
  for (const char* part : {"/toc.hhc", "/index.hhk", "/style.css", "/#SYSTEM"}) {
    EXPECT_EQ(names.count(part), 1u) << part;
  }
}

TEST(HelpFile, LiesBesideTheExecutableAndHoldsEveryPage) {
  ExpectEveryPageInside(KESTRELMOOR_HELP_CHM);
}

TEST(WindowsHelpFile, LiesBesideTheWindowsExecutable) {
  ExpectEveryPageInside(std::string(KESTRELMOOR_WINDOWS_DIR) + "/app/" KESTRELMOOR_HELP_FILE);
}

// The pages a text links to: every href or value that names a page of this file ("name.html").
std::vector<std::string> LinkedPages(const std::string& text) {
  std::vector<std::string> linked;
  for (const std::string attribute : {"href=\"", "value=\""}) {
    for (size_t at = text.find(attribute); at != std::string::npos;
         at = text.find(attribute, at + 1)) {
      const size_t start = at + attribute.size();
      const size_t end = text.find('"', start);
      if (end == std::string::npos) break;
      const std::string target = text.substr(start, end - start);
      const size_t dot = target.size() > 5 ? target.size() - 5 : 0;
      const bool named = dot > 0 && target.compare(dot, 5, ".html") == 0 &&
                         target.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstu"
                                                  "vwxyz0123456789_") == dot;
      if (named) linked.push_back(target);
    }
  }
  return linked;
}

TEST(HelpFile, EveryLinkAndContentsEntryLeadsToAPageOfTheFile) {
  const std::vector<std::string> pages = SourcePages();
  const std::set<std::string> known(pages.begin(), pages.end());
  std::set<std::string> reached;
  std::vector<std::string> sources = pages;
  sources.push_back("toc.hhc");
  sources.push_back("index.hhk");
  for (const std::string& source : sources) {
    for (const std::string& page : LinkedPages(Page(source))) {
      EXPECT_EQ(known.count(page), 1u) << source << " links to " << page;
      if (source == "toc.hhc") reached.insert(page);
    }
  }
  EXPECT_EQ(reached, known) << "every page has its place in the contents";
  const std::string project = Page("KestrelmoorHelp.hhp");
  for (const std::string& page : pages)
    EXPECT_NE(project.find("\n" + page + "\n"), std::string::npos) << page;
}

TEST(HelpFile, PagesQuoteTheProgramsOwnTexts) {
  const std::string help = Page("help_menu.html");
  EXPECT_NE(help.find("<pre>" + AboutText() + "</pre>"), std::string::npos);
  EXPECT_NE(help.find(KESTRELMOOR_SITE), std::string::npos);
  EXPECT_NE(help.find(KESTRELMOOR_CONTACT_PAGE), std::string::npos);
  const std::string errorText = HelpErrorText(0);
  EXPECT_NE(help.find(errorText.substr(0, errorText.size() - 1)), std::string::npos);
  const std::string keys = Page("keyboard.html");
  EXPECT_NE(keys.find("<kbd>F5</kbd>"), std::string::npos);
  EXPECT_NE(keys.find("<kbd>F1</kbd>"), std::string::npos);
  const std::string exportPage = Page("export.html");
  for (const char* fact :
       {"UTF-8", "CR LF", "byte-order mark", "Error opening file.", "Export Item"}) {
    EXPECT_NE(exportPage.find(fact), std::string::npos) << fact;
  }
}

}  // namespace
