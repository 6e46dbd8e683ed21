// The process-wide singleton container: an ordered map from type identity to a holder slot.
#pragma once

#include "Export.h"

#include <map>
#include <typeinfo>

namespace utl {

// Type identity as a map key; ordered by the type's name, so equal across modules.
class BASEKIT_API CTypeInfo {
public:
    CTypeInfo(std::type_info const& type);
    bool operator<(CTypeInfo const& other) const;

private:
    std::type_info const* m_pType;
};

class SingleCont {
public:
    // A holder of one singleton; destroying the holder destroys the singleton.
    class BASEKIT_API CSinglePtrBase {
    public:
        virtual ~CSinglePtrBase();
    };

    // One slot of the container: empty, or owning one holder.
    class CSinglePtr {
    public:
        template <class T> class TSinglePtrHelp : public CSinglePtrBase {
        public:
            explicit TSinglePtrHelp(T* object) : m_pObject(object) {}
            ~TSinglePtrHelp() override { delete m_pObject; }
            T* Get() const { return m_pObject; }

        private:
            T* m_pObject;
        };

        BASEKIT_API CSinglePtr();
        BASEKIT_API ~CSinglePtr();
        CSinglePtr(CSinglePtr const&) = delete;
        CSinglePtr& operator=(CSinglePtr const&) = delete;

        CSinglePtrBase* m_pHolder;
    };

    typedef std::map<CTypeInfo, CSinglePtr> tContainer;

    // The same container on every call; callers serialize their own changes.
    BASEKIT_API static tContainer& Get();
};

} // namespace utl
