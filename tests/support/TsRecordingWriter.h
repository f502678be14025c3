#pragma once

// Writes recordings in the recorder's MPEG-TS layout, for tests, tools and
// benchmarks.
//
// The layout (offsets are bytes of a 188-byte packet):
//   - PAT (PID 0) with two program entries: program 0 -> NIT PID 0x10, program 1 ->
//     PMT PID 0x100 (bytes 19..20 of the packet).
//   - PMT (PID 0x100): PCR PID (the video PID), no program info, then three
//     streams: video 0x1011 (H.264, type 0x1B), audio 0x1100 (AAC ADTS, type
//     0x0F), sensor log 0x1600 (private data, type 0x06).
//   - Video: one PES per access unit; the PES-start packet carries an adaptation
//     field with the PCR (and the random-access flag on key frames).
//   - Audio: one PES per ADTS frame.
//   - Sensor log: 5 packets a second, one PES each. The first packet's PES data
//     start at byte 108 with the 16-byte LogStreamHeader; every log packet holds
//     its 64-byte TsLogRecord at bytes 124..187.
//   - PAT and PMT at the start and again before every key frame. CRC32 of every
//     section and the continuity counters are right, so ffprobe reads the file.
//
// Two kinds of content:
//   - synthetic: tiny fake video and audio payloads (not decodable), cheap, for
//     tests of the layout and the sensor log;
//   - real: H.264 (Annex B, one access unit delimiter per picture, B-frames
//     when the stream lists each picture's presentation delay) and AAC ADTS
//     elementary streams, e.g. from EncodeTestMedia (TestMedia.h); the result
//     plays. Pictures go out in decode order, the PCR and the DTS on the decode
//     clock, a PTS apart from its DTS only for reordered pictures. Repeating the
//     media end to end makes long recordings without encoding them.
//
// Typical use:
//   TsRecordingSpec spec;
//   spec.durationSeconds = 3;                       // synthetic content
//   spec.logSample = [](int i, const TsRecordingSpec& s) { ... };
//   WriteTsRecording(path, spec);
//
//   spec.media = &EncodeTestMedia({...});           // real content
//   WriteTsRecording(path, spec);

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tsrec {

inline constexpr int kPacketSize = 188;
inline constexpr std::uint16_t kPidPat = 0x0000;
inline constexpr std::uint16_t kPidNit = 0x0010;
inline constexpr std::uint16_t kPidPmt = 0x0100;
inline constexpr std::uint16_t kPidVideo = 0x1011;
inline constexpr std::uint16_t kPidAudio = 0x1100;
inline constexpr std::uint16_t kPidLog = 0x1600;
inline constexpr std::uint16_t kPidNull = 0x1FFF;
inline constexpr std::uint32_t kLogMagic = 0x18168828;
inline constexpr int kLogHeaderOffset = 108;  // LogStreamHeader in the first log packet
inline constexpr int kLogRecordOffset = 124;  // TsLogRecord in every log packet
inline constexpr int kLogRecordSize = 64;
inline constexpr std::int64_t kClock = 90000;  // PCR base and PTS units per second

// One sensor sample as the recorder stores it; the fields are the record's raw
// bit fields (no range checks, so tests can write any value the bits hold).
struct TsLogSample {
    std::uint32_t seconds = 0;       // Unix seconds
    std::uint16_t milliseconds = 0;  // 12 bits
    std::uint8_t turnLamps = 0;      // bit 0 left, bit 1 right
    bool coolantNegative = false;
    std::uint8_t coolantMagnitude = 0;  // whole degrees C
    std::uint16_t obdWhole = 0;         // whole km/h, 9 bits
    std::uint8_t obdTenths = 0;         // 4 bits
    std::uint8_t batteryWhole = 0;      // whole volts, 5 bits
    std::uint8_t batteryTenths = 0;     // 4 bits
    float gX = 0, gY = 0, gZ = 0;       // as measured (the player shows them negated)
};

// The 64-byte TsLogRecord of a sample (little-endian fields).
std::array<std::uint8_t, kLogRecordSize> EncodeTsLogRecord(const TsLogSample& sample);

// The 16-byte LogStreamHeader.
std::array<std::uint8_t, 16> MakeLogStreamHeader(std::uint32_t magic, std::uint8_t major,
                                                 std::uint8_t minor, std::uint8_t patch);

// Real elementary streams to wrap.
struct ElementaryStreams {
    std::vector<std::uint8_t> h264;  // Annex B, an AUD (NAL type 9) before every picture
    std::vector<std::uint8_t> adts;  // AAC ADTS frames; may be empty (no audio packets)
    double frameRate = 25.0;
    // Per picture in decode order: PTS minus DTS in 90 kHz ticks. Empty for a
    // stream without B-frames (every PTS is its DTS).
    std::vector<std::int64_t> presentationDelays;
};

struct TsRecordingSpec;
using LogSampleGenerator = std::function<TsLogSample(int index, const TsRecordingSpec& spec)>;

struct TsRecordingSpec {
    // Synthetic content: this many seconds of video frames at frameRate (the
    // probe's duration is (frames - 1) / frameRate). Ignored when media is set,
    // where the pictures of the H.264 stream decide.
    double durationSeconds = 2.0;
    double frameRate = 25.0;
    int syntheticFrameBytes = 600;  // per synthetic picture; key frames 4x

    const ElementaryStreams* media = nullptr;  // real content when set

    // Clocks. The first PCR base (33 bits); PTS run 200 ms ahead of the PCR.
    std::uint64_t firstPcrBase = 900000;
    double gopSeconds = 1.0;  // key frame interval of synthetic video

    // Sensor log. startTime is the first record's seconds unless logSample says
    // otherwise (the probe reads the start time from the first record).
    std::uint32_t startTime = 1700000000;
    std::array<std::uint8_t, 3> version{1, 0, 12};
    std::uint32_t magic = kLogMagic;
    int logSamplesPerSecond = 5;
    int logSampleCount = -1;         // -1: duration x logSamplesPerSecond
    double logStartSeconds = 0.0;    // the first log packet's place on the clock
    LogSampleGenerator logSample{};  // empty: DefaultLogSample
    std::uint16_t logPid = kPidLog;  // the decoder takes any PID 0x1600..0x16FF
    bool firstLogPacketHasAdaptationField = true;

    // Pieces left out or added, for failure tests.
    bool writePat = true;
    bool writePmt = true;
    bool writePcr = true;
    bool writeVideoPts = true;  // false: video PES headers carry no time stamp
    bool writeAudio = true;
    bool writeLog = true;
    std::uint16_t pmtPidInPat = kPidPmt;
    std::array<std::uint16_t, 3> pmtStreamPids{kPidVideo, kPidAudio, kPidLog};
    int leadingNullPackets = 0;    // null packets right after the first PAT and PMT
    int trailingNullPackets = 0;   // null packets at the end of the file
    int pcrStopsAfterFrames = -1;  // >= 0: only this many pictures carry a PCR

    // Audio time stamps from this second on (>= 0) run audioJumpSeconds ahead, as a
    // recorder whose sound clock jumped leaves them.
    double audioJumpAtSeconds = -1.0;
    double audioJumpSeconds = 0.0;

    // From this second on (>= 0) every clock (PCR, time stamps) runs
    // clockBackSeconds behind, as a recorder whose clock was reset mid-file leaves
    // them; at the start of a repeat of real media the step falls on a key frame.
    double clockBackAtSeconds = -1.0;
    double clockBackSeconds = 0.0;

    // Real content: the media this many times end to end, clocks running on
    // (every repeat starts with a key frame of a closed GOP).
    int mediaRepeats = 1;
};

// Sample `index` with only its time set: logSamplesPerSecond from spec.startTime.
TsLogSample StampedLogSample(int index, const TsRecordingSpec& spec);
// Sample `index` of a plain drive: 5 per second from spec.startTime, 50 km/h,
// 12.6 V, 85 degrees C, small G forces.
TsLogSample DefaultLogSample(int index, const TsRecordingSpec& spec);

// Writes the recording (in pieces, so large ones never sit in memory whole);
// false when the file cannot be written or the media are unusable (no picture in
// the H.264 stream, or presentation delays that do not match its pictures).
bool WriteTsRecording(const QString& path, const TsRecordingSpec& spec);
// The same into memory.
std::vector<std::uint8_t> BuildTsRecording(const TsRecordingSpec& spec);

// Low-level packet writer for hand-made layouts. Every packet is 188 bytes; the
// continuity counter of each PID runs on its own.
class TsPacketWriter {
  public:
    void WritePat(std::uint16_t pmtPid = kPidPmt);
    void WritePmt(std::uint16_t pcrPid = kPidVideo,
                  std::array<std::uint16_t, 3> pids = {kPidVideo, kPidAudio, kPidLog});
    // One PES of a picture; the first packet carries the PCR when withPcr. The
    // header holds the PTS, and the DTS too when it is not negative; with a
    // negative PTS it holds no time stamp.
    void WriteVideoPes(const std::vector<std::uint8_t>& accessUnit, std::int64_t pts,
                       std::uint64_t pcrBase, bool withPcr, bool keyFrame,
                       std::uint16_t pid = kPidVideo, std::int64_t dts = -1);
    void WriteAudioPes(const std::uint8_t* frame, std::size_t size, std::uint64_t pts,
                       std::uint16_t pid = kPidAudio);
    // The first log packet of a recording: LogStreamHeader at 108, record at 124.
    // Without adaptation field the PES header is padded so that both keep their
    // places.
    void WriteFirstLogPacket(const std::array<std::uint8_t, 16>& header, const TsLogSample& sample,
                             std::uint64_t pts, bool adaptationField, std::uint16_t pid = kPidLog);
    void WriteLogPacket(const TsLogSample& sample, std::uint64_t pts, std::uint16_t pid = kPidLog);
    void WriteNullPackets(int count);
    // A raw packet as it is (tests patch bytes in it first).
    void WriteRawPacket(const std::array<std::uint8_t, kPacketSize>& packet);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

  private:
    std::uint8_t NextCounter(std::uint16_t pid);
    // A packet of 0xFF stuffing behind its 4-byte header, with the PID's next
    // continuity counter (null packets keep 0).
    std::array<std::uint8_t, kPacketSize> NewPacket(std::uint16_t pid, bool payloadStart,
                                                    bool adaptation);
    void WritePes(std::uint16_t pid, const std::vector<std::uint8_t>& pes, bool withPcr,
                  std::uint64_t pcrBase, bool randomAccess);
    void WriteLogPes(std::uint16_t pid, int pesStart, const std::vector<std::uint8_t>& pes);
    void WriteSection(std::uint16_t pid, std::vector<std::uint8_t> section);

    std::vector<std::uint8_t> bytes_;
    std::array<std::uint8_t, 0x2000> counters_{};
};

// MPEG-2 CRC32 of PSI sections.
std::uint32_t Crc32Mpeg(const std::uint8_t* data, std::size_t size);

// Whole-file helpers for tests that patch recordings.
std::vector<std::uint8_t> ReadFileBytes(const QString& path);
bool WriteFileBytes(const QString& path, const std::vector<std::uint8_t>& bytes);
// Byte offsets of the packets of `pid` (from offset 0, in 188-byte steps).
std::vector<std::size_t> PacketOffsets(const std::vector<std::uint8_t>& bytes, std::uint16_t pid);
// The PID of the packet at `offset`.
std::uint16_t PacketPid(const std::uint8_t* packet);

}  // namespace tsrec
