// How strong a verify answer is: a wrong pass phrase passes the check of one final block by chance
// (about 1 in 255), and passes all of a run's checks with the product of their chances. Files
// whose stored final blocks are identical decrypt identically under any key, so they are one
// check, however many copies there are.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <utility>

#include "names/encryption_method.h"

namespace ostrel {

class CheckStrength {
 public:
  // A file that passed, with its stored final block. Safe to call from every worker.
  void AddPassed(EncryptionMethod method, const std::string& finalCipherBlock);

  int64_t DistinctChecks(EncryptionMethod method) const;
  int64_t DistinctChecks() const;
  // log2 of the chance that a wrong pass phrase passes every distinct check: 0 for none, more
  // negative the stronger the answer.
  double ChanceLog2() const;

 private:
  mutable std::mutex mutex_;
  std::set<std::pair<EncryptionMethod, std::string>> checks_;
};

}  // namespace ostrel
