#pragma once

#include "cutting/Cuttingproc.h"

// Cuts the job's span out of the recorder's MPEG-TS recordings into the job's
// open output file, as one recording of the same layout: time stamps from 0,
// continuity counters renumbered, the first sensor-log packet carrying the
// LogStreamHeader. File type 3 is cut by the PES time stamps, type 4 by the PCR;
// the end lies on the play list's time line, an unbounded one at the end of the
// selection. Returns 0, Err_Cut_OpenSrcFileErrorr (also for a source that is no
// longer a regular file), Err_Cut_ReadSrcFileError (also for a source that shrank
// below its size at the start, or gave no picture), Err_Cut_FindStartPositionError,
// Err_Cut_OpenDestFileError (a failed write), Err_Cut_Interrupt or Err_Cut_Unknown.
CutResult TSCutting(CuttingProc* job);
