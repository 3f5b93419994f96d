#include "scene/vesper_doc.h"

#include <climits>
#include <new>

#include "platform/kernel/translation.h"
#include "framework/archive.h"
#include "framework/exceptions.h"
#include "framework/file.h"
#include "platform/kernel/patchable_data.h"
#include "scene/module_path.h"
#include "scene/scene_source.h"
#include "sprites/anim_sprite.h"

IMPLEMENT_DYNCREATE(CVesperDoc, CDocument)

namespace {

// The classes a scene stream may name. Holding their records here links their
// registrations into every program that loads scenes: a library member that
// nothing references is left out by the linker, and its class would then be
// unknown by name.
[[gnu::used]] const CRuntimeClass* const kSceneClasses[] = {
    RUNTIME_CLASS(CDIB), RUNTIME_CLASS(CSprite), RUNTIME_CLASS(CPhasedSprite), RUNTIME_CLASS(CAnimSprite)};

DWORD ReadUnsigned16(CArchive& ar)
{
    WORD value = 0;
    ar >> value;
    return value;
}

WORD Low16(DWORD value)
{
    return static_cast<WORD>(value & 0xFFFF);
}

bool IsFormatCause(int cause)
{
    switch (cause) {
    case CArchiveException::endOfFile:
    case CArchiveException::badIndex:
    case CArchiveException::badClass:
    case CArchiveException::badSchema: return true;
    default: return false;
    }
}

// Describes the exception being handled; called from a catch block.
SceneLoadFailure FailureOfCurrentException(std::uint64_t streamPosition)
{
    using Kind = SceneLoadFailure::Kind;
    SceneLoadFailure failure;
    failure.streamOffset = streamPosition;
    try {
        throw;
    } catch (const CArchiveException& e) {
        failure.kind = Kind::archive;
        failure.cause = e.m_cause;
        failure.description = e.Describe();
        failure.streamOffset = e.m_streamOffset;
    } catch (const CFileException& e) {
        failure.kind = Kind::file;
        failure.cause = e.m_cause;
        failure.description = e.Describe();
    } catch (const CMemoryException& e) {
        failure.kind = Kind::memory;
        failure.description = e.Describe();
    } catch (const std::bad_alloc&) {
        failure.kind = Kind::memory;
        failure.description = CMemoryException().Describe();
    } catch (const CNotSupportedException& e) {
        failure.kind = Kind::notSupported;
        failure.description = e.Describe();
    } catch (const CException& e) {
        failure.description = e.Describe();
    } catch (const std::exception& e) {
        failure.description = e.what();
    } catch (...) {
        failure.description = "an unknown failure";
    }
    const bool formatError = failure.kind == Kind::archive && IsFormatCause(failure.cause);
    failure.message = formatError ? CVesperDoc::kUnexpectedFormatMessage : CVesperDoc::kOpenFailedMessage;
    return failure;
}

std::optional<std::string>& SceneFileChoice()
{
    static std::optional<std::string> path;
    return path;
}

}  // namespace

void ChooseSceneFile(std::optional<std::string> path)
{
    SceneFileChoice() = std::move(path);
}

const std::optional<std::string>& ChosenSceneFile()
{
    return SceneFileChoice();
}

CVesperDoc::CVesperDoc() = default;

CVesperDoc::~CVesperDoc()
{
    CVesperDoc::DeleteContents();
}

void CVesperDoc::DeleteContents()
{
    sprites.DeleteAllSprites();
    delete background;
    background = nullptr;
}

BOOL CVesperDoc::ResetToNewScene()
{
    CDocument::ResetToNewScene();
    sceneWidth = kDesignWidth;
    sceneHeight = kDesignHeight;
    SetBackground(nullptr);
    return TRUE;
}

BOOL CVesperDoc::SetBackground(CDIB* picture)
{
    if (picture != background) {
        delete background;
        background = picture;
    }
    return TRUE;
}

void CVesperDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar << Low16(sceneWidth) << Low16(sceneHeight) << Low16(spareWord1);
        ar << backgroundPath << sceneName;
        // spareWord2 travels before the colours, although it is declared after them.
        ar << Low16(backgroundKind) << Low16(gradientHorizontal) << Low16(imagePlacement) << Low16(spareWord2);
        ar << solidColour << gradientFrom << gradientTo;
        ar << DWORD{background ? 1u : 0u};
        if (background)
            ar.StoreObject(background);
    } else {
        sceneWidth = ReadUnsigned16(ar);
        sceneHeight = ReadUnsigned16(ar);
        spareWord1 = ReadUnsigned16(ar);
        ar >> backgroundPath >> sceneName;
        backgroundKind = ReadUnsigned16(ar);
        gradientHorizontal = ReadUnsigned16(ar);
        imagePlacement = ReadUnsigned16(ar);
        spareWord2 = ReadUnsigned16(ar);
        ar >> solidColour >> gradientFrom >> gradientTo;
        DWORD present = 0;
        ar >> present;
        if (present)
            SetBackground(static_cast<CDIB*>(ar.LoadObject(RUNTIME_CLASS(CDIB))));
    }
    sprites.Serialize(ar);
}

