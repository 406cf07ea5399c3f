// The media type a file is served with, from its name's extension: what lets a browser show a
// text, an image, a PDF or a video instead of offering to save it. Unknown extensions are sent as
// bytes, never as something a browser would run.
#pragma once

#include <string>
#include <string_view>

namespace ostrel {

std::string ContentTypeOf(std::string_view fileName);

}  // namespace ostrel
