#include "platform/wave_file.hpp"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace vlr::platform {
namespace {

constexpr int format_pcm = 1;
constexpr int format_float = 3;
constexpr int format_extensible = 0xFFFE;

std::uint32_t little(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

struct Layout {
    int format = 0;
    int channels = 0;
    std::uint32_t rate = 0;
    int bits = 0;
    const unsigned char* data = nullptr;
    std::size_t data_bytes = 0;

    int sample_bytes() const { return bits / 8; }
    std::size_t frame_bytes() const { return static_cast<std::size_t>(channels) * static_cast<std::size_t>(sample_bytes()); }
    bool usable() const {
        const bool pcm = format == format_pcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
        const bool floating = format == format_float && bits == 32;
        return data && channels >= 1 && rate >= 1 && (pcm || floating);
    }
};

// Walks the chunks; a length that claims more than follows is cut to what
// does follow (a header of a few bytes may claim 4 GB).
Layout read_layout(const unsigned char* file, std::size_t size) {
    Layout w;
    if (size < 12 || std::memcmp(file, "RIFF", 4) != 0 || std::memcmp(file + 8, "WAVE", 4) != 0) return w;
    for (std::size_t at = 12; at + 8 <= size;) {
        const std::size_t claimed = little(file + at + 4, 4);
        const std::size_t body = at + 8, length = std::min(claimed, size - body);
        if (std::memcmp(file + at, "fmt ", 4) == 0 && length >= 16) {
            w.format = static_cast<int>(little(file + body, 2));
            w.channels = static_cast<int>(little(file + body + 2, 2));
            w.rate = little(file + body + 4, 4);
            w.bits = static_cast<int>(little(file + body + 14, 2));
            // The extensible header names the real format in its first two bytes.
            if (w.format == format_extensible && length >= 26) w.format = static_cast<int>(little(file + body + 24, 2));
        } else if (std::memcmp(file + at, "data", 4) == 0 && !w.data) {
            w.data = file + body, w.data_bytes = length;
        }
        at = body + length + (length & 1);
    }
    return w;
}

// One sample on the 16-bit scale.
double sample_at(const Layout& w, const unsigned char* p) {
    switch (w.format == format_float ? 0 : w.bits) {
    case 0: {
        float f;
        std::memcpy(&f, p, sizeof f);  // the file is little-endian, as every system the program runs on
        return f * 32767.0;
    }
    case 8: return (p[0] - 128) * 256.0;
    case 16: return static_cast<std::int16_t>(little(p, 2));
    case 24: return static_cast<std::int32_t>(little(p, 3) << 8) / 65536.0;
    default: return static_cast<std::int32_t>(little(p, 4)) / 65536.0;
    }
}

double mono_at(const Layout& w, std::size_t frame) {
    const unsigned char* p = w.data + frame * w.frame_bytes();
    double sum = 0;
    for (int ch = 0; ch < w.channels; ++ch) sum += sample_at(w, p + static_cast<std::size_t>(ch) * static_cast<std::size_t>(w.sample_bytes()));
    return sum / w.channels;
}

}  // namespace

WordSamples decode_wave(const std::string& bytes, int rate) {
    const Layout w = read_layout(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    if (!w.usable() || rate < 1) return {};
    const std::uint64_t frames = std::min<std::uint64_t>(w.data_bytes / w.frame_bytes(),
                                                         std::uint64_t{w.rate} * longest_sound_seconds);
    if (frames == 0) return {};
    WordSamples out(static_cast<std::size_t>(frames * static_cast<std::uint64_t>(rate) / w.rate));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double pos = static_cast<double>(i) * w.rate / rate;
        const auto k = static_cast<std::size_t>(pos);
        const double frac = pos - static_cast<double>(k);
        const std::size_t last = static_cast<std::size_t>(frames - 1);
        const double a = mono_at(w, std::min(k, last)), b = mono_at(w, std::min(k + 1, last));
        out[i] = static_cast<std::int16_t>(std::clamp(a + (b - a) * frac, -32768.0, 32767.0));
    }
    return out;
}

WordSamples read_word_file(const std::filesystem::path& file, int rate) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return {};
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (ec || size > largest_word_file_bytes) return {};
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return decode_wave(bytes, rate);
}

}  // namespace vlr::platform
