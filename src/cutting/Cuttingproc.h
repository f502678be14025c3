#pragma once

#include "foundation/MessageNumbers.h"
#include "platform/FileHandle.h"
#include "platform/Worker.h"
#include "recordings/FileItem.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

// The outcome of a cut: 0 or a failure code 0x707010xx.
using CutResult = std::uint32_t;

enum : CutResult {
    Cut_OK = 0,
    Err_Cut_Busy = 0x70701001,
    Err_Cut_DestFileSizeOverError = 0x70701003,
    Err_Cut_FileTypeMismatch = 0x70701004,
    Err_Cut_OpenDestFileError = 0x70701006,
    Err_Cut_OpenSrcFileErrorr = 0x70701007,
    Err_Cut_ReadSrcFileError = 0x70701008,
    Err_Cut_SrcFileSizeOverError = 0x70701009,
    Err_Cut_SrcFileMappingError = 0x7070100A,
    Err_Cut_FindStartPositionError = 0x7070100B,
    Err_Cut_MemAllocError = 0x7070100C,
    Err_Cut_MemReserveNotEnough = 0x7070100D,
    Err_Cut_Modify_stbl_Error = 0x7070100E,
    Err_Cut_Interrupt = 0x7070100F,
    // A source's sample tables place samples outside its media data or its file.
    Err_Cut_SrcFileFormatError = 0x70701010,
    Err_Cut_Unknown = 0x707010FF,
};

// The one cutting job: the play-list items that cover a span, where it begins in
// the first and ends in the last, and the worker that writes the clip through a
// temporary file beside the destination.
class CuttingProc {
  public:
    CuttingProc(QObject* notifyWindow, std::uint32_t notifyMessage);
    // Stops the worker (also in the middle of a cut) and releases the selection.
    ~CuttingProc();
    CuttingProc(const CuttingProc&) = delete;
    CuttingProc& operator=(const CuttingProc&) = delete;

    // GUI thread. 0: started, the outcome comes as a message; else nothing runs. A
    // destination that is one of the cut's sources is refused as
    // Err_Cut_OpenDestFileError, before anything is written.
    CutResult StartCutting(const FileItemList& playList, const QString& destination, double start,
                           double end);
    // GUI thread, after the final message: drops the selection, back to idle.
    void ReleaseSelection();
    bool IsBusy() const { return busy_.load(); }

    // --- What the cutters read (written only by StartCutting while idle) ---
    FileItemList selection;
    platform::FileHandle outputFile;  // set by the worker before a cutter runs
    double startOffset = 0.0;         // seconds into the first selected item
    double endOffset = 0.0;           // seconds into the last selected item
    double span = 0.0;                // seconds
    QObject* notifyWindow = nullptr;
    std::uint32_t notifyMessage = 0;
    std::uint32_t totalBytes = 1;            // size estimate, never 0
    std::atomic<std::uint32_t> stopFlag{0};  // non-zero: the user asked to stop
    std::uint32_t mappingWindowSize = 6553600;
    QString destinationPath;
    QString temporaryPath;
    // Bytes of each selected item when the cut was started (-1 when unknown): a
    // cutter reads no further, and a source found shorter has shrunk under it.
    std::vector<std::int64_t> sourceSizes;
    // Packets per read of the MPEG-TS cutter (6,160,196 bytes); tests make it small.
    std::int32_t tsChunkPackets = 32767;
    // The MPEG-TS cutter looks for the start from a little before it; tests compare
    // with the search from the recording's first byte.
    bool tsStartFromFirstByte = false;

    // Posts the progress of `bytesWritten` against the total.
    void PostProgress(std::int64_t bytesWritten) const;

  private:
    void WorkerLoop(platform::Worker::Control& worker);
    CutResult RunJob(const platform::Worker::Control& worker);
    CutResult RunCutter();
    CutResult ReplaceDestination();
    bool SelectSpan(const FileItemList& playList, double start, double end);
    double EstimateBytes(const FileItemList& playList) const;

    std::atomic<bool> busy_{false};
    platform::Worker worker_;  // last: built after what it reads, joined first
};

// The cutters, one per file type; each returns a CutResult. They read the job,
// write to its open output file, post progress per block and read the stop flag
// between blocks.
CutResult RunTSCutting(CuttingProc* job);
CutResult RunMP4Cutting(CuttingProc* job);
CutResult RunMOVCutting(CuttingProc* job);
