#include "Dispatcher.h"

#include "BinarizeCommands.h"
#include "DirectionEdits.h"
#include "FinishingPass.h"
#include "Merge.h"
#include "Metadata.h"
#include "NoiseFilter.h"
#include "PageCheck.h"
#include "PageDocument.h"
#include "ReviewIndex.h"
#include "ReviewPage.h"
#include "Paw.h"
#include "RenderZones.h"
#include "Replace.h"
#include "Report.h"
#include "ShrinkRefine.h"
#include "SoloPaw.h"
#include "SplitWord.h"
#include "Strings.h"
#include "Verify.h"
#include "WordClasses.h"
#include "WordFix.h"
#include "Words.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <optional>
#include <string_view>

namespace tavo {

namespace {

constexpr const char* kTempFile = "temp.xml";

const char* const kUsage =
    "usage: tavoalign SWITCH OPERANDS...\n"
    "\n"
    "Line and word alignment (write temp.xml, then the output XML):\n"
    "  -paw        page input.xml output.xml\n"
    "  -word       page input.xml output.xml\n"
    "  -solopaw    page input.xml output.xml\n"
    "  -updatepaw  page input.xml output.xml\n"
    "  -segword    page input.xml output.xml\n"
    "  -splitword  page input.xml output.xml [-readorderRL|-readorderLR]\n"
    "  -shrink     page input.xml output.xml\n"
    "  -refine     page input.xml output.xml\n"
    "Ground truth:\n"
    "  -textline   page output.xml [n]\n"
    "  -merge      text.txt input.xml output.xml\n"
    "  -meta       input.xml output.xml\n"
    "  -verify     words.xml source.txt\n"
    "Review:\n"
    "  -check      page words.xml output.xml [lines.xml]\n"
    "  -review     page words.xml review.html [lines.xml]\n"
    "  -reviewindex batchfolder index.html\n"
    "Transcription edits:\n"
    "  -filter     input.txt output.txt\n"
    "  -fix        wordfolder/DDD-WWW-PPPPP-ZZZZ... pagefolder\n"
    "  -replace    input.xml output.xml\n"
    "  -punc       wordfolder\n"
    "  -digi       wordfolder\n"
    "  -reverse    input.txt output.txt\n"
    "  -indic      input.xml output.xml\n"
    "  -shift      input.xml output.xml columns rows\n"
    "Page images:\n"
    "  -bin        input output [threshold]\n"
    "  -niblack    input output [threshold]\n"
    "  -keepline   input output\n"
    "  -render     page input.xml output-image\n"
    "\n"
    "Exit status: 0 done, 1 start-up failure, 255 argument error,\n"
    "2 runtime failure (nothing written), 3 done but zones left unchanged.\n";

// The commands that write temp.xml and leave the finishing pass to the
// dispatcher; their arguments are checked before anything runs.
bool isCheckedCommand(std::u16string_view sw)
{
    return sw == u"-paw" || sw == u"-word" || sw == u"-solopaw" || sw == u"-updatepaw" ||
           sw == u"-segword" || sw == u"-splitword";
}

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

// Returns -1 with the message printed when the checks fail, else 0.
int checkTempFileArguments(const std::vector<std::u16string>& args)
{
    if (args.size() < 5) {
        std::cout << "not enough arguments" << std::flush;
        return kExitArgumentError;
    }
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

struct Command {
    std::u16string_view name;
    size_t minArgs;     // argument count including program path and switch
    bool usesTempFile;  // finishing pass from temp.xml to argument 4
    std::function<void(const std::vector<std::u16string>&, Report&)> run;
};

const std::vector<Command>& commandTable()
{
    static const std::vector<Command> table = {
        {u"-paw", 5, true, [](const auto& a, Report& r) { runPaw(a[2], a[3], toWide(kTempFile), r); }},
        {u"-word", 5, true, [](const auto& a, Report& r) { runWord(a[2], a[3], toWide(kTempFile), r); }},
        {u"-solopaw", 5, true,
         [](const auto& a, Report& r) { runSoloPaw(a[2], a[3], toWide(kTempFile), r); }},
        {u"-updatepaw", 5, true,
         [](const auto& a, Report& r) { runUpdatePaw(a[2], a[3], toWide(kTempFile), r); }},
        {u"-segword", 5, true,
         [](const auto& a, Report& r) { runSegWord(a[2], a[3], toWide(kTempFile), r); }},
        {u"-splitword", 5, true,
         [](const auto& a, Report& r) {
             const ReadingMode mode =
                 a.size() > 5 ? readingModeFromSwitch(a[5]) : ReadingMode::Unnumbered;
             runSplitWord(a[2], a[3], toWide(kTempFile), mode, r);
         }},
        {u"-meta", 4, false, [](const auto& a, Report& r) { runMeta(a[2], a[3], r); }},
        {u"-merge", 5, false, [](const auto& a, Report& r) { runMerge(a[2], a[3], a[4], r); }},
        {u"-filter", 4, false,
         [](const auto& a, Report& r) {
             const FilterResult result = runFilter(a[2], a[3], r);
             r.print(utf8FromWide(a[2]) + " : ");
             r.printLine(std::to_string(result.linesWritten));
             r.printLine(result.noiseFound ? "Noisy characters cleaned" : "Found no noise");
         }},
        {u"-bin", 4, false,
         [](const auto& a, Report& r) {
             runBin(static_cast<int>(a.size()), a[2], a[3], a.size() > 4 ? a[4] : std::u16string(), r);
         }},
        {u"-niblack", 4, false,
         [](const auto& a, Report& r) {
             runNiblack(static_cast<int>(a.size()), a[2], a[3], a.size() > 4 ? a[4] : std::u16string(), r);
         }},
        {u"-keepline", 4, false,
         [](const auto& a, Report& r) { runKeepline(static_cast<int>(a.size()), a[2], a[3], r); }},
        {u"-shrink", 5, true,
         [](const auto& a, Report& r) { runShrink(a[2], a[3], toWide(kTempFile), r); }},
        {u"-refine", 5, true,
         [](const auto& a, Report& r) { runRefine(a[2], a[3], toWide(kTempFile), r); }},
        {u"-textline", 4, false,
         [](const auto& a, Report& r) {
             if (a.size() == 4)
                 writePageDocument(a[2], a[3], 0, r);
             else if (a.size() == 5)
                 writePageDocument(a[2], a[3], parseInt(toNarrow(a[4])), r);
         }},
        {u"-render", 5, false, [](const auto& a, Report& r) { runRender(a[2], a[3], a[4], r); }},
        {u"-indic", 4, false, [](const auto& a, Report& r) { runIndic(a[2], a[3], r); }},
        {u"-shift", 6, false,
         [](const auto& a, Report& r) {
             runShift(a[2], parseInt(toNarrow(a[4])), parseInt(toNarrow(a[5])), a[3], r);
         }},
        {u"-reverse", 4, false, [](const auto& a, Report& r) { runReverse(a[2], a[3], r); }},
        {u"-fix", 4, false, [](const auto& a, Report& r) { runFix(a[2], a[3], r); }},
        {u"-replace", 4, false,
         [](const auto& a, Report& r) { runReplace(a[2], a[3], replacementListPath(a[0]), r); }},
        {u"-punc", 3, false, [](const auto& a, Report& r) { runPunc(a[2], r); }},
        {u"-digi", 3, false, [](const auto& a, Report& r) { runDigi(a[2], r); }},
        {u"-verify", 4, false,
         [](const auto& a, Report& r) {
             runVerify(a[2], a[3], r);
             r.printLine("-1");
         }},
        {u"-check", 5, false,
         [](const auto& a, Report& r) { runCheck(a[2], a[3], a[4], a.size() > 5 ? a[5] : std::u16string(), r); }},
        {u"-review", 5, false,
         [](const auto& a, Report& r) { runReview(a[2], a[3], a[4], a.size() > 5 ? a[5] : std::u16string(), r); }},
        {u"-reviewindex", 4, false, [](const auto& a, Report& r) { runReviewIndex(a[2], a[3], r); }},
    };
    return table;
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
        std::cout << kUsage << std::flush;
        return kExitOk;
    }
    if (sw == u"--version") {
        std::cout << "tavoalign " << TAVO_VERSION << std::endl;
        return kExitOk;
    }
    if (isCheckedCommand(sw)) {
        if (int status = checkTempFileArguments(args); status != kExitOk)
            return status;
    }

    for (const Command& command : commandTable()) {
        if (command.name != sw)
            continue;
        if (sw == u"-verify" && args.size() < command.minArgs) {
            std::cout << "usage: -verify words.xml source.txt" << std::flush;
            return kExitOk;
        }
        if (args.size() < command.minArgs) {
            std::cout << "not enough arguments" << std::flush;
            return kExitArgumentError;
        }
        if (sw == u"-fix" && !isWordFileName(args[2])) {
            std::cout << "invalid word file name: " << utf8FromWide(args[2]) << std::endl;
            return kExitArgumentError;
        }
        Report report(toNarrow(sw));
        std::optional<WorkingFolderLock> lock;
        if (command.usesTempFile)
            lock.emplace();
        try {
            command.run(args, report);
            if (command.usesTempFile)
                finishPass(toWide(kTempFile), args[4]);
        } catch (const std::exception& error) {
            // RuntimeFailure, ZULException, bad_alloc: the command stopped.
            std::cout << report.out() << std::flush;
            printErrors(report);
            std::cerr << "tavoalign: " << report.command() << ": " << error.what() << std::endl;
            return kExitRuntimeFailure;
        }
        std::cout << report.out() << std::flush;
        printErrors(report);
        return report.hasUnchangedZones() || report.hasDoubtfulZones() ? kExitZonesUnchanged : kExitOk;
    }
    return kExitOk;  // unknown switch
}

}  // namespace tavo
