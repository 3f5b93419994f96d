// Window classes.
#include <algorithm>

#include "platform/kernel/settings_text.h"
#include "platform/user/user_state.h"

namespace vesper::platform::user {

std::shared_ptr<WindowClass> FindClassLocked(LPCSTR nameOrAtom)
{
    if (!nameOrAtom)
        return nullptr;
    const auto& classes = GetState().classes;
    const auto found = std::find_if(classes.begin(), classes.end(), [nameOrAtom](const auto& windowClass) {
        if (IS_INTRESOURCE(nameOrAtom))
            return windowClass->atom == static_cast<ATOM>(reinterpret_cast<UINT_PTR>(nameOrAtom));
        return EqualsIgnoringCase(windowClass->name, nameOrAtom);
    });
    return found == classes.end() ? nullptr : *found;
}

}  // namespace vesper::platform::user

using namespace vesper::platform::user;

ATOM RegisterClassA(const WNDCLASSA* lpWndClass)
{
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        !*lpWndClass->lpszClassName || !lpWndClass->lpfnWndProc || lpWndClass->cbClsExtra < 0 ||
        lpWndClass->cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Lock lock = LockState();
    State& state = GetState();
    if (FindClassLocked(lpWndClass->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (state.nextAtom < kFirstClassAtom) {  // every atom has been handed out
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto windowClass = std::make_shared<WindowClass>();
    windowClass->atom = state.nextAtom++;
    windowClass->name = lpWndClass->lpszClassName;
    windowClass->info = *lpWndClass;
    windowClass->info.lpszClassName = nullptr;
    windowClass->info.lpszMenuName = nullptr;
    state.classes.push_back(windowClass);
    return windowClass->atom;
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    Lock lock = LockState();
    const auto windowClass = FindClassLocked(lpClassName);
    if (!windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (windowClass->windows > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    std::erase(GetState().classes, windowClass);
    return TRUE;
}

BOOL GetClassInfoA(HINSTANCE, LPCSTR lpClassName, LPWNDCLASSA lpWndClass)
{
    Lock lock = LockState();
    const auto windowClass = FindClassLocked(lpClassName);
    if (!windowClass || !lpWndClass) {
        SetLastError(windowClass ? ERROR_INVALID_PARAMETER : ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *lpWndClass = windowClass->info;
    lpWndClass->lpszClassName = lpClassName;
    return TRUE;
}
