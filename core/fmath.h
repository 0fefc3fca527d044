// Maths whose results are part of a show (palettes, pattern pairs, audio values, the per-frame
// values the pictures are drawn from). On Linux these are the C library's functions. A Windows
// build links the compiler runtime's own copies by default, which round differently; it calls
// the system runtime's (msvcrt) exports instead, which give the same values as the Linux build
// under Wine. Code whose results reach a show calls these rather than powf, sinf and the like.
// Sine and cosine round the double-precision result: the two runtimes' double functions agree
// to well under a float's rounding step, where their single-precision ones differ in the last
// bit now and then.
#pragma once

#ifdef _WIN32
extern "C" float(__cdecl* __imp_powf)(float, float);
extern "C" float(__cdecl* __imp_expf)(float);
extern "C" double(__cdecl* __imp_sin)(double);
extern "C" double(__cdecl* __imp_cos)(double);
extern "C" double(__cdecl* __imp_exp)(double);
inline float show_powf(float x, float y) { return __imp_powf(x, y); }
inline float show_expf(float x) { return __imp_expf(x); }
inline float show_sinf(float x) { return (float)__imp_sin((double)x); }
inline float show_cosf(float x) { return (float)__imp_cos((double)x); }
inline double show_exp(double x) { return __imp_exp(x); }
#else
#include <math.h>
inline float show_powf(float x, float y) { return powf(x, y); }
inline float show_expf(float x) { return expf(x); }
inline float show_sinf(float x) { return (float)sin((double)x); }
inline float show_cosf(float x) { return (float)cos((double)x); }
inline double show_exp(double x) { return exp(x); }
#endif

