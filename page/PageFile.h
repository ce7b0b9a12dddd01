// Page images in and out: the one loader and the one saver every image
// command uses.  Every failure is a RuntimeFailure naming the file:
//   "<file>: cannot load image[: <why>]"
//   "<file>: unsupported image depth <n> bits"
//   "<file>: cannot write image: <why>"
#pragma once

#include "util/Report.h"

#include <cstdint>
#include <string>

class ZULImage;

namespace tavo {

// The page as stored: 1, 8 or 24 bits per pixel.
ZULImage loadPage(const std::u16string& path, Report& report);

// The page's 24-bit colour working copy (1-bit and 8-bit pages converted).
ZULImage loadWorkingPage(const std::u16string& path, Report& report);

// The page in grey, 8-bit, as ZULImageConverter makes it from the page as
// stored (1-bit: 0 and 255; 8-bit as stored; 24-bit weighted), binaryState
// unknown; a colour JPEG is converted as it is decoded.  The same failures
// as loadPage.
ZULImage loadGreyPage(const std::u16string& path, Report& report);

// A page's grey pixels kept in a file between the steps of the page job
// (-cache FILE), so that the scan is decoded once: the file holds the grey
// page of loadGreyPage under a digest of the page file's bytes and is taken
// only for exactly that page.  A page stored in 1 bit is never kept (it is
// cheaper to decode than the file is to read).
class GreyCache {
public:
    // An empty file name: no cache, every call decodes or does nothing.
    GreyCache(std::u16string file, std::u16string page);

    // The grey page: from the file when it holds this page, else decoded.
    ZULImage load(Report& report);
    // The page's width and height from the file when it holds this page.
    bool size(int& width, int& height);
    // Writes the file from the page as loaded by loadPage (any depth) or
    // load(), unless it already holds this page or the page is bilevel; a
    // command calls it once its own outputs are written.  A file that is
    // there but is no grey page of any scan (the scan itself or an output
    // named by mistake) is never replaced.  Never fails: a file that cannot
    // be written is left out and the next step decodes the page.
    void keep(const ZULImage& page);

private:
    std::uint64_t digest();

    std::string file_, page_;
    std::u16string path_;
    std::uint64_t digest_ = 0;
    bool digested_ = false;
    bool held_ = false;     // the file holds this page
    bool bilevel_ = false;  // load() decoded a 1-bit page
};

// Writes the page in the format its extension names.
void savePage(const ZULImage& page, const std::u16string& path, Report& report);

}  // namespace tavo
