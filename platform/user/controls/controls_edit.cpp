// One-line edit controls. The text lives in one buffer of the control that
// never reallocates while text is typed and is wiped whenever text leaves
// it, so that a password typed into an ES_PASSWORD edit leaves no copies
// behind once the edit is cleared or destroyed. ES_PASSWORD shows a '*' for
// each character.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/user/controls/controls.h"
#include "platform/user/dialog/dialog_manager.h"
#include "platform/password/password_secret.h"

namespace vesper::platform::controls {

namespace {

constexpr std::size_t kDefaultLimit = 32767;
constexpr char kPasswordChar = '*';
constexpr int kTextIndent = 2;

class EditBuffer {
public:
    explicit EditBuffer(std::size_t limit) { Reserve(limit); }
    ~EditBuffer() { WipeMemory(m_text.get(), m_limit + 1); }
    EditBuffer(const EditBuffer&) = delete;
    EditBuffer& operator=(const EditBuffer&) = delete;

    std::string_view View() const { return {m_text.get(), m_size}; }
    std::size_t Size() const { return m_size; }
    std::size_t Limit() const { return m_limit; }

    // A new limit; text beyond it stays, as on Windows, by keeping the larger.
    void Reserve(std::size_t limit)
    {
        limit = std::max(limit, m_size);
        auto text = std::make_unique<char[]>(limit + 1);
        if (m_text) {
            std::memcpy(text.get(), m_text.get(), m_size);
            WipeMemory(m_text.get(), m_limit + 1);
        }
        m_text = std::move(text);
        m_limit = limit;
        m_text[m_size] = '\0';
    }

    // Replaces [from, to) with the text, cut to what the limit leaves room for.
    // Returns the number of characters inserted.
    std::size_t Replace(std::size_t from, std::size_t to, std::string_view text)
    {
        const std::size_t removed = to - from;
        const std::size_t room = m_limit - (m_size - removed);
        const std::size_t inserted = std::min(text.size(), room);
        char* base = m_text.get();
        std::memmove(base + from + inserted, base + to, m_size - to);
        std::memcpy(base + from, text.data(), inserted);
        const std::size_t size = m_size - removed + inserted;
        if (size < m_size)
            WipeMemory(base + size, m_size - size);
        m_size = size;
        base[m_size] = '\0';
        return inserted;
    }

private:
    std::unique_ptr<char[]> m_text;
    std::size_t m_size = 0;
    std::size_t m_limit = 0;
};

struct EditState : ControlState {
    EditBuffer text{kDefaultLimit};
    // The caret is at `caret`; the selection runs between `anchor` and it.
    std::size_t caret = 0;
    std::size_t anchor = 0;
    // The first character shown, when the text is wider than the control.
    std::size_t firstShown = 0;
    char passwordChar = 0;
    bool focused = false;

