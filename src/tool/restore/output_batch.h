// Written outputs made durable in batches, as a package manager unpacks thousands of files: every
// file is written under its temporary name and its write-back started, then a batch's data are
// flushed in one pass, then its files are renamed, then the names are flushed, once per file
// system (or once per directory where the file system offers no flush of the whole). Flushing
// one file after another would wait for the disk once per file. One flush of a file system serves
// two batches: the data of one and the names of the one before it. A crash at any point leaves no
// output under its final name whose data did not reach the disk.
#pragma once

#include <string>
#include <vector>

#include "tool/restore/safe_output.h"

namespace ostrel {

class CommitPipeline {
 public:
  // Takes a batch of sealed outputs to the disk and renames them; their names are flushed by the
  // next call. Returns the outcome of the batch handed in before (nothing the first time): one
  // entry per output, empty when it is done, else the reason it failed. An output that failed
  // before its rename is removed when it is destroyed; one that failed after keeps its name.
  std::vector<std::string> Add(const std::vector<SafeOutput*>& batch);
  // Flushes the names of the last batch handed in and returns its outcome, as Add does.
  std::vector<std::string> Drain();

 private:
  std::vector<SafeOutput*> renamed_;  // the batch whose names wait for their flush
  std::vector<std::string> renamedFailures_;
};

}  // namespace ostrel
