#include "tools/vesper_scene/scene_description.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <set>

#include <nlohmann/json.hpp>

#include "framework/archive.h"
#include "sprites/anim_sprite.h"
#include "tools/vesper_scene/code_page.h"
#include "tools/vesper_scene/picture_files.h"
#include "tools/vesper_scene/scene_info.h"

namespace vesper::tools {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

constexpr std::int64_t kWordMax = 0xFFFF;
constexpr std::int64_t kShortMin = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kShortMax = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kLongMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kLongMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kColourMax = 0xFFFFFFFF;
constexpr DWORD kColourValueMask = 0x00FFFFFF;

constexpr const char* kSpritesField = "sprites";
constexpr const char* kBackgroundField = "background";
constexpr const char* kClassField = "class";
constexpr const char* kPictureField = "picture";
constexpr const char* kSchemaField = "$schema";
constexpr const char* kBackgroundFileName = "background.bmp";

// A coded field's readable names and their stored values.
struct NamedValue {
    const char* name;
    std::int64_t value;
};
using NamedValues = std::vector<NamedValue>;

const NamedValues kBackgroundKinds = {{"picture", CVesperDoc::backgroundPicture},
                                      {"gradient", CVesperDoc::backgroundGradient},
                                      {"solid", CVesperDoc::backgroundSolid}};
const NamedValues kPlacements = {{"stretch", CVesperDoc::placementStretch},
                                 {"centre", CVesperDoc::placementCentre},
                                 {"tile", CVesperDoc::placementTile}};
const NamedValues kMotions = {{"linear", MotionLinear}, {"bounce", MotionBounce}};
const NamedValues kEdgeModes = {{"wrap", EdgeWrap}, {"wrapPause", EdgeWrapPause}, {"rebound", EdgeRebound}};

// Sprite fields by the class that first stores them.
const std::vector<std::string> kPlainSpriteFields = {kClassField, kPictureField, "x",        "y",       "depth",
                                                     "auxWord1",  "auxWord2",   "auxText1", "auxText2"};
const std::vector<std::string> kPhasedSpriteFields = {"phaseCount", "phaseSpeed"};
const std::vector<std::string> kAnimSpriteFields = {"dx", "dy", "motion", "edgeMode"};

enum class SpriteClass { plain, phased, animated };

struct SpriteClassName {
    const char* name;
    SpriteClass kind;
};
constexpr SpriteClassName kSpriteClasses[] = {
    {"CAnimSprite", SpriteClass::animated}, {"CPhasedSprite", SpriteClass::phased}, {"CSprite", SpriteClass::plain}};

std::string Join(const std::vector<std::string>& names)
{
    std::string text;
    for (const auto& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::string NamesOf(const NamedValues& values)
{
    std::vector<std::string> names;
    for (const auto& value : values)
        names.push_back(std::string("\"") + value.name + "\"");
    return Join(names);
}

std::string SpriteFileName(std::size_t index)
{
    char name[32];
    std::snprintf(name, sizeof name, "sprite-%02zu.bmp", index);
    return name;
}

// Edit distance, for suggesting the field a typo meant.
std::size_t Distance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

constexpr std::size_t kSuggestionDistance = 2;

HGLOBAL BlockOf(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block)
        return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

// Objects of a scene stream are numbered with 16-bit tags: the null entry,
// each class and each object take one of kMaxMapCount numbers, which bounds
// the sprites a scene can hold.
std::size_t RoomForSprites(const json& sprites, bool withBackground)
{
    std::vector<std::string> classes;
    for (const json& sprite : sprites) {
        std::string name = "CAnimSprite";
        if (sprite.is_object() && sprite.contains(kClassField) && sprite[kClassField].is_string())
            name = sprite[kClassField].get<std::string>();
        if (std::find(classes.begin(), classes.end(), name) == classes.end())
            classes.push_back(name);
    }
    const std::size_t taken = 1 + (withBackground ? 2 : 0) + classes.size();
    return CArchive::kMaxMapCount - taken;
}

// Reads one description, gathering every problem rather than stopping at the
// first, so an author sees them all at once.
class DescriptionReader {
public:
    DescriptionReader(std::string fileName, std::filesystem::path pictureFolder, BuildReport& report)
        : m_fileName(std::move(fileName)), m_pictureFolder(std::move(pictureFolder)), m_report(report)
    {
    }

    void Read(const json& root, CVesperDoc& doc);

private:
    void Error(const std::string& where, const std::string& problem)
    {
        m_report.errors.push_back(m_fileName + ": " + where + ": " + problem);
    }
    void Warn(const std::string& where, const std::string& problem)
    {
        m_report.warnings.push_back(m_fileName + ": " + where + ": " + problem);
    }

    void CheckFields(const json& object, const std::string& where, const std::vector<std::string>& allowed,
                     const std::vector<std::string>& ofOtherClasses);
    std::optional<std::int64_t> Integer(const json& object, const std::string& where, const char* key,
                                        std::int64_t low, std::int64_t high);
    std::optional<std::int64_t> Coded(const json& object, const std::string& where, const char* key,
                                      const NamedValues& names, std::int64_t low, std::int64_t high);
    std::optional<std::int64_t> Flag(const json& object, const std::string& where, const char* key);
    std::optional<COLORREF> Colour(const json& object, const std::string& where, const char* key);
    std::optional<std::string> Text(const json& object, const std::string& where, const char* key);
    // The picture the field names; empty for null or a failure (reported).
    std::optional<std::vector<BYTE>> Picture(const json& object, const std::string& where, const char* key,
                                             PictureRole role);

    void ReadSceneFields(const json& root, CVesperDoc& doc);
    CSprite* ReadSprite(const json& description, std::size_t index);
    void ReadPhases(const json& description, const std::string& where, CPhasedSprite& sprite, LONG pictureHeight);
    void ReadMotion(const json& description, const std::string& where, CAnimSprite& sprite);

    std::string m_fileName;
    std::filesystem::path m_pictureFolder;
    BuildReport& m_report;
};

std::string Located(const std::string& where, const char* key)
{
    return where.empty() ? std::string(key) : where + "." + key;
}

void DescriptionReader::CheckFields(const json& object, const std::string& where,
                                    const std::vector<std::string>& allowed,
                                    const std::vector<std::string>& ofOtherClasses)
{
    for (const auto& [key, value] : object.items()) {
        if (std::find(allowed.begin(), allowed.end(), key) != allowed.end())
            continue;
        if (std::find(ofOtherClasses.begin(), ofOtherClasses.end(), key) != ofOtherClasses.end()) {
            Error(Located(where, key.c_str()), "this sprite's class does not store it");
            continue;
        }
        std::string problem = "unknown field";
        for (const auto& name : allowed) {
            if (Distance(key, name) <= kSuggestionDistance) {
                problem += " (did you mean \"" + name + "\"?)";
                break;
            }
        }
        Error(Located(where, key.c_str()), problem);
    }
}

std::optional<std::int64_t> DescriptionReader::Integer(const json& object, const std::string& where, const char* key,
                                                       std::int64_t low, std::int64_t high)
{
    const auto found = object.find(key);
    if (found == object.end())
        return std::nullopt;
    const std::string location = Located(where, key);
    if (!found->is_number_integer()) {
        Error(location, "expected a whole number, found " + found->dump());
        return std::nullopt;
    }
    const bool fits = found->is_number_unsigned()
                          ? found->get<std::uint64_t>() <= static_cast<std::uint64_t>(high)
                          : found->get<std::int64_t>() >= low && found->get<std::int64_t>() <= high;
    if (!fits) {
        Error(location, found->dump() + " is outside " + std::to_string(low) + ".." + std::to_string(high));
        return std::nullopt;
    }
    return found->get<std::int64_t>();
}

std::optional<std::int64_t> DescriptionReader::Coded(const json& object, const std::string& where, const char* key,
                                                     const NamedValues& names, std::int64_t low, std::int64_t high)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_number_integer())
        return Integer(object, where, key, low, high);
    for (const auto& named : names) {
        if (found->is_string() && found->get<std::string>() == named.name)
            return named.value;
    }
    Error(Located(where, key), found->dump() + " is not one of " + NamesOf(names) + " (or a number)");
    return std::nullopt;
}

std::optional<std::int64_t> DescriptionReader::Flag(const json& object, const std::string& where, const char* key)
{
    const auto found = object.find(key);
    if (found != object.end() && found->is_boolean())
        return found->get<bool>() ? 1 : 0;
    return Integer(object, where, key, 0, kWordMax);
}

std::optional<COLORREF> DescriptionReader::Colour(const json& object, const std::string& where, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end() || !found->is_string())
        return Integer(object, where, key, 0, kColourMax);
    const std::string text = found->get<std::string>();
    const bool wellFormed = text.size() == 7 && text[0] == '#' &&
                            std::all_of(text.begin() + 1, text.end(), [](char c) { return std::isxdigit(c); });
    if (!wellFormed) {
        Error(Located(where, key), found->dump() + " is not a colour (\"#RRGGBB\" or a number 0x00BBGGRR)");
        return std::nullopt;
    }
    const auto rgb = static_cast<DWORD>(std::stoul(text.substr(1), nullptr, 16));
    // Stored with red in the low byte.
    return (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
}

std::optional<std::string> DescriptionReader::Text(const json& object, const std::string& where, const char* key)
{
    const auto found = object.find(key);
    if (found == object.end())
        return std::nullopt;
    if (!found->is_string()) {
        Error(Located(where, key), "expected a text, found " + found->dump());
        return std::nullopt;
    }
    CodePageText converted = Utf8ToCodePage(found->get<std::string>());
    if (!converted.text)
        Error(Located(where, key), converted.problem);
    return converted.text;
}

std::optional<std::vector<BYTE>> DescriptionReader::Picture(const json& object, const std::string& where,
                                                            const char* key, PictureRole role)
{
    const auto found = object.find(key);
    if (found == object.end() || found->is_null())
        return std::nullopt;
    const std::string location = Located(where, key);
    if (!found->is_string() || found->get<std::string>().empty()) {
        Error(location, "expected the path of a PNG or .bmp file, or null, found " + found->dump());
        return std::nullopt;
    }
    const std::string name = found->get<std::string>();
    const std::filesystem::path path = m_pictureFolder / name;
    auto picture = ReadPictureFile(path.string(), role);
    if (!picture) {
        Error(location, name + ": " + picture.error);
        return std::nullopt;
    }
    for (const auto& warning : picture.value->warnings)
        Warn(location, name + ": " + warning);
    return std::move(picture.value->block);
}

void DescriptionReader::ReadSceneFields(const json& root, CVesperDoc& doc)
{
    doc.sceneWidth = static_cast<DWORD>(Integer(root, "", "sceneWidth", 0, kWordMax).value_or(doc.sceneWidth));
    doc.sceneHeight = static_cast<DWORD>(Integer(root, "", "sceneHeight", 0, kWordMax).value_or(doc.sceneHeight));
    doc.spareWord1 = static_cast<DWORD>(Integer(root, "", "spareWord1", 0, kWordMax).value_or(doc.spareWord1));
    doc.sceneName = Text(root, "", "sceneName").value_or(doc.sceneName);
    doc.backgroundKind = static_cast<DWORD>(
        Coded(root, "", "backgroundKind", kBackgroundKinds, 0, kWordMax).value_or(doc.backgroundKind));
    doc.gradientHorizontal =
        static_cast<DWORD>(Flag(root, "", "gradientHorizontal").value_or(doc.gradientHorizontal));
    doc.imagePlacement =
        static_cast<DWORD>(Coded(root, "", "imagePlacement", kPlacements, 0, kWordMax).value_or(doc.imagePlacement));
    doc.spareWord2 = static_cast<DWORD>(Integer(root, "", "spareWord2", 0, kWordMax).value_or(doc.spareWord2));
    doc.solidColour = Colour(root, "", "solidColour").value_or(doc.solidColour);
    doc.gradientFrom = Colour(root, "", "gradientFrom").value_or(doc.gradientFrom);
    doc.gradientTo = Colour(root, "", "gradientTo").value_or(doc.gradientTo);

    if (auto picture = Picture(root, "", kBackgroundField, PictureRole::background)) {
        auto* background = new CDIB;
        background->dib = BlockOf(*picture);
        doc.SetBackground(background);
    }
    // The stored path defaults to the picture's path as the description gives it.
    const auto named = root.find(kBackgroundField);
    const std::string givenPath = named != root.end() && named->is_string() ? named->get<std::string>() : "";
    doc.backgroundPath =
        Text(root, "", "backgroundPath").value_or(Utf8ToCodePage(givenPath).text.value_or(std::string{}));

    if (doc.sceneWidth != CVesperDoc::kDesignWidth || doc.sceneHeight != CVesperDoc::kDesignHeight)
        Warn("sceneWidth", "the player places sprites as if the scene were 640 x 480, whatever size it states");
    if (doc.backgroundKind > CVesperDoc::backgroundSolid)
        Warn("backgroundKind", std::to_string(doc.backgroundKind) + " shows no background (the screen stays black)");
    if (doc.backgroundKind == CVesperDoc::backgroundPicture && !doc.background && m_report.errors.empty())
        Warn("background", "the background kind is \"picture\" but there is no picture: the screen stays black");
    if (doc.backgroundKind == CVesperDoc::backgroundPicture && doc.imagePlacement > CVesperDoc::placementTile)
        Warn("imagePlacement", std::to_string(doc.imagePlacement) + " shows no background (the screen stays black)");
}

void DescriptionReader::ReadPhases(const json& description, const std::string& where, CPhasedSprite& sprite,
                                   LONG pictureHeight)
{
    sprite.phaseCount =
        static_cast<int>(Integer(description, where, "phaseCount", kLongMin, kLongMax).value_or(sprite.phaseCount));
    sprite.phaseSpeed =
        static_cast<int>(Integer(description, where, "phaseSpeed", kLongMin, kLongMax).value_or(sprite.phaseSpeed));
    const std::string location = Located(where, "phaseCount");
    if (sprite.phaseCount < 0)
        Warn(location, "a negative phase count makes the sprite draw nothing");
    else if (sprite.phaseCount > pictureHeight && pictureHeight > 0)
        Warn(location, "more phases than the picture has rows: the sprite draws nothing");
    else if (sprite.phaseCount > 1 && pictureHeight % sprite.phaseCount != 0) {
        const LONG unshown = pictureHeight % sprite.phaseCount;
        Warn(location, "the picture's " + std::to_string(pictureHeight) + " rows do not divide into " +
                           std::to_string(sprite.phaseCount) + " phases: " +
                           (unshown == 1 ? "its last row is" : "its last " + std::to_string(unshown) + " rows are") +
                           " never shown");
    }
}

void DescriptionReader::ReadMotion(const json& description, const std::string& where, CAnimSprite& sprite)
{
    sprite.dx = static_cast<int>(Integer(description, where, "dx", kLongMin, kLongMax).value_or(sprite.dx));
    sprite.dy = static_cast<int>(Integer(description, where, "dy", kLongMin, kLongMax).value_or(sprite.dy));
    sprite.motion =
        static_cast<int>(Coded(description, where, "motion", kMotions, kLongMin, kLongMax).value_or(sprite.motion));
    sprite.edgeMode = static_cast<int>(
        Coded(description, where, "edgeMode", kEdgeModes, kLongMin, kLongMax).value_or(sprite.edgeMode));
    if (sprite.motion != MotionLinear && sprite.motion != MotionBounce)
        Warn(Located(where, "motion"), std::to_string(sprite.motion) + " does not move the sprite");
    if (sprite.edgeMode != EdgeWrap && sprite.edgeMode != EdgeWrapPause && sprite.edgeMode != EdgeRebound)
        Warn(Located(where, "edgeMode"), std::to_string(sprite.edgeMode) + " behaves as \"wrap\"");
}

CSprite* DescriptionReader::ReadSprite(const json& description, std::size_t index)
{
    const std::string where = std::string(kSpritesField) + "[" + std::to_string(index) + "]";
    if (!description.is_object()) {
        Error(where, "expected an object, found " + description.dump());
        return nullptr;
    }
    SpriteClass kind = SpriteClass::animated;
    if (const auto named = description.find(kClassField); named != description.end()) {
        const auto known = std::find_if(std::begin(kSpriteClasses), std::end(kSpriteClasses), [&](const auto& c) {
            return named->is_string() && named->get<std::string>() == c.name;
        });
        if (known == std::end(kSpriteClasses)) {
            Error(Located(where, kClassField),
                  named->dump() + " is not one of \"CAnimSprite\", \"CPhasedSprite\", \"CSprite\"");
            return nullptr;
        }
        kind = known->kind;
    }
    // Fields of the classes derived from this one are refused by name.
    std::vector<std::string> allowed = kPlainSpriteFields;
    std::vector<std::string> others;
    auto addFields = [](std::vector<std::string>& to, const std::vector<std::string>& fields) {
        to.insert(to.end(), fields.begin(), fields.end());
    };
    addFields(kind == SpriteClass::plain ? others : allowed, kPhasedSpriteFields);
    addFields(kind == SpriteClass::animated ? allowed : others, kAnimSpriteFields);
    CheckFields(description, where, allowed, others);
    if (!description.contains(kPictureField))
        Error(Located(where, kPictureField), "missing: give the path of a PNG or .bmp file (or null for none)");

    CSprite* sprite = kind == SpriteClass::animated ? new CAnimSprite
                      : kind == SpriteClass::phased ? new CPhasedSprite
                                                    : new CSprite;
    LONG pictureHeight = 0;
    if (auto picture = Picture(description, where, kPictureField, PictureRole::sprite)) {
        pictureHeight = PictureHeightOf(*picture);
        sprite->image.dib = BlockOf(*picture);
    } else if (description.contains(kPictureField) && description[kPictureField].is_null()) {
        Warn(Located(where, kPictureField), "no picture: the sprite draws nothing");
    }
    sprite->x = static_cast<int>(Integer(description, where, "x", kShortMin, kShortMax).value_or(sprite->x));
    sprite->y = static_cast<int>(Integer(description, where, "y", kShortMin, kShortMax).value_or(sprite->y));
    sprite->depth =
        static_cast<int>(Integer(description, where, "depth", kShortMin, kShortMax).value_or(sprite->depth));
    sprite->auxWord1 =
        static_cast<DWORD>(Integer(description, where, "auxWord1", 0, kWordMax).value_or(sprite->auxWord1));
    sprite->auxWord2 =
        static_cast<DWORD>(Integer(description, where, "auxWord2", 0, kWordMax).value_or(sprite->auxWord2));
    sprite->auxText1 = Text(description, where, "auxText1").value_or(sprite->auxText1);
    sprite->auxText2 = Text(description, where, "auxText2").value_or(sprite->auxText2);
    if (auto* phased = dynamic_cast<CPhasedSprite*>(sprite))
        ReadPhases(description, where, *phased, pictureHeight);
    if (auto* animated = dynamic_cast<CAnimSprite*>(sprite))
        ReadMotion(description, where, *animated);
    else
        Warn(where, "the player plays every sprite as a CAnimSprite: this one will not move");
    return sprite;
}

void DescriptionReader::Read(const json& root, CVesperDoc& doc)
{
    if (!root.is_object()) {
        m_report.errors.push_back(m_fileName + ": expected a JSON object describing the scene");
        return;
    }
    std::vector<std::string> allowed = SceneFieldNames();
    allowed.push_back(kSchemaField);
    CheckFields(root, "", allowed, {});
    ReadSceneFields(root, doc);
    const auto sprites = root.find(kSpritesField);
    if (sprites == root.end())
        return;
    if (!sprites->is_array()) {
        Error(kSpritesField, "expected a list of sprites, found " + sprites->dump());
        return;
    }
    if (const std::size_t room = RoomForSprites(*sprites, doc.background != nullptr); sprites->size() > room) {
        Error(kSpritesField, std::to_string(sprites->size()) + " sprites are more than a scene can number (at most " +
                                 std::to_string(room) + " here)");
        return;
    }
    for (std::size_t i = 0; i < sprites->size(); ++i) {
        if (CSprite* sprite = ReadSprite((*sprites)[i], i))
            doc.sprites.AddSprite(sprite);
    }
}

// ---- Describing ----------------------------------------------------------------

ordered_json CodedValue(std::int64_t value, const NamedValues& names)
{
    for (const auto& named : names) {
        if (named.value == value)
            return named.name;
    }
    return value;
}

ordered_json ColourValue(COLORREF colour)
{
    if ((colour & ~kColourValueMask) != 0)
        return colour;
    return ColourText({static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour >> 16)});
}

