// Start-up and main loop: single instance, installation folder, the sibling launch, the hidden main
// window and the message loop, then the tear-down. RunKestrel is the whole life of the process.
#ifndef KESTREL_STARTUP_H
#define KESTREL_STARTUP_H

#include <windows.h>

// The single-instance mutex; also the main window's class name.
extern const char KestrelInstanceName[];

// Reads InstFolder from the machine-wide key into folder and builds resourceFolder from it.
// Returns 1 on success, 0 when the key or value is missing, empty, unreadable or too long for folder.
BOOL ReadInstallFolder(char *folder, UINT folderSize, char *resourceFolder, UINT resourceFolderSize);

// Builds the sibling's command line: the quoted path of Tapfire.exe in the installation folder.
// Returns 0 when it does not fit.
BOOL BuildSiblingCommand(const char *installFolder, char *command, UINT commandSize);

// Registers the main window's class (the extended registration first, the plain one if that fails).
BOOL RegisterMainWindowClass(HINSTANCE instance);

// Runs the program; returns the process exit code.
int RunKestrel(HINSTANCE instance);

#endif
