// The COM, BITS and kernel32 shapes that the job catalogue uses, declared for systems without the
// Windows SDK. Only what the program calls is here; names, values and layouts follow the SDK so the
// same portable code compiles against either. The runtime functions are served by the in-memory
// BITS provider (bits/provider) and by our own conversions (win32_conversions.cpp).
#pragma once

#include <cstdint>

typedef int32_t HRESULT;  // 32 bits, signed, as on Windows
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef int BOOL;
typedef unsigned int UINT;
typedef uint64_t UINT64;
typedef char16_t WCHAR;  // UTF-16 code unit, as Windows' wchar_t
typedef WCHAR* LPWSTR;
typedef WCHAR* LPOLESTR;
typedef const WCHAR* LPCOLESTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* LPCWCH;
typedef char* LPSTR;
typedef const char* LPCCH;
typedef BOOL* LPBOOL;

// A wide-text literal in the platform's wide character type.
#define WIDE_TEXT(s) u##s

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0u);
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);
constexpr HRESULT CO_E_SERVER_EXEC_FAILURE = static_cast<HRESULT>(0x80080005u);
constexpr HRESULT CO_E_IIDSTRING = static_cast<HRESULT>(0x800401F4u);
constexpr HRESULT BG_E_NOT_FOUND = static_cast<HRESULT>(0x80200001u);
constexpr HRESULT BG_E_INVALID_STATE = static_cast<HRESULT>(0x80200002u);
constexpr HRESULT BG_E_EMPTY = static_cast<HRESULT>(0x80200003u);
constexpr HRESULT BG_S_PARTIAL_COMPLETE = static_cast<HRESULT>(0x00200017u);
constexpr HRESULT BG_S_UNABLE_TO_DELETE_FILES = static_cast<HRESULT>(0x0020001Au);

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD BG_JOB_ENUM_ALL_USERS = 0x0001;
constexpr UINT CP_UTF8 = 65001;
constexpr UINT64 BG_SIZE_UNKNOWN = static_cast<UINT64>(-1);

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool operator==(const GUID& a, const GUID& b) {
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr CLSID CLSID_BackgroundCopyManager = {0x4991d34b, 0x80a1, 0x4291, {0x83, 0xb6, 0x33, 0x28, 0x36, 0x6b, 0x90, 0x97}};
constexpr IID IID_IBackgroundCopyManager = {0x5ce34c0d, 0x0dc9, 0x4c1f, {0x89, 0x7c, 0xda, 0xa1, 0xb7, 0x8c, 0xee, 0x7c}};
constexpr IID IID_IBackgroundCopyJob = {0x37668d37, 0x507e, 0x4160, {0x93, 0x16, 0x26, 0x30, 0x6d, 0x15, 0x0b, 0x12}};
constexpr IID IID_IBackgroundCopyJob2 = {0x54b50739, 0x686f, 0x45eb, {0x9d, 0xff, 0xd6, 0xa9, 0xa0, 0xfa, 0xa9, 0xaf}};

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

// A fixed underlying type, unlike the SDK's, so that the in-memory service can send any 32-bit code
// as a real service may; the program itself never holds a code in these types.
enum BG_JOB_STATE : int {
  BG_JOB_STATE_QUEUED = 0,
  BG_JOB_STATE_CONNECTING = 1,
  BG_JOB_STATE_TRANSFERRING = 2,
  BG_JOB_STATE_SUSPENDED = 3,
  BG_JOB_STATE_ERROR = 4,
  BG_JOB_STATE_TRANSIENT_ERROR = 5,
  BG_JOB_STATE_TRANSFERRED = 6,
  BG_JOB_STATE_ACKNOWLEDGED = 7,
  BG_JOB_STATE_CANCELLED = 8
};

enum BG_JOB_TYPE : int { BG_JOB_TYPE_DOWNLOAD = 0, BG_JOB_TYPE_UPLOAD = 1, BG_JOB_TYPE_UPLOAD_REPLY = 2 };

enum BG_JOB_PRIORITY : int {
  BG_JOB_PRIORITY_FOREGROUND = 0,
  BG_JOB_PRIORITY_HIGH = 1,
  BG_JOB_PRIORITY_NORMAL = 2,
  BG_JOB_PRIORITY_LOW = 3
};

struct BG_JOB_PROGRESS {
  UINT64 BytesTotal;
  UINT64 BytesTransferred;
  ULONG FilesTotal;
  ULONG FilesTransferred;
};

struct BG_JOB_TIMES {
  FILETIME CreationTime;
  FILETIME ModificationTime;
  FILETIME TransferCompletionTime;
};

struct BG_FILE_PROGRESS {
  UINT64 BytesTotal;
  UINT64 BytesTransferred;
  BOOL Completed;
};

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IBackgroundCopyFile : IUnknown {
  virtual HRESULT GetRemoteName(LPWSTR* name) = 0;
  virtual HRESULT GetLocalName(LPWSTR* name) = 0;
  virtual HRESULT GetProgress(BG_FILE_PROGRESS* progress) = 0;

 protected:
  ~IBackgroundCopyFile() = default;
};

struct IEnumBackgroundCopyFiles : IUnknown {
  virtual HRESULT Next(ULONG count, IBackgroundCopyFile** files, ULONG* fetched) = 0;

 protected:
  ~IEnumBackgroundCopyFiles() = default;
};

struct IBackgroundCopyJob : IUnknown {
  virtual HRESULT EnumFiles(IEnumBackgroundCopyFiles** files) = 0;
  virtual HRESULT Suspend() = 0;
  virtual HRESULT Resume() = 0;
  virtual HRESULT Cancel() = 0;
  virtual HRESULT Complete() = 0;
  virtual HRESULT GetId(GUID* id) = 0;
  virtual HRESULT GetType(BG_JOB_TYPE* type) = 0;
  virtual HRESULT GetProgress(BG_JOB_PROGRESS* progress) = 0;
  virtual HRESULT GetTimes(BG_JOB_TIMES* times) = 0;
  virtual HRESULT GetState(BG_JOB_STATE* state) = 0;
  virtual HRESULT GetOwner(LPWSTR* owner) = 0;
  virtual HRESULT GetDisplayName(LPWSTR* name) = 0;
  virtual HRESULT GetDescription(LPWSTR* description) = 0;
  virtual HRESULT GetPriority(BG_JOB_PRIORITY* priority) = 0;
  virtual HRESULT GetNotifyFlags(ULONG* flags) = 0;
  virtual HRESULT GetNotifyInterface(IUnknown** notify) = 0;
  virtual HRESULT GetMinimumRetryDelay(ULONG* seconds) = 0;
  virtual HRESULT GetNoProgressTimeout(ULONG* seconds) = 0;
  virtual HRESULT GetErrorCount(ULONG* errors) = 0;

 protected:
  ~IBackgroundCopyJob() = default;
};

struct IBackgroundCopyJob2 : IBackgroundCopyJob {
  virtual HRESULT GetNotifyCmdLine(LPWSTR* program, LPWSTR* parameters) = 0;

 protected:
  ~IBackgroundCopyJob2() = default;
};

struct IEnumBackgroundCopyJobs : IUnknown {
  virtual HRESULT Next(ULONG count, IBackgroundCopyJob** jobs, ULONG* fetched) = 0;

 protected:
  ~IEnumBackgroundCopyJobs() = default;
};

// CreateJob, the SDK's first method, is not used and not declared.
struct IBackgroundCopyManager : IUnknown {
  virtual HRESULT GetJob(REFGUID id, IBackgroundCopyJob** job) = 0;
  virtual HRESULT EnumJobs(DWORD flags, IEnumBackgroundCopyJobs** jobs) = 0;

 protected:
  ~IBackgroundCopyManager() = default;
};

// COM runtime, served by the installed in-memory provider.
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
HRESULT OleRun(IUnknown* object);
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);
void CoTaskMemFree(void* block);

// kernel32 conversions, implemented by the project (win32_conversions.cpp).
BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR multiByte,
                        int multiByteSize, LPCCH defaultChar, LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByte, int multiByteLength,
                        LPWSTR wide, int wideSize);
