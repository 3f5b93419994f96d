// The document base: what a document holds is its derived class's; the base
// supplies the emptying and new-document operations.
#pragma once

#include "framework/object.h"

class CDocument : public CObject {
    DECLARE_DYNAMIC(CDocument)
public:
    // Frees the document's contents; nothing in the base.
    virtual void DeleteContents();
    // Makes an empty new document: DeleteContents(), then TRUE.
    virtual BOOL ResetToNewScene();
};
