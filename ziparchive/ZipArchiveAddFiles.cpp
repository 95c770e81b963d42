// Adding many files at once: the files are deflated on worker threads while the calling thread
// writes the finished entries in the order given, so the archive has exactly the bytes that
// adding them one by one writes (each entry is an independent deflate stream with the same
// parameters).
#include "ziparchive/ZipArchive.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

// Larger files are deflated by the writing thread as a stream, so that memory stays bounded.
constexpr std::uint64_t kMaxBufferedFile = 16u << 20;
// Source bytes taken by the workers and not yet written out.
constexpr std::uint64_t kMaxPending = 64u << 20;

struct Slot {
    bool buffered = false; // deflated by a worker
    std::uint64_t reserved = 0;
    bool ready = false;
    bool ok = false;
    std::vector<std::uint8_t> data;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
};

// One worker's deflate state, reset between files.
class Deflater {
public:
    ~Deflater() {
        if (ready_)
            deflateEnd(&zs_);
    }
    bool Compress(const std::string& path, int level, Slot& out) {
        std::vector<std::uint8_t> source;
        if (!ReadAll(path, source))
            return false;
        out.crc = static_cast<std::uint32_t>(crc32(0L, source.data(), static_cast<uInt>(source.size())));
        out.size = source.size();
        const bool flat = probe_.CannotShrink(
            source.size(), level, [&](std::uint64_t offset, std::uint8_t* buffer, std::size_t length) {
                std::memcpy(buffer, source.data() + offset, length);
                return true;
            });
        if (flat) {
            // The same stored blocks AddFile writes for such a file.
            out.data.clear();
            out.data.reserve(source.size() + (source.size() / zipdeflate::CStoredBlocks::kBlock + 1) * 5);
            const zipdeflate::CStoredBlocks::Output append = [&out](const std::uint8_t* b, std::size_t n) {
                out.data.insert(out.data.end(), b, b + n);
            };
            blocks_.Reset();
            blocks_.Write(source.data(), source.size(), append);
            blocks_.Finish(append);
            return true;
        }
        if (!ready_) {
            if (zipdeflate::Init(zs_, level) != Z_OK)
                return false;
            ready_ = true;
        } else if (deflateReset(&zs_) != Z_OK) {
            return false;
        }
        out.data.resize(deflateBound(&zs_, static_cast<uLong>(source.size())));
        zs_.next_in = source.data();
        zs_.avail_in = static_cast<uInt>(source.size());
        zs_.next_out = out.data.data();
        zs_.avail_out = static_cast<uInt>(out.data.size());
        if (deflate(&zs_, Z_FINISH) != Z_STREAM_END)
            return false;
        out.data.resize(out.data.size() - zs_.avail_out);
        return true;
    }

private:
    static bool ReadAll(const std::string& path, std::vector<std::uint8_t>& bytes) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat st {};
        bool ok = ::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) <= kMaxBufferedFile;
        if (ok) {
            bytes.resize(static_cast<std::size_t>(st.st_size));
            std::size_t done = 0;
            while (ok) {
                // Read one byte past the size seen, to notice a file that grew meanwhile.
                if (done == bytes.size())
                    bytes.resize(done + 1);
                const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0) {
                    ok = n == 0;
                    break;
                }
                done += static_cast<std::size_t>(n);
                if (done > kMaxBufferedFile)
                    ok = false;
            }
            bytes.resize(done);
        }
        ::close(fd);
        return ok;
    }

    z_stream zs_{};
    bool ready_ = false;
    zipdeflate::CShrinkProbe probe_;
    zipdeflate::CStoredBlocks blocks_;
};

} // namespace

bool CZipArchive::AddFiles(const std::vector<std::string>& paths, int level, bool fullPath, int threads) {
    if (IsClosed(false))
        return false;
    const std::size_t count = paths.size();
    threads = std::min<int>(threads, static_cast<int>(std::min<std::size_t>(count, 64)));
    if (threads <= 1 || level == 0 || !m_pszPassword.empty() || m_storage.IsSpanned() != 0) {
        for (const std::string& path : paths)
            if (!AddFile(path, level, fullPath))
                return false;
        return true;
    }

    std::vector<Slot> slots(count);
    for (std::size_t i = 0; i < count; ++i) {
        struct stat st {};
        if (::stat(paths[i].c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            static_cast<std::uint64_t>(st.st_size) <= kMaxBufferedFile) {
            slots[i].buffered = true;
            slots[i].reserved = static_cast<std::uint64_t>(st.st_size);
        }
    }

    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;    // the next slot a worker takes
    std::size_t writing = 0; // the slot the writer waits for
    std::uint64_t pending = 0;
    bool stop = false;

    auto work = [&] {
        Deflater deflater;
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                for (;;) {
                    while (next < count && !slots[next].buffered)
                        ++next;
                    if (stop || next >= count)
                        return;
                    // The slot the writer needs is always taken; others wait for room.
                    if (next == writing || pending + slots[next].reserved <= kMaxPending)
                        break;
                    changed.wait(lock);
                }
                i = next++;
                pending += slots[i].reserved;
            }
            Slot result;
            const bool ok = deflater.Compress(paths[i], level, result);
            {
                std::lock_guard lock(mutex);
                slots[i].ok = ok;
                slots[i].data = std::move(result.data);
                slots[i].crc = result.crc;
                slots[i].size = result.size;
                slots[i].ready = true;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> workers;
    auto finish = [&] {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (std::thread& t : workers)
            t.join();
        workers.clear();
    };

    bool ok = true;
    try {
        for (int t = 0; t < threads; ++t)
            workers.emplace_back(work);
        for (std::size_t i = 0; i < count && ok; ++i) {
            Slot& slot = slots[i];
            if (slot.buffered) {
                {
                    std::unique_lock lock(mutex);
                    changed.wait(lock, [&] { return slot.ready; });
                }
                // A file the worker could not read goes the usual way, which reports it.
                ok = slot.ok ? AddCompressedFile(paths[i], fullPath, level, slot.data, slot.crc, slot.size)
                             : AddFile(paths[i], level, fullPath);
            } else {
                ok = AddFile(paths[i], level, fullPath);
            }
            {
                std::lock_guard lock(mutex);
                pending -= slot.buffered ? slot.reserved : 0;
                slot.data = {};
                writing = i + 1;
            }
            changed.notify_all();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return ok;
}
