// Holds a frame's block locked for a scope, unless a caller already holds it
// locked: the frame's `locked` address is set for the scope and cleared again
// at its end, and a lock taken by someone else is left alone.
#pragma once

#include "stage/internal.h"

#include "imaging/dib8bpp.h"
#include "platform/win32.h"

class CFrameLock {
public:
    explicit CFrameLock(CDIB8BPP& frame) : m_frame(frame)
    {
        if (m_frame.locked || !m_frame.block)
            return;
        m_frame.locked = static_cast<BYTE*>(GlobalLock(m_frame.block));
        m_lockedHere = m_frame.locked != nullptr;
    }
    ~CFrameLock()
    {
        if (!m_lockedHere)
            return;
        GlobalUnlock(m_frame.block);
        m_frame.locked = nullptr;
    }
    CFrameLock(const CFrameLock&) = delete;
    CFrameLock& operator=(const CFrameLock&) = delete;

    // The first byte of the block, null when it could not be locked.
    BYTE* Bytes() const { return m_frame.locked; }

private:
    CDIB8BPP& m_frame;
    bool m_lockedHere = false;
};
