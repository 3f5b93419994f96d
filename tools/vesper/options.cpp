#include "tools/vesper/options.h"

#include <algorithm>
#include <array>

#include "platform/kernel/translation.h"
#include "shell/entry.h"

namespace vesper::player {

namespace {

constexpr std::string_view kOptionPrefix = "--";

struct Option {
    std::string_view name;       // with its "--"
    std::string_view valueName;  // empty: a flag without value
    const char* help;  // English, N_(): shown through Tr
    // Sets what the option asks for; the complaint when the value is bad.
    std::string (*apply)(PlayerRequest& request, std::string_view value);
};

std::string Quoted(std::string_view text)
{
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

// "the option "NAME"", to name where a bad value was given.
std::string OptionNamed(std::string_view name)
{
    return Fill(Tr("the option %s"), {Quoted(name)});
}

std::string TakeMonitors(PlayerRequest& request, std::string_view value)
{
    request.monitors = ParseMonitorLayout(value);
    if (request.monitors)
        return {};
    return Fill(Tr("%s takes %s, not %s"), {OptionNamed("--monitors"), Tr(kMonitorLayoutValues), Quoted(value)});
}

// Every option of the player. A new option is one more row.
constexpr std::array kOptions{
    Option{"--help", "", N_("show this help and exit"),
           [](PlayerRequest& r, std::string_view) {
               r.showHelp = true;
               return std::string();
           }},
    Option{"--version", "", N_("show the version and exit"),
           [](PlayerRequest& r, std::string_view) {
               r.showVersion = true;
               return std::string();
           }},
    Option{"--monitors", "MODE",
           N_("with /s, how the scene covers several monitors (MODE: each, span or primary):\n"
              "                        each: the whole scene on every monitor, at its size (the default)\n"
              "                        span: one scene across the box that holds all monitors\n"
              "                        primary: the scene on the primary monitor, the others black\n"
              "                        Without it, the \"monitors\" setting of vesper.ini counts"),
           TakeMonitors},
    Option{"--scale", "auto|K",
           N_("with /s, --root, --window-id: each scene pixel a K x K block (default: the setting, else auto)"),
           [](PlayerRequest& r, std::string_view value) {
               r.scale = ParseScaleChoice(value);
               return r.scale ? std::string() : BadScaleMessage(OptionNamed("--scale"), value);
           }},
};

// Other spellings of help that hosts and users type.
constexpr std::array<std::string_view, 2> kHelpWords{"-h", "/?"};

const Option* FindOption(std::string_view name)
{
    for (const Option& option : kOptions)
        if (option.name == name)
            return &option;
    return nullptr;
}

bool IsHelpWord(std::string_view word)
{
    for (std::string_view help : kHelpWords)
        if (word == help)
            return true;
    return false;
}

// Reads one option word (and the next word when it takes a value and has no
// "=VALUE"); moves `next` past what it used. Returns the complaint, if any.
std::string TakeOption(const std::vector<std::string_view>& arguments, std::size_t& next, PlayerRequest& request)
{
    std::string_view word = arguments[next++];
    std::string_view value;
    const std::size_t equals = word.find('=');
    const bool valueAttached = equals != std::string_view::npos;
    if (valueAttached) {
        value = word.substr(equals + 1);
        word = word.substr(0, equals);
    }
    const Option* option = FindOption(word);
    if (!option)
        return Fill(Tr("unknown option %s"), {Quoted(word)});
    if (option->valueName.empty()) {
        if (valueAttached)
            return Fill(Tr("the option %s takes no value"), {Quoted(word)});
    } else if (!valueAttached) {
        if (next >= arguments.size())
            return Fill(Tr("the option %s needs a value (%s)"), {Quoted(word), option->valueName});
        value = arguments[next++];
    }
    return option->apply(request, value);
}

constexpr std::string_view kSceneOption = "--scene";

// The help between its usage line and the options, a line at a time (each
// translated on its own; "" is a blank line).
constexpr const char* kHelpLines[] = {
    N_("Plays the scene packed into this screen saver."),
    "",
    N_("Run modes (a leading \"/\" or \"-\" may be left out):"),
    N_("  /s             save: show the scene full screen until a key, click or mouse move"),
    N_("  /p WINDOW-ID   preview inside that X11 window (decimal, or hexadecimal with 0x)"),
    N_("  /c             the settings dialog (the speed); also with no run mode at all"),
    N_("  /a             change the screen saver password"),
    "",
    N_("  --scene FILE   with any run mode: play the scene that FILE holds (a scene,"),
    N_("                 a Vesper saver, or a Windows saver with a scene appended)"),
    "",
    N_("As a hack of a screen saver daemon (xscreensaver):"),
    N_("  --root, -root  draw in the daemon's window (XSCREENSAVER_WINDOW), else the root window"),
    N_("  --window-id ID draw in that X11 window (decimal, or hexadecimal with 0x)"),
    N_("  --speed N      the speed from 1 to 100 for this run, with --root or --window-id"),
    "",
    N_("Options:"),
};

}  // namespace

SceneChoice TakeSceneOption(std::vector<std::string>& arguments)
{
    SceneChoice choice;
    for (auto at = arguments.begin(); at != arguments.end(); ++at) {
        const std::string_view word = *at;
        if (word.starts_with(std::string(kSceneOption) + "=")) {
            choice.file = word.substr(kSceneOption.size() + 1);
            arguments.erase(at);
        } else if (word == kSceneOption) {
            if (at + 1 == arguments.end()) {
                choice.error = Fill(Tr("the option %s needs a value (%s)"), {Quoted(kSceneOption), "FILE"});
                return choice;
            }
            choice.file = at[1];
            arguments.erase(at, at + 2);
        } else {
            continue;
        }
        if (choice.file.empty())
            choice.error = Fill(Tr("the option %s needs a file name"), {Quoted(kSceneOption)});
        return choice;
    }
    return choice;
}

ParsedArguments ParsePlayerArguments(const std::vector<std::string_view>& arguments)
{
    ParsedArguments parsed;
    PlayerRequest& request = parsed.request;
    for (std::size_t next = 0; next < arguments.size();) {
        const std::string_view word = arguments[next];
        if (word.starts_with(kOptionPrefix)) {
            parsed.error = TakeOption(arguments, next, request);
            if (!parsed.error.empty())
                return parsed;
            continue;
        }
        ++next;
        if (IsHelpWord(word)) {
            request.showHelp = true;
            continue;
        }
        if (!request.commandTail.empty())
            request.commandTail += ' ';
        request.commandTail += word;
    }
    if (!request.showHelp && !request.showVersion &&
        ParseCommandLine(request.commandTail.c_str()).mode == RunMode::invalid)
        parsed.error = Fill(Tr("unknown run mode %s"), {Quoted(request.commandTail)});
    return parsed;
}

std::string PlayerUsage(std::string_view program)
{
    std::string usage = Fill(Tr("Usage: %s [RUN MODE] [OPTION...]\n"), {program});
    for (const char* line : kHelpLines)
        usage += std::string(Tr(line)) + "\n";
    for (const Option& option : kOptions) {
        std::string left(2, ' ');
        left += option.name;
        if (!option.valueName.empty()) {
            left += ' ';
            left += option.valueName;
        }
        if (option.name == "--help")
            left += ", -h, /?";
        left.resize(std::max<std::size_t>(left.size() + 2, 24), ' ');
        usage += left + Tr(option.help) + "\n";
    }
    return usage;
}

std::string PlayerVersion()
{
    return std::string("vesper ") + VESPER_VERSION;
}

}  // namespace vesper::player
