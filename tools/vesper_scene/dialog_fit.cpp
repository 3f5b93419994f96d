#include "tools/vesper_scene/dialog_fit.h"

#include "platform/drivers/display.h"
#include "platform/drivers/backends.h"
#include "platform/kernel/module_path.h"
#include "saver/config_dialog_proc.h"
#include "saver/resources.h"

namespace vesper::tools {
namespace {

// A screen large enough for the dialog anywhere it is placed.
constexpr platform::DisplayMode kMeasuringScreen{1024, 768, 32};

struct ControlFit {
    int textWidth = 0;
    int controlWidth = 0;
};

// Width of `text` in the control's font against the control's client width.
ControlFit MeasureInControl(HWND dialog, int control, const std::string& text)
{
    HWND item = GetDlgItem(dialog, control);
    RECT client{};
    GetClientRect(item, &client);
    HDC dc = GetDC(item);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(item, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(item, dc);
    return {extent.cx, client.right - client.left};
}

std::string FitWarning(const char* what, const ControlFit& fit)
{
    return std::string(what) + " is " + std::to_string(fit.textWidth) + " pixels wide in the configuration dialog, " +
           "whose control shows " + std::to_string(fit.controlWidth) + ": its end will be cut off";
}

}  // namespace

std::vector<std::string> DialogFitWarnings(const std::string& title8, const std::string& credit8)
{
    platform::UseOffscreenBackend(kMeasuringScreen);
    RegisterSaverResources();
    HWND dialog = CreateDialogParamA(platform::ProgramInstance(), MAKEINTRESOURCEA(kConfigurationDialog), nullptr,
                                     ConfigDialogProc, 0);
    if (!dialog)
        return {"the configuration dialog cannot be made, so the title and credit line were not measured"};
    const ControlFit title = MeasureInControl(dialog, kTitleControl, title8);
    const ControlFit credit = MeasureInControl(dialog, kCreditControl, credit8);
    DestroyWindow(dialog);
    std::vector<std::string> warnings;
    if (title.textWidth > title.controlWidth)
        warnings.push_back(FitWarning("the title", title));
    if (credit.textWidth > credit.controlWidth)
        warnings.push_back(FitWarning("the credit line", credit));
    return warnings;
}

}  // namespace vesper::tools
