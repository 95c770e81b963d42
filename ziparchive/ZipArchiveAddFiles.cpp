// Adding many files at once: the files are deflated on worker threads while the calling thread
// writes the finished data in the order given, so the archive has exactly the bytes that adding
// them one by one writes (each entry is an independent deflate stream with the same parameters,
// and deflate's output does not depend on how its input is cut).
//
// Memory stays bounded whatever the folder holds: each worker streams its file through fixed
// buffers and hands its output on in chunks; chunks of files the writer has not reached yet wait
// within a byte budget (the worker of the file being written never waits), each chunk holding
// just its bytes, and a chunk is freed as soon as it is written.
#include "ziparchive/ZipAddBudget.h"
#include "ziparchive/ZipArchive.h"
#include "ziparchive/ZipArchiveUtil.h"

#include "platform/FileFaults.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <unistd.h>

using zipdetail::TrimTrailingSlashes;

namespace {

// Output handed from a worker to the writer in chunks of this size.
constexpr std::size_t kChunk = 256u << 10;
// Source bytes read at a time.
constexpr std::size_t kInput = 128u << 10;
// Output of the file being written that the writer has not taken yet, and output of the files
// after it, at most: together the archive's budget.
constexpr std::uint64_t kWritingBudget = 4u << 20;
constexpr std::uint64_t kWaitingBudget = CZipArchive::kAddFilesBudget - kWritingBudget;

} // namespace

// One file's way from its worker to the writer.
struct CZipArchive::ParallelSlot {
    std::deque<std::vector<std::uint8_t>> chunks; // deflated data not yet written
    bool done = false;                            // the worker has finished with the file
    bool ok = false;                              // ... and read all of it
    bool fallback = false;                        // no regular file: the writer adds it itself
    int readError = 0;                            // errno of the read that failed, if one did
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::uint64_t held = 0; // bytes in `chunks`
};

// What the workers and the writer share; every member is guarded by `mutex`.
struct CZipArchive::ParallelAdd {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ParallelSlot> slots;
    std::size_t next = 0; // the next file a worker takes
    zipdetail::CAddFilesBudget budget{kWritingBudget, kWaitingBudget};
    bool stop = false;
};

// One worker: its deflate state, probe and buffers serve every file it takes.
class CZipArchive::ParallelWorker {
public:
    ParallelWorker(ParallelAdd& shared, const std::vector<std::string>& paths, int level)
        : shared_(shared), paths_(paths), level_(level), input_(kInput), out_(kChunk) {}
    ~ParallelWorker() {
        if (ready_)
            deflateEnd(&zs_);
    }
    ParallelWorker(const ParallelWorker&) = delete;
    ParallelWorker& operator=(const ParallelWorker&) = delete;

