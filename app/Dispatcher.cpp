#include "app/Dispatcher.h"

#include "align/Align.h"
#include "groundtruth/GroundTruth.h"
#include "interchange/Interchange.h"
#include "lines/LinesCommand.h"
#include "page/Page.h"
#include "review/PageCheck.h"
#include "review/ReviewIndex.h"
#include "review/ReviewPage.h"
#include "server/ServeCommand.h"
#include "textline/TextLine.h"
#include "transcript/Transcript.h"
#include "util/Util.h"
#include "words/WordsCommand.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <string_view>
#include <utility>

namespace tavo {

namespace {

constexpr const char* kTempFile = "temp.xml";

// Start-up check of the process environment.  On this platform it cannot
// fail; the failure branch is kept for the message and status it defines.
bool initialiseFramework()
{
    return static_cast<bool>(std::cout);
}

bool canOpenForReading(const std::u16string& name)
{
    std::FILE* f = std::fopen(utf8FromWide(name).c_str(), "rb");
    if (!f)
        return false;
    std::fclose(f);
    return true;
}

// The page and the input exist and the input is not the output; -1 with the
// message printed when a check fails, else 0.
int checkPageAndInput(const std::vector<std::u16string>& args)
{
    if (args[3] == args[4]) {
        std::cout << "input xml but be different from output xml" << std::flush;
        return kExitArgumentError;
    }
    for (int i : {2, 3}) {
        if (!canOpenForReading(args[i])) {
            std::cout << "file does not exist:" << utf8FromWide(args[i]) << std::endl;
            return kExitArgumentError;
        }
    }
    return kExitOk;
}

// Runs in one working folder share "temp.xml".  While a temporary-file
// command runs, from its start until the finishing pass has written the
// output, it holds an exclusive lock on the working folder, so concurrent
// runs in one folder take turns instead of mixing their files.
class WorkingFolderLock {
public:
    WorkingFolderLock() : fd_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (fd_ >= 0)
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~WorkingFolderLock()
    {
        if (fd_ >= 0)
            close(fd_);  // closing the descriptor releases the lock
    }
    WorkingFolderLock(const WorkingFolderLock&) = delete;
    WorkingFolderLock& operator=(const WorkingFolderLock&) = delete;

private:
    int fd_;
};

// Whether an option switch stands among the arguments from position first on.
bool hasOption(const std::vector<std::u16string>& args, size_t first, std::u16string_view option)
{
    for (size_t i = first; i < args.size(); ++i)
        if (args[i] == option)
            return true;
    return false;
}

// The value after an option from position first on ("" when absent).
std::u16string optionValue(const std::vector<std::u16string>& args, size_t first, std::u16string_view option)
{
    for (size_t i = first; i + 1 < args.size(); ++i)
        if (args[i] == option)
            return args[i + 1];
    return {};
}

using Arguments = std::vector<std::u16string>;

// The options -topage and -toalto share: -image NAME, -linezones lines.xml.
PageXmlOptions exportOptions(const Arguments& args)
{
    PageXmlOptions options;
    options.imageName = utf8FromWide(optionValue(args, 5, u"-image"));
    options.linesFile = optionValue(args, 5, u"-linezones");
    options.cacheFile = optionValue(args, 5, u"-cache");
    return options;
}

// The groups of --help, in the order it lists them.
enum class Group { Alignment, GroundTruth, Review, Edits, Images, Interchange };

constexpr std::pair<Group, const char*> kGroupTitles[] = {
    {Group::Alignment, "Line and word alignment (write temp.xml, then the output XML):"},
    {Group::GroundTruth, "Ground truth:"},
    {Group::Review, "Review:"},
    {Group::Edits, "Transcription edits:"},
    {Group::Images, "Page images:"},
    {Group::Interchange, "Interchange:"},
};

// One row per command: everything the dispatcher and --help know of it.
struct Command {
    std::u16string_view name;  // the switch
    const char* operands;      // as --help shows them
    Group group;
    size_t minArgs;  // argument count including program path and switch
    // Printed with status 0 instead of "not enough arguments" when set.
    const char* shortUsage;
    // Further checks before anything runs: kExitOk, or the status to end
    // with after printing why.
    int (*check)(const Arguments&);
    bool usesTempFile;  // writes temp.xml; the finishing pass writes argument 4
    std::function<void(const Arguments&, Report&)> run;
};

int checkWordFileName(const Arguments& args)
{
    if (isWordFileName(args[2]))
        return kExitOk;
    std::cout << "invalid word file name: " << utf8FromWide(args[2]) << std::endl;
    return kExitArgumentError;
}

std::u16string tempFile() { return toWide(kTempFile); }

std::u16string optionalOperand(const Arguments& a, size_t i) { return a.size() > i ? a[i] : std::u16string(); }

// -serve FOLDER [--port N]: the port, 0 (any free port) when not given; -1
// when the options are not one --port with a number from 0 to 65535.
int servePort(const Arguments& a)
{
    if (a.size() == 3)
        return 0;
    if (a.size() != 5 || a[3] != u"--port")
        return -1;
    const std::string text = toNarrow(a[4]);
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int port = parseInt(text);
    return port <= 65535 ? port : -1;
}

int checkServeOptions(const Arguments& a)
{
    if (servePort(a) >= 0)
        return kExitOk;
    std::cout << "usage: -serve folder [--port N] (N from 0 to 65535)" << std::endl;
    return kExitArgumentError;
}

// -check and -review: the optional lines file at position 5 and the option
// -scores FILE after the operands.
std::u16string linesOperand(const Arguments& a)
{
    return a.size() > 5 && a[5] != u"-scores" && a[5] != u"-cache" ? a[5] : std::u16string();
}
std::u16string scoresOption(const Arguments& a) { return optionValue(a, 5, u"-scores"); }

// -cache FILE after the operands of -lines, -words, -check, -topage and
// -toalto: the page job's grey page (GreyCache, page/PageFile.h).
std::u16string cacheOption(const Arguments& a) { return optionValue(a, 5, u"-cache"); }

// -words: the first argument after the operands, -cache FILE aside, is the
// reading order switch; none (or anything else) numbers nothing.
ReadingMode wordsReadingMode(const Arguments& a)
{
    size_t i = 5;
    while (i < a.size() && a[i] == u"-cache")
        i += 2;
    return i < a.size() ? readingModeFromSwitch(a[i]) : ReadingMode::Unnumbered;
}

// kExitOk when -cache, if given, has its file; otherwise prints the usage.
int checkCacheOption(const Arguments& a, const char* operands)
{
    if (!hasOption(a, 5, u"-cache") || !cacheOption(a).empty())
        return kExitOk;
    std::cout << "usage: " << utf8FromWide(a[1]) << " " << operands << std::endl;
    return kExitArgumentError;
}

int checkScoresOption(const Arguments& a)
{
    if (!hasOption(a, 5, u"-scores") || !scoresOption(a).empty())
        return kExitOk;
    std::cout << "usage: " << utf8FromWide(a[1]) << " page words.xml output [lines.xml] [-scores FILE]" << std::endl;
    return kExitArgumentError;
}

constexpr const char* kLinesOperands = "page text.txt output.xml [-cache FILE]";
constexpr const char* kWordsOperands = "page lines.xml words.xml [-readorderRL|-readorderLR] [-cache FILE]";
constexpr const char* kCheckOperands = "page words.xml output.xml [lines.xml] [-scores FILE] [-cache FILE]";
constexpr const char* kToPageOperands =
    "page zones.xml output.xml [-2013] [-wordsLR] [-image NAME] [-linezones lines.xml] [-cache FILE]";
constexpr const char* kToAltoOperands =
    "page zones.xml output.xml [-alto42] [-image NAME] [-linezones lines.xml] [-cache FILE]";

const std::vector<Command>& commandTable()
{
    using G = Group;
    constexpr auto checked = checkPageAndInput;
    static const std::vector<Command> table = {
        {u"-paw", "page input.xml output.xml", G::Alignment, 5, nullptr, checked, true,
         [](const auto& a, Report& r) { runPaw(a[2], a[3], tempFile(), r); }},
        {u"-word", "page input.xml output.xml", G::Alignment, 5, nullptr, checked, true,
         [](const auto& a, Report& r) { runWord(a[2], a[3], tempFile(), r); }},
        {u"-solopaw", "page input.xml output.xml", G::Alignment, 5, nullptr, checked, true,
         [](const auto& a, Report& r) { runSoloPaw(a[2], a[3], tempFile(), r); }},
        {u"-updatepaw", "page input.xml output.xml", G::Alignment, 5, nullptr, checked, true,
         [](const auto& a, Report& r) { runUpdatePaw(a[2], a[3], tempFile(), r); }},
        {u"-segword", "page input.xml output.xml", G::Alignment, 5, nullptr, checked, true,
         [](const auto& a, Report& r) { runSegWord(a[2], a[3], tempFile(), r); }},
        {u"-splitword", "page input.xml output.xml [-readorderRL|-readorderLR]", G::Alignment, 5, nullptr,
         checked, true,
         [](const auto& a, Report& r) {
             const ReadingMode mode = a.size() > 5 ? readingModeFromSwitch(a[5]) : ReadingMode::Unnumbered;
             runSplitWord(a[2], a[3], tempFile(), mode, r);
         }},
        {u"-shrink", "page input.xml output.xml", G::Alignment, 5, nullptr, nullptr, true,
         [](const auto& a, Report& r) { runShrink(a[2], a[3], tempFile(), r); }},
        {u"-refine", "page input.xml output.xml", G::Alignment, 5, nullptr, nullptr, true,
         [](const auto& a, Report& r) { runRefine(a[2], a[3], tempFile(), r); }},
        {u"-textline", "page output.xml [n]", G::GroundTruth, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) {
             if (a.size() == 4)
                 writePageDocument(a[2], a[3], 0, r);
             else if (a.size() == 5)
                 writePageDocument(a[2], a[3], parseInt(toNarrow(a[4])), r);
         }},
        {u"-merge", "text.txt input.xml output.xml", G::GroundTruth, 5, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runMerge(a[2], a[3], a[4], r); }},
        {u"-lines", kLinesOperands, G::GroundTruth, 5, nullptr,
         [](const Arguments& a) { return checkCacheOption(a, kLinesOperands); }, false,
         [](const auto& a, Report& r) { runLines(a[2], a[3], a[4], r, cacheOption(a)); }},
        {u"-words", kWordsOperands, G::GroundTruth, 5, nullptr,
         [](const Arguments& a) { return checkCacheOption(a, kWordsOperands); }, false,
         [](const auto& a, Report& r) {
             runWords(a[2], a[3], a[4], wordsReadingMode(a), r, cacheOption(a));
         }},
        {u"-meta", "input.xml output.xml", G::GroundTruth, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runMeta(a[2], a[3], r); }},
        {u"-verify", "words.xml source.txt", G::GroundTruth, 4, "usage: -verify words.xml source.txt", nullptr,
         false, [](const auto& a, Report& r) { runVerifyCommand(a[2], a[3], r); }},
        {u"-filter", "input.txt output.txt", G::Edits, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runFilterCommand(a[2], a[3], r); }},
        {u"-fix", "wordfolder/DDD-WWW-PPPPP-ZZZZ... pagefolder", G::Edits, 4, nullptr, checkWordFileName, false,
         [](const auto& a, Report& r) { runFix(a[2], a[3], r); }},
        {u"-replace", "input.xml output.xml", G::Edits, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runReplace(a[2], a[3], replacementListPath(a[0]), r); }},
        {u"-punc", "wordfolder", G::Edits, 3, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runPunc(a[2], r); }},
        {u"-digi", "wordfolder", G::Edits, 3, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runDigi(a[2], r); }},
        {u"-reverse", "input.txt output.txt", G::Edits, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runReverse(a[2], a[3], r); }},
        {u"-indic", "input.xml output.xml", G::Edits, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runIndic(a[2], a[3], r); }},
        {u"-shift", "input.xml output.xml columns rows", G::Edits, 6, nullptr, nullptr, false,
         [](const auto& a, Report& r) {
             runShift(a[2], parseInt(toNarrow(a[4])), parseInt(toNarrow(a[5])), a[3], r);
         }},
        {u"-bin", "input output [threshold]", G::Images, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) {
             runBin(static_cast<int>(a.size()), a[2], a[3], optionalOperand(a, 4), r);
         }},
        {u"-niblack", "input output [threshold]", G::Images, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) {
             runNiblack(static_cast<int>(a.size()), a[2], a[3], optionalOperand(a, 4), r);
         }},
        {u"-keepline", "input output", G::Images, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runKeepline(static_cast<int>(a.size()), a[2], a[3], r); }},
        {u"-render", "page input.xml output-image", G::Images, 5, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runRender(a[2], a[3], a[4], r); }},
        {u"-topage", kToPageOperands, G::Interchange, 5, nullptr,
         [](const Arguments& a) { return checkCacheOption(a, kToPageOperands); }, false,
         [](const auto& a, Report& r) {
             PageXmlOptions options = exportOptions(a);
             options.schema2013 = hasOption(a, 5, u"-2013");
             options.wordsLeftToRight = hasOption(a, 5, u"-wordsLR");
             runToPage(a[2], a[3], a[4], options, r);
         }},
        {u"-toalto", kToAltoOperands, G::Interchange, 5, nullptr,
         [](const Arguments& a) { return checkCacheOption(a, kToAltoOperands); }, false,
         [](const auto& a, Report& r) { runToAlto(a[2], a[3], a[4], hasOption(a, 5, u"-alto42"), exportOptions(a), r); }},
        {u"-pairs", "page zones.xml outfolder [-words] [-all]", G::Interchange, 5, nullptr, nullptr, false,
         [](const auto& a, Report& r) {
             runPairs(a[2], a[3], a[4], hasOption(a, 5, u"-words"), hasOption(a, 5, u"-all"), r);
         }},
        {u"-import", "page-or-alto.xml output.xml", G::Interchange, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runImport(a[2], a[3], r); }},
        {u"-validate", "file.xml", G::Interchange, 3, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runValidate(a[2], r); }},
        {u"-check", kCheckOperands, G::Review, 5, nullptr,
         [](const Arguments& a) {
             const int status = checkScoresOption(a);
             return status != kExitOk ? status : checkCacheOption(a, kCheckOperands);
         },
         false,
         [](const auto& a, Report& r) {
             runCheck(a[2], a[3], a[4], linesOperand(a), r, scoresOption(a), cacheOption(a));
         }},
        {u"-review", "page words.xml review.html [lines.xml] [-scores FILE]", G::Review, 5, nullptr,
         checkScoresOption, false,
         [](const auto& a, Report& r) { runReview(a[2], a[3], a[4], linesOperand(a), r, scoresOption(a)); }},
        {u"-reviewindex", "batchfolder index.html", G::Review, 4, nullptr, nullptr, false,
         [](const auto& a, Report& r) { runReviewIndex(a[2], a[3], r); }},
        {u"-serve", "folder [--port N]", G::Review, 3, nullptr, checkServeOptions, false,
         [](const auto& a, Report& r) {
             // A server runs until stopped: its address and each save are
             // printed as they happen, not when it ends.
             ServeOptions options;
             options.port = servePort(a);
             options.say = [](const std::string& line) { std::cout << line << std::endl; };
             runServe(a[2], options, r);
         }},
    };
    return table;
}

