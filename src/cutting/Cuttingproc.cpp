#include "Cuttingproc.h"

#include "foundation/Commonfun.h"
#include "foundation/ErrorReport.h"
#include "platform/SystemError.h"
#include "platform/WindowMessage.h"

#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

constexpr double kMaxClipBytes = 2000000000.0;
constexpr std::uint32_t kMinMapGranularity = 65536;
constexpr std::uint32_t kMapWindowGranules = 100;

const QString kCutTempFile = QStringLiteral("quendrix.tmp");
// For a destination or a source that bears the temporary file's own name: the
// first of quendrix2.tmp, quendrix3.tmp, ... that is neither.
const QString kCutTempFileAside = QStringLiteral("quendrix%1.tmp");

// Views of a mapped file must start on a page; 64 KiB keeps the window a whole
// number of pages on every page size in use.
std::uint32_t MapGranularity() {
    const long page = ::sysconf(_SC_PAGESIZE);
    return std::max<std::uint32_t>(
        kMinMapGranularity, page > 0 ? static_cast<std::uint32_t>(page) : kMinMapGranularity);
}

std::int64_t FileSizeOf(const TFileItem* item) {
    return QFileInfo(item->path).size();
}

// -1 for a file that is not there.
std::int64_t SizeOrUnknown(const TFileItem* item) {
    const QFileInfo info(item->path);
    return info.exists() ? info.size() : -1;
}

QByteArray NativePath(const QString& path) {
    return path.toLocal8Bit();
}

// Removes the name itself: a link is removed, never what it points at.
void RemoveFile(const QString& path) {
    ::unlink(NativePath(path).constData());
}

// True when `path` names the same file (device and inode) as one of `items`: the
// same path, another spelling of it, a symbolic or a hard link. A missing file is
// none of them.
bool IsOneOf(const QString& path, const FileItemList& items) {
    struct stat target {};
    if (::stat(NativePath(path).constData(), &target) != 0) {
        return false;
    }
    return std::any_of(items.begin(), items.end(), [&target](const TFileItem* item) {
        struct stat source {};
        return ::stat(NativePath(item->path).constData(), &source) == 0 &&
               source.st_dev == target.st_dev && source.st_ino == target.st_ino;
    });
}

// The temporary file beside the destination. Memory cards fold case, so a
// destination spelt "QUENDRIX.TMP" is the temporary file's name too; and a source
// of that name must not be removed to make room for it.
QString TemporaryPathFor(const QString& destination, const FileItemList& sources) {
    const QString folder = GetFolderOfPath(destination);
    const QString name = destination.mid(folder.size());
    QString candidate = kCutTempFile;
    // Only so many names can be taken: this ends.
    for (int n = 2;
         name.compare(candidate, Qt::CaseInsensitive) == 0 || IsOneOf(folder + candidate, sources);
         ++n) {
        candidate = kCutTempFileAside.arg(n);
    }
    return folder + candidate;
}

}  // namespace

CuttingProc::CuttingProc(QObject* notifyWindow, std::uint32_t notifyMessage)
    : notifyWindow(notifyWindow),
      notifyMessage(notifyMessage),
      mappingWindowSize(kMapWindowGranules * MapGranularity()),
      worker_("cutting", [this](platform::Worker::Control& worker) { WorkerLoop(worker); }) {}

CuttingProc::~CuttingProc() {
    // The worker's stop comes before the user's stop flag ends a cut in progress,
    // so the interrupted cut posts no outcome to a window that may be going.
    worker_.RequestStop();
    stopFlag.store(1);
    worker_.Stop();
    ReleaseSelection();
}

CutResult CuttingProc::StartCutting(const FileItemList& playList, const QString& destination,
                                    double start, double end) {
    if (busy_.load()) {
        return Err_Cut_Busy;
    }
    if (!SelectSpan(playList, start, end)) {
        return Err_Cut_Unknown;
    }
    const std::int32_t fileType = selection.front()->fileType;
    for (const TFileItem* item : selection) {
        if (item->fileType != fileType) {
            ReleaseSelection();
            return Err_Cut_FileTypeMismatch;
        }
    }
    const double estimate = EstimateBytes(playList);
    if (estimate > kMaxClipBytes) {
        ReleaseSelection();
        return Err_Cut_DestFileSizeOverError;
    }
    // The clip replaces its destination at the end: over a source it would destroy
    // the recording it is cut from.
    if (IsOneOf(destination, selection)) {
        ReleaseSelection();
        return Err_Cut_OpenDestFileError;
    }
    // The estimate is also the divisor of every progress value.
    totalBytes = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(estimate));
    destinationPath = destination;
    temporaryPath = TemporaryPathFor(destination, selection);
    sourceSizes.clear();
    for (const TFileItem* item : selection) {
        sourceSizes.push_back(SizeOrUnknown(item));
    }
    busy_.store(true);
    stopFlag.store(0);
    worker_.Wake();
    return Cut_OK;
}

