#include "TsRecordingWriter.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <tuple>

namespace tsrec {

namespace {

constexpr std::uint64_t kPtsMask = (std::uint64_t{1} << 33) - 1;
constexpr std::uint64_t kPtsLead = 18000;  // 200 ms between PCR and presentation
constexpr int kPayloadSize = kPacketSize - 4;
constexpr std::uint8_t kStreamTypeH264 = 0x1B;
constexpr std::uint8_t kStreamTypeAdts = 0x0F;
constexpr std::uint8_t kStreamTypePrivate = 0x06;

void PutLe16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLe32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A PTS alone takes the prefix 0x21; a PTS before a DTS 0x31, that DTS 0x11.
void PutPts(std::uint8_t* at, std::uint64_t pts, std::uint8_t prefix = 0x21) {
    pts &= kPtsMask;
    at[0] = static_cast<std::uint8_t>(prefix | ((pts >> 29) & 0x0E));
    at[1] = static_cast<std::uint8_t>(pts >> 22);
    at[2] = static_cast<std::uint8_t>(((pts >> 14) & 0xFE) | 1);
    at[3] = static_cast<std::uint8_t>(pts >> 7);
    at[4] = static_cast<std::uint8_t>(((pts << 1) & 0xFE) | 1);
}

void PutPcr(std::uint8_t* at, std::uint64_t base) {
    base &= kPtsMask;
    at[0] = static_cast<std::uint8_t>(base >> 25);
    at[1] = static_cast<std::uint8_t>(base >> 17);
    at[2] = static_cast<std::uint8_t>(base >> 9);
    at[3] = static_cast<std::uint8_t>(base >> 1);
    at[4] = static_cast<std::uint8_t>(((base & 1) << 7) | 0x7E);
    at[5] = 0;
}

std::vector<std::uint8_t> PesHeader(std::uint8_t streamId, std::uint64_t pts, std::size_t dataSize,
                                    int headerDataLength, bool bounded) {
    std::vector<std::uint8_t> pes = {0x00,     0x00, 0x01,
                                     streamId, 0x00, 0x00,
                                     0x80,     0x80, static_cast<std::uint8_t>(headerDataLength)};
    pes.resize(9 + static_cast<std::size_t>(headerDataLength), 0xFF);
    PutPts(pes.data() + 9, pts);
    const std::size_t length = 3 + static_cast<std::size_t>(headerDataLength) + dataSize;
    if (bounded && length <= 0xFFFF) {
        pes[4] = static_cast<std::uint8_t>(length >> 8);
        pes[5] = static_cast<std::uint8_t>(length);
    }
    return pes;
}

// A picture's header: PTS and DTS, PTS alone (dts < 0) or no time stamp (pts < 0).
std::vector<std::uint8_t> VideoPesHeader(std::int64_t pts, std::int64_t dts) {
    if (pts < 0) {
        return {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0x00, 0x00};
    }
    if (dts < 0) {
        return PesHeader(0xE0, static_cast<std::uint64_t>(pts), 0, 5, false);
    }
    std::vector<std::uint8_t> pes = {0x00, 0x00, 0x01, 0xE0, 0x00, 0x00, 0x80, 0xC0, 10};
    pes.resize(19);
    PutPts(pes.data() + 9, static_cast<std::uint64_t>(pts), 0x31);
    PutPts(pes.data() + 14, static_cast<std::uint64_t>(dts), 0x11);
    return pes;
}

// Start-code positions of NAL units: offset of the first NAL byte.
std::vector<std::size_t> NalStarts(const std::vector<std::uint8_t>& es) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i + 3 < es.size(); ++i) {
        if (es[i] == 0 && es[i + 1] == 0 && es[i + 2] == 1) {
            starts.push_back(i + 3);
            i += 2;
        }
    }
    return starts;
}

struct AccessUnit {
    std::vector<std::uint8_t> bytes;
    bool key = false;
};

