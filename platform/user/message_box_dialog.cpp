// Message boxes as dialogs of the dialog manager, so that they look like the
// program's other dialogs: the icon of the box type on the left, the text
// beside it, the buttons centred below, sized to the text as Windows sizes
// its boxes. Keys as in every dialog: Enter and Space press the focused (the
// first) button, Escape and the close box answer as AnswerOfKey says.
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/translation.h"
#include "platform/user/dialog/dialog_manager.h"
#include "platform/user/dialog/dialog_template.h"
#include "platform/user/message_box.h"
#include "platform/win32.h"

namespace vesper::platform {
namespace {

constexpr char kTemplateName[] = "VesperMessageBox";
constexpr int kTextId = 0xFFFF;
constexpr UINT kButtonsMask = 0x0000000F;
constexpr UINT kIconMask = 0x000000F0;
// What DialogBoxParamA answers when it could not make the dialog.
constexpr INT_PTR kNoDialog = -1;

// Layout, in dialog units unless said otherwise.
constexpr int kMargin = 7;
constexpr int kIconPixels = 32;
constexpr int kIconGap = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr int kButtonGap = 4;
// The widest a line of text grows before it wraps: most of the screen.
constexpr int kWidestTextPercent = 60;

struct Button {
    int id;
    const char* english;
};

std::vector<Button> ButtonsOf(UINT type)
{
    switch (type & kButtonsMask) {
    case MB_OKCANCEL: return {{IDOK, N_("OK")}, {IDCANCEL, N_("Cancel")}};
    case MB_YESNO: return {{IDYES, N_("Yes")}, {IDNO, N_("No")}};
    default: return {{IDOK, N_("OK")}};
    }
}

// Pixels to dialog units, rounded up so that nothing is cut.
int HorizontalUnits(int pixels, SIZE units)
{
    return (pixels * 4 + units.cx - 1) / units.cx;
}
int VerticalUnits(int pixels, SIZE units)
{
    return (pixels * 8 + units.cy - 1) / units.cy;
}

// The text's size in pixels, wrapped at the widest line allowed.
SIZE MeasureText(const std::string& text, HFONT font)
{
    RECT screen{};
    GetClientRect(GetDesktopWindow(), &screen);
    RECT area{0, 0, std::max<LONG>(200, (screen.right - screen.left) * kWidestTextPercent / 100), 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    DrawTextA(dc, text.c_str(), -1, &area, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

struct Box {
    UINT type;
    RECT icon;  // dialog units; empty without an icon
};

DialogTemplate LayOut(const MessageBoxRequest& request, Box& box)
{
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
    dialog.caption = request.caption;
    dialog.pointSize = 8;
    dialog.faceName = "MS Sans Serif";
    bool ownsFont = false;
    HFONT font = dialog::FontOf(dialog, ownsFont);
    const SIZE units = dialog::BaseUnitsOf(font);
    const SIZE textPixels = MeasureText(request.text, font);
    if (ownsFont)
        DeleteObject(font);

    const bool hasIcon = (request.type & kIconMask) != 0;
    const int iconWidth = hasIcon ? HorizontalUnits(kIconPixels, units) : 0;
    const int iconHeight = hasIcon ? VerticalUnits(kIconPixels, units) : 0;
    box.icon = hasIcon ? RECT{kMargin, kMargin, kMargin + iconWidth, kMargin + iconHeight} : RECT{};
    const int textLeft = kMargin + (hasIcon ? iconWidth + kIconGap : 0);
    const int textWidth = HorizontalUnits(textPixels.cx, units) + 1;
    const int textHeight = std::max(VerticalUnits(textPixels.cy, units), 8);
    // A short text stands in the middle of the icon's height.
    const int textTop = kMargin + std::max(0, (iconHeight - textHeight) / 2);

    const std::vector<Button> buttons = ButtonsOf(request.type);
    const int count = static_cast<int>(buttons.size());
    const int rowWidth = count * kButtonWidth + (count - 1) * kButtonGap;
    const int rowTop = std::max(textTop + textHeight, kMargin + iconHeight) + kMargin;
    const int width = std::max(textLeft + textWidth + kMargin, rowWidth + 2 * kMargin);
    dialog.cx = static_cast<short>(width);
    dialog.cy = static_cast<short>(rowTop + kButtonHeight + kMargin);

    dialog.items.push_back({"Static", request.text, kTextId, static_cast<short>(textLeft), static_cast<short>(textTop),
                            static_cast<short>(textWidth), static_cast<short>(textHeight),
                            WS_VISIBLE | WS_GROUP | SS_LEFT | SS_NOPREFIX, 0});
    int left = (width - rowWidth) / 2;
    for (const Button& button : buttons) {
        const DWORD kind = button.id == buttons.front().id ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        const DWORD style = static_cast<DWORD>(WS_VISIBLE | WS_TABSTOP) | kind;
        dialog.items.push_back({"Button", TrWindows(button.english), button.id, static_cast<short>(left),
                                static_cast<short>(rowTop), kButtonWidth, kButtonHeight,
                                style, 0});
        left += kButtonWidth + kButtonGap;
    }
    return dialog;
}

// The icons, drawn as Windows 95 draws them: a yellow warning triangle, a red
// stop disc, a white speech balloon for information and questions.
enum class IconShape { triangle, disc, balloon };

struct IconLook {
    IconShape shape;
    COLORREF fill;
    COLORREF mark;
    const char* glyph;  // drawn over the shape; none for the stop disc's cross
};

std::optional<IconLook> IconOf(UINT type)
{
    switch (type & kIconMask) {
    case MB_ICONEXCLAMATION: return IconLook{IconShape::triangle, RGB(255, 255, 0), RGB(0, 0, 0), "!"};
    case MB_ICONHAND: return IconLook{IconShape::disc, RGB(255, 0, 0), RGB(255, 255, 255), nullptr};
    case MB_ICONQUESTION: return IconLook{IconShape::balloon, RGB(255, 255, 255), RGB(0, 0, 128), "?"};
    case MB_ICONASTERISK: return IconLook{IconShape::balloon, RGB(255, 255, 255), RGB(0, 0, 255), "i"};
    default: return std::nullopt;
    }
}

// Whether a pixel centre lies inside the shape, and on its black outline.
struct Coverage {
    bool inside = false;
    bool outline = false;
};

Coverage CoverageAt(IconShape shape, double x, double y)
{
    constexpr double kCentre = kIconPixels / 2.0;
    if (shape == IconShape::triangle) {
        // Apex at the top centre, base along the bottom.
        constexpr double kTop = 2;
        constexpr double kBottom = 29;
        const double halfWidth = (y - kTop) * (kCentre - 2) / (kBottom - kTop);
        const double fromEdge = std::min({halfWidth - std::abs(x - kCentre), kBottom - y});
        return {y >= kTop && fromEdge >= 0, y >= kTop && fromEdge >= 0 && fromEdge < 1.5};
    }
    // The balloon's disc sits higher, above its tail.
    const double centreY = shape == IconShape::balloon ? kCentre - 2 : kCentre;
    const double radius = shape == IconShape::balloon ? 12.5 : 14.5;
    const double distance = std::hypot(x - kCentre, y - centreY);
    if (shape == IconShape::balloon && y > centreY + 8 && y < 30 && x > 8 && x < 15 && x - 8 > y - centreY - 8)
        return {true, x - 8 - (y - centreY - 8) < 1.5 || x > 13.5 || y > 28.5};
    return {distance <= radius, distance <= radius && distance > radius - 1.2};
}

bool OnStopCross(double x, double y)
{
    constexpr double kCentre = kIconPixels / 2.0;
    const double dx = x - kCentre;
    const double dy = y - kCentre;
    return std::abs(dx) < 7 && std::abs(dy) < 7 && (std::abs(dx - dy) < 2.2 || std::abs(dx + dy) < 2.2);
}

void DrawIcon(HDC dc, POINT at, const IconLook& look)
{
    constexpr int kStride = kIconPixels * 3;
    std::array<BYTE, kStride * kIconPixels> pixels{};
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int y = 0; y < kIconPixels; ++y) {
        for (int x = 0; x < kIconPixels; ++x) {
            const double cx = x + 0.5;
            const double cy = y + 0.5;
            const Coverage coverage = CoverageAt(look.shape, cx, cy);
            COLORREF colour = face;
            if (coverage.outline)
                colour = RGB(0, 0, 0);
            else if (coverage.inside)
                colour = look.shape == IconShape::disc && OnStopCross(cx, cy) ? look.mark : look.fill;
            // Bottom row first, blue green red.
            BYTE* pixel = &pixels[(kIconPixels - 1 - y) * kStride + x * 3];
            pixel[0] = GetBValue(colour);
            pixel[1] = GetGValue(colour);
            pixel[2] = GetRValue(colour);
        }
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kIconPixels;
    info.bmiHeader.biHeight = kIconPixels;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    StretchDIBits(dc, at.x, at.y, kIconPixels, kIconPixels, 0, 0, kIconPixels, kIconPixels, pixels.data(), &info,
                  DIB_RGB_COLORS, SRCCOPY);
    if (!look.glyph)
        return;
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, "Times New Roman");
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, look.mark);
    RECT area{at.x, at.y + (look.shape == IconShape::triangle ? 7 : 1), at.x + kIconPixels,
              at.y + (look.shape == IconShape::triangle ? 29 : 25)};
    DrawTextA(dc, look.glyph, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    DeleteObject(font);
}

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        return TRUE;
    case WM_PAINT: {
        const Box& box = *reinterpret_cast<const Box*>(GetWindowLongPtrA(dialog, DWLP_USER));
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(dialog, &paint);
        if (const std::optional<IconLook> look = IconOf(box.type); look && !IsRectEmpty(&box.icon)) {
            RECT icon = box.icon;
            MapDialogRect(dialog, &icon);
            const POINT origin = dialog::ContentOrigin(static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)));
            DrawIcon(dc, POINT{icon.left + origin.x, icon.top + origin.y}, *look);
        }
        EndPaint(dialog, &paint);
        return TRUE;
    }
    case WM_COMMAND: {
        const Box& box = *reinterpret_cast<const Box*>(GetWindowLongPtrA(dialog, DWLP_USER));
        int answer = LOWORD(wParam);
        // Escape and the close box come as Cancel, which a box of OK alone
        // answers with OK and a box of Yes and No does not take.
        if (answer == IDCANCEL && !GetDlgItem(dialog, IDCANCEL))
            answer = AnswerOfKey(box.type, VK_ESCAPE);
        if (answer == 0 || !GetDlgItem(dialog, answer))
            return TRUE;
        EndDialog(dialog, answer);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

int ShowMessageBoxDialog(const MessageBoxRequest& request, BackendMessageBox fallback)
{
    Box box{request.type, {}};
    RegisterDialogTemplate(kTemplateName, LayOut(request, box));
    const INT_PTR answer =
        DialogBoxParamA(nullptr, kTemplateName, request.owner, MessageBoxProc, reinterpret_cast<LPARAM>(&box));
    return answer == kNoDialog ? fallback(request) : static_cast<int>(answer);
}

}  // namespace vesper::platform
