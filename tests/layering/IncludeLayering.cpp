#include "IncludeLayering.h"

#include <algorithm>
#include <fstream>
#include <regex>

namespace layering {

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kWindows = {"controls", "views", "app"};

// The library folder of a path inside the tree, or empty when it lies outside.
std::string FolderOf(const fs::path& root, const fs::path& path) {
    const fs::path relative = path.lexically_normal().lexically_relative(root.lexically_normal());
    if (relative.empty() || *relative.begin() == "..") {
        return {};
    }
    return std::distance(relative.begin(), relative.end()) > 1 ? relative.begin()->string()
                                                               : std::string();
}

// Where an include lands in the tree: beside the including file first (as the
// compiler looks for quoted names), then under the root (the include path).
std::string IncludedFolder(const fs::path& root, const fs::path& file, const std::string& name,
                           bool quoted) {
    if (quoted && fs::exists(file.parent_path() / name)) {
        return FolderOf(root, file.parent_path() / name);
    }
    if (fs::exists(root / name)) {
        return FolderOf(root, root / name);
    }
    return {};
}

std::string Reason(const std::string& from, const std::string& to) {
    if (kWindows.count(from) != 0 && to == "media") {
        return "the windows reach the media graph only through playback/DSvideo.h";
    }
    return from + " may not include " + to + " (against the order of the libraries)";
}

void CheckFile(const fs::path& root, const fs::path& file, const Rules& rules,
               std::vector<Violation>& out) {
    const std::string relative = file.lexically_relative(root).generic_string();
    const std::string from = FolderOf(root, file);
    const auto allowed = rules.find(from);
    if (allowed == rules.end()) {
        out.push_back({relative, 0, {}, "not in a library folder of the layering rules"});
        return;
    }
    static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch match;
        if (!std::regex_search(text, match, kInclude)) {
            continue;
        }
        const std::string name = match[2].str();
        const std::string to = IncludedFolder(root, file, name, match[1].str() == "\"");
        if (to.empty() || to == from || allowed->second.count(to) != 0) {
            continue;
        }
        out.push_back({relative, line, name, Reason(from, to)});
    }
}

}  // namespace

const Rules& ProgramRules() {
    static const Rules rules = {
        {"platform", {}},
        {"media", {"platform"}},
        {"foundation", {"platform"}},
        {"recordings", {"foundation", "platform"}},
        {"playback", {"media", "recordings", "foundation", "platform"}},
        {"cutting", {"recordings", "foundation", "platform"}},
        {"controls", {"playback", "cutting", "recordings", "foundation", "platform"}},
        {"views", {"controls", "playback", "cutting", "recordings", "foundation", "platform"}},
        {"app",
         {"views", "controls", "playback", "cutting", "recordings", "foundation", "platform"}},
    };
    return rules;
}

std::vector<Violation> CheckIncludes(const fs::path& root, const Rules& rules) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        const fs::path& path = entry.path();
        if (entry.is_regular_file() && (path.extension() == ".h" || path.extension() == ".cpp")) {
            files.push_back(path);
        }
    }
    std::sort(files.begin(), files.end());
    std::vector<Violation> violations;
    for (const fs::path& file : files) {
        CheckFile(root, file, rules, violations);
    }
    return violations;
}

}  // namespace layering
