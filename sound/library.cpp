// librindou-sound.so: the sound library, built on SDL2_mixer.
//
// One context at a time owns the audio device (a second dsInitialize while
// it is open returns the same context, counted).  Each buffer is a decoded
// chunk remembered with the mixer channel it last played on, so that playing
// it again restarts it there and stopping it halts only that channel.
#include "sound/ds.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

namespace {

constexpr int SAMPLE_RATE = 44100;
constexpr int CHANNELS = 2;
constexpr int CHUNK_SIZE = 1024;
constexpr int MIXER_CHANNELS = 16;

struct Buffer {
    Mix_Chunk* chunk = nullptr;
    int32_t context = 0;
    int32_t flags = 0;
    int channel = -1;  // where it last played
    int volume = MIX_MAX_VOLUME;
    Uint8 left = 255;
    Uint8 right = 255;
};

struct Library {
    std::mutex mutex;
    int32_t context = 0;  // the open context, 0 when the device is closed
    int users = 0;
    int32_t last_context = 0;
    int32_t last_buffer = 0;
    std::map<int32_t, Buffer> buffers;
};

Library& lib() {
    static Library* l = new Library;  // never destroyed: calls may come at exit
    return *l;
}

Buffer* find(Library& l, int32_t handle) {
    auto it = l.buffers.find(handle);
    return it == l.buffers.end() ? nullptr : &it->second;
}

// The next free handle after `last`, never 0 or negative.
int32_t next_handle(int32_t& last, const std::map<int32_t, Buffer>* taken) {
    do {
        last = last >= INT32_MAX - 1 ? 1 : last + 1;
    } while (taken && taken->count(last));
    return last;
}

bool playing_here(const Buffer& b) {
    return b.channel >= 0 && Mix_Playing(b.channel) && Mix_GetChunk(b.channel) == b.chunk;
}

void halt(Buffer& b) {
    if (playing_here(b)) Mix_HaltChannel(b.channel);
    b.channel = -1;
}

void apply_mix(const Buffer& b) {
    if (b.channel < 0) return;
    Mix_Volume(b.channel, b.volume);
    Mix_SetPanning(b.channel, b.left, b.right);
}

// Hundredths of a decibel of attenuation to a linear factor 0..1.
double attenuation(int32_t hundredths_db) {
    if (hundredths_db <= -10000) return 0.0;
    if (hundredths_db >= 0) return 1.0;
    return std::pow(10.0, hundredths_db / 2000.0);
}

void set_volume(Buffer& b, int32_t volume) {
    b.volume = static_cast<int>(std::lround(attenuation(volume) * MIX_MAX_VOLUME));
}

void set_pan(Buffer& b, int32_t pan) {
    pan = std::clamp(pan, -10000, 10000);
    b.left = static_cast<Uint8>(std::lround(255 * attenuation(pan > 0 ? -pan : 0)));
    b.right = static_cast<Uint8>(std::lround(255 * attenuation(pan < 0 ? pan : 0)));
}

int32_t play(Library& l, int32_t handle, int loops) {
    Buffer* b = find(l, handle);
    if (!b) return 0;
    int wanted = playing_here(*b) ? b->channel : -1;
    int ch = Mix_PlayChannel(wanted, b->chunk, loops);
    if (ch < 0 && wanted < 0) {
        // Every channel is busy: add some and try again.
        Mix_AllocateChannels(Mix_AllocateChannels(-1) + 8);
        ch = Mix_PlayChannel(-1, b->chunk, loops);
    }
    if (ch < 0) return 0;
    b->channel = ch;
    apply_mix(*b);
    return 1;
}

// ---- Checking and decoding a WAV image -----------------------------------------
//
// Only plain RIFF/WAVE sounds of the usual kinds are taken, judged from the
// header before any decoder sees the bytes: the mixer would otherwise hand
// anything to whichever of its many decoders recognises it.

constexpr uint32_t MAX_DATA_BYTES = 16u * 1024u * 1024u;
// The decoded sound at the mixer's format (about six minutes of CD-quality
// stereo), and the working buffer of the conversion to it.
constexpr uint64_t MAX_DECODED_BYTES = 64u * 1024u * 1024u;
constexpr uint64_t MAX_CONVERSION_BYTES = 4 * MAX_DECODED_BYTES;

constexpr uint16_t WAVE_PCM = 0x0001;
constexpr uint16_t WAVE_MS_ADPCM = 0x0002;
constexpr uint16_t WAVE_FLOAT = 0x0003;
constexpr uint16_t WAVE_IMA_ADPCM = 0x0011;
constexpr uint16_t WAVE_EXTENSIBLE = 0xFFFE;

uint32_t le(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

bool tag_is(const unsigned char* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// The format chunk: a kind the library plays, 1 or 2 channels, 8 to 48 kHz.
bool acceptable_format(const unsigned char* f, uint32_t size) {
    if (size < 16) return false;
    uint16_t tag = static_cast<uint16_t>(le(f, 2));
    uint32_t channels = le(f + 2, 2), rate = le(f + 4, 4), bits = le(f + 14, 2);
    if (tag == WAVE_EXTENSIBLE) {
        // The sub-format GUID: a PCM or float kind of the usual base GUID.
        static const unsigned char BASE[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        if (size < 40 || std::memcmp(f + 26, BASE, sizeof BASE) != 0) return false;
        tag = static_cast<uint16_t>(le(f + 24, 2));
        if (tag != WAVE_PCM && tag != WAVE_FLOAT) return false;
    }
    if (channels < 1 || channels > 2 || rate < 8000 || rate > 48000) return false;
    switch (tag) {
        case WAVE_PCM: return bits == 8 || bits == 16;
        case WAVE_FLOAT: return bits == 32;
        case WAVE_MS_ADPCM:
        case WAVE_IMA_ADPCM: return bits == 4;
        default: return false;
    }
}

bool acceptable_wav(const unsigned char* p, size_t n) {
    if (n < 12 || !tag_is(p, "RIFF") || !tag_is(p + 8, "WAVE")) return false;
    bool format_ok = false, format_seen = false;
    uint64_t at = 12;
    while (at + 8 <= n) {
        const unsigned char* chunk = p + at;
        uint32_t size = le(chunk + 4, 4);
        if (tag_is(chunk, "fmt ") && !format_seen) {
            format_seen = true;
            format_ok = at + 8 + size <= n && acceptable_format(chunk + 8, size);
        } else if (tag_is(chunk, "data")) {
            // The first data chunk is the sound; the format must come before it.
            return format_ok && size > 0 && size <= MAX_DATA_BYTES;
        }
        at += 8 + static_cast<uint64_t>(size) + (size & 1);
    }
    return false;
}

// Decodes an accepted image and converts it to the mixer's own format, with
// every allocation bounded; nullptr when it is no playable sound.
Mix_Chunk* decode_wav(const unsigned char* wav, int32_t length) {
    SDL_RWops* rw = SDL_RWFromConstMem(wav, length);
    if (!rw) return nullptr;
    SDL_AudioSpec spec;
    Uint8* samples = nullptr;
    Uint32 samples_len = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &spec, &samples, &samples_len)) return nullptr;  // closes rw
    struct Samples {
        Uint8* p;
        ~Samples() { SDL_FreeWAV(p); }
    } loaded{samples};

    int frequency = 0, channels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&frequency, &format, &channels)) return nullptr;
    bool usual = spec.format == AUDIO_U8 || spec.format == AUDIO_S16LSB ||
                 spec.format == AUDIO_F32LSB;
    if (!usual || spec.channels < 1 || spec.channels > 2 || spec.freq < 8000 ||
        spec.freq > 48000)
        return nullptr;
    const uint64_t in_frame = (SDL_AUDIO_BITSIZE(spec.format) / 8u) * spec.channels;
    const uint64_t out_frame = (SDL_AUDIO_BITSIZE(format) / 8u) * static_cast<uint64_t>(channels);
    const uint64_t frames = samples_len / in_frame;
    if (frames == 0) return nullptr;
    const uint64_t out_bytes =
        (frames * static_cast<uint64_t>(frequency) / static_cast<uint64_t>(spec.freq) + 1) *
        out_frame;
    if (out_bytes > MAX_DECODED_BYTES) return nullptr;

    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, format,
                          static_cast<Uint8>(channels), frequency) < 0)
        return nullptr;
    const uint64_t len = frames * in_frame;
    const uint64_t work = len * static_cast<uint64_t>(cvt.len_mult > 0 ? cvt.len_mult : 1);
    if (work > MAX_CONVERSION_BYTES) return nullptr;
    Uint8* buffer = static_cast<Uint8*>(SDL_malloc(static_cast<size_t>(work)));
    if (!buffer) return nullptr;
    std::memcpy(buffer, samples, static_cast<size_t>(len));
    cvt.buf = buffer;
    cvt.len = static_cast<int>(len);
    if (cvt.needed && SDL_ConvertAudio(&cvt) < 0) {
        SDL_free(buffer);
        return nullptr;
    }
    Uint32 out_len = cvt.needed ? static_cast<Uint32>(cvt.len_cvt) : static_cast<Uint32>(len);
    if (out_len == 0) {
        SDL_free(buffer);
        return nullptr;
    }
    if (Uint8* smaller = static_cast<Uint8*>(SDL_realloc(buffer, out_len))) buffer = smaller;
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(buffer, out_len);
    if (!chunk) {
        SDL_free(buffer);
        return nullptr;
    }
    chunk->allocated = 1;  // the mixer frees the samples with the chunk
    return chunk;
}