    void Run() {
        for (;;) {
            {
                std::unique_lock lock(shared_.mutex);
                if (shared_.stop || shared_.next >= shared_.slots.size())
                    return;
                index_ = shared_.next++;
            }
            bool ok = false;
            bool fallback = false;
            try {
                ok = Pack(fallback);
                if (ok && used_ > 0)
                    Publish();
            } catch (...) {
                ok = false;
            }
            {
                std::lock_guard lock(shared_.mutex);
                ParallelSlot& slot = shared_.slots[index_];
                slot.done = true;
                slot.ok = ok;
                slot.fallback = fallback;
                slot.readError = readError_;
                slot.crc = crc_;
                slot.size = size_;
            }
            used_ = 0;
            shared_.changed.notify_all();
        }
    }

private:
    // Streams one file into chunks. False when it cannot be read; `fallback` when it is no
    // regular file (a folder, or gone), which the writer adds or reports the usual way.
    bool Pack(bool& fallback) {
        crc_ = 0;
        size_ = 0;
        used_ = 0;
        readError_ = 0;
        // A source that cannot be opened fails here, with its reason: it is not tried again (a
        // second try may well succeed and hide the failure).
        const int fd = platform::FileStepFails(platform::FileStep::Open, paths_[index_])
                           ? -1
                           : ::open(paths_[index_].c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 && errno != ENOENT) {
            readError_ = errno;
            return false;
        }
        struct stat st {};
        if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            fallback = true;
            return false;
        }
        bool ok = false;
        try {
            ok = Stream(fd, static_cast<std::uint64_t>(st.st_size));
        } catch (...) {
            ::close(fd);
            throw;
        }
        ::close(fd);
        return ok;
    }

    bool Stream(int fd, std::uint64_t size) {
        // As AddFile decides for the same file: stored blocks when deflate cannot shrink it.
        const bool flat =
            level_ != 0 &&
            probe_.CannotShrink(
                size, level_, [fd](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
                    std::size_t done = 0;
                    while (done < length) {
                        const ssize_t n =
                            ::pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
                        if (n < 0 && errno == EINTR)
                            continue;
                        if (n <= 0)
                            return false;
                        done += static_cast<std::size_t>(n);
                    }
                    return true;
                });
        const bool deflating = level_ != 0 && !flat;
        if (flat)
            blocks_.Reset();
        if (deflating && !PrepareDeflate())
            return false;
        const zipdeflate::CStoredBlocks::Output append = [this](const std::uint8_t* b, std::size_t n) {
            Append(b, n);
        };
        uLong crc = crc32(0L, Z_NULL, 0);
        for (;;) {
            const long n = platform::ReadFileChunk(fd, input_.data(), input_.size(), paths_[index_]);
            if (n < 0) {
                readError_ = errno;
                return false;
            }
            if (n == 0)
                break;
            const auto got = static_cast<std::size_t>(n);
            crc = crc32(crc, input_.data(), static_cast<uInt>(got));
            size_ += got;
            if (deflating) {
                if (!Deflate(input_.data(), got, Z_NO_FLUSH))
                    return false;
            } else if (flat) {
                blocks_.Write(input_.data(), got, append);
            } else {
                Append(input_.data(), got);
            }
        }
        crc_ = static_cast<std::uint32_t>(crc);
        if (deflating)
            return Deflate(nullptr, 0, Z_FINISH);
        if (flat)
            blocks_.Finish(append);
        return true;
    }

    bool PrepareDeflate() {
        if (!ready_) {
            if (zipdeflate::Init(zs_, level_) != Z_OK)
                return false;
            ready_ = true;
            return true;
        }
        return deflateReset(&zs_) == Z_OK;
    }

    // Deflates into the output buffer, handing it on whenever it is full.
    bool Deflate(const std::uint8_t* data, std::size_t length, int flush) {
        zs_.next_in = const_cast<Bytef*>(data);
        zs_.avail_in = static_cast<uInt>(length);
        for (;;) {
            zs_.next_out = out_.data() + used_;
            zs_.avail_out = static_cast<uInt>(kChunk - used_);
            const int err = deflate(&zs_, flush);
            used_ = kChunk - zs_.avail_out;
            if (err == Z_STREAM_END)
                return true;
            if (err != Z_OK && err != Z_BUF_ERROR)
                return false;
            if (used_ == kChunk)
                Publish();
            else if (zs_.avail_in == 0 && flush == Z_NO_FLUSH)
                return true;
        }
    }

    void Append(const std::uint8_t* data, std::size_t length) {
        while (length > 0) {
            const std::size_t n = std::min(length, kChunk - used_);
            std::memcpy(out_.data() + used_, data, n);
            used_ += n;
            data += n;
            length -= n;
            if (used_ == kChunk)
                Publish();
        }
    }

    // Hands the output on to the writer once there is room: the file being written may hold
    // a few chunks, the files after it share the rest of the budget.
    void Publish() {
        {
            std::unique_lock lock(shared_.mutex);
            const ParallelSlot& slot = shared_.slots[index_];
            shared_.changed.wait(
                lock, [&] { return shared_.stop || shared_.budget.Fits(index_, slot.held, used_); });
            if (shared_.stop)
                throw std::runtime_error("stopped");
            PublishLocked(shared_.slots[index_]);
        }
        shared_.changed.notify_all();
    }

    // A copy of just the bytes: the output buffer stays with the worker.
    void PublishLocked(ParallelSlot& slot) {
        shared_.budget.Handed(index_, used_);
        slot.held += used_;
        slot.chunks.emplace_back(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(used_));
        used_ = 0;
    }

    ParallelAdd& shared_;
    const std::vector<std::string>& paths_;
    const int level_;
    std::size_t index_ = 0;
    std::vector<std::uint8_t> input_;
    std::vector<std::uint8_t> out_;
    std::size_t used_ = 0; // bytes in out_
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    int readError_ = 0;
    z_stream zs_{};
    bool ready_ = false;
    zipdeflate::CShrinkProbe probe_;
    zipdeflate::CStoredBlocks blocks_;
};

