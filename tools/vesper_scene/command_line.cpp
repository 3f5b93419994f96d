#include "tools/vesper_scene/command_line.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>

#include <sys/stat.h>

#include "framework/archive.h"
#include "framework/exceptions.h"
#include "framework/file.h"
#include "platform/kernel/patchable_data.h"
#include "platform/kernel/translation.h"
#include "tools/vesper_scene/atomic_file.h"
#include "tools/vesper_scene/code_page.h"
#include "tools/vesper_scene/dialog_fit.h"
#include "tools/vesper_scene/packaging.h"
#include "tools/vesper_scene/report_format.h"
#include "tools/vesper_scene/sample_scene.h"
#include "tools/vesper_scene/scene_description.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {
namespace {

constexpr const char* kToolUsage = N_(
    "usage: vesper-scene COMMAND [ARGUMENTS]\n"
    "\n"
    "Makes, inspects and packages Vesper scenes and screen savers.\n"
    "\n"
    "commands:\n"
    "  build DESCRIPTION.json -o SCENE   make a scene from its JSON description\n"
    "  dump FILE -o FOLDER               write a scene's description and pictures\n"
    "  pack --player PLAYER --scene FILE [--title TITLE] [--credit CREDIT] -o SAVER\n"
    "                                    append a scene to a player program\n"
    "  info [--json] FILE                show a scene or a packaged saver\n"
    "  new -o SCENE                      write a small sample scene\n"
    "\n"
    "`vesper-scene COMMAND --help` describes one command; docs/scene-format.md\n"
    "describes the JSON description.\n");

constexpr const char* kBuildUsage = N_(
    "usage: vesper-scene build DESCRIPTION.json -o SCENE\n"
    "\n"
    "Writes the scene stream that DESCRIPTION.json describes: the scene's fields,\n"
    "its background picture and its sprites, in stacking order (the first sprite\n"
    "is drawn on top). Pictures are PNG or .bmp files named relative to the\n"
    "description's folder; a PNG is stored at 4 or 8 bits per pixel when it has\n"
    "at most 16 or 256 colours, else at 24, and a sprite's transparent PNG pixels\n"
    "become one key colour. Every problem is reported with the file and the field\n"
    "(sprites[2].dx); with any error nothing is written. Warnings point out what\n"
    "would not look as intended, such as a sprite whose corners are not\n"
    "transparent. SCENE is replaced only once it is complete.\n");

constexpr const char* kDumpUsage = N_(
    "usage: vesper-scene dump FILE -o FOLDER [--force]\n"
    "\n"
    "Writes the scene of FILE (a bare scene stream, a Vesper saver or a Windows\n"
    "saver with the scene after its program image) into FOLDER as scene.json,\n"
    "background.bmp and sprite-NN.bmp (NN the sprite's index), keeping every\n"
    "stored field and every picture, also those of depths the player does not\n"
    "draw; `vesper-scene build FOLDER/scene.json` gives back the same scene\n"
    "stream. The files are written all or none. FOLDER is created if needed; one that\n"
    "already holds files is refused unless --force is given.\n"
    "\n"
    "  --force   write into a folder that is not empty\n");

constexpr const char* kPackUsage = N_(
    "usage: vesper-scene pack --player PLAYER --scene FILE [--title TITLE]\n"
    "                         [--credit CREDIT] -o SAVER\n"
    "\n"
    "Writes SAVER: a copy of the player program PLAYER followed by the scene of\n"
    "FILE, with the copy's scene offset set to the player's size and its string\n"
    "resource 1 set to \"TITLE|CREDIT\", which the configuration dialog shows.\n"
    "FILE is a bare scene stream or a saver that holds one (a Vesper saver, or a\n"
    "Windows saver with the scene after its program image); the title and credit\n"
    "line of a saver are taken over unless given, so a Windows saver becomes a\n"
    "Linux one. TITLE may not contain \"|\"; together they may take 198\n"
    "characters (199 with the \"|\"), in the Windows-1252 character set; a\n"
    "warning says when one is wider than the dialog's control shows. A PLAYER\n"
    "that already holds a scene is cut at that scene's offset first, so a saver\n"
    "can be packed again with another scene. The scene must load as the player\n"
    "would load it. A Windows PLAYER (build/windows/vesper.scr) makes a Windows\n"
    "saver: the title and credit go into string 1 of its string table, which\n"
    "Windows shows as the saver's name, and its checksum is made again. SAVER\n"
    "gets PLAYER's permissions and is replaced only once it is complete.\n");

constexpr const char* kInfoUsage = N_(
    "usage: vesper-scene info [--json] FILE\n"
    "\n"
    "Loads the scene of FILE as the player does and prints it: the document's\n"
    "fields, the background picture's header and every sprite. FILE is a bare\n"
    "scene stream, a Vesper saver (its patchable block holds the scene offset)\n"
    "or a Windows saver with the scene right after its program image; for a\n"
    "saver the scene offset and string resource 1 (title|credit) are shown too.\n"
    "Any other program is refused. A scene that fails to load is reported with\n"
    "its cause and the byte offset in FILE where reading failed, and the exit\n"
    "status is 1.\n"
    "\n"
    "  --json   print the report as JSON\n");

constexpr const char* kNewUsage = N_(
    "usage: vesper-scene new -o SCENE\n"
    "\n"
    "Writes a sample scene stream: a gradient picture and three animated sprites.\n");

// The usages above are shown through Tr, in the user's language.

// ---- Arguments ------------------------------------------------------------------

struct OptionSpec {
    const char* name;
    bool takesValue;
};

struct ParsedArguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;  // options with a value, by name
    std::map<std::string, bool> flags;
    bool help = false;
    std::string error;

