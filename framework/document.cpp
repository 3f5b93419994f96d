#include "framework/document.h"

IMPLEMENT_DYNAMIC(CDocument, CObject)

void CDocument::DeleteContents() {}

BOOL CDocument::ResetToNewScene()
{
    DeleteContents();
    return TRUE;
}
