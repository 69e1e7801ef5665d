// Writes Krelin.WAV, the About box's chime: a short rising three-note arpeggio in the
// console's own pulse-wave voice, 16-bit mono PCM at 22,050 Hz.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

void put16(std::vector<char> &out, std::uint16_t v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char(v >> 8));
}

void put32(std::vector<char> &out, std::uint32_t v)
{
    put16(out, std::uint16_t(v & 0xFFFF));
    put16(out, std::uint16_t(v >> 16));
}

void putTag(std::vector<char> &out, const char *tag)
{
    out.insert(out.end(), tag, tag + 4);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.WAV\n", argv[0]);
        return 2;
    }
    constexpr int rate = 22050;
    const double notes[] = {523.25, 659.25, 783.99, 1046.50}; // C5 E5 G5 C6
    const double noteSeconds[] = {0.09, 0.09, 0.09, 0.30};

    std::vector<std::int16_t> samples;
    for (int n = 0; n < 4; ++n) {
        const int count = int(noteSeconds[n] * rate);
        for (int i = 0; i < count; ++i) {
            const double t = double(i) / rate;
            const double phase = std::fmod(t * notes[n], 1.0);
            const double pulse = phase < 0.25 ? 1.0 : -1.0; // 25% duty, like the console's pulse channel
            const double envelope = std::exp(-t * (n == 3 ? 6.0 : 12.0));
            const double attack = std::min(1.0, i / 40.0); // no click at the note's start
            samples.push_back(std::int16_t(pulse * envelope * attack * 9000));
        }
    }

    const auto dataBytes = std::uint32_t(samples.size() * 2);
    std::vector<char> out;
    putTag(out, "RIFF");
    put32(out, 36 + dataBytes);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, rate);
    put32(out, rate * 2);
    put16(out, 2);
    put16(out, 16);
    putTag(out, "data");
    put32(out, dataBytes);
    for (std::int16_t s : samples)
        put16(out, std::uint16_t(s));

    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(out.data(), std::streamsize(out.size()));
    if (!file) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
