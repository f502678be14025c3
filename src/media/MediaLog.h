#pragma once

#include <exception>
#include <string>

namespace media {

// One line on the debug output for a failure the media layer caught.
void LogMediaFailure(const char* where, const std::exception& error);
void LogMediaFailure(const char* where, const std::string& what);

// FFmpeg's own messages (damaged pictures, notes on streams) become trace lines
// instead of going to stderr. Once per process; every graph's source asks.
void RouteFfmpegLog();

}  // namespace media
