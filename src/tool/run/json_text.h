// File names in JSON. JSON text is Unicode, but a file name is any byte string: a name that is
// not valid UTF-8 is written with replacement characters and, so that a script can still find the
// file, its exact bytes in hexadecimal beside it ("<key>_hex").
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace ostrel {

void SetJsonName(nlohmann::json& object, const std::string& key, const std::string& name);

// One line of JSON, never failing on the text it holds.
std::string JsonLine(const nlohmann::json& object);

}  // namespace ostrel
