#include "text_oracles.h"

#include <cstdio>

namespace {

bool IsHigh(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool IsDigits(const std::string& text, size_t from, size_t count) {
  if (from + count > text.size()) return false;
  for (size_t i = from; i < from + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

unsigned Number(const std::string& text, size_t from, size_t count) {
  unsigned value = 0;
  for (size_t i = from; i < from + count; ++i) value = value * 10 + unsigned(text[i] - '0');
  return value;
}

}  // namespace

std::vector<uint32_t> CodePointsOfUtf16(const WideText& text) {
  std::vector<uint32_t> points;
  points.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t unit = static_cast<uint16_t>(text[i]);
    if (IsHigh(unit) && i + 1 < text.size() && IsLow(static_cast<uint16_t>(text[i + 1]))) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      points.push_back(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      ++i;
    } else if (IsHigh(unit) || IsLow(unit)) {
      points.push_back(0xFFFD);
    } else {
      points.push_back(unit);
    }
  }
  return points;
}

std::string Utf8OfCodePoints(const std::vector<uint32_t>& codePoints) {
  std::string bytes;
  bytes.reserve(codePoints.size());
  for (uint32_t point : codePoints) {
    if (point < 0x80) {
      bytes += char(point);
    } else if (point < 0x800) {
      bytes += char(0xC0 | (point >> 6));
      bytes += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
      bytes += char(0xE0 | (point >> 12));
      bytes += char(0x80 | ((point >> 6) & 0x3F));
      bytes += char(0x80 | (point & 0x3F));
    } else {
      bytes += char(0xF0 | (point >> 18));
      bytes += char(0x80 | ((point >> 12) & 0x3F));
      bytes += char(0x80 | ((point >> 6) & 0x3F));
      bytes += char(0x80 | (point & 0x3F));
    }
  }
  return bytes;
}

std::string ExpectedUtf8(const WideText& text) { return Utf8OfCodePoints(CodePointsOfUtf16(text)); }

std::string ExpectedReportText(const WideText& text) {
  std::string written;
  for (uint32_t point : CodePointsOfUtf16(text)) {
    const bool control = (point <= 0x1F && point != 0x09) || (point >= 0x7F && point <= 0x9F);
    const bool layout = point == 0x2028 || point == 0x2029 ||
                        (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
    if (control || layout) {
      char code[9];
      std::snprintf(code, sizeof code, "<U+%04X>", static_cast<unsigned>(point));
      written += code;
    } else {
      written += Utf8OfCodePoints({point});
    }
  }
  return written;
}

bool DecodeUtf8(const std::string& bytes, std::vector<uint32_t>& codePoints) {
  codePoints.clear();
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    size_t length = 0;
    uint32_t point = 0;
    uint32_t smallest = 0;
    if (lead < 0x80) {
      length = 1;
      point = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      point = lead & 0x1F;
      smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      point = lead & 0x0F;
      smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      point = lead & 0x07;
      smallest = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
    codePoints.push_back(point);
    i += length;
  }
  return true;
}

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;                                  // [0, 399]
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

unsigned DaysInMonth(int64_t year, unsigned month) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string TimeTextMismatch(uint64_t ticks, const WideText& wideText) {
  std::string text;
  for (WCHAR unit : wideText) {
    if (unit > 0x7F) return "a character outside ASCII";
    text += char(unit);
  }
  if (ticks == 0) return text == "N/A" ? "" : "zero time gave '" + text + "'";
  if ((ticks >> 63) != 0) return text == "Unknown" ? "" : "rejected time gave '" + text + "'";

  // "%04d" widens to five digits after the year 9999.
  const size_t yearDigits = text.size() == 20 ? 5 : 4;
  if (text.size() != 15 + yearDigits) return "'" + text + "' has the wrong length";
  const size_t p = yearDigits;
  if (!IsDigits(text, 0, yearDigits) || text[p] != '-' || !IsDigits(text, p + 1, 2) ||
      text[p + 3] != '-' || !IsDigits(text, p + 4, 2) || text[p + 6] != ' ' ||
      !IsDigits(text, p + 7, 2) || text[p + 9] != ':' || !IsDigits(text, p + 10, 2) ||
      text[p + 12] != ':' || !IsDigits(text, p + 13, 2)) {
    return "'" + text + "' is not YYYY-MM-DD hh:mm:ss";
  }
  if (yearDigits == 5 && text[0] == '0') return "'" + text + "' pads a five-digit year";
  const int64_t year = Number(text, 0, yearDigits);
  const unsigned month = Number(text, p + 1, 2);
  const unsigned day = Number(text, p + 4, 2);
  const unsigned hour = Number(text, p + 7, 2);
  const unsigned minute = Number(text, p + 10, 2);
  const unsigned second = Number(text, p + 13, 2);
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    return "'" + text + "' is not a valid date and time";
  }
  const int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1601, 1, 1);
  const int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  const uint64_t expected = ticks / 10000000u;
  if (seconds < 0 || static_cast<uint64_t>(seconds) != expected) {
    return "'" + text + "' is " + std::to_string(seconds) + " s after 1601, the time is " +
           std::to_string(expected) + " s";
  }
  return "";
}

std::string WithCrLf(const std::string& text) {
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

WideText Wide(const std::string& ascii) {
  WideText text;
  for (char c : ascii) text += static_cast<WCHAR>(static_cast<unsigned char>(c));
  return text;
}
