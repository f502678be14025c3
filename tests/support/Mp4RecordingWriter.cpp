#include "Mp4RecordingWriter.h"

#include "BoxWriter.h"

#include <QFile>

#include <cmath>

namespace isorec {

namespace {

struct Chunk {
    std::uint32_t firstSample = 0;
    std::uint32_t samples = 0;
    std::uint32_t offset = 0;
};

struct MediaLayout {
    std::vector<Chunk> video;
    std::vector<Chunk> audio;
};

// The audio samples of each video chunk: those whose start time falls in it.
std::vector<std::uint32_t> AudioChunkOf(const Mp4RecordingSpec& spec, std::size_t videoChunks) {
    std::vector<std::uint32_t> chunkOf;
    const double chunkSeconds =
        static_cast<double>(spec.videoSamplesPerChunk) * spec.videoDelta / spec.videoTimeScale;
    for (std::size_t j = 0; j < spec.audio.samples.size(); ++j) {
        const double start = static_cast<double>(j) * spec.audioDelta / spec.audioTimeScale;
        auto chunk = static_cast<std::uint32_t>(std::floor(start / chunkSeconds + 1e-9));
        if (videoChunks > 0 && chunk >= videoChunks) {
            chunk = static_cast<std::uint32_t>(videoChunks - 1);
        }
        chunkOf.push_back(chunk);
    }
    return chunkOf;
}

MediaLayout WriteMedia(const Mp4RecordingSpec& spec, BoxWriter& w) {
    MediaLayout layout;
    const auto videoCount = static_cast<std::uint32_t>(spec.video.samples.size());
    const std::uint32_t perChunk = spec.videoSamplesPerChunk;
    const std::size_t videoChunks = (videoCount + perChunk - 1) / perChunk;
    const std::vector<std::uint32_t> audioChunkOf = AudioChunkOf(spec, videoChunks);
    std::uint32_t nextAudio = 0;
    for (std::size_t k = 0; k < std::max<std::size_t>(videoChunks, 1); ++k) {
        if (k < videoChunks) {
            Chunk chunk{static_cast<std::uint32_t>(k * perChunk), 0,
                        static_cast<std::uint32_t>(w.Size())};
            for (std::uint32_t i = chunk.firstSample;
                 i < videoCount && i < chunk.firstSample + perChunk; ++i) {
                w.Bytes(spec.video.samples[i].bytes);
                ++chunk.samples;
            }
            layout.video.push_back(chunk);
        }
        Chunk audio{nextAudio, 0, static_cast<std::uint32_t>(w.Size())};
        while (nextAudio < audioChunkOf.size() && audioChunkOf[nextAudio] <= k) {
            w.Bytes(spec.audio.samples[nextAudio].bytes);
            ++nextAudio;
            ++audio.samples;
        }
        if (audio.samples > 0) {
            layout.audio.push_back(audio);
        }
    }
    return layout;
}

void ChunkTables(BoxWriter& w, const std::vector<Chunk>& chunks,
                 const std::vector<MediaSample>& samples) {
    w.OpenFull("stsc", 0);
    w.U32(static_cast<std::uint32_t>(chunks.size()));
    std::vector<std::uint32_t> offsets;
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        w.U32(static_cast<std::uint32_t>(i + 1));
        w.U32(chunks[i].samples);
        w.U32(1);
        offsets.push_back(chunks[i].offset);
    }
    w.Close();
    WriteStsz(w, SampleSizes(samples));
    WriteStco(w, offsets);
}

// One stts entry per video sample and the sync-sample table; one audio entry.
void TimeTables(BoxWriter& w, const std::vector<MediaSample>& samples, std::uint32_t delta,
                bool video) {
    const auto count = static_cast<std::uint32_t>(samples.size());
    w.OpenFull("stts", 0);
    if (!video) {
        w.U32(1);
        w.U32(count);
        w.U32(delta);
        w.Close();
        return;
    }
    w.U32(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        w.U32(1);
        w.U32(delta);
    }
    w.Close();
    WriteStss(w, KeySampleNumbers(samples));
}

void Track(BoxWriter& w, const Mp4RecordingSpec& spec, const MediaLayout& layout, bool video) {
    const TrackMedia& media = video ? spec.video : spec.audio;
    const std::uint32_t timeScale = video ? spec.videoTimeScale : spec.audioTimeScale;
    const std::uint32_t delta = video ? spec.videoDelta : spec.audioDelta;
    const std::uint32_t mediaDuration = static_cast<std::uint32_t>(media.samples.size()) * delta;
    const auto movieDuration =
        static_cast<std::uint32_t>(std::uint64_t{mediaDuration} * spec.movieTimeScale / timeScale);
    w.Open("trak");
    WriteTkhd(w, video ? 1 : 2, movieDuration, !video, spec.width, spec.height);
    if (video && spec.editListInVideoTrack) {
        WriteEditList(w, movieDuration);
    }
    w.Open("mdia");
    WriteMdhd(w, timeScale, mediaDuration);
    WriteHdlr(w, video ? "vide" : "soun", video ? "VideoHandler" : "SoundHandler");
    w.Open("minf");
    WriteMediaHeader(w, video ? "vmhd" : "smhd");
    WriteDinf(w);
    w.Open("stbl");
    WriteStsd(w, media.sampleEntry);
    TimeTables(w, media.samples, delta, video);
    ChunkTables(w, video ? layout.video : layout.audio, media.samples);
    if (video && spec.cttsAfterVideoStco) {
        w.OpenFull("ctts", 0);
        w.U32(1);
        w.U32(static_cast<std::uint32_t>(media.samples.size()));
        w.U32(0);
        w.Close();
    }
    w.Close();
    w.Close();
    w.Close();
    w.Close();
}

void UserData(BoxWriter& w, const Mp4RecordingSpec& spec) {
    const auto records = static_cast<std::uint32_t>(spec.records.size());
    w.Open("udta");
    const std::size_t text = w.Size();
    w.U32(0);
    w.Type(spec.textType);
    w.U16(static_cast<std::uint16_t>(spec.text.size()));
    w.U16(0x55C4);
    w.Bytes(reinterpret_cast<const std::uint8_t*>(spec.text.data()), spec.text.size());
    if (!spec.textBoxEnclosesLog) {
        PatchU32(w.Out(), text, static_cast<std::uint32_t>(w.Size() - text));
    }
    w.Open("FPTS");
    w.U32(0);
    w.U32(records);
    for (std::uint32_t value : spec.fpts) {
        for (int b = 0; b < 4; ++b) {
            w.U8(static_cast<std::uint8_t>(value >> (8 * b)));
        }
    }
    w.Close();
    w.Open("FLOG");
    w.U32(0);
    w.U32(records);
    for (const FlogRecordBytes& record : spec.records) {
        w.Bytes(record.data(), record.size());
    }
    w.Close();
    if (spec.textBoxEnclosesLog) {
        PatchU32(w.Out(), text, static_cast<std::uint32_t>(w.Size() - text));
    }
    w.Close();
}

}  // namespace

