// The element filter against the parse of the whole element: an IED parsed with a keep rule and
// without one is accepted or refused alike, with the same error, and the reader's view of the two
// trees (the elements the rule keeps and the paths to them, their names and attributes, the text
// of what is kept whole) is the same, for generated IEDs, broken ones and big padding.
#include "platform/scl/ElementFilter.h"
#include "platform/Gbk.h"
#include "platform/scl/SclScan.h"
#include "platform/scl/SCLService.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using platform::CSCLService;
using platform::scl::CtBase;
using platform::scl::kCheckedRunBytes;
using platform::scl::KeptChild;
using platform::scl::LeaveOutUnread;
using testsupport::TempDir;

namespace {

constexpr std::size_t npos = std::string_view::npos;

// A rule of the shape the import reads an IED with: below the IED only data-set members and the
// access points are read; below an access point every member and device is searched for; a
// device's nodes, a node's instances and an instance's values are read, and a value whole.
enum State : std::uint8_t { Ied, Outside, Search, Device, Node, Instance, Whole };

KeptChild TestRule(std::uint8_t parent, std::string_view name) {
    const auto kept = [](State s) { return KeptChild{s, true}; };
    if (parent == Whole)
        return kept(Whole);
    if (parent == Ied || parent == Outside) {
        if (name == "FCDA")
            return kept(Outside);
        if (parent == Ied && name == "AccessPoint")
            return kept(Search);
        return {Outside, false};
    }
    if (name == "FCDA")
        return kept(Search);
    if (name == "LDevice")
        return kept(Device);
    if (parent == Device && (name == "LN" || name == "LN0"))
        return kept(Node);
    if (parent == Node && name == "DOI")
        return kept(Instance);
    if (parent == Instance && name == "SDI")
        return kept(Instance);
    if (parent == Instance && name == "Val")
        return kept(Whole);
    return {Search, false};
}

// One line of the reader's view: an element's depth, name as written, a few attributes and, kept
// whole, its text.
std::string Line(const CtBase& e, std::uint8_t state, int depth) {
    static const char* const kAttrs[] = {"name", "inst", "a", "b", "desc"};
    std::string line = std::to_string(depth) + " " + e.GetEleName();
    for (const char* attr : kAttrs)
        line += " " + std::string(attr) + "=[" + e.GetAttrValByName(attr) + "]";
    if (state == Whole)
        line += " text=[" + e.GetValue() + "]";
    return line;
}

// Appends the view below e, in state at depth: the line of each element the rule keeps, or that
// holds one at any depth, in document order.
void ViewBelow(const CtBase& e, std::uint8_t state, int depth, std::vector<std::string>& out) {
    for (const CtBase& child : e.GetChildEles()) {
        const KeptChild k = TestRule(state, platform::scl::scan::LocalName(child.GetEleName()));
        const std::size_t at = out.size();
        out.emplace_back();
        ViewBelow(child, k.state, depth + 1, out);
        if (k.kept || out.size() > at + 1)
            out[at] = Line(child, k.state, depth + 1);
        else
            out.resize(at);
    }
}

// One parse of a streamed element: accepted or not, the error, the view, and how many bytes the
// parser was given (fewer with the rule when the filter left something out).
struct Parsed {
    bool ok = false;
    std::string error;
    std::vector<std::string> view;
    std::size_t bytes = 0;
    std::size_t elements = 0; // in the parsed tree
};

std::size_t CountElements(const CtBase& e) {
    std::size_t count = 1;
    for (const CtBase& child : e.GetChildEles())
        count += CountElements(child);
    return count;
}

Parsed Parse(const CSCLService& service, int index, platform::scl::KeepRule keep) {
    Parsed p;
    CSCLService::CPart part;
    const std::function<bool(std::string_view)> seen = [&](std::string_view bytes) {
        p.bytes = bytes.size();
        return true;
    };
    const platform::scl::CNameRule rule(keep);
    const CtBase ied = service.ParseStreamed(index, part, p.error, seen, keep ? &rule : nullptr);
    p.ok = static_cast<bool>(ied);
    if (ied) {
        p.view.push_back(Line(ied, Ied, 0));
        ViewBelow(ied, Ied, 0, p.view);
        p.elements = CountElements(ied);
    }
    return p;
}

// Generated IEDs: the names the rule keeps and others (prefixed ones, look-alikes), attribute
// values in both quotes holding markup characters and the other quote, references, text,
// comments, CDATA sections, processing instructions, empty and nested elements.
class IedGenerator {
public:
    IedGenerator(std::uint32_t seed, bool gbk) : rng_(seed), gbk_(gbk) {}

