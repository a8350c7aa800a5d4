// The export's open on Windows: a second hard link at the chosen name is refused and its file kept,
// a plain file is emptied and written. (Wine 8 makes no symbolic links: its CreateSymbolicLinkW
// answers success and makes nothing, so the refusal of a link is left to Windows itself.)
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "report/crlf_text_file.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(WindowsExportFile, SecondHardLinkIsRefusedAndPlainFileReplaced) {
  const fs::path folder = fs::temp_directory_path() / "kestrelmoor-export-file";
  fs::remove_all(folder);
  fs::create_directories(folder);
  std::ofstream(folder / "victim.txt", std::ios::binary) << "the victim's own content\r\n";
  fs::create_hard_link(folder / "victim.txt", folder / "link.txt");
  EXPECT_EQ(WriteTextWithCrLf((folder / "link.txt").u8string(), "report\n"),
            TextFileOutcome::kNotOpened);
  EXPECT_EQ(Bytes(folder / "victim.txt"), "the victim's own content\r\n");

  std::ofstream(folder / "plain.txt", std::ios::binary) << std::string(100, 'x');
  EXPECT_EQ(WriteTextWithCrLf((folder / "plain.txt").u8string(), "report\n"),
            TextFileOutcome::kWritten);
  EXPECT_EQ(Bytes(folder / "plain.txt"), "report\r\n");
  fs::remove_all(folder);
}
