// Cutting wide text without splitting a character: half a surrogate pair
// shows as nothing and is stored only as a replacement mark.
#pragma once
#include <windows.h>

#include <cstddef>

// How much of text to keep for a cut at most length units long: length, or
// one less where the cut would split a surrogate pair.
inline size_t SafeCutLength(const wchar_t *text, size_t length) {
  return length > 0 && IS_HIGH_SURROGATE(text[length - 1]) ? length - 1 : length;
}