    int Pick(int n) { return n > 1 ? std::uniform_int_distribution<int>(0, n - 1)(rng_) : 0; }

    std::string Ied(int k) {
        budget_ = 600 + Pick(3000);
        const std::string name = Pick(8) == 0 ? "scl:IED" : "IED";
        std::string s = "<" + name + " name=\"I" + std::to_string(k) + "\"" + Attrs() + Blank() + ">";
        const int items = 1 + Pick(6);
        for (int i = 0; i < items; ++i)
            s += Item(name, 1);
        s += "</" + name + ">";
        return s;
    }

    // Changes a few bytes between the IED's start tag and its end tag.
    std::string Mutate(std::string s) {
        static const char* const kInserts[] = {"<",
                                               "&",
                                               "<!DOCTYPE x>",
                                               "<?xml version=\"1.0\"?>",
                                               "</LN>",
                                               "</FCDA>",
                                               "</Zz>",
                                               "<!-- open",
                                               "<![CDATA[ open",
                                               "<?pi open",
                                               "<x a=1/>",
                                               "<LN/ >",
                                               "<Val>",
                                               "<!x>",
                                               "<? x?>",
                                               "\"",
                                               "'",
                                               ">",
                                               "/",
                                               "<FCDA a='m'/>",
                                               "</AccessPoint>",
                                               "<LDevice>",
                                               "<!-->",
                                               "<!--->",
                                               "]]>",
                                               "-->"};
        const std::size_t from = s.find('>') + 1;
        const int changes = 1 + Pick(2);
        for (int c = 0; c < changes; ++c) {
            const std::size_t to = s.rfind("</"); // the IED's end tag
            const std::size_t at = from + static_cast<std::size_t>(Pick(static_cast<int>(to - from) + 1));
            const std::size_t len = std::min<std::size_t>(1 + static_cast<std::size_t>(Pick(8)), to - at);
            switch (Pick(5)) {
            case 0:
                s.erase(at, len);
                break;
            case 1:
                s.insert(at, s.substr(at, len));
                break;
            case 2:
                s.insert(at, 1, Pick(12) == 0 ? '\0' : "<>&\"'/=! \n-?]"[Pick(13)]);
                break;
            default:
                s.insert(at, kInserts[Pick(sizeof kInserts / sizeof *kInserts)]);
                break;
            }
        }
        return s;
    }

private:
    std::string Blank() {
        static const char* const kBlanks[] = {"", "", " ", "\n", "\t ", "\r\n"};
        return kBlanks[Pick(6)];
    }

    std::string Chinese() { return gbk_ ? platform::ToGbk("主变间隔") : std::string("主变间隔"); }

    std::string AttrValue(char quote) {
        static const char* const kPieces[] = {"x",    ">",     "<",        "/",      "/>",     "&amp;",
                                              "&lt;", "&#65;", "&#x4E2D;", "&quot;", "&apos;", " ",
                                              "a b",  "<LN/>", "-->",      "]]>",    "?>",     "="};
        std::string v;
        const int pieces = Pick(4);
        for (int i = 0; i < pieces; ++i) {
            const int k = Pick(21);
            if (k < 18)
                v += kPieces[k];
            else if (k == 18)
                v += quote == '"' ? '\'' : '"';
            else
                v += Chinese();
        }
        return v;
    }

    std::string Attrs() {
        static const char* const kNames[] = {"name", "inst", "a", "b", "desc", "c", "scl:b"};
        std::string s;
        const int count = Pick(4);
        for (int i = 0; i < count; ++i) {
            const char quote = Pick(2) ? '"' : '\'';
            s += (Pick(4) ? " " : "\n\t") + std::string(kNames[Pick(7)]) + (Pick(5) ? "=" : " = ") + quote +
                 AttrValue(quote) + quote;
        }
        return s;
    }

