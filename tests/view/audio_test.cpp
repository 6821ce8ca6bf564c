// Sound from a book: the bar of an audio element, its buttons, and the "Play" link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

    std::vector<LinkRecord> Links() const {
        const LayoutState& layout = view_.Data().layout.state;
        return {layout.links.begin(), layout.links.begin() + layout.linkCount};
    }
    AudioPlayer::State State() const { return view_.Data().audio.state(); }

    testing::ScopedVariable sink_{"QUIRELLE_AUDIO_SINK", "fakesink sync=true"};
    testing::TempDir dir_;
    HeadlessFrontend frontend_;
    DocumentView view_{frontend_};
};

// The bar's three buttons and the two "Play" links are recorded with the sound they play, even
// where the icons cannot be read (none lie beside the tests).
TEST_F(AudioTest, TheBarAndThePlayLinksAreRecorded) {
    const std::vector<LinkRecord> links = Links();
    ASSERT_EQ(links.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(links[i].Audio, 1);
        EXPECT_EQ(links[i].control, i);
        EXPECT_EQ(links[i].Hlink, "../Audio/tone.wav");
        EXPECT_EQ(links[i].Player, "controls");
        EXPECT_EQ(links[i].x2 - links[i].x1, 32.0);
        EXPECT_EQ(links[i].y1, links[0].y1);
    }
    EXPECT_EQ(links[1].x1 - links[0].x1, 32.0);
    EXPECT_EQ(links[3].Hlink, "../Audio/tone.wav");
    EXPECT_EQ(links[3].Audio, 1);
    EXPECT_EQ(links[3].control, 0);
    EXPECT_GT(links[3].y1, links[0].y1 + 40) << "the bar is taller than a line";
    EXPECT_EQ(links[4].Hlink, "../Audio/missing.wav");
}

TEST_F(AudioTest, TheButtonsPlayPauseResumeAndStop) {
    const std::vector<LinkRecord> links = Links();
    view_.FollowLink(links[0]);
    EXPECT_EQ(State(), AudioPlayer::State::Playing);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Paused);
    EXPECT_TRUE(view_.Data().audioPaused);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Playing);
    // Paused, then started again: the next press of pause pauses the new sound.
    view_.FollowLink(links[1]);
    view_.FollowLink(links[3]);
    EXPECT_EQ(State(), AudioPlayer::State::Playing);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Paused);
    view_.FollowLink(links[2]);
    EXPECT_EQ(State(), AudioPlayer::State::Stopped);
    view_.FollowLink(links[1]);
    EXPECT_EQ(State(), AudioPlayer::State::Stopped) << "pause without a sound does nothing";
    // A sound the book does not hold plays nothing.
    view_.FollowLink(links[4]);
    EXPECT_EQ(State(), AudioPlayer::State::Stopped);
}

}  // namespace
}  // namespace quirelle
