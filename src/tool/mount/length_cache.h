// The plain lengths read from the final blocks of mounted files, remembered per state of each file
// (identity, size, modification time), so that listing a large tree again costs one status per
// file instead of a read. Bounded: forgotten lengths are read again from the final block.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/file_status.h"

namespace ostrel {

class PlainLengthCache {
 public:
  // The length remembered for the file in the state status describes; -1 when its final block
  // did not open.
  std::optional<int64_t> Known(const FileStatus& status);
  // Whether a length was read for the file, in any state.
  bool Recorded(uint64_t device, uint64_t inode);
  void Remember(const FileStatus& status, int64_t length);

 private:
  struct Record {
    int64_t Size = 0;
    int64_t Seconds = 0;
    int64_t Nanoseconds = 0;
    int64_t PlainLength = -1;
  };
  std::mutex mutex_;
  std::map<std::pair<uint64_t, uint64_t>, Record> records_;  // by device and inode
};

}  // namespace ostrel
