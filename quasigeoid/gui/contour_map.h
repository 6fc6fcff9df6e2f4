#pragma once
// The colour contour map of the quasi-geoid heights shown in the main window, drawn from the
// model grid itself.
#include <QImage>

namespace solvanta {
class ModelGrid;
}

namespace solvanta::gui {

// The grid as a map, north up: colour bands of the height anomaly with a contour line at every
// `interval` metres. One pixel per `step` grid nodes in both directions.
QImage ContourMap(const ModelGrid& grid, int step = 3, double interval = 1.0);

}  // namespace solvanta::gui