// Splits an Annex B stream at its access unit delimiters.
std::vector<AccessUnit> SplitAccessUnits(const std::vector<std::uint8_t>& es) {
    std::vector<AccessUnit> units;
    const std::vector<std::size_t> nals = NalStarts(es);
    std::size_t unitStart = 0;
    bool key = false;
    bool open = false;
    for (std::size_t n = 0; n < nals.size(); ++n) {
        const int type = es[nals[n]] & 0x1F;
        // The start code (3 or 4 bytes) belongs to this NAL.
        std::size_t codeStart = nals[n] - 3;
        if (codeStart > 0 && es[codeStart - 1] == 0) {
            --codeStart;
        }
        if (type == 9) {
            if (open) {
                units.push_back({{es.begin() + static_cast<std::ptrdiff_t>(unitStart),
                                  es.begin() + static_cast<std::ptrdiff_t>(codeStart)},
                                 key});
            }
            unitStart = codeStart;
            key = false;
            open = true;
        }
        key = key || type == 5;
    }
    if (open) {
        units.push_back({{es.begin() + static_cast<std::ptrdiff_t>(unitStart), es.end()}, key});
    }
    return units;
}

std::vector<AccessUnit> SyntheticAccessUnits(const TsRecordingSpec& spec) {
    const int frames = static_cast<int>(std::lround(spec.durationSeconds * spec.frameRate));
    const int gop = std::max(1, static_cast<int>(std::lround(spec.gopSeconds * spec.frameRate)));
    std::vector<AccessUnit> units;
    for (int i = 0; i < frames; ++i) {
        AccessUnit unit;
        unit.key = i % gop == 0;
        const int size = std::max(16, spec.syntheticFrameBytes * (unit.key ? 4 : 1));
        // Access unit delimiter, then a filler NAL.
        unit.bytes = {0x00, 0x00, 0x00, 0x01, 0x09, 0xF0, 0x00, 0x00, 0x00, 0x01, 0x0C};
        unit.bytes.resize(static_cast<std::size_t>(size), 0xFF);
        unit.bytes.back() = 0x80;
        units.push_back(std::move(unit));
    }
    return units;
}

struct AudioFrame {
    std::size_t offset;
    std::size_t size;
};

int AdtsSampleRate(int index) {
    static constexpr int kRates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000,  7350};
    return index >= 0 && index < 13 ? kRates[index] : 48000;
}

std::vector<AudioFrame> SplitAdts(const std::vector<std::uint8_t>& adts, int* sampleRate) {
    std::vector<AudioFrame> frames;
    std::size_t at = 0;
    while (at + 7 <= adts.size() && adts[at] == 0xFF && (adts[at + 1] & 0xF0) == 0xF0) {
        const std::size_t length =
            ((adts[at + 3] & 0x03u) << 11) | (adts[at + 4] << 3) | (adts[at + 5] >> 5);
        if (length < 7 || at + length > adts.size()) {
            break;
        }
        if (frames.empty()) {
            *sampleRate = AdtsSampleRate((adts[at + 2] >> 2) & 0x0F);
        }
        frames.push_back({at, length});
        at += length;
    }
    return frames;
}

// Silent-looking AAC frames of 48 kHz stereo: a valid ADTS header over zeros.
std::vector<std::uint8_t> SyntheticAdts(double seconds) {
    const int count = static_cast<int>(std::ceil(seconds * 48000.0 / 1024.0));
    constexpr std::size_t kFrame = 7 + 16;
    std::vector<std::uint8_t> adts;
    for (int i = 0; i < count; ++i) {
        const std::uint8_t header[7] = {0xFF,
                                        0xF1,
                                        static_cast<std::uint8_t>(0x40 | (3 << 2)),
                                        static_cast<std::uint8_t>(0x80 | (kFrame >> 11)),
                                        static_cast<std::uint8_t>(kFrame >> 3),
                                        static_cast<std::uint8_t>(((kFrame & 7) << 5) | 0x1F),
                                        0xFC};
        adts.insert(adts.end(), header, header + 7);
        adts.resize(adts.size() + kFrame - 7, 0);
    }
    return adts;
}

enum class Unit { Video, Audio, Log };

struct Scheduled {
    double time;
    Unit unit;
    int index;
};

std::uint64_t Ticks(double seconds) {
    return static_cast<std::uint64_t>(std::llround(seconds * static_cast<double>(kClock)));
}

}  // namespace

std::array<std::uint8_t, kLogRecordSize> EncodeTsLogRecord(const TsLogSample& sample) {
    std::array<std::uint8_t, kLogRecordSize> record{};
    PutLe32(&record[0], sample.seconds);
    PutLe16(&record[4], static_cast<std::uint16_t>(sample.milliseconds & 0x0FFF));
    PutLe16(&record[26], static_cast<std::uint16_t>((sample.turnLamps & 0x3) |
                                                    (sample.coolantNegative ? 0x40 : 0) |
                                                    ((sample.obdWhole & 0x1FF) << 7)));
    PutLe16(&record[28], static_cast<std::uint16_t>((sample.obdTenths & 0x0F) |
                                                    ((sample.coolantMagnitude & 0xFF) << 4)));
    PutLe16(&record[32], static_cast<std::uint16_t>((sample.batteryWhole & 0x1F) |
                                                    ((sample.batteryTenths & 0x0F) << 5)));
    std::memcpy(&record[40], &sample.gX, 4);
    std::memcpy(&record[44], &sample.gY, 4);
    std::memcpy(&record[48], &sample.gZ, 4);
    return record;
}

