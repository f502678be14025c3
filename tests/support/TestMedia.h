#pragma once

// Real H.264 and AAC elementary streams made with the ffmpeg tool, and a small
// ffprobe runner, for tests, tools and benchmarks.
//
//   TestMediaParams params;  params.seconds = 2;
//   const tsrec::ElementaryStreams& media = tsrec::TestMedia(params);  // cached
//   spec.media = &media;  WriteTsRecording(path, spec);
//
//   tsrec::FfprobeReport report = tsrec::RunFfprobe(path);

#include "TsRecordingWriter.h"

#include <QString>
#include <QStringList>

namespace tsrec {

struct TestMediaParams {
    int width = 320;
    int height = 240;
    int frameRate = 25;
    double seconds = 2.0;
    int gopFrames = 0;   // 0: one key frame a second
    int videoKbps = 0;   // 0: constant quality instead of a bit rate
    bool grain = false;  // moving noise over the picture (camera-like bit rates)
    int toneHz = 440;
    int sampleRate = 48000;
    int audioKbps = 64;
    QString preset = QStringLiteral("ultrafast");
    int bFrames = 0;  // B-frames between reference pictures (their delays are listed)
};

// Runs the ffmpeg tool into `workDir`; false with `error` set when it fails.
bool EncodeMedia(const TestMediaParams& params, const QString& workDir, ElementaryStreams* out,
                 QString* error);

// EncodeMedia cached for the life of the process in a private temporary folder.
// Returns empty streams (no h264 bytes) when the tool fails.
const ElementaryStreams& TestMedia(const TestMediaParams& params);

// Runs a program; false when it cannot start, times out or exits non-zero.
bool RunTool(const QString& program, const QStringList& arguments, QByteArray* output,
             QByteArray* errors, int timeoutMs = 120000);

struct FfprobeReport {
    bool ran = false;        // ffprobe started and exited with 0
    QString errors;          // what it wrote at log level "error"
    double duration = 0.0;   // format duration, seconds
    QStringList codecTypes;  // per stream: "video", "audio", "data", ...
    QStringList codecNames;  // per stream: "h264", "aac", ...
};

FfprobeReport RunFfprobe(const QString& path);

}  // namespace tsrec