// --help: each group's rows under its title, the switch in a column twelve
// characters wide.
std::string usageText()
{
    std::string text = "usage: tavoalign SWITCH OPERANDS...\n\n";
    for (const auto& [group, title] : kGroupTitles) {
        text += std::string(title) + '\n';
        for (const Command& command : commandTable()) {
            if (command.group != group)
                continue;
            std::string name = toNarrow(command.name);
            name.resize(std::max<size_t>(name.size() + 1, 12), ' ');
            text += "  " + name + command.operands + '\n';
        }
    }
    return text + "\nExit status: 0 done, 1 start-up failure, 255 argument error,\n"
                  "2 runtime failure (nothing written), 3 done but zones left unchanged or in doubt.\n";
}

const Command* findCommand(std::u16string_view sw)
{
    for (const Command& command : commandTable())
        if (command.name == sw)
            return &command;
    return nullptr;
}

void printErrors(const Report& report)
{
    for (const std::string& line : report.errors())
        std::cerr << "tavoalign: " << line << '\n';
    std::cerr << std::flush;
}

}  // namespace

int dispatch(const std::vector<std::u16string>& args)
{
    if (!initialiseFramework()) {
        std::wprintf(L"Fatal Error: MFC initialization failed\n");
        return kExitFramework;
    }
    if (args.size() < 2)
        return kExitOk;

    const std::u16string& sw = args[1];
    if (sw == u"--help") {
        std::cout << usageText() << std::flush;
        return kExitOk;
    }
    if (sw == u"--version") {
        std::cout << "tavoalign " << TAVO_VERSION << std::endl;
        return kExitOk;
    }
    const Command* command = findCommand(sw);
    if (!command)
        return kExitOk;  // unknown switch
    if (args.size() < command->minArgs) {
        std::cout << (command->shortUsage ? command->shortUsage : "not enough arguments") << std::flush;
        return command->shortUsage ? kExitOk : kExitArgumentError;
    }
    if (command->check) {
        if (int status = command->check(args); status != kExitOk)
            return status;
    }

    Report report(toNarrow(sw));
    std::optional<WorkingFolderLock> lock;
    if (command->usesTempFile)
        lock.emplace();
    try {
        command->run(args, report);
        if (command->usesTempFile)
            finishPass(tempFile(), args[4]);
    } catch (const std::exception& error) {
        // RuntimeFailure, ZULException, bad_alloc: the command stopped.
        std::cout << report.out() << std::flush;
        printErrors(report);
        std::cerr << "tavoalign: " << report.command() << ": " << error.what() << std::endl;
        return kExitRuntimeFailure;
    }
    std::cout << report.out() << std::flush;
    printErrors(report);
    return report.hasUnchangedZones() ? kExitZonesUnchanged : kExitOk;
}

}  // namespace tavo
