// Password dialogs. What the user typed leaves the edit control only as a
// SecretText: the copy read out of the control is wiped, and so is the
// control's own buffer before the dialog closes.
#include <array>
#include <string>

#include "platform/kernel/translation.h"
#include "platform/user/dialog/dialog_template.h"
#include "platform/password/password_prompt.h"
#include "platform/password/password_secret.h"

namespace vesper::platform {

namespace {

constexpr char kTemplateName[] = "VesperPasswordDialog";
constexpr char kCaption[] = N_("Screen saver password");
constexpr int kLabel = 101;
constexpr int kEdit = 102;
// What DialogBoxParamA answers when it could not make the dialog.
constexpr INT_PTR kNoDialog = -1;

// Registered for each question, in the language of the moment.
void RegisterTemplate()
{
    DialogTemplate dialog;
    dialog.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
    dialog.cx = 200;
    dialog.cy = 62;
    dialog.caption = TrWindows(kCaption);
    dialog.pointSize = 8;
    dialog.faceName = "MS Sans Serif";
    dialog.items = {
        {"Static", "", kLabel, 7, 7, 186, 8, WS_VISIBLE | WS_GROUP | SS_LEFT, 0},
        {"Edit", "", kEdit, 7, 19, 186, 12, WS_VISIBLE | WS_TABSTOP | ES_PASSWORD | ES_AUTOHSCROLL,
         WS_EX_CLIENTEDGE},
        {"Button", TrWindows("OK"), IDOK, 89, 40, 50, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0},
        {"Button", TrWindows("Cancel"), IDCANCEL, 143, 40, 50, 14, WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0},
    };
    RegisterDialogTemplate(kTemplateName, std::move(dialog));
}

const char* LabelOf(PasswordQuestion question)
{
    switch (question) {
    case PasswordQuestion::Password: return N_("Type the screen saver password:");
    case PasswordQuestion::OldPassword: return N_("Type the old password:");
    case PasswordQuestion::NewPassword: return N_("Type the new password:");
    case PasswordQuestion::ConfirmNewPassword: return N_("Type the new password again:");
    }
    return "";
}

struct Request {
    PasswordQuestion question;
    std::optional<SecretText> answer;
};

// Reads the edit into a SecretText and wipes every other copy.
std::optional<SecretText> TakeTypedText(HWND dialog)
{
    std::array<char, SecretText::kCapacity + 1> typed{};
    GetDlgItemTextA(dialog, kEdit, typed.data(), static_cast<int>(typed.size()));
    std::optional<SecretText> answer = SecretText::From(typed.data());
    WipeMemory(typed.data(), typed.size());
    SetDlgItemTextA(dialog, kEdit, "");
    return answer;
}

INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* request = reinterpret_cast<Request*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetDlgItemTextA(dialog, kLabel, TrWindows(LabelOf(request->question)));
        SendDlgItemMessageA(dialog, kEdit, EM_LIMITTEXT, SecretText::kCapacity, 0);
        return TRUE;
    }
    case WM_COMMAND: {
        auto* request = reinterpret_cast<Request*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK) {
            request->answer = TakeTypedText(dialog);
            EndDialog(dialog, request->answer ? IDOK : IDCANCEL);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            SetDlgItemTextA(dialog, kEdit, "");
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

bool IsFailure(PasswordNotice notice)
{
    return notice != PasswordNotice::PasswordChanged && notice != PasswordNotice::PasswordRemoved;
}

class DialogPrompt final : public PasswordPrompt {
public:
    PasswordReply Ask(HWND owner, PasswordQuestion question) override
    {
        RegisterTemplate();
        Request request{question, std::nullopt};
        const INT_PTR result = DialogBoxParamA(nullptr, kTemplateName, owner, PasswordDialogProc,
                                               reinterpret_cast<LPARAM>(&request));
        if (result == kNoDialog)
            return {std::nullopt, "no dialog window could be made (error " + std::to_string(GetLastError()) + ")"};
        if (result != IDOK)
            return {};
        return {std::move(request.answer), {}};
    }

    void Tell(HWND owner, PasswordNotice notice) override
    {
        const std::string text(DescribePasswordNotice(notice));
        MessageBoxA(owner, TrWindows(text.c_str()), TrWindows(kCaption),
                    MB_OK | (IsFailure(notice) ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
    }
};

}  // namespace

PasswordPrompt& DialogPasswordPrompt()
{
    static DialogPrompt prompt;
    return prompt;
}

}  // namespace vesper::platform
