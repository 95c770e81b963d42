// The project document's SCD file in 其他 and its IED list: reading the list, copying a chosen file
// into the project, and the IED list cache of the SCD import with the bound it carries.
#include "projectmodel/ConfigDoc.h"

#include "projectmodel/FolderHelpers.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"
#include "projectmodel/ScdCacheBound.h"
#include "projectmodel/TextHelpers.h"

#include "platform/Archive.h"
#include "platform/FileFaults.h"
#include "platform/Paths.h"
#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"
#include "platform/scl/XmlDocument.h"
#include "platform/Text.h"
#include "platform/TextFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <set>
#include <unordered_map>

namespace fs = std::filesystem;

namespace projectmodel {

// ---------------------------------------------------------------------------------------------
// The project's SCD file and its IED list.

fs::path CConfigDoc::ScdFolder() const {
    return platform::FindNoCase(LibraryFolder(), "其他");
}

namespace {

CIedRecord IedRecordOf(const platform::scl::CtBase& ied) {
    CIedRecord record;
    record.m_strName = ied.GetAttrValByName("name");
    record.m_strType = ied.GetAttrValByName("type");
    record.m_strUri = ied.GetAttrValByName("rScl:uri");
    return record;
}

// The prefix of an element name ("s" of "s:IED", "" without one).
std::string_view PrefixOf(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string_view() : name.substr(0, colon);
}

// An element of the SCL file's own namespace named `local`: the same prefix as the root ("SCL"
// or "s:SCL"), or a prefix bound to the SCL namespace on the element or the root, so a file whose
// IEDs alone carry such a prefix lists them, and another namespace's "x:IED" is not one.
constexpr std::string_view kSclNamespace = "http://www.iec.ch/61850/2003/SCL";

bool BindsToScl(const platform::scl::CtBase& element, std::string_view prefix) {
    return element && element.GetAttrValByName("xmlns:" + std::string(prefix)) == kSclNamespace;
}

bool IsSclElement(const platform::scl::CtBase& element, const platform::scl::CtBase& root,
                  std::string_view local) {
    const std::string name = element.GetEleName();
    const std::string rootName = root.GetEleName();
    const std::string_view prefix = PrefixOf(name);
    const std::string_view rest =
        prefix.empty() ? std::string_view(name) : std::string_view(name).substr(prefix.size() + 1);
    if (!platform::EqualsNoCase(rest, local))
        return false;
    return prefix == PrefixOf(rootName) ||
           (!prefix.empty() && (BindsToScl(element, prefix) || BindsToScl(root, prefix)));
}

// The IEDs of an SCD file whose root is "SCL", parsed one at a time so that the tree of a file of
// hundreds of MB is never held whole. False when the file must be read whole instead: it does
// not load this way, its root has another name, or another spelling of "IED" lies among the
// root's children (the whole reading then keeps its document order and its messages).
bool ReadIedsOneByOne(const std::string& file, CIedRecordArray& list) {
    platform::CSCLService scl;
    scl.SetRootName({});
    scl.SetStreamedElement("IED");
    scl.SetXmlFileName(file);
    if (!scl.LoadFromXmlFile())
        return false;
    const platform::scl::CtBase root = scl.GetRoot();
    const std::string rootName = root.GetEleName();
    if (!IsSclElement(root, root, "SCL") || rootName.find(':') != rootName.rfind(':'))
        return false;
    for (const platform::scl::CtBase& child : root.GetChildEles())
        if (IsSclElement(child, root, "IED"))
            return false;
    // Only an IED's own attributes are read: what a big one holds is left out of its tree (and
    // still parsed, a run at a time, so that a file is refused as when read whole).
    static const platform::scl::CNameRule nothingBelow([](std::uint8_t, std::string_view) {
        return platform::scl::KeptChild{0, false};
    });
    platform::CSCLService::CPart part;
    std::string error;
    for (int i = 0; i < scl.GetStreamedCount(); ++i) {
        const platform::scl::CtBase ied = scl.ParseStreamed(
            i, part, error, {},
            scl.GetStreamedBytes(i) < platform::scl::kFilteredElementBytes ? nullptr : &nothingBelow);
        if (!ied)
            return false;
        // Another namespace's "x:IED" is not an IED of the list.
        if (!IsSclElement(ied, root, "IED"))
            continue;
        list.Add(IedRecordOf(ied));
    }
    return true;
}

// The IEDs of an SCD file into list; false when no SCL element could be obtained (the XML
// wrapper has told why).
bool ReadIedList(const std::string& file, CIedRecordArray& list) {
    list.RemoveAll();
    if (ReadIedsOneByOne(file, list))
        return true;
    list.RemoveAll();
    platform::CXmlDocument xml;
    if (!xml.Load(file, "xmlRoot"))
        return false;
    platform::CXmlDocument::NodeList roots;
    if (xml.SelectNodes("SCL", roots) != 0 || roots.empty())
        return false;
    for (const platform::scl::CtBase& child : roots.front().GetChildEles())
        if (IsSclElement(child, roots.front(), "IED"))
            list.Add(IedRecordOf(child));
    return true;
}

void TellNoIed(const std::string& file) {
    platform::MessageBox(platform::StrFormat("SCD配置文件(%s)中没有IED！", file.c_str()), "导入失败",
                         platform::Icon::Error, platform::Buttons::Ok);
}

void TellImported() {
    platform::MessageBox("SCD配置文件导入成功！", "导入完成", platform::Icon::Information,
                         platform::Buttons::Ok);
}

// Copies an SCD file piece by piece (it may be hundreds of MB) to a temporary name beside target
// and renames it into place: target is replaced only by a complete copy, and a copy that fails
// leaves it as it was.
bool CopyScdFile(const fs::path& source, const fs::path& target) {
    fs::path temp = target;
    temp += ".part";
    platform::CFileReader in;
    platform::CFileWriter out;
    bool ok =
        !platform::FileStepFails(platform::FileStep::Copy, target) && in.Open(source) == 0 && out.Open(temp);
    std::string chunk(1 << 20, '\0');
    while (ok) {
        const long n = in.Read(chunk.data(), chunk.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        out.Write(std::string_view(chunk.data(), static_cast<std::size_t>(n)));
    }
    ok = out.Close() && ok && platform::RenameFile(temp, target);
    if (!ok)
        platform::RemoveFile(temp);
    return ok;
}

} // namespace

int CConfigDoc::ImportScdFile(const std::string& path) {
    std::string file = path;
    if (file.empty()) {
        int error = 0;
        const fs::path found = FindFileByExtension(ScdFolder(), "scd", &error);
        CUnreadFiles::Note(ScdFolder(), error, true);
        if (found.empty())
            return 0;
        file = found.string();
    }
    if (!ReadIedList(file, m_iedList))
        return 0;
    if (m_iedList.GetSize() == 0) {
        // An empty list is no successful import.
        if (!path.empty())
            TellNoIed(file);
        return 0;
    }
    if (!path.empty())
        TellImported();
    return 1;
}

int CConfigDoc::CopyAndImportScd(const std::string& path) {
    const fs::path folder = ScdFolder();
    const fs::path chosen(path);
    const fs::path target = folder / chosen.filename();
    auto copyFailed = [&] {
        platform::MessageBox(platform::StrFormat("复制SCD文件(%s)失败！", path.c_str()), "导入失败",
                             platform::Icon::Error, platform::Buttons::Ok);
        return 0;
    };
    if (!platform::StatPath(chosen).file)
        return copyFailed();
    // The chosen file is read before anything of the project changes: one that does not parse or
    // names no IED leaves the project's SCD file and its IED list as they were.
    CIedRecordArray list;
    if (!ReadIedList(path, list))
        return 0;
    if (list.GetSize() == 0) {
        TellNoIed(path);
        return 0;
    }
    if (platform::MakeFolders(folder) != 0)
        return copyFailed();
    // The SCD files there now: one that cannot be listed is no empty folder, and the project
    // would keep an old SCD beside the new one.
    // The file chosen from the folder itself leaves no other file there.
    const bool inFolder = platform::EqualsNoCase(chosen.parent_path().lexically_normal().generic_string(),
                                                 folder.lexically_normal().generic_string());
    int listed = 0;
    std::vector<fs::path> old;
    for (const fs::path& file : ListFiles(folder, listed))
        if ((inFolder || platform::EqualsNoCase(file.extension().string(), ".scd")) &&
            !platform::EqualsNoCase(file.filename().string(), chosen.filename().string()))
            old.push_back(file);
    if (listed != 0)
        return TellReadFailed(folder, listed);
    const bool replaces = platform::StatPath(target).exists;
    // Renamed into place before the folder's other SCD files go, so that a failed copy still
    // leaves the old file.
    if (!inFolder && !CopyScdFile(chosen, target))
        return copyFailed();
    for (const fs::path& file : old) {
        if (platform::RemoveFile(file))
            continue;
        // The old SCD stays the project's one: the new copy goes again.
        if (!inFolder && !replaces)
            platform::RemoveFile(target);
        platform::MessageBox(platform::StrFormat("删除SCD文件(%s)失败！", file.string().c_str()), "导入失败",
                             platform::Icon::Error, platform::Buttons::Ok);
        return 0;
    }
    m_iedList = std::move(list);
    TellImported();
    return 1;
}

int CConfigDoc::ImportSCD(const std::string& path) {
    CProjectContext& context = CProjectContext::Instance();
    const int result = context.ScdImport().ImportSCD(*this, path);
    if (Views())
        Views()->FillDeviceList();
    return result;
}

namespace {

// Tells once per run of the program that a cache file (by its path, size and time) was refused;
// the project loads without its models until the next import writes it again.
void TellRefusedCache(const fs::path& file, const char* why) {
    static std::set<std::string> told;
    // The time is learned past the seam: it only tells one refused file from its next version.
    std::error_code ec;
    const auto size = platform::StatPath(file).size;
    const auto time = fs::last_write_time(file, ec).time_since_epoch().count();
    if (!told.insert(file.string() + "\n" + std::to_string(size) + "\n" + std::to_string(time)).second)
        return;
    platform::MessageBox(platform::StrFormat("SCD导入的装置模型缓存文件%s%s，其中的装置模型未载入，"
                                             "重新导入SCD文件可重建该文件。",
                                             file.string().c_str(), why),
                         "提示", platform::Icon::Warning);
}

} // namespace

int CConfigDoc::LoadIEDListFromSCD() {
    const fs::path file = platform::JoinPath(LibraryFolder(), "UserDefine\\IEDListFromSCD.dat");
    // The cache is read within what an import may write under the walk's ceilings, whether or not
    // it carries the trailer; a trailer must record exactly the bytes before it.
    // The cache only speeds up the library: an import rebuilds it from the SCD file, and nothing
    // but an import writes it. One that is there but cannot be read is told all the same, and
    // counted as an unread library file, so that the project is not saved without its models.
    const platform::PathStat stat = platform::StatPath(file);
    if (stat.Failed()) {
        CUnreadFiles::Note(file, stat.error, true);
        return 0;
    }
    if (!stat.exists)
        return 0; // no cache, silently
    const std::uintmax_t fileBytes = stat.size;
    constexpr const char* kDamaged = "已损坏";
    CScdCacheBound bound;
    bound.cacheBytes = fileBytes;
    if (fileBytes >= 5 + CScdCacheBound::kTrailerBytes) {
        platform::CFileReader in;
        std::string tail(CScdCacheBound::kTrailerBytes, '\0');
        long got = -1;
        if (in.Open(file) == 0 && in.Seek(fileBytes - tail.size()))
            got = in.Read(tail.data(), tail.size());
        if (got < 0) {
            CUnreadFiles::Note(file, in.Error() != 0 ? in.Error() : EIO, true);
            return 0;
        }
        if (static_cast<std::size_t>(got) != tail.size()) {
            // Cut short since it was looked at.
            TellRefusedCache(file, kDamaged);
            return 0;
        }
        if (CScdCacheBound::FromTrailer(tail, bound) &&
            bound.cacheBytes + CScdCacheBound::kTrailerBytes != fileBytes) {
            TellRefusedCache(file, kDamaged);
            return 0;
        }
    }
    constexpr const char* kBeyond = "超出了SCD导入所能产生的内容";
    if (fileBytes > bound.MaxFileBytes()) {
        TellRefusedCache(file, kBeyond);
        return 0;
    }
    // Read a piece at a time: the models are held, never the file's bytes as well.
    platform::CFileReader in;
    if (const int failed = in.Open(file); failed != 0) {
        CUnreadFiles::Note(file, failed, true);
        return 0;
    }
    platform::CArchive ar{std::string()};
    ar.SetSource([&in](std::string& into) -> std::size_t {
        constexpr std::size_t kPiece = std::size_t{1} << 20;
        const std::size_t had = into.size();
        into.resize(had + kPiece);
        const long got = in.Read(into.data() + had, kPiece);
        into.resize(had + static_cast<std::size_t>(got > 0 ? got : 0));
        return static_cast<std::size_t>(got > 0 ? got : 0);
    });
    std::vector<CDeviceTemplate> models;
    try {
        ar.Skip(1);
        const std::uint32_t count = ar.ReadU32();
        if (count > bound.MaxModels()) {
            TellRefusedCache(file, kBeyond);
            return 0;
        }
        std::uint64_t entries = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            CDeviceTemplate tpl;
            tpl.Serialize(ar);
            if (ar.Position() > bound.cacheBytes)
                throw platform::CArchiveException("the models run into the trailer");
            std::uint64_t own = 0;
            for (const CInfoGroup& g : tpl.m_groups)
                own += static_cast<std::uint64_t>(g.m_entries.GetSize());
            entries += own;
            if (own > CScdCacheBound::MaxModelEntries() ||
                entries > CScdCacheBound::MaxEntries(i + std::uint64_t{1})) {
                TellRefusedCache(file, kBeyond);
                return 0;
            }
            models.push_back(std::move(tpl));
        }
        if (ar.Position() != bound.cacheBytes)
            throw platform::CArchiveException("bytes after the models");
    } catch (const platform::CArchiveException&) {
        // A piece that could not be read is told as such; a damaged cache changes nothing, the
        // next import writes it again.
        if (in.Error() != 0)
            CUnreadFiles::Note(file, in.Error(), true);
        else
            TellRefusedCache(file, kDamaged);
        return 0;
    }
    // Library entries by lower-cased name (the first of a name), so that thousands of cached
    // models merge in linear time.
    std::unordered_map<std::string, int> byName;
    for (int i = 0; i < m_deviceModels.GetSize(); ++i)
        byName.emplace(platform::ToLowerAscii(m_deviceModels[i].m_strName), i);
    for (CDeviceTemplate& tpl : models) {
        std::string key = platform::ToLowerAscii(tpl.m_strName);
        if (auto it = byName.find(key); it != byName.end())
            m_deviceModels[it->second] = std::move(tpl);
        else
            byName.emplace(std::move(key), m_deviceModels.Add(std::move(tpl)));
    }
    return 1;
}

} // namespace projectmodel
