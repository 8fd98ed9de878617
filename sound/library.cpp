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
    SDL_RWops* rw = SDL_RWFromConstMem(wav, length);
    if (!rw) return 0;
    Mix_Chunk* chunk = Mix_LoadWAV_RW(rw, 1);  // decodes a copy; closes rw
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