ordered_json FlagValue(DWORD value)
{
    if (value <= 1)
        return value == 1;
    return value;
}

// The stored bytes of a picture; empty without one.
std::vector<BYTE> StoredBytes(const CDIB& picture)
{
    const DWORD size = picture.StoredSize();
    if (!size)
        return {};
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(picture.dib));
    if (!bytes)
        return {};
    std::vector<BYTE> copy(bytes, bytes + size);
    GlobalUnlock(picture.dib);
    return copy;
}

ordered_json PictureValue(const CDIB& picture, const std::string& fileName, SceneDescription& description)
{
    std::vector<BYTE> bytes = StoredBytes(picture);
    if (bytes.empty())
        return nullptr;
    description.pictures.emplace_back(fileName, BmpFileOf(bytes));
    return fileName;
}

ordered_json SpriteValue(const CSprite& sprite, std::size_t index, SceneDescription& description)
{
    ordered_json value;
    value[kClassField] = sprite.GetRuntimeClass()->m_lpszClassName;
    value[kPictureField] = PictureValue(sprite.image, SpriteFileName(index), description);
    value["x"] = sprite.x;
    value["y"] = sprite.y;
    value["depth"] = sprite.depth;
    if (const auto* phased = dynamic_cast<const CPhasedSprite*>(&sprite)) {
        value["phaseCount"] = phased->phaseCount;
        value["phaseSpeed"] = phased->phaseSpeed;
    }
    if (const auto* animated = dynamic_cast<const CAnimSprite*>(&sprite)) {
        value["dx"] = animated->dx;
        value["dy"] = animated->dy;
        value["motion"] = CodedValue(animated->motion, kMotions);
        value["edgeMode"] = CodedValue(animated->edgeMode, kEdgeModes);
    }
    value["auxWord1"] = sprite.auxWord1;
    value["auxWord2"] = sprite.auxWord2;
    value["auxText1"] = CodePageToUtf8(sprite.auxText1);
    value["auxText2"] = CodePageToUtf8(sprite.auxText2);
    return value;
}

