// Rijndael on the x86 AES instructions: only for rijndael_blocks.cpp, which calls these after it
// has checked that the processor has the instructions.
#pragma once

#include <cstdint>

namespace ostrel::aes_instructions {

// The processor has the AES instructions (and this build can use them).
bool Available() noexcept;

// roundKeys: the Rijndael schedule of rounds + 1 round keys as bytes, in FIPS-197 order.
// Writes the equivalent inverse cipher's schedule: the round keys reversed, those between the
// first and the last put through InvMixColumns.
void InverseSchedule(const uint8_t* roundKeys, int32_t rounds, uint8_t* inverse) noexcept;

// keys: the round keys for the direction (the schedule, or InverseSchedule's output).
void EncryptBlocks(const uint8_t* keys, int32_t rounds, uint8_t* blocks, int64_t count) noexcept;
void DecryptBlocks(const uint8_t* keys, int32_t rounds, uint8_t* blocks, int64_t count) noexcept;
void EncryptBlocksCbc(const uint8_t* keys, int32_t rounds, uint8_t* chain, uint8_t* blocks,
                      int64_t count) noexcept;
void DecryptBlocksCbc(const uint8_t* keys, int32_t rounds, uint8_t* chain, uint8_t* blocks,
                      int64_t count) noexcept;

}  // namespace ostrel::aes_instructions
