// Files, folders and system facts shared by the copy engine, the windows and the
// find thread.  Paths are ANSI (CP932) paths as platform/files.h takes them; paths
// built here use the host separator (platform::kPathDelim).
#pragma once

#include <string>

#include "platform/file_time.h"

// The browser's executable as registered under HKEY_LOCAL_MACHINE
// "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\Netscape.exe" (default value);
// "" when the key or the value is missing.
std::string GetNetscapeExePath();

// The last-write time of an existing file, as local file time.  false for a missing
// file, a folder, or a time that cannot be read.
bool GetFileLocalWriteTime(const std::string& path, platform::FILETIME& localFileTime);

// Creates a new, empty folder with a unique name starting "TLH" in the user's
// temporary folder and returns its path ending in the separator; "" on failure.
// The caller owns it and removes it with DeleteFolderTree.
std::string CreateWorkFolder();

// Removes a folder and everything in it, permanently and silently.  A trailing
// separator is allowed.  An empty path, or a path that names the file-system root,
// is ignored.
void DeleteFolderTree(const std::string& path);

// The folder of the running executable, ending in the separator.
std::string GetProgramFolder();

// The system's message text for an error code (as platform::LastError() gives it),
// ending in a line break.
std::string GetSystemErrorText(int code);

// true when the path exists and is a folder.
bool FolderExists(const std::string& path);

// Creates the folder and any missing parents.  One trailing separator is dropped.
// An existing folder, a root ("/", "C:", "C:\") counts as success.  true only when every
// folder that had to be made was made.  Throws std::invalid_argument for an empty path.
bool CreateFolderPath(const std::string& path);
