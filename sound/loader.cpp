#include "sound/loader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>

#ifndef RINDOU_INSTALL_LIBDIR
#define RINDOU_INSTALL_LIBDIR "/usr/local/lib"
#endif
#ifndef RINDOU_RELATIVE_LIBDIR
#define RINDOU_RELATIVE_LIBDIR "lib"
#endif
#ifndef RINDOU_SOUND_BUILD_DIR
#define RINDOU_SOUND_BUILD_DIR ""
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

std::filesystem::path executable_folder() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace

std::vector<std::string> sound_library_candidates() {
    namespace fs = std::filesystem;
    std::vector<std::string> places;
    fs::path exe = executable_folder();
    if (!exe.empty()) {
        places.push_back((exe / SOUND_LIBRARY_NAME).string());
        places.push_back((exe / ".." / RINDOU_RELATIVE_LIBDIR / SOUND_LIBRARY_NAME)
                             .lexically_normal()
                             .string());
    }
    places.push_back((fs::path(RINDOU_INSTALL_LIBDIR) / SOUND_LIBRARY_NAME).string());
    places.push_back(SOUND_LIBRARY_NAME);
    if (*RINDOU_SOUND_BUILD_DIR)
        places.push_back((fs::path(RINDOU_SOUND_BUILD_DIR) / SOUND_LIBRARY_NAME).string());
    return places;
}

std::unique_ptr<SoundLibrary> load_sound_library_from(const std::vector<std::string>& candidates) {
    for (const std::string& path : candidates) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) continue;
        auto lib = std::make_unique<LoadedSoundLibrary>();
        if (bind(handle, "dsInitialize", lib->init) && bind(handle, "dsCreateDSB", lib->create) &&
            bind(handle, "dsPlay", lib->play_once) &&
            bind(handle, "dsPlayLooping", lib->play_looping) &&
            bind(handle, "dsStop", lib->stop) && bind(handle, "dsFree", lib->free_buffer) &&
            bind(handle, "dsTerminate", lib->terminate))
            return lib;
        dlclose(handle);
    }
    return nullptr;
}

std::unique_ptr<SoundLibrary> load_sound_library() {
    return load_sound_library_from(sound_library_candidates());
}

}  // namespace rindou
