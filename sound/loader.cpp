#include "sound/loader.h"

#include <dlfcn.h>

#include "core/files.h"

// The path from the programs' folder to the sound library's folder, fixed
// when the build is configured.
#ifndef RINDOU_PRIVLIB_FROM_BIN
#define RINDOU_PRIVLIB_FROM_BIN "../lib/rindou"
#endif

namespace rindou {

namespace {

using InitFn = int32_t (*)(int32_t);
using CreateFn = int32_t (*)(int32_t, const unsigned char*, int32_t, int32_t);
using BufferFn = int32_t (*)(int32_t);

// The entry points of a loaded library behind the game's interface.  The
// library is never unloaded: its audio thread may still be running when this
// wrapper goes away.
class LoadedSoundLibrary : public SoundLibrary {
public:
    int32_t dsInitialize(int32_t window) override { return init(window); }
    int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                        int32_t flags) override {
        return create(context, wav, length, flags);
    }
    int32_t dsPlay(int32_t buffer) override { return play_once(buffer); }
    int32_t dsPlayLooping(int32_t buffer) override { return play_looping(buffer); }
    int32_t dsStop(int32_t buffer) override { return stop(buffer); }
    int32_t dsFree(int32_t buffer) override { return free_buffer(buffer); }
    int32_t dsTerminate(int32_t context) override { return terminate(context); }

    InitFn init = nullptr;
    CreateFn create = nullptr;
    BufferFn play_once = nullptr;
    BufferFn play_looping = nullptr;
    BufferFn stop = nullptr;
    BufferFn free_buffer = nullptr;
    BufferFn terminate = nullptr;
};

template <typename Fn>
bool bind(void* handle, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(dlsym(handle, name));
    return fn != nullptr;
}

}  // namespace

std::vector<std::string> sound_library_candidates() {
    std::vector<std::string> places;
    std::string exe = executable_folder();
    if (!exe.empty())
        places.push_back(exe + "/" + RINDOU_PRIVLIB_FROM_BIN + "/" + SOUND_LIBRARY_NAME);
    // A bare name: the loader's own search (its cache and system folders).
    places.push_back(SOUND_LIBRARY_NAME);
    return places;
}

std::unique_ptr<SoundLibrary> load_sound_library_from(const std::vector<std::string>& candidates,
                                                      std::string* loaded) {
    for (const std::string& path : candidates) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto lib = std::make_unique<LoadedSoundLibrary>();
        if (bind(handle, "dsInitialize", lib->init) && bind(handle, "dsCreateDSB", lib->create) &&
            bind(handle, "dsPlay", lib->play_once) &&
            bind(handle, "dsPlayLooping", lib->play_looping) &&
            bind(handle, "dsStop", lib->stop) && bind(handle, "dsFree", lib->free_buffer) &&
            bind(handle, "dsTerminate", lib->terminate)) {
            if (loaded) *loaded = path;
            return lib;
        }
        dlclose(handle);
    }
    return nullptr;
}

std::unique_ptr<SoundLibrary> load_sound_library(std::string* loaded) {
    return load_sound_library_from(sound_library_candidates(), loaded);
}

}  // namespace rindou
