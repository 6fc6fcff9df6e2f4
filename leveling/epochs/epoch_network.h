#pragma once
// One epoch of a control network of vertical displacements: its working folder read as a run of
// kvel reads it (the observation files, for the first epoch also the benchmark file, the same
// limits and messages), adjusted as a free network by the profile solver, and what the comparison
// of epochs needs of it: the heights, [pvv] and the degrees of freedom, the cofactor of every
// height and the cofactors between every point and each reference point.
//
// The heights are those of one datum of the epoch's own choosing (one point held); the comparison
// moves both epochs to a common datum by the S-transformation, which every such datum leads to
// alike.
#include <string>
#include <unordered_map>
#include <vector>

#include "leveling/adjustment_run.h"

namespace kvel::epochs {

struct EpochSolution {
  std::string folder;
  int observationCount = 0;
  std::vector<std::string> pointNr;            // [0..n-1], the catalogue order of the epoch
  std::unordered_map<std::string, int> index;  // point number -> position in pointNr
  std::vector<double> height;                  // [n], m, in the epoch's datum
  std::vector<double> cofactor;                // [n], Q(k, k), m^2
  // For reference point c of the analysis (its position in the reference list): the column of
  // Q(k, c) over k = 0..n-1, empty when the epoch does not hold the point.
  std::vector<std::vector<double>> referenceColumn;
  std::vector<int> referencePosition;  // [c]: position of reference point c in pointNr, -1 if absent
  double pvv = 0;
  int redundancy = 0;  // f = M - (LP - 1)

  int PointCount() const { return static_cast<int>(pointNr.size()); }
  // Position of a point number in this epoch, -1 when the epoch does not hold it.
  int Find(const std::string& nr) const {
    const auto found = index.find(nr);
    return found == index.end() ? -1 : found->second;
  }
};

// Reads the epoch in `folder` and adjusts it. The first epoch (`references` empty on the call)
// also reads its benchmark file, whose points in the network become the reference points, in
// the order of that file, into `references`. Every box of the reading goes to `host`; false when the
// epoch cannot be used (a data error, already shown).
bool ReadAndAdjustEpoch(const std::string& folder, AdjustmentHost& host, std::vector<std::string>& references,
                        EpochSolution& epoch);

}  // namespace kvel::epochs
