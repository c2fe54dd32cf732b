#include "Log.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "Handles.h"

struct LogLine {
    char szText[kLogLineMax + 1];
    int nLength;
    bool bCut;  // the buffer is full and ended; the rest of the line is dropped
};

namespace {

struct LogState {
    int nLevel = 3;
    unsigned nFlags = LOG_TIME;
    char szPath[kLogPathMax + 1] = {};
    CCriticalSection lock;
    LogLine line = {};
};

// Never destroyed: threads that end with the process may still log while static objects
// are torn down at exit.
LogState& State() {
    static LogState* pState = new LogState;
    return *pState;
}

// Ends a full buffer with a line end, so the file keeps one record per line. The line end
// replaces the last whole character: half of a double-byte character would garble it.
void EndCutLine(LogLine& line) {
    int nCut = 0;
    for (int nNext = 0; nNext < kLogLineMax - 1; nCut = nNext) {
        nNext += ::IsDBCSLeadByte(static_cast<BYTE>(line.szText[nNext])) ? 2 : 1;
        if (nNext > kLogLineMax - 1)
            break;
    }
    line.szText[nCut] = '\n';
    line.nLength = nCut + 1;
    line.bCut = true;
}

// Appends formatted text, cutting it at the buffer's end.
void AppendV(LogLine& line, const char* pszFormat, va_list args) {
    int nRoom = kLogLineMax - line.nLength;
    if (line.bCut || nRoom <= 0)
        return;
    int n = _vsnprintf(line.szText + line.nLength, nRoom, pszFormat, args);
    if (n < 0 || n >= nRoom) {
        EndCutLine(line);
    } else {
        line.nLength += n;
    }
    line.szText[line.nLength] = '\0';
}

void Append(LogLine& line, const char* pszFormat, ...) __attribute__((format(ms_printf, 2, 3)));
void Append(LogLine& line, const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    AppendV(line, pszFormat, args);
    va_end(args);
}

void WriteOut(const LogState& state, const LogLine& line) {
    if (state.nFlags & LOG_STDOUT) {
        fwrite(line.szText, 1, line.nLength, stdout);
        fflush(stdout);
    }
    if ((state.nFlags & LOG_FILE) && strlen(state.szPath) > 1) {
        // Opened and closed for every line, so the log survives a crash up to its last line.
        FILE* f = fopen(state.szPath, "at");
        if (f) {
            fwrite(line.szText, 1, line.nLength, f);
            fclose(f);
        }
    }
}

}  // namespace

void SetLogLevel(int nLevel) {
    State().nLevel = nLevel;
}
void SetLogFlags(unsigned nFlags) {
    State().nFlags = nFlags;
}
int GetLogLevel() {
    return State().nLevel;
}
unsigned GetLogFlags() {
    return State().nFlags;
}

void SetLogFile(const char* pszPath) {
    if (!pszPath)
        return;
    LogState& state = State();
    CAutoLock hold(state.lock);
    lstrcpynA(state.szPath, pszPath, sizeof(state.szPath));
}

bool IsLogLevelEnabled(int nLevel) {
    return nLevel <= State().nLevel;
}

LogLine& BeginLogLine(int nLevel, const char* pszSource, int nLine) {
    LogState& state = State();
    state.lock.Enter();
    LogLine& line = state.line;
    line.nLength = 0;
    line.bCut = false;
    line.szText[0] = '\0';
    if (state.nFlags & LOG_TIME) {
        SYSTEMTIME st;
        GetLocalTime(&st);
        Append(line, "%02d:%02d:%02d:%03d ", st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    }
    if (state.nFlags & LOG_LEVEL)
        Append(line, "%d ", nLevel);
    if (state.nFlags & LOG_SOURCE)
        Append(line, "%s( %d ) ", pszSource ? pszSource : "NULL", nLine);
    return line;
}

void LogPrintfV(LogLine& line, const char* pszFormat, va_list args) {
    LogState& state = State();
    AppendV(line, pszFormat, args);
    WriteOut(state, line);
    state.lock.Leave();
}

void LogPrintf(LogLine& line, const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    LogPrintfV(line, pszFormat, args);
    va_end(args);
}
