// The export's open on Windows: a name that is a link or a file with another name besides is
// refused, and what it leads to keeps its content.
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "bits/utf8.h"
#include "bits_platform.h"
#include "report/crlf_text_file.h"

namespace {

WideText TempFolder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  return WideText(buffer, length) + L"kestrelmoor-export-file";
}

void WriteAll(const WideText& path, const std::string& bytes) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadAll(const WideText& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "(cannot be read)";
  std::string bytes(4096, '\0');
  DWORD read = 0;
  ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

}  // namespace

TEST(WindowsExportFile, LinkOrSecondHardLinkIsRefusedAndItsTargetKept) {
  const WideText folder = TempFolder();
  CreateDirectoryW(folder.c_str(), nullptr);
  const WideText victim = folder + L"\\victim.txt";
  const WideText name = folder + L"\\report.txt";
  struct Row {
    const char* what;
    bool (*make)(const WideText& name, const WideText& victim);
  };
  const Row rows[] = {
      {"second hard link",
       [](const WideText& name, const WideText& victim) {
         return CreateHardLinkW(name.c_str(), victim.c_str(), nullptr) != 0;
       }},
      {"symbolic link",
       [](const WideText& name, const WideText& victim) {
         return CreateSymbolicLinkW(name.c_str(), victim.c_str(),
                                    SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    WriteAll(victim, "the victim's own content\r\n");
    DeleteFileW(name.c_str());
    // Wine's CreateSymbolicLinkW answers success and makes nothing; Windows makes the link.
    if (!row.make(name, victim) || GetFileAttributesW(name.c_str()) == INVALID_FILE_ATTRIBUTES) {
      std::printf("Not checked here: this system made no %s.\n", row.what);
      continue;
    }
    EXPECT_EQ(WriteTextWithCrLf(ToUtf8(name), "report\n"), TextFileOutcome::kNotOpened);
    EXPECT_EQ(ReadAll(victim), "the victim's own content\r\n");
    DeleteFileW(name.c_str());
  }
  // A plain file of its own at that name is emptied and written.
  WriteAll(name, std::string(100, 'x'));
  EXPECT_EQ(WriteTextWithCrLf(ToUtf8(name), "report\n"), TextFileOutcome::kWritten);
  EXPECT_EQ(ReadAll(name), "report\r\n");
  DeleteFileW(name.c_str());
  DeleteFileW(victim.c_str());
  RemoveDirectoryW(folder.c_str());
}