// Finds the names given twice in one object, which parsing would silently
// reduce to the last value. A reading pass of its own: parsing with a
// callback is quadratic in the size of the text.
class DuplicateKeyFinder : public nlohmann::json_sax<json> {
public:
    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override
    {
        m_openObjects.emplace_back();
        return true;
    }
    bool key(string_t& name) override
    {
        if (!m_openObjects.back().insert(name).second)
            duplicates.push_back(name);
        return true;
    }
    bool end_object() override
    {
        m_openObjects.pop_back();
        return true;
    }
    bool start_array(std::size_t) override { return true; }
    bool end_array() override { return true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

    std::vector<std::string> duplicates;

private:
    std::vector<std::set<std::string>> m_openObjects;
};

std::vector<std::string> DuplicateKeys(const std::string& text)
{
    DuplicateKeyFinder finder;
    json::sax_parse(text, &finder, nlohmann::detail::input_format_t::json, false);
    return finder.duplicates;
}

}  // namespace

const std::vector<std::string>& SceneFieldNames()
{
    static const std::vector<std::string> names = {
        "sceneName",  "sceneWidth",   "sceneHeight", "spareWord1", "backgroundKind", "imagePlacement",
        "gradientHorizontal", "solidColour", "gradientFrom", "gradientTo", "spareWord2", "backgroundPath",
        kBackgroundField, kSpritesField};
    return names;
}