    std::string Text() {
        static const char* const kPieces[] = {"abc",      " ",         "\n", "&amp;", "&lt;x&gt;", "&#20108;",
                                              "&#x4E00;", ">",         "]]", "'",     "\"",        "/",
                                              "a=b",      "&unknown;", "& ", "-->",   "?>",        "  7.5 "};
        std::string s;
        const int pieces = 1 + Pick(3);
        for (int i = 0; i < pieces; ++i) {
            const int k = Pick(19);
            s += k < 18 ? std::string(kPieces[k]) : Chinese();
        }
        return s;
    }

    std::string Misc() {
        static const char* const kMisc[] = {"<!-- c -->",
                                            "<!---->",
                                            "<!-->-->",
                                            "<!--->-->",
                                            "<!--> <FCDA a='c'/> </LN> -->",
                                            "<!---> </X> <LDevice> -->",
                                            "<!-- <LN inst='c'/> </IED> -->",
                                            "<![CDATA[<FCDA a='1'/> ]] > ]]>",
                                            "<![CDATA[]]>",
                                            "<?pi <LN/> ?>",
                                            "<?xml-stylesheet href='x'?>",
                                            "<?x?>"};
        return kMisc[Pick(sizeof kMisc / sizeof *kMisc)];
    }

    // A name: mostly the one the reader looks for below parent, else any from the pool.
    std::string Name(const std::string& parent) {
        static const char* const kPool[] = {"AccessPoint",   "LDevice",     "LN",     "LN0",      "DOI",
                                            "SDI",           "Val",         "FCDA",   "DAI",      "Private",
                                            "DataSet",       "Services",    "X",      "FCDAx",    "xFCDA",
                                            "fcda",          "LNx",         "Vals",   "scl:FCDA", "scl:LN",
                                            "a:AccessPoint", "scl:LDevice", "Server", "a.b-c_d"};
        std::string_view local = platform::scl::scan::LocalName(parent);
        if (Pick(5) < 3) {
            if (local == "IED")
                return Pick(3) ? "AccessPoint" : "FCDA";
            if (local == "AccessPoint")
                return Pick(2) ? "Server" : "LDevice";
            if (local == "Server")
                return "LDevice";
            if (local == "LDevice")
                return Pick(3) ? "LN" : "LN0";
            if (local == "LN" || local == "LN0")
                return Pick(3) ? "DOI" : "DataSet";
            if (local == "DataSet")
                return "FCDA";
            if (local == "DOI" || local == "SDI")
                return Pick(2) ? "Val" : "SDI";
        }
        return kPool[Pick(sizeof kPool / sizeof *kPool)];
    }

    std::string Item(const std::string& parent, int depth) {
        const int k = Pick(10);
        if (k < 5 && budget_ > 0 && depth < 14)
            return Element(parent, depth);
        if (k < 8)
            return Text();
        return Misc();
    }

    std::string Element(const std::string& parent, int depth) {
        const std::string name = Name(parent);
        std::string s = "<" + name + Attrs() + Blank();
        budget_ -= static_cast<int>(s.size()) + 8;
        if (Pick(4) == 0 || budget_ <= 0)
            return s + "/>";
        s += ">";
        const int items = Pick(5);
        for (int i = 0; i < items; ++i)
            s += Item(name, depth + 1);
        return s + "</" + name + (Pick(6) ? "" : " ") + ">";
    }

