#include "tools/vesper/hosted_options.h"

#include <charconv>
#include <optional>
#include <string_view>

#include "platform/kernel/translation.h"

namespace {

using vesper::Fill;
using vesper::Tr;

constexpr int kSlowest = 1;
constexpr int kFastest = 100;
// X window numbers are 32-bit values.
constexpr unsigned long long kLargestWindow = 0xFFFFFFFFull;

std::optional<unsigned long long> ParseNumber(std::string_view text, int base)
{
    unsigned long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || failure != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

bool HasHexPrefix(std::string_view text)
{
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

// Hexadecimal after "0x", decimal otherwise; never 0.
std::optional<unsigned long long> ParseWindowId(std::string_view text)
{
    const std::optional<unsigned long long> value =
        HasHexPrefix(text) ? ParseNumber(text.substr(2), 16) : ParseNumber(text, 10);
    if (!value || *value == 0 || *value > kLargestWindow)
        return std::nullopt;
    return value;
}

// As the daemon writes it: hexadecimal, with or without "0x".
std::optional<unsigned long long> ParseDaemonWindow(std::string_view text)
{
    const std::optional<unsigned long long> value = ParseNumber(HasHexPrefix(text) ? text.substr(2) : text, 16);
    if (!value || *value == 0 || *value > kLargestWindow)
        return std::nullopt;
    return value;
}

// "--name" and "-name" are the same option. --scale goes with full-screen
// saving too, so it alone does not make a hosted run.
bool IsOption(std::string_view arg, std::string_view name)
{
    if (arg.starts_with("--"))
        arg.remove_prefix(2);
    else if (arg.starts_with("-"))
        arg.remove_prefix(1);
    else
        return false;
    return arg == name;
}

HostedOptions Invalid(std::string error)
{
    HostedOptions options;
    options.outcome = HostedOptions::Outcome::invalid;
    options.error = std::move(error);
    return options;
}

bool NamesHostedOption(const std::string& arg)
{
    return IsOption(arg, "root") || IsOption(arg, "window-id") || IsOption(arg, "speed");
}

}  // namespace

HostedOptions ParseHostedOptions(const std::vector<std::string>& args, const char* xscreensaverWindow)
{
    bool anyHostedOption = false;
    for (const std::string& arg : args)
        anyHostedOption = anyHostedOption || NamesHostedOption(arg);
    if (!anyHostedOption)
        return {};

    bool root = false;
    std::optional<unsigned long long> window;
    std::optional<unsigned long long> speed;
    std::optional<ScaleChoice> scale;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = IsOption(arg, "window-id") || IsOption(arg, "speed") || IsOption(arg, "scale");
        if (takesValue && i + 1 == args.size())
            return Invalid(Fill(Tr("%s needs a value"), {arg}));
        if (IsOption(arg, "root")) {
            root = true;
        } else if (IsOption(arg, "window-id")) {
            window = ParseWindowId(args[++i]);
            if (!window)
                return Invalid(
                    Fill(Tr("--window-id needs a window number, in decimal or in hexadecimal with 0x, not \"%s\""),
                         {args[i]}));
        } else if (IsOption(arg, "speed")) {
            speed = ParseNumber(args[++i], 10);
            if (!speed || *speed < kSlowest || *speed > kFastest)
                return Invalid(Fill(Tr("--speed needs a whole number from 1 to 100, not \"%s\""), {args[i]}));
        } else if (IsOption(arg, "scale")) {
            scale = ParseScaleChoice(args[++i]);
            if (!scale)
                return Invalid(BadScaleMessage(Tr("the option \"--scale\""), args[i]));
        } else {
            return Invalid(Fill(Tr("\"%s\" cannot go with --root, --window-id, --speed or --scale"), {arg}));
        }
    }

    const bool daemonWindowSet = xscreensaverWindow && *xscreensaverWindow;
    if (!window && daemonWindowSet && (root || speed)) {
        window = ParseDaemonWindow(xscreensaverWindow);
        if (!window)
            return Invalid(Fill(Tr("XSCREENSAVER_WINDOW is not a window number in hexadecimal: \"%s\""),
                                {xscreensaverWindow}));
    }
    if (!window && !root)
        return Invalid(Tr("--speed goes with --root or --window-id (or XSCREENSAVER_WINDOW)"));

    HostedOptions options;
    options.outcome = HostedOptions::Outcome::hosted;
    options.run.window = window.value_or(0);
    options.run.speed = static_cast<int>(speed.value_or(0));
    options.run.scale = scale;
    return options;
}
