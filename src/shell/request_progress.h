// How far a running request has come, read from the outside: the size its output file has
// reached against the size of its input. Both files are about the same size in both directions
// (the ciphertext adds at most one block), so the input's size stands for the total.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ostrel {

class RequestProgress {
 public:
  // Nothing to watch: a request whose files cannot be named in advance.
  RequestProgress() = default;
  // Takes the input's size now.
  RequestProgress(const std::string& inputPath, std::string outputPath);

  // The files of the two requests, named the way the requests name them.
  static RequestProgress ForDecrypt(std::string_view path);
  static RequestProgress ForEncrypt(std::string_view path);

  bool Known() const { return known_; }
  std::uintmax_t Total() const { return total_; }
  // The output's size now, at most Total(); 0 while the output does not exist.
  std::uintmax_t Done() const;

  // What a progress window shows now: done in thousandths of the total, or -1 when that is not
  // known (the window then only shows that something happens) ...
  int PerMille() const;
  // ... and in words, "1.5 MiB of 3.0 MiB", in the units of the command-line tool; empty when
  // not known.
  std::string AmountText() const;

 private:
  bool known_ = false;
  std::string outputPath_;
  std::uintmax_t total_ = 0;
};

}  // namespace ostrel
