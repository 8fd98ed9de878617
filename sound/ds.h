// The C entry points of the sound library librindou-sound.so.  Every value
// is a 32-bit integer except the WAV image handed to dsCreateDSB, which comes
// as its address and its length.  Handles are small positive integers; 0
// means "none", and every call made with 0 (or an unknown handle) does
// nothing and returns 0.
//
// Volumes are in hundredths of a decibel (-10000 silent .. 0 full), pans in
// hundredths of a decibel taken off the other side (-10000 left only .. 0
// centre .. 10000 right only).
#pragma once

#include <stdint.h>

#if defined(__GNUC__)
#define RINDOU_SOUND_API __attribute__((visibility("default")))
#else
#define RINDOU_SOUND_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Opens the audio device; returns the library context, or 0 when the device
// cannot be opened.  The window handle is not needed on this platform.
RINDOU_SOUND_API int32_t dsInitialize(int32_t window);
// Makes a buffer from a whole WAV file held in memory.  The library copies
// what it needs: the caller may free its bytes afterwards.  The flag is 1 for
// music and 3 for effects.  Returns 0 for a file that is no playable sound.
// Only RIFF/WAVE images are taken, checked before any decoder sees them:
// PCM (8 or 16 bits), 32-bit float or ADPCM; 1 or 2 channels; 8 to 48 kHz;
// at most 16 MiB of data and about six minutes once decoded.
RINDOU_SOUND_API int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                                     int32_t flags);
// Buffers from resources of the executable; there are none here: always 0.
RINDOU_SOUND_API int32_t dsCreateResDSB(int32_t context, int32_t resource, int32_t flags);
// Plays a buffer once from its start (restarting it if it still plays).
// Different buffers play at the same time and are mixed.
RINDOU_SOUND_API int32_t dsPlay(int32_t buffer);
RINDOU_SOUND_API int32_t dsPlayPan(int32_t buffer, int32_t pan);
RINDOU_SOUND_API int32_t dsPlayEx(int32_t buffer, int32_t volume, int32_t pan);
// Plays a buffer over and over until it is stopped.
RINDOU_SOUND_API int32_t dsPlayLooping(int32_t buffer);
RINDOU_SOUND_API int32_t dsPlayLoopingEx(int32_t buffer, int32_t volume, int32_t pan);
RINDOU_SOUND_API int32_t dsStop(int32_t buffer);
RINDOU_SOUND_API int32_t dsSetVolume(int32_t buffer, int32_t volume);
RINDOU_SOUND_API int32_t dsSetPan(int32_t buffer, int32_t pan);
// The mixer plays every buffer at its own rate: changing it is not
// supported and returns 0.
RINDOU_SOUND_API int32_t dsSetFrequency(int32_t buffer, int32_t frequency);
RINDOU_SOUND_API int32_t dsFree(int32_t buffer);
// Frees the context's buffers and closes the audio device.
RINDOU_SOUND_API int32_t dsTerminate(int32_t context);

#ifdef __cplusplus
}
#endif
