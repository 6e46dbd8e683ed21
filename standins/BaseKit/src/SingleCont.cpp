// The singleton container and its slots.
#include "BaseKit/SingleCont.h"

namespace utl {

CTypeInfo::CTypeInfo(std::type_info const& type) : m_pType(&type) {}

bool CTypeInfo::operator<(CTypeInfo const& other) const {
    return m_pType->before(*other.m_pType);
}

SingleCont::CSinglePtrBase::~CSinglePtrBase() = default;

SingleCont::CSinglePtr::CSinglePtr() : m_pHolder(nullptr) {}

SingleCont::CSinglePtr::~CSinglePtr() {
    delete m_pHolder;
}

SingleCont::tContainer& SingleCont::Get() {
    static tContainer container;
    return container;
}

} // namespace utl
