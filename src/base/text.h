// Short texts shared by every subsystem: the program's own texts and the
// 255-character limit that every file name, value and message obeys.
#pragma once
#include <cstddef>
#include <string>

namespace base {

inline constexpr std::size_t kMaxText = 255;

// "KurvexAnalyzer v2.12a-20080419": window title, log lines and file headers.
inline constexpr const char* ProgramBanner = "KurvexAnalyzer v2.12a-20080419";

// Cuts a text to the 255 characters every stored text is limited to.
inline std::string CutText(std::string text) {
  if (text.size() > kMaxText) text.resize(kMaxText);
  return text;
}

}  // namespace base
