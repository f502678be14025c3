#include "FilterFactory.h"

#include "media/AudioDecoderFilter.h"
#include "media/AudioRendererFilter.h"
#include "media/ClassIds.h"
#include "media/FilterGraph.h"
#include "media/GlVideoRenderer.h"
#include "media/RasterVideoRenderer.h"
#include "media/SourceFilter.h"
#include "media/VideoDecoderFilter.h"

#include <mutex>
#include <set>

namespace media {

namespace {

std::mutex availabilityMutex;
std::set<QUuid> unavailable;

bool Available(const QUuid& classId) {
    std::lock_guard lock(availabilityMutex);
    return unavailable.count(classId) == 0;
}

std::shared_ptr<MediaObject> Make(const QUuid& classId) {
    if (classId == CLSID_FilterGraph) {
        return std::make_shared<FilterGraph>();
    }
    if (classId == CLSID_LAVVideoDecoder) {
        return std::make_shared<VideoDecoderFilter>();
    }
    if (classId == CLSID_DSoundRender) {
        return std::make_shared<AudioRendererFilter>();
    }
    if (classId == CLSID_EnhancedVideoRenderer) {
        return std::make_shared<GlVideoRenderer>();
    }
    if (classId == CLSID_VideoMixingRenderer9) {
        return std::make_shared<RasterVideoRenderer>(classId, RasterVideoRenderer::Scaling::ByQt);
    }
    if (classId == CLSID_VideoMixingRenderer) {
        return std::make_shared<RasterVideoRenderer>(classId,
                                                     RasterVideoRenderer::Scaling::BySwscale);
    }
    if (classId == CLSID_FileSource) {
        return std::make_shared<SourceFilter>();
    }
    if (classId == CLSID_AudioDecoder) {
        return std::make_shared<AudioDecoderFilter>();
    }
    return nullptr;
}

}  // namespace

HRESULT CreateMediaObject(const QUuid& classId, std::shared_ptr<MediaObject>& out) {
    out.reset();
    if (!Available(classId)) {
        return REGDB_E_CLASSNOTREG;
    }
    out = Make(classId);
    return out ? S_OK : REGDB_E_CLASSNOTREG;
}

void SetClassAvailable(const QUuid& classId, bool available) {
    std::lock_guard lock(availabilityMutex);
    if (available) {
        unavailable.erase(classId);
    } else {
        unavailable.insert(classId);
    }
}

}  // namespace media
