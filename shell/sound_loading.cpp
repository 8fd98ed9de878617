#include "shell/sound_loading.h"

#include <vector>

#include "core/file_texts.h"
#include "core/texts.h"

namespace rindou {

Work<> init_sound(GameInPlay& g) {
    SoundHandles& h = g.sound;
    h = SoundHandles{};
    if (SoundLibrary* lib = g.io.sound) {
        h.context = lib->dsInitialize(1);
        if (h.context == 0)
            co_await notice("Rindou.dll", text(Text::SoundNotStarted));
    }
    h.other = co_await load_sound(g, SOUND_FILE_OTHER, SOUND_FLAG_EFFECT);
    h.refusal = co_await load_sound(g, SOUND_FILE_REFUSAL, SOUND_FLAG_EFFECT);
    h.piece = co_await load_sound(g, SOUND_FILE_PIECE, SOUND_FLAG_EFFECT);
    h.music = co_await load_sound(g, "BGM.wav", SOUND_FLAG_MUSIC);
}

Work<int> load_sound(GameInPlay& g, std::string file_name, int flag) {
    SoundLibrary* lib = g.io.sound;
    if (g.sound.context == 0 || lib == nullptr) co_return 0;
    std::vector<unsigned char> bytes;
    std::error_code error;
    switch (g.io.storage->read_data_file(file_name, bytes, error)) {
        case FileRead::Missing: co_return 0;
        // The reason in its own words (the system's, for a failure it reports).
        case FileRead::Failed: co_await notice("Rindou.dll", error.message()); co_return 0;
        case FileRead::Ok: break;
    }
    if (bytes.empty()) co_return 0;
    co_return lib->dsCreateDSB(g.sound.context, bytes.data(), static_cast<int32_t>(bytes.size()),
                            flag);
}

}  // namespace rindou
