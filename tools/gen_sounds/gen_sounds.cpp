// Writes the game's four sound files into a folder, the same bytes on every
// run:  rindou_gen_sounds <folder>
//
//   その他.wav   a three-note bell chime (the about box)
//   禁止.wav     two short low buzzes (a refused click or command)
//   駒打音.wav   a crisp wooden click (a piece put down)
//   BGM.wav      a calm pentatonic koto tune over a soft drone, 25.6 s, made
//                to loop: every sound is rendered onto a circle of exactly
//                one loop's length, so what rings past the end goes on at the
//                beginning and the seam is like any other point.
//
// All are mono, 22050 Hz, 16-bit PCM.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int RATE = 22050;
constexpr double PI = 3.14159265358979323846;

using Samples = std::vector<double>;

// A small fixed-seed generator for the noise of the click.
struct Noise {
    uint32_t state = 0x2545F491u;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

double note_hz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Scales the samples so that the loudest one reaches `peak`.
void normalise(Samples& s, double peak) {
    double top = 0;
    for (double v : s) top = std::max(top, std::fabs(v));
    if (top > 0)
        for (double& v : s) v *= peak / top;
}

void put_u32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put_u16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

std::string wav_bytes(const Samples& s) {
    std::string data;
    data.reserve(s.size() * 2);
    for (double v : s) {
        long q = std::lround(std::max(-1.0, std::min(1.0, v)) * 32767.0);
        put_u16(data, static_cast<uint16_t>(static_cast<int16_t>(q)));
    }
    std::string out = "RIFF";
    put_u32(out, static_cast<uint32_t>(36 + data.size()));
    out += "WAVEfmt ";
    put_u32(out, 16);
    put_u16(out, 1);  // PCM
    put_u16(out, 1);  // mono
    put_u32(out, RATE);
    put_u32(out, RATE * 2);
    put_u16(out, 2);
    put_u16(out, 16);
    out += "data";
    put_u32(out, static_cast<uint32_t>(data.size()));
    return out + data;
}

// ---- Effects ---------------------------------------------------------------------

// A struck bell: inharmonic partials, the higher ones dying sooner.
void add_bell(Samples& s, double start, double hz, double gain) {
    const double ratio[] = {1.0, 2.0, 2.76, 5.4};
    const double amp[] = {1.0, 0.45, 0.28, 0.1};
    const double decay[] = {0.55, 0.35, 0.22, 0.1};
    size_t first = static_cast<size_t>(start * RATE);
    for (size_t i = first; i < s.size(); ++i) {
        double t = static_cast<double>(i - first) / RATE;
        double attack = std::min(1.0, t / 0.003);
        double v = 0;
        for (int k = 0; k < 4; ++k)
            v += amp[k] * std::exp(-t / decay[k]) * std::sin(2 * PI * hz * ratio[k] * t);
        s[i] += gain * attack * v;
    }
}

Samples chime() {
    Samples s(static_cast<size_t>(1.6 * RATE));
    add_bell(s, 0.00, note_hz(81), 1.0);  // A5
    add_bell(s, 0.15, note_hz(85), 0.9);  // C#6
    add_bell(s, 0.30, note_hz(88), 0.8);  // E6
    // Fade the last tenth of a second to silence.
    for (size_t i = s.size() - RATE / 10; i < s.size(); ++i)
        s[i] *= static_cast<double>(s.size() - i) / (RATE / 10.0);
    normalise(s, 0.6);
    return s;
}

// A low buzz: two slightly apart square-like tones, so they beat.
void add_buzz(Samples& s, double start, double length) {
    size_t first = static_cast<size_t>(start * RATE);
    size_t n = static_cast<size_t>(length * RATE);
    const double fade = 0.006 * RATE;
    for (size_t i = 0; i < n && first + i < s.size(); ++i) {
        double t = static_cast<double>(i) / RATE;
        double env = std::min({1.0, static_cast<double>(i) / fade, static_cast<double>(n - i) / fade});
        double v = 0;
        for (int k = 1; k <= 7; k += 2) {
            v += std::sin(2 * PI * 196.0 * k * t) / k;
            v += std::sin(2 * PI * 207.7 * k * t) / k;
        }
        s[first + i] += env * v;
    }
}

Samples refusal() {
    Samples s(static_cast<size_t>(0.32 * RATE));
    add_buzz(s, 0.00, 0.12);
    add_buzz(s, 0.17, 0.12);
    normalise(s, 0.55);
    return s;
}

// A piece of wood on a wooden board: a very short noise burst for the
// contact, ringing modes of the board, a soft low thump.
Samples click() {
    Samples s(static_cast<size_t>(0.14 * RATE));
    Noise noise;
    double previous = 0;
    const double modes[][3] = {
        // Hz, amplitude, decay in seconds
        {1870, 0.9, 0.018}, {3150, 0.6, 0.010}, {980, 0.7, 0.030}, {5200, 0.25, 0.006}};
    for (size_t i = 0; i < s.size(); ++i) {
        double t = static_cast<double>(i) / RATE;
        double n = noise.next();
        double high = n - previous;  // a rough high-pass keeps the burst crisp
        previous = n;
        double v = high * std::exp(-t / 0.0015) * 0.8;
        for (const auto& m : modes) v += m[1] * std::exp(-t / m[2]) * std::sin(2 * PI * m[0] * t);
        v += 0.5 * std::exp(-t / 0.02) * std::sin(2 * PI * 170 * t);
        double attack = std::min(1.0, t / 0.0004);
        s[i] = attack * v;
    }
    for (size_t i = s.size() - RATE / 50; i < s.size(); ++i)
        s[i] *= static_cast<double>(s.size() - i) / (RATE / 50.0);
    normalise(s, 0.9);
    return s;
}

// ---- Music -----------------------------------------------------------------------

constexpr double BEAT = 0.8;  // 75 beats a minute
constexpr int BEATS = 32;     // eight bars of four
constexpr size_t LOOP = static_cast<size_t>(BEAT * BEATS * RATE + 0.5);

// A plucked koto-like string, added around the circle.
void add_pluck(Samples& s, double start_beat, int midi, double gain) {
    const double hz = note_hz(midi);
    const double length = 3.5;  // seconds, the last half fading out
    size_t first = static_cast<size_t>(start_beat * BEAT * RATE + 0.5);
    size_t n = static_cast<size_t>(length * RATE);
    for (size_t i = 0; i < n; ++i) {
        double t = static_cast<double>(i) / RATE;
        double env = std::exp(-t / 0.9) * std::min(1.0, t / 0.004);
        if (t > length - 0.5) env *= (length - t) / 0.5;
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += std::pow(k, -1.4) * std::exp(-t * (k - 1) * 1.2) *
                 std::sin(2 * PI * hz * k * t * (1 + 0.0007 * k));
        s[(first + i) % LOOP] += gain * env * v;
    }
}

// A sine that fits a whole number of cycles into the loop.
double looped_sine(size_t i, double hz) {
    double cycles = std::round(hz * static_cast<double>(LOOP) / RATE);
    return std::sin(2 * PI * cycles * static_cast<double>(i) / static_cast<double>(LOOP));
}

Samples music() {
    Samples dry(LOOP, 0.0);
    // The yo scale on D: D E G A B.
    enum : int { D3 = 50, E3 = 52, G3 = 55, A3 = 57, B3 = 59, D4 = 62, E4 = 64, G4 = 67,
                 A4 = 69, B4 = 71, D5 = 74, E5 = 76, G5 = 79, A2 = 45, B2 = 47, G2 = 43 };
    struct Note { double beat; int midi; };
    const Note melody[] = {
        {0, A4}, {2, B4}, {3, D5},            // bar 1
        {4, E5}, {7, D5},                     // bar 2
        {8, B4}, {10, A4}, {11, G4},          // bar 3
        {12, A4}, {14.5, G4},                 // bar 4
        {16, D5}, {18, E5}, {19, G5},         // bar 5
        {20, E5}, {22, D5},                   // bar 6
        {24, B4}, {25, A4}, {26, G4}, {27, E4},  // bar 7
        {28, D4}, {30.5, E4},                 // bar 8
    };
    for (const Note& n : melody) add_pluck(dry, n.beat, n.midi, 0.26);
    const int roots[] = {D3, E3, G3, A2, D3, B2, G2, D3};
    for (int bar = 0; bar < 8; ++bar) {
        add_pluck(dry, bar * 4.0, roots[bar], 0.2);
        add_pluck(dry, bar * 4.0 + 2, roots[bar] + 12, 0.12);
    }
    // Echoes of the plucks, around the circle as well.
    Samples wet = dry;
    const size_t delay = static_cast<size_t>(0.3 * RATE);
    for (size_t i = 0; i < LOOP; ++i)
        wet[i] += 0.28 * dry[(i + LOOP - delay) % LOOP] +
                  0.1 * dry[(i + 2 * LOOP - 2 * delay) % LOOP];
    // A soft drone on D and A that swells twice per loop.
    for (size_t i = 0; i < LOOP; ++i) {
        double swell = 0.75 + 0.25 * looped_sine(i, 2.0 * RATE / static_cast<double>(LOOP));
        wet[i] += 0.05 * swell *
                  (looped_sine(i, note_hz(38)) + 0.7 * looped_sine(i, note_hz(45)) +
                   0.3 * looped_sine(i, note_hz(50)));
    }
    normalise(wet, 0.5);
    return wet;
}

bool write(const std::filesystem::path& path, const Samples& s) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string bytes = wav_bytes(s);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    bool ok = write(dir / "その他.wav", chime()) && write(dir / "禁止.wav", refusal()) &&
              write(dir / "駒打音.wav", click()) && write(dir / "BGM.wav", music());
    return ok ? 0 : 1;
}
