// UTF-16 to UTF-8 through the platform's converter, so that the replacement of broken text is the
// platform's own on Windows.
#include "bits/utf8.h"

#include <climits>

std::string ToUtf8(const WideText& text) {
  if (text.empty()) return std::string();
  // The length goes in explicitly, so an embedded null is converted like any other code unit.
  if (text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  const int wideLength = static_cast<int>(text.size());

  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string result(static_cast<size_t>(size), '\0');
  const int written = WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, &result[0], size,
                                          nullptr, nullptr);
  if (written <= 0) return std::string();
  result.resize(static_cast<size_t>(written));
  return result;
}