FlogRecordBytes MakeFlogRecord(std::uint32_t seconds, std::uint16_t milliseconds,
                               std::uint8_t fill) {
    FlogRecordBytes record{};
    for (std::size_t i = 0; i < record.size(); ++i) {
        record[i] = static_cast<std::uint8_t>(fill + i);
    }
    for (int b = 0; b < 4; ++b) {
        record[b] = static_cast<std::uint8_t>(seconds >> (8 * b));
    }
    record[4] = static_cast<std::uint8_t>(milliseconds);
    record[5] = static_cast<std::uint8_t>(milliseconds >> 8);
    return record;
}

void FillLogRecords(Mp4RecordingSpec& spec, std::uint32_t count, std::uint32_t startTime,
                    std::uint32_t firstFpts) {
    spec.records.clear();
    spec.fpts.clear();
    for (std::uint32_t r = 0; r < count; ++r) {
        spec.records.push_back(MakeFlogRecord(startTime + r / 5,
                                              static_cast<std::uint16_t>((r % 5) * 200),
                                              static_cast<std::uint8_t>(r)));
        spec.fpts.push_back(firstFpts + r * 200);
    }
}

Mp4RecordingSpec SyntheticMp4Spec(double seconds, std::uint8_t recording, std::uint32_t startTime) {
    Mp4RecordingSpec spec;
    const auto frames = static_cast<std::uint32_t>(std::lround(seconds * 25));
    spec.video.samples = SyntheticSamples('V', recording, frames, 25, 120);
    spec.video.sampleEntry = SyntheticVideoEntry();
    spec.audio = SyntheticAudioTrack(recording, seconds, spec.audioTimeScale, spec.audioDelta, 30);
    FillLogRecords(spec, static_cast<std::uint32_t>(std::lround(seconds * 5)), startTime, 1000);
    return spec;
}

std::vector<std::uint8_t> BuildMp4Recording(const Mp4RecordingSpec& spec) {
    BoxWriter w;
    w.Open("ftyp");
    w.Type("isom");
    w.U32(0x200);
    w.Type("isom");
    w.Type("iso2");
    w.Type("avc1");
    w.Type("mp41");
    w.Close();
    if (spec.freeBoxBeforeMdat) {
        w.Open("free");
        w.Zeros(24);
        w.Close();
    }
    w.Open("mdat");
    const MediaLayout layout = WriteMedia(spec, w);
    w.Close();
    w.Open("moov");
    const std::uint32_t videoDuration =
        static_cast<std::uint32_t>(spec.video.samples.size()) * spec.videoDelta;
    WriteMvhd(w, spec.movieTimeScale,
              static_cast<std::uint32_t>(std::uint64_t{videoDuration} * spec.movieTimeScale /
                                         spec.videoTimeScale));
    Track(w, spec, layout, true);
    Track(w, spec, layout, false);
    UserData(w, spec);
    w.Close();
    return w.Out();
}

bool WriteMp4Recording(const QString& path, const Mp4RecordingSpec& spec) {
    return WriteWholeFile(path, BuildMp4Recording(spec));
}

std::vector<std::uint8_t> ReadWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool WriteWholeFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

}  // namespace isorec
