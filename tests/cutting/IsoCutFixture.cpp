#include "IsoCutFixture.h"

#include "platform/FileHandle.h"
#include "support/Mp4RecordingWriter.h"
#include "support/TestMedia.h"

#include <QFileInfo>
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

std::vector<int> IsoCutTest::Clip::Progress() const {
    std::vector<int> values;
    for (const CutMessageSink::Message& message : messages) {
        if (message.wParam == 1) {
            values.push_back(static_cast<int>(message.lParam));
        }
    }
    return values;
}

IsoCutTest::Clip IsoCutTest::RunCutter(const Cutter& cutter, const std::vector<TFileItem*>& sources,
                                       const CutOptions& options) {
    CutMessageSink sink;
    Clip cut;
    {
        CuttingProc job(&sink, WM_CUTTING_EVENT);
        double before = 0.0;
        std::uint64_t bytes = 0;
        for (TFileItem* item : sources) {
            item->AddRef();
            job.selection.push_back(item);
            bytes += static_cast<std::uint64_t>(QFileInfo(item->path).size());
        }
        for (std::size_t i = 0; i + 1 < sources.size(); ++i) {
            before += sources[i]->duration;
        }
        job.startOffset = options.start;
        job.endOffset = options.end;
        job.span = options.span >= 0.0 ? options.span : before + options.end - options.start;
        job.totalBytes =
            options.totalBytes > 0 ? options.totalBytes : static_cast<std::uint32_t>(bytes);
        job.mappingWindowSize = options.movWindowSize;
        job.stopFlag = options.stopBeforeStart ? 1 : 0;
        const QString path = PathOf(QStringLiteral("clip.out"));
        if (options.discardOutput) {
            job.outputFile = platform::FileHandle::CreateWrite(QStringLiteral("/dev/null"));
        } else if (options.readOnlyOutput) {
            isorec::WriteWholeFile(path, {});
            job.outputFile = platform::FileHandle::OpenRead(path);
        } else {
            job.outputFile = platform::FileHandle::CreateWrite(path);
        }
        EXPECT_TRUE(job.outputFile.IsOpen());
        cut.result = cutter(&job);
        job.outputFile.Close();
        job.ReleaseSelection();
        cut.clip = isorec::ReadWholeFile(path);
    }
    sink.Drain(30);
    cut.messages = sink.Messages();
    return cut;
}

void IsoCutTest::ExpectRefusedAtEveryLength(const Cutter& cutter,
                                            const std::vector<std::uint8_t>& whole,
                                            std::int32_t fileType, std::size_t step) {
    const QString path = PathOf(QStringLiteral("truncated"));
    for (std::size_t size = 0; size < whole.size(); size += step) {
        ASSERT_TRUE(isorec::WriteWholeFile(
            path,
            std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size))));
        ItemRef item = Item(path, fileType, 2.0);
        EXPECT_EQ(RunCutter(cutter, {item.get()}, {.start = 0.0, .end = 1.5}).result,
                  Err_Cut_SrcFileMappingError)
            << size;
    }
}

void IsoCutTest::ExpectClipPlays(const Clip& cut, int videoFrames, std::size_t streams) {
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
    const Clip direct = RunCutter(cutter, playList, {.start = start, .end = endOffset});
    ASSERT_EQ(direct.result, Cut_OK);
    EXPECT_EQ(isorec::ReadWholeFile(destination), direct.clip);
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
