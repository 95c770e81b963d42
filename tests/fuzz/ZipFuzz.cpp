// Zip archives as they arrive from the unit: opened read only, every entry read and the small
// ones extracted into a scratch folder, then a small archive extracted whole on two threads.
#include "FuzzSupport.h"

#include "ziparchive/ZipArchive.h"
#include "ziparchive/ZipException.h"

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzsupport::InstallQuietPrompt();
    const fs::path archive = fuzzsupport::Scratch() / "input.zip";
    const fs::path target = fuzzsupport::Scratch() / "extracted";
    fuzzsupport::WriteFile(archive, data, size);
    std::error_code ec;
    fs::remove_all(target, ec);
    fs::create_directories(target);

    CZipArchive zip;
    try {
        if (!zip.Open(archive.string(), CZipArchive::zipOpenReadOnly))
            return 0;
        const int count = std::min(zip.GetEntryCount(), 64);
        std::vector<char> buffer(16384);
        for (int i = 0; i < count; ++i) {
            CZipEntryHeader header;
            if (!zip.GetEntryInfo(i, header))
                continue;
            try {
                if (zip.OpenEntry(i)) {
                    // Read at most 1 MB of each entry whatever it declares.
                    std::size_t total = 0;
                    while (total < (1u << 20)) {
                        const std::size_t got = zip.ReadFromEntry(buffer.data(), buffer.size());
                        if (got == 0)
                            break;
                        total += got;
                    }
                    zip.CloseExtractedFile({}, true);
                }
                if (header.m_uUncomprSize <= (1u << 20))
                    zip.ExtractFile(i, target.string());
            } catch (const std::exception&) {
                zip.CloseExtractedFile({}, true);
            }
        }
        // The whole archive at once on two threads, when what it declares is small.
        std::uint64_t declared = 0;
        for (int i = 0; i < zip.GetEntryCount(); ++i) {
            CZipEntryHeader header;
            if (zip.GetEntryInfo(i, header))
                declared += header.m_uUncomprSize;
        }
        if (zip.GetEntryCount() <= 64 && declared <= (4u << 20)) {
            fs::remove_all(target, ec);
            fs::create_directories(target);
            zip.SetExtractBytesPerThread(0);
            zip.ExtractFiles(target.string(), 2);
        }
        zip.Close();
    } catch (const std::exception&) {
        zip.Close(true);
    }
    fs::remove_all(target, ec);
    return 0;
}