    std::size_t SelectionStart() const { return std::min(caret, anchor); }
    std::size_t SelectionEnd() const { return std::max(caret, anchor); }
};

std::string Shown(const EditState& state)
{
    if (state.passwordChar)
        return std::string(state.text.Size(), state.passwordChar);
    return std::string(state.text.View());
}

LONG WidthOf(HDC dc, std::string_view text)
{
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &extent);
    return extent.cx;
}

RECT TextArea(HWND edit)
{
    RECT area{};
    GetClientRect(edit, &area);
    InflateRect(&area, -2, -2);  // the sunken border
    area.left += kTextIndent;
    return area;
}

// A measuring context with the edit's font.
class Measure {
public:
    explicit Measure(const EditState& state) : m_dc(GetDC(nullptr))
    {
        if (state.font)
            m_previous = SelectObject(m_dc, state.font);
    }
    ~Measure()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
        ReleaseDC(nullptr, m_dc);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HDC m_dc;
    HGDIOBJ m_previous = nullptr;
};

// Keeps the caret inside the shown part of the text.
void ScrollToCaret(HWND edit, EditState& state)
{
    state.firstShown = std::min(state.firstShown, state.caret);
    const RECT area = TextArea(edit);
    const std::string shown = Shown(state);
    Measure measure(state);
    while (state.firstShown < state.caret &&
           WidthOf(measure.Dc(), std::string_view(shown).substr(state.firstShown, state.caret - state.firstShown)) >
               area.right - area.left - 1)
        ++state.firstShown;
}

void Changed(HWND edit, EditState& state, bool notify)
{
    ScrollToCaret(edit, state);
    InvalidateRect(edit, nullptr, FALSE);
    if (notify)
        Notify(edit, EN_CHANGE);
}

void ReplaceSelection(HWND edit, EditState& state, std::string_view text)
{
    const std::size_t start = state.SelectionStart();
    const std::size_t inserted = state.text.Replace(start, state.SelectionEnd(), text);
    state.caret = state.anchor = start + inserted;
    Changed(edit, state, true);
}

void SetText(HWND edit, EditState& state, std::string_view text)
{
    state.text.Replace(0, state.text.Size(), text);
    state.caret = state.anchor = state.text.Size();
    state.firstShown = 0;
    Changed(edit, state, true);
}

void MoveCaret(HWND edit, EditState& state, std::size_t to)
{
    state.caret = state.anchor = std::min(to, state.text.Size());
    Changed(edit, state, false);
}

void Character(HWND edit, EditState& state, char c)
{
    constexpr char kBackspace = 0x08;
    if (c == kBackspace) {
        if (state.caret == state.anchor && state.caret > 0)
            --state.anchor;
        if (state.caret != state.anchor)
            ReplaceSelection(edit, state, {});
        return;
    }
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
        return;
    ReplaceSelection(edit, state, std::string_view(&c, 1));
}

void Key(HWND edit, EditState& state, WPARAM key)
{
    switch (key) {
    case VK_LEFT:
        MoveCaret(edit, state, state.caret == state.anchor && state.caret > 0 ? state.caret - 1 : state.SelectionStart());
        break;
    case VK_RIGHT:
        MoveCaret(edit, state, state.caret == state.anchor ? state.caret + 1 : state.SelectionEnd());
        break;
    case VK_HOME:
        MoveCaret(edit, state, 0);
        break;
    case VK_END:
        MoveCaret(edit, state, state.text.Size());
        break;
    case VK_DELETE:
        if (state.caret == state.anchor && state.caret < state.text.Size())
            ++state.anchor;
        if (state.caret != state.anchor)
            ReplaceSelection(edit, state, {});
        break;
    default:
        break;
    }
}

// The character position nearest to a point of the control.
std::size_t PositionAt(HWND edit, const EditState& state, LONG x)
{
    const RECT area = TextArea(edit);
    const std::string shown = Shown(state);
    Measure measure(state);
    std::size_t position = state.firstShown;
    while (position < shown.size()) {
        const LONG left = WidthOf(measure.Dc(), std::string_view(shown).substr(state.firstShown, position - state.firstShown));
        const LONG right =
            WidthOf(measure.Dc(), std::string_view(shown).substr(state.firstShown, position + 1 - state.firstShown));
        if (area.left + (left + right) / 2 > x)
            break;
        ++position;
    }
    return position;
}

// Draws text with its cell's top left corner at (left, top), cut at the
// right of the text area.
void DrawAt(HDC dc, LONG left, LONG top, const RECT& area, std::string_view text)
{
    RECT box{left, top, area.right, area.bottom};
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &box, DT_SINGLELINE | DT_NOPREFIX);
}

