#include "framework/object.h"

#include <map>
#include <new>
#include <string>

namespace {

// Built on first use, so registrations from any translation unit's static
// initialisation find it ready.
std::map<std::string_view, const CRuntimeClass*>& ClassRegistry()
{
    static std::map<std::string_view, const CRuntimeClass*> registry;
    return registry;
}

}  // namespace

CObject* CRuntimeClass::CreateObject() const
{
    if (!m_pfnCreateObject)
        return nullptr;
    try {
        return m_pfnCreateObject();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* candidate = this; candidate; candidate = candidate->m_pBaseClass) {
        if (candidate == base)
            return true;
    }
    return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name)
{
    const auto& registry = ClassRegistry();
    const auto found = registry.find(name);
    return found == registry.end() ? nullptr : found->second;
}

CClassRegistration::CClassRegistration(const CRuntimeClass* runtimeClass)
{
    // The first registration of a name wins; class names are unique in a program.
    ClassRegistry().emplace(runtimeClass->m_lpszClassName, runtimeClass);
}

constinit const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)),
                                                       kSchemaNotSerializable, nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

CObject::~CObject() = default;

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

void CObject::Dump() const {}

void CObject::FreeOwnedObjects() {}

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

bool CObject::IsSerializable() const
{
    return GetRuntimeClass()->IsSerializable();
}
