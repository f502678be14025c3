#include "cutting/CuttingProc.h"

// Filled by the MP4/MOV cutter work: until then an MP4 cut ends as unknown.
CutResult RunMP4Cutting(CuttingProc* job) {
    return Err_Cut_Unknown;
}
