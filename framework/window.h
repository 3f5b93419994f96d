// CWnd: the window wrapper. It binds an object to a window that already
// exists and answers with its handle; it never creates, owns or destroys the
// window, so attaching and detaching only set and clear the handle.
#pragma once

#include "framework/object.h"
#include "platform/win32.h"

class CWnd : public CObject {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Binds the object to the window; FALSE for a null handle or when the
    // object is bound already (detach first).
    BOOL Attach(HWND window);
    // Unbinds the object and returns the handle it held (null when unbound).
    HWND Detach();
    // The bound window, null when unbound.
    HWND GetSafeHwnd() const { return m_hWnd; }

    HWND m_hWnd = nullptr;
};
