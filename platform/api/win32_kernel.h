// KERNEL services of the Win32 subset: movable memory blocks, files, errors,
// time and the integer helpers, with the documented Windows semantics.
#pragma once

#include "platform/api/win32_types.h"

// Calling conventions are the platform's default outside Windows.
#ifndef WINAPI
#define WINAPI
#endif
#ifndef CALLBACK
#define CALLBACK
#endif

// ---- Movable memory blocks -------------------------------------------------
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_LOCKCOUNT 0x00FF
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Resizes an unlocked or locked block; with GMEM_ZEROINIT the grown part is zeroed.
// Returns the (unchanged) handle, or NULL with the block left as it was.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
LPVOID GlobalLock(HGLOBAL hMem);
// Returns nonzero while the block stays locked, 0 once the lock count reaches 0
// (GetLastError() is then NO_ERROR) or on a block that was not locked.
BOOL GlobalUnlock(HGLOBAL hMem);
// Returns NULL on success, the handle on failure.
HGLOBAL GlobalFree(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);
// Low byte: the lock count.
UINT GlobalFlags(HGLOBAL hMem);

// ---- Errors -----------------------------------------------------------------
#define NO_ERROR 0L
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_HANDLE_EOF 38L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_NOT_LOCKED 158L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_NEGATIVE_SEEK 131L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_INVALID_DATA 13L
#define ERROR_INVALID_PASSWORD 86L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_MORE_DATA 234L
#define ERROR_BAD_PROVIDER 1204L
#define ERROR_CANCELLED 1223L
#define ERROR_BADDB 1009L
#define ERROR_NOT_ENOUGH_QUOTA 1816L

DWORD GetLastError();
void SetLastError(DWORD dwErrCode);

// ---- Files ------------------------------------------------------------------
#define OFS_MAXPATHNAME 128
struct OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD Reserved1;
    WORD Reserved2;
    CHAR szPathName[OFS_MAXPATHNAME];
};
using LPOFSTRUCT = OFSTRUCT*;

#define OF_READ 0x0000
#define OF_WRITE 0x0001
#define OF_READWRITE 0x0002
#define OF_SHARE_COMPAT 0x0000
#define OF_SHARE_EXCLUSIVE 0x0010
#define OF_SHARE_DENY_WRITE 0x0020
#define OF_SHARE_DENY_READ 0x0030
#define OF_SHARE_DENY_NONE 0x0040
#define OF_CREATE 0x1000
#define OF_EXIST 0x4000

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

// Opens by the full path given; szPathName only receives a (possibly shortened)
// copy for information, so long paths open correctly.
HFILE OpenFile(LPCSTR lpFileName, LPOFSTRUCT lpReOpenBuff, UINT uStyle);
HFILE _lopen(LPCSTR lpPathName, int iReadWrite);
HFILE _lcreat(LPCSTR lpPathName, int iAttribute);
UINT _lread(HFILE hFile, LPVOID lpBuffer, UINT uBytes);
UINT _lwrite(HFILE hFile, LPCSTR lpBuffer, UINT uBytes);
LONG _llseek(HFILE hFile, LONG lOffset, int iOrigin);
HFILE _lclose(HFILE hFile);

#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    CHAR cFileName[MAX_PATH];
    CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

// Finds the first entry matching a path whose last component may hold the
// wildcards '*' and '?'.
HANDLE FindFirstFileA(LPCSTR lpFileName, LPWIN32_FIND_DATAA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);
#define FindFirstFile FindFirstFileA
#define WIN32_FIND_DATA WIN32_FIND_DATAA

// ---- Time -------------------------------------------------------------------
// Milliseconds from the platform clock source (see platform/kernel/clock.h).
DWORD GetTickCount();

#ifndef INFINITE
#define INFINITE 0xFFFFFFFF
#endif
// Suspends the thread for the given milliseconds of the platform clock (the
// clock the multimedia timer runs on); 0 gives up the rest of the time slice.
void Sleep(DWORD dwMilliseconds);

// ---- Integer helpers --------------------------------------------------------
// (a * b) / c with a 64-bit intermediate, rounded to the nearest integer, halves
// away from zero; -1 when c is 0 or the result does not fit in 32 bits.
int MulDiv(int nNumber, int nNumerator, int nDenominator);

// ---- Private profile files --------------------------------------------------
// A file name without a directory lives in the user's Vesper settings folder
// ($XDG_CONFIG_HOME/vesper, else $HOME/.config/vesper); a name with a '/' is
// used as given. Section and key names match without regard to case.

// The value as a signed decimal (leading blanks, optional sign, digits up to the
// first other character; no digits gives 0), returned as UINT like on Windows;
// nDefault when the key is missing or its value is empty.
UINT GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault, LPCSTR lpFileName);
// Copies the value (one pair of enclosing quotes removed) or, when missing, the
// default (NULL = "") without trailing blanks. Truncates to nSize - 1 and
// returns nSize - 1 then; otherwise the number of characters copied. A NULL
// section or key lists all section or key names, each terminated, the list
// ended by a second NUL (return nSize - 2 when the list is cut).
DWORD GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault, LPSTR lpReturnedString,
                               DWORD nSize, LPCSTR lpFileName);
// Creates the file, section and key as needed; a NULL lpString deletes the key,
// a NULL lpKeyName the whole section. The file is replaced atomically; on
// failure it is left as it was and FALSE is returned with GetLastError set.
BOOL WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString, LPCSTR lpFileName);
#define GetPrivateProfileInt GetPrivateProfileIntA
#define GetPrivateProfileString GetPrivateProfileStringA
#define WritePrivateProfileString WritePrivateProfileStringA

// ---- Modules ----------------------------------------------------------------
using FARPROC = LONG_PTR(WINAPI*)();

// The program's own path. hModule NULL or the program's instance (the handle
// GetModuleHandleA(NULL) returns); a loaded stand-in module gives its name.
// When the path does not fit, it is cut to nSize - 1 characters and
// terminated, nSize is returned and the last error is ERROR_INSUFFICIENT_BUFFER.
// vesper::platform::ModulePath() (platform/kernel/module_path.h) never truncates.
DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
#define GetModuleFileName GetModuleFileNameA

// Modules are the platform's built-in stand-ins, named case-insensitively, with
// ".DLL" assumed when the name has no extension (a trailing '.' means none).
// Each LoadLibraryA counts a reference and each FreeLibrary releases one; the
// module is unloaded when the count reaches 0. Unknown names fail with
// ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(LPCSTR lpLibFileName);
BOOL FreeLibrary(HMODULE hLibModule);
// NULL: the program's instance. Otherwise the module if it is loaded, without
// counting a reference.
HMODULE GetModuleHandleA(LPCSTR lpModuleName);
FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
#define LoadLibrary LoadLibraryA
#define GetModuleHandle GetModuleHandleA