const std::vector<std::string>& SpriteFieldNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all = kPlainSpriteFields;
        all.insert(all.end(), kPhasedSpriteFields.begin(), kPhasedSpriteFields.end());
        all.insert(all.end(), kAnimSpriteFields.begin(), kAnimSpriteFields.end());
        return all;
    }();
    return names;
}

BuildReport BuildSceneFromText(const std::string& text, const std::string& fileName,
                               const std::filesystem::path& pictureFolder, CVesperDoc& doc)
{
    BuildReport report;
    doc.DeleteContents();
    doc.ResetToNewScene();
    for (const std::string& key : DuplicateKeys(text))
        report.errors.push_back(fileName + ": " + key + ": given twice in one object");
    const json root = json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        // Parse again for the position of the first error.
        try {
            [[maybe_unused]] const json again = json::parse(text);
        } catch (const json::exception& error) {
            // A syntax error, or a number too large for any number type.
            report.errors.push_back(fileName + ": not valid JSON: " + error.what());
        }
        if (report.errors.empty())
            report.errors.push_back(fileName + ": not valid JSON");
        return report;
    }
    if (report.Succeeded())
        DescriptionReader(fileName, pictureFolder, report).Read(root, doc);
    if (!report.Succeeded())
        doc.DeleteContents();
    return report;
}

