#include "tool/run/progress_display.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "names/human_size.h"
#include "platform/terminal_input.h"

namespace ostrel {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(200);

std::string Duration(double seconds) {
  const auto whole = std::llround(seconds);
  char text[32];
  if (whole >= 3600) {
    (void)std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                        whole % 60);
  } else {
    (void)std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  }
  return text;
}

// Whether a byte starts a character: in UTF-8, the tool's text on every system, every byte but a
// continuation byte.
bool StartsCharacter(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
}

// Characters of the system's text, counting each as one column.
std::size_t Columns(const std::string& text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), StartsCharacter));
}

// The last columns characters of text.
std::string LastColumns(const std::string& text, std::size_t columns) {
  std::size_t start = text.size();
  std::size_t seen = 0;
  while (start > 0 && seen < columns) {
    --start;
    if (StartsCharacter(text[start]))
      ++seen;
  }
  return text.substr(start);
}

}  // namespace

std::string FitProgressLine(const std::string& figures, const std::string& name,
                            std::size_t columns) {
  const std::size_t room = columns > 1 ? columns - 1 : 0;
  if (figures.size() >= room)  // the figures are ASCII
    return figures.substr(0, room);
  std::string line = figures;
  const std::size_t left = room - Columns(figures);
  if (name.empty() || left < 6)
    return line;
  line += "  ";
  if (Columns(name) <= left - 2)
    return line + name;
  return line + "..." + LastColumns(name, left - 5);
}

ProgressDisplay::ProgressDisplay(const ProgressCounters& counters, bool enabled)
    : counters_(counters), enabled_(enabled), start_(std::chrono::steady_clock::now()) {
  if (enabled_)
    thread_ = std::thread([this] { Run(); });
}

ProgressDisplay::~ProgressDisplay() {
  Stop();
}

void ProgressDisplay::Run() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, kRedrawInterval, [this] { return stopping_; }))
    Draw();
}

void ProgressDisplay::Draw() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const int64_t bytes = counters_.BytesDone.load(std::memory_order_relaxed);
  const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0.0;
  std::string line = std::to_string(counters_.FilesDone.load(std::memory_order_relaxed)) + "/" +
                     std::to_string(counters_.FilesTotal) + " files  " + HumanSize(bytes) + " of " +
                     HumanSize(counters_.BytesTotal) + "  " +
                     HumanSize(static_cast<int64_t>(rate)) + "/s";
  if (rate > 0 && counters_.BytesTotal >= bytes) {
    line += "  " + Duration(static_cast<double>(counters_.BytesTotal - bytes) / rate) + " left";
  }
  line = FitProgressLine(line, counters_.WorkingOn(), TerminalColumns(2));
  // Back to the start of the line, the text, then erase what a longer earlier line left.
  (void)std::fprintf(stderr, "\r%s\033[K", line.c_str());
  (void)std::fflush(stderr);
  shown_ = true;
}

void ProgressDisplay::Erase() {
  if (!shown_)
    return;
  (void)std::fputs("\r\033[K", stderr);
  (void)std::fflush(stderr);
  shown_ = false;
}

void ProgressDisplay::WriteAbove(const std::function<void()>& write) {
  const std::lock_guard lock(mutex_);
  Erase();
  write();
}

void ProgressDisplay::Stop() {
  {
    const std::lock_guard lock(mutex_);
    if (stopping_)
      return;
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable())
    thread_.join();
  const std::lock_guard lock(mutex_);
  Erase();
}

}  // namespace ostrel
