// What the scene fuzz targets share: loading a scene from bytes as the
// player loads it from a file, and message boxes that answer at once (a
// failed load shows one, and nobody is there to close it).
#pragma once

#include <utility>
#include <vector>

#include "framework/file.h"
#include "platform/user/message_box.h"
#include "scene/vesper_doc.h"

inline BOOL LoadSceneBytes(CVesperDoc& doc, std::vector<BYTE> bytes)
{
    CMemFile file(std::move(bytes));
    return doc.LoadScene(file, 0);
}

inline void AnswerMessageBoxesAtOnce()
{
    vesper::platform::SetMessageBoxHandler([](const vesper::platform::MessageBoxRequest&) { return IDOK; });
}
