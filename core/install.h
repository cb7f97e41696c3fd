// Finding the game: SETUP.INI beside the program, its REG_NAME, and the installer's values.
#pragma once

#include <windows.h>

enum PathKind {
    kPathNothing = 0,
    kPathFile = 1,
    kPathDirectory = 2,
};

enum {
    kPathBufferSize = 260,  // MAX_PATH: program path, SETUP.INI path, REG_NAME, GameKeyPath
};

// The game's key, "\HKEY_CURRENT_USER\Software\<REG_NAME>"; written once at start-up.
extern char GameKeyPath[kPathBufferSize];

extern const char kTextNoSetupIni[];
extern const char kTextNoRegName[];
extern const char kTextNotInstalled[];

PathKind ProbePath(const char *path);
// Byte offset of the last single-byte `ch` in `text`, skipping the double-byte
// characters of the running system's ANSI code page, whichever it is; -1 if none.
// Under 1252 "é" (E9) is one character, under 936 "運" (DF 5C) is two bytes and holds
// no separator: a folder such as "C:\Jeux\café" is cut where that system sees its
// separator. A lead byte right before the terminator ends the text.
int FindLastCharDbcs(const char *text, char ch);
int LocateSetupIni(char (&iniPath)[kPathBufferSize]);
int ReadRegName(const char *iniPath, char (&name)[kPathBufferSize]);
int BuildGameKeyPath(const char *name);
int IsGameInstalled(const char *keyPath);