    std::optional<std::string> Value(const char* name) const
    {
        const auto found = values.find(name);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    bool Flag(const char* name) const { return flags.contains(name); }
};

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

// "-o" stands for "--output" in every command that writes a file.
std::string OptionName(const std::string& arg)
{
    return arg == "-o" ? "--output" : arg;
}

ParsedArguments Parse(const std::vector<std::string>& args, const std::vector<OptionSpec>& options)
{
    ParsedArguments parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (IsHelp(arg)) {
            parsed.help = true;
            continue;
        }
        const auto equals = arg.find('=');
        const std::string name = OptionName(arg.substr(0, equals));
        const auto spec = std::find_if(options.begin(), options.end(), [&](const OptionSpec& o) { return name == o.name; });
        if (spec == options.end()) {
            parsed.error = "unknown option " + arg;
            return parsed;
        }
        if (parsed.values.contains(name) || parsed.flags.contains(name)) {
            parsed.error = name + " is given twice";
            return parsed;
        }
        if (!spec->takesValue) {
            if (equals != std::string::npos) {
                parsed.error = name + " takes no value";
                return parsed;
            }
            parsed.flags[name] = true;
        } else if (equals != std::string::npos) {
            parsed.values[name] = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            parsed.values[name] = args[++i];
        } else {
            parsed.error = arg + " needs a value";
            return parsed;
        }
    }
    return parsed;
}

int UsageError(std::ostream& err, const std::string& problem, const char* usage)
{
    err << "vesper-scene: " << problem << "\n\n" << Tr(usage);
    return exitUsage;
}

int Failure(std::ostream& err, const std::string& problem)
{
    err << "vesper-scene: " << problem << "\n";
    return exitFailure;
}

// ---- Shared steps ---------------------------------------------------------------

// The scene stream of a document, or why it cannot be stored (a scene holds
// at most about 32,700 objects).
platform::Outcome<std::vector<BYTE>> StoredScene(CVesperDoc& doc)
{
    try {
        return {StoreToBytes(doc), {}};
    } catch (const CException& failure) {
        return {std::nullopt, "the scene cannot be stored: " + failure.Describe()};
    }
}

std::string FailureText(const SceneLoadFailure& failure)
{
    return Tr(failure.message.c_str()) + std::string(" (") + CauseName(failure) + ": " + failure.description +
           ", at byte " + std::to_string(failure.FileOffset()) + ")";
}

// Why a scene stream does not load, or empty when it does.
std::optional<std::string> SceneProblem(const std::vector<BYTE>& scene)
{
    CVesperDoc doc;
    const BOOL loaded = LoadSceneBytesQuietly(doc, scene);
    doc.DeleteContents();
    if (loaded)
        return std::nullopt;
    return FailureText(*doc.LastLoadFailure());
}

std::string Plural(std::size_t count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// ---- Commands -------------------------------------------------------------------

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, {{"--json", false}});
    if (parsed.help) {
        out << Tr(kInfoUsage);
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kInfoUsage);
    if (parsed.positional.size() != 1)
        return UsageError(err, parsed.positional.empty() ? "info needs a FILE" : "info takes one FILE", kInfoUsage);
    const auto inspection = InspectFile(parsed.positional[0]);
    if (!inspection) {
        err << "vesper-scene: " << inspection.error << "\n";
        return exitUsage;
    }
    out << (parsed.Flag("--json") ? FormatJson(*inspection.value) : FormatText(*inspection.value));
    return inspection.value->scene ? exitSuccess : exitFailure;
}

