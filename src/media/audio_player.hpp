#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quirelle {

// Plays one sound at a time from the bytes of an audio file held in memory (nothing is written
// to disk), on GStreamer: MP3, AAC in MP4, Ogg Vorbis and Opus, WAV. The bytes live as long as
// the sound. Errors of the pipeline (a file that cannot be decoded, no sound device) arrive on
// the main loop and end the sound; they never end the program. $QUIRELLE_AUDIO_SINK names the
// sink to play into (tests use "fakesink sync=true"); else the desktop's own.
class AudioPlayer {
  public:
    enum class State { Stopped, Playing, Paused };

    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    // Plays `data` from its start; a sound playing before it ends first. False when no
    // pipeline could be built for it.
    bool Play(std::vector<unsigned char> data);
    void Pause();
    void Resume();
    void Stop();

    State state() const { return state_; }
    // How far the sound has played, in nanoseconds; -1 while nothing plays or it is not known.
    std::int64_t Position() const;
    // Why the last sound ended early, if it did.
    const std::string& lastError() const { return lastError_; }

  private:
    struct Pipeline;
    static int OnBusMessage(void* bus, void* message, void* self);
    void Finish(const std::string& error);

    std::unique_ptr<Pipeline> pipeline_;
    State state_ = State::Stopped;
    std::string lastError_;
};

}  // namespace quirelle