void Paint(HWND edit, const EditState& state)
{
    ControlPaint paint(edit);
    HDC dc = paint.Dc();
    RECT area = paint.Client();
    DrawEdge(dc, &area, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(dc, &area, GetSysColorBrush(paint.Enabled() ? COLOR_WINDOW : COLOR_BTNFACE));
    const RECT text = TextArea(edit);
    const std::string shown = Shown(state);
    const std::size_t first = std::min(state.firstShown, shown.size());
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    const LONG top = text.top + (text.bottom - text.top - metrics.tmHeight) / 2;
    SetTextColor(dc, GetSysColor(paint.Enabled() ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    DrawAt(dc, text.left, top, text, std::string_view(shown).substr(first));
    if (!state.focused)
        return;
    // Glyphs sit at the sum of the advances before them, so a part of the
    // text drawn at its own offset lands where it is in the whole.
    const auto offset = [&](std::size_t position) {
        return text.left + WidthOf(dc, std::string_view(shown).substr(first, position - first));
    };
    if (state.caret == state.anchor) {
        const LONG x = offset(std::max(state.caret, first));
        const RECT caret{x, top, x + 1, top + metrics.tmHeight};
        FillRect(dc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
        return;
    }
    const std::size_t start = std::max(state.SelectionStart(), first);
    const std::size_t end = std::max(state.SelectionEnd(), start);
    RECT selection{offset(start), top, offset(end), top + metrics.tmHeight};
    IntersectRect(&selection, &selection, &text);
    FillRect(dc, &selection, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    DrawAt(dc, selection.left, top, text, std::string_view(shown).substr(start, end - start));
}

}  // namespace

LRESULT CALLBACK EditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        // The text goes into the edit's buffer, never into the window title.
        auto* state = new EditState;
        state->passwordChar =
            (reinterpret_cast<const CREATESTRUCTA*>(lParam)->style & ES_PASSWORD) ? kPasswordChar : 0;
        AttachState(edit, state);
        if (const char* text = reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpszName)
            state->text.Replace(0, 0, text);
        return TRUE;
    }
    if (const auto handled = HandleCommon<EditState>(edit, message, wParam, lParam))
        return *handled;
    auto* state = StateOf<EditState>(edit);
    if (!state)
        return DefWindowProcA(edit, message, wParam, lParam);
    switch (message) {
    case WM_PAINT:
        Paint(edit, *state);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SETTEXT:
        SetText(edit, *state, lParam ? reinterpret_cast<LPCSTR>(lParam) : "");
        return TRUE;
    case WM_GETTEXT: {
        if (!lParam || wParam == 0)
            return 0;
        const std::size_t count = std::min<std::size_t>(state->text.Size(), wParam - 1);
        std::memcpy(reinterpret_cast<LPSTR>(lParam), state->text.View().data(), count);
        reinterpret_cast<LPSTR>(lParam)[count] = '\0';
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(state->text.Size());
    case WM_CHAR:
        Character(edit, *state, static_cast<char>(wParam));
        return 0;
    case WM_KEYDOWN:
        Key(edit, *state, wParam);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(edit);
        MoveCaret(edit, *state, PositionAt(edit, *state, GET_X_LPARAM(lParam)));
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        state->focused = message == WM_SETFOCUS;
        InvalidateRect(edit, nullptr, FALSE);
        if (state->focused)
            dialog::NoteControlFocus(edit);
        return 0;
    case WM_ENABLE:
        InvalidateRect(edit, nullptr, FALSE);
        return 0;
    case EM_SETSEL: {
        const auto size = static_cast<LONG_PTR>(state->text.Size());
        const auto start = static_cast<LONG_PTR>(static_cast<int>(wParam));
        const auto end = static_cast<LONG_PTR>(static_cast<int>(lParam));
        if (start < 0) {
            state->anchor = state->caret;
        } else {
            state->anchor = static_cast<std::size_t>(std::min(start, size));
            state->caret = static_cast<std::size_t>(end < 0 ? size : std::min(end, size));
        }
        Changed(edit, *state, false);
        return 0;
    }
    case EM_GETSEL: {
        const auto start = static_cast<DWORD>(state->SelectionStart());
        const auto end = static_cast<DWORD>(state->SelectionEnd());
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = end;
        return MAKELONG(start, end);
    }
    case EM_LIMITTEXT:
        state->text.Reserve(wParam == 0 || wParam > kDefaultLimit ? kDefaultLimit : wParam);
        return 0;
    case EM_SETPASSWORDCHAR:
        state->passwordChar = static_cast<char>(wParam);
        InvalidateRect(edit, nullptr, FALSE);
        return 0;
    case EM_GETPASSWORDCHAR:
        return static_cast<unsigned char>(state->passwordChar);
    default:
        return DefWindowProcA(edit, message, wParam, lParam);
    }
}

}  // namespace vesper::platform::controls
