// Sound from memory through a test sink that plays in real time.
#include "media/audio_player.hpp"

#include <glib.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "support/epub_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "support/sound_fixture.hpp"

namespace quirelle {
namespace {

using testing::Tone;

class AudioPlayerTest : public ::testing::Test {
  protected:
    // Lets the main loop run (the player's messages arrive there) until `done` holds.
    static bool RunUntil(const std::function<bool()>& done, double seconds = 10) {
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(static_cast<int>(seconds * 1000));
        while (std::chrono::steady_clock::now() < end) {
            while (g_main_context_iteration(nullptr, FALSE)) {
            }
            if (done()) {
                return true;
            }
            g_usleep(5'000);
        }
        return done();
    }
    static void RunFor(double seconds) {
        RunUntil([] { return false; }, seconds);
    }

    testing::ScopedVariable sink_{"QUIRELLE_AUDIO_SINK", "fakesink sync=true"};
    AudioPlayer player_;
};

TEST_F(AudioPlayerTest, PlayPauseResumeStopAndPlayAgain) {
    ASSERT_TRUE(player_.Play(Tone(5)));
    EXPECT_EQ(player_.state(), AudioPlayer::State::Playing);
    ASSERT_TRUE(RunUntil([&] { return player_.Position() > 200'000'000; }))
        << "playing moves the sound on";

    player_.Pause();
    EXPECT_EQ(player_.state(), AudioPlayer::State::Paused);
    RunFor(0.1);
    const std::int64_t held = player_.Position();
    RunFor(0.3);
    EXPECT_EQ(player_.Position(), held) << "a paused sound stays where it is";

    player_.Resume();
    EXPECT_TRUE(RunUntil([&] { return player_.Position() > held + 100'000'000; }));

    const std::int64_t before = player_.Position();
    ASSERT_TRUE(player_.Play(Tone(5)));
    EXPECT_TRUE(RunUntil([&] { return player_.Position() >= 0; }));
    EXPECT_LT(player_.Position(), before) << "playing again starts from the beginning";

    player_.Stop();
    EXPECT_EQ(player_.state(), AudioPlayer::State::Stopped);
    EXPECT_EQ(player_.Position(), -1);
}

TEST_F(AudioPlayerTest, ASoundEndsByItself) {
    ASSERT_TRUE(player_.Play(Tone(0.2)));
    EXPECT_TRUE(RunUntil([&] { return player_.state() == AudioPlayer::State::Stopped; }));
    EXPECT_TRUE(player_.lastError().empty()) << player_.lastError();
}

TEST_F(AudioPlayerTest, BytesThatAreNoSoundEndQuietly) {
    const std::vector<unsigned char> tone = Tone(1);
    const std::vector<std::vector<unsigned char>> inputs = {
        {'n', 'o', 't', ' ', 'a', ' ', 's', 'o', 'u', 'n', 'd'},
        std::vector<unsigned char>(tone.begin(), tone.begin() + 30),  // cut in its header
        {},
    };
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.size());
        player_.Play(input);
        EXPECT_TRUE(RunUntil([&] { return player_.state() == AudioPlayer::State::Stopped; }));
    }
    // Pause, resume and stop without a sound do nothing.
    player_.Pause();
    player_.Resume();
    player_.Stop();
    EXPECT_EQ(player_.state(), AudioPlayer::State::Stopped);
}

// The sound formats books carry, each encoded here by GStreamer itself (MP3 from the demo book,
// as Debian's GStreamer has no MP3 encoder), play through to their end.
TEST_F(AudioPlayerTest, TheFormatsOfBooksPlay) {
    struct Case {
        const char* what;
        const char* encoder;  // after "audiotestsrc num-buffers=20 ! audioconvert ! "
    };
    const Case cases[] = {
        {"Ogg Vorbis", "vorbisenc ! oggmux"},
        {"Ogg Opus", "opusenc ! oggmux"},
        {"AAC in MP4", "avenc_aac ! mp4mux"},
    };
    gst_init(nullptr, nullptr);
    testing::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::filesystem::path file = dir / "sound";
        const std::string encode = std::string("audiotestsrc num-buffers=20 ! audioconvert ! ") +
                                   c.encoder + " ! filesink location=" + file.string();
        GError* error = nullptr;
        GstElement* pipeline = gst_parse_launch(encode.c_str(), &error);
        ASSERT_EQ(error, nullptr) << error->message;
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* end = gst_bus_timed_pop_filtered(
            bus, 10 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        ASSERT_NE(end, nullptr);
        EXPECT_EQ(GST_MESSAGE_TYPE(end), GST_MESSAGE_EOS);
        gst_message_unref(end);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);

        const std::string bytes = testing::ReadFile(file);
        ASSERT_TRUE(player_.Play(std::vector<unsigned char>(bytes.begin(), bytes.end())));
        EXPECT_TRUE(RunUntil([&] { return player_.state() == AudioPlayer::State::Stopped; }));
        EXPECT_TRUE(player_.lastError().empty()) << player_.lastError();
    }
    const std::string mp3 =
        testing::ReadFile(std::string(DEMO_SOURCES) + "/OEBPS/Audio/foghorn.mp3");
    ASSERT_TRUE(player_.Play(std::vector<unsigned char>(mp3.begin(), mp3.end())));
    EXPECT_TRUE(RunUntil([&] { return player_.Position() > 100'000'000; }));
    EXPECT_TRUE(player_.lastError().empty()) << player_.lastError();
}

}  // namespace
}  // namespace quirelle
