#pragma once

// Runs the MP4 and MOV cutters on recordings made by the test writers and reads
// back what they wrote.

#include "CutFixture.h"
#include "cutting/Cuttingproc.h"
#include "support/BoxTree.h"
#include "support/MovRecordingWriter.h"
#include "support/RecordingMedia.h"

#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

class IsoCutTest : public CutTest {
  protected:
    // A recording item of the given type on `path`: the probe refuses such files,
    // so its type and duration are set by hand.
    static ItemRef Item(const QString& path, std::int32_t fileType, double duration);

    // ffprobe reads the clip's video with `videoFrames` pictures and its audio
    // with the samples its tables list, both from 0, and ffmpeg decodes it
    // without a word.
    void ExpectClipPlays(const CutOutput& cut, int videoFrames, std::size_t streams);

    // Cuts `start`..`end` of the play list through the job; the destination must
    // hold what the cutter writes for the selection the job makes (the end
    // `endOffset` into the last item).
    void ExpectJobWritesTheCuttersClip(const Cutter& cutter,
                                       const std::vector<TFileItem*>& playList, double start,
                                       double end, double endOffset);

    // The clip's samples of one track, named by their synthetic identity.
    static std::vector<isorec::SampleId> Ids(const isorec::BoxTree& tree, int track);
    // Identities `first` .. `end` - 1 of a track of recording `recording`.
    static std::vector<isorec::SampleId> Range(char track, std::uint8_t recording,
                                               std::uint32_t first, std::uint32_t end);
    static std::vector<isorec::SampleId> Join(std::vector<std::vector<isorec::SampleId>> parts);
};

// Six seconds of real H.264 (25 pictures a second) and 16 kHz AAC; `out` stays
// empty and the test fails when the ffmpeg tool made none.
void RealAvMedia(isorec::AvMedia* out);
// A MOV recording of that media with one data sample a second.
isorec::MovRecordingSpec RealMovSpec(const isorec::AvMedia& av);

// ffprobe's view of one stream of a clip.
struct StreamProbe {
    QString type;
    int frames = -1;
    double startTime = -1.0;
};
std::vector<StreamProbe> ProbeStreams(const QString& path);
