// Starting a program as the desktop's user. This process runs elevated; a program it
// creates would inherit that. The shell that runs the desktop starts it instead, with the
// rights the user's own programs have, as the desktop user would by opening it.
#pragma once

#include <windows.h>

#include <string>

// Asks the desktop's shell to open strFile (a full path, no parameters) with the default verb
// in strFolder. Blocking; any thread (it initialises COM for the call when the thread has not).
// S_OK when the shell took the request; it starts the program on its own and gives no
// handle. The failing step's result otherwise: no desktop shell, none of its objects.
HRESULT ShellExecuteAsDesktopUser(const std::string& strFile, const std::string& strFolder);
