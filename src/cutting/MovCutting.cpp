#include "cutting/CuttingProc.h"

// Filled by the MP4/MOV cutter work: until then a MOV cut ends as unknown.
CutResult RunMOVCutting(CuttingProc* job) {
    return Err_Cut_Unknown;
}
