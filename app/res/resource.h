// Identifiers shared by the resource script and the dialogs.
#pragma once

#define IDR_MAINFRAME 128