std::array<std::uint8_t, 16> MakeLogStreamHeader(std::uint32_t magic, std::uint8_t major,
                                                 std::uint8_t minor, std::uint8_t patch) {
    std::array<std::uint8_t, 16> header{};
    PutLe32(&header[0], magic);
    header[4] = 0x01;  // bytes the player copies without reading
    header[8] = major;
    header[9] = minor;
    header[10] = patch;
    header[11] = 0x5A;
    return header;
}

TsLogSample StampedLogSample(int index, const TsRecordingSpec& spec) {
    const int rate = std::max(1, spec.logSamplesPerSecond);
    TsLogSample sample;
    sample.seconds = spec.startTime + static_cast<std::uint32_t>(index / rate);
    sample.milliseconds = static_cast<std::uint16_t>((index % rate) * (1000 / rate));
    return sample;
}

TsLogSample DefaultLogSample(int index, const TsRecordingSpec& spec) {
    TsLogSample sample = StampedLogSample(index, spec);
    sample.obdWhole = 50;
    sample.obdTenths = static_cast<std::uint8_t>(index % 10);
    sample.coolantMagnitude = 85;
    sample.batteryWhole = 12;
    sample.batteryTenths = 6;
    sample.gX = 0.01f * static_cast<float>(index % 7);
    sample.gY = -0.02f;
    sample.gZ = 1.0f;
    return sample;
}

std::uint32_t Crc32Mpeg(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<std::uint32_t>(data[i]) << 24;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        }
    }
    return crc;
}

std::uint8_t TsPacketWriter::NextCounter(std::uint16_t pid) {
    const std::uint8_t counter = counters_[pid & 0x1FFF];
    counters_[pid & 0x1FFF] = static_cast<std::uint8_t>((counter + 1) & 0x0F);
    return counter;
}

std::array<std::uint8_t, kPacketSize> TsPacketWriter::NewPacket(std::uint16_t pid,
                                                                bool payloadStart,
                                                                bool adaptation) {
    std::array<std::uint8_t, kPacketSize> packet;
    packet.fill(0xFF);
    packet[0] = 0x47;
    packet[1] = static_cast<std::uint8_t>((payloadStart ? 0x40 : 0) | (pid >> 8));
    packet[2] = static_cast<std::uint8_t>(pid);
    const std::uint8_t counter = pid == kPidNull ? 0 : NextCounter(pid);
    packet[3] = static_cast<std::uint8_t>((adaptation ? 0x30 : 0x10) | counter);
    return packet;
}