// Takes a reference on each item that covers [start, end) of the play list's time
// line and sets the offsets and the span. False (nothing selected) when no item does.
bool CuttingProc::SelectSpan(const FileItemList& playList, double start, double end) {
    // An empty or reversed span covers nothing (NaN included).
    if (!(end > start)) {
        return false;
    }
    double before = 0.0;
    std::size_t index = 0;
    for (; index < playList.size(); ++index) {
        const double duration = playList[index]->duration;
        if (before <= start && start < before + duration) {
            break;
        }
        before += duration;
    }
    if (index == playList.size()) {
        return false;
    }
    startOffset = start - before;
    span = end - start;
    for (; index < playList.size(); ++index) {
        TFileItem* item = playList[index];
        item->AddRef();
        selection.push_back(item);
        if (end <= before + item->duration) {
            endOffset = end - before;
            return true;
        }
        before += item->duration;
    }
    endOffset = selection.back()->duration;
    // An end past the play list (infinity included) ends with it: the span is then
    // what the selection holds, and the size estimate stays finite.
    if (before > start) {
        span = before - start;
    }
    return true;
}

// Bytes per second of the play list's first recording times the span. Its duration
// can be 0 or negative (a short file, a clock wrap): then the selected files' sizes.
// A span still unbounded (durations that add up to less than the start) is refused.
double CuttingProc::EstimateBytes(const FileItemList& playList) const {
    const TFileItem* first = playList.front();
    if (first->duration > 0.0) {
        const double estimate =
            std::trunc(static_cast<double>(FileSizeOf(first)) / first->duration * span);
        if (!std::isnan(estimate)) {
            return estimate;
        }
    }
    double sum = 0.0;
    for (const TFileItem* item : selection) {
        sum += static_cast<double>(std::max<std::int64_t>(0, FileSizeOf(item)));
    }
    return sum;
}

void CuttingProc::ReleaseSelection() {
    for (TFileItem* item : selection) {
        item->Release();
    }
    selection.clear();
    sourceSizes.clear();
    busy_.store(false);
    stopFlag.store(0);
}

void CuttingProc::PostProgress(std::int64_t bytesWritten) const {
    const std::int64_t perMille = bytesWritten * 1000 / static_cast<std::int64_t>(totalBytes);
    platform::PostWindowMessage(notifyWindow, notifyMessage, 1,
                                static_cast<platform::LPARAM>(perMille));
}

void CuttingProc::WorkerLoop(platform::Worker::Control& worker) {
    for (;;) {
        worker.Wait();
        if (worker.StopRequested()) {
            return;
        }
        const CutResult result = RunJob(worker);
        // A job being destroyed has no one left to take its outcome.
        if (worker.StopRequested()) {
            return;
        }
        platform::PostWindowMessage(notifyWindow, notifyMessage, result, 0);
    }
}

// One cut: the temporary file, the cutter, then the temporary file either takes
// the destination's place or is removed.
CutResult CuttingProc::RunJob(const platform::Worker::Control& worker) {
    // A stale entry of the temporary name goes first, as a name: the clip is then
    // written into a file of its own, never through a link into another one.
    RemoveFile(temporaryPath);
    outputFile = platform::FileHandle::CreateNew(temporaryPath);
    if (!outputFile.IsOpen()) {
        // The outcome follows the box the user is reading, not the other way round.
        ShowErrorBox(
            static_cast<std::int32_t>(platform::ErrorCodeFromErrno(outputFile.LastError())),
            QStringLiteral("Error"),
            [this, &worker] { return worker.StopRequested() || stopFlag.load() != 0; });
        return Err_Cut_OpenDestFileError;
    }
    CutResult result = RunCutter();
    // Close flushes to the device: a full disk may show only here.
    if (!outputFile.Close() && result == Cut_OK) {
        result = Err_Cut_OpenDestFileError;
    }
    if (result != Cut_OK) {
        RemoveFile(temporaryPath);
        return result;
    }
    return ReplaceDestination();
}

CutResult CuttingProc::RunCutter() {
    try {
        if (selection.empty()) {
            throw std::runtime_error("Nothing selected");
        }
        CutResult result = Err_Cut_Unknown;
        switch (selection.front()->fileType) {
            case FILE_TYPE_MP4:
                result = RunMP4Cutting(this);
                break;
            case FILE_TYPE_MOV:
                result = RunMOVCutting(this);
                break;
            case FILE_TYPE_TS:
            case FILE_TYPE_TS_PCR:
                result = RunTSCutting(this);
                break;
            default:
                throw std::runtime_error("Unknow file type");
        }
        // 1 would read as a progress message, not as the end of the job.
        return result == 1 ? Err_Cut_Unknown : result;
    } catch (const std::exception& error) {
        EXCEPTION_LOG_LINE("CuttingProc::WorkerLoop", error);
    } catch (...) {
        EXCEPTION_LOG_LINE("CuttingProc::WorkerLoop", std::runtime_error("Unknown exception"));
    }
    return Err_Cut_Unknown;
}

// One rename replaces the destination, so it is never lost on a failure.
CutResult CuttingProc::ReplaceDestination() {
    try {
        if (std::rename(NativePath(temporaryPath).constData(),
                        NativePath(destinationPath).constData()) != 0) {
            const std::uint32_t code = platform::ErrorCodeFromErrno(errno);
            throw std::runtime_error("Rename failed, error " + std::to_string(code));
        }
        return Cut_OK;
    } catch (const std::exception& error) {
        EXCEPTION_LOG_LINE("CuttingProc::WorkerLoop", error);
    }
    RemoveFile(temporaryPath);
    return Err_Cut_OpenDestFileError;
}
