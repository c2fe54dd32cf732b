// When a report that failed is asked again. A statistics server that falls over must not be
// asked again by every running copy every few milliseconds: the pauses double from 50 ms to
// a cap, drawn at random from their upper half so that copies that failed together spread
// out, and a server's Retry-After is honoured up to its own cap. Pure functions.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr DWORD kFirstRetryPauseMs = 50;
constexpr DWORD kMaxRetryPauseMs = 30000;
constexpr DWORD kMaxRetryAfterMs = 120000;

// The pause after the nFailures-th failure in a row of the report at the head: 50 ms after
// the first; after the n-th, a pause in [c/2, c] picked by nRandom, where c is 50 ms doubled
// n - 1 times and at most kMaxRetryPauseMs. Never shorter than dwRetryAfterMs, counted up to
// kMaxRetryAfterMs.
DWORD RetryPauseMs(int nFailures, DWORD dwRetryAfterMs, uint32_t nRandom);

// A Retry-After value in milliseconds from stNow (UTC): delay-seconds or an HTTP date. 0 when
// empty, malformed or already past; at most kMaxRetryAfterMs.
DWORD ParseRetryAfterMs(const std::string& strValue, const SYSTEMTIME& stNow);
