#pragma once

// Writes recordings in the recorder's MP4 box layout:
//   ftyp, [free], mdat (per second: one video chunk, then one audio chunk),
//   moov: mvhd, trak (video: tkhd, mdia: mdhd, hdlr, minf: vmhd, dinf,
//   stbl: stsd, stts, stss, stsc, stsz, stco), trak (audio: ... smhd ...
//   stsd, stts, stsc, stsz, stco), udta: text box, FPTS, FLOG.
// One stsc entry per chunk, one stts entry per video sample, one audio stts
// entry. FPTS values and FLOG records are little-endian.
//
//   Mp4RecordingSpec spec = SyntheticMp4Spec(10.0, 1);   // 10 s, recording tag 1
//   WriteMp4Recording(path, spec);

#include "RecordingMedia.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace isorec {

using FlogRecordBytes = std::array<std::uint8_t, 64>;

// A FLOG record: seconds and the 16-bit milliseconds field at its start, the
// rest a pattern of `fill`.
FlogRecordBytes MakeFlogRecord(std::uint32_t seconds, std::uint16_t milliseconds,
                               std::uint8_t fill);

struct Mp4RecordingSpec {
    std::uint32_t movieTimeScale = 1000;
    std::uint32_t videoTimeScale = 90000;
    std::uint32_t videoDelta = 3600;  // 25 pictures a second
    std::uint32_t audioTimeScale = 16000;
    std::uint32_t audioDelta = 1024;

    TrackMedia video;
    TrackMedia audio;
    std::uint32_t videoSamplesPerChunk = 25;  // a chunk starts with each key picture
    std::uint16_t width = 320;
    std::uint16_t height = 240;

    std::vector<FlogRecordBytes> records;
    std::vector<std::uint32_t> fpts;  // one per record

    // Layout variations.
    bool freeBoxBeforeMdat = false;
    std::string textType = "INFO";
    std::string text = "FW 1.02.07";
    bool textBoxEnclosesLog = true;
    bool editListInVideoTrack = false;  // an edts between tkhd and mdia
    bool cttsAfterVideoStco = false;    // a composition table after the video stco
};

// Synthetic content: `seconds` of 25 pictures a second (a key picture a second),
// 16 kHz audio, five log records a second from `startTime`.
Mp4RecordingSpec SyntheticMp4Spec(double seconds, std::uint8_t recording,
                                  std::uint32_t startTime = 1700000000);
// Five records a second for `count` records, FPTS running from `firstFpts`.
void FillLogRecords(Mp4RecordingSpec& spec, std::uint32_t count, std::uint32_t startTime,
                    std::uint32_t firstFpts);

std::vector<std::uint8_t> BuildMp4Recording(const Mp4RecordingSpec& spec);
bool WriteMp4Recording(const QString& path, const Mp4RecordingSpec& spec);

// Whole-file helpers.
std::vector<std::uint8_t> ReadWholeFile(const QString& path);
bool WriteWholeFile(const QString& path, const std::vector<std::uint8_t>& bytes);

}  // namespace isorec
