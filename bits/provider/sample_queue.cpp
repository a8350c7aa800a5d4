// The queue the program shows when it runs without Windows: a handful of plausible jobs of several
// users, chosen so that every state, type and priority appears, texts BITS may leave out are left
// out somewhere, and every job command has a job on which it succeeds and one on which BITS
// refuses it. GUIDs and times are fixed, so every run lists the same queue.
#include <cstdint>
#include <utility>

#include "bits/provider/bits_provider.h"

namespace {

const WCHAR kAliceSid[] = WIDE_TEXT("S-1-5-21-3623811015-3361044348-30300820-1001");
const WCHAR kBobSid[] = WIDE_TEXT("S-1-5-21-3623811015-3361044348-30300820-1002");
const WCHAR kCarolSid[] = WIDE_TEXT("S-1-5-21-3623811015-3361044348-30300820-1003");
const WCHAR kLocalSystemSid[] = WIDE_TEXT("S-1-5-18");
const WCHAR kNetworkServiceSid[] = WIDE_TEXT("S-1-5-20");

GUID SampleGuid(uint8_t number) {
  return GUID{0x5A3C9E10u + number, 0x42B7, 0x4D1E,
              {0x9C, 0x3F, 0x18, 0x6E, 0xA2, 0x57, 0xD0, number}};
}

FILETIME UtcTime(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                 unsigned second) {
  // Days from 1 January 1970 (Howard Hinnant's days_from_civil), then moved to 1601.
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(y - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t daysSince1970 = static_cast<int64_t>(era) * 146097 + dayOfEra - 719468;
  const uint64_t seconds = static_cast<uint64_t>(daysSince1970 + 134774) * 86400 +
                           hour * 3600u + minute * 60u + second;
  const uint64_t ticks = seconds * 10000000u;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

ProviderFile File(const WCHAR* remote, const WCHAR* local, UINT64 total, UINT64 transferred) {
  ProviderFile file;
  file.remoteName = WideText(remote);
  file.localName = WideText(local);
  file.progress.BytesTotal = total;
  file.progress.BytesTransferred = transferred;
  file.progress.Completed = total != BG_SIZE_UNKNOWN && transferred == total;
  return file;
}

// The job's totals as BITS sums them from its files: the size stays unknown while any file's is.
void SumProgress(ProviderJob& job) {
  BG_JOB_PROGRESS progress{};
  for (const ProviderFile& file : job.files) {
    if (file.progress.BytesTotal == BG_SIZE_UNKNOWN || progress.BytesTotal == BG_SIZE_UNKNOWN) {
      progress.BytesTotal = BG_SIZE_UNKNOWN;
    } else {
      progress.BytesTotal += file.progress.BytesTotal;
    }
    progress.BytesTransferred += file.progress.BytesTransferred;
    ++progress.FilesTotal;
    if (file.progress.Completed) ++progress.FilesTransferred;
  }
  job.progress = progress;
}

ProviderJob NightlySync() {
  ProviderJob job;
  job.id = SampleGuid(1);
  job.displayName = WideText(WIDE_TEXT("Nightly sync"));
  job.owner = WideText(kAliceSid);
  job.description = WideText(WIDE_TEXT("Mirrors the team share to this laptop every night."));
  job.state = BG_JOB_STATE_TRANSFERRING;
  job.priority = BG_JOB_PRIORITY_NORMAL;
  job.notifyProgram = WideText(WIDE_TEXT("C:\\Program Files\\Nightly Sync\\syncnotify.exe"));
  job.notifyArguments = WideText(
      WIDE_TEXT("\"C:\\Program Files\\Nightly Sync\\syncnotify.exe\" --job nightly --quiet"));
  job.files = {
      File(WIDE_TEXT("https://files.fernhollow.example/team/plans/roadmap-2024.xlsx"),
           WIDE_TEXT("C:\\Users\\alice\\Sync\\plans\\roadmap-2024.xlsx"), 482304, 482304),
      File(WIDE_TEXT("https://files.fernhollow.example/team/plans/budget.docx"),
           WIDE_TEXT("C:\\Users\\alice\\Sync\\plans\\budget.docx"), 1310720, 655360),
      File(WIDE_TEXT("https://files.fernhollow.example/team/media/kickoff.mp4"),
           WIDE_TEXT("C:\\Users\\alice\\Sync\\media\\kickoff.mp4"), 734003200, 0),
  };
  job.times = {UtcTime(2024, 3, 4, 23, 0, 0), UtcTime(2024, 3, 5, 7, 8, 9), FILETIME{0, 0}};
  return job;
}

ProviderJob MapUpdate() {
  ProviderJob job;
  job.id = SampleGuid(2);
  job.displayName = WideText(WIDE_TEXT("Mise \u00e0 jour des cartes \u00e9t\u00e9 2024"));
  job.owner = WideText(kBobSid);
  job.description = WideText();  // BITS hands back an empty text
  job.state = BG_JOB_STATE_SUSPENDED;
  job.priority = BG_JOB_PRIORITY_LOW;
  job.files = {
      File(WIDE_TEXT("https://maps.fernhollow.example/tiles/europe-west.pack"),
           WIDE_TEXT("C:\\ProgramData\\Cartes\\europe-west.pack"), 268435456, 12582912),
  };
  job.times = {UtcTime(2024, 2, 28, 9, 30, 0), UtcTime(2024, 3, 1, 17, 45, 12), FILETIME{0, 0}};
  return job;
}

ProviderJob FontPack() {
  ProviderJob job;
  job.id = SampleGuid(3);
  job.displayName = WideText(WIDE_TEXT("\u4e2d\u6587\u5b57\u4f53\u5305"));
  job.owner = WideText(kAliceSid);
  // No description at all, and a service without IBackgroundCopyJob2.
  job.offersJob2 = false;
  job.state = BG_JOB_STATE_QUEUED;
  job.priority = BG_JOB_PRIORITY_FOREGROUND;
  job.files = {
      File(WIDE_TEXT("https://fonts.fernhollow.example/cjk/NotoSerifSC-Regular.otf"),
           WIDE_TEXT("C:\\Users\\alice\\AppData\\Local\\Fonts\\NotoSerifSC-Regular.otf"),
           BG_SIZE_UNKNOWN, 0),
  };
  job.times = {UtcTime(2024, 3, 5, 6, 59, 1), UtcTime(2024, 3, 5, 6, 59, 1), FILETIME{0, 0}};
  return job;
}

ProviderJob PhotoBackup() {
  ProviderJob job;
  job.id = SampleGuid(4);
  job.displayName = WideText(WIDE_TEXT("Photo backup upload"));
  job.owner = WideText(kCarolSid);
  job.description = WideText(
      WIDE_TEXT("Uploads this week's photos to the family archive.\n"
                "Runs only on unmetered networks.\n"
                "Questions: archive@fernhollow.example"));
  // Not sent yet, so BITS refuses to complete it: an upload is completed only once Transferred.
  job.state = BG_JOB_STATE_CONNECTING;
  job.type = BG_JOB_TYPE_UPLOAD;
  job.priority = BG_JOB_PRIORITY_HIGH;
  job.hasNotifyInterface = true;
  job.notifyProgram = std::nullopt;  // only a notify interface, no program
  job.notifyArguments = std::nullopt;
  job.notifyFlags = 0x000B;
  job.files = {
      File(WIDE_TEXT("https://archive.fernhollow.example/upload/2024-w10.zip"),
           WIDE_TEXT("D:\\Photos\\Export\\2024-w10.zip"), 96468992, 0),
  };
  job.times = {UtcTime(2024, 3, 3, 20, 15, 0), UtcTime(2024, 3, 5, 8, 0, 42), FILETIME{0, 0}};
  return job;
}

ProviderJob CrashReport() {
  ProviderJob job;
  job.id = SampleGuid(5);
  job.displayName = WideText(WIDE_TEXT("Crash report for Quillpad 4.2"));
  job.owner = WideText(kLocalSystemSid);
  job.description = WideText(WIDE_TEXT("Sends a crash dump and receives the analysis."));
  job.state = BG_JOB_STATE_ERROR;
  job.type = BG_JOB_TYPE_UPLOAD_REPLY;
  job.priority = BG_JOB_PRIORITY_NORMAL;
  job.errorCount = 5;
  job.hasNotifyInterface = true;
  job.notifyCmdLineFails = true;  // as a service that does not keep command lines answers
  job.files = {
      File(WIDE_TEXT("https://crash.quillpad.example/submit"),
           WIDE_TEXT("C:\\ProgramData\\Quillpad\\Dumps\\quillpad-20240304-2231.dmp"), 2097152,
           1048576),
  };
  job.times = {UtcTime(2024, 3, 4, 22, 31, 5), UtcTime(2024, 3, 4, 22, 47, 40), FILETIME{0, 0}};
  return job;
}

ProviderJob DriverCatalogue() {
  ProviderJob job;
  job.id = SampleGuid(6);
  job.displayName = WideText(WIDE_TEXT("Driver catalogue refresh"));
  job.owner = WideText(kNetworkServiceSid);
  job.description = WideText(WIDE_TEXT("Printer and scanner drivers for the second floor."));
  job.state = BG_JOB_STATE_TRANSIENT_ERROR;
  job.priority = BG_JOB_PRIORITY_HIGH;
  job.errorCount = 2;
  job.minimumRetryDelay = 300;
  job.noProgressTimeout = 86400;
  job.notifyProgram = WideText(WIDE_TEXT("C:\\Windows\\System32\\cmd.exe"));
  job.notifyArguments =
      WideText(WIDE_TEXT("cmd.exe /c \"C:\\Tools\\drivers\\install-all.cmd\""));
  const WCHAR* const names[][2] = {
      {WIDE_TEXT("http://drivers.fernhollow.example/print/laser-p2035.cab"),
       WIDE_TEXT("C:\\Drivers\\Incoming\\laser-p2035.cab")},
      {WIDE_TEXT("http://drivers.fernhollow.example/print/inkjet-c410.cab"),
       WIDE_TEXT("C:\\Drivers\\Incoming\\inkjet-c410.cab")},
      {WIDE_TEXT("http://drivers.fernhollow.example/scan/flatbed-s300.cab"),
       WIDE_TEXT("C:\\Drivers\\Incoming\\flatbed-s300.cab")},
      {WIDE_TEXT("http://drivers.fernhollow.example/scan/sheetfeed-s510.cab"),
       WIDE_TEXT("C:\\Drivers\\Incoming\\sheetfeed-s510.cab")},
      {WIDE_TEXT("http://drivers.fernhollow.example/print/plotter-t120.cab"),
       WIDE_TEXT("C:\\Drivers\\Incoming\\plotter-t120.cab")},
      {WIDE_TEXT("http://drivers.fernhollow.example/catalogue.xml"),
       WIDE_TEXT("C:\\Drivers\\Incoming\\catalogue.xml")},
  };
  const UINT64 sizes[] = {5242880, 7340032, 3145728, 4194304, 9437184, 65536};
  for (size_t i = 0; i < 6; ++i) {
    job.files.push_back(File(names[i][0], names[i][1], sizes[i], i < 3 ? sizes[i] : 0));
  }
  job.times = {UtcTime(2024, 3, 1, 12, 0, 0), UtcTime(2024, 3, 5, 6, 30, 0), FILETIME{0, 0}};
  return job;
}

ProviderJob VirusDefinitions() {
  ProviderJob job;
  job.id = SampleGuid(7);
  job.displayName = WideText(WIDE_TEXT("Virus definitions 1.407.220"));
  job.owner = WideText(kLocalSystemSid);
  job.description = WideText(WIDE_TEXT("Signature update, waiting to be installed."));
  job.state = BG_JOB_STATE_TRANSFERRED;
  job.priority = BG_JOB_PRIORITY_FOREGROUND;
  job.notifyProgram = WideText(WIDE_TEXT("C:\\Program Files\\Sentinel\\apply-update.exe"));
  job.notifyArguments = std::nullopt;  // a program without parameters
  job.files = {
      File(WIDE_TEXT("https://updates.sentinel.example/defs/1.407.220/full.vdm"),
           WIDE_TEXT("C:\\ProgramData\\Sentinel\\Updates\\full.vdm"), 125829120, 125829120),
      File(WIDE_TEXT("https://updates.sentinel.example/defs/1.407.220/engine.dll"),
           WIDE_TEXT("C:\\ProgramData\\Sentinel\\Updates\\engine.dll"), 18874368, 18874368),
  };
  job.times = {UtcTime(2024, 3, 5, 4, 0, 0), UtcTime(2024, 3, 5, 4, 12, 33),
               UtcTime(2024, 3, 5, 4, 12, 33)};
  return job;
}

ProviderJob OldInstaller() {
  ProviderJob job;
  job.id = SampleGuid(8);
  job.displayName = WideText(WIDE_TEXT("Quillpad 4.1 installer"));
  job.owner = WideText(kBobSid);
  job.description = WideText(WIDE_TEXT("Setup package, already handed to the installer."));
  job.state = BG_JOB_STATE_ACKNOWLEDGED;
  job.priority = BG_JOB_PRIORITY_NORMAL;
  job.files = {
      File(WIDE_TEXT("https://downloads.quillpad.example/4.1/QuillpadSetup.msi"),
           WIDE_TEXT("C:\\Users\\bob\\Downloads\\QuillpadSetup.msi"), 41943040, 41943040),
  };
  job.times = {UtcTime(2024, 2, 20, 10, 0, 0), UtcTime(2024, 2, 20, 10, 3, 7),
               UtcTime(2024, 2, 20, 10, 3, 5)};
  return job;
}

ProviderJob AbandonedUpload() {
  ProviderJob job;
  job.id = SampleGuid(9);
  job.displayName = WideText(WIDE_TEXT("Log upload (abandoned)"));
  // The owner's account is gone: BITS hands back no owner.
  job.description = WideText(WIDE_TEXT("Diagnostic logs for ticket 4471."));
  job.state = BG_JOB_STATE_CANCELLED;
  job.type = BG_JOB_TYPE_UPLOAD;
  job.priority = BG_JOB_PRIORITY_LOW;
  job.offersJob2 = false;
  job.files = {
      File(WIDE_TEXT("https://support.fernhollow.example/tickets/4471/logs"),
           WIDE_TEXT("C:\\Users\\Public\\Logs\\diag-4471.zip"), 3145728, 1048576),
  };
  job.times = {UtcTime(2024, 1, 15, 14, 22, 0), UtcTime(2024, 1, 15, 14, 40, 0), FILETIME{0, 0}};
  return job;
}

ProviderJob WeeklyReport() {
  ProviderJob job;
  job.id = SampleGuid(10);
  job.displayName = WideText(WIDE_TEXT("Weekly report (no files yet)"));
  job.owner = WideText(kCarolSid);
  job.description =
      WideText(WIDE_TEXT("Created by the reporting add-in; files are added on Friday."));
  job.state = BG_JOB_STATE_SUSPENDED;  // a new job waits suspended until it has files
  job.priority = BG_JOB_PRIORITY_NORMAL;
  job.times = {UtcTime(2024, 3, 4, 8, 0, 0), UtcTime(2024, 3, 4, 8, 0, 0), FILETIME{0, 0}};
  return job;
}

ProviderJob UnnamedJob() {
  ProviderJob job;
  job.id = SampleGuid(11);
  // No display name at all.
  job.owner = WideText(kBobSid);
  job.description = WideText(WIDE_TEXT("Help pages for offline reading."));
  job.state = BG_JOB_STATE_QUEUED;
  job.priority = BG_JOB_PRIORITY_HIGH;
  job.files = {
      File(WIDE_TEXT("https://docs.fernhollow.example/offline/index.html"),
           WIDE_TEXT("C:\\Users\\bob\\Documents\\Offline\\index.html"), 20480, 20480),
      File(WIDE_TEXT("https://docs.fernhollow.example/offline/manual.pdf"),
           WIDE_TEXT("C:\\Users\\bob\\Documents\\Offline\\manual.pdf"), 5767168, 0),
  };
  job.times = {UtcTime(2024, 3, 5, 7, 1, 0), UtcTime(2024, 3, 5, 7, 1, 0), FILETIME{0, 0}};
  return job;
}

}  // namespace

void FillSampleQueue(BitsProvider& provider) {
  provider.jobs.clear();
  for (ProviderJob (*make)() : {NightlySync, MapUpdate, FontPack, PhotoBackup, CrashReport,
                                DriverCatalogue, VirusDefinitions, OldInstaller, AbandonedUpload,
                                WeeklyReport, UnnamedJob}) {
    ProviderJob job = make();
    SumProgress(job);
    provider.jobs.push_back(std::move(job));
  }
}
