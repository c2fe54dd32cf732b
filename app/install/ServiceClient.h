// The installed product's service client: its program "Corvendil.exe" and its library
// "Corvendil.dll" in the install folder, told the user's news-subscription choice.
#pragma once

#include <windows.h>

#include <string>

// The library's entry: four 32-bit arguments, callee cleans the stack.
using ReptQuasolSubscibeProc = int(WINAPI*)(int nKind, int nAction, int nProductId, int nReserved);

constexpr int kSubscribe = 1;
constexpr int kUnsubscribe = 2;

// With the reminder ticked: starts "Corvendil.exe -i" and, once it has started, calls
// ReptQuasolSubscibe(1, 1, nProductId, 0). Unticked: calls (1, 2, nProductId, 0) without
// starting the program. A missing library or entry only skips the call. The library stays
// loaded for the rest of the process. User-interface thread; blocks for the library load and
// the call, not for the program.
void ReportSubscription(const std::string& strInstallDir, bool bReminder, int nProductId);
