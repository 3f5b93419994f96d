// CVesperDoc: the scene document. It holds the background settings, the
// background picture and the sprites of one scene, reads and writes the scene
// stream, and loads the scene appended to the running program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/document.h"
#include "platform/win32.h"
#include "platform/kernel/translation.h"
#include "imaging/dib.h"
#include "sprites/sprite_list.h"

class CArchive;
class CFile;

// What went wrong in the last failed scene load.
struct SceneLoadFailure {
    enum class Kind { archive, file, memory, notSupported, other };

    Kind kind = Kind::other;
    int cause = 0;                   // the CArchiveException or CFileException cause; 0 for other kinds
    std::string description;         // the exception's own account
    std::string message;             // the text shown to the user
    std::uint64_t sceneOffset = 0;   // where the scene starts in its file
    std::uint64_t streamOffset = 0;  // where in the scene stream the failing operation began

    std::uint64_t FileOffset() const { return sceneOffset + streamOffset; }
};

// The file whose scene LoadEmbeddedScene plays instead of the program's own
// (the player's --scene option); none by default.
void ChooseSceneFile(std::optional<std::string> path);
const std::optional<std::string>& ChosenSceneFile();

class CVesperDoc : public CDocument {
    DECLARE_DYNCREATE(CVesperDoc)

public:
    enum BackgroundKind : DWORD { backgroundPicture = 0, backgroundGradient = 1, backgroundSolid = 2 };
    enum ImagePlacement : DWORD { placementStretch = 0, placementCentre = 1, placementTile = 2 };

    static constexpr DWORD kDesignWidth = 640;
    static constexpr DWORD kDesignHeight = 480;
    static constexpr int kLoadBufferSize = 512;
    // The two texts a failed load shows, in the user's language
    // (vesper::TrWindows).
    static constexpr const char* kUnexpectedFormatMessage = N_("Unexpected file format.");
    static constexpr const char* kOpenFailedMessage = N_("Failed to open document.");

    CVesperDoc();
    // Frees whatever the owner did not free with DeleteContents() first.
    ~CVesperDoc() override;
    CVesperDoc(const CVesperDoc&) = delete;
    CVesperDoc& operator=(const CVesperDoc&) = delete;

    // Deletes every sprite and the background picture; the settings are kept.
    void DeleteContents() override;
    // An empty 640 x 480 scene without a picture.
    BOOL ResetToNewScene() override;
    // The scene stream: three 16-bit values, the two strings, four 16-bit
    // values, three colours, the picture's presence and object, the sprites.
    void Serialize(CArchive& ar) override;
    // Deletes the current picture and takes ownership of `picture` (may be null).
    BOOL SetBackground(CDIB* picture);

    // Reads the scene appended to the running program (g_szModulePath, at the
    // offset held in the program's patchable block) into this document.
    // 1 on success; 0 when the file cannot be opened (document untouched,
    // nothing shown) or the scene cannot be read (document emptied, one
    // message box). An unpackaged program (scene offset 0) has no scene and
    // fails like a program with nothing after its image.
    // With a scene file chosen (ChooseSceneFile), that file's scene instead.
    BOOL LoadEmbeddedScene();
    // The scene held by any file that holds one (scene/scene_source.h: a bare
    // scene, a Vesper saver, a Windows saver), found by the file's contents.
    // A file that cannot be read or holds no scene fails like a scene that
    // cannot be read: document emptied, failure recorded, one message box.
    BOOL LoadSceneOfAnyFile(const std::string& path);
    // The same for any file whose scene starts at sceneOffset; an empty
    // sceneOffset means the file holds no scene.
    BOOL LoadSceneFromFile(const std::string& path, std::optional<DWORD> sceneOffset);
    // The same on a file that is already open; the file is closed afterwards.
    BOOL LoadScene(CFile& file, std::optional<DWORD> sceneOffset);

    // Renders the stage background at width × height from the background
    // settings (imaging/renderers.h), with the wait cursor shown meanwhile: the
    // picture converted when its size is the stage's, else stretched (placement
    // 0), centred (1) or tiled (2); the gradient; the solid colour. A new 8-bit
    // block in the stage palette that the caller owns, or null for an unknown
    // kind or placement, a missing picture, or a picture the renderers refuse.
    HGLOBAL RenderBackground(int width, int height) const;

    // Details of the last load that failed while reading (empty after a load
    // that succeeded or could not open its file).
    const std::optional<SceneLoadFailure>& LastLoadFailure() const { return m_lastLoadFailure; }

    CDIB* background = nullptr;  // owned; used when backgroundKind is backgroundPicture
    CSpriteList sprites;         // front to back; the sprites are owned
    DWORD sceneWidth = kDesignWidth;
    DWORD sceneHeight = kDesignHeight;
    DWORD spareWord1 = 0;
    std::string backgroundPath;
    DWORD backgroundKind = backgroundGradient;
    DWORD gradientHorizontal = 0;
    DWORD imagePlacement = placementStretch;
    COLORREF solidColour = 0;
    COLORREF gradientFrom = 0;           // black
    COLORREF gradientTo = 0x00800000;    // dark blue
    DWORD spareWord2 = 1;
    std::string sceneName;

private:
    BOOL FailWithoutScene(SceneLoadFailure::Kind kind, const std::string& description);
    static void PositionAtScene(CFile& file, std::optional<DWORD> sceneOffset);
    static void ReportLoadFailure(const SceneLoadFailure& failure);
    static HCURSOR ShowWaitCursor();
    static void RestoreCursor(HCURSOR previous);

    std::optional<SceneLoadFailure> m_lastLoadFailure;
};
