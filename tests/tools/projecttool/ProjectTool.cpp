// Drives the project document from the command line for tests and scripts:
//   projecttool resave MAINFILE OUTROOT VERSION
//       opens the project of a main configuration file and saves it as that version below OUTROOT
//       (OUTROOT/<project name>/ProjectV<version>/).
// Every message-box text is printed on standard output (questions are answered Yes). The exit
// code is 0 on success, 1 when opening failed, 2 when saving failed and 64 for a wrong command line.
#include "projectmodel/ConfigDoc.h"
#include "projectmodel/ProjectContext.h"

#include "platform/Prompt.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace projectmodel;
namespace fs = std::filesystem;

namespace {

class PrintingPrompt : public platform::IPrompt {
public:
    platform::Answer Message(const std::string& text, const std::string&, platform::Icon,
                             platform::Buttons buttons) override {
        std::printf("%s\n", text.c_str());
        std::fflush(stdout);
        switch (buttons) {
        case platform::Buttons::YesNo:
        case platform::Buttons::YesNoCancel:
            return platform::Answer::Yes;
        case platform::Buttons::RetryCancel:
            return platform::Answer::Cancel;
        case platform::Buttons::AbortRetryIgnore:
            return platform::Answer::Ignore;
        default:
            return platform::Answer::Ok;
        }
    }
};

// The shell of a tool run: administrator, and the version given on the command line.
class ToolShell : public IProjectShell {
public:
    std::string version;
    bool AskSaveVersion(const fs::path&, std::string& text) override {
        text = version;
        return true;
    }
};

using Verb = std::function<int(const std::vector<std::string>&)>;

int Resave(const std::vector<std::string>& args) {
    const fs::path mainFile = fs::absolute(args[0]);
    const fs::path outRoot = fs::absolute(args[1]);
    ToolShell shell;
    shell.version = args[2];
    CProjectContext& context = CProjectContext::Instance();
    context.SetShell(&shell);

    CConfigDoc doc;
    doc.MakeCurrent();
    if (!doc.OpenProject(mainFile))
        return 1;
    std::error_code ec;
    fs::create_directories(outRoot, ec);
    context.SetProjectsFolder(outRoot);
    const int saved = doc.SaveProject(false);
    context.SetShell(nullptr);
    return saved ? 0 : 2;
}

struct VerbInfo {
    std::size_t arguments;
    const char* usage;
    Verb run;
};

const std::map<std::string, VerbInfo>& Verbs() {
    static const std::map<std::string, VerbInfo> verbs = {
        {"resave", {3, "resave MAINFILE OUTROOT VERSION", Resave}},
    };
    return verbs;
}

int Usage() {
    std::fprintf(stderr, "usage:\n");
    for (const auto& [name, info] : Verbs())
        std::fprintf(stderr, "  projecttool %s\n", info.usage);
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return Usage();
    const auto verb = Verbs().find(argv[1]);
    std::vector<std::string> args(argv + 2, argv + argc);
    if (verb == Verbs().end() || args.size() != verb->second.arguments)
        return Usage();
    PrintingPrompt prompt;
    platform::SetPrompt(&prompt);
    const int rc = verb->second.run(args);
    platform::SetPrompt(nullptr);
    return rc;
}
