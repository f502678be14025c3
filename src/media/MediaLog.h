#pragma once

#include <exception>

namespace media {

// One line on the debug output for a failure the media layer caught.
void LogMediaFailure(const char* where, const std::exception& error);

}  // namespace media
