#pragma once

#include <exception>
#include <string>

namespace media {

// One line on the debug output for a failure the media layer caught.
void LogMediaFailure(const char* where, const std::exception& error);
void LogMediaFailure(const char* where, const std::string& what);

}  // namespace media
