#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct AVFilterGraph;
struct AVFilterContext;

namespace media {

// Changes the speed of interleaved 16-bit audio keeping its pitch (libavfilter's
// atempo, chained where one stage cannot reach). At tempo 1 samples pass unchanged.
class AudioTempo {
  public:
    AudioTempo(int rate, int channels);
    ~AudioTempo();
    AudioTempo(const AudioTempo&) = delete;
    AudioTempo& operator=(const AudioTempo&) = delete;

    bool SetTempo(double tempo);
    double Tempo() const { return tempo_; }
    // Drops everything held inside.
    void Reset();

    void Push(const std::int16_t* samples, int frames);
    // The stream ends: what is held inside comes out on the next Pull.
    void PushEnd();
    // Appends the output available so far.
    void Pull(std::vector<std::int16_t>& out);

  private:
    bool Build();
    void Release();

    const int rate_;
    const int channels_;
    double tempo_ = 1.0;
    AVFilterGraph* graph_ = nullptr;
    AVFilterContext* source_ = nullptr;
    AVFilterContext* sink_ = nullptr;
    std::vector<std::int16_t> passThrough_;
    std::int64_t pts_ = 0;
};

}  // namespace media
