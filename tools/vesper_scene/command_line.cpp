#include "tools/vesper_scene/command_line.h"

#include <fstream>
#include <optional>

#include "framework/archive.h"
#include "framework/file.h"
#include "tools/vesper_scene/packaging.h"
#include "tools/vesper_scene/report_format.h"
#include "tools/vesper_scene/sample_scene.h"
#include "tools/vesper_scene/scene_inspection.h"

namespace vesper::tools {
namespace {

constexpr const char* kToolUsage =
    "usage: vesper-scene COMMAND [ARGUMENTS]\n"
    "\n"
    "Inspects and makes Vesper scenes and packaged screen savers.\n"
    "\n"
    "commands:\n"
    "  info [--json] FILE            show a scene file or a packaged saver\n"
    "  new -o FILE                   write a small sample scene\n"
    "  pack PLAYER SCENE -o FILE [--title TEXT]\n"
    "                                append a scene to a player program\n"
    "\n"
    "`vesper-scene COMMAND --help` describes one command.\n";

constexpr const char* kInfoUsage =
    "usage: vesper-scene info [--json] FILE\n"
    "\n"
    "Loads the scene of FILE as the player does and prints it: the document's\n"
    "fields, the background picture's header and every sprite. FILE is either a\n"
    "bare scene stream or a program whose patchable block holds a scene offset;\n"
    "for a program the scene offset and string resource 1 (title|credit) are\n"
    "shown too. A scene that fails to load is reported with its cause and the\n"
    "byte offset in FILE where reading failed, and the exit status is 1.\n"
    "\n"
    "  --json   print the report as JSON\n";

constexpr const char* kNewUsage =
    "usage: vesper-scene new -o FILE\n"
    "\n"
    "Writes a sample scene stream: a gradient picture and three animated sprites.\n";

constexpr const char* kPackUsage =
    "usage: vesper-scene pack PLAYER SCENE -o FILE [--title TEXT]\n"
    "\n"
    "Writes FILE: the program PLAYER followed by the scene stream SCENE, with the\n"
    "player's scene offset set to its image size and string resource 1 set to\n"
    "TEXT (\"title|credit\", at most 199 characters; empty by default). A player\n"
    "that already holds a scene gives it up. The scene must load.\n";

bool IsHelp(const std::string& arg)
{
    return arg == "--help" || arg == "-h";
}

int UsageError(std::ostream& err, const std::string& problem, const char* usage)
{
    err << "vesper-scene: " << problem << "\n\n" << usage;
    return exitUsage;
}

std::optional<std::vector<BYTE>> ReadInput(const std::string& path, std::ostream& err)
{
    auto bytes = ReadWholeFile(path);
    if (!bytes)
        err << "vesper-scene: cannot read " << path << "\n";
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::vector<BYTE>& bytes, std::ostream& err)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        err << "vesper-scene: cannot write " << path << "\n";
        return false;
    }
    return true;
}

// Positional arguments and the values of the options that take one.
struct ParsedArguments {
    std::vector<std::string> positional;
    std::optional<std::string> output;
    std::optional<std::string> title;
    bool json = false;
    bool help = false;
    std::string error;
};

ParsedArguments Parse(const std::vector<std::string>& args, bool acceptsJson, bool acceptsOutput, bool acceptsTitle)
{
    ParsedArguments parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = (acceptsOutput && (arg == "-o" || arg == "--output")) || (acceptsTitle && arg == "--title");
        if (IsHelp(arg)) {
            parsed.help = true;
        } else if (acceptsJson && arg == "--json") {
            parsed.json = true;
        } else if (takesValue) {
            if (i + 1 == args.size()) {
                parsed.error = arg + " needs a value";
                return parsed;
            }
            (arg == "--title" ? parsed.title : parsed.output) = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            parsed.error = "unknown option " + arg;
            return parsed;
        } else {
            parsed.positional.push_back(arg);
        }
    }
    return parsed;
}

int RunInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, true, false, false);
    if (parsed.help) {
        out << kInfoUsage;
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
    out << (parsed.json ? FormatJson(*inspection.value) : FormatText(*inspection.value));
    return inspection.value->scene ? exitSuccess : exitFailure;
}

std::vector<BYTE> StoredScene(CVesperDoc& doc)
{
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    doc.Serialize(ar);
    ar.Close();
    return file.Bytes();
}

int RunNew(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, false, true, false);
    if (parsed.help) {
        out << kNewUsage;
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kNewUsage);
    if (!parsed.positional.empty())
        return UsageError(err, "new takes no FILE argument but -o FILE", kNewUsage);
    if (!parsed.output)
        return UsageError(err, "new needs -o FILE", kNewUsage);
    CVesperDoc doc;
    FillSampleScene(doc);
    const auto bytes = StoredScene(doc);
    doc.DeleteContents();
    if (!WriteWholeFile(*parsed.output, bytes, err))
        return exitFailure;
    out << "wrote " << *parsed.output << " (" << bytes.size() << " bytes)\n";
    return exitSuccess;
}

// Why a scene stream does not load, or empty when it does.
std::optional<std::string> SceneProblem(const std::vector<BYTE>& scene)
{
    CVesperDoc doc;
    if (LoadSceneBytesQuietly(doc, scene))
        return std::nullopt;
    const SceneLoadFailure& failure = *doc.LastLoadFailure();
    return failure.message + " " + failure.description;
}

int RunPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    const ParsedArguments parsed = Parse(args, false, true, true);
    if (parsed.help) {
        out << kPackUsage;
        return exitSuccess;
    }
    if (!parsed.error.empty())
        return UsageError(err, parsed.error, kPackUsage);
    if (parsed.positional.size() != 2)
        return UsageError(err, "pack needs PLAYER and SCENE", kPackUsage);
    if (!parsed.output)
        return UsageError(err, "pack needs -o FILE", kPackUsage);
    const auto player = ReadInput(parsed.positional[0], err);
    const auto scene = player ? ReadInput(parsed.positional[1], err) : std::nullopt;
    if (!scene)
        return exitUsage;
    if (const auto problem = SceneProblem(*scene)) {
        err << "vesper-scene: the scene " << parsed.positional[1] << " does not load: " << *problem << "\n";
        return exitFailure;
    }
    const auto packaged = PackageScene(*player, *scene, parsed.title.value_or(""));
    if (!packaged) {
        err << "vesper-scene: " << packaged.error << "\n";
        return exitFailure;
    }
    if (!WriteWholeFile(*parsed.output, *packaged.value, err))
        return exitFailure;
    out << "wrote " << *parsed.output << ": scene at offset " << packaged.value->size() - scene->size() << "\n";
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
        out << kToolUsage;
        return exitSuccess;
    }
    if (command == "info")
        return RunInfo(rest, out, err);
    if (command == "new")
        return RunNew(rest, out, err);
    if (command == "pack")
        return RunPack(rest, out, err);
    return UsageError(err, "unknown command " + command, kToolUsage);
}

}  // namespace vesper::tools
