// Writing small wave files for the player's tests and benchmarks, and reading
// back what SDL's disk audio driver wrote.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace vlr::test {

// A 16-bit PCM wave file holding `samples` (one channel per sample unless
// `channels` says otherwise) at `rate` per second.
inline void write_wave(const std::string& path, const std::vector<int16_t>& samples,
                       int rate = 22050, int channels = 1) {
    auto put = [](std::string& out, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    put(out, 36 + data_bytes, 4);
    out += "WAVEfmt ";
    put(out, 16, 4), put(out, 1, 2), put(out, static_cast<uint32_t>(channels), 2);  // PCM
    put(out, static_cast<uint32_t>(rate), 4), put(out, static_cast<uint32_t>(rate * channels * 2), 4);
    put(out, static_cast<uint32_t>(channels * 2), 2), put(out, 16, 2);
    out += "data";
    put(out, data_bytes, 4);
    for (int16_t s : samples) put(out, static_cast<uint16_t>(s), 2);
    std::ofstream(path, std::ios::binary) << out;
}

// The 16-bit samples of a raw file written by the disk audio driver.
inline std::vector<int16_t> read_raw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
    return samples;
}

// The output as runs of equal samples, (value, count), in order.
inline std::vector<std::pair<int16_t, size_t>> runs(const std::vector<int16_t>& samples) {
    std::vector<std::pair<int16_t, size_t>> out;
    for (int16_t s : samples)
        if (!out.empty() && out.back().first == s) ++out.back().second;
        else out.emplace_back(s, 1);
    return out;
}

}  // namespace vlr::test
