#include "bits/job_texts.h"

#include <cstdio>

WideText JobStateText(uint32_t code) {
  switch (code) {
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

WideText JobPriorityText(uint32_t code) {
  switch (code) {
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
WideText JobTypeText(uint32_t code) {
  return code == BG_JOB_TYPE_DOWNLOAD ? WIDE_TEXT("Download") : WIDE_TEXT("Upload");
}

WideText JobTimeText(const FILETIME& time) {
  if (time.dwLowDateTime == 0 && time.dwHighDateTime == 0) return WIDE_TEXT("N/A");
  SYSTEMTIME utc{};
  if (!FileTimeToSystemTime(&time, &utc)) return WIDE_TEXT("Unknown");
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", utc.wYear,
                                   utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
  if (length <= 0) return WIDE_TEXT("Unknown");
  // Digits and separators only, so each byte is its own UTF-16 unit.
  return WideText(text, text + length);
}
