#include "MovRecordingWriter.h"

#include "BoxWriter.h"
#include "Mp4RecordingWriter.h"

#include <cmath>

namespace isorec {

namespace {

struct TrackTiming {
    const TrackMedia* media = nullptr;
    double sampleSeconds = 0.0;
    std::vector<std::uint32_t> offsets;  // one chunk per sample
};

// Writes every sample in time order, one second at a time, track by track.
void WriteMedia(BoxWriter& w, std::vector<TrackTiming>& tracks) {
    std::vector<std::size_t> next(tracks.size(), 0);
    for (int second = 0;; ++second) {
        bool left = false;
        for (std::size_t t = 0; t < tracks.size(); ++t) {
            TrackTiming& track = tracks[t];
            const auto& samples = track.media->samples;
            while (next[t] < samples.size() &&
                   static_cast<double>(next[t]) * track.sampleSeconds < second + 1 - 1e-9) {
                track.offsets.push_back(static_cast<std::uint32_t>(w.Size()));
                w.Bytes(samples[next[t]].bytes);
                ++next[t];
            }
            left = left || next[t] < samples.size();
        }
        if (!left) {
            return;
        }
    }
}

void WriteSampleTables(BoxWriter& w, const TrackTiming& track, std::uint32_t delta) {
    const auto count = static_cast<std::uint32_t>(track.media->samples.size());
    w.OpenFull("stts", 0);
    w.U32(1);
    w.U32(count);
    w.U32(delta);
    w.Close();
}

void WriteChunkTables(BoxWriter& w, const TrackTiming& track) {
    w.OpenFull("stsc", 0);
    w.U32(1);
    w.U32(1);
    w.U32(1);
    w.U32(1);
    w.Close();
    WriteStsz(w, SampleSizes(track.media->samples));
    WriteStco(w, track.offsets);
}

void WriteVideoTables(BoxWriter& w, const MovRecordingSpec& spec, const TrackTiming& track) {
    const auto& samples = track.media->samples;
    WriteSampleTables(w, track, spec.videoDelta);
    w.OpenFull("ctts", 0);
    w.U32(static_cast<std::uint32_t>(samples.size()));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        w.U32(1);
        w.U32(0);
    }
    w.Close();
    WriteChunkTables(w, track);
    WriteStss(w, KeySampleNumbers(samples));
    if (spec.sampleDependencies) {
        w.OpenFull("sdtp", 0);
        for (const MediaSample& sample : samples) {
            w.U8(sample.key ? 0x20 : 0x10);
        }
        w.Close();
    }
}

struct TrackKind {
    std::uint32_t id;
    const char* handler;
    const char* name;
    std::uint32_t timeScale;
    std::uint32_t delta;
};

void WriteTrack(BoxWriter& w, const MovRecordingSpec& spec, const TrackTiming& track,
                const TrackKind& kind) {
    const auto count = static_cast<std::uint32_t>(track.media->samples.size());
    const std::uint32_t mediaDuration = count * kind.delta;
    const auto movieDuration = static_cast<std::uint32_t>(std::uint64_t{mediaDuration} *
                                                          spec.movieTimeScale / kind.timeScale);
    w.Open("trak");
    WriteTkhd(w, kind.id, movieDuration, kind.id == 2, spec.width, spec.height);
    if (kind.id == 1 && spec.editList) {
        WriteEditList(w, movieDuration);
        w.Open("udta");
        w.Close();
    }
    w.Open("mdia");
    WriteMdhd(w, kind.timeScale, mediaDuration);
    WriteHdlr(w, kind.handler, kind.name, 0x6D686C72);  // "mhlr"
    w.Open("minf");
    WriteMediaHeader(w, kind.id == 1 ? "vmhd" : (kind.id == 2 ? "smhd" : "nmhd"));
    if (spec.dataHandlers) {
        WriteHdlr(w, "alis", "DataHandler", 0x64686C72);  // "dhlr"
    }
    WriteDinf(w, "alis");
    w.Open("stbl");
    WriteStsd(w, track.media->sampleEntry);
    if (kind.id == 1) {
        WriteVideoTables(w, spec, track);
    } else {
        WriteSampleTables(w, track, kind.delta);
        WriteChunkTables(w, track);
    }
    w.Close();
    w.Close();
    w.Close();
    w.Close();
}

}  // namespace

MovRecordingSpec SyntheticMovSpec(double seconds, std::uint8_t recording, std::uint32_t keyEvery) {
    MovRecordingSpec spec;
    const auto frames = static_cast<std::uint32_t>(std::lround(seconds * 25));
    spec.video.samples = SyntheticSamples('V', recording, frames, keyEvery, 150);
    spec.video.sampleEntry = SyntheticVideoEntry();
    spec.audio = SyntheticAudioTrack(recording, seconds, spec.audioTimeScale, spec.audioDelta, 40);
    spec.data.samples =
        SyntheticSamples('G', recording, static_cast<std::uint32_t>(std::ceil(seconds)), 1, 24);
    spec.data.sampleEntry = DataSampleEntry();
    return spec;
}

std::vector<std::uint8_t> BuildMovRecording(const MovRecordingSpec& spec) {
    BoxWriter w;
    w.Open("ftyp");
    w.Type("qt  ");
    w.U32(0x200);
    w.Type("qt  ");
    w.Close();
    if (spec.wideAtom) {
        w.Open("wide");
        w.Close();
    }
    std::vector<TrackTiming> tracks = {
        {&spec.video, static_cast<double>(spec.videoDelta) / spec.videoTimeScale, {}},
        {&spec.audio, static_cast<double>(spec.audioDelta) / spec.audioTimeScale, {}},
        {&spec.data, static_cast<double>(spec.dataDelta) / spec.videoTimeScale, {}},
    };
    w.Open("mdat");
    WriteMedia(w, tracks);
    w.Close();

    w.Open("moov");
    const std::uint32_t videoDuration =
        static_cast<std::uint32_t>(spec.video.samples.size()) * spec.videoDelta;
    WriteMvhd(w, spec.movieTimeScale,
              static_cast<std::uint32_t>(std::uint64_t{videoDuration} * spec.movieTimeScale /
                                         spec.videoTimeScale));
    w.Open("udta");
    w.Open("free");
    w.Zeros(4);
    w.Close();
    w.Close();
    WriteTrack(w, spec, tracks[0],
               {1, "vide", "VideoHandler", spec.videoTimeScale, spec.videoDelta});
    WriteTrack(w, spec, tracks[1],
               {2, "soun", "SoundHandler", spec.audioTimeScale, spec.audioDelta});
    WriteTrack(w, spec, tracks[2], {3, "meta", "DataTrack", spec.videoTimeScale, spec.dataDelta});
    if (spec.trailingUserData) {
        w.Open("udta");
        w.Open("free");
        w.Zeros(12);
        w.Close();
        w.Close();
    }
    w.Close();
    return w.Out();
}

bool WriteMovRecording(const QString& path, const MovRecordingSpec& spec) {
    return WriteWholeFile(path, BuildMovRecording(spec));
}

}  // namespace isorec