// The section's length field is set here; its CRC follows it.
void TsPacketWriter::WriteSection(std::uint16_t pid, std::vector<std::uint8_t> section) {
    section[2] = static_cast<std::uint8_t>(section.size() - 3 + 4);
    std::array<std::uint8_t, kPacketSize> packet = NewPacket(pid, true, false);
    packet[4] = 0;  // pointer field
    std::copy(section.begin(), section.end(), packet.begin() + 5);
    const std::uint32_t crc = Crc32Mpeg(section.data(), section.size());
    const std::size_t end = 5 + section.size();
    for (int i = 0; i < 4; ++i) {
        packet[end + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
    WriteRawPacket(packet);
}

namespace {

// Table id, section syntax and length (set by WriteSection), id 1, version 0,
// current, section 0 of 0.
std::vector<std::uint8_t> SectionStart(std::uint8_t tableId) {
    return {tableId, 0xB0, 0x00, 0x00, 0x01, 0xC1, 0x00, 0x00};
}

std::array<std::uint8_t, 2> PidBytes(std::uint16_t pid) {
    return {static_cast<std::uint8_t>(0xE0 | (pid >> 8)), static_cast<std::uint8_t>(pid)};
}

}  // namespace

void TsPacketWriter::WritePat(std::uint16_t pmtPid) {
    // Two program entries: the network PID, then program 1 with its PMT.
    std::vector<std::uint8_t> section = SectionStart(0x00);
    const auto nit = PidBytes(kPidNit);
    const auto pmt = PidBytes(pmtPid);
    section.insert(section.end(), {0x00, 0x00, nit[0], nit[1], 0x00, 0x01, pmt[0], pmt[1]});
    WriteSection(kPidPat, section);
}

void TsPacketWriter::WritePmt(std::uint16_t pcrPid, std::array<std::uint16_t, 3> pids) {
    std::vector<std::uint8_t> section = SectionStart(0x02);
    const auto pcr = PidBytes(pcrPid);
    section.insert(section.end(), {pcr[0], pcr[1], 0xF0, 0x00});
    const std::uint8_t types[3] = {kStreamTypeH264, kStreamTypeAdts, kStreamTypePrivate};
    for (int i = 0; i < 3; ++i) {
        const auto pid = PidBytes(pids[i]);
        section.insert(section.end(), {types[i], pid[0], pid[1], 0xF0, 0x00});
    }
    WriteSection(kPidPmt, section);
}

void TsPacketWriter::WritePes(std::uint16_t pid, const std::vector<std::uint8_t>& pes, bool withPcr,
                              std::uint64_t pcrBase, bool randomAccess) {
    std::size_t done = 0;
    bool first = true;
    while (done < pes.size()) {
        const bool pcr = first && withPcr;
        const bool flags = first && (withPcr || randomAccess);
        const std::size_t minAdaptation = pcr ? 8 : (flags ? 2 : 0);
        const std::size_t payload =
            std::min(pes.size() - done, static_cast<std::size_t>(kPayloadSize) - minAdaptation);
        const std::size_t adaptation = kPayloadSize - payload;  // incl. its length byte
        std::array<std::uint8_t, kPacketSize> packet = NewPacket(pid, first, adaptation > 0);
        if (adaptation > 0) {
            packet[4] = static_cast<std::uint8_t>(adaptation - 1);
            if (adaptation > 1) {
                packet[5] = static_cast<std::uint8_t>((pcr ? 0x10 : 0) |
                                                      (first && randomAccess ? 0x40 : 0));
                if (pcr) {
                    PutPcr(&packet[6], pcrBase);
                }
            }
        }
        std::copy(pes.begin() + static_cast<std::ptrdiff_t>(done),
                  pes.begin() + static_cast<std::ptrdiff_t>(done + payload),
                  packet.begin() + static_cast<std::ptrdiff_t>(4 + adaptation));
        WriteRawPacket(packet);
        done += payload;
        first = false;
    }
}

void TsPacketWriter::WriteVideoPes(const std::vector<std::uint8_t>& accessUnit, std::int64_t pts,
                                   std::uint64_t pcrBase, bool withPcr, bool keyFrame,
                                   std::uint16_t pid, std::int64_t dts) {
    std::vector<std::uint8_t> pes = VideoPesHeader(pts, dts);
    pes.insert(pes.end(), accessUnit.begin(), accessUnit.end());
    WritePes(pid, pes, withPcr, pcrBase, keyFrame);
}

void TsPacketWriter::WriteAudioPes(const std::uint8_t* frame, std::size_t size, std::uint64_t pts,
                                   std::uint16_t pid) {
    std::vector<std::uint8_t> pes = PesHeader(0xC0, pts, size, 5, true);
    pes.insert(pes.end(), frame, frame + size);
    WritePes(pid, pes, false, 0, false);
}

void TsPacketWriter::WriteLogPes(std::uint16_t pid, int pesStart,
                                 const std::vector<std::uint8_t>& pes) {
    const bool adaptation = pesStart > 4;
    std::array<std::uint8_t, kPacketSize> packet = NewPacket(pid, true, adaptation);
    if (adaptation) {
        packet[4] = static_cast<std::uint8_t>(pesStart - 5);
        packet[5] = 0x00;
    }
    std::copy(pes.begin(), pes.end(), packet.begin() + pesStart);
    WriteRawPacket(packet);
}

void TsPacketWriter::WriteFirstLogPacket(const std::array<std::uint8_t, 16>& header,
                                         const TsLogSample& sample, std::uint64_t pts,
                                         bool adaptationField, std::uint16_t pid) {
    const auto record = EncodeTsLogRecord(sample);
    // With an adaptation field the PES starts at 94 (9 + 5 header bytes before 108);
    // without one it starts at 4 and its header is stuffed up to 108.
    const int pesStart = adaptationField ? kLogHeaderOffset - 14 : 4;
    const int headerData = kLogHeaderOffset - pesStart - 9;
    std::vector<std::uint8_t> pes = PesHeader(0xBD, pts, 16 + kLogRecordSize, headerData, true);
    pes.insert(pes.end(), header.begin(), header.end());
    pes.insert(pes.end(), record.begin(), record.end());
    WriteLogPes(pid, pesStart, pes);
}

void TsPacketWriter::WriteLogPacket(const TsLogSample& sample, std::uint64_t pts,
                                    std::uint16_t pid) {
    const auto record = EncodeTsLogRecord(sample);
    std::vector<std::uint8_t> pes = PesHeader(0xBD, pts, kLogRecordSize, 5, true);
    pes.insert(pes.end(), record.begin(), record.end());
    WriteLogPes(pid, kLogRecordOffset - 14, pes);
}

void TsPacketWriter::WriteNullPackets(int count) {
    for (int i = 0; i < count; ++i) {
        WriteRawPacket(NewPacket(kPidNull, false, false));
    }
}

void TsPacketWriter::WriteRawPacket(const std::array<std::uint8_t, kPacketSize>& packet) {
    bytes_.insert(bytes_.end(), packet.begin(), packet.end());
}

namespace {

// WriteTsRecording hands the bytes on whenever the writer holds this much.
constexpr std::size_t kSpillBytes = 8u << 20;

// Writes the recording into `writer`, calling `spill` (when set) whenever it holds
// kSpillBytes or more. False when the media are unusable or a spill fails.
bool EmitRecording(const TsRecordingSpec& spec, TsPacketWriter& writer,
                   const std::function<bool()>& spill) {
    std::vector<AccessUnit> pictures;
    double frameRate = spec.frameRate;
    std::vector<std::uint8_t> syntheticAdts;
    const std::vector<std::uint8_t>* adts = &syntheticAdts;
    int repeats = 1;
    if (spec.media != nullptr) {
        pictures = SplitAccessUnits(spec.media->h264);
        frameRate = spec.media->frameRate;
        adts = &spec.media->adts;
        repeats = std::max(1, spec.mediaRepeats);
    } else {
        pictures = SyntheticAccessUnits(spec);
        syntheticAdts = SyntheticAdts(spec.durationSeconds);
    }
    if (pictures.empty() || frameRate <= 0) {
        return false;
    }
    const std::vector<std::int64_t>* delays =
        spec.media != nullptr && !spec.media->presentationDelays.empty()
            ? &spec.media->presentationDelays
            : nullptr;
    if (delays != nullptr && delays->size() != pictures.size()) {
        return false;
    }
    // Reordered media delay the first picture too: decoding runs ahead by that much,
    // so that the first picture is still presented with the first sound.
    const std::int64_t decodeLead = delays != nullptr ? delays->front() : 0;
    const int count = static_cast<int>(pictures.size());
    const double pass = static_cast<double>(count) / frameRate;
    const double duration = pass * repeats;
    int sampleRate = 48000;
    const std::vector<AudioFrame> audio =
        spec.writeAudio ? SplitAdts(*adts, &sampleRate) : std::vector<AudioFrame>{};
    const int logRate = std::max(1, spec.logSamplesPerSecond);
    const int logCount = !spec.writeLog ? 0
                         : spec.logSampleCount >= 0
                             ? spec.logSampleCount
                             : static_cast<int>(std::floor(duration * logRate + 1e-9));

    std::vector<Scheduled> schedule;
    for (int k = 0; k < repeats; ++k) {
        for (int i = 0; i < count; ++i) {
            schedule.push_back({k * pass + i / frameRate, Unit::Video, k * count + i});
        }
        for (int i = 0; i < static_cast<int>(audio.size()); ++i) {
            const double time = i * 1024.0 / sampleRate;
            if (time < pass) {
                schedule.push_back({k * pass + time, Unit::Audio, i});
            }
        }
    }
    for (int i = 0; i < logCount; ++i) {
        schedule.push_back({spec.logStartSeconds + static_cast<double>(i) / logRate, Unit::Log, i});
    }
    std::stable_sort(schedule.begin(), schedule.end(), [](const Scheduled& a, const Scheduled& b) {
        return std::tie(a.time, a.unit) < std::tie(b.time, b.unit);
    });

    const LogSampleGenerator generator = spec.logSample ? spec.logSample : DefaultLogSample;
    const auto header =
        MakeLogStreamHeader(spec.magic, spec.version[0], spec.version[1], spec.version[2]);
    const auto writeTables = [&] {
        if (spec.writePat) {
            writer.WritePat(spec.pmtPidInPat);
        }
        if (spec.writePmt) {
            writer.WritePmt(kPidVideo, spec.pmtStreamPids);
        }
    };
    writeTables();
    writer.WriteNullPackets(spec.leadingNullPackets);
    for (const Scheduled& item : schedule) {
        const bool back = spec.clockBackAtSeconds >= 0.0 && item.time >= spec.clockBackAtSeconds;
        const std::uint64_t pcr =
            (spec.firstPcrBase + Ticks(item.time) - (back ? Ticks(spec.clockBackSeconds) : 0)) &
            kPtsMask;
        const std::uint64_t pts = pcr + kPtsLead;
        switch (item.unit) {
            case Unit::Video: {
                const auto index = static_cast<std::size_t>(item.index % count);
                const AccessUnit& picture = pictures[index];
                if (picture.key && item.index > 0) {
                    writeTables();
                }
                const bool withPcr = spec.writePcr && (spec.pcrStopsAfterFrames < 0 ||
                                                       item.index < spec.pcrStopsAfterFrames);
                // Reordered pictures are presented later than they are decoded.
                const std::int64_t delay = delays != nullptr ? (*delays)[index] : 0;
                const std::uint64_t decoded = pts - static_cast<std::uint64_t>(decodeLead);
                const auto dts = static_cast<std::int64_t>(decoded & kPtsMask);
                const std::int64_t shown =
                    !spec.writeVideoPts ? -1
                                        : static_cast<std::int64_t>((decoded + delay) & kPtsMask);
                writer.WriteVideoPes(picture.bytes, shown, pcr, withPcr, picture.key, kPidVideo,
                                     delay != 0 ? dts : -1);
                break;
            }
            case Unit::Audio: {
                const AudioFrame& frame = audio[static_cast<std::size_t>(item.index)];
                const bool jumped =
                    spec.audioJumpAtSeconds >= 0.0 && item.time >= spec.audioJumpAtSeconds;
                const std::uint64_t stamped = jumped ? pts + Ticks(spec.audioJumpSeconds) : pts;
                writer.WriteAudioPes(adts->data() + frame.offset, frame.size, stamped & kPtsMask);
                break;
            }
            case Unit::Log: {
                const TsLogSample sample = generator(item.index, spec);
                if (item.index == 0) {
                    writer.WriteFirstLogPacket(header, sample, pts,
                                               spec.firstLogPacketHasAdaptationField, spec.logPid);
                } else {
                    writer.WriteLogPacket(sample, pts, spec.logPid);
                }
                break;
            }
        }
        if (spill && writer.Bytes().size() >= kSpillBytes && !spill()) {
            return false;
        }
    }
    writer.WriteNullPackets(spec.trailingNullPackets);
    return true;
}

}  // namespace

std::vector<std::uint8_t> BuildTsRecording(const TsRecordingSpec& spec) {
    TsPacketWriter writer;
    if (!EmitRecording(spec, writer, {})) {
        return {};
    }
    return std::move(writer.Bytes());
}

bool WriteTsRecording(const QString& path, const TsRecordingSpec& spec) {
    // The file is made only once there is something to write.
    QFile file(path);
    TsPacketWriter writer;
    const auto spill = [&] {
        std::vector<std::uint8_t>& bytes = writer.Bytes();
        if (!file.isOpen() && !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return false;
        }
        const auto size = static_cast<qint64>(bytes.size());
        const bool written = file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
        bytes.clear();
        return written;
    };
    return EmitRecording(spec, writer, spill) && spill() && file.flush();
}

std::vector<std::uint8_t> ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

bool WriteFileBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size && file.flush();
}

std::uint16_t PacketPid(const std::uint8_t* packet) {
    return static_cast<std::uint16_t>(((packet[1] & 0x1F) << 8) | packet[2]);
}

std::vector<std::size_t> PacketOffsets(const std::vector<std::uint8_t>& bytes, std::uint16_t pid) {
    std::vector<std::size_t> offsets;
    for (std::size_t at = 0; at + kPacketSize <= bytes.size(); at += kPacketSize) {
        if (PacketPid(&bytes[at]) == pid) {
            offsets.push_back(at);
        }
    }
    return offsets;
}

}  // namespace tsrec
