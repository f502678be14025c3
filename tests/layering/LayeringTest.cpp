#include "IncludeLayering.h"

#include <gtest/gtest.h>

#include <ostream>

namespace layering {

void PrintTo(const Violation& v, std::ostream* out) {
    *out << v.file << ":" << v.line << ": " << v.include << ": " << v.reason;
}

}  // namespace layering

namespace {

using layering::CheckIncludes;
using layering::ProgramRules;
using layering::Violation;

TEST(Layering, EveryIncludeOfTheSourcesKeepsTheOrderOfTheLibraries) {
    const std::vector<Violation> violations =
        CheckIncludes(OMBREL_SOURCE_DIR "/src", ProgramRules());
    for (const Violation& violation : violations) {
        ADD_FAILURE() << testing::PrintToString(violation);
    }
}

// A small tree with one violation of each kind planted among allowed includes.
TEST(Layering, PlantedViolationsAreCaughtAndNothingElse) {
    const std::string against = " (against the order of the libraries)";
    const std::vector<Violation> expected = {
        {"cutting/Sideways.cpp", 2, "playback/DSvideo.h",
         "cutting may not include playback" + against},
        {"foundation/Upward.cpp", 3, "recordings/Item.h",
         "foundation may not include recordings" + against},
        {"gadgets/Thing.h", 0, "", "not in a library folder of the layering rules"},
        {"views/Peek.cpp", 2, "media/FilterGraph.h",
         "the windows reach the media graph only through playback/DSvideo.h"},
        {"views/Relative.cpp", 2, "../app/Main.h", "views may not include app" + against},
    };
    EXPECT_EQ(CheckIncludes(OMBREL_LAYERING_FIXTURE, ProgramRules()), expected);
}

}  // namespace
