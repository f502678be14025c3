#pragma once

#include <QUuid>

namespace media {

// Class identifiers the factory creates objects by.
inline const QUuid CLSID_FilterGraph{0xE436EBB3, 0x524F, 0x11CE, 0x9F, 0x53, 0x00,
                                     0x20,       0xAF,   0x0B,   0xA7, 0x70};
// The video decoder filter (libavcodec), registered under the outside decoder's identifier.
inline const QUuid CLSID_LAVVideoDecoder{0xEE30215D, 0x164F, 0x4A92, 0xA4, 0xEB, 0x9D,
                                         0x4C,       0x13,   0x39,   0x0F, 0x9F};
inline const QUuid CLSID_DSoundRender{0x79376820, 0x07D0, 0x11CF, 0xA2, 0x4D, 0x00,
                                      0x20,       0xAF,   0xD7,   0x97, 0x67};
// Video renderers: the GL renderer, the raster renderer scaled by Qt and the raster
// renderer pre-scaled by libswscale, in the order they are tried.
inline const QUuid CLSID_EnhancedVideoRenderer{0xFA10746C, 0x9B63, 0x4B6C, 0xBC, 0x49, 0xFC,
                                               0x30,       0x0E,   0xA5,   0xF2, 0x56};
inline const QUuid CLSID_VideoMixingRenderer9{0x51B4ABF3, 0x748F, 0x4E3B, 0xA2, 0x76, 0xC8,
                                              0x28,       0x33,   0x0E,   0x92, 0x6A};
inline const QUuid CLSID_VideoMixingRenderer{0xB87BEB7B, 0x8D29, 0x423F, 0xAE, 0x4D, 0x65,
                                             0x82,       0xC1,   0x01,   0x75, 0xAC};
// The GL renderer's display control, reached as a service.
inline const QUuid MR_VIDEO_RENDER_SERVICE{0x1092A86C, 0xAB1A, 0x459A, 0xA3, 0x36, 0x83,
                                           0x1F,       0xBC,   0x4D,   0x11, 0xFF};
// Our own filters, used by the graph while it builds.
inline const QUuid CLSID_FileSource{0x6E6D1C1A, 0x8E0B, 0x4C8D, 0x9B, 0x7E, 0x31,
                                    0x5A,       0x02,   0x4F,   0x11, 0x01};
inline const QUuid CLSID_AudioDecoder{0x6E6D1C1A, 0x8E0B, 0x4C8D, 0x9B, 0x7E, 0x31,
                                      0x5A,       0x02,   0x4F,   0x11, 0x02};

}  // namespace media