bool CZipArchive::AddFiles(const std::vector<std::string>& paths, int level, bool fullPath, int threads) {
    if (IsClosed(false))
        return false;
    m_szFailedSource.clear();
    const std::size_t count = paths.size();
    threads = std::min<int>(threads, static_cast<int>(std::min<std::size_t>(count, 64)));
    if (threads <= 1 || !m_pszPassword.empty() || m_storage.IsSpanned() != 0) {
        for (const std::string& path : paths) {
            m_szFailedSource = path;
            if (!AddFile(path, level, fullPath))
                return false;
        }
        m_szFailedSource.clear();
        return true;
    }

    ParallelAdd shared;
    shared.slots.resize(count);
    std::vector<std::thread> workers;
    auto finish = [&] {
        {
            std::lock_guard lock(shared.mutex);
            shared.stop = true;
        }
        shared.changed.notify_all();
        for (std::thread& t : workers)
            t.join();
        workers.clear();
    };

    bool ok = true;
    try {
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&shared, &paths, level] {
                ParallelWorker worker(shared, paths, level);
                worker.Run();
            });
        for (std::size_t i = 0; i < count && ok; ++i) {
            m_szFailedSource = paths[i];
            ok = WriteStreamedFile(shared, paths[i], fullPath, level, i);
            {
                std::lock_guard lock(shared.mutex);
                // The next file's chunks are no longer waiting: the writer takes them now.
                shared.budget.Next(i + 1 < count ? shared.slots[i + 1].held : 0);
            }
            shared.changed.notify_all();
        }
    } catch (...) {
        finish();
        m_uAddFilesPeak = shared.budget.Peak();
        throw;
    }
    finish();
    m_uAddFilesPeak = shared.budget.Peak();
    if (ok)
        m_szFailedSource.clear();
    return ok;
}

bool CZipArchive::WriteStreamedFile(ParallelAdd& shared, const std::string& path, bool fullPath, int level,
                                    std::size_t index) {
    ParallelSlot& slot = shared.slots[index];
    auto waitForData = [&] {
        std::unique_lock lock(shared.mutex);
        shared.changed.wait(lock, [&] { return slot.done || !slot.chunks.empty(); });
    };
    waitForData();
    bool fallback;
    bool failedEarly;
    int readError;
    {
        std::lock_guard lock(shared.mutex);
        fallback = slot.done && slot.fallback && slot.chunks.empty();
        failedEarly = slot.done && !slot.ok && slot.chunks.empty();
        readError = slot.readError;
    }
    // No regular file: AddFile adds it (a folder) or says why not.
    if (fallback)
        return AddFile(path, level, fullPath);
    // Failed before any output: the file is not read a second time (that read may well succeed
    // and hide the failure); the adding fails as AddFile fails at that read.
    if (failedEarly)
        return FailStreamedFile(path, readError);

    const std::string trimmed = TrimTrailingSlashes(path);
    std::string name;
    struct stat st {};
    if (!PrepareAdd(trimmed, fullPath, name, st) || !S_ISREG(st.st_mode))
        return false;
    CZipEntryHeader header;
    header.SetFileName(name);
    if (!OpenNewEntryFrom(header, level, &st, entryRaw))
        return false;
    std::uint64_t written = 0;
    for (;;) {
        waitForData();
        std::vector<std::uint8_t> chunk;
        bool done;
        {
            std::lock_guard lock(shared.mutex);
            done = slot.done && slot.chunks.empty();
            if (!done) {
                chunk = std::move(slot.chunks.front());
                slot.chunks.pop_front();
                slot.held -= chunk.size();
                shared.budget.Taken(chunk.size());
            }
        }
        // The worker of this file may be waiting for room.
        shared.changed.notify_all();
        if (done)
            break;
        m_storage.Write(chunk.data(), chunk.size(), false);
        written += chunk.size();
    }
    bool ok;
    {
        std::lock_guard lock(shared.mutex);
        ok = slot.ok;
        readError = slot.readError;
        m_info.m_uCrc32 = slot.crc;
        m_info.m_uUncomprTotal = slot.size;
    }
    if (!ok) {
        // The file failed part way: its entry is taken back, as AddFile leaves none.
        m_centralDir.DropNewEntry();
        m_iFileOpened = stateIdle;
        m_bRawEntry = false;
        return FailStreamedFile(path, readError);
    }
    m_info.m_uComprTotal = written;
    return CloseNewEntry();
}

bool CZipArchive::FailStreamedFile(const std::string& path, int readError) {
    // The reason AddFile gives for the same read.
    if (readError != 0)
        throw CZipFileException(TrimTrailingSlashes(path), "read", readError);
    return false;
}
