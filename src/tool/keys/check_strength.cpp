#include "tool/keys/check_strength.h"

#include <cmath>

#include "tool/restore/final_block_check.h"

namespace ostrel {

void CheckStrength::AddPassed(EncryptionMethod method, const std::string& finalCipherBlock) {
  const std::lock_guard lock(mutex_);
  checks_.emplace(method, finalCipherBlock);
}

int64_t CheckStrength::DistinctChecks(EncryptionMethod method) const {
  const std::lock_guard lock(mutex_);
  int64_t count = 0;
  for (const auto& check : checks_)
    count += check.first == method ? 1 : 0;
  return count;
}

int64_t CheckStrength::DistinctChecks() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int64_t>(checks_.size());
}

double CheckStrength::ChanceLog2() const {
  double exponent = 0;
  for (const EncryptionMethod method :
       {EncryptionMethod::kTripleDes, EncryptionMethod::kRijndael}) {
    exponent += static_cast<double>(DistinctChecks(method)) * std::log2(WrongKeyPassChance(method));
  }
  return exponent;
}

}  // namespace ostrel
