// kernel32's time and text conversions for systems without Windows, answering as Windows does for
// the arguments the job catalogue passes, including the failures the callers must survive.
#include <climits>
#include <cstddef>
#include <cstdint>

#include "bits_platform.h"

namespace {

constexpr uint64_t kTicksPerMillisecond = 10000;
constexpr uint64_t kTicksPerSecond = 10000000;
constexpr uint64_t kSecondsPerDay = 86400;
// From 1 January 1601, where FILETIME starts, to 1 January 1970, where the civil-date formula
// below counts from.
constexpr int64_t kDaysFrom1601To1970 = 134774;

struct CivilDate {
  int64_t year;
  unsigned month;
  unsigned day;
};

// Proleptic Gregorian date of a day counted from 1 January 1970 (Howard Hinnant's days_from_civil,
// inverted); exact over the whole FILETIME range.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;  // March is 0
  const unsigned day = static_cast<unsigned>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const unsigned month = static_cast<unsigned>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int Utf8Length(uint32_t codePoint) {
  if (codePoint < 0x80) return 1;
  if (codePoint < 0x800) return 2;
  if (codePoint < 0x10000) return 3;
  return 4;
}

void WriteUtf8(uint32_t codePoint, char* out) {
  switch (Utf8Length(codePoint)) {
    case 1:
      out[0] = static_cast<char>(codePoint);
      break;
    case 2:
      out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
      out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
      break;
    case 3:
      out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
      out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
      break;
    default:
      out[0] = static_cast<char>(0xF0 | (codePoint >> 18));
      out[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      out[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      out[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
      break;
  }
}

bool IsHighSurrogate(WCHAR unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(WCHAR unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point of the UTF-8 sequence at `in` and the bytes it takes. What is not UTF-8 (a byte
// that starts no sequence, an overlong form, a surrogate, a sequence cut short) is U+FFFD, one for
// each longest start of a sequence that is there, as Unicode recommends.
uint32_t ReadUtf8(const unsigned char* in, std::size_t available, std::size_t& used) {
  const unsigned lead = in[0];
  used = 1;
  if (lead < 0x80) return lead;
  std::size_t trail = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    trail = 1;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    trail = 2;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    trail = 3;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0xFFFD;
  }
  uint32_t codePoint = lead & (0x3Fu >> trail);
  for (std::size_t k = 1; k <= trail; ++k) {
    if (k == available || in[k] < low || in[k] > high) return 0xFFFD;
    codePoint = (codePoint << 6) | (in[k] & 0x3Fu);
    used = k + 1;
    low = 0x80;
    high = 0xBF;
  }
  return codePoint;
}

}  // namespace

BOOL FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
  if (fileTime == nullptr || systemTime == nullptr) return 0;
  const uint64_t ticks =
      (static_cast<uint64_t>(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
  // Windows takes a FILETIME as a signed count: one with the top bit set is rejected.
  if ((ticks >> 63) != 0) return 0;

  const uint64_t seconds = ticks / kTicksPerSecond;
  const uint64_t days = seconds / kSecondsPerDay;
  const uint64_t secondOfDay = seconds % kSecondsPerDay;
  const CivilDate date = CivilFromDays(static_cast<int64_t>(days) - kDaysFrom1601To1970);

  systemTime->wYear = static_cast<WORD>(date.year);  // at most 30828
  systemTime->wMonth = static_cast<WORD>(date.month);
  systemTime->wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1 January 1601 was a Monday
  systemTime->wDay = static_cast<WORD>(date.day);
  systemTime->wHour = static_cast<WORD>(secondOfDay / 3600);
  systemTime->wMinute = static_cast<WORD>(secondOfDay / 60 % 60);
  systemTime->wSecond = static_cast<WORD>(secondOfDay % 60);
  systemTime->wMilliseconds = static_cast<WORD>(ticks / kTicksPerMillisecond % 1000);
  return 1;
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWCH wide, int wideLength, LPSTR multiByte,
                        int multiByteSize, LPCCH defaultChar, LPBOOL usedDefaultChar) {
  // UTF-8 takes neither flags nor a default character on Windows; other code pages are not
  // served here. Windows refuses an empty input and a buffer that overlaps the input.
  if (codePage != CP_UTF8 || flags != 0 || defaultChar != nullptr || usedDefaultChar != nullptr)
    return 0;
  if (wide == nullptr || wideLength == 0 || wideLength < -1 || multiByteSize < 0) return 0;
  if (multiByteSize > 0 && multiByte == nullptr) return 0;

  std::size_t length = 0;
  if (wideLength == -1) {
    while (wide[length] != 0) ++length;
    ++length;  // the terminating null is converted and counted too
  } else {
    length = static_cast<std::size_t>(wideLength);
  }
  if (multiByteSize > 0) {
    const char* outBegin = multiByte;
    const char* outEnd = multiByte + multiByteSize;
    const char* inBegin = reinterpret_cast<const char*>(wide);
    const char* inEnd = reinterpret_cast<const char*>(wide + length);
    if (outBegin < inEnd && inBegin < outEnd) return 0;
  }

  const bool measureOnly = multiByteSize == 0;
  int64_t produced = 0;
  for (std::size_t i = 0; i < length; ++i) {
    uint32_t codePoint = wide[i];
    if (IsHighSurrogate(wide[i]) && i + 1 < length && IsLowSurrogate(wide[i + 1])) {
      codePoint = 0x10000 + ((static_cast<uint32_t>(wide[i]) - 0xD800) << 10) +
                  (static_cast<uint32_t>(wide[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(wide[i]) || IsLowSurrogate(wide[i])) {
      codePoint = 0xFFFD;  // an unpaired surrogate
    }
    const int bytes = Utf8Length(codePoint);
    if (produced + bytes > INT_MAX) return 0;
    if (!measureOnly) {
      if (produced + bytes > multiByteSize) return 0;  // ERROR_INSUFFICIENT_BUFFER
      WriteUtf8(codePoint, multiByte + produced);
    }
    produced += bytes;
  }
  return static_cast<int>(produced);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCCH multiByte, int multiByteLength,
                        LPWSTR wide, int wideSize) {
  // Only UTF-8 without flags, with the length given, is served: what is not UTF-8 is then
  // replaced, never refused.
  if (codePage != CP_UTF8 || flags != 0) return 0;
  if (multiByte == nullptr || multiByteLength <= 0 || wideSize < 0) return 0;
  if (wideSize > 0 && wide == nullptr) return 0;

  const std::size_t length = static_cast<std::size_t>(multiByteLength);
  const unsigned char* in = reinterpret_cast<const unsigned char*>(multiByte);
  int64_t produced = 0;
  for (std::size_t i = 0; i < length;) {
    std::size_t used = 0;
    const uint32_t codePoint = ReadUtf8(in + i, length - i, used);
    i += used;
    const int units = codePoint < 0x10000 ? 1 : 2;
    if (produced + units > INT_MAX) return 0;
    if (wideSize > 0) {
      if (produced + units > wideSize) return 0;  // ERROR_INSUFFICIENT_BUFFER
      if (units == 1) {
        wide[produced] = static_cast<WCHAR>(codePoint);
      } else {
        wide[produced] = static_cast<WCHAR>(0xD800 + ((codePoint - 0x10000) >> 10));
        wide[produced + 1] = static_cast<WCHAR>(0xDC00 + (codePoint & 0x3FF));
      }
    }
    produced += units;
  }
  return static_cast<int>(produced);
}
