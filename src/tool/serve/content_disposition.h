// The Content-Disposition of a download (RFC 6266): the file's plain name, in ASCII for old clients
// and in UTF-8 through RFC 8187's filename* for every other, so that a name in any script arrives
// as it is shown.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

std::string AttachmentDisposition(std::string_view fileName);

}  // namespace ostrel
