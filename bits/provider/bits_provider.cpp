// The COM runtime functions the service serves in place of Windows', and what its objects share.
#include "bits/provider/bits_provider.h"

#include <algorithm>
#include <cstdlib>

#include "bits/provider/provider_internals.h"

namespace {

BitsProvider* installedProvider = nullptr;

constexpr HRESULT kNoAggregation = static_cast<HRESULT>(0x80040110u);  // CLASS_E_NOAGGREGATION

void WriteHex(uint32_t value, int digits, WCHAR*& out) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
    *out++ = static_cast<WCHAR>(kDigits[(value >> shift) & 0xF]);
  }
}

// Upper- or lower-case hexadecimal digits, as IIDFromString reads them.
template <class Number>
bool ReadHex(const WCHAR*& in, int digits, Number& value) {
  uint32_t read = 0;
  for (int i = 0; i < digits; ++i, ++in) {
    const WCHAR unit = *in;
    uint32_t digit = 0;
    if (unit >= u'0' && unit <= u'9') {
      digit = unit - u'0';
    } else if (unit >= u'A' && unit <= u'F') {
      digit = unit - u'A' + 10;
    } else if (unit >= u'a' && unit <= u'f') {
      digit = unit - u'a' + 10;
    } else {
      return false;
    }
    read = (read << 4) | digit;
  }
  value = static_cast<Number>(read);
  return true;
}

}  // namespace

BitsProvider::~BitsProvider() {
  if (installedProvider == this) installedProvider = nullptr;
}

void InstallBitsProvider(BitsProvider* provider) { installedProvider = provider; }

BitsProvider* InstalledBitsProvider() { return installedProvider; }

LPWSTR NewText(BitsProvider& provider, const WideText& text) {
  void* block = std::malloc((text.size() + 1) * sizeof(WCHAR));
  if (block == nullptr) return nullptr;
  LPWSTR copy = static_cast<LPWSTR>(block);
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  if (provider.observer != nullptr) provider.observer->handedOut(block);
  return copy;
}

ProviderJob* FindJob(BitsProvider& provider, JobHandle& handle) {
  std::vector<ProviderJob>& jobs = provider.jobs;
  if (handle.index >= jobs.size() || !(jobs[handle.index].id == handle.id)) {
    const auto found = std::find_if(jobs.begin(), jobs.end(),
                                    [&](const ProviderJob& job) { return job.id == handle.id; });
    if (found == jobs.end()) return nullptr;
    handle.index = static_cast<size_t>(found - jobs.begin());
  }
  return &jobs[handle.index];
}

// ---- The COM runtime. Without an installed provider there is no service: COM itself starts,
// but no BITS manager can be created and no string handed out.

HRESULT CoInitializeEx(void* reserved, DWORD coInit) {
  BitsProvider* provider = installedProvider;
  if (provider == nullptr) return reserved == nullptr ? S_OK : E_INVALIDARG;
  if (const std::optional<HRESULT> answer = Observe(*provider, Call::CoInitializeEx, nullptr))
    return *answer;
  if (reserved != nullptr) return E_INVALIDARG;
  if (provider->comInitDepth > 0 && coInit != provider->apartmentMode) return RPC_E_CHANGED_MODE;
  if (provider->comInitDepth == 0) provider->apartmentMode = coInit;
  return ++provider->comInitDepth == 1 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  BitsProvider* provider = installedProvider;
  if (provider == nullptr || Observe(*provider, Call::CoUninitialize, nullptr)) return;
  if (provider->comInitDepth > 0) --provider->comInitDepth;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid,
                         void** object) {
  if (object != nullptr) *object = nullptr;
  BitsProvider* provider = installedProvider;
  if (provider == nullptr) return REGDB_E_CLASSNOTREG;
  const std::optional<HRESULT> answer = Observe(*provider, Call::CoCreateInstance, nullptr);
  if (object == nullptr) return E_POINTER;
  if (answer) return *answer;
  if (provider->comInitDepth == 0) return CO_E_NOTINITIALIZED;
  // The service is registered as a local server only.
  if (clsid != CLSID_BackgroundCopyManager || (context & CLSCTX_LOCAL_SERVER) == 0)
    return REGDB_E_CLASSNOTREG;
  if (outer != nullptr) return kNoAggregation;
  if (iid == IID_IUnknown) {
    *object = NewServiceObject(provider);
  } else if (iid == IID_IBackgroundCopyManager) {
    *object = NewManager(provider);
  } else {
    return E_NOINTERFACE;
  }
  return S_OK;
}

HRESULT OleRun(IUnknown* object) {
  if (installedProvider != nullptr) {
    if (const std::optional<HRESULT> answer = Observe(*installedProvider, Call::OleRun, nullptr))
      return *answer;
  }
  return object != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text) {
  if (text != nullptr) *text = nullptr;
  BitsProvider* provider = installedProvider;
  if (provider == nullptr) return E_OUTOFMEMORY;  // no allocator to hand a string from
  const std::optional<HRESULT> answer = Observe(*provider, Call::StringFromCLSID, nullptr);
  if (text == nullptr) return E_INVALIDARG;
  if (answer) return *answer;

  WCHAR braced[38];
  WCHAR* out = braced;
  *out++ = u'{';
  WriteHex(clsid.Data1, 8, out);
  *out++ = u'-';
  WriteHex(clsid.Data2, 4, out);
  *out++ = u'-';
  WriteHex(clsid.Data3, 4, out);
  *out++ = u'-';
  WriteHex(clsid.Data4[0], 2, out);
  WriteHex(clsid.Data4[1], 2, out);
  *out++ = u'-';
  for (int i = 2; i < 8; ++i) WriteHex(clsid.Data4[i], 2, out);
  *out++ = u'}';
  *text = NewText(*provider, WideText(braced, 38));
  return *text != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Pure parsing, as Windows' needs no service; a test can still fail it through the observer.
HRESULT IIDFromString(LPCOLESTR text, IID* iid) {
  BitsProvider* provider = installedProvider;
  if (provider != nullptr) {
    if (const std::optional<HRESULT> answer = Observe(*provider, Call::IIDFromString, nullptr))
      return *answer;
  }
  if (iid == nullptr) return E_INVALIDARG;
  if (text == nullptr) {  // no text at all is the null GUID, as on Windows
    *iid = IID{};
    return S_OK;
  }
  if (std::char_traits<WCHAR>::length(text) != 38) return E_INVALIDARG;
  IID parsed{};
  const WCHAR* in = text;
  const bool braced = *in++ == u'{' && ReadHex(in, 8, parsed.Data1) && *in++ == u'-' &&
                      ReadHex(in, 4, parsed.Data2) && *in++ == u'-' &&
                      ReadHex(in, 4, parsed.Data3) && *in++ == u'-' &&
                      ReadHex(in, 2, parsed.Data4[0]) && ReadHex(in, 2, parsed.Data4[1]) &&
                      *in++ == u'-';
  bool read = braced;
  for (int i = 2; read && i < 8; ++i) read = ReadHex(in, 2, parsed.Data4[i]);
  if (!read || *in != u'}') return CO_E_IIDSTRING;
  *iid = parsed;
  return S_OK;
}

void CoTaskMemFree(void* block) {
  BitsProvider* provider = installedProvider;
  if (provider == nullptr || Observe(*provider, Call::CoTaskMemFree, block)) return;
  if (block != nullptr) Retire(*provider, block, [](void* text) { std::free(text); });
}
