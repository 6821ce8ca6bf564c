// Sound from a book: the bar of an audio element and its buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cairo_handles.hpp"
#include "platform/headless_frontend.hpp"
#include "support/book_fixture.hpp"
#include "support/scoped_environment.hpp"
#include "support/sound_fixture.hpp"
#include "view/document_view.hpp"

namespace quirelle {
namespace {

class AudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string manifest =
            R"(<item id="c" href="Text/c.xhtml" media-type="application/xhtml+xml"/>)"
            R"(<item id="s" href="Audio/tone.wav" media-type="audio/wav"/>)";
        const std::string tone(reinterpret_cast<const char*>(testing::Tone(5).data()),
                               testing::Tone(5).size());
        testing::WriteArchive(
            dir_ / "book.epub",
            testing::BookMembers(
                testing::PackageDocument(manifest, R"(<itemref idref="c"/>)"),
                {{"OEBPS/Text/c.xhtml",
                  testing::XhtmlPage("<p>Bar</p><audio src=\"../Audio/tone.wav\" controls=\"\"/>"
                                     "<p>Link</p><audio><source src=\"../Audio/tone.wav\"/></audio>"
                                     "<audio src=\"../Audio/missing.wav\"/>")},
                 {"OEBPS/Audio/tone.wav", tone}}));
        ASSERT_TRUE(view_.OpenBook((dir_ / "book.epub").string()));
    }

    // The link records of the page as the window draws it.
    std::vector<LinkRecord> Links() {
        CairoSurface screen(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 640, 480));
        CairoContext cr(cairo_create(screen.get()));
        view_.Draw(cr.get(), 640, 480);
        return view_.Data().links;
    }
    AudioPlayer::State State() const { return view_.Data().audio.state(); }

    testing::ScopedVariable sink_{"QUIRELLE_AUDIO_SINK", "fakesink sync=true"};
    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

// Every audio element shows the bar, with or without `controls`, and with its sound given by
// its own src or its first source child; its three buttons are recorded with the sound they play
// even where the icons cannot be read (none lie beside the tests).
TEST_F(AudioTest, EachSoundsBarRecordsItsButtons) {
    const std::vector<LinkRecord> links = Links();
    ASSERT_EQ(links.size(), 9u);
    const char* const sources[] = {"../Audio/tone.wav", "../Audio/tone.wav",
                                   "../Audio/missing.wav"};
    for (int bar = 0; bar < 3; ++bar) {
        for (int control = 0; control < 3; ++control) {
            SCOPED_TRACE("bar " + std::to_string(bar) + ", button " + std::to_string(control));
            const LinkRecord& button = links[static_cast<std::size_t>(bar * 3 + control)];
            const LinkRecord& first = links[static_cast<std::size_t>(bar * 3)];
            EXPECT_EQ(button.Audio, 1);
            EXPECT_EQ(button.control, control);
            EXPECT_EQ(button.Hlink, sources[bar]);
            EXPECT_EQ(button.Player, "controls");
            EXPECT_EQ(button.x2 - button.x1, 32.0);
            EXPECT_EQ(button.y2 - button.y1, 32.0);
            EXPECT_EQ(button.y1, first.y1);
            EXPECT_EQ(button.x1 - first.x1, 32.0 * control);
        }
    }
    // The paragraph between the first two bars lies below the first.
    EXPECT_GT(links[3].y1, links[0].y1 + 40) << "the bar is taller than a line";
    // The last two stand on one line, side by side.
    EXPECT_EQ(links[6].y1, links[3].y1);
    EXPECT_GE(links[6].x1, links[3].x1 + 99) << "bars overlap";
}

TEST_F(AudioTest, TheButtonsPlayPauseResumeAndStop) {
    const std::vector<LinkRecord> links = Links();
    ASSERT_EQ(links.size(), 9u);
    view_.FollowLink(links[0]);
    EXPECT_EQ(State(), AudioPlayer::State::Playing);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Paused);
    EXPECT_TRUE(view_.Data().audioPaused);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Playing);
    // Paused, then started again: the next press of pause pauses the new sound.
    view_.FollowLink(links[1]);
    view_.FollowLink(links[3]);  // the second bar's play button
    EXPECT_EQ(State(), AudioPlayer::State::Playing);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Paused);
    view_.FollowLink(links[2]);
    EXPECT_EQ(State(), AudioPlayer::State::Stopped);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Stopped) << "pause without a sound does nothing";
    // A sound the book does not hold plays nothing.
    view_.FollowLink(links[6]);
    EXPECT_EQ(State(), AudioPlayer::State::Stopped);
}

}  // namespace
}  // namespace quirelle
