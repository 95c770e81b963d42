// Writes what an SCD import produced, for comparing two builds on the same file:
//   points_scd_dump FILE.scd LIBDIR OUT.txt
// imports FILE into an empty project whose library folder is LIBDIR (the cache file lands in
// LIBDIR/UserDefine) and writes the IED list and every point of every IED to OUT.txt.
#include "points/SCDImport.h"
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/InfoModel.h"
#include "projectmodel/ProjectContext.h"

#include "platform/Prompt.h"
#include "platform/scl/SCLService.h"

#include <cstdio>
#include <fstream>

using namespace projectmodel;

namespace {

class PrintingPrompt : public platform::IPrompt {
public:
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return platform::Answer::Ok;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: points_scd_dump FILE.scd LIBDIR OUT.txt\n");
        return 2;
    }
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    CProjectContext::Instance().SetLibraryFolder(argv[2]);
    CConfigDoc doc;
    CSCDImport import;
    // The phases of ImportSCD, with the points written before the device models take them over.
    import.Clear(doc);
    const int loaded = import.LoadSCDFile(doc, argv[1]);
    doc.m_sclService->Clear();
    std::ofstream out(argv[3], std::ios::binary);
    for (const auto& m : doc.m_infoModels) {
        out << "IED\t" << m->m_strName << '\t' << m->m_strDesc << '\t' << m->m_strType << '\t'
            << m->m_strConfigVersion << '\t' << m->m_strManufacturer << '\t' << int(m->m_bRecorder) << '\n';
        for (const auto& p : m->m_allPoints)
            out << p->m_strReference << '\t' << p->m_strLNName << '\t' << p->m_strLNInst << '\t'
                << p->m_strLNClass << '\t' << p->m_strPrefix << '\t' << p->m_strDOName << '\t'
                << p->m_strSDOName << '\t' << p->m_strFC << '\t' << p->m_strCDC << '\t' << p->m_strDAName
                << '\t' << p->m_strDesc << '\t' << p->m_strCtlModel << '\t' << int(p->m_nClass) << '\n';
        for (const auto* list : {&m->m_measurands, &m->m_indications, &m->m_controls, &m->m_others})
            for (const auto& r : *list)
                out << "REF\t" << r->m_strRefText << '\t' << r->m_strDesc << '\t' << r->m_strCategory << '\t'
                    << r->m_nKind << '\n';
    }
    if (loaded)
        import.BuildIEDListFromSCD(doc);
    for (const CDevice& d : doc.m_devices)
        out << "DEV\t" << d.m_nAddress << '\t' << d.m_strModelName << '\t' << d.m_strDescription << '\n';
    platform::SetPrompt(nullptr);
    return out ? 0 : 1;
}
