#pragma once

#include "Cuttingproc.h"

// Cuts the job's span out of its MOV recordings into its open output file: the
// first atom of the first source, one "mdat" with a byte range of each source
// and a rebuilt "moov" with the merged tables of the three tracks. Sources are
// read in views of the job's mapping window size. 0 or the failure code; the
// caller deletes the output on failure.
CutResult MOVCutting(CuttingProc* job);