BOOL CVesperDoc::LoadEmbeddedScene()
{
    if (const auto& chosen = ChosenSceneFile())
        return LoadSceneOfAnyFile(*chosen);
    const DWORD sceneOffset = vesper::platform::ProgramSceneOffset();
    return LoadSceneFromFile(g_szModulePath, sceneOffset == vesper::platform::kNoSceneAppended
                                                 ? std::nullopt
                                                 : std::optional<DWORD>(sceneOffset));
}

BOOL CVesperDoc::LoadSceneOfAnyFile(const std::string& path)
{
    const auto bytes = vesper::scene::ReadWholeFile(path);
    if (!bytes)
        return FailWithoutScene(SceneLoadFailure::Kind::file, "cannot read " + path);
    const auto source = vesper::scene::ClassifySceneFile(*bytes);
    if (!source)
        return FailWithoutScene(SceneLoadFailure::Kind::other, path + " is " + source.error);
    if (LoadSceneFromFile(path, source.value->sceneOffset))
        return TRUE;
    if (LastLoadFailure())
        return FALSE;  // reported by the load itself
    return FailWithoutScene(SceneLoadFailure::Kind::file, "cannot open " + path);
}

BOOL CVesperDoc::FailWithoutScene(SceneLoadFailure::Kind kind, const std::string& description)
{
    DeleteContents();
    SceneLoadFailure failure;
    failure.kind = kind;
    failure.description = description;
    failure.message = kind == SceneLoadFailure::Kind::file ? kOpenFailedMessage : kUnexpectedFormatMessage;
    m_lastLoadFailure = failure;
    ReportLoadFailure(failure);
    return FALSE;
}

BOOL CVesperDoc::LoadSceneFromFile(const std::string& path, std::optional<DWORD> sceneOffset)
{
    CFile file;
    if (!file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
        m_lastLoadFailure.reset();
        return FALSE;
    }
    return LoadScene(file, sceneOffset);
}

BOOL CVesperDoc::LoadScene(CFile& file, std::optional<DWORD> sceneOffset)
{
    m_lastLoadFailure.reset();
    DeleteContents();
    std::optional<CArchive> archive;
    HCURSOR previousCursor = nullptr;
    bool cursorShown = false;
    try {
        PositionAtScene(file, sceneOffset);
        // A loading archive writes nothing back to the file.
        archive.emplace(&file, CArchive::load | CArchive::bNoFlushOnDelete, kLoadBufferSize);
        archive->m_pDocument = this;
        previousCursor = ShowWaitCursor();
        cursorShown = true;
        Serialize(*archive);
        archive->Close();
        file.Close();
    } catch (...) {
        SceneLoadFailure failure = FailureOfCurrentException(archive ? archive->GetStreamPosition() : 0);
        failure.sceneOffset = sceneOffset.value_or(0);
        archive.reset();
        file.Abort();
        DeleteContents();
        m_lastLoadFailure = failure;
        ReportLoadFailure(failure);
        if (cursorShown)
            RestoreCursor(previousCursor);
        return FALSE;
    }
    RestoreCursor(previousCursor);
    return TRUE;
}

void CVesperDoc::PositionAtScene(CFile& file, std::optional<DWORD> sceneOffset)
{
    if (!sceneOffset)
        throw CArchiveException(CArchiveException::endOfFile, file.GetFilePath(), 0,
                                "no scene is appended to the program");
    if (*sceneOffset > static_cast<DWORD>(LONG_MAX))
        throw CFileException(CFileException::badSeek, -1, file.GetFilePath());
    file.Seek(static_cast<LONG>(*sceneOffset), CFile::begin);
}

void CVesperDoc::ReportLoadFailure(const SceneLoadFailure& failure)
{
    try {
        MessageBoxA(nullptr, vesper::TrWindows(failure.message.c_str()), nullptr, MB_ICONEXCLAMATION);
    } catch (...) {
        // Reporting is best effort: the load has failed either way.
    }
}

// The wait cursor shown while a scene is read. The platform layer has no
// cursors yet; once USER offers them, this is the one place that calls
// SetCursor(LoadCursorA(nullptr, IDC_WAIT)) and hands back the cursor it
// replaced, and RestoreCursor puts that one back.
HCURSOR CVesperDoc::ShowWaitCursor()
{
    return nullptr;
}

void CVesperDoc::RestoreCursor(HCURSOR)
{
}
