#include "framework/window.h"

IMPLEMENT_DYNAMIC(CWnd, CObject)

BOOL CWnd::Attach(HWND window)
{
    if (!window || m_hWnd)
        return FALSE;
    m_hWnd = window;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND window = m_hWnd;
    m_hWnd = nullptr;
    return window;
}