void free_buffer(Buffer& b) {
    halt(b);
    Mix_FreeChunk(b.chunk);
    b.chunk = nullptr;
}

}  // namespace

namespace {

// Runs f on the buffer of a handle under the library's lock; 0 for a handle
// that names no buffer (0 included).
template <class F>
int32_t with_buffer(int32_t buffer, F f) {
    Library& l = lib();
    std::lock_guard<std::mutex> lock(l.mutex);
    Buffer* b = find(l, buffer);
    if (!b) return 0;
    return f(l, *b);
}

}  // namespace

extern "C" {

int32_t dsInitialize(int32_t) {
    Library& l = lib();
    std::lock_guard<std::mutex> lock(l.mutex);
    if (l.context != 0) {
        ++l.users;
        return l.context;
    }
    // The host program handles its own signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    if (Mix_OpenAudio(SAMPLE_RATE, AUDIO_S16SYS, CHANNELS, CHUNK_SIZE) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    Mix_AllocateChannels(MIXER_CHANNELS);
    l.context = next_handle(l.last_context, nullptr);
    l.users = 1;
    return l.context;
}

int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length, int32_t flags) {
    Library& l = lib();
    std::lock_guard<std::mutex> lock(l.mutex);
    if (context == 0 || context != l.context || wav == nullptr || length <= 0) return 0;
    if (!acceptable_wav(wav, static_cast<size_t>(length))) return 0;
    Mix_Chunk* chunk = decode_wav(wav, length);
    if (!chunk) return 0;
    int32_t handle = next_handle(l.last_buffer, &l.buffers);
    Buffer& b = l.buffers[handle];
    b.chunk = chunk;
    b.context = context;
    b.flags = flags;
    return handle;
}

