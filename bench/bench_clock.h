#pragma once
// The benchmarks' clock: seconds from the performance counter.
#include <windows.h>

inline double BenchSeconds() {
  static const LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The seconds one call of f takes.
template <class F>
double Time(F&& f) {
  const double t0 = BenchSeconds();
  f();
  return BenchSeconds() - t0;
}