    std::mt19937 rng_;
    bool gbk_;
    int budget_ = 0;
};

// A file holding the IEDs between other children of the root, loaded with its IEDs streamed. The
// file is written plainly (thousands of them are written), in a folder that outlives the station.
struct Station {
    Station(const std::filesystem::path& file, const std::vector<std::string>& ieds, bool gbk) {
        std::string text = gbk ? "<?xml version=\"1.0\" encoding=\"GBK\"?>\n" : "<?xml version=\"1.0\"?>\n";
        text += "<SCL xmlns:scl=\"u\">\n<Header id=\"h\"/>\n";
        for (const std::string& ied : ieds)
            text += ied + "\n";
        text += "<DataTypeTemplates/>\n</SCL>\n";
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        service.SetXmlFileName(file.string());
        service.SetStreamedElement("IED");
        service.SetThreads(1);
        loaded = service.LoadFromXmlFile() == 1;
    }
    CSCLService service;
    bool loaded = false;
};

struct Tally {
    int accepted = 0, refused = 0, filtered = 0;
};

// Parses every streamed IED of the station with the rule and without, and compares.
void CompareStation(const Station& s, Tally& tally, const std::string& what) {
    for (int i = 0; i < s.service.GetStreamedCount(); ++i) {
        const Parsed whole = Parse(s.service, i, nullptr);
        const Parsed kept = Parse(s.service, i, &TestRule);
        ASSERT_EQ(kept.ok, whole.ok) << what << " IED " << i << "\nwhole: " << whole.error
                                     << "\nwith the rule: " << kept.error;
        if (!whole.ok) {
            ASSERT_EQ(kept.error, whole.error) << what << " IED " << i;
            ++tally.refused;
            continue;
        }
        ASSERT_EQ(kept.view, whole.view) << what << " IED " << i;
        ++tally.accepted;
        if (kept.bytes < whole.bytes)
            ++tally.filtered;
    }
}

void RunDifferential(std::uint32_t seed, bool gbk, int files, Tally& tally) {
    IedGenerator gen(seed, gbk);
    const TempDir dir;
    const std::filesystem::path file = dir / "s.scd";
    for (int f = 0; f < files; ++f) {
        std::vector<std::string> ieds;
        const int count = 4 + gen.Pick(5);
        for (int k = 0; k < count; ++k) {
            std::string ied = gen.Ied(k);
            if (gen.Pick(3) == 0)
                ied = gen.Mutate(ied);
            ieds.push_back(ied);
        }
        const std::string what = "seed " + std::to_string(seed) + " file " + std::to_string(f);
        Station station(file, ieds, gbk);
        if (station.loaded) {
            CompareStation(station, tally, what);
            continue;
        }
        // A change that broke the file's structure: each IED in a file of its own, so that the
        // others are compared still.
        for (std::size_t k = 0; k < ieds.size(); ++k) {
            Station alone(file, {ieds[k]}, gbk);
            if (alone.loaded)
                CompareStation(alone, tally, what + " alone " + std::to_string(k));
        }
    }
}

} // namespace

// Thousands of generated IEDs, a third of them with bytes changed: parsed with the rule and
// without, each is accepted or refused alike, with the same error text, and the reader's view
// is the same. The tallies show that both roads were taken and that the filter left out bytes.
TEST(ElementFilter, GeneratedIedsParseAsWholeWithTheRule) {
    Tally tally;
    for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
        RunDifferential(seed, false, 100, tally);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(tally.accepted, 1200);
    EXPECT_GT(tally.refused, 150);
    EXPECT_GT(tally.filtered, tally.accepted / 2);
}

