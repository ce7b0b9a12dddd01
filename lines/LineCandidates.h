// Candidate text lines of a page: the page's slant, its line pitch and one
// straight centre line per band of body ink, each with the bodies nearest
// to it.  All in map pixels.
#pragma once

#include <utility>
#include <vector>

#include "lines/PageComponents.h"

namespace tavo {

// A line centre y = centre + slope * (x - pivot) in map pixels.
struct CentreLine {
    double centre = 0;
    double slope = 0;
    double pivot = 0;
    double at(double x) const { return centre + slope * (x - pivot); }
};

struct LineCandidate {
    CentreLine line;
    std::vector<int> bodies;  // indices into PageComponents::components
    int length = 0;           // columns covered by its bodies
    int ink = 0;
    double spread = 0;        // deviation of body centres from the centre line
    int left = 0;
    int right = 0;
};

struct PageLines {
    double pitch = 0;   // line to line, map pixels
    double slant = 0;   // rows per column of the page's lines
    std::vector<LineCandidate> candidates;  // top to bottom
};

// Finds the slant (best-focused projection of the bodies), projects the body
// ink along it, takes the pitch from the profile's autocorrelation and one
// candidate per profile peak, then fits each candidate's centre line to the
// bodies nearest it.
PageLines findLineCandidates(const PageComponents& page, int mapWidth);

// Makes the bodies of a line that lie a wide gap away from its main stretch
// of ink, or beyond a gutter that runs down the page, and hold little ink, a
// candidate of their own (margin notes, page edges, the facing page, print
// beside the page), then measures every candidate.
void separateStrays(const PageComponents& page, PageLines& lines, int mapWidth);

// Gives every body to its nearest line and fits the lines again; lines left
// without a body are dropped, and the length, ink and extent of the others
// are measured.
void assignBodies(const PageComponents& page, std::vector<LineCandidate>& lines);

// A band the profile took for one line cut into the two lines it holds:
// its bodies parted by two means of their heights about its centre line,
// each part fitted and measured (a part may be left without bodies).
std::pair<LineCandidate, LineCandidate> splitBand(const PageComponents& page, const LineCandidate& band,
                                                  double pitch, double slant);

// Index of the line nearest to (x, y): the distance to its centre line plus
// the distance past its ends, which is also returned; -1 for no lines.
int nearestLine(const std::vector<LineCandidate>& lines, double x, double y, double* distance);

// Pitch of a profile: the first strong autocorrelation peak between the
// shortest and longest lag, or 0 when there is none.
double profilePitch(const std::vector<double>& profile, int shortest, int longest);

// The profile smoothed with a Gaussian of the given sigma (in bins).
std::vector<double> smoothProfile(const std::vector<double>& profile, double sigma);

}  // namespace tavo
