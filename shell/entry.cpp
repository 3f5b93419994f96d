#include "shell/entry.h"

#include <cstdio>
#include <exception>

#include "saver/config_dialog_proc.h"
#include "saver/globals.h"
#include "saver/resources.h"
#include "saver/password_support.h"
#include "saver/saver_window.h"

namespace {

using PwdChangePasswordProc = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);

constexpr int kExitInvalid = -1;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The value of a hexadecimal digit, -1 for any other character.
int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

LPCSTR SkipBlanks(LPCSTR text)
{
    while (*text == ' ')
        ++text;
    return text;
}

// The window a number names, null when it names none.
HWND ExistingWindow(DWORD number)
{
    HWND window = WindowFromNumber(number);
    return number != 0 && IsWindow(window) ? window : nullptr;
}

// Nothing is meant to escape a run; if something does, the system must not
// go on believing that a password-protected saver is running.
void ReportEscapedFailure(const char* what)
{
    SetScreenSaverRunning(FALSE);
    std::fprintf(stderr, "vesper: the run ended on an unexpected failure: %s\n", what);
}

int Run(LPCSTR commandTail)
{
    const RunRequest request = ParseCommandLine(commandTail);
    switch (request.mode) {
    case RunMode::configure:
        return static_cast<int>(ConfigureSaver(GetForegroundWindow()));
    case RunMode::configureAlone:
        return static_cast<int>(ConfigureSaver(nullptr));
    case RunMode::save:
        return CreateSaverWindow(nullptr);
    case RunMode::preview:
        if (HWND host = ExistingWindow(request.windowNumber))
            return CreateSaverWindow(host);
        return kExitInvalid;
    case RunMode::changePassword: {
        HWND owner = ExistingWindow(request.windowNumber);
        ChangeSaverPassword(owner ? owner : GetForegroundWindow());
        return 0;
    }
    case RunMode::invalid:
        break;
    }
    return kExitInvalid;
}

}  // namespace

DWORD ParseWindowHandle(LPCSTR text)
{
    DWORD value = 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        for (text += 2; HexDigitValue(*text) >= 0; ++text)
            value = value * 16 + static_cast<DWORD>(HexDigitValue(*text));
        return value;
    }
    for (; IsDigit(*text); ++text)
        value = value * 10 + static_cast<DWORD>(*text - '0');
    return value;
}

HWND WindowFromNumber(DWORD number)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(number));
}

RunRequest ParseCommandLine(LPCSTR commandTail)
{
    for (LPCSTR c = commandTail;; ++c) {
        switch (*c) {
        case '\0':
            return {RunMode::configureAlone, 0};
        case ' ':
        case '-':
        case '/':
            continue;
        case 'S':
        case 's':
            return {RunMode::save, 0};
        case 'P':
        case 'p':
        case 'L':
        case 'l':
            return {RunMode::preview, ParseWindowHandle(SkipBlanks(c + 1))};
        case 'C':
        case 'c':
            return {RunMode::configure, 0};
        case 'A':
        case 'a':
            return {RunMode::changePassword, ParseWindowHandle(SkipBlanks(c + 1))};
        default:
            return {RunMode::invalid, 0};
        }
    }
}

int WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int)
{
    g_hInstance = instance;
    RegisterSaverResources();
    try {
        return Run(commandTail ? commandTail : "");
    } catch (const std::exception& error) {
        ReportEscapedFailure(error.what());
    } catch (...) {
        ReportEscapedFailure("unknown exception");
    }
    return kExitInvalid;
}

bool NeedsDisplay(RunMode mode)
{
    return mode == RunMode::configure || mode == RunMode::configureAlone || mode == RunMode::save ||
           mode == RunMode::preview;
}

INT_PTR ConfigureSaver(HWND owner)
{
    return DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(kConfigurationDialog), owner, ConfigDialogProc, 0);
}

void ChangeSaverPassword(HWND owner)
{
    HMODULE provider = LoadLibraryA("MPR.DLL");
    if (!provider)
        return;
    if (auto change = reinterpret_cast<PwdChangePasswordProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(provider, "PwdChangePasswordA"))))
        change("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(provider);
}
