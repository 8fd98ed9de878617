// Texts that are file contents or names of things outside the program (file
// names, font families), not words shown to a person: the same in every
// language, since files written in one must be read in any other.
#pragma once

namespace rindou {

// The ending of every record file's name.
inline constexpr const char* RECORD_FILE_SUFFIX = ".棋譜";

// The settings file's keys, and the names it gives the backgrounds.
inline constexpr const char* SETTINGS_KEY_BACKGROUND = "背景画";
inline constexpr const char* SETTINGS_KEY_GUIDANCE = "移動指導";
inline constexpr const char* SETTINGS_KEY_ELAPSED = "経過時間";
inline constexpr const char* SETTINGS_GREEN = "緑";
// The language line, written only once the player has chosen a language.
inline constexpr const char* SETTINGS_KEY_LANGUAGE = "言語";
inline constexpr const char* SETTINGS_JAPANESE = "日本語";
inline constexpr const char* SETTINGS_ENGLISH = "English";
// The move list beside the board, written only while it is shown.
inline constexpr const char* SETTINGS_KEY_MOVE_LIST = "棋譜一覧";
inline constexpr const char* SETTINGS_BAMBOO = "竹";
inline constexpr const char* SETTINGS_TATAMI = "畳";
inline constexpr const char* SETTINGS_SPACE = "宇宙";
inline constexpr const char* SETTINGS_BRICK = "煉瓦";

// The sound files, in the data folder's sounds.
inline constexpr const char* SOUND_FILE_OTHER = "その他.wav";
inline constexpr const char* SOUND_FILE_REFUSAL = "禁止.wav";
inline constexpr const char* SOUND_FILE_PIECE = "駒打音.wav";

// The font the texts were drawn in first, as Windows names it.
inline constexpr const char* FONT_MS_PMINCHO = "ＭＳ Ｐ明朝";

}  // namespace rindou
