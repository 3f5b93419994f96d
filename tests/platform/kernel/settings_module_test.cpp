#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/kernel/module_path.h"
#include "platform/win32.h"

namespace {

// Loads a module for the scope of a test and releases it afterwards, so that
// the process-wide reference counts are back to zero between tests.
class LoadedModule {
public:
    explicit LoadedModule(LPCSTR name) : m_handle(LoadLibraryA(name)) {}
    ~LoadedModule()
    {
        if (m_handle)
            FreeLibrary(m_handle);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;
    HMODULE get() const { return m_handle; }

private:
    HMODULE m_handle;
};

TEST(Modules, TheInputMethodModuleIsNeverLoaded)
{
    for (LPCSTR name : {"IMM32.DLL", "imm32", "IMM32."}) {
        SetLastError(NO_ERROR);
        EXPECT_EQ(GetModuleHandleA(name), nullptr) << name;
        EXPECT_EQ(LoadLibraryA(name), nullptr) << name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND)) << name;
        EXPECT_EQ(GetModuleHandleA(name), nullptr) << name;
    }
}

TEST(Modules, ReferenceCountsDecideWhenAModuleIsUnloaded)
{
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), nullptr);
    const HMODULE first = LoadLibraryA("MPR.DLL");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(LoadLibraryA("mpr.dll"), first);
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), first) << "GetModuleHandleA counts no reference";

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), first) << "one reference is left";
    EXPECT_NE(GetProcAddress(first, "PwdChangePasswordA"), nullptr);

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(GetModuleHandleA("MPR.DLL"), nullptr);
    SetLastError(NO_ERROR);
    EXPECT_EQ(GetProcAddress(first, "PwdChangePasswordA"), nullptr) << "an unloaded module has no exports";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(FreeLibrary(first)) << "no reference is left to release";
}

TEST(Modules, NamesFollowTheWindowsRules)
{
    LoadedModule mpr("MPR.DLL");
    ASSERT_NE(mpr.get(), nullptr);
    EXPECT_EQ(GetModuleHandleA("Mpr.Dll"), mpr.get());
    EXPECT_EQ(GetModuleHandleA("mpr"), mpr.get()) << ".DLL is supplied for a name without extension";
    EXPECT_EQ(GetModuleHandleA("C:\\WINDOWS\\SYSTEM\\MPR.DLL"), mpr.get()) << "the folder part does not count";
    EXPECT_EQ(GetModuleHandleA("MPR."), nullptr) << "a trailing dot means no extension";

    LoadedModule password("password.cpl");
    ASSERT_NE(password.get(), nullptr);
    EXPECT_NE(password.get(), mpr.get());
    EXPECT_EQ(GetModuleHandleA("PASSWORD"), nullptr) << "PASSWORD means PASSWORD.DLL";
    EXPECT_EQ(LoadedModule("nosuch.dll").get(), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST(Modules, ExportsAreFoundByTheirExactName)
{
    LoadedModule password("PASSWORD.CPL");
    ASSERT_NE(password.get(), nullptr);
    EXPECT_NE(GetProcAddress(password.get(), "VerifyScreenSavePwd"), nullptr);
    SetLastError(NO_ERROR);
    EXPECT_EQ(GetProcAddress(password.get(), "verifyscreensavepwd"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
    EXPECT_EQ(GetProcAddress(password.get(), "PwdChangePasswordA"), nullptr) << "that one lives in MPR.DLL";
    EXPECT_EQ(GetProcAddress(password.get(), reinterpret_cast<LPCSTR>(1)), nullptr) << "no ordinals";
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "VerifyScreenSavePwd"), nullptr);
}

TEST(ModuleFileName, TheProgramPathInFullOrCutWithTheDocumentedResult)
{
    const std::string path = vesper::platform::ModulePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(std::filesystem::path(path), std::filesystem::read_symlink("/proc/self/exe"));
    EXPECT_EQ(GetModuleHandleA(nullptr), vesper::platform::ProgramInstance());

    std::string buffer(path.size() + 1, '#');
    const auto fits = static_cast<DWORD>(buffer.size());
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), fits), path.size());
    EXPECT_EQ(buffer.c_str(), path);
    EXPECT_EQ(GetModuleFileNameA(vesper::platform::ProgramInstance(), buffer.data(), fits), path.size());

    // One character short: cut, terminated, nSize returned, the error set.
    buffer.assign(path.size() + 1, '#');
    SetLastError(NO_ERROR);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), fits - 1), fits - 1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(buffer[path.size() - 1], '\0');
    EXPECT_EQ(buffer[path.size()], '#') << "nothing written past nSize";
    EXPECT_EQ(std::string(buffer.c_str()), path.substr(0, path.size() - 1));

    char tiny[10];
    EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, sizeof tiny), sizeof tiny);
    EXPECT_EQ(std::string(tiny), path.substr(0, 9));
    EXPECT_EQ(GetModuleFileNameA(nullptr, tiny, 0), 0u);
}

TEST(ModuleFileName, LoadedStandInsGiveTheirNameAndUnloadedOnesFail)
{
    HMODULE mpr = nullptr;
    {
        LoadedModule loaded("mpr");
        mpr = loaded.get();
        char name[32];
        EXPECT_EQ(GetModuleFileNameA(mpr, name, sizeof name), 7u);
        EXPECT_STREQ(name, "MPR.DLL");
    }
    char name[32];
    SetLastError(NO_ERROR);
    EXPECT_EQ(GetModuleFileNameA(mpr, name, sizeof name), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
