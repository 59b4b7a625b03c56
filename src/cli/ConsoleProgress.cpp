#include "cli/ConsoleProgress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iostream>

namespace tavex::cli {

namespace {

constexpr int kBarWidth = 40;

}  // namespace

void ConsoleBar::SetValue(double value) {
  mValue = value;
  if (!mVisible) return;
  const double span = mMax - mMin;
  const double share = span > 0 ? std::clamp((mValue - mMin) / span, 0.0, 1.0) : 0.0;
  const int filled = static_cast<int>(std::lround(share * kBarWidth));
  mErr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
       << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] "
       << static_cast<int>(std::lround(share * 100)) << "%" << std::flush;
  mDrawn = true;
}

void ConsoleBar::Clear() {
  if (!mDrawn) return;
  mErr << "\r\033[K" << std::flush;
  mDrawn = false;
}

void ConsoleList::AddItem(const std::string& text) {
  mLines.push_back(text);
  Print(text);
}

void ConsoleList::SetItem(int index, const std::string& text) {
  mLines.at(static_cast<std::size_t>(index)) = text;
  if (index == ListCount() - 1) Print(text);
}

void ConsoleList::Print(const std::string& text) {
  if (mBar != nullptr) mBar->Clear();
  mOut << text << '\n' << std::flush;
}

bool RunWithConsoleProgress(std::ostream& out, std::ostream& err,
                            const std::function<bool(ProgressList&, ProgressBar&)>& run) {
  ConsoleBar bar(err, &err == &std::cerr && isatty(STDERR_FILENO) == 1);
  ConsoleList list(out, &bar);
  const bool result = run(list, bar);
  bar.Clear();
  return result;
}

}  // namespace tavex::cli
