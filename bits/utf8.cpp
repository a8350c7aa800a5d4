// Both directions go through the platform's converters, so that broken text is replaced as the
// platform itself replaces it on Windows. The lengths go in explicitly: an embedded null is
// converted like any other unit, and no terminator is counted.
#include "bits/utf8.h"

#include <climits>

std::string ToUtf8(const WideText& text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int size = static_cast<int>(text.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string result(static_cast<size_t>(length), '\0');
  const int written =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &result[0], length, nullptr, nullptr);
  result.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return result;
}

// One call into room enough for any text: a UTF-16 unit takes at most three bytes of UTF-8, and a
// pair of them four.
void AppendUtf8(const WideText& text, std::string& out) {
  constexpr size_t kMostBytesPerUnit = 3;
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX) / kMostBytesPerUnit) return;
  const int size = static_cast<int>(text.size());
  const size_t start = out.size();
  out.resize(start + text.size() * kMostBytesPerUnit);
  const int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &out[start],
                                          size * static_cast<int>(kMostBytesPerUnit), nullptr,
                                          nullptr);
  out.resize(start + (written > 0 ? static_cast<size_t>(written) : 0));
}

WideText FromUtf8(const std::string& text) {
  if (text.empty() || text.size() > static_cast<size_t>(INT_MAX)) return WideText();
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return WideText();
  WideText result(static_cast<size_t>(length), WCHAR(0));
  const int written = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, &result[0], length);
  result.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return result;
}
