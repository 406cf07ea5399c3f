// The encrypted file of a work item, open for reading: a file found in a tree relative to its
// directory's open handle, never by its path again, so that a directory swapped for a link during
// the run cannot redirect the read; a file named on the command line by its name. Closed when the
// holder dies.
#pragma once

#include "tool/restore/work_list.h"

namespace ostrel {

class ItemInput {
 public:
  // Raises Exception with a one-line reason: the system's text, or "not a regular file".
  explicit ItemInput(const WorkItem& item);
  ~ItemInput();
  ItemInput(const ItemInput&) = delete;
  ItemInput& operator=(const ItemInput&) = delete;

  int Handle() const { return handle_; }

 private:
  int handle_ = -1;
};

}  // namespace ostrel