// A file declared GBK is parsed without expanding references, its texts converted when read.
TEST(ElementFilter, GeneratedGbkIedsParseAsWholeWithTheRule) {
    Tally tally;
    for (const std::uint32_t seed : {11u, 12u}) {
        RunDifferential(seed, true, 70, tally);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(tally.accepted, 350);
    EXPECT_GT(tally.refused, 50);
    EXPECT_GT(tally.filtered, tally.accepted / 2);
}

namespace {

// Padding of several levels, each bigger than a checked run: a level holds runs of empty
// elements around the next level. bad, when given, is put in the middle of the deepest level.
std::string Padding(int levels, const std::string& bad) {
    std::string run;
    for (std::size_t k = 0; run.size() <= kCheckedRunBytes + (16 << 10); ++k) {
        run += "<q a=\"" + std::to_string(k) + "\"/><r><s b='>'/></r>t &amp;\n";
        // Now and then a comment and a section (a search past them costs the whole rest of the
        // element in a sanitizer build).
        if (k % 64 == 0)
            run += "<r><!-- </r> --></r><![CDATA[<q>]]>\n";
    }
    std::string inner = run + bad + run;
    for (int level = levels; level > 0; --level) {
        const std::string name = "P" + std::to_string(level);
        inner =
            "<" + name + " n=\"" + std::to_string(level) + "\">\n" + run + inner + run + "</" + name + ">\n";
    }
    return inner;
}

std::string PaddedIed(const std::string& padding) {
    return "<IED name=\"Big\"><AccessPoint name=\"AP\"><LDevice inst=\"L\"><LN inst=\"1\"><Private>" +
           padding +
           "</Private><DOI name=\"Pos\"><Val>on</Val></DOI></LN></LDevice><FCDA "
           "a=\"1\"/></AccessPoint></IED>";
}

} // namespace

// An unread element holding 1.5 MB of nested padding: with the rule the padding is not in the
// tree and the view is that of the whole; a malformed tag or a wrong end tag deep inside it
// refuses the IED with the whole parse's error, line and column.
TEST(ElementFilter, BigPaddingIsLeftOutAndStillChecked) {
    const TempDir dir;
    const std::string padding = Padding(6, "");
    ASSERT_GT(padding.size(), std::size_t{1} << 20);
    {
        Station s(dir / "s.scd", {PaddedIed(padding)}, false);
        ASSERT_TRUE(s.loaded) << s.service.GetErrorText();
        ASSERT_EQ(s.service.GetStreamedCount(), 1);
        const Parsed whole = Parse(s.service, 0, nullptr);
        const Parsed kept = Parse(s.service, 0, &TestRule);
        ASSERT_TRUE(whole.ok) << whole.error;
        ASSERT_TRUE(kept.ok) << kept.error;
        EXPECT_EQ(kept.view, whole.view);
        EXPECT_GT(whole.elements, 30000u);
        // The IED, access point, device, node, DOI, Val and FCDA.
        EXPECT_EQ(kept.elements, 7u);
        EXPECT_LT(kept.bytes, 1000u);
    }
    for (const char* bad : {"<x a=1/>", "<y></z>", "<y><z></y></z>", "</r><r>"}) {
        const std::string ied = PaddedIed(Padding(6, bad));
        Station s(dir / "s.scd", {ied}, false);
        ASSERT_TRUE(s.loaded) << bad << ": " << s.service.GetErrorText();
        ASSERT_EQ(s.service.GetStreamedCount(), 1);
        const Parsed whole = Parse(s.service, 0, nullptr);
        const Parsed kept = Parse(s.service, 0, &TestRule);
        ASSERT_FALSE(whole.ok) << bad;
        EXPECT_FALSE(kept.ok) << bad;
        EXPECT_EQ(kept.error, whole.error) << bad;
        // The file's fourth line holds the IED; the error is on the line of the bad tag.
        const std::size_t at = ied.find(bad);
        const int line =
            4 + static_cast<int>(std::count(ied.begin(), ied.begin() + static_cast<long>(at), '\n'));
        EXPECT_NE(whole.error.find("第" + std::to_string(line) + "行"), std::string::npos) << whole.error;
    }
    // Bytes changed anywhere in the padding: accepted or refused alike, with the same view or error.
    IedGenerator gen(31, false);
    int refused = 0;
    for (int k = 0; k < 20; ++k) {
        Station s(dir / "s.scd", {gen.Mutate(PaddedIed(padding))}, false);
        if (!s.loaded)
            continue;
        ASSERT_EQ(s.service.GetStreamedCount(), 1);
        const Parsed whole = Parse(s.service, 0, nullptr);
        const Parsed kept = Parse(s.service, 0, &TestRule);
        ASSERT_EQ(kept.ok, whole.ok) << k << "\nwhole: " << whole.error << "\nwith the rule: " << kept.error;
        EXPECT_EQ(kept.error, whole.error) << k;
        EXPECT_EQ(kept.view, whole.view) << k;
        refused += whole.ok ? 0 : 1;
    }
    EXPECT_GT(refused, 0);
}

namespace {

// LeaveOutUnread on a copy of bytes with a check that records what it is given and accepts it.
struct Filtered {
    explicit Filtered(const std::string& bytes) : buffer(bytes) {
        left = LeaveOutUnread(buffer.data(), buffer.size(), platform::scl::CNameRule(&TestRule),
                              [&](std::string_view run) {
                                  runs.emplace_back(run);
                                  return true;
                              });
    }
    std::string buffer;
    std::size_t left = 0;
    std::vector<std::string> runs;
};

// A start tag followed at once by its end tag.
bool IsTagPair(const std::string& run) {
    if (run.empty() || run[0] != '<')
        return false;
    const std::size_t startEnd = platform::scl::scan::TagEnd(run.data(), run.size(), 0);
    if (startEnd == npos || startEnd + 2 > run.size() || run.compare(startEnd, 2, "</") != 0)
        return false;
    return platform::scl::scan::TagEnd(run.data(), run.size(), startEnd) == run.size();
}

// A single comment, section, instruction or empty element, or text alone.
bool IsOneItem(const std::string& run) {
    if (run.find('<') == npos)
        return true;
    if (run[0] != '<')
        return false;
    std::size_t end = npos;
    if (run.compare(0, 4, "<!--") == 0)
        end = run.find("-->", 4) + 3;
    else if (run.compare(0, 9, "<![CDATA[") == 0)
        end = run.find("]]>", 9) + 3;
    else if (run.compare(0, 2, "<?") == 0)
        end = run.find("?>", 2) + 2;
    else if (run.size() >= 2 && run[run.size() - 2] == '/')
        end = platform::scl::scan::TagEnd(run.data(), run.size(), 0);
    return end == run.size();
}

// Whether small is what is left of big with some bytes taken out, in order.
bool IsSubsequence(std::string_view small, std::string_view big) {
    std::size_t k = 0;
    for (const char c : big)
        if (k < small.size() && small[k] == c)
            ++k;
    return k == small.size();
}

void ExpectAccounted(const std::string& original, const Filtered& f, const std::string& what) {
    ASSERT_NE(f.left, npos) << what;
    std::size_t checked = 0;
    for (const std::string& run : f.runs) {
        checked += run.size();
        EXPECT_TRUE(run.size() <= kCheckedRunBytes || IsTagPair(run) || IsOneItem(run))
            << what << ": a run of " << run.size() << " bytes: " << run.substr(0, 80);
        // A run is bytes of the element as they stand; a big element's tags are checked together.
        if (IsTagPair(run)) {
            const std::size_t endTag = platform::scl::scan::TagEnd(run.data(), run.size(), 0);
            EXPECT_NE(original.find(run.substr(0, endTag)), std::string::npos) << what << ": " << run;
            EXPECT_NE(original.find(run.substr(endTag)), std::string::npos) << what << ": " << run;
        } else {
            EXPECT_NE(original.find(run), std::string::npos) << what << ": " << run.substr(0, 80);
        }
    }
    EXPECT_EQ(checked + f.left, original.size()) << what;
    EXPECT_TRUE(IsSubsequence(std::string_view(f.buffer.data(), f.left), original)) << what;
}

} // namespace

// Every byte left out is handed to the check, in runs no longer than a checked run unless it is
// the start and end tag of a big element, or a single longer comment, empty element or text; a NUL
// byte or a document type anywhere in the element leaves it as it was.
TEST(ElementFilter, LeftOutBytesAreCheckedInBoundedRuns) {
    IedGenerator gen(21, false);
    int filtered = 0;
    for (int k = 0; k < 300; ++k) {
        const std::string ied = gen.Ied(k);
        const Filtered f(ied);
        ExpectAccounted(ied, f, ied);
        if (f.left < ied.size())
            ++filtered;
    }
    EXPECT_GT(filtered, 100);

    const std::string big = PaddedIed(Padding(6, ""));
    const Filtered f(big);
    ExpectAccounted(big, f, "padding");
    EXPECT_GT(f.runs.size(), 5u * 3u);

    // Long text, comments and empty elements among what is left out.
    const std::string text(kCheckedRunBytes + 100, 't');
    const std::string comment = "<!--" + text + "-->";
    const std::string empty = "<e a=\"" + text + "\"/>";
    for (const std::string& between : {text, comment, empty, text + comment, comment + text, empty + text}) {
        const std::string bytes = "<IED><x/>" + between + "<y/><AccessPoint/><z>" + between + "</z></IED>";
        const Filtered g(bytes);
        ExpectAccounted(bytes, g, "long items between elements");
        ASSERT_NE(g.left, npos);
        const std::string_view kept(g.buffer.data(), g.left);
        EXPECT_EQ(kept.find("<z>"), npos);
        EXPECT_NE(kept.find("<AccessPoint/></IED>"), npos);
    }

    const std::string inPadding = PaddedIed(Padding(2, std::string("<q>") + '\0' + "</q>"));
    for (const std::string& bytes :
         {inPadding, PaddedIed(Padding(2, "<!DOCTYPE x>")), std::string("<IED><X>a\0b</X></IED>", 22),
          std::string("<IED><LDevice/><X><!DOCTYPE y []></X></IED>")}) {
        const Filtered n(bytes);
        EXPECT_EQ(n.left, npos);
        EXPECT_TRUE(n.buffer == bytes);
    }
}
