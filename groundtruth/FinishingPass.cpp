#include "groundtruth/FinishingPass.h"

#include "util/TextFile.h"

namespace tavo {

// Lines go straight from reader to writer: the writer's temporary file is
// only renamed into place once every line is written, so the output may even
// be the temporary file itself.
void finishPass(const std::u16string& tempName, const std::u16string& outName)
{
    CTextFileRead in(tempName);
    CTextFileWrite out(outName, kUtf8);
    std::u16string line;
    while (in.readLine(line)) {
        out.writeText(line);
        out.writeEndLine();
    }
    out.close();
}

}  // namespace tavo