BuildReport BuildSceneFromDescription(const std::string& descriptionPath, CVesperDoc& doc)
{
    const auto bytes = ReadWholeFile(descriptionPath);
    if (!bytes) {
        BuildReport report;
        report.errors.push_back(descriptionPath + ": cannot read the file");
        return report;
    }
    const std::filesystem::path folder = std::filesystem::path(descriptionPath).parent_path();
    return BuildSceneFromText(std::string(bytes->begin(), bytes->end()), descriptionPath, folder, doc);
}

SceneDescription DescribeScene(const CVesperDoc& doc)
{
    SceneDescription description;
    ordered_json root;
    root["sceneName"] = CodePageToUtf8(doc.sceneName);
    root["sceneWidth"] = doc.sceneWidth;
    root["sceneHeight"] = doc.sceneHeight;
    root["spareWord1"] = doc.spareWord1;
    root["backgroundKind"] = CodedValue(doc.backgroundKind, kBackgroundKinds);
    root["imagePlacement"] = CodedValue(doc.imagePlacement, kPlacements);
    root["gradientHorizontal"] = FlagValue(doc.gradientHorizontal);
    root["solidColour"] = ColourValue(doc.solidColour);
    root["gradientFrom"] = ColourValue(doc.gradientFrom);
    root["gradientTo"] = ColourValue(doc.gradientTo);
    root["spareWord2"] = doc.spareWord2;
    root["backgroundPath"] = CodePageToUtf8(doc.backgroundPath);
    root[kBackgroundField] =
        doc.background ? PictureValue(*doc.background, kBackgroundFileName, description) : ordered_json(nullptr);
    ordered_json sprites = ordered_json::array();
    std::size_t index = 0;
    for (POSITION pos = doc.sprites.GetHeadPosition(); pos; ++index)
        sprites.push_back(SpriteValue(*static_cast<const CSprite*>(doc.sprites.GetNext(pos)), index, description));
    root[kSpritesField] = std::move(sprites);
    description.text = root.dump(2) + "\n";
    return description;
}

}  // namespace vesper::tools
