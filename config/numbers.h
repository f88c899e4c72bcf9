// Numbers as text: read as the platform's wide formatted scan reads "%d",
// which every loader (settings, schedules, holiday keys, CSV fields) uses so
// that they agree on what a number looks like, and written in decimal.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Unicode white space, which "%d" skips before a number: the controls 9 to
// 13, the blank, U+0085, U+00A0, U+1680, U+2000 to U+200A, U+2028, U+2029,
// U+202F, U+205F and U+3000 (the ideographic space of Japanese input).
bool IsScanSpace(wchar_t c);
void SkipScanSpace(std::wstring_view text, size_t &at);

// One "%d" at text[at]: white space, an optional sign, decimal digits. False,
// with at unchanged, when no digit follows. Otherwise at moves past the
// digits and value is the number, saturated at the int range; fits, when
// given, tells whether it had to be; wrapped, when given, is the number
// modulo 2^32, what a 32-bit field that takes every digit keeps.
bool ScanInt(std::wstring_view text, size_t &at, int &value, bool *fits = nullptr,
             unsigned *wrapped = nullptr);
// Three numbers joined by separator, as "%d-%d-%d" reads them; whatever
// follows the third is ignored. fits as above, for all three.
bool ScanIntTriple(std::wstring_view text, wchar_t separator, int (&parts)[3],
                   bool *fits = nullptr);
// The number at the start of a value, 0 when there is none.
int ScanIntOrZero(std::wstring_view text);

// Decimal text with at least width digits, zeros between the sign and the
// digits, as "%0*lld" writes it. PutDecimal writes at out, which has room
// for width and 20 more characters, and returns the end.
wchar_t *PutDecimal(wchar_t *out, long long value, size_t width = 0);
void AppendDecimal(std::wstring &out, long long value, size_t width = 0);
std::wstring DecimalText(long long value, size_t width = 0);
