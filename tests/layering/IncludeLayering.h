#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace layering {

// One #include against the layering rules.
struct Violation {
    std::string file;  // relative to the tree's root
    int line = 0;
    std::string include;  // as written
    std::string reason;

    bool operator==(const Violation& other) const = default;
};

// For each library folder, the other folders whose headers its files may include.
using Rules = std::map<std::string, std::set<std::string>>;

// The program's order: platform <- foundation <- recordings <- playback/cutting <-
// controls <- views <- app; media needs only platform and only playback uses it.
const Rules& ProgramRules();

// Reads every .h and .cpp under `root` (a src/ tree) and returns each include of
// another folder's header that the rules do not allow, and each file outside the
// rules' folders. Includes that name no file of the tree (Qt, FFmpeg, the
// standard library) are not looked at.
std::vector<Violation> CheckIncludes(const std::filesystem::path& root, const Rules& rules);

}  // namespace layering