int32_t dsCreateResDSB(int32_t, int32_t, int32_t) { return 0; }

int32_t dsPlay(int32_t buffer) {
    return with_buffer(buffer, [&](Library& l, Buffer&) { return play(l, buffer, 0); });
}

int32_t dsPlayPan(int32_t buffer, int32_t pan) {
    return with_buffer(buffer, [&](Library& l, Buffer& b) {
        set_pan(b, pan);
        return play(l, buffer, 0);
    });
}

int32_t dsPlayEx(int32_t buffer, int32_t volume, int32_t pan) {
    return with_buffer(buffer, [&](Library& l, Buffer& b) {
        set_volume(b, volume);
        set_pan(b, pan);
        return play(l, buffer, 0);
    });
}

int32_t dsPlayLooping(int32_t buffer) {
    return with_buffer(buffer, [&](Library& l, Buffer&) { return play(l, buffer, -1); });
}

int32_t dsPlayLoopingEx(int32_t buffer, int32_t volume, int32_t pan) {
    return with_buffer(buffer, [&](Library& l, Buffer& b) {
        set_volume(b, volume);
        set_pan(b, pan);
        return play(l, buffer, -1);
    });
}

int32_t dsStop(int32_t buffer) {
    return with_buffer(buffer, [](Library&, Buffer& b) {
        halt(b);
        return 1;
    });
}

int32_t dsSetVolume(int32_t buffer, int32_t volume) {
    return with_buffer(buffer, [&](Library&, Buffer& b) {
        set_volume(b, volume);
        if (playing_here(b)) apply_mix(b);
        return 1;
    });
}

int32_t dsSetPan(int32_t buffer, int32_t pan) {
    return with_buffer(buffer, [&](Library&, Buffer& b) {
        set_pan(b, pan);
        if (playing_here(b)) apply_mix(b);
        return 1;
    });
}

int32_t dsSetFrequency(int32_t, int32_t) { return 0; }

int32_t dsFree(int32_t buffer) {
    return with_buffer(buffer, [&](Library& l, Buffer& b) {
        free_buffer(b);
        l.buffers.erase(buffer);
        return 1;
    });
}

int32_t dsTerminate(int32_t context) {
    Library& l = lib();
    std::lock_guard<std::mutex> lock(l.mutex);
    if (context == 0 || context != l.context) return 0;
    if (--l.users > 0) return 1;
    Mix_HaltChannel(-1);
    for (auto it = l.buffers.begin(); it != l.buffers.end();) {
        if (it->second.context == context) {
            free_buffer(it->second);
            it = l.buffers.erase(it);
        } else {
            ++it;
        }
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    l.context = 0;
    return 1;
}

}  // extern "C"
