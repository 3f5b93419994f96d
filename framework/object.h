// The root object class and its run-time class records: every class that is
// created by name or stored in an archive carries a CRuntimeClass that names
// it, knows its schema and base class, and can make a default object.
#pragma once

#include <string_view>

#include "platform/win32.h"

class CObject;
class CArchive;

// The schema of a class that can never be stored in an archive.
inline constexpr UINT kSchemaNotSerializable = 0xFFFF;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;
    CObject* (*m_pfnCreateObject)();  // null for classes that cannot be created by name
    const CRuntimeClass* m_pBaseClass;

    // A new default object, or null when the class is not creatable or
    // memory runs out.
    CObject* CreateObject() const;
    // True for this class itself and for every class derived from `base`.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    bool IsSerializable() const { return m_wSchema != kSchemaNotSerializable; }
    // The registered creatable class of exactly this name (case-sensitive), or null.
    static const CRuntimeClass* FromName(std::string_view name);
};

// Adds a creatable class to the process-wide registry; the IMPLEMENT_DYNCREATE
// and IMPLEMENT_SERIAL macros make one of these per class at static initialisation.
struct CClassRegistration {
    explicit CClassRegistration(const CRuntimeClass* runtimeClass);
};

class CObject {
public:
    static const CRuntimeClass classCObject;

    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump() const;
    // Frees the objects this one took ownership of whose release its
    // destructor leaves to an owner (a sprite list's sprites). A loading
    // archive calls it on an object of a failed load before deleting it, as
    // the object's owner would have. The root class owns nothing.
    virtual void FreeOwnedObjects();

    bool IsKindOf(const CRuntimeClass* runtimeClass) const;
    bool IsSerializable() const;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

#define DECLARE_DYNAMIC(class_name)                          \
public:                                                      \
    static const CRuntimeClass class##class_name;            \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define DECLARE_SERIAL(class_name) DECLARE_DYNCREATE(class_name)

#define VESPER_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, create)                          \
    constinit const CRuntimeClass class_name::class##class_name = {                                        \
        #class_name, static_cast<int>(sizeof(class_name)), schema, create, RUNTIME_CLASS(base_class_name)}; \
    const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

#define VESPER_IMPLEMENT_CREATABLE(class_name, base_class_name, schema)                           \
    CObject* class_name::CreateObject() { return new class_name; }                                \
    VESPER_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, &class_name::CreateObject) \
    static const CClassRegistration vesperRegistration##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    VESPER_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, kSchemaNotSerializable, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    VESPER_IMPLEMENT_CREATABLE(class_name, base_class_name, kSchemaNotSerializable)

#define IMPLEMENT_SERIAL(class_name, base_class_name, schema) \
    VESPER_IMPLEMENT_CREATABLE(class_name, base_class_name, schema)
