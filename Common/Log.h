// The process-wide diagnostic log. Any thread may log; whole lines never interleave.
//
// Every call site has the same shape, wrapped by LOGF: a level check, then BeginLogLine
// (takes the line lock and writes the prefix), then at once LogPrintf (appends the message,
// writes the line out and releases the lock).
#pragma once

#include <cstdarg>

enum LogFlags : unsigned {
    LOG_TIME = 0x01,    // "hh:mm:ss:mmm "
    LOG_LEVEL = 0x02,   // the level number and a blank
    LOG_SOURCE = 0x04,  // "file( line ) "
    LOG_FILE = 0x08,    // append the line to the log file
    LOG_STDOUT = 0x10,  // write the line to standard output
};

// The line buffer and the path buffer have these sizes; longer text is cut to fit.
constexpr int kLogLineMax = 4096;
constexpr int kLogPathMax = 511;

struct LogLine;

// Set once at start-up, before other threads log.
void SetLogLevel(int nLevel);
void SetLogFlags(unsigned nFlags);
// A null path leaves the setting as it is; a path of 0 or 1 characters writes no file.
void SetLogFile(const char* pszPath);

// Test seams: the settings as they stand.
int GetLogLevel();
unsigned GetLogFlags();

bool IsLogLevelEnabled(int nLevel);
// Blocks until no other thread is writing a line; the lock stays held until LogPrintf.
LogLine& BeginLogLine(int nLevel, const char* pszSource, int nLine);
void LogPrintf(LogLine& line, const char* pszFormat, ...) __attribute__((format(ms_printf, 2, 3)));
void LogPrintfV(LogLine& line, const char* pszFormat, va_list args);

#define LOGF(level, ...)                                                       \
    do {                                                                       \
        if (IsLogLevelEnabled(level))                                          \
            LogPrintf(BeginLogLine((level), __FILE__, __LINE__), __VA_ARGS__); \
    } while (0)
