#include "tool/restore/item_input.h"

#include "errors/exceptions.h"
#include "platform/error_text.h"
#include "platform/file_handle.h"

namespace ostrel {

ItemInput::ItemInput(const WorkItem& item) {
  const OpenedFile file = item.Directory ? OpenEntryForReading(*item.Directory, item.EntryName)
                                         : OpenExistingFile(item.Input, FileAccess::Read);
  if (file.handle < 0)
    throw Exception(file.error == kNotARegularFile ? "not a regular file"
                                                   : SystemErrorText(file.error));
  handle_ = file.handle;
}

ItemInput::~ItemInput() {
  CloseFile(handle_);
}

}  // namespace ostrel
