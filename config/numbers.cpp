#include "config/numbers.h"

#include <climits>

bool IsScanSpace(wchar_t c) {
  if (c <= L' ')
    return c == L' ' || (c >= L'\t' && c <= L'\r');
  if (c < 0x85)
    return false;
  return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
         c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

void SkipScanSpace(std::wstring_view text, size_t &at) {
  while (at < text.size() && IsScanSpace(text[at]))
    ++at;
}

bool ScanInt(std::wstring_view text, size_t &at, int &value, bool *fits, unsigned *wrapped) {
  size_t from = at;
  SkipScanSpace(text, from);
  bool negative = false;
  if (from < text.size() && (text[from] == L'+' || text[from] == L'-'))
    negative = text[from++] == L'-';
  size_t digits = from;
  // Kept within one past the int range, so no digit count can overflow.
  long long magnitude = 0;
  unsigned low = 0;
  for (; from < text.size() && text[from] >= L'0' && text[from] <= L'9'; ++from) {
    low = low * 10u + static_cast<unsigned>(text[from] - L'0');
    magnitude = magnitude * 10 + (text[from] - L'0');
    if (magnitude > 1LL + INT_MAX)
      magnitude = 2LL + INT_MAX;
  }
  if (from == digits)
    return false;
  long long number = negative ? -magnitude : magnitude;
  bool inRange = number >= INT_MIN && number <= INT_MAX;
  value = number > INT_MAX ? INT_MAX : number < INT_MIN ? INT_MIN : static_cast<int>(number);
  if (fits)
    *fits = inRange;
  if (wrapped)
    *wrapped = negative ? 0u - low : low;
  at = from;
  return true;
}

bool ScanIntTriple(std::wstring_view text, wchar_t separator, int (&parts)[3], bool *fits) {
  size_t at = 0;
  bool allFit = true;
  for (int i = 0; i < 3; ++i) {
    if (i > 0 && (at >= text.size() || text[at++] != separator))
      return false;
    bool partFits = true;
    if (!ScanInt(text, at, parts[i], &partFits))
      return false;
    allFit = allFit && partFits;
  }
  if (fits)
    *fits = allFit;
  return true;
}

int ScanIntOrZero(std::wstring_view text) {
  size_t at = 0;
  int value = 0;
  return ScanInt(text, at, value) ? value : 0;
}

wchar_t *PutDecimal(wchar_t *out, long long value, size_t width) {
  // In unsigned arithmetic, so the smallest value has a magnitude too.
  unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
  wchar_t digits[24];
  size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  if (value < 0) {
    *out++ = L'-';
    width = width > 0 ? width - 1 : 0;
  }
  for (; width > count; --width)
    *out++ = L'0';
  while (count > 0)
    *out++ = digits[--count];
  return out;
}

void AppendDecimal(std::wstring &out, long long value, size_t width) {
  wchar_t text[48];
  width = width < 24 ? width : 24;
  out.append(text, static_cast<size_t>(PutDecimal(text, value, width) - text));
}

std::wstring DecimalText(long long value, size_t width) {
  std::wstring text;
  AppendDecimal(text, value, width);
  return text;
}
