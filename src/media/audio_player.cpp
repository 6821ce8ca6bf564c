#include "media/audio_player.hpp"

#include <gio/gio.h>
#include <gst/gst.h>

#include <cstdio>
#include <cstdlib>

namespace quirelle {

namespace {

struct GstObjectRelease {
    void operator()(GstElement* element) const { gst_object_unref(element); }
};
using ElementHandle = std::unique_ptr<GstElement, GstObjectRelease>;

struct BytesRelease {
    void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
using BytesHandle = std::unique_ptr<GBytes, BytesRelease>;

struct StreamRelease {
    void operator()(GInputStream* stream) const { g_object_unref(stream); }
};
using StreamHandle = std::unique_ptr<GInputStream, StreamRelease>;

bool GstreamerReady() {
    static const bool ready = [] {
        if (!gst_init_check(nullptr, nullptr, nullptr)) {
            return false;
        }
        // GStreamer keeps its registry and thread pools until told to let them go; doing so at
        // exit leaves nothing behind for a leak check to find.
        std::atexit([] { gst_deinit(); });
        return true;
    }();
    return ready;
}

std::string SinkDescription() {
    const char* sink = std::getenv("QUIRELLE_AUDIO_SINK");
    return sink != nullptr && *sink != '\0' ? sink : "autoaudiosink";
}

}  // namespace

// The pipeline of one sound, with the bytes it reads from and its bus watch.
struct AudioPlayer::Pipeline {
    ElementHandle pipeline;
    BytesHandle bytes;
    StreamHandle stream;
    guint busWatch = 0;

    ~Pipeline() {
        if (busWatch != 0) {
            g_source_remove(busWatch);
        }
        if (pipeline) {
            gst_element_set_state(pipeline.get(), GST_STATE_NULL);
        }
    }
};

AudioPlayer::AudioPlayer() = default;

AudioPlayer::~AudioPlayer() {
    pipeline_.reset();
}

bool AudioPlayer::Play(std::vector<unsigned char> data) {
    Stop();
    lastError_.clear();
    if (data.empty() || !GstreamerReady()) {
        return false;
    }
    auto pipeline = std::make_unique<Pipeline>();
    const std::string description =
        "giostreamsrc name=source ! decodebin ! audioconvert ! audioresample ! " +
        SinkDescription();
    GError* error = nullptr;
    pipeline->pipeline.reset(gst_parse_launch(description.c_str(), &error));
    if (error != nullptr) {
        lastError_ = error->message;
        g_error_free(error);
        return false;
    }
    if (!pipeline->pipeline) {
        return false;
    }
    auto* owned = new std::vector<unsigned char>(std::move(data));
    pipeline->bytes.reset(g_bytes_new_with_free_func(
        owned->data(), owned->size(),
        [](gpointer vector) { delete static_cast<std::vector<unsigned char>*>(vector); }, owned));
    pipeline->stream.reset(g_memory_input_stream_new_from_bytes(pipeline->bytes.get()));
    GstElement* source = gst_bin_get_by_name(GST_BIN(pipeline->pipeline.get()), "source");
    if (source == nullptr) {
        return false;
    }
    g_object_set(source, "stream", pipeline->stream.get(), nullptr);
    gst_object_unref(source);

    GstBus* bus = gst_element_get_bus(pipeline->pipeline.get());
    pipeline->busWatch = gst_bus_add_watch(
        bus,
        [](GstBus* watched, GstMessage* message, gpointer self) -> gboolean {
            return OnBusMessage(watched, message, self);
        },
        this);
    gst_object_unref(bus);
    if (gst_element_set_state(pipeline->pipeline.get(), GST_STATE_PLAYING) ==
        GST_STATE_CHANGE_FAILURE) {
        lastError_ = "the sound could not be started";
        return false;
    }
    pipeline_ = std::move(pipeline);
    state_ = State::Playing;
    return true;
}

void AudioPlayer::Pause() {
    if (pipeline_ && state_ == State::Playing) {
        gst_element_set_state(pipeline_->pipeline.get(), GST_STATE_PAUSED);
        state_ = State::Paused;
    }
}

void AudioPlayer::Resume() {
    if (pipeline_ && state_ == State::Paused) {
        gst_element_set_state(pipeline_->pipeline.get(), GST_STATE_PLAYING);
        state_ = State::Playing;
    }
}

void AudioPlayer::Stop() {
    pipeline_.reset();
    state_ = State::Stopped;
}

std::int64_t AudioPlayer::Position() const {
    gint64 position = -1;
    if (!pipeline_ ||
        !gst_element_query_position(pipeline_->pipeline.get(), GST_FORMAT_TIME, &position)) {
        return -1;
    }
    return position;
}

int AudioPlayer::OnBusMessage(void*, void* message, void* self) {
    auto* player = static_cast<AudioPlayer*>(self);
    auto* gstMessage = static_cast<GstMessage*>(message);
    switch (GST_MESSAGE_TYPE(gstMessage)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(gstMessage, &error, nullptr);
            const std::string text = error != nullptr ? error->message : "unknown error";
            if (error != nullptr) {
                g_error_free(error);
            }
            player->Finish(text);
            return G_SOURCE_REMOVE;
        }
        case GST_MESSAGE_EOS:
            player->Finish("");
            return G_SOURCE_REMOVE;
        default:
            return G_SOURCE_CONTINUE;
    }
}

void AudioPlayer::Finish(const std::string& error) {
    if (!error.empty()) {
        lastError_ = error;
        std::fprintf(stderr, "quirelle: the sound could not be played: %s\n", error.c_str());
    }
    // The watch is being removed by returning from its callback.
    if (pipeline_) {
        pipeline_->busWatch = 0;
    }
    Stop();
}

}  // namespace quirelle
