#pragma once

#include "media/Interfaces.h"

#include <QUuid>

#include <memory>

namespace media {

// Creates the graph and the filters by class identifier, as a registry of
// in-process classes would. REGDB_E_CLASSNOTREG for an unknown class or one that
// was marked unavailable.
HRESULT CreateMediaObject(const QUuid& classId, std::shared_ptr<MediaObject>& out);

template <class T>
HRESULT CreateInstance(const QUuid& classId, std::shared_ptr<T>& out) {
    out.reset();
    std::shared_ptr<MediaObject> object;
    const HRESULT created = CreateMediaObject(classId, object);
    if (Failed(created)) {
        return created;
    }
    return QueryInterface(object, out);
}

// Makes a class unavailable (as if not installed) or available again; for tests.
void SetClassAvailable(const QUuid& classId, bool available);

}  // namespace media
