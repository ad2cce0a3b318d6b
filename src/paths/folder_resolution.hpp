// The shell folders behind the path variables, each resolved by a chain of steps: the first step
// that gives a non-empty folder wins, and the last one is a fixed fallback, so no lookup fails.
// "Shell folder" steps ask the shell by CSIDL number or known-folder id; "Shell Folders" steps read
// the values below Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders of HKLM or
// HKCU; "CurrentVersion" steps read values of HKLM\Software\Microsoft\Windows\CurrentVersion. All
// results are wide and carry no trailing backslash (except a drive root).
//
// This program is 32-bit: its native Program Files and Common Files folders are the "(x86)" ones on
// 64-bit Windows, so a request for the 32-bit folder is the native request, and so is a request
// for the 64-bit folder on 32-bit Windows.
#pragma once

#include "core/string.hpp"

namespace valdorine {

String AllUsersAppDataFolder();    // shell folder 35; "Common AppData"; native Common Files
String UserAppDataFolder();        // shell folder 26; "AppData"; native Common Files
String BootDrive();                // "C:": the letter of Setup's BootDir value, else C
String CommonFiles32Folder();      // the native Common Files folder
String CommonFiles64Folder();      // 64-bit Windows: known folder, %CommonProgramW6432%, the 32-bit one without " (x86)"
String AllUsersDesktopFolder();    // shell folder 25; "Common Desktop"; the user's desktop
String UserDesktopFolder();        // shell folder 16; "Desktop"; Windows folder\Desktop
String DriverSearchFolder();       // DevicePath up to its first ";"; Windows folder\INF
String AllUsersDocumentsFolder();  // shell folder 46; "Common Documents"; the user's documents
String UserDocumentsFolder();      // shell folder 5; "Personal"; c:\My Documents
String AllUsersFavoritesFolder();  // shell folder 31; "Common Favorites"; the user's favourites
String UserFavoritesFolder();      // shell folder 6; "Favorites"; Windows folder\Favorites
String FontsFolder();              // shell folder 20; "Fonts"; Windows folder\Fonts
String InetpubFolder();            // the parent of INetStp's PathWWWRoot, else c:\Inetpub
String MediaFolder();              // MediaPath; Windows folder\Media
String ProgramFiles32Folder();     // the native Program Files folder
String ProgramFiles64Folder();     // 64-bit Windows: known folder, %ProgramW6432%, the 32-bit one without " (x86)"
String AllUsersProgramsFolder();   // shell folder 23; "Common Programs"; the parent of "Common Startup"; the user's
String UserProgramsFolder();       // shell folder 2; "Programs"; the user's start menu\Programs
String AllUsersStartMenuFolder();  // shell folder 22; "Common Start Menu"; "Common Startup" two up; the user's
String UserStartMenuFolder();      // shell folder 11; "Start Menu"; Windows folder\Start Menu
String AllUsersStartupFolder();    // shell folder 24; "Common Startup"; the user's
String UserStartupFolder();        // shell folder 7; "Startup"; the user's programs\StartUp

// The native folders themselves, the system folder and the Windows folder are the core library's
// (core/win32/system_folders.hpp).

}  // namespace valdorine
