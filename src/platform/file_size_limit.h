// A file grown past the process's file-size limit: by default the system ends the process with a
// signal, midway through a write, leaving a partial output and no message. Taken as an ordinary
// write error instead, it is reported and cleaned up like a full disk.
#pragma once

namespace ostrel {

// From now on, a write beyond the file-size limit fails (EFBIG) instead of ending the process.
void TreatFileSizeLimitAsWriteError() noexcept;

}  // namespace ostrel
