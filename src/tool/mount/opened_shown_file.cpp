#include "tool/mount/opened_shown_file.h"

#include "platform/file_handle.h"

namespace ostrel {

OpenedShownFile::~OpenedShownFile() {
  CloseFile(Handle);
}

}  // namespace ostrel
