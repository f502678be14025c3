#include "IsoCutFixture.h"

#include "support/Mp4RecordingWriter.h"
#include "support/TestMedia.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using isorec::SampleId;

ItemRef IsoCutTest::Item(const QString& path, std::int32_t fileType, double duration) {
    auto* item = new TFileItem(path);
    EXPECT_EQ(item->fileType, FILE_TYPE_NONE);
    item->fileType = fileType;
    item->path = path;
    item->duration = duration;
    return ItemRef(item);
}

void IsoCutTest::ExpectClipPlays(const CutOutput& cut, int videoFrames, std::size_t streams) {
    const QString path = PathOf(QStringLiteral("clip.probe"));
    ASSERT_TRUE(isorec::WriteWholeFile(path, cut.clip));
    const std::vector<StreamProbe> probed = ProbeStreams(path);
    ASSERT_EQ(probed.size(), streams);
    EXPECT_EQ(probed[0].type, QStringLiteral("video"));
    EXPECT_EQ(probed[0].frames, videoFrames);
    EXPECT_DOUBLE_EQ(probed[0].startTime, 0.0);
    EXPECT_EQ(probed[1].type, QStringLiteral("audio"));
    EXPECT_EQ(probed[1].frames, static_cast<int>(isorec::BoxTree(cut.clip).TrackSamples(1).size()));
    EXPECT_DOUBLE_EQ(probed[1].startTime, 0.0);
    EXPECT_EQ(DecodeErrors(path), QString());
}

void IsoCutTest::ExpectJobWritesTheCuttersClip(const Cutter& cutter,
                                               const std::vector<TFileItem*>& playList,
                                               double start, double end, double endOffset) {
    const QString destination = PathOf(QStringLiteral("job.clip"));
    const CutRun run = CutTest::Cut(playList, destination, start, end);
    ASSERT_EQ(run.started, Cut_OK);
    ASSERT_EQ(run.result, Cut_OK);
    const CutOutput direct = RunCutter(cutter, playList, {.start = start, .end = endOffset});
    ASSERT_EQ(direct.result, Cut_OK);
    EXPECT_EQ(isorec::ReadWholeFile(destination), direct.clip);
}

void RealAvMedia(isorec::AvMedia* out) {
    tsrec::TestMediaParams params;
    params.seconds = 6.0;
    params.sampleRate = 16000;
    const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);
    EXPECT_TRUE(isorec::MediaFromElementaryStreams(media.h264, media.adts, 320, 240, out));
}

isorec::MovRecordingSpec RealMovSpec(const isorec::AvMedia& av) {
    isorec::MovRecordingSpec spec = isorec::SyntheticMovSpec(6.0, 1);
    spec.video = av.video;
    spec.audio = av.audio;
    spec.audioTimeScale = av.audioSampleRate;
    return spec;
}

std::vector<SampleId> IsoCutTest::Ids(const isorec::BoxTree& tree, int track) {
    std::vector<SampleId> ids;
    for (const std::vector<std::uint8_t>& bytes : tree.TrackSamples(track)) {
        SampleId id;
        if (!isorec::ReadSampleId(bytes, &id)) {
            id = SampleId{'?', 0, 0};
        }
        ids.push_back(id);
    }
    return ids;
}

std::vector<SampleId> IsoCutTest::Range(char track, std::uint8_t recording, std::uint32_t first,
                                        std::uint32_t end) {
    std::vector<SampleId> ids;
    for (std::uint32_t i = first; i < end; ++i) {
        ids.push_back(SampleId{track, recording, i});
    }
    return ids;
}

std::vector<SampleId> IsoCutTest::Join(std::vector<std::vector<SampleId>> parts) {
    std::vector<SampleId> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::vector<StreamProbe> ProbeStreams(const QString& path) {
    QByteArray output;
    QByteArray errors;
    tsrec::RunTool(QStringLiteral("ffprobe"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                    QStringLiteral("-show_entries"),
                    QStringLiteral("stream=codec_type,nb_read_frames,start_time"),
                    QStringLiteral("-of"), QStringLiteral("json"), path},
                   &output, &errors);
    std::vector<StreamProbe> streams;
    const QJsonObject root = QJsonDocument::fromJson(output).object();
    for (const QJsonValue& value : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject object = value.toObject();
        StreamProbe probe;
        probe.type = object.value(QStringLiteral("codec_type")).toString();
        probe.frames = object.value(QStringLiteral("nb_read_frames")).toString().toInt();
        probe.startTime = object.value(QStringLiteral("start_time")).toString().toDouble();
        streams.push_back(probe);
    }
    return streams;
}
