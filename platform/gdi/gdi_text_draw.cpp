// DrawTextA: text laid out in a rectangle, with line and word breaks,
// alignment, mnemonic prefixes and tab stops.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/drivers/display.h"
#include "platform/gdi/gdi_text_font.h"
#include "platform/win32.h"

namespace vesper::platform::gdi {

namespace {

constexpr int kTabStopCharacters = 8;

// The text as drawn: "&x" loses its "&" and "&&" becomes "&".
std::string WithoutPrefixes(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

class Layout {
public:
    Layout(const FontFace& face, UINT format) : m_face(face), m_format(format)
    {
        const TEXTMETRICA metrics = face.Metrics();
        m_lineHeight = metrics.tmHeight;
        m_tabWidth = std::max<LONG>(1, metrics.tmAveCharWidth * kTabStopCharacters);
    }

    LONG LineHeight() const { return m_lineHeight; }

    // The width of a line, tabs advancing to the next tab stop.
    LONG Width(std::string_view line) const
    {
        LONG x = 0;
        ForEachRun(line, [&](std::string_view run, LONG at) { x = at + m_face.Measure(run).cx; });
        return x;
    }

    // Calls draw(run, x) for each piece of the line between tabs.
    template <typename Draw>
    void ForEachRun(std::string_view line, Draw&& draw) const
    {
        if (!(m_format & DT_EXPANDTABS)) {
            draw(line, 0);
            return;
        }
        LONG x = 0;
        for (;;) {
            const std::size_t tab = line.find('\t');
            const std::string_view run = line.substr(0, tab);
            draw(run, x);
            if (tab == std::string_view::npos)
                return;
            x += m_face.Measure(run).cx;
            x = (x / m_tabWidth + 1) * m_tabWidth;
            line.remove_prefix(tab + 1);
        }
    }

    // The lines of the text for a rectangle `width` pixels wide.
    std::vector<std::string> Lines(std::string_view text, LONG width) const
    {
        std::vector<std::string> lines;
        if (m_format & DT_SINGLELINE) {
            lines.emplace_back(text);
            return lines;
        }
        for (;;) {
            const std::size_t end = text.find('\n');
            std::string_view paragraph = text.substr(0, end);
            if (!paragraph.empty() && paragraph.back() == '\r')
                paragraph.remove_suffix(1);
            if (m_format & DT_WORDBREAK)
                BreakWords(paragraph, width, lines);
            else
                lines.emplace_back(paragraph);
            if (end == std::string_view::npos)
                return lines;
            text.remove_prefix(end + 1);
        }
    }

private:
    // Greedy breaking at blanks; a word wider than the line stands alone.
    void BreakWords(std::string_view paragraph, LONG width, std::vector<std::string>& lines) const
    {
        std::string line;
        std::size_t at = 0;
        do {
            const std::size_t wordStart = paragraph.find_first_not_of(' ', at);
            if (wordStart == std::string_view::npos)
                break;
            const std::size_t wordEnd = std::min(paragraph.find(' ', wordStart), paragraph.size());
            std::string candidate = line;
            candidate.append(paragraph.substr(at, wordEnd - at));
            if (!line.empty() && Width(candidate) > width) {
                lines.push_back(line);
                line.assign(paragraph.substr(wordStart, wordEnd - wordStart));
            } else {
                line = std::move(candidate);
            }
            at = wordEnd;
        } while (at < paragraph.size());
        lines.push_back(line);
    }

    const FontFace& m_face;
    UINT m_format;
    LONG m_lineHeight = 0;
    LONG m_tabWidth = 1;
};

LONG AlignedLeft(const RECT& r, LONG width, UINT format)
{
    if (format & DT_CENTER)
        return r.left + (r.right - r.left - width) / 2;
    if (format & DT_RIGHT)
        return r.right - width;
    return r.left;
}

}  // namespace

}  // namespace vesper::platform::gdi

using namespace vesper::platform;
using namespace vesper::platform::gdi;

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    if (!lprc || (!lpchText && cchText != 0))
        return 0;
    const std::size_t length = cchText < 0 ? std::strlen(lpchText) : static_cast<std::size_t>(cchText);
    std::string_view text(lpchText ? lpchText : "", length);
    std::lock_guard lock(GdiMutex());
    const DeviceContext* context = FindDC(hdc);
    const FontFace* face = context ? FaceOf(SelectedFont(*context).logical) : nullptr;
    if (!face)
        return 0;
    const std::string shown = (format & DT_NOPREFIX) ? std::string(text) : WithoutPrefixes(text);
    const Layout layout(*face, format);
    const std::vector<std::string> lines = layout.Lines(shown, lprc->right - lprc->left);
    const LONG height = layout.LineHeight() * static_cast<LONG>(lines.size());

    if (format & DT_CALCRECT) {
        LONG widest = 0;
        for (const std::string& line : lines)
            widest = std::max(widest, layout.Width(line));
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + height;
        return height;
    }

    LONG top = lprc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER)
            top = lprc->top + (lprc->bottom - lprc->top - height) / 2;
        else if (format & DT_BOTTOM)
            top = lprc->bottom - height;
    }
    const RECT* clip = (format & DT_NOCLIP) ? nullptr : lprc;
    LONG y = top;
    for (const std::string& line : lines) {
        const LONG left = AlignedLeft(*lprc, layout.Width(line), format);
        layout.ForEachRun(line, [&](std::string_view run, LONG x) { PaintText(*context, POINT{left + x, y}, run, clip); });
        y += layout.LineHeight();
    }
    return (format & (DT_VCENTER | DT_BOTTOM)) && (format & DT_SINGLELINE) ? top - lprc->top + height : height;
}
