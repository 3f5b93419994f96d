// Owning wrappers of GDI objects: CGdiObject holds one handle and deletes it
// on destruction; CPalette adds the logical palette operations.
#pragma once

#include "framework/object.h"
#include "platform/win32.h"

class CGdiObject : public CObject {
    DECLARE_DYNAMIC(CGdiObject)
public:
    CGdiObject() = default;
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    ~CGdiObject() override;

    // Takes ownership of handle, deleting any handle held before; FALSE for null.
    BOOL Attach(HGDIOBJ handle);
    // Gives up ownership and returns the handle.
    HGDIOBJ Detach();
    // Deletes the handle held, if any; FALSE when there is none.
    BOOL DeleteObject();
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    HGDIOBJ m_hObject = nullptr;
};

class CPalette : public CGdiObject {
    DECLARE_DYNAMIC(CPalette)
public:
    // Creates a palette and, when that succeeds, holds it in place of any
    // palette held before; on failure the old palette is kept and FALSE returned.
    BOOL CreatePalette(const LOGPALETTE* logPalette);
    // The number of entries, 0 without a palette.
    int GetEntryCount() const;
    UINT GetPaletteEntries(UINT start, UINT count, LPPALETTEENTRY entries) const;
    UINT SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries);
    BOOL ResizePalette(UINT count);
    operator HPALETTE() const { return static_cast<HPALETTE>(m_hObject); }
};
