#include "catalogue_fixture.h"

void CatalogueTest::ExpectAllGivenBack() const {
  EXPECT_EQ(probe.liveInterfaces(), 0);
  EXPECT_EQ(probe.liveStrings(), 0);
  EXPECT_EQ(probe.comInitDepth(), 0);
  EXPECT_TRUE(probe.misuse.empty()) << Joined(probe.misuse);
}

void CatalogueTest::Fail(const std::string& call, HRESULT result, unsigned nth) {
  probe.faults.push_back(ProviderFault{call, nth, result, false});
}

void CatalogueTest::HandBackNothing(const std::string& call, unsigned nth) {
  probe.faults.push_back(ProviderFault{call, nth, S_OK, true});
}

ProviderJob PlainJob(uint8_t number) {
  ProviderJob job;
  job.id = GUID{0x0A1B2C3Du, 0x4E5F, 0x6a7b, {0x8c, 0x9d, 0xae, 0xbf, 0xc0, 0xd1, 0xe2, number}};
  const std::string digits = std::to_string(number);
  job.displayName = WideText(WIDE_TEXT("Job ")) + WideText(digits.begin(), digits.end());
  job.owner = WideText(WIDE_TEXT("S-1-5-21-1-2-3-1001"));
  job.description = WideText(WIDE_TEXT("A plain job"));
  job.files.push_back(PlainFile(WIDE_TEXT("https://example.test/a.bin"),
                                WIDE_TEXT("C:\\Data\\a.bin"), 100, 40));
  job.progress = BG_JOB_PROGRESS{100, 40, 1, 0};
  return job;
}

ProviderFile PlainFile(const WideText& remote, const WideText& local, UINT64 total,
                       UINT64 transferred) {
  ProviderFile file;
  file.remoteName = remote;
  file.localName = local;
  file.progress = BG_FILE_PROGRESS{total, transferred, transferred == total};
  return file;
}

WideText PlainJobId(uint8_t number) {
  static const char kHex[] = "0123456789ABCDEF";
  WideText id = WIDE_TEXT("{0A1B2C3D-4E5F-6A7B-8C9D-AEBFC0D1E2");
  id += static_cast<WCHAR>(kHex[number >> 4]);
  id += static_cast<WCHAR>(kHex[number & 0xF]);
  id += WIDE_TEXT("}");
  return id;
}

HRESULT CallJobMethod(size_t position, HRESULT (*method)(IBackgroundCopyJob*)) {
  ComApartment apartment;
  ComPtr<IBackgroundCopyManager> manager;
  HRESULT result = CoCreateInstance(CLSID_BackgroundCopyManager, nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_IBackgroundCopyManager, manager.put_void());
  if (FAILED(result)) return result;
  ComPtr<IEnumBackgroundCopyJobs> jobs;
  result = manager->EnumJobs(BG_JOB_ENUM_ALL_USERS, jobs.put());
  if (FAILED(result)) return result;
  ComPtr<IBackgroundCopyJob> job;
  for (size_t i = 0; i <= position; ++i) {
    result = jobs->Next(1, job.put(), nullptr);
    if (result != S_OK) return E_INVALIDARG;
  }
  return method(job.get());
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += line + "\n";
  return joined;
}
