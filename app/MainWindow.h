// The hidden main window: the program's switchboard. Created by start-up, never shown; its
// procedure builds the visible pieces, runs the timers and tears everything down in WM_DESTROY.
#ifndef KESTREL_MAINWINDOW_H
#define KESTREL_MAINWINDOW_H

#include <windows.h>

// Command ids of the main window (the tray menu's items and the command that opens it).
const UINT CmdShowMenu = 40001;
const UINT CmdBanner = 40002;
const UINT CmdProperties = 40003;
const UINT CmdHelp = 40004;
const UINT CmdExit = 40005;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
