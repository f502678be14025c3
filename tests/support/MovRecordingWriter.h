#pragma once

// Writes recordings in the recorder's MOV atom layout:
//   ftyp "qt  ", [wide], mdat (per second: the video samples, the audio samples
//   and the data sample of that second, each sample its own chunk),
//   moov: mvhd, one further atom (udta), trak (video: tkhd, [edts, one further
//   atom], mdia: mdhd, hdlr, minf: vmhd, [data hdlr], dinf, stbl: stsd, stts,
//   ctts, stsc, stsz, stco, stss, [sdtp]), trak (audio: tkhd, mdia: mdhd, hdlr,
//   minf: smhd, [data hdlr], dinf, stbl: stsd, stts, stsc, stsz, stco),
//   trak (data, same shape, on the video time scale), [atoms after the tracks].
// Every stts has one entry; stsc has one entry (one sample per chunk).
//
//   MovRecordingSpec spec = SyntheticMovSpec(10.0, 1);
//   WriteMovRecording(path, spec);

#include "RecordingMedia.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace isorec {

struct MovRecordingSpec {
    std::uint32_t movieTimeScale = 1000;
    std::uint32_t videoTimeScale = 90000;
    std::uint32_t videoDelta = 3600;  // 25 pictures a second
    std::uint32_t audioTimeScale = 48000;
    std::uint32_t audioDelta = 1024;
    std::uint32_t dataDelta = 90000;  // one data sample a second (video time scale)

    TrackMedia video;
    TrackMedia audio;
    TrackMedia data;
    std::uint16_t width = 320;
    std::uint16_t height = 240;

    // Optional atoms.
    bool wideAtom = true;            // "wide" between ftyp and mdat
    bool editList = true;            // edts and the atom after it in the video trak
    bool dataHandlers = true;        // the data-handler hdlr in each minf
    bool sampleDependencies = true;  // sdtp after the video stss
    bool trailingUserData = true;    // a udta after the third track
};

// Synthetic content: `seconds` of 25 pictures a second with a key picture every
// `keyEvery` pictures, 48 kHz audio and one data sample a second.
MovRecordingSpec SyntheticMovSpec(double seconds, std::uint8_t recording,
                                  std::uint32_t keyEvery = 25);

std::vector<std::uint8_t> BuildMovRecording(const MovRecordingSpec& spec);
bool WriteMovRecording(const QString& path, const MovRecordingSpec& spec);

}  // namespace isorec
