#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "imaging/default_palette.h"
#include "platform/drivers/headless/headless_display.h"
#include "platform/drivers/headless/headless_windows.h"
#include "scene/vesper_doc.h"
#include "tests/stage/stage_test_support.h"
// Last: it brings Xlib, whose macros (None, Status) the headers above use as names.
#include "tests/shell/saver_process.h"

extern char** environ;

namespace vesper::test {

namespace {

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

std::vector<char*> Pointers(const std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (const std::string& text : texts)
        pointers.push_back(const_cast<char*>(text.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// The name part of "NAME=value", with the "=".
std::string NameOf(const std::string& entry)
{
    return entry.substr(0, entry.find('=') + 1);
}

}  // namespace

std::string DemoOnXUnavailable(const XConnection& x)
{
#if !defined(VESPER_DEMO_SAVER) || !defined(VESPER_DEMO_SCENE)
    (void)x;
    return "the packed demo saver is not part of this build";
#else
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return "no X server (DISPLAY is not set); scripts/test.sh runs this test under xvfb-run";
    if (!x.Get())
        return std::string("cannot connect to the X server ") + display;
    return {};
#endif
}

bool Near(COLORREF a, COLORREF b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= kColourTolerance &&
           std::abs(GetGValue(a) - GetGValue(b)) <= kColourTolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= kColourTolerance;
}

#if defined(VESPER_DEMO_SAVER) && defined(VESPER_DEMO_SCENE)
std::filesystem::path WriteDamagedDemoSaver(const std::filesystem::path& folder)
{
    const std::filesystem::path damaged = folder / "damaged-saver";
    std::ifstream in(VESPER_DEMO_SAVER, std::ios::binary);
    std::ofstream out(damaged, std::ios::binary);
    std::vector<char> bytes(std::filesystem::file_size(VESPER_DEMO_SAVER) -
                            std::filesystem::file_size(VESPER_DEMO_SCENE) / 2);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.write(bytes.data(), in.gcount());
    out.close();
    std::filesystem::permissions(damaged, std::filesystem::perms::owner_all);
    return damaged;
}
#endif

std::optional<Screenshot> RenderBackground(const std::string& scenePath, int width, int height)
{
    platform::UseHeadlessDisplay({width, height, 32});
    platform::UseHeadlessWindowBackend();
    std::optional<Screenshot> picture;
    if (CreateDefaultPalette(g_defaultPalette)) {
        CVesperDoc document;
        if (document.LoadSceneFromFile(scenePath, 0)) {
            CDIB8BPP rendered;
            rendered.block = document.RenderBackground(width, height);
            if (rendered.GetWidth() == width && rendered.GetHeight() == height) {
                picture = Screenshot{width, height, {}};
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x)
                        picture->pixels.push_back(PaletteColour(rendered.GetPixelIndex(x, y)));
            }
        }
        document.DeleteContents();
    }
    g_defaultPalette.DeleteObject();
    platform::UseWindowBackend(nullptr);
    platform::UseDisplay(nullptr);
    return picture;
}

Comparison Compare(const Screenshot& first, const Screenshot& second, const Screenshot& background)
{
    Comparison result;
    for (std::size_t i = 0; i < first.pixels.size(); ++i) {
        const bool firstIsBackground = Near(first.pixels[i], background.pixels[i]);
        if (first.pixels[i] == second.pixels[i]) {
            ++result.unchanged;
            result.unchangedBackground += firstIsBackground;
        } else {
            ++result.changed;
            result.changedOverBackground += firstIsBackground && Near(second.pixels[i], background.pixels[i]);
        }
    }
    return result;
}

double BackgroundShare(const Screenshot& shot, const Screenshot& background)
{
    long matching = 0;
    for (std::size_t i = 0; i < shot.pixels.size(); ++i)
        matching += Near(shot.pixels[i], background.pixels[i]);
    return static_cast<double>(matching) / static_cast<double>(shot.pixels.size());
}

bool PollUntil(const std::function<bool()>& condition, std::chrono::steady_clock::duration timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
}

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& configFolder, const std::filesystem::path& outputFile,
                           const std::vector<std::string>& extraEnvironment)
    : m_outputFile(outputFile)
{
    std::vector<std::string> own{"XDG_CONFIG_HOME=" + configFolder.string(), "VESPER_DISPLAY=sdl"};
    own.insert(own.end(), extraEnvironment.begin(), extraEnvironment.end());
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (const std::string& mine : own)
            replaced = replaced || StartsWith(*entry, NameOf(mine).c_str());
        if (!replaced)
            environment.emplace_back(*entry);
    }
    environment.insert(environment.end(), own.begin(), own.end());

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    const std::vector<char*> argPointers = Pointers(argv);
    const std::vector<char*> environmentPointers = Pointers(environment);
    // A group of its own, so that whatever it forks (SDL shows message boxes
    // from a forked copy) ends with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    if (posix_spawn(&m_pid, program.c_str(), &files, &attributes, argPointers.data(), environmentPointers.data()) != 0)
        m_pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);
}

ChildProcess::~ChildProcess()
{
    if (Running()) {
        kill(-m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
}

bool ChildProcess::Running()
{
    if (m_pid <= 0 || m_status)
        return false;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) != m_pid)
        return true;
    m_status = status;
    return false;
}

std::optional<int> ChildProcess::ExitCode() const
{
    if (!m_status || !WIFEXITED(*m_status))
        return std::nullopt;
    return WEXITSTATUS(*m_status);
}

std::optional<double> ChildProcess::ProcessorSeconds() const
{
    std::ifstream in("/proc/" + std::to_string(m_pid) + "/stat");
    const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t afterName = stat.rfind(") ");
    if (afterName == std::string::npos)
        return std::nullopt;
    std::istringstream fields(stat.substr(afterName + 2));
    std::string field;
    long user = 0;
    long system = 0;
    // After the name: state is field 3; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            user = std::stol(field);
        if (number == 15)
            system = std::stol(field);
    }
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::string ChildProcess::Output() const
{
    std::ifstream in(m_outputFile);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Describe(const Comparison& c)
{
    std::ostringstream text;
    text << c.changed << " pixels changed (" << c.changedOverBackground << " of them background in both shots), "
         << c.unchanged << " unchanged (" << c.unchangedBackground << " of them background)";
    return text.str();
}

}  // namespace vesper::test
