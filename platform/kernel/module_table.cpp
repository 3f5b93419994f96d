#include "platform/kernel/module_table.h"

#include <array>

#include "platform/password/password_provider.h"

namespace vesper::platform {
namespace {

HMODULE ModuleHandle(ULONG_PTR address)
{
    return reinterpret_cast<HMODULE>(address);
}

// Exports travel as FARPROC and are cast back to their own type by the caller.
// The step through void (*)() is the generic function pointer type that
// converts to any other without a warning.
template <typename Function>
FARPROC Export(Function* function)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

const std::array<BuiltInExport, 1> passwordCplExports{{
    {"VerifyScreenSavePwd", Export(&VerifyScreenSavePwd)},
}};

const std::array<BuiltInExport, 1> mprExports{{
    {"PwdChangePasswordA", Export(&PwdChangePasswordA)},
}};

}  // namespace

std::span<const BuiltInModule> BuiltInModules()
{
    // Handle values in the range where Windows places system modules, distinct
    // from the program's own instance.
    static const std::array<BuiltInModule, 2> modules{{
        {"PASSWORD.CPL", ModuleHandle(0x7E000000), passwordCplExports},
        {"MPR.DLL", ModuleHandle(0x7E100000), mprExports},
    }};
    return modules;
}

}  // namespace vesper::platform
