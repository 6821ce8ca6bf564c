#include "support/sound_fixture.hpp"

#include <cmath>
#include <cstdint>

namespace quirelle::testing {

std::vector<unsigned char> Tone(double seconds) {
    const std::uint32_t samples = static_cast<std::uint32_t>(8000 * seconds);
    std::vector<unsigned char> wav;
    auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            wav.push_back(static_cast<unsigned char>(value >> (8 * i)));
        }
    };
    auto text = [&](const char* four) {
        for (int i = 0; i < 4; ++i) {
            wav.push_back(static_cast<unsigned char>(four[i]));
        }
    };
    text("RIFF");
    put(36 + samples * 2, 4);
    text("WAVE");
    text("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // one channel
    put(8000, 4);
    put(16000, 4);
    put(2, 2);
    put(16, 2);
    text("data");
    put(samples * 2, 4);
    for (std::uint32_t i = 0; i < samples; ++i) {
        put(static_cast<std::uint16_t>(
                static_cast<std::int16_t>(1000 * std::sin(2 * 3.14159265 * 440 * i / 8000.0))),
            2);
    }
    return wav;
}

}  // namespace quirelle::testing