int RunNew(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, {{"--output", true}});
    if (parsed.help) {
        out << Tr(kNewUsage);
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kNewUsage);
    if (!parsed.positional.empty())
        return UsageError(err, "new takes no FILE argument but -o FILE", kNewUsage);
    const auto output = parsed.Value("--output");
    if (!output)
        return UsageError(err, "new needs -o FILE", kNewUsage);
    CVesperDoc doc;
    FillSampleScene(doc);
    const auto bytes = StoredScene(doc);
    doc.DeleteContents();
    if (!bytes)
        return Failure(err, bytes.error);
    if (const std::string problem = WriteFileAtomically(*output, *bytes.value); !problem.empty())
        return Failure(err, problem);
    out << "wrote " << *output << " (" << bytes.value->size() << " bytes)\n";
    return exitSuccess;
}

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, {{"--output", true}});
    if (parsed.help) {
        out << Tr(kBuildUsage);
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kBuildUsage);
    if (parsed.positional.size() != 1)
        return UsageError(err, parsed.positional.empty() ? "build needs a DESCRIPTION.json" : "build takes one DESCRIPTION.json",
                          kBuildUsage);
    const auto output = parsed.Value("--output");
    if (!output)
        return UsageError(err, "build needs -o SCENE", kBuildUsage);

    CVesperDoc doc;
    const BuildReport report = BuildSceneFromDescription(parsed.positional[0], doc);
    for (const auto& warning : report.warnings)
        err << "warning: " << warning << "\n";
    for (const auto& error : report.errors)
        err << "error: " << error << "\n";
    if (!report.Succeeded())
        return Failure(err, Plural(report.errors.size(), "error") + "; " + *output + " was not written");
    const std::size_t spriteCount = static_cast<std::size_t>(doc.sprites.GetCount());
    const auto bytes = StoredScene(doc);
    doc.DeleteContents();
    if (!bytes)
        return Failure(err, bytes.error + "; " + *output + " was not written");
    // What is written must be what the player reads.
    if (const auto problem = SceneProblem(*bytes.value))
        return Failure(err, "the scene made does not load back: " + *problem);
    if (const std::string problem = WriteFileAtomically(*output, *bytes.value); !problem.empty())
        return Failure(err, problem);
    out << "wrote " << *output << " (" << bytes.value->size() << " bytes, " << Plural(spriteCount, "sprite")
        << ")\n";
    return exitSuccess;
}

int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, {{"--output", true}, {"--force", false}});
    if (parsed.help) {
        out << Tr(kDumpUsage);
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kDumpUsage);
    if (parsed.positional.size() != 1)
        return UsageError(err, parsed.positional.empty() ? "dump needs a FILE" : "dump takes one FILE", kDumpUsage);
    const auto output = parsed.Value("--output");
    if (!output)
        return UsageError(err, "dump needs -o FOLDER", kDumpUsage);

    CVesperDoc doc;
    const auto loaded = LoadFileScene(parsed.positional[0], doc);
    if (!loaded) {
        err << "vesper-scene: " << loaded.error << "\n";
        return exitUsage;
    }
    if (loaded.value->failure)
        return Failure(err, "the scene of " + parsed.positional[0] + " does not load: " +
                                FailureText(*loaded.value->failure));
    const SceneDescription description = DescribeScene(doc);
    doc.DeleteContents();

    const std::filesystem::path folder(*output);
    std::error_code error;
    if (std::filesystem::exists(folder, error) && !std::filesystem::is_directory(folder, error))
        return Failure(err, *output + " exists and is not a folder");
    if (!parsed.Flag("--force") && std::filesystem::is_directory(folder, error) &&
        !std::filesystem::is_empty(folder, error))
        return Failure(err, *output + " is not empty (--force writes into it)");
    const bool createdFolder = std::filesystem::create_directories(folder, error);
    if (error)
        return Failure(err, "cannot create " + *output + ": " + error.message());
    const std::string& text = description.text;
    std::vector<OutputFile> outputs{{(folder / "scene.json").string(),
                                     std::span(reinterpret_cast<const BYTE*>(text.data()), text.size()), std::nullopt}};
    for (const auto& [name, bytes] : description.pictures)
        outputs.push_back({(folder / name).string(), bytes, std::nullopt});
    if (const std::string problem = WriteFilesAtomically(outputs); !problem.empty()) {
        if (createdFolder)
            std::filesystem::remove(folder, error);
        return Failure(err, problem + "; nothing was written");
    }
    out << "wrote " << (folder / "scene.json").string() << " and " << Plural(description.pictures.size(), "picture")
        << "\n";
    return exitSuccess;
}

