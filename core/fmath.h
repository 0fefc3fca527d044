// Single-precision maths whose results are part of a show (palettes, pattern pairs, audio
// values, ornament vertices). On Linux these are the C library's functions. A Windows build
// links the compiler runtime's own copies by default, which round differently; it calls the
// system runtime's (msvcrt) exports instead, which give the same values as the Linux build
// under Wine.
#pragma once

#ifdef _WIN32
extern "C" float(__cdecl* __imp_powf)(float, float);
extern "C" float(__cdecl* __imp_expf)(float);
extern "C" float(__cdecl* __imp_sinf)(float);
extern "C" float(__cdecl* __imp_cosf)(float);
inline float show_powf(float x, float y) { return __imp_powf(x, y); }
inline float show_expf(float x) { return __imp_expf(x); }
inline float show_sinf(float x) { return __imp_sinf(x); }
inline float show_cosf(float x) { return __imp_cosf(x); }
#else
#include <math.h>
inline float show_powf(float x, float y) { return powf(x, y); }
inline float show_expf(float x) { return expf(x); }
inline float show_sinf(float x) { return sinf(x); }
inline float show_cosf(float x) { return cosf(x); }
#endif
