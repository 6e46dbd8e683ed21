// utl::CGUIDHolder: one GUID, new GUIDs and the GUID's text form.
#include "tuText.h"

#include "common/Boundary.h"
#include "common/WindowsSupport.h"

#include <objbase.h>

#include <cstring>

namespace {

bool IsNull(const GUID& uid) {
    static const GUID kNull{};
    return std::memcmp(&uid, &kNull, sizeof uid) == 0;
}

// The GUID of `text`, or the null GUID when the text is null or no GUID.
GUID Parse(const wchar_t* text) {
    GUID uid{};
    if (!text ||
        ::UuidFromStringW(reinterpret_cast<RPC_WSTR>(const_cast<wchar_t*>(text)), &uid) != RPC_S_OK)
        return GUID{};
    return uid;
}

// A new GUID; the null GUID only if the platform could make none.
GUID MakeNew() {
    GUID uid{};
    if (FAILED(::CoCreateGuid(&uid)))
        return GUID{};
    return uid;
}

} // namespace

namespace utl {

CGUIDHolder::CGUIDHolder() : m_uid() {}

CGUIDHolder::CGUIDHolder(const GUID& uid) : m_uid(uid) {}

CGUIDHolder::CGUIDHolder(const wchar_t* text) : m_uid() {
    if (text && *text)
        m_uid = Parse(text);
}

const GUID* CGUIDHolder::GetUID() const {
    return &m_uid;
}

void CGUIDHolder::SetUID(const GUID* uid) {
    m_uid = uid ? *uid : GUID{};
}

void CGUIDHolder::SetUID(const wchar_t* text) {
    m_uid = Parse(text);
}

void CGUIDHolder::SetNewUID() {
    m_uid = MakeNew();
}

const GUID* CGUIDHolder::GetNewUID() {
    SetNewUID();
    return &m_uid;
}

CString CGUIDHolder::GetStringUID() const {
    if (IsNull(m_uid))
        return CString();
    tu::UniqueRpcString text;
    GUID uid = m_uid; // the platform's signature takes a writable GUID
    if (::UuidToStringW(&uid, text.put()) != RPC_S_OK)
        return CString();
    return tu::Guarded(CString(),
                       [&] { return CString(reinterpret_cast<const wchar_t*>(text.get())); });
}

CString CGUIDHolder::GetStringNewUID() {
    SetNewUID();
    return GetStringUID();
}

} // namespace utl