// "TITLE|CREDIT" in the 8-bit character set, or why it cannot be.
platform::Outcome<std::string> StringResource1(const std::string& title, const std::string& credit)
{
    if (title.find('|') != std::string::npos)
        return {std::nullopt, "the title may not contain \"|\", which separates it from the credit line"};
    const CodePageText title8 = Utf8ToCodePage(title);
    if (!title8.text)
        return {std::nullopt, "the title: " + title8.problem};
    const CodePageText credit8 = Utf8ToCodePage(credit);
    if (!credit8.text)
        return {std::nullopt, "the credit line: " + credit8.problem};
    std::string joined = *title8.text + "|" + *credit8.text;
    const std::size_t room = platform::kStringResourceCapacity - 1;
    if (joined.size() > room)
        return {std::nullopt, "the title and credit line take " + std::to_string(joined.size()) +
                                  " characters with their \"|\"; at most " + std::to_string(room) + " fit"};
    return {std::move(joined), {}};
}

int RunPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed =
        Parse(args, {{"--player", true}, {"--scene", true}, {"--title", true}, {"--credit", true}, {"--output", true}});
    if (parsed.help) {
        out << Tr(kPackUsage);
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kPackUsage);
    if (!parsed.positional.empty())
        return UsageError(err, "pack takes no positional arguments (unexpected " + parsed.positional[0] + ")",
                          kPackUsage);
    for (const char* needed : {"--player", "--scene", "--output"}) {
        if (!parsed.Value(needed))
            return UsageError(err, std::string("pack needs ") + needed, kPackUsage);
    }
    const std::string playerPath = *parsed.Value("--player");
    const std::string scenePath = *parsed.Value("--scene");
    const std::string output = *parsed.Value("--output");

    const auto player = ReadWholeFile(playerPath);
    if (!player) {
        err << "vesper-scene: cannot read " << playerPath << "\n";
        return exitUsage;
    }
    const auto sceneFile = ReadWholeFile(scenePath);
    if (!sceneFile) {
        err << "vesper-scene: cannot read " << scenePath << "\n";
        return exitUsage;
    }
    const auto source = scene::ClassifySceneFile(*sceneFile);
    if (!source)
        return Failure(err, scenePath + " is " + source.error);
    if (!source.value->sceneOffset)
        return Failure(err, scenePath + " is a player with no scene packed into it");
    const std::vector<BYTE> scene(sceneFile->begin() + std::min<std::size_t>(*source.value->sceneOffset, sceneFile->size()),
                                  sceneFile->end());
    // Title and credit not given are those of the saver the scene comes from.
    const auto [oldTitle, oldCredit] = SplitStringResource1(StringResource1Of(*source.value).value_or(""));
    const auto title = parsed.Value("--title") ? *parsed.Value("--title") : oldTitle;
    if (title.empty())
        return UsageError(err, "pack needs --title (" + scenePath + " holds no title to take over)", kPackUsage);
    const auto text = StringResource1(title, parsed.Value("--credit").value_or(oldCredit));
    if (!text)
        return Failure(err, text.error);
    const auto [title8, credit8] = SplitStringResource1(*text.value);
    for (const auto& warning : DialogFitWarnings(title8, credit8))
        err << "warning: " << warning << "\n";
    if (const auto problem = SceneProblem(scene))
        return Failure(err, "the scene " + scenePath + " does not load: " + *problem);
    const auto packaged = PackageScene(*player, scene, *text.value);
    if (!packaged)
        return Failure(err, playerPath + ": " + packaged.error);

    struct stat status {};
    if (stat(playerPath.c_str(), &status) != 0)
        return Failure(err, "cannot read the permissions of " + playerPath);
    constexpr mode_t kPermissionBits = 0777;
    if (const std::string problem = WriteFileAtomically(output, *packaged.value, status.st_mode & kPermissionBits);
        !problem.empty())
        return Failure(err, problem);
    const std::size_t offset = packaged.value->size() - scene.size();
    out << "wrote " << output << ": the player's " << offset << " bytes, then the scene (" << scene.size()
        << " bytes) at offset " << offset << "\n";
    if (offset != player->size())
        out << "the player already held a scene; it was replaced\n";
    return exitSuccess;
}

}  // namespace

int RunTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.empty())
        return UsageError(err, "no command given", kToolUsage);
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (IsHelp(command) || command == "help") {
        out << Tr(kToolUsage);
        return exitSuccess;
    }
    if (command == "build")
        return RunBuild(rest, out, err);
    if (command == "dump")
        return RunDump(rest, out, err);
    if (command == "pack")
        return RunPack(rest, out, err);
    if (command == "info")
        return RunInfo(rest, out, err);
    if (command == "new")
        return RunNew(rest, out, err);
    return UsageError(err, "unknown command " + command, kToolUsage);
}

}  // namespace vesper::tools
