// The words and time texts shown for what BITS reports. The codes come from the service, so any
// value, including ones no SDK names, must map to a text.
#include "bits/job_texts.h"


WideText JobStateText(BG_JOB_STATE state) {
  switch (state) {
    case BG_JOB_STATE_QUEUED:
      return WIDE_TEXT("Queued");
    case BG_JOB_STATE_CONNECTING:
      return WIDE_TEXT("Connecting");
    case BG_JOB_STATE_TRANSFERRING:
      return WIDE_TEXT("Transferring");
    case BG_JOB_STATE_SUSPENDED:
      return WIDE_TEXT("Suspended");
    case BG_JOB_STATE_ERROR:
      return WIDE_TEXT("Error");
    case BG_JOB_STATE_TRANSIENT_ERROR:
      return WIDE_TEXT("Transient Error");
    case BG_JOB_STATE_TRANSFERRED:
      return WIDE_TEXT("Transferred");
    case BG_JOB_STATE_ACKNOWLEDGED:
      return WIDE_TEXT("Acknowledged");
    case BG_JOB_STATE_CANCELLED:
      return WIDE_TEXT("Cancelled");
    default:
      return WIDE_TEXT("Unknown");
  }
}

WideText JobPriorityText(BG_JOB_PRIORITY priority) {
  switch (priority) {
    case BG_JOB_PRIORITY_FOREGROUND:
      return WIDE_TEXT("Foreground");
    case BG_JOB_PRIORITY_HIGH:
      return WIDE_TEXT("High");
    case BG_JOB_PRIORITY_NORMAL:
      return WIDE_TEXT("Normal");
    case BG_JOB_PRIORITY_LOW:
      return WIDE_TEXT("Low");
    default:
      return WIDE_TEXT("Unknown");
  }
}

// Upload-reply jobs are uploads to the user, and unknown codes are not worth a word of their own.
WideText JobTypeText(BG_JOB_TYPE type) {
  return type == BG_JOB_TYPE_DOWNLOAD ? WIDE_TEXT("Download") : WIDE_TEXT("Upload");
}

namespace {

// Appends `value` in decimal with at least `width` digits, as "%0<width>d" does.
void AppendNumber(unsigned value, int width, WCHAR*& out) {
  WCHAR digits[10];
  int count = 0;
  do {
    digits[count++] = static_cast<WCHAR>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = count; pad < width; ++pad) *out++ = static_cast<WCHAR>('0');
  while (count > 0) *out++ = digits[--count];
}

}  // namespace

// "%04d-%02d-%02d %02d:%02d:%02d", written digit by digit: a snapshot formats three times per
// job, and the characters are the same for a 16-bit and a 32-bit wchar_t.
WideText JobTimeText(const FILETIME& time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return WIDE_TEXT("N/A");
  SYSTEMTIME utc{};
  if (!FileTimeToSystemTime(&time, &utc)) return WIDE_TEXT("Unknown");

  WCHAR text[64];
  WCHAR* out = text;
  AppendNumber(utc.wYear, 4, out);
  *out++ = static_cast<WCHAR>('-');
  AppendNumber(utc.wMonth, 2, out);
  *out++ = static_cast<WCHAR>('-');
  AppendNumber(utc.wDay, 2, out);
  *out++ = static_cast<WCHAR>(' ');
  AppendNumber(utc.wHour, 2, out);
  *out++ = static_cast<WCHAR>(':');
  AppendNumber(utc.wMinute, 2, out);
  *out++ = static_cast<WCHAR>(':');
  AppendNumber(utc.wSecond, 2, out);
  return WideText(text, static_cast<size_t>(out - text));
}
