#include "framework/palette.h"

IMPLEMENT_DYNAMIC(CGdiObject, CObject)
IMPLEMENT_DYNAMIC(CPalette, CGdiObject)

CGdiObject::~CGdiObject()
{
    DeleteObject();
}

BOOL CGdiObject::Attach(HGDIOBJ handle)
{
    if (!handle)
        return FALSE;
    if (handle != m_hObject) {
        DeleteObject();
        m_hObject = handle;
    }
    return TRUE;
}

HGDIOBJ CGdiObject::Detach()
{
    HGDIOBJ handle = m_hObject;
    m_hObject = nullptr;
    return handle;
}

BOOL CGdiObject::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    return ::DeleteObject(Detach());
}

BOOL CPalette::CreatePalette(const LOGPALETTE* logPalette)
{
    return Attach(::CreatePalette(logPalette));
}

int CPalette::GetEntryCount() const
{
    // With no buffer, GetPaletteEntries answers the palette's entry count.
    return m_hObject ? static_cast<int>(::GetPaletteEntries(*this, 0, 0, nullptr)) : 0;
}

UINT CPalette::GetPaletteEntries(UINT start, UINT count, LPPALETTEENTRY entries) const
{
    return m_hObject ? ::GetPaletteEntries(*this, start, count, entries) : 0;
}

UINT CPalette::SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries)
{
    return m_hObject ? ::SetPaletteEntries(*this, start, count, entries) : 0;
}

BOOL CPalette::ResizePalette(UINT count)
{
    return m_hObject ? ::ResizePalette(*this, count) : FALSE;
}
