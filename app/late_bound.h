// Functions of system DLLs that only a dialog or the holiday download needs.
// Imported, each of those DLLs (and all that it imports) would be loaded at
// every start, before the calendar can paint; looked up here, they load at
// their first use.
#pragma once
#include <windows.h>

// Null when the DLL or the function is missing. The DLL stays loaded.
template <typename Function> Function LateBound(const wchar_t *dll, const char *name) {
  HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module)
    return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(module, name)));
}
