#include "platform/temporary_names.h"

#include <algorithm>
#include <atomic>

#include "platform/random_bytes.h"

namespace ostrel {
namespace {

constexpr std::string_view kPrefix = ".ostrel-";
constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kRandomDigits = 16;
constexpr std::size_t kLongestHostTag = 32;
constexpr uint64_t kLargestProcess = UINT32_MAX;

std::string Hexadecimal(const uint8_t* bytes, std::size_t count) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t index = 0; index < count; ++index) {
    text.push_back(kDigits[bytes[index] >> 4]);
    text.push_back(kDigits[bytes[index] & 0xF]);
  }
  return text;
}

}  // namespace

std::string TemporaryHostTag(std::string_view machineName) {
  std::string text;
  for (const char c : machineName) {
    if (text.size() >= kLongestHostTag)
      break;
    const bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.';
    text.push_back(plain ? c : '_');
  }
  return text.empty() ? std::string("host") : text;
}

std::string TemporaryNameFor(const std::string& host, uint64_t process) {
  // Drawn from the system once: the names need to differ, and creating each file exclusively
  // settles the rare name that is taken. Each later name steps on from it.
  static const uint64_t start = [] {
    uint8_t bytes[8];
    FillFromSystemRandom(bytes, sizeof bytes);
    uint64_t value = 0;
    for (const uint8_t byte : bytes)
      value = value << 8 | byte;
    return value;
  }();
  static std::atomic<uint64_t> issued{0};
  // An odd step visits every value before it repeats one.
  const uint64_t value =
      start + issued.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ULL;
  uint8_t random[kRandomDigits / 2];
  for (std::size_t index = 0; index < sizeof random; ++index)
    random[index] = static_cast<uint8_t>(value >> (56 - 8 * index));
  return std::string(kPrefix) + host + "-" + std::to_string(process) + "-" +
         Hexadecimal(random, sizeof random) + std::string(kSuffix);
}

uint64_t TemporaryNameOwner(std::string_view name, const std::string& host) {
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix))
    return 0;
  name.remove_prefix(kPrefix.size());
  name.remove_suffix(kSuffix.size());
  if (!name.starts_with(host) || name.size() < host.size() + 1 || name[host.size()] != '-')
    return 0;
  name.remove_prefix(host.size() + 1);
  // Only the exact spelling that TemporaryNameFor writes is ours: a file of any other layout
  // belongs to someone else, however much it looks like one of ours.
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || name.size() - dash - 1 != kRandomDigits ||
      name.front() == '0')
    return 0;
  const std::string_view random = name.substr(dash + 1);
  if (!std::all_of(random.begin(), random.end(),
                   [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
    return 0;
  uint64_t process = 0;
  for (const char digit : name.substr(0, dash)) {
    if (digit < '0' || digit > '9' || process > kLargestProcess / 10)
      return 0;
    process = process * 10 + static_cast<uint64_t>(digit - '0');
  }
  return process > kLargestProcess ? 0 : process;
}

}  // namespace ostrel
