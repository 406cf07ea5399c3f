// A file stream over an operating-system handle, named by a UTF-16 string, unbuffered.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "cipher/stream.h"

namespace ostrel {

inline constexpr uint16_t fmCreate = 0xFFFF;    // make a new file or empty an existing one
inline constexpr uint16_t fmOpenRead = 0x0000;  // bits 0-1: access
inline constexpr uint16_t fmOpenWrite = 0x0001;
inline constexpr uint16_t fmOpenReadWrite = 0x0002;
inline constexpr uint16_t fmShareExclusive = 0x0010;  // bits 4-7: what others may do meanwhile
inline constexpr uint16_t fmShareDenyWrite = 0x0020;
inline constexpr uint16_t fmShareDenyRead = 0x0030;
inline constexpr uint16_t fmShareDenyNone = 0x0040;

class TWideFileStream : public TStream {
 public:
  // Opens (any mode but fmCreate) or creates the file, or raises EFOpenError / EFCreateError.
  // When creating an output made from `source`, the output must not be that very file (refused
  // with EFCreateError before anything is truncated) and a new file gets the source's read/write
  // permission bits plus owner read-write, so a private input gives a private output.
  TWideFileStream(std::u16string_view fileName, uint16_t mode,
                  const TWideFileStream* source = nullptr);
  ~TWideFileStream() override;
  TWideFileStream(const TWideFileStream&) = delete;
  TWideFileStream& operator=(const TWideFileStream&) = delete;

  // Both come from seeking on the handle: -1 when it cannot seek (a pipe, for example).
  int64_t Size() override;
  int64_t Position() override;
  void SetPosition(int64_t position) override;
  int32_t Read(void* buffer, int32_t count) override;
  int32_t Write(const void* buffer, int32_t count) override;

  // Closes the file now; false when the system reports a failure of the data written.
  bool Close();

 private:
  int handle_ = -1;
};

// The name with the long-path prefix where it applies (a drive path or a network path of at
// least three characters); everything else unchanged.
std::u16string LongPathName(std::u16string_view name);

}  // namespace ostrel
