#pragma once

#include <vector>

namespace quirelle::testing {

// A WAV file of `seconds` of a quiet tone: 8000 samples a second, 16 bits, one channel.
std::vector<unsigned char> Tone(double seconds);

}  // namespace quirelle::testing
