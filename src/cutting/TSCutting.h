#pragma once

#include "cutting/Cuttingproc.h"

// Cuts the job's span out of the recorder's MPEG-TS recordings into the job's
// open output file, as one recording of the same layout: time stamps from 0,
// continuity counters renumbered, the first sensor-log packet carrying the
// LogStreamHeader. File type 3 is cut by the PES time stamps, type 4 by the PCR.
// Returns 0, Err_Cut_OpenSrcFileErrorr, Err_Cut_ReadSrcFileError,
// Err_Cut_FindStartPositionError, Err_Cut_OpenDestFileError (a failed write),
// Err_Cut_Interrupt or Err_Cut_Unknown.
CutResult TSCutting(CuttingProc* job);
